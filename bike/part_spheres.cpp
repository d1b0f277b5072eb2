#include "bike/part_spheres.h"

#include <algorithm>
#include <cmath>


Bound part_shape_place(PartShape& part, dBodyID body) {
  Bound bound;
  if (!part.loaded || !body) return bound;
  const Vec3 origin = vec3_of(dBodyGetPosition(body));
  const dReal* r = dBodyGetRotation(body);
  if (!is_finite(origin) || !std::isfinite(part.shape.bounding_radius)) return bound;
  for (int k = 0; k < 12; ++k)
    if (!std::isfinite(r[k])) return bound;
  const std::vector<ShapeSphere>& spheres = part.shape.spheres;
  part.centres.resize(spheres.size());
  for (size_t k = 0; k < spheres.size(); ++k) part.centres[k] = rotate(r, vec3_of(spheres[k].centre)) + origin;
  bound.centre = origin;
  bound.radius = part.shape.bounding_radius;
  return bound;
}

PlacedBike bike_parts_place(Bike& bike) {
  PlacedBike placed;
  for (int b = 0; b < kBikeBodies; ++b) placed.part[b] = part_shape_place(bike.shape[b], bike.body[b]);
  for (int w = 0; w < 2; ++w) placed.tyre[w] = tyre_bound(bike.wheel[w]);
  placed.all = bike_bound(bike);
  return placed;
}

Bound bike_bound(const Bike& bike) {
  Bound all;
  all.centre = vec3_of(dBodyGetPosition(bike.body[kBodyFrame]));
  if (!is_finite(all.centre)) return all;
  auto take = [&](const Bound& b) {
    if (b.radius >= 0 && is_finite(b.centre))
      all.radius = std::max(all.radius, length(b.centre - all.centre) + b.radius);
  };
  for (int b = 0; b < kBikeBodies; ++b) {
    const PartShape& part = bike.shape[b];
    if (part.loaded && std::isfinite(part.shape.bounding_radius))
      take({vec3_of(dBodyGetPosition(bike.body[b])), part.shape.bounding_radius});
  }
  for (const WheelContact& w : bike.wheel) take(tyre_bound(w));
  return all;
}

ContactSphere part_sphere(const PartShape& part, size_t k) {
  const ShapeSphere& s = part.shape.spheres[k];
  ContactSphere out;
  out.centre = part.centres[k];
  out.radius = s.radius;
  out.friction = s.friction;
  out.stiffness = s.stiffness;
  out.damping = s.damping;
  return out;
}

Bound tyre_bound(const WheelContact& wheel) {
  Bound b;
  if (!wheel.body) return b;
  b.centre = vec3_of(dBodyGetPosition(wheel.body));
  const double r = wheel.ring_radius + wheel.tube_radius;
  if (!is_finite(b.centre) || !(r > 0) || !std::isfinite(r)) return b;
  b.radius = r;
  return b;
}
