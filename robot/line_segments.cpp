#include "robot/line_segments.h"

#include "track/timing_gates.h"

namespace {
void index_sequence(const std::vector<int>& lap, std::vector<int>& switches, std::vector<int>& before) {
  switches.clear();
  before.assign(1, 0);
  for (int i = 0; i < static_cast<int>(lap.size()); ++i) {
    if (lap[i] < kMarkedGate) switches.push_back(i);
    before.push_back(static_cast<int>(switches.size()));
  }
}
}  // namespace

SegmentMap segment_map_build(const TimingGates& gates) {
  SegmentMap m;
  m.first_gates = static_cast<int>(gates.first_lap.size());
  m.normal_gates = static_cast<int>(gates.normal_lap.size());
  index_sequence(gates.first_lap, m.first_switch, m.first_before);
  index_sequence(gates.normal_lap, m.normal_switch, m.normal_before);
  return m;
}

bool is_switch_gate(const SegmentMap& m, int g) {
  if (g < 0) return false;
  if (g < m.first_gates) return m.first_before[g + 1] > m.first_before[g];
  if (m.normal_gates == 0) return false;
  const int r = (g - m.first_gates) % m.normal_gates;
  return m.normal_before[r + 1] > m.normal_before[r];
}

int rider_segment(const SegmentMap& m, int k) {
  if (k <= 0) return 0;
  if (k <= m.first_gates) return m.first_before[k];
  int s = m.first_segments();
  if (m.normal_gates == 0) return s;
  const int r = k - m.first_gates;
  return s + (r / m.normal_gates) * m.normal_segments() + m.normal_before[r % m.normal_gates];
}

int fold_segment(const SegmentMap& m, int s) {
  if (s < 0) return -1;
  if (s < m.first_segments()) return s;
  // Without switch points in the normal lap the race after the first lap is
  // one stretch that never ends: no segment.
  if (m.normal_segments() == 0) return -1;
  return m.first_segments() + (s - m.first_segments()) % m.normal_segments();
}

int switch_gate(const SegmentMap& m, int k) {
  if (k < 0) return -1;
  if (k < m.first_segments()) return m.first_switch[k];
  if (m.normal_segments() == 0) return -1;
  const int r = k - m.first_segments();
  return m.first_gates + (r / m.normal_segments()) * m.normal_gates + m.normal_switch[r % m.normal_segments()];
}

int following_segment(const SegmentMap& m, int segment) {
  if (segment < 0 || segment >= m.segments()) return -1;
  // Table entries are their own unrolled numbers (the normal ones on lap 2).
  return fold_segment(m, segment + 1);
}
