#include "bike/bike.h"

#include <algorithm>
#include <cmath>

#include "bike/drivetrain.h"
#include "bike/suspension.h"
#include "platform/log.h"
#include "platform/units.h"
#include "track/terrain.h"

namespace {

// How far each placement attempt raises the bike.
constexpr double kPlacementRaise = 0.25;
// The fork and swingarm are built fully extended, and their extension stops
// lie this far beyond: a stop that starts exactly at zero error with no
// relative motion is a degenerate pivot for the exact solver, which then
// gives up on the step ("LCP internal error, s <= 0") and drops every
// contact force with it.
constexpr double kStopMargin = 1e-9;

Vec3 creation_position(const BikeInfo& info, int body) {
  switch (body) {
    case kBodyFrame: return vec3_of(info.frame_position);
    case kBodyFrontWheel: return vec3_of(info.front_wheel.position);
    case kBodyRearWheel: return vec3_of(info.rear_wheel.position);
    case kBodyForkUpper: return vec3_of(info.fork_upper_position);
    case kBodyForkLower: return vec3_of(info.fork_lower_position);
    case kBodySwingarm: return vec3_of(info.swingarm_position);
    default: return vec3_of(info.rider_mass_position);
  }
}

const std::string& shape_name(const BikeInfo& info, int body) {
  switch (body) {
    case kBodyFrame: return info.frame_shape;
    case kBodyFrontWheel: return info.front_wheel_shape;
    case kBodyRearWheel: return info.rear_wheel_shape;
    case kBodyForkUpper: return info.fork_upper_shape;
    case kBodyForkLower: return info.fork_lower_shape;
    case kBodySwingarm: return info.swingarm_shape;
    default: return info.rider_shape;
  }
}

// ODE wants every body's centre of mass at its origin; the sums of rotated
// parts leave rounding there.
void centre_mass(dMass& m) { dMassTranslate(&m, -m.c[0], -m.c[1], -m.c[2]); }

void rotate_mass_about_x(dMass& m, double angle) {
  dMatrix3 r;
  dRFromAxisAndAngle(r, 1, 0, 0, angle);
  dMassRotate(&m, r);
}

// atan(a / b), with the quarter turn a vertical part gives.
double slope_angle(double a, double b) {
  if (b != 0) return std::atan(a / b);
  return a == 0 ? 0 : std::copysign(kPi / 2, a);
}

// A hub sphere with a ring of sixteen tyre spheres around the axle.
dMass wheel_mass(const BikeWheelInfo& w) {
  dMass total, tyre;
  dMassSetSphereTotal(&total, w.hub_mass, w.hub_radius);
  dMassSetSphereTotal(&tyre, w.tyre_mass / 16, w.tube_radius);
  dMassTranslate(&tyre, 0, w.ring_radius, 0);
  dMatrix3 step;
  dRFromAxisAndAngle(step, 1, 0, 0, kPi / 8);
  for (int k = 0; k < 16; ++k) {
    dMassAdd(&total, &tyre);
    dMassRotate(&tyre, step);
  }
  centre_mass(total);
  return total;
}

// Two fork legs along the steering axis.
dMass fork_mass(const BikeInfo& info) {
  const double radius = info.fork_leg_spacing / 8, len = info.fork_leg_length * 2 / 3;
  dMass left, right;
  dMassSetCylinderTotal(&left, info.fork_mass / 2, 2, radius, len);
  dMassSetCylinderTotal(&right, info.fork_mass / 2, 2, radius, len);
  dMassTranslate(&left, info.fork_leg_spacing / 2, 0, 0);
  dMassTranslate(&right, -info.fork_leg_spacing / 2, 0, 0);
  dMassAdd(&left, &right);
  rotate_mass_about_x(left, slope_angle(info.fork_lower_position[2] - info.fork_upper_position[2],
                                        info.fork_lower_position[1] - info.fork_upper_position[1]));
  centre_mass(left);
  return left;
}

// Two arms from the pivot to the rear axle.
dMass swingarm_mass(const BikeInfo& info) {
  const Vec3 pivot = vec3_of(info.swingarm_pivot), axle = vec3_of(info.rear_wheel.position);
  const double side = info.frame_box[0] / 4, len = length(axle - pivot);
  dMass left, right;
  dMassSetBoxTotal(&left, info.swingarm_arm_mass, side, side, len);
  dMassSetBoxTotal(&right, info.swingarm_arm_mass, side, side, len);
  dMassTranslate(&left, info.frame_box[0] / 2, 0, 0);
  dMassTranslate(&right, -info.frame_box[0] / 2, 0, 0);
  dMassAdd(&left, &right);
  rotate_mass_about_x(left, -slope_angle(axle.y - pivot.y, axle.z - pivot.z));
  centre_mass(left);
  return left;
}

void set_frame_and_rider_masses(Bike& bike, double rider_share) {
  const BikeInfo& info = bike.info;
  dMass m;
  dMassSetBoxTotal(&m, info.frame_mass + (1 - rider_share) * info.rider_mass, info.frame_box[0], info.frame_box[1],
                   info.frame_box[2]);
  dBodySetMass(bike.body[kBodyFrame], &m);
  // The radius only shapes the inertia.
  dMassSetSphereTotal(&m, rider_share * info.rider_mass, 1);
  dBodySetMass(bike.body[kBodyRider], &m);
}

dJointID hinge(Bike& bike, int b1, int b2, Vec3 anchor, Vec3 axis) {
  dJointID j = dJointCreateHinge(bike.world->world, nullptr);
  dJointAttach(j, bike.body[b1], bike.body[b2]);
  dJointSetHingeAnchor(j, anchor.x, anchor.y, anchor.z);
  dJointSetHingeAxis(j, axis.x, axis.y, axis.z);
  return j;
}

void create_joints(Bike& bike) {
  const BikeInfo& info = bike.info;
  const Vec3 x_axis{1, 0, 0};
  const Vec3 steering_axis = vec3_of(info.fork_upper_position) - vec3_of(info.fork_lower_position);
  dJointID* j = bike.joint;
  j[kJointFrontAxle] = hinge(bike, kBodyForkLower, kBodyFrontWheel, vec3_of(info.front_wheel.position), x_axis);
  j[kJointRearAxle] = hinge(bike, kBodySwingarm, kBodyRearWheel, vec3_of(info.rear_wheel.position), x_axis);
  j[kJointSteering] = hinge(bike, kBodyForkUpper, kBodyFrame, vec3_of(info.fork_upper_position), steering_axis);
  dJointSetHingeParam(j[kJointSteering], dParamLoStop, -kPi / 4);
  dJointSetHingeParam(j[kJointSteering], dParamHiStop, kPi / 4);

  j[kJointForkSlider] = dJointCreateSlider(bike.world->world, nullptr);
  dJointAttach(j[kJointForkSlider], bike.body[kBodyForkUpper], bike.body[kBodyForkLower]);
  dJointSetSliderAxis(j[kJointForkSlider], steering_axis.x, steering_axis.y, steering_axis.z);
  dJointSetSliderParam(j[kJointForkSlider], dParamBounce, 0);
  dJointSetSliderParam(j[kJointForkSlider], dParamLoStop, -info.fork_travel);
  dJointSetSliderParam(j[kJointForkSlider], dParamHiStop, kStopMargin);

  j[kJointSwingarmPivot] = hinge(bike, kBodySwingarm, kBodyFrame, vec3_of(info.swingarm_pivot), x_axis);
  dJointSetHingeParam(j[kJointSwingarmPivot], dParamBounce, 0);
  dJointSetHingeParam(j[kJointSwingarmPivot], dParamLoStop, -info.swingarm_travel);
  dJointSetHingeParam(j[kJointSwingarmPivot], dParamHiStop, kStopMargin);

  j[kJointRiderMount] = dJointCreateHinge2(bike.world->world, nullptr);
  bike_attach_rider(bike);
  dJointSetHinge2Param(j[kJointRiderMount], dParamLoStop, 0);
  dJointSetHinge2Param(j[kJointRiderMount], dParamHiStop, 0);

  for (int k = 0; k < kBikeJoints; ++k) dJointSetFeedback(j[k], &bike.feedback[k]);
}

}  // namespace

Bike::~Bike() {
  for (dJointID& j : joint) {
    if (j) dJointDestroy(j);
    j = nullptr;
  }
  for (dBodyID& b : body) {
    if (b) dBodyDestroy(b);
    b = nullptr;
  }
}

void bike_attach_rider(Bike& bike) {
  dJointID mount = bike.joint[kJointRiderMount];
  if (!mount) return;
  dBodyID frame = bike.body[kBodyFrame];
  dJointAttach(mount, bike.body[kBodyRider], frame);
  // The anchor lies far ahead at the rider's height, so that turning about
  // the second axis moves the rider mass almost straight up and down.
  const BikeInfo& info = bike.info;
  const dReal* r = dBodyGetRotation(frame);
  const Vec3 offset = Vec3{0, double(info.rider_mass_position[1]), -50} - vec3_of(info.frame_position);
  const Vec3 anchor = vec3_of(dBodyGetPosition(frame)) + rotate(r, offset);
  dJointSetHinge2Anchor(mount, anchor.x, anchor.y, anchor.z);
  dVector3 axis1, axis2;
  store(rotate(r, Vec3{0, 1, 1} * (1 / std::sqrt(2.0))), axis1);
  store(rotate(r, Vec3{1, 0, 0}), axis2);
  dJointSetHinge2Axes(mount, axis1, axis2);
  rider_mount_damping(bike);
}

BikePtr bike_create(PhysicsWorld& world, const char* name, int slot) {
  const BikeInfo* info = choose_bike_info(name);
  BikePtr bike = std::make_unique<Bike>();
  bike->info = *info;
  bike->world = &world;
  bike->slot = slot;

  for (int b = 0; b < kBikeBodies; ++b) {
    if (std::shared_ptr<const CollisionShape> s = shape_get(shape_name(*info, b).c_str())) {
      PartShape& part = bike->shape[b];
      part.shape = *s;
      part.centres.assign(s->spheres.size(), Vec3{});
      part.loaded = true;
    }
  }

  dMatrix3 identity;
  dRFromAxisAndAngle(identity, 0, 1, 0, 0);
  for (int b = 0; b < kBikeBodies; ++b) {
    dBodyID body = dBodyCreate(world.world);
    bike->body[b] = body;
    const Vec3 p = creation_position(*info, b);
    dBodySetPosition(body, p.x, p.y, p.z);
    dBodySetRotation(body, identity);
  }
  // Wheels spin fast enough for the infinitesimal update to wobble.
  dBodySetFiniteRotationMode(bike->body[kBodyFrontWheel], 1);
  dBodySetFiniteRotationMode(bike->body[kBodyRearWheel], 1);

  set_frame_and_rider_masses(*bike, 1.0 / 3);
  dMass m = wheel_mass(info->front_wheel);
  dBodySetMass(bike->body[kBodyFrontWheel], &m);
  m = wheel_mass(info->rear_wheel);
  dBodySetMass(bike->body[kBodyRearWheel], &m);
  m = fork_mass(*info);
  dBodySetMass(bike->body[kBodyForkUpper], &m);
  dBodySetMass(bike->body[kBodyForkLower], &m);
  m = swingarm_mass(*info);
  dBodySetMass(bike->body[kBodySwingarm], &m);

  suspension_defaults(*info, bike->setup);
  bike_set_sprockets(*bike, 0, 0);
  create_joints(*bike);

  const BikeWheelInfo* wheels[2] = {&info->front_wheel, &info->rear_wheel};
  for (int w = 0; w < 2; ++w) {
    WheelContact& c = bike->wheel[w];
    c.body = bike->body[w == 0 ? kBodyFrontWheel : kBodyRearWheel];
    c.axle = {1, 0, 0};
    c.ring_radius = wheels[w]->ring_radius;
    c.tube_radius = wheels[w]->tube_radius;
  }

  bike->total_mass = bike_mass_sum(*bike);
  bike_reset(*bike);
  return bike;
}

void bike_reset(Bike& bike) {
  dMatrix3 identity;
  dRFromAxisAndAngle(identity, 0, 1, 0, 0);
  for (int b = 0; b < kBikeBodies; ++b) {
    dBodyID body = bike.body[b];
    const Vec3 p = creation_position(bike.info, b);
    dBodySetPosition(body, p.x, p.y, p.z);
    dBodySetRotation(body, identity);
    dBodySetLinearVel(body, 0, 0, 0);
    dBodySetAngularVel(body, 0, 0, 0);
    dBodySetForce(body, 0, 0, 0);
    dBodySetTorque(body, 0, 0, 0);
  }
  bike.controls = BikeControls();
  bike.drivetrain = Drivetrain();
  bike.crash = CrashState();
  bike.assist = AssistState();
  bike.assist.landing_damping = bike.setup.land_damping_factor;
  bike.ruts.head = bike.ruts.tail = 0;
  bike.rider_velocities = RiderVelocityRing();
  bike.last_roll = 0;
  for (WheelContact& w : bike.wheel) {
    w.depth = 0;
    w.joined = false;
    w.feedback = dJointFeedback{};
  }
  for (dJointFeedback& f : bike.feedback) f = dJointFeedback{};
  // The suspension motors start slack, as on a new bike, until the next
  // bike step sets them from the pose.
  if (dJointID fork = bike.joint[kJointForkSlider]) dJointSetSliderParam(fork, dParamFMax, 0);
  if (dJointID pivot = bike.joint[kJointSwingarmPivot]) dJointSetHingeParam(pivot, dParamFMax, 0);
  // The brakes are let go likewise.
  for (int axle : {kJointFrontAxle, kJointRearAxle})
    if (dJointID j = bike.joint[axle]) dJointSetHingeParam(j, dParamFMax, 0);
  // The frame is in its creation pose, so the rider mass already sits at
  // the frame's transform of its offset; a fallen rider gets his mount back.
  dJointID mount = bike.joint[kJointRiderMount];
  if (mount && !dJointGetBody(mount, 0)) bike_attach_rider(bike);
}

bool bike_place(Bike& bike, const Terrain& ground, double x, double z, double heading) {
  double height = terrain_height_at(ground, float(x), float(z));
  dMatrix3 turn;
  dRFromAxisAndAngle(turn, 0, 1, 0, heading);
  for (int raise = 0;; ++raise) {
    bike_reset(bike);
    for (int b = 0; b < kBikeBodies; ++b) {
      const Vec3 p = rotate(turn, vec3_of(dBodyGetPosition(bike.body[b]))) + Vec3{x, height, z};
      dBodySetPosition(bike.body[b], p.x, p.y, p.z);
      dBodySetRotation(bike.body[b], turn);
    }
    // Only a test: no contact joints are made.
    if (!bikeTerrainContact(bike, ground, ContactUse::Test)) return true;
    if (raise == kMaxPlacementRaises) {
      tarn_log("Bike in slot %d still touches the ground %.2f ft above (%.1f, %.1f); left there\n", bike.slot,
               kMaxPlacementRaises * kPlacementRaise, x, z);
      return false;
    }
    height += kPlacementRaise;
  }
}

double bike_mass_sum(const Bike& bike) {
  double sum = 0;
  for (dBodyID b : bike.body) {
    dMass m;
    dBodyGetMass(b, &m);
    sum += m.mass;
  }
  return sum;
}

void bike_set_rider_mass_distribution(Bike& bike, float f) {
  f = std::clamp(f, 0.33f, 0.5f);
  bike.setup.rider_mass_distribution = f;
  set_frame_and_rider_masses(bike, f);
  bike.total_mass = bike_mass_sum(bike);
}
