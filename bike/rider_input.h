// The nine values a rider hands to his bike each step: steer, throttle,
// both brakes, shift, clutch, sit/dab, back up and lean. The player's
// controls and the robots' auto pilot both speak in these.
#pragma once

enum RiderAction {
  SteerAction, ThrottleAction, FrontBrakeAction, RearBrakeAction, ShiftAction,
  ClutchAction, SitDabAction, BackUpAction, LeanAction,
  kActionCount
};

struct RiderInput {
  double steer = 0, throttle = 0, front_brake = 0, rear_brake = 0;
  int shift = 0;  // -1, 0, +1
  double sit = 0, back_up = 0, lean = 0, clutch = 1;
};

// Engagement of the clutch for a lever value: 1 - lever * 8/7 clamped to
// 0..1; it may fall at once but rises by at most 4 per second.
double clutch_engagement(double lever, double current_engagement);
