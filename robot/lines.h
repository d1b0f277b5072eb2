// Lines: short recorded paths between two switch points that robots replay,
// with the statistics of the robots that rode them. Every segment of the
// track has kLineSlots of them.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "robot/line_segments.h"

struct TimingGates;

constexpr int kLineSlots = 45;
// Times and bests of a line that has none.
constexpr int kNoTime = 1000000;
// A line is sampled every this many steps (0.25 s).
constexpr int kSampleSteps = 32;
// Longest line kept (about 17 minutes of riding in one segment).
constexpr int kMaxLinePoints = 4096;
// What a failure costs in the expected time and the plan (5 s).
constexpr int kFailureSteps = 640;
// last_picked of a line no robot has picked.
constexpr int kNeverPicked = -1000000;
// Statistics are kept within these (on loading and saving).
constexpr int64_t kStatSumLimit = 100000000;
constexpr int kStatCountLimit = 65535;

struct LinePoint {
  float position[3];  // the bike frame's
  float speed;        // the frame's; negative while neither wheel touches
  float lean;         // radians
};
static_assert(sizeof(LinePoint) == 20, "a line point is five floats");

struct Line {
  std::vector<LinePoint> points;  // empty: a free slot
  int time_first = kNoTime;       // steps its recording took over its segment
  int time_both = kNoTime;        // over its segment and the next
  int runs = 0;                   // robot runs completed on it
  int best_first = kNoTime;
  int best_both = kNoTime;
  int64_t sum_first = 0;  // of the robots' times
  int64_t sum_both = 0;
  int failures = 0;  // crashes, resets and leaving it
  int last_picked = kNeverPicked;
  int id = 0;

  bool empty() const { return points.empty(); }
  int point_count() const { return static_cast<int>(points.size()); }
};

using LineSlots = std::array<Line, kLineSlots>;

// Per plan type: the line chosen for every segment of the lap plan.
constexpr int kPlanTypes = 4;
struct LapPlan {
  std::vector<int> chosen;  // line id per segment, 0 for none
  double first_lap = 0;     // planned totals, seconds
  double normal_lap = 0;
};

struct LineTable {
  SegmentMap map;
  std::vector<LineSlots> segments;
  int next_id = 1;
  LapPlan plans[kPlanTypes];
};

// Empty slots for every segment of the track's gates; the plans are cleared.
void lines_reset(LineTable& table, const TimingGates& gates);
// Frees every slot, keeping the segment map.
void lines_clear(LineTable& table);
// A free slot's values, with a new id for a line about to be stored.
void line_free(Line& line);
int line_new_id(LineTable& table);
// The line with this id in a table segment, or null.
Line* line_find(LineTable& table, int segment, int id);

// Steps a robot can expect to need on the line over its segment and the
// next: its own recording's time (plus a failure) while untried, else the
// robots' mean plus the failure share.
double line_expected_time(const Line& line);
// The slot to give up in a full segment: the highest expected time, a line
// that starts 2 ft or more from every other counting at three quarters
// (it covers ground no other does). -1 when every slot is free.
int line_choose_eviction(const LineSlots& slots);
