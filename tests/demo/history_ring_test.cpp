// The history ring: states in step order, later ones superseded, the
// pending count that feeds the demo writer, and slots outside the table
// refused.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "demo/history_ring.h"

namespace {

StateBytes marked(int v) {
  StateBytes b{};
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
  return b;
}

std::vector<int> steps_of(const HistoryRing& r) {
  std::vector<int> s;
  for (int i = 0; const HistoryEntry* e = history_entry_back(r, i); ++i) s.insert(s.begin(), e->step);
  return s;
}

bool same(const HistoryRing& a, const HistoryRing& b) {
  if (a.newest != b.newest || a.pending != b.pending) return false;
  for (int i = 0; i < kHistoryLength; ++i)
    if (a.entries[i].step != b.entries[i].step || a.entries[i].state != b.entries[i].state) return false;
  return true;
}

class Ring : public ::testing::Test {
 protected:
  std::unique_ptr<HistoryRings> rings = std::make_unique<HistoryRings>();
  HistoryRing& ring(int slot = 5) { return rings->slots[slot]; }
  void add_steps(std::initializer_list<int> steps, int slot = 5) {
    for (int s : steps) ASSERT_TRUE(add_state_to_history(*rings, slot, marked(s), s));
  }
};

TEST_F(Ring, KeepsStatesInStepOrder) {
  add_steps({4, 8, 12});
  EXPECT_EQ(steps_of(ring()), (std::vector<int>{4, 8, 12}));
  EXPECT_EQ(ring().pending, 3);
  ASSERT_TRUE(history_entry_back(ring(), 0));
  EXPECT_EQ(history_entry_back(ring(), 0)->state, marked(12));
}

TEST_F(Ring, TheSameStepLeavesItUnchanged) {
  add_steps({4, 8, 12});
  HistoryRing before = ring();
  EXPECT_TRUE(add_state_to_history(*rings, 5, marked(999), 12));
  EXPECT_TRUE(same(ring(), before));
}

TEST_F(Ring, AnEarlierStepDiscardsTheLaterEntries) {
  add_steps({4, 8, 12, 16});
  ring().pending = 3;  // 4 went out in a chunk
  ASSERT_TRUE(add_state_to_history(*rings, 5, marked(10), 10));
  EXPECT_EQ(steps_of(ring()), (std::vector<int>{4, 8, 10}));
  // 12 and 16 were pending and are gone; 8 still is, and 10 now.
  EXPECT_EQ(ring().pending, 2);
  // Back to the first step: only it and nothing after.
  ASSERT_TRUE(add_state_to_history(*rings, 5, marked(4), 4));
  EXPECT_EQ(steps_of(ring()), (std::vector<int>{4}));
  ASSERT_TRUE(add_state_to_history(*rings, 5, marked(1), 1));
  EXPECT_EQ(steps_of(ring()), (std::vector<int>{1}));
  EXPECT_EQ(ring().pending, 1);
}

TEST_F(Ring, HoldsTheNewest128AndCapsThePendingCount) {
  for (int s = 0; s < 300; ++s) ASSERT_TRUE(add_state_to_history(*rings, 5, marked(s), s * 4));
  std::vector<int> steps = steps_of(ring());
  ASSERT_EQ(steps.size(), 128u);
  for (int i = 0; i < 128; ++i) EXPECT_EQ(steps[i], (172 + i) * 4);
  EXPECT_EQ(ring().pending, 128);
  // Superseding inside a full ring keeps the order.
  ASSERT_TRUE(add_state_to_history(*rings, 5, marked(1), 299 * 4 - 2));
  steps = steps_of(ring());
  ASSERT_EQ(steps.size(), 128u);
  EXPECT_EQ(steps.back(), 299 * 4 - 2);
  EXPECT_EQ(steps[126], 298 * 4);
  EXPECT_LE(ring().pending, static_cast<int>(steps.size()));
}

TEST_F(Ring, RefusesSlotsOutsideTheTableAndNegativeSteps) {
  for (int slot : {-1, kSlotCount, kNoSlot + 1, 100000}) EXPECT_FALSE(add_state_to_history(*rings, slot, marked(1), 4));
  EXPECT_FALSE(add_state_to_history(*rings, 0, marked(1), -1));
  for (const HistoryRing& r : rings->slots) EXPECT_EQ(history_count(r), 0);
  EXPECT_TRUE(add_state_to_history(*rings, 0, marked(1), 0));
  EXPECT_TRUE(add_state_to_history(*rings, kSlotCount - 1, marked(1), 0));
}

TEST_F(Ring, ClearingEmptiesEveryRing) {
  add_steps({4, 8}, 0);
  add_steps({4}, 159);
  clear_all_history(*rings);
  EXPECT_EQ(history_count(ring(0)), 0);
  EXPECT_EQ(history_count(ring(159)), 0);
  EXPECT_EQ(ring(0).pending, 0);
}

}  // namespace
