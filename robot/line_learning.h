// Learning lines while racing: riders without a personality record their
// path, and each stretch they ride cleanly is offered as a new line; robots
// keep the statistics of the lines they ride.
#pragma once
#include <span>

#include "robot/lines.h"
#include "robot/robot_state.h"

// Every step, for every rider: a rider without a personality appends a
// point of its frame every kSampleSteps steps from the gate drop on to the
// recording of its segment; a crash mark spoils that recording.
void record_sample(const SegmentMap& map, RobotState& state, const RiderFrame& frame, int gates_passed,
                   int crash_mark, int race_step, int start_step);

// An accepted crossing of a timing gate, as the crossing test saw it.
struct LineCrossing {
  int gate = 0;                     // race gate crossed
  int expected = 0;                 // gates_passed before the crossing
  std::span<const int> gate_steps;  // per race gate, -1 missed; gate_steps[gate] already set
  int race_step = 0;
  int start_step = 0;
  int crash_mark = 0;
  RiderFrame frame;
};

// Called on every accepted crossing, before gates_passed moves on. A crash
// mark spoils the current recording; a skip or a step back clears both
// recordings. Crossing switch point s + 1 judges segment s: a robot's line
// of that segment gets a run (or a failure when the robot is off it or
// missed a gate), and the recording of a rider without a personality is
// offered as a line of that segment.
void learn_at_gate(LineTable& table, RobotState& state, const LineCrossing& crossing);

// Every step for a robot: on a fresh crash mark (1) the line in use fails,
// and the one before it too when the crash came within 1 s of the last
// gate; the mark becomes 2 and the remembered lines are forgotten.
void robot_crash_check(LineTable& table, RobotState& state, int& crash_mark, int gates_passed, int last_gate_step,
                       int race_step);

// When a robot finishes: the speeds of the rest of its path fade towards a
// quarter of their value at the end.
void robot_finish_fade(RobotState& state);

// Whether a robot rides on its path: within 4 ft of it, and the path there
// at least 15/16 as fast as the robot.
bool robot_on_line(const RobotState& state, const RiderFrame& frame);

// A line point of the frame (speed negative in the air).
LinePoint line_point_of(const RiderFrame& frame);
