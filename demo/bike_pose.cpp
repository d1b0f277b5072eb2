#include "demo/bike_pose.h"

#include <algorithm>
#include <cmath>

#include "bike/bike.h"
#include "bike/presence.h"
#include "bike/vec3.h"
#include "platform/units.h"
#include "track/terrain.h"

namespace {

constexpr double kPullLimit = 2500;

Vec3 info_point(const float* p) { return vec3_of(p); }

// The world position of point v (relative to the body's catalogue place) of
// a body.
Vec3 point_of(dBodyID body, Vec3 v) {
  dVector3 out;
  dBodyGetRelPointPos(body, v.x, v.y, v.z, out);
  return vec3_of(out);
}

// parent x (turn about axis by angle), the axis in the parent's frame.
void compose(const dReal* parent, Vec3 axis, double angle, dMatrix3 out) {
  dMatrix3 local;
  dRFromAxisAndAngle(local, axis.x, axis.y, axis.z, angle);
  dMultiply0_333(out, parent, local);
}

void set_pose(dBodyID body, Vec3 position, const dReal* rotation) {
  dBodySetPosition(body, position.x, position.y, position.z);
  dBodySetRotation(body, rotation);
}

// The rotation that turns orientation a into b, as axis times angle (world
// axes); zero when they are equal.
Vec3 rotation_between(const dReal* a, const dReal* b) {
  dQuaternion inverse = {a[0], -a[1], -a[2], -a[3]}, d;
  dQMultiply0(d, b, inverse);
  // The shorter way round.
  if (d[0] < 0)
    for (double& c : d) c = -c;
  const double s = std::sqrt(d[1] * d[1] + d[2] * d[2] + d[3] * d[3]);
  if (!(s > 1e-12)) return {};
  const double angle = 2 * std::atan2(s, d[0]);
  return Vec3{d[1], d[2], d[3]} * (angle / s);
}

Vec3 limited(Vec3 v, double most) {
  const double l = length(v);
  return l > most ? v * (most / l) : v;
}

// A unit quaternion from a record (a record cannot hold a zero one, but a
// hand-made state might).
void quaternion_of(const double q[4], dQuaternion out) {
  double l = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  if (!(l > 1e-9) || !std::isfinite(l)) {
    out[0] = 1, out[1] = out[2] = out[3] = 0;
    return;
  }
  for (int i = 0; i < 4; ++i) out[i] = q[i] / l;
}

// Gear index from a recorded gear: at most the sixth slot, and down to the
// highest the bike has.
int recorded_gear(const BikeInfo& info, int g) {
  int gear = std::min(g, kGearSlots - 1);
  while (gear > 0 && !(info.gear_ratios[gear] > 0)) --gear;
  return gear;
}

void detach_rider(Bike& b) { dJointAttach(b.joint[kJointRiderMount], nullptr, nullptr); }

// The rider back on the bike: the mount is attached with the rider mass at
// its seat, then the rider mass goes back where it was.
void reattach_rider(Bike& b) {
  dBodyID rider = b.body[kBodyRider], frame = b.body[kBodyFrame];
  const dReal* kept_position = dBodyGetPosition(rider);
  const Vec3 position = vec3_of(kept_position);
  dQuaternion kept_rotation;
  dBodyCopyQuaternion(rider, kept_rotation);
  const Vec3 seat = info_point(b.info.rider_mass_position) - info_point(b.info.frame_position);
  set_pose(rider, point_of(frame, seat), dBodyGetRotation(frame));
  bike_attach_rider(b);
  dBodySetPosition(rider, position.x, position.y, position.z);
  dBodySetQuaternion(rider, kept_rotation);
}

void set_rider_state(Bike& b, const StateRecord& s) {
  if (s.crashed) {
    detach_rider(b);
    b.controls.throttle = 0;
    b.crash.timer = crash_timer_from_scale(s.crash_scale);
    return;
  }
  if (b.crash.timer != 0) reattach_rider(b);
  b.crash.timer = 0;
  b.controls.gear = recorded_gear(b.info, s.gear);
  b.controls.throttle = static_cast<float>(std::clamp(s.throttle, 0.0, 1.0));
}

// The foot points of a fallen rider: his footpegs where they stand, with
// the rider mass body's velocity there.
void store_feet(Bike& b) {
  const Vec3 frame_origin = info_point(b.info.frame_position);
  const float* pegs[2] = {b.info.rider.left_footpeg, b.info.rider.right_footpeg};
  for (int k = 0; k < 2; ++k) {
    const Vec3 p = point_of(b.body[kBodyFrame], info_point(pegs[k]) + info_point(b.info.frame_position) - frame_origin);
    dVector3 v;
    dBodyGetPointVel(b.body[kBodyRider], p.x, p.y, p.z, v);
    store(p, b.crash.feet[k]);
    store(vec3_of(v), b.crash.foot_velocities[k]);
  }
}

}  // namespace

StateScale bike_state_scale(const Bike& b, double extent, double lowest_height) {
  StateScale s;
  s.extent = extent > 0 ? extent : 1;
  s.lowest_height = lowest_height;
  s.swingarm_range = b.info.swingarm_travel > 0 ? b.info.swingarm_travel : 1;
  s.fork_travel = b.info.fork_travel > 0 ? b.info.fork_travel : 1;
  return s;
}

StateRecord bike_state(const Bike& b) {
  StateRecord s;
  const dReal* p = dBodyGetPosition(b.body[kBodyFrame]);
  const dReal* q = dBodyGetQuaternion(b.body[kBodyFrame]);
  const dReal* rp = dBodyGetPosition(b.body[kBodyRider]);
  const dReal* rq = dBodyGetQuaternion(b.body[kBodyRider]);
  for (int i = 0; i < 3; ++i) {
    s.frame_position[i] = p[i];
    s.rider_offset[i] = rp[i] - p[i];
  }
  for (int i = 0; i < 4; ++i) {
    s.frame_quaternion[i] = q[i];
    s.rider_quaternion[i] = rq[i];
  }
  s.steering_angle = dJointGetHingeAngle(b.joint[kJointSteering]);
  s.swingarm_angle = dJointGetHingeAngle(b.joint[kJointSwingarmPivot]);
  s.fork_position = dJointGetSliderPosition(b.joint[kJointForkSlider]);
  s.front_wheel_angle = dJointGetHingeAngle(b.joint[kJointFrontAxle]);
  s.rear_wheel_angle = dJointGetHingeAngle(b.joint[kJointRearAxle]);
  s.gear = b.controls.gear;
  s.dab = b.assist.dab > 0;
  s.throttle = b.controls.throttle;
  s.crashed = b.crash.timer > 0;
  s.crash_scale = s.crashed ? crash_scale_from_timer(b.crash.timer) : 0;
  s.engine_rpm = std::max(0.0, b.drivetrain.engine_speed * 30 / kPi);
  return s;
}

void pose_bike(Bike& b, const StateRecord& s, int version) {
  const BikeInfo& info = b.info;
  const Vec3 frame_pos = info_point(info.frame_position), fork_upper = info_point(info.fork_upper_position),
             fork_lower = info_point(info.fork_lower_position), swingarm = info_point(info.swingarm_position),
             pivot = info_point(info.swingarm_pivot);
  dBodyID frame = b.body[kBodyFrame];

  dQuaternion q;
  quaternion_of(s.frame_quaternion, q);
  dBodySetPosition(frame, s.frame_position[0], s.frame_position[1], s.frame_position[2]);
  dBodySetQuaternion(frame, q);
  const dReal* frame_rotation = dBodyGetRotation(frame);

  dMatrix3 r;
  compose(frame_rotation, fork_upper - fork_lower, s.steering_angle, r);
  set_pose(b.body[kBodyForkUpper], point_of(frame, fork_upper - frame_pos), r);

  // The swingarm turns about its pivot.
  const double c = std::cos(s.swingarm_angle), sn = std::sin(s.swingarm_angle);
  const Vec3 arm = swingarm - pivot;
  const Vec3 turned{swingarm.x, pivot.y + c * arm.y - sn * arm.z, pivot.z + sn * arm.y + c * arm.z};
  compose(frame_rotation, Vec3{1, 0, 0}, s.swingarm_angle, r);
  set_pose(b.body[kBodySwingarm], point_of(frame, turned - frame_pos), r);

  // The fork slides along its legs; compression moves the lower part up.
  dBodyID upper = b.body[kBodyForkUpper];
  const Vec3 legs = fork_lower - fork_upper;
  const double legs_length = length(legs);
  const Vec3 along = legs_length > 0 ? legs * (1 / legs_length) : Vec3{0, -1, 0};
  set_pose(b.body[kBodyForkLower], point_of(upper, fork_lower - fork_upper + along * s.fork_position),
           dBodyGetRotation(upper));

  dBodyID rider = b.body[kBodyRider];
  if (version == 4) {
    Vec3 slide = info_point(info.rider_slide_direction);
    const double l = length(slide);
    slide = l > 0 ? slide * (1 / l) : Vec3{};
    const double d = info.rider_slide_range[0] + (info.rider_slide_range[1] - info.rider_slide_range[0]) * s.rider_slide;
    set_pose(rider, point_of(frame, info_point(info.rider_mass_position) - frame_pos + slide * d), frame_rotation);
  } else {
    quaternion_of(s.rider_quaternion, q);
    dBodySetPosition(rider, s.frame_position[0] + s.rider_offset[0], s.frame_position[1] + s.rider_offset[1],
                     s.frame_position[2] + s.rider_offset[2]);
    dBodySetQuaternion(rider, q);
  }

  dBodyID lower = b.body[kBodyForkLower];
  compose(dBodyGetRotation(lower), Vec3{-1, 0, 0}, s.front_wheel_angle, r);
  set_pose(b.body[kBodyFrontWheel], point_of(lower, info_point(info.front_wheel.position) - fork_lower), r);
  dBodyID arm_body = b.body[kBodySwingarm];
  compose(dBodyGetRotation(arm_body), Vec3{-1, 0, 0}, s.rear_wheel_angle, r);
  set_pose(b.body[kBodyRearWheel], point_of(arm_body, info_point(info.rear_wheel.position) - swingarm), r);

  set_rider_state(b, s);
  b.drivetrain.engine_speed = std::max(0.0, s.engine_rpm) * kPi / 30;
}

void poseFromStates(Bike& b, const StateRecord& current, const StateRecord& older, const StateRecord& newer, int n,
                    int version, const Terrain& ground) {
  const double h = kStep;
  if (!bike_present(b)) {
    const bool was_off = b.crash.timer != 0;
    pose_bike(b, older, version);
    Vec3 old_position[kBikeBodies];
    dQuaternion old_rotation[kBikeBodies];
    for (int i = 0; i < kBikeBodies; ++i) {
      old_position[i] = vec3_of(dBodyGetPosition(b.body[i]));
      dBodyCopyQuaternion(b.body[i], old_rotation[i]);
    }
    pose_bike(b, newer, version);
    const double time = std::max(n, 1) * h;
    for (int i = 0; i < kBikeBodies; ++i) {
      const Vec3 v = (vec3_of(dBodyGetPosition(b.body[i])) - old_position[i]) * (1 / time);
      const Vec3 w = rotation_between(old_rotation[i], dBodyGetQuaternion(b.body[i])) * (1 / time);
      dBodySetLinearVel(b.body[i], v.x, v.y, v.z);
      dBodySetAngularVel(b.body[i], w.x, w.y, w.z);
    }
    pose_bike(b, current, version);

    // The rear tyre never sinks into the ground.
    dVector3 down;
    dBodyVectorToWorld(b.body[kBodyFrame], 0, -b.info.rear_wheel.ring_radius, 0, down);
    const Vec3 p = vec3_of(dBodyGetPosition(b.body[kBodyRearWheel])) + vec3_of(down);
    if (!ground.heights.empty()) {
      const double lift = terrain_height_at(ground, static_cast<float>(p.x), static_cast<float>(p.z)) - p.y;
      if (lift > 0)
        for (dBodyID body : b.body) {
          const dReal* q = dBodyGetPosition(body);
          dBodySetPosition(body, q[0], q[1] + lift, q[2]);
        }
    }
    if (!was_off && b.crash.timer != 0) store_feet(b);
    if (current.crashed || current.dab) b.assist.dab = static_cast<float>(std::min(1.0, b.assist.dab + 8 * h));
    return;
  }

  // A woken remote bike: simulated, and pulled towards its states the harder
  // the more its presence has faded.
  const double presence = b.presence;
  double kp = 0, kd = 0;
  if (presence <= 0.5) {
    const double q = std::clamp(2 * (0.5 - presence), 0.0, 1.0);
    kp = 5000 + 45000 * q;
    kd = 500;
  } else if (presence <= 0.75) {
    const double q = std::clamp(4 * (0.75 - presence), 0.0, 1.0);
    kp = 5000 * q;
    kd = 500 * q;
  }
  dBodyID frame = b.body[kBodyFrame];
  const Vec3 position = vec3_of(dBodyGetPosition(frame)), velocity = vec3_of(dBodyGetLinearVel(frame));
  const double time = std::max(n, 1) * h;
  const Vec3 recorded_velocity = (vec3_of(newer.frame_position) - vec3_of(older.frame_position)) * (1 / time);
  const Vec3 force = limited((vec3_of(current.frame_position) - position) * kp - (velocity - recorded_velocity) * kd, kPullLimit);
  dBodyAddForce(frame, force.x, force.y, force.z);
  dQuaternion target;
  quaternion_of(current.frame_quaternion, target);
  const Vec3 turn = rotation_between(dBodyGetQuaternion(frame), target);
  const Vec3 torque = limited(turn * kp - vec3_of(dBodyGetAngularVel(frame)) * kd, kPullLimit);
  dBodyAddTorque(frame, torque.x, torque.y, torque.z);

  const double angle = dJointGetHingeAngle(b.joint[kJointSteering]);
  const double rate = dJointGetHingeAngleRate(b.joint[kJointSteering]);
  b.controls.steer = static_cast<float>(std::clamp((current.steering_angle - angle - rate) / 4, -1.0, 1.0));
  if (current.crashed) {
    if (b.crash.timer == 0) store_feet(b);
    detach_rider(b);
    b.controls.throttle = 0;
    b.crash.timer = crash_timer_from_scale(current.crash_scale);
  } else {
    if (b.crash.timer != 0) reattach_rider(b);
    b.crash.timer = 0;
    b.controls.gear = recorded_gear(b.info, current.gear);
    b.controls.throttle = static_cast<float>(std::clamp(current.throttle, 0.0, 1.0));
  }
  const bool off = b.crash.timer > 0;
  b.controls.sit = off ? 0 : (current.dab ? 1 : 0);
  // The rider mass springs pull the rider mass towards the received place.
  dMatrix3 r;
  dQtoR(target, r);
  const Vec3 offset = vec3_of(current.rider_offset);
  const Vec3 y_axis{r[1], r[5], r[9]}, z_axis{r[2], r[6], r[10]};
  const double dy = dot(offset, y_axis), dz = dot(offset, z_axis);
  const Vec3 seat = info_point(b.info.rider_mass_position) - info_point(b.info.frame_position);
  const double lean = (seat.y - dy) * (0.5 + b.controls.sit / 2) - (seat.z - dz);
  b.controls.lean = off ? 0 : static_cast<float>(std::clamp(lean, -1.0, 1.0));
  b.drivetrain.engine_speed = std::max(0.0, current.engine_rpm) * kPi / 30;
}
