// One motorcycle with its rider in the physics world: seven bodies held by
// six joints, the suspension and rider springs that act on them, and the
// per-bike state the controls, drivetrain, contacts, crashes and ruts keep.
#pragma once
#include <ode/ode.h>

#include <array>
#include <memory>

#include "bike/bike_info.h"
#include "bike/physics_world.h"
#include "bike/terrain_contact.h"

struct Terrain;

// Bodies in their fixed order; every per-body loop uses it.
enum BikeBodyIndex {
  kBodyFrame,
  kBodyFrontWheel,
  kBodyRearWheel,
  kBodyForkUpper,
  kBodyForkLower,
  kBodySwingarm,
  kBodyRider,
  kBikeBodies
};

enum BikeJointIndex {
  kJointFrontAxle,      // hinge: fork lower, front wheel
  kJointRearAxle,       // hinge: swingarm, rear wheel
  kJointSteering,       // hinge: fork upper, frame
  kJointForkSlider,     // slider: fork upper, fork lower
  kJointSwingarmPivot,  // hinge: swingarm, frame
  kJointRiderMount,     // hinge2: rider mass, frame
  kBikeJoints
};

// Bits for the parts of a bike in every contact result.
constexpr unsigned kPartFrame = 0x01, kPartFrontWheel = 0x02, kPartRearWheel = 0x04, kPartForkUpper = 0x08,
                   kPartForkLower = 0x10, kPartSwingarm = 0x20, kPartRider = 0x40;
constexpr unsigned kPartFrontEnd = kPartFrontWheel | kPartForkLower;
// The part bit of each body, in body order.
constexpr unsigned kBodyPart[kBikeBodies] = {kPartFrame,     kPartFrontWheel, kPartRearWheel, kPartForkUpper,
                                             kPartForkLower, kPartSwingarm,   kPartRider};

// The rider's springs and dampers scale with his mass relative to 150 lb
// (4.6875 slugs).
constexpr double kRiderMassScale = 0.21333;

// The rider's inputs, as the controls' setters leave them.
struct BikeControls {
  float throttle = 0;     // 0..1
  float clutch = 0;       // engagement 0..1, 1 engaged
  float front_brake = 0;  // 0..1
  float rear_brake = 0;
  float steer = 0;    // -1..1
  float sit = 0;      // sit/dab 0..1
  float back_up = 0;  // 0..1
  float lean = 0;     // -1..1, positive toward the rear
  int gear = 0;       // 0 = first gear
  int last_shift = 0;  // -1, 0, +1
};

struct Drivetrain {
  double engine_speed = 0;     // rad/s
  double driveline_angle = 0;  // radians, -pi..pi
  double wheel_torque = 0;     // ft*lbf the clutch passed to the rear wheel in the last step
};

// Option bits of the setup block.
enum BikeOption : unsigned {
  kOptionArcade = 1u << 0,
  kOptionFrontAntilock = 1u << 1,
  kOptionRearAntilock = 1u << 2,
  kOptionAutoShift = 1u << 3,
  kOptionAutoDab = 1u << 4,
  kOptionAutoAlign = 1u << 5,
  kOptionStopWheeliesThrottle = 1u << 6,  // throttle cut in wheelies
  kOptionStopWheeliesBrake = 1u << 7,     // front brake release in stoppies
};

// The rider's setup, each value already converted and clamped. New bikes
// start with these built-in values until a setup is applied.
struct BikeSetup {
  // Stability and steering.
  float leveling = 20, roll_damping = 60;
  float roll_limit_angle = 0.785398163f, roll_limit_factor = 10;
  float steering_damping = 45, steering_strength = 75, max_steering_force = 400, direct_steering = 1;
  float slow_damping_speed = 0, slow_damping_factor = 1;
  float land_damping_falloff = 0.25f, land_damping_factor = 2;
  float full_lock_speed = 10, restricted_lock_speed = 50, restricted_lock = 0.0872665f;
  float max_dab_speed = 30;  // ft/s
  // Drivetrain and brakes.
  float auto_clutch_rpms = 5000;
  float front_brake_torque = 250, rear_brake_torque = 250;  // ft*lbf
  float final_drive = 1;  // rear sprocket / countershaft sprocket
  // Suspension, derived from the 0..100 settings.
  float fork_compression = 0, fork_rebound = 0, fork_spring_rate = 0, fork_preload = 0, fork_air_gap = 0;
  float shock_compression = 0, shock_rebound = 0, shock_spring_rate = 0, shock_preload = 0;
  float rider_vertical_spring = 0.5f, rider_forward_spring = 0.5f;
  float rider_vertical_damping = 0.5f, rider_forward_damping = 0.5f;
  float rider_mass_distribution = 1.0f / 3;  // share of the rider on the rider mass body
  unsigned options = kOptionFrontAntilock | kOptionAutoAlign | kOptionStopWheeliesBrake;
};

// Falls and knocks: the rider thrown off, and bumps from other bikes.
struct CrashState {
  int timer = 0;  // steps; positive while the rider is off the bike
  int count = 0;
  int trigger = 0;  // what threw him off the last time (CrashTrigger)
  float bump_timer = 0;
  int last_bike_contact_step = -1;
  int first_bike_contact_step = -1;
  double feet[2][3] = {};  // the fallen rider's free foot points
  double foot_velocities[2][3] = {};
};

// The rider's stability aids and what they show.
struct AssistState {
  float landing_damping = 2;  // multiplier, back to the factor off the ground
  float lean_indicator = 0;   // 0..1
  float dab = 0;              // 0..1, the rider's foot down
  bool settled = false;
};

// Where tyres pushed hard enough to dig, applied once the bike has gone.
struct RutEntry {
  float x = 0, z = 0, push_x = 0, push_z = 0;
};
constexpr int kRutRingSize = 1024;
struct RutRing {
  std::array<RutEntry, kRutRingSize> entries{};
  int head = 0;  // next to write
  int tail = 0;  // next to apply
};

// The rider mass body's last four velocities, newest at `next - 1`.
struct RiderVelocityRing {
  double v[4][3] = {};
  int next = 0;
};

struct Bike {
  BikeInfo info;  // the bike's own copy: its model stays if the table changes
  PhysicsWorld* world = nullptr;
  dBodyID body[kBikeBodies] = {};
  dJointID joint[kBikeJoints] = {};
  dJointFeedback feedback[kBikeJoints] = {};
  WheelContact wheel[2];    // front, rear
  PartShape shape[kBikeBodies];  // by body; the wheels' are for bike against bike
  BikeControls controls;
  Drivetrain drivetrain;
  BikeSetup setup;
  CrashState crash;
  float presence = 1;      // 1 simulated, 0 bodies disabled
  double total_mass = 0;   // slugs, the seven bodies
  int slot = 0;
  AssistState assist;
  RutRing ruts;
  RiderVelocityRing rider_velocities;
  double last_roll = 0;  // kept for a frame whose nose points straight up or down

  // Destroying the record destroys its bodies and joints: a bike must go
  // before its world does.
  Bike() = default;
  Bike(const Bike&) = delete;  // ODE holds pointers into the record
  Bike& operator=(const Bike&) = delete;
  ~Bike();
};

using BikePtr = std::unique_ptr<Bike>;

// Builds a bike of the named model (or its substitute, logged) in the
// creation pose, its collision shapes copied from the shared cache (a shape
// that does not load leaves its part without collision), its setup at the
// built-in values with the suspension at mid settings, and resets it.
BikePtr bike_create(PhysicsWorld& world, const char* name, int slot);

// Creation pose for every body, no motion, no forces; control inputs, crash
// state, contact records and histories cleared; the rider mount attached.
void bike_reset(Bike& bike);

// Attaches the rider mount between the rider mass and the frame as they
// stand, its anchor and axes taken from the frame's pose.
void bike_attach_rider(Bike& bike);

// How high a placement may raise a bike above the ground before giving up.
constexpr int kMaxPlacementRaises = 400;  // 100 ft in steps of 0.25 ft
// Resets the bike, turns it to heading (radians about y) and puts its
// origin at (x, ground height, z), raised in steps of 0.25 ft while any part
// touches the ground. False, with a log line, when it still touches after
// kMaxPlacementRaises raises (it is left at the last height).
bool bike_place(Bike& bike, const Terrain& ground, double x, double z, double heading);

// The total mass of the seven bodies in slugs.
double bike_mass_sum(const Bike& bike);
// Moves rider mass between the frame and the rider mass body: the rider
// mass body carries f of it (clamped to 0.33..0.5), the frame the rest.
void bike_set_rider_mass_distribution(Bike& bike, float f);
