// The twenty player controls, the analog control table that sums them into
// the nine rider actions, and the rules that turn the sums into the bike's
// inputs.
#pragma once
#include "bike/rider_input.h"

enum Control {
  ThrottleControl, FrontBrakeControl, RearBrakeControl, LeftControl, RightControl,
  ClutchControl, UpshiftControl, DownshiftControl, SitDabControl, BackUpControl,
  LeanForwardControl, LeanBackwardControl,
  PauseControl, StepControl, RewindControl, SkipControl, PreviousBikeControl,
  NextBikeControl, ChatControl, ScreenshotControl,
  kPlayerControlCount
};

struct AxisHandle;

// What the main loop needs of a binding: its key code (0: none), its open
// axis (none: null) with the calibrated range, and its current value 0..1.
// Labels and default keys are the bindings' (config/settings).
struct ControlState {
  int key_code = 0;
  AxisHandle* axis = nullptr;
  double low = 0, high = 1;
  double value = 0;
};

ControlState* control_states();  // kPlayerControlCount entries

struct AnalogRow {
  Control control;
  RiderAction action;
  double weight;
};
extern const AnalogRow kAnalogControlTable[12];

// Value of an axis reading (raw / 32768) within the range low..high,
// clamped to 0..1; 0 for an empty range.
double axis_value(double raw, double low, double high);

// The nine action sums of the table over the controls' current values.
void sum_actions(const ControlState* controls, double sums[kActionCount]);

// Sets the value of every analog control bound to this key; true when one
// was.
bool press_analog_key(ControlState* controls, int code, bool pressed);

// Remembers the sit/dab sum between steps for the toggle option.
struct SitToggle {
  double previous_sum = 0;
  double value = 0;
};

struct ControlOptions {
  bool reverse_steering = false;
  bool toggle_sit = false;
};

// The inputs handed to the watched bike.
RiderInput rider_controls(const double sums[kActionCount], const ControlOptions& options,
                             SitToggle& sit, double current_clutch);
