// What the auto pilot keeps per bike, and what it reads of a bike each
// step. Every bike has the state: riders without a personality record their
// path into it, robots follow theirs.
#pragma once
#include <vector>

#include "robot/lines.h"

// Path points kept behind the target (and searched for the bike's place on
// the path), and searched ahead of it.
constexpr int kPathBehind = 30;
constexpr int kPathAhead = 10;

// The bike frame as the auto pilot sees it (world units: feet, y up).
struct RiderFrame {
  double position[3] = {0, 0, 0};
  double velocity[3] = {0, 0, 0};
  double heading[3] = {0, 0, -1};  // the frame's forward axis
  double speed = 0;                // |velocity|
  double lean = 0;                 // radians, from the frame orientation
  bool airborne = false;           // neither wheel touches the ground
};

// A line being ridden, remembered for its statistics.
struct RiddenLine {
  int id = 0;  // 0: none
  int segment = -1;
};

// The start at the gate: the throttle blips while the riders wait, the
// moment the clutch comes out.
struct RobotStart {
  bool prepared = false;
  bool blip_open = false;
  int blip_until = -1;   // step at which the throttle next opens or closes
  int hold_until = -1;   // step drawn 5.125..5.5 s after the reset
  int release = -1;      // step at which the clutch starts to come out
};

// What the riding keeps from one step to the next.
struct RobotRiding {
  double throttle = 0;
  int grip_limited_step = -1000000;  // when the ground last limited the lean
};

struct RobotState {
  RobotStart start;
  RobotRiding riding;
  int personality = 0;  // 0: not a robot
  // The path being followed: the picked lines one after another.
  std::vector<LinePoint> path;
  int target = 0;       // index of the target point
  int target_step = 0;  // step at which the target last advanced
  int next_segment = 0; // unrolled segment the next pick is for
  RiddenLine ridden[4]; // by unrolled segment mod 4
  // Recordings of the current and the previous segment (by segment parity)
  // and whether a crash spoiled them.
  std::vector<LinePoint> recording[2];
  bool spoiled[2] = {false, false};
  int lookahead = 0;  // shorter look-ahead for this many target advances
};

// A fresh state (empty path, no recordings) with the personality (0..4).
void robot_state_reset(RobotState& state, int personality);
// The personality by name (an unknown name is logged and gives alder).
void set_personality(RobotState& state, const char* name);
// Forget every remembered line (the present runs do not count).
void robot_forget_lines(RobotState& state);

// Extra log lines (each pick) at 1 ("--debug") and above.
void robot_set_debug_level(int level);
int robot_debug_level();
