#include "robot/line_pick.h"

#include <algorithm>
#include <cmath>

#include "platform/log.h"
#include "platform/units.h"
#include "robot/line_geometry.h"
#include "robot/line_plan.h"
#include "robot/personalities.h"

namespace {
constexpr int kLookAheadSegments = 8;
constexpr int kPickWithin = 10;       // points before the path's end
constexpr int kStuckSteps = 3 * kStepsPerSecond;
constexpr int kShortLookAhead = 3;    // target advances after a failed pick or a stall

double cube(double v) { return v * v * v; }

// How well a line continues the path (up to 10 for a first line that
// starts at the bike).
double match_of(const RobotState& state, const RiderFrame& frame, const Line& line) {
  const std::vector<LinePoint>& path = state.path;
  const int n = static_cast<int>(path.size());
  if (n < 3) {
    const float* q = line.points[0].position;
    const double d = std::sqrt((frame.position[0] - q[0]) * (frame.position[0] - q[0]) +
                               (frame.position[1] - q[1]) * (frame.position[1] - q[1]) +
                               (frame.position[2] - q[2]) * (frame.position[2] - q[2]));
    return 10 * cube(std::clamp((100 - d) / 96, 0.0, 1.0));
  }
  const Continuation c = continuation_of(path[n - 3], path[n - 2], path[n - 1]);
  const double d0 = continuation_distance(c, line.points[0]);
  const double d1 = continuation_distance(c, line.points[1]);
  const double speed = std::clamp((std::fabs(line.points[0].speed) + 15 - std::fabs(frame.speed)) / 5, 0.0, 1.0);
  return speed * cube(std::clamp((5 - std::fabs(c.radius - d0)) * 2 / 7, 0.0, 1.0) *
                      std::clamp((3 - std::fabs(d1 - d0)) / 2, 0.0, 1.0));
}

void advance_target(RobotState& state, const DriveInputs& in) {
  const int n = static_cast<int>(state.path.size());
  if (state.target >= n - 1) return;
  const LinePoint& t = state.path[state.target];
  const double* f = in.frame.position;
  const double horizontal = std::hypot(f[0] - t.position[0], f[2] - t.position[2]);
  if (horizontal >= (state.lookahead > 0 ? 30.0 : 60.0)) return;
  const double dy = f[1] - t.position[1];
  bool forward = horizontal * horizontal + dy * dy < 16 || state.target == 0;
  if (!forward) {
    // The step into the target must not lead back against the bike.
    const LinePoint& p = state.path[state.target - 1];
    const double sx = t.position[0] - p.position[0], sy = t.position[1] - p.position[1],
                 sz = t.position[2] - p.position[2];
    forward = sx * sx + sy * sy + sz * sz <= 1 || sx * in.frame.heading[0] + sz * in.frame.heading[2] > 0;
  }
  if (!forward) return;
  ++state.target;
  state.target_step = in.race_step;
  if (state.lookahead > 0) --state.lookahead;
}
}  // namespace

bool pick_line(LineTable& table, RobotState& state, const DriveInputs& in) {
  const SegmentMap& map = table.map;
  const int seg = fold_segment(map, state.next_segment);
  if (seg < 0 || seg >= static_cast<int>(table.segments.size())) return false;
  const int type = personality_plan_type(state.personality, in.lead_seconds);

  std::vector<int> window;
  for (int k = 0; k < kLookAheadSegments; ++k) {
    const int f = fold_segment(map, state.next_segment + k);
    if (f < 0) break;
    window.push_back(f);
  }
  WindowPlan plan;
  plan_window(table, window, type, plan);
  const int cheapest = window_best(plan, 0);
  if (cheapest < 0) return false;
  const double best_total = plan.total[0][cheapest];

  const double race_time = (in.race_step - in.start_step) * kStep;
  const LapPlan& lap = table.plans[type];
  const int lap_choice = seg < static_cast<int>(lap.chosen.size()) ? lap.chosen[seg] : 0;
  LineSlots& slots = table.segments[seg];
  int picked = -1;
  double picked_value = 0, picked_score = 0, picked_match = 0, picked_since = 0;
  for (int i = 0; i < kLineSlots; ++i) {
    const double total = plan.total[0][i];
    if (total < 0) continue;
    const Line& line = slots[i];
    double score = total < 1 ? 1 : best_total / total;
    // Half way into the first minute the robots start to agree on the plan.
    if (race_time >= 40 && race_time <= 60 && line.id == lap_choice) score += (1 - score) * (race_time - 40) / 20;
    if (state.next_segment == 0) score = 0.8 + 0.2 * score;
    const double match = match_of(state, in.frame, line);
    const double since = (static_cast<double>(in.race_step) - line.last_picked) * kStep;
    const double value = match + std::clamp(since / 3, 0.0, 1.0) * score;
    if (picked < 0 || value > picked_value) {
      picked = i;
      picked_value = value;
      picked_score = score;
      picked_match = match;
      picked_since = since;
    }
  }
  Line& line = slots[picked];
  if (robot_debug_level() >= 1)
    tarn_log("auto pilot: picking %d score = %f match = %f last_picked = %f\n", line.id, picked_score, picked_match,
             picked_since);
  // Lines that end where this one does count as picked too, so the next
  // robots spread over other ground.
  const LinePoint& end = line.points.back();
  for (Line& other : slots)
    if (!other.empty() && distance_squared(other.points.back(), end) <= 9) other.last_picked = in.race_step;
  line.last_picked = in.race_step;
  state.ridden[state.next_segment % 4] = RiddenLine{line.id, seg};
  ++state.next_segment;

  state.path.insert(state.path.end(), line.points.begin(), line.points.end());
  const int behind = state.target - kPathBehind;
  if (behind > 0) {
    state.path.erase(state.path.begin(), state.path.begin() + behind);
    state.target -= behind;
  }
  return true;
}

PathStep follow_path(LineTable& table, RobotState& state, const DriveInputs& in) {
  PathStep out;
  advance_target(state, in);
  if (!table.segments.empty() && state.target >= static_cast<int>(state.path.size()) - kPickWithin)
    if (!pick_line(table, state, in)) state.lookahead = kShortLookAhead;
  // Waiting at the gate is no stall.
  if (in.race_step - std::max(state.target_step, in.start_step) > kStuckSteps) {
    state.lookahead = kShortLookAhead;
    state.target_step = in.race_step;
    out.hold_controls = true;
  }
  if (state.path.empty()) return out;
  out.has_path = true;
  out.position =
      nearest_on_path(state.path, state.target - kPathBehind, state.target + kPathAhead, in.frame.position).index;
  return out;
}
