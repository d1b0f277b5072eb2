#include "bike/roll.h"

#include <algorithm>
#include <cmath>

#include "bike/vec3.h"
#include "platform/units.h"

double roll_from_rotation(const dReal* rotation, double last) {
  const Vec3 up = body_axis(rotation, 1);
  const Vec3 forward = -body_axis(rotation, 2);
  // The forward direction on the ground; none when the nose is vertical.
  const double flat = std::hypot(forward.x, forward.z);
  if (!(flat > 1e-9)) return last;
  const double fx = forward.x / flat, fz = forward.z / flat;
  const double side = up.z * fx - up.x * fz;
  const double roll = std::acos(std::clamp(side, -1.0, 1.0)) - kPi / 2;
  return std::isfinite(roll) ? roll : last;
}

double body_roll(dBodyID body, double last) { return roll_from_rotation(dBodyGetRotation(body), last); }
