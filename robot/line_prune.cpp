#include "robot/line_prune.h"

#include <algorithm>

#include "platform/log.h"
#include "robot/line_geometry.h"

namespace {
constexpr int kCrowded = 44;

// Whether line b has done worse than line a: no runs against runs, a
// slower mean, or (both untried) a slower recording.
bool has_done_worse(const Line& b, const Line& a) {
  if (b.runs > 0 && a.runs > 0)
    return static_cast<double>(b.sum_both) / b.runs > static_cast<double>(a.sum_both) / a.runs;
  if (b.runs > 0 || a.runs > 0) return b.runs == 0;
  return b.time_both > a.time_both;
}

void prune_segment(LineSlots& slots, int segment) {
  int count = 0;
  for (const Line& l : slots) count += l.empty() ? 0 : 1;
  if (count < kCrowded) return;
  const int before = count;
  bool cross[kLineSlots][kLineSlots] = {};
  for (int i = 0; i < kLineSlots; ++i)
    for (int j = i + 1; j < kLineSlots; ++j)
      if (!slots[i].empty() && !slots[j].empty())
        cross[i][j] = cross[j][i] = polylines_cross(slots[i].points, slots[j].points);
  while (count >= kCrowded) {
    int most = -1, most_crossed = -1;
    for (int i = 0; i < kLineSlots; ++i) {
      if (slots[i].empty()) continue;
      int crossed = 0;
      for (int j = 0; j < kLineSlots; ++j) crossed += (!slots[j].empty() && cross[i][j]) ? 1 : 0;
      if (crossed > most_crossed || (crossed == most_crossed && has_done_worse(slots[i], slots[most]))) {
        most = i;
        most_crossed = crossed;
      }
    }
    line_free(slots[most]);
    --count;
    const int evict = line_choose_eviction(slots);
    if (evict >= 0) {
      line_free(slots[evict]);
      --count;
    }
  }
  tarn_log("auto pilot: segment %d pruned from %d to %d lines\n", segment, before, count);
}
}  // namespace

void prune_lines(LineTable& table) {
  const int first = std::min(table.map.first_segments(), static_cast<int>(table.segments.size()));
  for (int s = 0; s < first; ++s) prune_segment(table.segments[s], s);
}
