#include "robot/robot_state.h"

#include "robot/personalities.h"

namespace {
int g_debug_level = 0;
}

void robot_state_reset(RobotState& state, int personality) {
  state = RobotState();
  state.personality = personality >= 0 && personality < kPersonalityCount ? personality : kAlder;
}

void set_personality(RobotState& state, const char* name) { state.personality = personality_index(name); }

void robot_forget_lines(RobotState& state) {
  for (RiddenLine& r : state.ridden) r = RiddenLine();
}

void robot_set_debug_level(int level) { g_debug_level = level; }
int robot_debug_level() { return g_debug_level; }
