// A robot's path: picking the next line onto it and moving the target
// along it as the bike rides.
#pragma once

#include "robot/lines.h"
#include "robot/robot_state.h"

// What a robot's step knows when it picks and follows.
struct DriveInputs {
  RiderFrame frame;
  int race_step = 0;
  int start_step = 0;
  // The robot's lead over the second rider at the last gate both passed,
  // in seconds (0 or less when it is not leading).
  double lead_seconds = 0;
};

// Picks the line for segment state.next_segment and appends it to the
// path: each line of the segment scores by the look-ahead plan over 8
// segments, how well it continues the path (or, with no path yet, how near
// it starts), and how long ago a robot last picked it. False when the
// segment has no line; the path is then left as it is.
bool pick_line(LineTable& table, RobotState& state, const DriveInputs& in);

// One step along the path: the target moves on by at most one point, the
// next line is picked when the target comes within 10 points of the path's
// end (a failed pick shortens the look-ahead for 3 advances). A target that
// has not moved for 3 s of race time shortens the look-ahead, and the
// controls are to be left as they are for that step.
struct PathStep {
  bool hold_controls = false;
  bool has_path = false;
  double position = 0;  // fractional index of the path point nearest the frame
};
PathStep follow_path(LineTable& table, RobotState& state, const DriveInputs& in);
