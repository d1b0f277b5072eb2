#include "core/start_gates.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/units.h"
#include "track/track.h"

namespace {

struct StartGatesFixture : ::testing::Test {
  Track track;
  StartGates gates;
  std::vector<int> touched;
  void SetUp() override {
    Terrain& g = track.terrain;
    g.exponent = 3;
    g.size = 17;
    g.spacing = 4;
    g.world_size = 64;
    g.heights.assign(17 * 17, 0.0f);
    Statue s;
    s.x = 20, s.z = 20;
    track.statues.push_back(s);
    StartSlot slot;
    slot.statue = 0;
    track.gates.start_slots.push_back(slot);
    touched.assign(1, -1);
    start_gates_raise(gates, track);
  }
  double tilt() const { return std::atan2(-track.statues[0].axes[1][2], track.statues[0].axes[1][1]); }
  void run(int from, int to, int start) {
    for (int step = from; step <= to; ++step) start_gates_step(gates, track, touched, step, start, 0);
  }
};

TEST_F(StartGatesFixture, StandsUntilTheDropThenFallsInSixteenSteps) {
  EXPECT_NEAR(std::fabs(tilt()), 3 * kPi / 16, 1e-6);
  run(0, 100, 100);
  EXPECT_EQ(gates.fall[0], 1);
  run(101, 115, 100);
  EXPECT_GT(gates.fall[0], 0);
  run(116, 116, 100);
  EXPECT_EQ(gates.fall[0], 0);
  EXPECT_NEAR(tilt(), 0, 1e-6);
}

TEST_F(StartGatesFixture, ABikeLeaningOnTheGateHoldsItWhereItStands) {
  run(0, 104, 100);  // four steps of falling
  const double held = gates.fall[0];
  EXPECT_NEAR(held, 0.75, 1e-12);
  for (int step = 105; step < 200; ++step) {
    touched[0] = step;
    start_gates_step(gates, track, touched, step, 100, 0);
  }
  EXPECT_EQ(gates.fall[0], held);
  run(200, 220, 100);
  EXPECT_EQ(gates.fall[0], 0) << "falls on once the bike backs off";
}

TEST_F(StartGatesFixture, TenSecondsAfterTheStartTheGatesAreLeftAlone) {
  touched[0] = 0;
  for (int step = 101; step <= 100 + 1280; ++step) {
    touched[0] = step;
    start_gates_step(gates, track, touched, step, 100, 0);
  }
  run(100 + 1281, 100 + 1400, 100);
  EXPECT_EQ(gates.fall[0], 1) << "a gate still held at ten seconds stays up";
}

}  // namespace
