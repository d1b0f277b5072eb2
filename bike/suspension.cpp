#include "bike/suspension.h"

#include <algorithm>
#include <cmath>

#include "bike/bike.h"

namespace {

// The air column's pressure at full extension, in lbf.
constexpr double kAirSpringForce = 82.46169;
// Air is compressed quickly enough to heat: the adiabatic exponent.
constexpr double kAirExponent = 1.4;
// Well past any speed a fork or swingarm moves at: a motor aiming for it
// pushes with its whole force limit.
constexpr double kMotorSpeed = 100;

float along(const float range[2], float setting) {
  const float t = std::clamp(setting * 0.01f, 0.0f, 1.0f);
  return range[0] + t * (range[1] - range[0]);
}

// 0.5 at setting 0, 1 at 50, 2 at 100.
float damping_factor(float setting) { return std::clamp(std::exp2(setting * 0.02f - 1), 0.5f, 2.0f); }

float unit_setting(float setting) { return std::clamp(setting * 0.01f, 0.0f, 1.0f); }

void set_motor(dJointID joint, bool slider, double force) {
  if (!joint || !std::isfinite(force)) return;
  auto set = slider ? dJointSetSliderParam : dJointSetHingeParam;
  set(joint, dParamVel, force >= 0 ? kMotorSpeed : 0);
  set(joint, dParamFMax, std::fabs(force));
}

}  // namespace

void suspension_defaults(const BikeInfo& info, BikeSetup& s) {
  s.fork_spring_rate = along(info.fork_spring_rate, 50);
  s.fork_preload = along(info.fork_preload, 50);
  s.fork_air_gap = along(info.fork_air_gap, 50);
  s.fork_compression = info.fork_compression_damping;
  s.fork_rebound = info.fork_rebound_damping;
  s.shock_spring_rate = along(info.shock_spring_rate, 50);
  s.shock_preload = along(info.shock_preload, 50);
  s.shock_compression = info.shock_compression_damping;
  s.shock_rebound = info.shock_rebound_damping;
  s.rider_vertical_spring = s.rider_forward_spring = 0.5f;
  s.rider_vertical_damping = s.rider_forward_damping = 0.5f;
}

void bike_apply_suspension(Bike& bike, const SuspensionSettings& in) {
  const BikeInfo& info = bike.info;
  BikeSetup& s = bike.setup;
  s.fork_compression = damping_factor(in.fork_compression) * info.fork_compression_damping;
  s.fork_rebound = damping_factor(in.fork_rebound) * info.fork_rebound_damping;
  s.fork_spring_rate = along(info.fork_spring_rate, in.fork_spring);
  s.fork_preload = along(info.fork_preload, in.fork_preload);
  s.fork_air_gap = along(info.fork_air_gap, in.fork_oil_level);
  s.shock_compression = damping_factor(in.shock_compression) * info.shock_compression_damping;
  s.shock_rebound = damping_factor(in.shock_rebound) * info.shock_rebound_damping;
  s.shock_spring_rate = along(info.shock_spring_rate, in.shock_spring);
  s.shock_preload = along(info.shock_preload, in.shock_preload);
  s.rider_vertical_spring = unit_setting(in.rider_vertical_spring);
  s.rider_vertical_damping = unit_setting(in.rider_vertical_damping);
  s.rider_forward_spring = unit_setting(in.rider_forward_spring);
  s.rider_forward_damping = unit_setting(in.rider_forward_damping);
  rider_mount_damping(bike);
}

double fork_force(const BikeInfo& info, const BikeSetup& s, double p, double v) {
  const double travel = info.fork_travel;
  if (!(travel > 0)) return 0;
  const double c = v >= 0 ? s.fork_rebound : s.fork_compression;
  const double coil = (s.fork_preload - p) * s.fork_spring_rate - c * v;
  const double d = std::clamp(-p, 0.0, travel);
  const double column = travel + s.fork_air_gap;
  const double squeezed = column - d;
  const double air = squeezed > 0 ? kAirSpringForce * (std::pow(column / squeezed, kAirExponent) - 1) : 0;
  // The spring only takes hold over the first thirty-second of travel, so
  // the fork tops out without a knock.
  const double ramp = d * 32 / travel;
  if (ramp < 0) return 0;
  return (air + coil) * std::min(1.0, ramp);
}

double shock_torque(const BikeInfo& info, const BikeSetup& s, double theta, double omega) {
  const double travel = info.swingarm_travel;
  if (!(travel > 0)) return 0;
  // q runs 0..1 over the travel; the leverage runs from the top ratio to the
  // bottom one, and the stroke is its integral.
  const double q = -theta / travel;
  const double top = info.linkage_ratio_top, bottom = info.linkage_ratio_bottom;
  const double u = (bottom - top) * q;
  const double stroke = top * q + 0.5 * q * u;
  const double leverage = top + u;
  const double damping = -omega * (omega >= 0 ? s.shock_rebound : s.shock_compression);
  const double ramp = std::clamp(theta / (-travel / 32), 0.0, 1.0);
  return (leverage * (stroke + s.shock_preload) * s.shock_spring_rate + leverage * leverage * damping) * ramp;
}

void suspension_step(Bike& bike) {
  dJointID fork = bike.joint[kJointForkSlider];
  dJointID pivot = bike.joint[kJointSwingarmPivot];
  if (fork)
    set_motor(fork, true,
              fork_force(bike.info, bike.setup, dJointGetSliderPosition(fork), dJointGetSliderPositionRate(fork)));
  if (pivot)
    set_motor(pivot, false,
              shock_torque(bike.info, bike.setup, dJointGetHingeAngle(pivot), dJointGetHingeAngleRate(pivot)));
}

void rider_mount_damping(Bike& bike) {
  dJointID mount = bike.joint[kJointRiderMount];
  if (!mount) return;
  const double damping = bike.info.rider_mass * kRiderMassScale * (bike.setup.rider_forward_damping * 30 + 5);
  dJointSetHinge2Param(mount, dParamSuspensionERP, 0);
  if (damping > 0) dJointSetHinge2Param(mount, dParamSuspensionCFM, 1 / damping);
}
