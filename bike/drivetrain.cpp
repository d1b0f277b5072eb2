#include "bike/drivetrain.h"

#include <algorithm>
#include <cmath>

#include "bike/bike.h"
#include "platform/units.h"

namespace {

constexpr double kRadPerSecToRpm = 60 / (2 * kPi);
// Points of the torque map per rpm.
constexpr double kMapPointsPerRpm = 1 / double(kTorqueMapStepRpm);
// The automatic clutch closes over this many rpm above its setting.
constexpr double kAutoClutchSpan = 2000;
// The driveline's slip damping is limited to this torque, and the whole
// coupling to kCouplingLimit.
constexpr double kSlipTorqueLimit = 500;
constexpr double kCouplingLimit = 1e6;
// A fully engaged clutch holds up to a quarter turn of wind-up.
constexpr double kWindUpLimit = kPi / 4;
// The wheelie cut lets the throttle act again once the nose drops faster.
constexpr double kWheelieNoseDrop = -1.0 / 32;

// Into -pi..pi; anything that is not a number becomes 0.
double wrap_angle(double a) {
  if (!std::isfinite(a)) return 0;
  return a - 2 * kPi * std::floor((a + kPi) / (2 * kPi));
}

bool gear_exists(const BikeInfo& info, int gear) {
  return gear >= 0 && gear < kGearSlots && info.gear_ratios[gear] > 0;
}

// The highest gear the bike has at or below `gear`, or -1.
int existing_gear_at_or_below(const BikeInfo& info, int gear) {
  for (int g = std::min(gear, kGearSlots - 1); g >= 0; --g)
    if (gear_exists(info, g)) return g;
  return -1;
}

double sprocket_teeth(double catalogue, double adjustment) {
  if (std::isnan(adjustment)) adjustment = 0;
  adjustment = std::clamp(adjustment, -2.0, 2.0);
  const double teeth = std::floor(double(catalogue) + adjustment);
  return std::isfinite(teeth) ? std::max(3.0, teeth) : 3.0;
}

bool touches(const WheelContact& w) { return w.depth > 0; }
bool slides(const WheelContact& w) { return length(w.velocity) > kTyreSlideSpeed; }

void set_brake(dJointID axle, double torque) {
  if (!axle) return;
  dJointSetHingeParam(axle, dParamVel, 0);
  dJointSetHingeParam(axle, dParamFMax, torque);
}

// The clutch and the springy driveline between the engine and the rear
// wheel, and the engine's own motion.
void driveline_step(Bike& bike) {
  Drivetrain& d = bike.drivetrain;
  const BikeInfo& info = bike.info;
  dJointID axle = bike.joint[kJointRearAxle];
  const double G = drivetrain_ratio(bike);
  const double inertia = info.engine_inertia > 0 ? info.engine_inertia : 1;
  // The wheel's turn, forward positive.
  const double theta = axle ? dJointGetHingeAngle(axle) : 0;
  const double theta_rate = axle ? dJointGetHingeAngleRate(axle) : 0;
  const double clutch = std::clamp(double(bike.controls.clutch), 0.0, 1.0);
  d.wheel_torque = 0;
  if (!(G > 0) || !std::isfinite(theta) || !std::isfinite(theta_rate)) {
    // No gear to drive through: the engine runs free.
    d.driveline_angle = wrap_angle(theta);
    d.engine_speed += kStep * engineTorque(bike) / inertia;
    if (!std::isfinite(d.engine_speed)) d.engine_speed = 0;
    return;
  }
  const double rpm = engineRpm(bike);
  const double wind_up = wrap_angle(d.driveline_angle - theta);
  const double engaged = auto_clutch_engagement(clutch, rpm, bike.setup.auto_clutch_rpms);
  double coupling =
      std::clamp((d.engine_speed - theta_rate * G) * info.driveline_damping, -kSlipTorqueLimit, kSlipTorqueLimit) +
      wind_up * info.driveline_stiffness;
  coupling = std::isfinite(coupling) ? std::clamp(coupling, -kCouplingLimit, kCouplingLimit) : 0;
  // The automatic clutch only keeps the engine from stalling; a wheel that
  // drives the engine meets the clutch as the rider holds it.
  const double k = coupling >= 0 ? engaged : clutch;
  const double slip_limit = k * kWindUpLimit;
  if (wind_up > slip_limit) d.driveline_angle = theta + slip_limit;
  if (wind_up < -slip_limit) d.driveline_angle = theta - slip_limit;
  const double T = k * k * coupling;
  d.wheel_torque = T;
  if (T != 0) {
    // The wheel is driven forward (its turn about its axle is negative for
    // a bike going forward); the engine in the frame takes the reaction.
    dBodyAddRelTorque(bike.body[kBodyRearWheel], -T, 0, 0);
    dBodyAddRelTorque(bike.body[kBodyFrame], T, 0, 0);
  }
  d.engine_speed += kStep * (engineTorque(bike) - T / G) / inertia;
  if (!std::isfinite(d.engine_speed)) d.engine_speed = 0;
  d.driveline_angle = wrap_angle(d.driveline_angle + kStep * d.engine_speed / G);
}

}  // namespace

void bike_set_sprockets(Bike& bike, double countershaft_adjustment, double rear_adjustment) {
  const double rear = sprocket_teeth(bike.info.rear_sprocket_teeth, rear_adjustment);
  const double front = sprocket_teeth(bike.info.countershaft_teeth, countershaft_adjustment);
  bike.setup.final_drive = float(rear / front);
}

double drivetrain_ratio(const Bike& bike) {
  const BikeInfo& info = bike.info;
  const int gear = bike.controls.gear;
  if (!gear_exists(info, gear)) return 0;
  const double G = double(info.gear_ratios[gear]) * info.primary_ratio * bike.setup.final_drive;
  return std::isfinite(G) && G > 0 ? G : 0;
}

void shift(Bike& bike, int input) {
  if (bike.crash.timer > 0) return;
  if (input < -1 || input > 1) return;
  BikeControls& c = bike.controls;
  if (input == c.last_shift) return;
  c.last_shift = input;
  if (input == 0) return;
  const int wanted = std::clamp(c.gear + input, 0, kGearSlots - 1);
  const int gear = existing_gear_at_or_below(bike.info, wanted);
  if (gear >= 0) c.gear = gear;
}

double torque_map(const BikeInfo& info, double rpm, double throttle) {
  double x = rpm * kMapPointsPerRpm;
  x = std::isfinite(x) ? std::clamp(x, 0.0, double(kTorqueMapPoints - 1)) : 0;
  const int i = int(std::floor(x));
  const double r = x - i;
  const int j = std::min(i + 1, kTorqueMapPoints - 1);
  const double closed =
      info.closed_throttle_torque[i] + (info.closed_throttle_torque[j] - info.closed_throttle_torque[i]) * r;
  const double open = info.full_throttle_torque[i] + (info.full_throttle_torque[j] - info.full_throttle_torque[i]) * r;
  return closed + (open - closed) * std::clamp(throttle, 0.0, 1.0);
}

bool wheelie_cut(const Bike& bike) {
  if (!(bike.setup.options & kOptionStopWheeliesThrottle)) return false;
  if (touches(bike.wheel[0]) || !touches(bike.wheel[1])) return false;
  dBodyID frame = bike.body[kBodyFrame];
  if (!frame) return false;
  const Vec3 spin = unrotate(dBodyGetRotation(frame), vec3_of(dBodyGetAngularVel(frame)));
  return spin.x > kWheelieNoseDrop;
}

double engineTorque(const Bike& bike) {
  const double torque = torque_map(bike.info, engineRpm(bike), bike.controls.throttle);
  if (torque > 0 && wheelie_cut(bike)) return 0;
  return torque;
}

double engineRpm(const Bike& bike) { return bike.drivetrain.engine_speed * kRadPerSecToRpm; }

double auto_clutch_engagement(double clutch, double rpm, double auto_clutch_rpms) {
  if (rpm > auto_clutch_rpms + kAutoClutchSpan) return clutch;
  return std::min(clutch, std::clamp((rpm - auto_clutch_rpms) / kAutoClutchSpan, 0.0, 1.0));
}

double brake_torque(const Bike& bike, int wheel) {
  const bool front = wheel == 0;
  const BikeSetup& s = bike.setup;
  const double input = std::clamp(double(front ? bike.controls.front_brake : bike.controls.rear_brake), 0.0, 1.0);
  const double most = front ? s.front_brake_torque : s.rear_brake_torque;
  double torque = std::isfinite(most) ? std::max(0.0, most * input) : 0;
  const WheelContact& w = bike.wheel[front ? 0 : 1];
  const unsigned antilock = front ? kOptionFrontAntilock : kOptionRearAntilock;
  if ((s.options & antilock) && touches(w) && slides(w)) torque = 0;
  if (front && (s.options & kOptionStopWheeliesBrake) && touches(bike.wheel[0]) && !touches(bike.wheel[1]))
    torque = 0;
  return torque;
}

void automatic_shift(Bike& bike, int step) {
  if (!(bike.setup.options & kOptionAutoShift)) return;
  if (step % kAutoShiftEvery != 0) return;
  dJointID pivot = bike.joint[kJointSwingarmPivot], axle = bike.joint[kJointRearAxle];
  if (!pivot || !axle) return;
  if (!(dJointGetHingeAngle(pivot) < -kAutoShiftSwingarm)) return;
  const WheelContact& rear = bike.wheel[1];
  if (touches(rear) && length(rear.velocity) > kTyreSlideSpeed) return;
  const double wheel_rpm = dJointGetHingeAngleRate(axle) * drivetrain_ratio(bike) * kRadPerSecToRpm;
  BikeControls& c = bike.controls;
  int target = c.gear;
  if (wheel_rpm < bike.info.downshift_rpm)
    target = c.gear - 1;
  else if (wheel_rpm > bike.info.upshift_rpm)
    target = c.gear + 1;
  else
    return;
  target = std::clamp(target, 0, kGearSlots - 1);
  const int gear = existing_gear_at_or_below(bike.info, target);
  if (gear >= 0) c.gear = gear;
}

void drivetrainStep(Bike& bike, int step) {
  automatic_shift(bike, step);
  driveline_step(bike);
  set_brake(bike.joint[kJointFrontAxle], brake_torque(bike, 0));
  set_brake(bike.joint[kJointRearAxle], brake_torque(bike, 1));
}
