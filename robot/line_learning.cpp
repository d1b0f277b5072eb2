#include "robot/line_learning.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/log.h"
#include "platform/units.h"
#include "robot/line_geometry.h"

namespace {
// A new line must beat the expected time of the line it replaces by this.
constexpr double kEvictMargin = 1.25;
// Points of two lines this close are the same ride.
constexpr double kSameSpeed = 1.0 / 16;
constexpr double kSameDistanceSquared = 1.0 / 256;

bool same_ride(const std::vector<LinePoint>& a, const std::vector<LinePoint>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::fabs(a[i].speed - b[i].speed) > kSameSpeed || distance_squared(a[i], b[i]) > kSameDistanceSquared)
      return false;
  return true;
}

int step_at(const LineCrossing& c, int gate) {
  if (gate < 0) return c.start_step;  // before the first switch point: the gate drop
  if (gate >= static_cast<int>(c.gate_steps.size())) return -1;
  return c.gate_steps[gate];
}

bool all_crossed(const LineCrossing& c, int from, int to) {
  for (int g = std::max(from, 0); g <= to; ++g)
    if (step_at(c, g) < 0) return false;
  return true;
}

void add_capped(int& v) {
  if (v < INT_MAX) ++v;
}

void robot_statistics(LineTable& table, RobotState& state, const LineCrossing& c, int s, int seg, int a0, int t0,
                      int t1, int t2) {
  RiddenLine& ridden = state.ridden[s % 4];
  Line* line = ridden.segment == seg ? line_find(table, seg, ridden.id) : nullptr;
  ridden = RiddenLine();  // judged once
  if (!line) return;
  if (t0 >= 0 && t1 > t0 && t2 > t1 && all_crossed(c, a0, c.gate) && robot_on_line(state, c.frame)) {
    add_capped(line->runs);
    line->best_first = std::min(line->best_first, t1 - t0);
    line->best_both = std::min(line->best_both, t2 - t0);
    line->sum_first += t1 - t0;
    line->sum_both += t2 - t0;
  } else {
    add_capped(line->failures);
  }
}

void offer_line(LineTable& table, RobotState& state, int s, int seg, int t0, int t1, int t2) {
  std::vector<LinePoint>& recording = state.recording[s % 2];
  bool& spoiled = state.spoiled[s % 2];
  LineSlots& slots = table.segments[seg];
  if (recording.empty() || spoiled || t0 < 0 || t1 <= t0 || t2 <= t1) {
    tarn_log("auto pilot: %d canceled\n", seg);
  } else if (std::any_of(slots.begin(), slots.end(),
                         [&](const Line& l) { return !l.empty() && same_ride(l.points, recording); })) {
    tarn_log("auto pilot: %d rejected (duplicate)\n", seg);
  } else {
    int slot = -1;
    for (int i = 0; i < kLineSlots && slot < 0; ++i)
      if (slots[i].empty()) slot = i;
    if (slot < 0) slot = line_choose_eviction(slots);
    Line& old = slots[slot];
    const double expected = line_expected_time(old);
    if (expected >= (t2 - t0) * kEvictMargin) {
      const double mean_first = old.runs > 0 ? static_cast<double>(old.sum_first) / old.runs : 0;
      const double mean_both = old.runs > 0 ? static_cast<double>(old.sum_both) / old.runs : 0;
      tarn_log("auto pilot: evicting %d (times: %.2f %.2f tested (%d %d): %.2f %.2f repl: %f %f)\n", slot,
               old.time_first * kStep, old.time_both * kStep, old.runs, old.failures, mean_first * kStep,
               mean_both * kStep, (t1 - t0) * kStep, (t2 - t0) * kStep);
      line_free(old);
      old.points = std::move(recording);
      old.time_first = t1 - t0;
      old.time_both = t2 - t0;
      old.id = line_new_id(table);
    } else {
      tarn_log("auto pilot: %d rejected (too slow)\n", seg);
    }
  }
  // This recording takes the segment after next.
  recording.clear();
  spoiled = false;
}

void fail_line(LineTable& table, const RiddenLine& r) {
  if (Line* line = line_find(table, r.segment, r.id)) add_capped(line->failures);
}
}  // namespace

LinePoint line_point_of(const RiderFrame& f) {
  LinePoint p;
  for (int i = 0; i < 3; ++i) p.position[i] = static_cast<float>(f.position[i]);
  const float speed = static_cast<float>(std::fabs(f.speed));
  p.speed = f.airborne ? -speed : speed;
  p.lean = static_cast<float>(f.lean);
  return p;
}

void record_sample(const SegmentMap& map, RobotState& state, const RiderFrame& frame, int gates_passed,
                   int crash_mark, int race_step, int start_step) {
  if (state.personality != 0) return;
  const int s = rider_segment(map, gates_passed);
  if (fold_segment(map, s) < 0) return;
  std::vector<LinePoint>& recording = state.recording[s % 2];
  bool& spoiled = state.spoiled[s % 2];
  if (crash_mark != 0) spoiled = true;
  // Waiting at the gate is no part of a line.
  if (race_step < start_step || race_step % kSampleSteps != 0 || spoiled) return;
  if (static_cast<int>(recording.size()) >= kMaxLinePoints) {
    // Longer than any line kept: it cannot be offered.
    recording.clear();
    recording.shrink_to_fit();
    spoiled = true;
    return;
  }
  recording.push_back(line_point_of(frame));
}

void learn_at_gate(LineTable& table, RobotState& state, const LineCrossing& c) {
  const SegmentMap& map = table.map;
  const int current = rider_segment(map, c.expected);
  if (c.crash_mark != 0) state.spoiled[current % 2] = true;
  if (c.gate != c.expected) {
    for (int i = 0; i < 2; ++i) {
      state.recording[i].clear();
      state.spoiled[i] = false;
    }
    return;
  }
  if (!is_switch_gate(map, c.gate)) return;
  // The gate is switch point s + 1; segment s is judged now that the
  // segment after it is ridden too.
  const int s = rider_segment(map, c.gate) - 1;
  const int seg = fold_segment(map, s);
  if (s < 0 || seg < 0 || seg >= static_cast<int>(table.segments.size())) return;
  const int a0 = s >= 1 ? switch_gate(map, s - 1) : -1;
  const int a1 = switch_gate(map, s);
  const int t0 = step_at(c, a0), t1 = step_at(c, a1), t2 = c.race_step;
  if (state.personality != 0)
    robot_statistics(table, state, c, s, seg, a0, t0, t1, t2);
  else
    offer_line(table, state, s, seg, t0, t1, t2);
}

void robot_crash_check(LineTable& table, RobotState& state, int& crash_mark, int gates_passed, int last_gate_step,
                       int race_step) {
  if (state.personality == 0 || crash_mark != 1) return;
  const int s = rider_segment(table.map, gates_passed);
  fail_line(table, state.ridden[s % 4]);
  if (s >= 1 && race_step - last_gate_step <= kStepsPerSecond) fail_line(table, state.ridden[(s - 1) % 4]);
  crash_mark = 2;
  robot_forget_lines(state);
}

void robot_finish_fade(RobotState& state) {
  const int from = std::clamp(state.target, 0, static_cast<int>(state.path.size()));
  const int n = static_cast<int>(state.path.size()) - from;
  for (int i = 0; i < n; ++i) state.path[from + i].speed *= static_cast<float>(0.75 * (n - i) / n + 0.25);
}

bool robot_on_line(const RobotState& state, const RiderFrame& frame) {
  const int n = static_cast<int>(state.path.size());
  if (n == 0) return false;
  const PathPlace place =
      nearest_on_path(state.path, state.target - kPathBehind, state.target + kPathAhead, frame.position);
  if (place.distance > 4) return false;
  const int k = place.step;
  const double path_speed = std::max(std::fabs(state.path[k].speed), std::fabs(state.path[std::min(k + 1, n - 1)].speed));
  return path_speed >= 15.0 / 16.0 * std::fabs(frame.speed);
}
