#include "race/false_start.h"

#include <gtest/gtest.h>

#include "platform/messages.h"

namespace {

constexpr int kStart = 1800;
const char* const kMessage = "15 second false start penalty";

int messages_shown() {
  int n = 0;
  for (const std::string& m : recent_messages()) n += m == kMessage;
  return n;
}

struct FalseStart : ::testing::Test {
  RaceRecord race;
  BikeTiming bike;
  const double grid[3] = {50, 3, 70};
  void SetUp() override {
    clear_messages();
    race_reset(race, 0, 3, kStart);
    bike.false_start_steps = 99;
    false_start_place(bike, grid);
  }
  HeldInputs step(int now, double dx, bool online) {
    race.race_step = now;
    const double frame[3] = {grid[0] + dx, grid[1], grid[2]};
    return false_start_step(race, bike, frame, online);
  }
};

TEST_F(FalseStart, SitDabIsHeldUntilTheDropInEveryRace) {
  for (bool online : {false, true}) {
    for (int now : {0, kStart - 1, kStart}) {
      const HeldInputs h = step(now, 0, online);
      EXPECT_TRUE(h.sit_dab) << now;
      EXPECT_FALSE(h.stopped);
    }
    const HeldInputs after = step(kStart + 1, 0, online);
    EXPECT_FALSE(after.sit_dab);
    EXPECT_FALSE(after.stopped);
  }
}

TEST_F(FalseStart, OfflineLeavingTheGridEarlyIsNoFalseStart) {
  const HeldInputs h = step(kStart - 10, 20, false);
  EXPECT_TRUE(h.sit_dab);
  EXPECT_FALSE(h.stopped);
  EXPECT_EQ(bike.false_start_steps, 0);
  EXPECT_EQ(messages_shown(), 0);
}

TEST_F(FalseStart, PenaltyHoldsUntil15SecondsAfterTheStart) {
  for (int now : {0, kStart - 640, kStart - 1, kStart}) {
    SetUp();
    const HeldInputs h = step(now, 3, true);
    EXPECT_EQ(h.penalty_given, kStart + 1920 - now) << now;
    EXPECT_TRUE(h.stopped);
    EXPECT_TRUE(h.sit_dab);
    EXPECT_EQ(messages_shown(), 1);
    // Held every step up to the last before start + 15 s, then free.
    int last_held = now;
    for (int s = now + 1; s < kStart + 2000; ++s)
      if (step(s, 30, true).stopped) last_held = s;
    EXPECT_EQ(last_held, kStart + 1920 - 1) << now;
    EXPECT_EQ(messages_shown(), 1);  // moving on gives no second penalty
  }
}

TEST_F(FalseStart, ThreeFeetFromTheGridPlace) {
  EXPECT_EQ(step(100, 2.99, true).penalty_given, 0);
  EXPECT_EQ(step(101, -2.99, true).penalty_given, 0);
  EXPECT_GT(step(102, -3, true).penalty_given, 0);
  // After the drop riding away is the race.
  SetUp();
  EXPECT_EQ(step(kStart + 1, 100, true).penalty_given, 0);
  // A frame that is not a number is no false start.
  SetUp();
  EXPECT_EQ(step(100, std::nan(""), true).penalty_given, 0);
}

TEST_F(FalseStart, PlacingOnTheGridClearsThePenalty) {
  step(10, 5, true);
  ASSERT_GT(bike.false_start_steps, 0);
  false_start_place(bike, grid);
  EXPECT_EQ(bike.false_start_steps, 0);
  EXPECT_FALSE(step(11, 0, true).stopped);
}

}  // namespace
