#include "bike/object_contact.h"

#include <cmath>

#include "bike/bike.h"
#include "bike/crash.h"
#include "bike/part_spheres.h"
#include "bike/sphere_contact.h"
#include "shapes/shape.h"
#include "track/track.h"

namespace {

bool finite_pose(const dReal* position, const dReal* rotation) {
  for (int k = 0; k < 3; ++k)
    if (!std::isfinite(position[k])) return false;
  for (int k = 0; k < 12; ++k)
    if (!std::isfinite(rotation[k])) return false;
  return true;
}

// The bike's parts tested against objects, after the tyres.
constexpr int kShapeParts[] = {kBodyFrame, kBodyForkUpper, kBodyForkLower, kBodySwingarm, kBodyRider};

}  // namespace

unsigned bikeObjectContact(Bike& bike, const CollisionShape& shape, dBodyID body, const dReal* position,
                           const dReal* rotation, const KnockoutTable* knockout) {
  if (!finite_pose(position, rotation) || !std::isfinite(shape.bounding_radius)) return 0;
  const Vec3 origin = vec3_of(position);
  const Bound object{origin, shape.bounding_radius};
  PlacedBike placed = bike_parts_place(bike);
  if (!bounds_overlap(placed.all, object)) return 0;

  std::vector<ContactSphere> spheres(shape.spheres.size());
  for (size_t k = 0; k < spheres.size(); ++k) {
    const ShapeSphere& s = shape.spheres[k];
    spheres[k] = {rotate(rotation, vec3_of(s.centre)) + origin, s.radius, s.friction, s.stiffness, s.damping};
  }
  PhysicsWorld* world = bike.world;
  unsigned touched = 0;
  for (int w = 0; w < 2; ++w) {
    if (!bounds_overlap(placed.tyre[w], object)) continue;
    const WheelContact& wheel = bike.wheel[w];
    for (const ContactSphere& s : spheres) {
      if (!bounds_overlap(placed.tyre[w], {s.centre, s.radius})) continue;
      if (sphereContact(world, tyre_sphere_toward(wheel, s.centre), wheel.body, s, body, ContactUse::Joint))
        touched |= w == 0 ? kPartFrontWheel : kPartRearWheel;
    }
  }
  for (int b : kShapeParts) {
    if (!bounds_overlap(placed.part[b], object)) continue;
    const PartShape& part = bike.shape[b];
    for (const ContactSphere& s : spheres) {
      if (!bounds_overlap(placed.part[b], {s.centre, s.radius})) continue;
      for (size_t k = 0; k < part.centres.size(); ++k)
        if (sphereContact(world, part_sphere(part, k), bike.body[b], s, body, ContactUse::Joint))
          touched |= kBodyPart[b];
    }
  }
  if (touched & kPartRider) crash_check_object(bike, body, knockout);
  return touched;
}

void statue_pose(const Statue& statue, dVector3 position, dMatrix3 rotation) {
  position[0] = statue.x;
  position[1] = statue.y;
  position[2] = statue.z;
  position[3] = 0;
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) rotation[row * 4 + col] = statue.axes[col][row];
    rotation[row * 4 + 3] = 0;
  }
}

unsigned bike_statues_contact(Bike& bike, const Track& track, std::vector<int>& statue_touched_step, int step,
                              const KnockoutTable* knockout) {
  const dReal* frame = dBodyGetPosition(bike.body[kBodyFrame]);
  if (!std::isfinite(frame[0]) || !std::isfinite(frame[2])) return 0;
  std::vector<int> near;
  statues_near(track, float(frame[0]), float(frame[2]), near);
  unsigned touched = 0;
  for (int index : near) {
    if (index < 0 || size_t(index) >= track.statues.size()) continue;
    const Statue& statue = track.statues[size_t(index)];
    if (!statue.shape) continue;
    dVector3 position;
    dMatrix3 rotation;
    statue_pose(statue, position, rotation);
    const unsigned parts = bikeObjectContact(bike, *statue.shape, nullptr, position, rotation, knockout);
    if (!parts) continue;
    touched |= parts;
    if (statue_touched_step.size() < track.statues.size()) statue_touched_step.resize(track.statues.size(), -1);
    statue_touched_step[size_t(index)] = step;
  }
  return touched;
}
