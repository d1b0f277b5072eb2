#include "robot/line_plan.h"

#include <algorithm>
#include <bit>

#include "platform/log.h"
#include "platform/units.h"
#include "robot/line_geometry.h"

bool line_takes_part(const Line& line) { return line.point_count() >= 2; }

double line_cost(const Line& l, int type) {
  const double r = l.runs, f = l.failures;
  const double share = r + f > 0 ? f / (r + f) : 0;
  const double mean = l.runs > 0 ? static_cast<double>(l.sum_first) / l.runs : 0;
  switch (type) {
    case 0:
      return l.runs >= 5 ? mean + kFailureSteps * std::clamp(share, 0.0, 1.0) : kUnusable;
    case 1:
      return l.runs >= 5 ? mean + kFailureSteps * std::clamp(8.0 / 7.0 * share, 0.0, 1.0) : kUnusable;
    case 2:
      return l.runs >= 1 ? mean + kFailureSteps * std::clamp(4.0 * share, 0.0, 1.0) : kUnusable;
    case 3: {
      if (l.runs + l.failures > 5 && 4 * l.runs < l.failures) return 100000;
      if (l.runs + l.failures == 0) return 0;
      const unsigned tries = static_cast<unsigned>(l.runs) + 4u * static_cast<unsigned>(l.failures);
      return 1000.0 * (std::bit_width(tries) + 4);
    }
    default:
      return kUnusable;
  }
}

namespace {
bool segment_has_lines(const LineTable& table, int segment) {
  if (segment < 0 || segment >= static_cast<int>(table.segments.size())) return false;
  for (const Line& l : table.segments[segment])
    if (line_takes_part(l)) return true;
  return false;
}
}  // namespace

void plan_window(const LineTable& table, const std::vector<int>& segments, int type, WindowPlan& out) {
  const int n = static_cast<int>(segments.size());
  out.segments = segments;
  out.total.assign(static_cast<size_t>(n), {});
  out.next.assign(static_cast<size_t>(n), {});
  for (int k = n - 1; k >= 0; --k) {
    out.total[k].fill(-1);
    out.next[k].fill(-1);
    const int seg = segments[k];
    if (seg < 0 || seg >= static_cast<int>(table.segments.size())) continue;
    const bool chain_goes_on = k + 1 < n && segment_has_lines(table, segments[k + 1]);
    for (int i = 0; i < kLineSlots; ++i) {
      const Line& a = table.segments[seg][i];
      if (!line_takes_part(a)) continue;
      double rest = 0;
      if (chain_goes_on) {
        const LineSlots& following = table.segments[segments[k + 1]];
        int& best = out.next[k][i];
        for (int j = 0; j < kLineSlots; ++j) {
          const double t = out.total[k + 1][j];
          if (t < 0 || (best >= 0 && t >= out.total[k + 1][best]) || !lines_link(a, following[j])) continue;
          best = j;
        }
        rest = best >= 0 ? out.total[k + 1][best] : kUnusable;
      }
      out.total[k][i] = line_cost(a, type) + rest;
    }
  }
}

int window_best(const WindowPlan& plan, int k) {
  if (k < 0 || k >= static_cast<int>(plan.total.size())) return -1;
  int best = -1;
  for (int i = 0; i < kLineSlots; ++i) {
    const double t = plan.total[k][i];
    if (t >= 0 && (best < 0 || t < plan.total[k][best])) best = i;
  }
  return best;
}

namespace {
// Chooses the lines of one lap's segments; returns the lap's planned steps.
double plan_lap(LineTable& table, int from, int count, int type, std::vector<int>& chosen) {
  if (count <= 0) return 0;
  std::vector<int> segments(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) segments[k] = from + k;
  WindowPlan w;
  plan_window(table, segments, type, w);
  double total = 0;
  int slot = -1;
  for (int k = 0; k < count; ++k) {
    // Where the chain broke, the next segment starts a chain of its own.
    if (slot < 0) slot = window_best(w, k);
    if (slot < 0) continue;
    const Line& line = table.segments[segments[k]][slot];
    chosen[segments[k]] = line.id;
    total += line_cost(line, type);
    const int next = w.next[k][slot];
    if (next < 0 && k + 1 < count && segment_has_lines(table, segments[k + 1])) total += kUnusable;
    slot = next;
  }
  return total;
}
}  // namespace

void plan_laps(LineTable& table, int type) {
  if (type < 0 || type >= kPlanTypes) return;
  LapPlan& plan = table.plans[type];
  plan.chosen.assign(table.segments.size(), 0);
  const int first = table.map.first_segments(), normal = table.map.normal_segments();
  const int segments = static_cast<int>(table.segments.size());
  plan.first_lap = plan_lap(table, 0, std::min(first, segments), type, plan.chosen) * kStep;
  plan.normal_lap = plan_lap(table, first, std::min(normal, segments - first), type, plan.chosen) * kStep;
  tarn_log("First lap: %f\n", plan.first_lap);
  tarn_log("Normal lap: %f\n", plan.normal_lap);
}
