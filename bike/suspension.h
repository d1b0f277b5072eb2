// The fork and the shock as joint motors with coil springs, preload, an air
// spring in the fork, a top-out ramp and direction-dependent damping, and
// the rider's suspension settings that set their values.
#pragma once

struct Bike;
struct BikeInfo;
struct BikeSetup;

// The rider's suspension settings, each 0..100 with 50 in the middle.
struct SuspensionSettings {
  float fork_compression = 50, fork_rebound = 50, fork_spring = 50, fork_preload = 50, fork_oil_level = 50;
  float shock_compression = 50, shock_rebound = 50, shock_spring = 50, shock_preload = 50;
  float rider_vertical_spring = 50, rider_vertical_damping = 50;
  float rider_forward_spring = 50, rider_forward_damping = 50;
};

// The setup values of mid settings: spring rates, preloads and the air gap
// halfway along their ranges, dampers at their base coefficients, the rider
// springs and dampers at 0.5.
void suspension_defaults(const BikeInfo& info, BikeSetup& setup);
// Converts and clamps settings into the setup and updates the rider mount's
// damping.
void bike_apply_suspension(Bike& bike, const SuspensionSettings& s);

// Force along the fork slider (positive extends) at slider position p
// (0 fully extended, negative compressed) moving at rate v.
double fork_force(const BikeInfo& info, const BikeSetup& setup, double p, double v);
// Torque on the swingarm pivot (positive extends) at pivot angle theta (0
// fully extended, negative compressed) turning at rate omega.
double shock_torque(const BikeInfo& info, const BikeSetup& setup, double theta, double omega);

// Sets the fork and shock motors for the next world step: a motor that
// pushes toward extension with the force, or one that only brakes the
// motion when the force is negative.
void suspension_step(Bike& bike);
// The rider mount's damping along its suspension axis.
void rider_mount_damping(Bike& bike);
