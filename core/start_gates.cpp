#include "core/start_gates.h"

#include <algorithm>
#include <cmath>

#include "platform/units.h"
#include "track/track.h"

namespace {
constexpr double kStandingTilt = 3 * kPi / 16;

// The statue's own placement, turned up about its x axis by the fall state.
void pose_gate(Track& track, Statue& gate, double fall) {
  statue_place(track, gate);
  const double a = fall * kStandingTilt;
  const double c = std::cos(a), s = std::sin(a);
  for (int i = 0; i < 3; ++i) {
    const float up = gate.axes[1][i], back = gate.axes[2][i];
    gate.axes[1][i] = static_cast<float>(c * up + s * back);
    gate.axes[2][i] = static_cast<float>(-s * up + c * back);
  }
}
}  // namespace

void start_gates_raise(StartGates& gates, Track& track) {
  const std::vector<StartSlot>& starts = track.gates.start_slots;
  gates.fall.assign(starts.size(), 1.0);
  for (const StartSlot& st : starts)
    if (st.statue >= 0 && st.statue < static_cast<int>(track.statues.size())) pose_gate(track, track.statues[st.statue], 1);
}

void start_gates_step(StartGates& gates, Track& track, const std::vector<int>& touched_step, int step_count,
                      int start_step, int spectator_delay) {
  const int drop = start_step + spectator_delay;
  if (step_count > start_step + 10 * kStepsPerSecond + spectator_delay) return;
  const std::vector<StartSlot>& starts = track.gates.start_slots;
  const size_t n = std::min(starts.size(), gates.fall.size());
  for (size_t j = 0; j < n; ++j) {
    const int s = starts[j].statue;
    if (s < 0 || s >= static_cast<int>(track.statues.size()) || !(gates.fall[j] > 0)) continue;
    const bool leaned_on = s < static_cast<int>(touched_step.size()) && touched_step[s] == step_count;
    if (step_count > drop && !leaned_on) gates.fall[j] = std::max(gates.fall[j] - 8 * kStep, 0.0);
    pose_gate(track, track.statues[s], gates.fall[j]);
  }
}
