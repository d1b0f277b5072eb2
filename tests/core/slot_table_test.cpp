#include "core/slot_table.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/session.h"
#include "track/timing_gates.h"

namespace {

SlotKinds kinds_of(std::initializer_list<std::pair<int, int>> set) {
  SlotKinds k{};
  for (auto [slot, kind] : set) k[slot] = kind;
  return k;
}

TEST(SlotKinds, OnlyTheFirstHumanIsKeptAndWatched) {
  SlotKinds k = kinds_of({{2, RobotSlot}, {5, HumanSlot}, {9, HumanSlot}});
  EXPECT_EQ(settle_slot_kinds(k, false), 5);
  EXPECT_EQ(k[5], HumanSlot);
  EXPECT_EQ(k[9], EmptySlot);
  EXPECT_EQ(k[2], RobotSlot);
}

TEST(SlotKinds, NoOccupiedSlotPutsARobotInSlotZeroUnlessGhostsRide) {
  SlotKinds k{};
  EXPECT_EQ(settle_slot_kinds(k, false), 0);
  EXPECT_EQ(k[0], RobotSlot);
  SlotKinds g{};
  EXPECT_EQ(settle_slot_kinds(g, true), 0);
  EXPECT_EQ(g[0], EmptySlot) << "empty slots take the demo's riders";
  SlotKinds r = kinds_of({{7, TwoStrokeRobotSlot}});
  EXPECT_EQ(settle_slot_kinds(r, false), 7) << "without a human, the first occupied slot";
}

TEST(Grid, RowsStandTenFeetBehindEachOtherAlongTheGatesHeading) {
  std::vector<StartSlot> starts(40);
  for (int i = 0; i < 40; ++i) {
    starts[i].position[0] = 100 + 4 * i;
    starts[i].position[2] = 500;
    starts[i].angle = 0.3f;
  }
  GridPlace p = grid_place(45, starts, 1024);
  EXPECT_DOUBLE_EQ(p.angle, 0.3f);
  const double back = (1 + 0.0625) * 10;  // row 1: 10.625 ft
  EXPECT_NEAR(p.x, 100 + 4 * 5 + std::sin(0.3f) * back, 1e-4);
  EXPECT_NEAR(p.z, 500 + std::cos(0.3f) * back, 1e-4);
  EXPECT_NEAR(std::hypot(p.x - starts[5].position[0], p.z - starts[5].position[2]), 10.625, 1e-4);
  GridPlace first = grid_place(5, starts, 1024);
  EXPECT_NEAR(std::hypot(first.x - starts[5].position[0], first.z - starts[5].position[2]), 0.625, 1e-4);
}

TEST(Grid, WithoutStartPositionsTheBikesLineUpAcrossTheMiddle) {
  GridPlace p = grid_place(3, {}, 1024);
  EXPECT_EQ(p.x, 512 + 15);
  EXPECT_EQ(p.z, 512);
  EXPECT_EQ(p.angle, 0);
}

TEST(Grid, OnAServerTheOthersStandBehindTheFirstRowSkippingTheLocalPlace) {
  SlotKinds k = kinds_of({{0, RemoteSlot}, {1, HumanSlot}, {2, RemoteSlot}, {3, RemoteSlot}});
  std::vector<int> waiting = server_grid_places(k, 1, kNoSlot, 2);
  EXPECT_EQ(waiting[1], 0) << "no server slot yet: the first place";
  EXPECT_EQ(waiting[0], 2);
  EXPECT_EQ(waiting[2], 3);
  EXPECT_EQ(waiting[3], 4);
  std::vector<int> placed = server_grid_places(k, 1, 3, 2);
  EXPECT_EQ(placed[1], 3);
  EXPECT_EQ(placed[0], 2);
  EXPECT_EQ(placed[2], 4) << "place 3 is the local player's";
  EXPECT_EQ(placed[5], -1);
}

}  // namespace
