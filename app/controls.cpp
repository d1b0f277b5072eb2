#include "app/controls.h"

#include <algorithm>


ControlState* control_states() {
  static ControlState states[kPlayerControlCount];
  return states;
}

const AnalogRow kAnalogControlTable[12] = {
    {LeftControl, SteerAction, +1},
    {RightControl, SteerAction, -1},
    {ThrottleControl, ThrottleAction, +1},
    {FrontBrakeControl, FrontBrakeAction, +1},
    {RearBrakeControl, RearBrakeAction, +1},
    {UpshiftControl, ShiftAction, +1},
    {DownshiftControl, ShiftAction, -1},
    {ClutchControl, ClutchAction, +1},
    {SitDabControl, SitDabAction, +1},
    {BackUpControl, BackUpAction, +1},
    {LeanForwardControl, LeanAction, -1},
    {LeanBackwardControl, LeanAction, +1},
};

double axis_value(double raw, double low, double high) {
  // A range of zero width would divide by zero and hand NaN to the bike.
  if (high == low) return 0;
  return std::clamp((raw / 32768 - low) / (high - low), 0.0, 1.0);
}

void sum_actions(const ControlState* controls, double sums[kActionCount]) {
  std::fill(sums, sums + kActionCount, 0.0);
  for (const AnalogRow& row : kAnalogControlTable) sums[row.action] += row.weight * controls[row.control].value;
}

bool press_analog_key(ControlState* controls, int code, bool pressed) {
  if (code == 0) return false;
  bool found = false;
  for (const AnalogRow& row : kAnalogControlTable) {
    if (controls[row.control].key_code == code) {
      controls[row.control].value = pressed ? 1.0 : 0.0;
      found = true;
    }
  }
  return found;
}

RiderInput rider_controls(const double sums[kActionCount], const ControlOptions& options,
                             SitToggle& sit, double current_clutch) {
  RiderInput c;
  c.steer = options.reverse_steering ? -sums[SteerAction] : sums[SteerAction];
  c.throttle = sums[ThrottleAction];
  c.front_brake = sums[FrontBrakeAction];
  c.rear_brake = sums[RearBrakeAction];
  c.shift = sums[ShiftAction] > 0.5 ? 1 : sums[ShiftAction] < -0.5 ? -1 : 0;
  double sit_sum = sums[SitDabAction];
  if (options.toggle_sit) {
    if (sit.previous_sum <= 0.5 && sit_sum > 0.5) sit.value = sit.value > 0 ? 0 : 1;
    c.sit = sit.value;
  } else {
    c.sit = sit_sum;
  }
  sit.previous_sum = sit_sum;
  c.back_up = sums[BackUpAction];
  c.lean = sums[LeanAction];
  c.clutch = clutch_engagement(sums[ClutchAction], current_clutch);
  return c;
}
