#include "demo/history_pose.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/units.h"

namespace {

double lerp(double a, double b, double f) { return a + (b - a) * f; }

void nlerp(const double a[4], const double b[4], double f, double out[4]) {
  double dot = 0;
  for (int i = 0; i < 4; ++i) dot += a[i] * b[i];
  double sign = dot < 0 ? -1 : 1;  // q and -q are one rotation: take the shorter way
  double len2 = 0;
  for (int i = 0; i < 4; ++i) {
    out[i] = lerp(a[i], sign * b[i], f);
    len2 += out[i] * out[i];
  }
  double len = std::sqrt(len2);
  if (len < 1e-9) {
    for (int i = 0; i < 4; ++i) out[i] = a[i];
    return;
  }
  for (int i = 0; i < 4; ++i) out[i] /= len;
}

// Wheel angles wrap at +-pi: blend the shorter way round so that a wheel
// passing the wrap does not spin back for a moment.
double blend_angle(double a, double b, double f) {
  double d = std::remainder(b - a, 2 * kPi);
  double v = std::remainder(a + d * f, 2 * kPi);
  return std::clamp(v, -kPi, kPi);
}

}  // namespace

StateRecord blend_states(const StateRecord& a, const StateRecord& b, double f) {
  double c = std::clamp(f, 0.0, 1.0);
  StateRecord s = c < 1 ? a : b;
  for (int i = 0; i < 3; ++i) {
    s.frame_position[i] = lerp(a.frame_position[i], b.frame_position[i], f);
    s.rider_offset[i] = lerp(a.rider_offset[i], b.rider_offset[i], f);
  }
  nlerp(a.frame_quaternion, b.frame_quaternion, c, s.frame_quaternion);
  nlerp(a.rider_quaternion, b.rider_quaternion, c, s.rider_quaternion);
  s.steering_angle = lerp(a.steering_angle, b.steering_angle, c);
  s.swingarm_angle = lerp(a.swingarm_angle, b.swingarm_angle, c);
  s.fork_position = lerp(a.fork_position, b.fork_position, c);
  s.rider_slide = lerp(a.rider_slide, b.rider_slide, c);
  s.front_wheel_angle = blend_angle(a.front_wheel_angle, b.front_wheel_angle, c);
  s.rear_wheel_angle = blend_angle(a.rear_wheel_angle, b.rear_wheel_angle, c);
  s.throttle = lerp(a.throttle, b.throttle, c);
  s.engine_rpm = lerp(a.engine_rpm, b.engine_rpm, c);
  return s;
}

bool interpolate_history(const HistoryRing& ring, int step, const StateScale& scale, int version,
                         HistoryPose* out) {
  int count = history_count(ring);
  if (count == 0) return false;
  // Back index of the newest entry before the step.
  int before = 0;
  while (before < count && history_entry_back(ring, before)->step >= step) ++before;
  int older_i, newer_i;
  if (before == count) {  // all at or after the step: the oldest two
    older_i = count - 1;
    newer_i = std::max(count - 2, 0);
  } else if (before == 0) {  // all before it: the newest two
    older_i = std::min(1, count - 1);
    newer_i = 0;
  } else {
    older_i = before;
    newer_i = before - 1;
  }
  const HistoryEntry& older = *history_entry_back(ring, older_i);
  const HistoryEntry& newer = *history_entry_back(ring, newer_i);
  out->older = older;
  out->newer = newer;
  out->distance = std::max(newer.step - older.step, 1);
  StateRecord a = decode_state_record(older.state.data(), scale, version);
  int64_t e = older.step, g = newer.step;
  if (e < step && e < g) {
    StateRecord b = decode_state_record(newer.state.data(), scale, version);
    int64_t s = std::min<int64_t>(step, g + kExtrapolationLimit);
    out->state = blend_states(a, b, static_cast<double>(s - e) / static_cast<double>(g - e));
  } else {
    out->state = a;
  }
  return true;
}
