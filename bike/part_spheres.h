// A bike's parts as spheres in world coordinates, and the bounding spheres
// that let part-against-part and bike-against-bike tests skip whatever is
// too far away to touch.
#pragma once
#include <ode/ode.h>

#include <cstddef>

#include "bike/bike.h"
#include "bike/sphere_contact.h"

// A sphere that holds everything of a part or a bike.
struct Bound {
  Vec3 centre;
  double radius = -1;  // negative: nothing there to touch
};

inline bool bounds_overlap(const Bound& a, const Bound& b) {
  if (a.radius < 0 || b.radius < 0) return false;
  const double reach = a.radius + b.radius;
  return length_squared(b.centre - a.centre) < reach * reach;
}

// Moves a part's spheres to world coordinates by its body's pose and
// returns its bound (the body's origin and the shape's bounding radius).
// No bound, and the part left out, for a shape that did not load or a pose
// that is not finite.
Bound part_shape_place(PartShape& part, dBodyID body);

// A bike's part shapes placed for this moment, with their bounds, the
// tyres' bounds and the bound of everything.
struct PlacedBike {
  Bound part[kBikeBodies];  // by body index; the wheels' for their sphere shapes
  Bound tyre[2];  // front, rear: the tori
  Bound all;      // around the frame
};
PlacedBike bike_parts_place(Bike& bike);

// The bound of everything of the bike around its frame, from its bodies'
// places alone (nothing is placed).
Bound bike_bound(const Bike& bike);

// Sphere k of a placed part with its surface.
ContactSphere part_sphere(const PartShape& part, size_t k);

// A tyre's torus: the wheel centre, ring plus tube radius.
Bound tyre_bound(const WheelContact& wheel);
