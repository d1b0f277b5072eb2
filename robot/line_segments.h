// The robots' segments: the unrolled gate sequence cut at its switch points.
// Segment s runs from switch point s - 1 to switch point s (segment 0 from
// the start); beyond the first lap, segments fold onto the normal lap's.
#pragma once
#include <vector>

struct TimingGates;

struct SegmentMap {
  int first_gates = 0;   // entries of the first-lap sequence
  int normal_gates = 0;  // entries of the normal-lap sequence
  // Positions in each sequence of its switch points (entries that are not
  // marked with kMarkedGate).
  std::vector<int> first_switch;
  std::vector<int> normal_switch;
  // Switch points among the first i entries of each sequence.
  std::vector<int> first_before;
  std::vector<int> normal_before;

  int first_segments() const { return static_cast<int>(first_switch.size()); }
  int normal_segments() const { return static_cast<int>(normal_switch.size()); }
  int segments() const { return first_segments() + normal_segments(); }
};

SegmentMap segment_map_build(const TimingGates& gates);

// Whether race gate g (counted from 0 over the whole race) ends a segment.
bool is_switch_gate(const SegmentMap& map, int gate);
// The unrolled segment of a rider that has passed `gates_passed` gates: the
// number of switch points among race gates 0 .. gates_passed - 1.
int rider_segment(const SegmentMap& map, int gates_passed);
// The table entry of unrolled segment s, or -1 when there is none (s < 0,
// or past the first lap of a normal lap without switch points).
int fold_segment(const SegmentMap& map, int s);
// The race gate of switch point k (k = 0 is the first), or -1.
int switch_gate(const SegmentMap& map, int k);
// The table entry that follows table entry `segment` in the race, or -1.
int following_segment(const SegmentMap& map, int segment);
