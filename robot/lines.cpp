#include "robot/lines.h"

#include "robot/line_geometry.h"
#include "track/timing_gates.h"

void line_free(Line& line) { line = Line(); }

void lines_clear(LineTable& table) {
  for (LineSlots& slots : table.segments)
    for (Line& line : slots) line_free(line);
  for (LapPlan& plan : table.plans) plan = LapPlan();
}

void lines_reset(LineTable& table, const TimingGates& gates) {
  table.map = segment_map_build(gates);
  table.segments.assign(static_cast<size_t>(table.map.segments()), LineSlots());
  for (LapPlan& plan : table.plans) plan = LapPlan();
}

int line_new_id(LineTable& table) {
  // Ids stay positive; after two billion lines the counter starts again.
  if (table.next_id <= 0) table.next_id = 1;
  return table.next_id++;
}

Line* line_find(LineTable& table, int segment, int id) {
  if (id <= 0 || segment < 0 || segment >= static_cast<int>(table.segments.size())) return nullptr;
  for (Line& line : table.segments[segment])
    if (!line.empty() && line.id == id) return &line;
  return nullptr;
}

double line_expected_time(const Line& l) {
  if (l.runs <= 0) return l.time_both * 1.25 + (l.failures > 0 ? kFailureSteps : 0);
  return static_cast<double>(l.sum_both) / l.runs + static_cast<double>(kFailureSteps) * l.failures / (l.runs + l.failures);
}

int line_choose_eviction(const LineSlots& slots) {
  int worst = -1;
  double worst_value = 0;
  for (int i = 0; i < kLineSlots; ++i) {
    if (slots[i].empty()) continue;
    bool alone = true;
    for (int j = 0; j < kLineSlots && alone; ++j)
      if (j != i && !slots[j].empty() && distance_squared(slots[i].points[0], slots[j].points[0]) < 4.0) alone = false;
    double value = line_expected_time(slots[i]);
    if (alone) value *= 0.75;
    if (worst < 0 || value > worst_value) {
      worst = i;
      worst_value = value;
    }
  }
  return worst;
}
