// What a line costs a robot, and the cheapest chains of linked lines over
// a run of segments (the lap plan and a robot's look-ahead).
#pragma once
#include <array>
#include <vector>

#include "robot/lines.h"

// The cost of a line a plan type cannot use, and of a break in a chain.
constexpr double kUnusable = 1000000;

// Steps a line is expected to cost under a plan type: 0 and 1 want 5 runs
// and weigh failures as 5 s each (1 a little more), 2 wants one run and
// weighs failures four times; 3 explores: untried lines first, then the
// least tried, with lines that mostly fail put far back.
double line_cost(const Line& line, int type);

// Lines with at least two points take part in plans and picks.
bool line_takes_part(const Line& line);

// The cheapest chains over a window of table segments in race order,
// worked back from the last: a line's total is its cost plus the cheapest
// total among the lines of the next segment it links to. A chain ends
// without cost where the next segment has no lines, and at kUnusable more
// where none of them links.
struct WindowPlan {
  std::vector<int> segments;
  std::vector<std::array<double, kLineSlots>> total;  // -1 for slots that take no part
  std::vector<std::array<int, kLineSlots>> next;      // -1 where the chain ends
};
void plan_window(const LineTable& table, const std::vector<int>& segments, int type, WindowPlan& out);
// The slot with the lowest total at window entry k; -1 when none.
int window_best(const WindowPlan& plan, int k);

// The lap plan of a type: the chosen line of every segment and the planned
// first and normal lap ("First lap: %f", "Normal lap: %f" in seconds).
void plan_laps(LineTable& table, int type);
