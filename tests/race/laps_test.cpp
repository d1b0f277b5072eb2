#include "race/laps.h"

#include <gtest/gtest.h>

#include "tests/race/race_fixture.h"

namespace {

// First lap 3 gates, normal lap 5: lap lines are race gates 2, 7, 12, ...
TEST(LapArithmetic, GateCounts) {
  const TimingGates g = small_gates();
  struct Case {
    int passed, laps, in_lap;
  };
  const Case cases[] = {{0, 0, 0}, {1, 0, 1},  {2, 0, 2},  {3, 1, 1},  {4, 1, 2},
                        {7, 1, 5}, {8, 2, 1},  {12, 2, 5}, {13, 3, 1}, {53, 11, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(laps_completed(g, c.passed), c.laps) << c.passed;
    EXPECT_EQ(gate_in_lap(g, c.passed), c.in_lap) << c.passed;
  }
  const std::pair<int, int> finishes[] = {{1, 2}, {2, 7}, {3, 12}, {10, 47}};
  for (auto [n, gate] : finishes) {
    EXPECT_EQ(finish_gate(g, n), gate) << n;
    EXPECT_TRUE(is_lap_gate(g, gate)) << gate;
    // Crossing a lap's finish line completes exactly that lap.
    EXPECT_EQ(laps_completed(g, gate + 1), n);
    EXPECT_EQ(laps_completed(g, gate), n - 1);
  }
  for (int gate : {0, 1, 3, 6, 8, 11}) EXPECT_FALSE(is_lap_gate(g, gate)) << gate;
}

TEST(LapArithmetic, RaceGatesUnrollTheSequence) {
  const TimingGates g = small_gates();
  const int expected[] = {1, 2, 0, 1, 2, kMarkedGate + 3, 4, 0, 1, 2, kMarkedGate + 3};
  for (int k = 0; k < 11; ++k) EXPECT_EQ(race_gate_reference(g, k), expected[k]) << k;
  // A marked gate times like its checkpoint.
  EXPECT_EQ(&race_gate_checkpoint(g, 5), &g.checkpoints[3]);
}

TEST(LapArithmetic, OneGateLapsMakeEveryCrossingALap) {
  TimingGates g = small_gates();
  g.first_lap = {0};
  g.normal_lap = {0};
  for (int p = 1; p < 6; ++p) {
    EXPECT_TRUE(is_lap_gate(g, p - 1));
    EXPECT_EQ(laps_completed(g, p), p);
  }
}

TEST(LapArithmetic, NoCheckpointsMeansNoLaps) {
  TimingGates g = small_gates();
  g.checkpoints.clear();
  EXPECT_FALSE(has_timing(g));
  EXPECT_EQ(laps_completed(g, 20), 0);
  EXPECT_EQ(gate_in_lap(g, 20), 0);
  EXPECT_FALSE(is_lap_gate(g, 2));
  RaceRecord race;
  EXPECT_EQ(lap_time(race, g, timing_with({10, 20, 30, 40}), 1), 0);
}

// Laps of 300, 500, 200 and 500 steps after a first lap of 250 from the
// start at step 100; the third lap's start is missing.
TEST(LapArithmetic, LapTimesAndBestLap) {
  const TimingGates g = small_gates();
  RaceRecord race;
  race.start_step = 100;
  std::vector<int> steps(23, 0);
  const int lines[] = {350, 650, 1150, 1350, 1850};
  for (int n = 1; n <= 5; ++n) steps[finish_gate(g, n)] = lines[n - 1];
  BikeTiming t = timing_with(steps);
  ASSERT_EQ(laps_completed(g, t.gates_passed), 5);
  struct Case {
    int lap, time;
  };
  const Case cases[] = {{0, 0}, {1, 250}, {2, 300}, {3, 500}, {4, 200}, {5, 500}, {6, 0}, {-1, 500}};
  for (const Case& c : cases) EXPECT_EQ(lap_time(race, g, t, c.lap), c.time) << c.lap;
  EXPECT_EQ(best_lap(race, g, t), 4);

  // A missing step makes both laps around it 0, and 0 is never best.
  t.gate_steps[finish_gate(g, 4)] = kNoStep;
  EXPECT_EQ(lap_time(race, g, t, 4), 0);
  EXPECT_EQ(lap_time(race, g, t, 5), 0);
  EXPECT_EQ(best_lap(race, g, t), 2);

  // Equal laps: the earlier wins; the first lap never counts.
  BikeTiming even = timing_with(std::vector<int>(13, 0));
  even.gate_steps[2] = 110;
  even.gate_steps[7] = 410;
  even.gate_steps[12] = 710;
  EXPECT_EQ(best_lap(race, g, even), 2);
  even.gates_passed = 8;
  EXPECT_EQ(lap_time(race, g, even, 1), 10);
  EXPECT_EQ(best_lap(race, g, even), 2);
  even.gates_passed = 3;
  EXPECT_EQ(best_lap(race, g, even), 0);
}

TEST(RaceLength, Texts) {
  struct Case {
    int limit_steps, laps;
    const char* text;
  };
  const Case cases[] = {
      {0, 5, "5 laps"},
      {20 * 60 * 128, 2, "20 minutes + 2 laps"},
      {20 * 60 * 128, 0, "20 minutes"},
      {90 * 128, 1, "2 minutes + 1 laps"},  // 1.5 minutes round up
      {89 * 128, 0, "1 minutes"},
  };
  for (const Case& c : cases) {
    RaceRecord race;
    race_reset(race, c.limit_steps, c.laps, 0);
    EXPECT_EQ(race_length_text(race), c.text);
  }
}

TEST(RaceReset, LapsAndHalfDistance) {
  RaceRecord race;
  race.standings.push_back({3, 4, 5});
  race.results_final = true;
  race.race_step = 999;
  race_reset(race, 0, 5, 1700);
  EXPECT_EQ(race.race_step, 0);
  EXPECT_EQ(race.start_step, 1700);
  EXPECT_EQ(race.total_laps, 5);
  EXPECT_EQ(race.halfway_lap, 3);
  EXPECT_TRUE(race.standings.empty());
  EXPECT_FALSE(race.results_final);
  race_reset(race, 128 * 600, 2, 0);
  EXPECT_EQ(race.total_laps, kOpenLaps);
  EXPECT_EQ(race.halfway_lap, kOpenLaps);
  EXPECT_EQ(race.extra_laps, 2);
  // A lap count from outside stays in range.
  race_reset(race, 0, 2000000000, 0);
  EXPECT_EQ(race.total_laps, kOpenLaps);
  race_reset(race, 0, -4, 0);
  EXPECT_EQ(race.total_laps, 0);
}

TEST(StartTime, DropsBetween13And15Seconds) {
  // The first number of the generator's default seed is 3499211612:
  // u = 1351727964 / 2^31, (13 + 2u) * 128 = 1825.14.
  std::mt19937 first;
  EXPECT_EQ(draw_start_step(first), 1825);
  for (unsigned seed = 0; seed < 2000; ++seed) {
    std::mt19937 a(seed), b(seed);
    const int s = draw_start_step(a);
    EXPECT_GE(s, 13 * 128);
    EXPECT_LE(s, 15 * 128);
    EXPECT_EQ(draw_start_step(b), s);  // the same seed, the same moment
  }
}

}  // namespace
