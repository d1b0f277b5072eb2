#include "race/standings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "tests/race/race_fixture.h"

namespace {

std::vector<int> standing_slots(const std::vector<StandingsEntry>& s) {
  std::vector<int> slots;
  for (const StandingsEntry& e : s) slots.push_back(e.slot);
  return slots;
}

TEST(Standings, MoreGatesThenEarlierStepThenLowerSlot) {
  // (slot, gates, step of the last gate)
  const std::tuple<int, int, int> field[] = {{1, 3, 10}, {2, 4, 100}, {3, 5, 500}, {5, 4, 100}, {7, 4, 90}};
  SmallRace r(0);
  for (auto [slot, gates, step] : field) {
    std::vector<int> steps(gates, 1);
    steps.back() = step;
    r.bikes.push_back(timing_with(steps));
    r.riders.push_back({slot, &r.bikes.back()});
  }
  EXPECT_FALSE(update_standings(r.race, r.gates, r.riders));
  EXPECT_EQ(standing_slots(r.race.standings), (std::vector<int>{3, 7, 2, 5, 1}));
  EXPECT_EQ(r.race.standings[1].last_gate_step, 90);
  // The order is a strict one: no entry before itself, and never both ways.
  for (const StandingsEntry& a : r.race.standings) {
    EXPECT_FALSE(standings_before(a, a));
    for (const StandingsEntry& b : r.race.standings)
      EXPECT_FALSE(standings_before(a, b) && standings_before(b, a));
  }
}

TEST(Standings, ANewRaceListsEveryRiderInSlotOrder) {
  SmallRace r(3, 0, 5, 0, {9, 2, 40});
  EXPECT_FALSE(update_standings(r.race, r.gates, r.riders));
  EXPECT_EQ(standing_slots(r.race.standings), (std::vector<int>{2, 9, 40}));
  for (const StandingsEntry& e : r.race.standings) EXPECT_EQ(e.last_gate_step, 0);
}

// 20 minutes + 2 laps; the leader laps in 105 s, so time runs out during
// its lap 12. A second rider laps in 210 s.
TEST(TimedRace, TimeRunningOutDuringLap12Makes14Laps) {
  const int start = 1700, limit = 20 * 60 * 128, lap = 105 * 128;
  SmallRace r(2, limit, 2, start);
  struct Crossing {
    int step, rider, gate;
  };
  std::vector<Crossing> plan;
  for (int rider = 0; rider < 2; ++rider) {
    const int scale = rider + 1, first_gap = 9000 * rider + 4480 * (1 - rider);
    for (int g = 0, step = start; g < 200; ++g) {
      step += g < 3 ? first_gap : lap * scale / 5;
      plan.push_back({step, rider, g});
    }
  }
  std::sort(plan.begin(), plan.end(),
            [](const Crossing& a, const Crossing& b) { return std::tie(a.step, a.rider) < std::tie(b.step, b.rider); });

  int leader_laps_at_finish = 0, final_at = 0;
  for (const Crossing& c : plan) {
    if (r.bike(c.rider).finished) continue;
    const GateCrossing x = r.ride(c.rider, c.gate, c.step);
    ASSERT_EQ(x.gate, c.gate);
    const int laps = laps_completed(r.gates, r.bike(0).gates_passed);
    if (c.rider == 0 && is_lap_gate(r.gates, c.gate)) {
      // Open until the leader completes the lap in which time ran out.
      EXPECT_EQ(r.race.total_laps, laps < 12 ? kOpenLaps : 14) << "after lap " << laps;
      if (x.finished) leader_laps_at_finish = laps;
    }
    if (x.results_final) final_at = c.step;
  }
  EXPECT_EQ(r.race.halfway_lap, 6);
  EXPECT_EQ(leader_laps_at_finish, 14);
  EXPECT_EQ(race_length_text(r.race), "20 minutes + 2 laps");
  // The slower rider finishes at its first line after the winner's.
  ASSERT_TRUE(r.race.results_final);
  const int won = gate_step(r.bike(0), finish_gate(r.gates, 14));
  const int own = gate_step(r.bike(1), finish_gate(r.gates, laps_completed(r.gates, r.bike(1).gates_passed)));
  EXPECT_EQ(final_at, own);
  EXPECT_GE(own, won);
  EXPECT_LT(own - won, 2 * lap);
}

// Four riders on the small course (first lap 3 gates, then 5).
struct ReferenceCase {
  int from, to, steps;
};

TEST(ReferenceTime, MeanOfEachRidersOwnMeanOverWholeStretches) {
  BikeTiming y = timing_with({100, 200, 300, 400, 500, 600, 700, 800, 950, 1100, 1250, 1400, 1550});
  BikeTiming z = timing_with({50, 100, 150, 200, 250, 300, 350, 400});
  BikeTiming w = timing_with({100, 200, 300, 400, kNoStep, 600, 700, 800});
  BikeTiming s = timing_with({10, 20, 30, 40, 50, 60, 70, 80});
  const std::vector<RaceRider> riders = {{0, &y}, {1, &z}, {2, &w}, {3, &s, true, true}};
  const TimingGates gates = small_gates();
  const ReferenceCase cases[] = {
      {-1, 1, 167},  // from the reset: 200, 100, 200
      {0, 2, 167},
      {2, 4, 150},   // first lap stretch: w misses gate 4
      {3, 5, 175},   // y: laps 2 and 3 (200, 300) -> 250; z: 100
      {8, 10, 175},  // the same stretch in lap 3
      {11, 14, 400}, // folds to 6..9: only y rode it whole
  };
  for (const ReferenceCase& c : cases)
    EXPECT_EQ(reference_time(gates, riders, c.from, c.to), c.steps) << c.from << ".." << c.to;
  // Nobody rode it: a minute.
  EXPECT_EQ(reference_time(gates, std::vector<RaceRider>{{2, &w}}, 3, 5), 7680);
  EXPECT_EQ(reference_time(gates, {}, 0, 2), 7680);
}

// Rider x against a rider who takes 100 steps a gate for 3 laps. Each
// duration is x's time to that gate; kNoStep misses it.
struct CutCase {
  const char* name;
  std::vector<int> durations;
  int penalty, gates_passed;
};

std::vector<int> with(std::vector<std::pair<int, int>> changes) {
  std::vector<int> d(13, 100);
  for (auto [g, v] : changes) d[g] = v;
  return d;
}

const CutCase kCuts[] = {
    {"clean", with({}), 0, 13},
    {"a second slower than the field", with({{9, kNoStep}, {10, kNoStep}, {11, 428}}), 0, 13},
    {"just inside the second of grace", with({{9, kNoStep}, {10, kNoStep}, {11, 427}}), 1, 13},
    {"cheaper than the last lap", with({{4, kNoStep}, {5, kNoStep}, {6, 200}}), 228, 13},
    {"dearer than the last lap takes it away", with({{9, kNoStep}, {10, kNoStep}, {11, 10}}), 208, 8},
    {"dearer than two laps", with({{4, kNoStep}, {5, kNoStep}, {6, 10}, {9, kNoStep}, {10, kNoStep}, {11, 10}}),
     416, 3},
    {"a missed first gate counts from the reset", with({{0, kNoStep}, {1, 150}}), 178, 13},
    {"one lap keeps its lap", {100, kNoStep, 10}, 318, 3},
    // Part way round lap 3 after a 30-step lap 2 with a cut in it.
    {"part way round keeps the first lap", {100, 100, 100, 10, kNoStep, kNoStep, 10, 10, 100, 100}, 388, 5},
};

class Cutting : public ::testing::TestWithParam<CutCase> {};

TEST_P(Cutting, PenaltyAndLaps) {
  const CutCase& c = GetParam();
  std::vector<int> y(13), x;
  for (int g = 0; g < 13; ++g) y[g] = 100 * (g + 1);
  int step = 0;
  for (int d : c.durations) x.push_back(d == kNoStep ? kNoStep : (step += d));
  BikeTiming ty = timing_with(y), tx = timing_with(x);
  const std::vector<RaceRider> riders = {{0, &ty}, {1, &tx}};
  RaceRecord race;
  race_reset(race, 0, 3, 0);
  const CuttingPenalty cut = cutting_penalty(race, small_gates(), riders, tx);
  EXPECT_EQ(cut.penalty, c.penalty);
  EXPECT_EQ(cut.gates_passed, c.gates_passed);
}

INSTANTIATE_TEST_SUITE_P(Table, Cutting, ::testing::ValuesIn(kCuts), [](const ::testing::TestParamInfo<CutCase>& i) {
  std::string n = i.param.name;
  for (char& ch : n)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

TEST(FinalStandings, PenaltiesReorderAndFreeze) {
  // x cuts lap 3 and crosses the line first; its penalty costs it a lap.
  SmallRace r(0, 0, 3);
  std::vector<int> y(13), x;
  for (int g = 0; g < 13; ++g) y[g] = 100 * (g + 1);
  int step = 0;
  for (int d : with({{9, kNoStep}, {10, kNoStep}, {11, 10}})) x.push_back(d == kNoStep ? kNoStep : (step += d));
  r.bikes.push_back(timing_with(x));
  r.riders.push_back({4, &r.bikes.back()});
  r.bikes.push_back(timing_with(y));
  r.riders.push_back({6, &r.bikes.back()});
  ASSERT_TRUE(update_standings(r.race, r.gates, r.riders));
  EXPECT_TRUE(r.race.results_final);
  EXPECT_EQ(standing_slots(r.race.standings), (std::vector<int>{4, 6}));
  ASSERT_EQ(r.race.final_standings.size(), 2u);
  EXPECT_EQ(r.race.final_standings[0].slot, 6);
  EXPECT_EQ(r.race.final_standings[0].gates_passed, 13);
  EXPECT_EQ(r.race.final_standings[0].last_gate_step, 1300);
  EXPECT_EQ(r.race.final_standings[1].slot, 4);
  EXPECT_EQ(r.race.final_standings[1].gates_passed, 8);
  EXPECT_EQ(r.race.final_standings[1].last_gate_step, 1010 + 208);
  // Frozen: nothing changes any more.
  r.bikes[1].gates_passed = 2;
  EXPECT_FALSE(update_standings(r.race, r.gates, r.riders));
  EXPECT_EQ(standing_slots(r.race.standings), (std::vector<int>{4, 6}));
}

TEST(FinalStandings, OnlineRidersThatDoNotCountKeepNothingOpen) {
  SmallRace r(3, 0, 1);
  r.riders[1].counts = false;  // a remote rider gone quiet
  r.riders[2].counts = false;  // the local rider spectating in warm-up
  r.riders[2].spectator = true;
  r.ride_through(1, 0, 0, 0, 10);
  r.ride_through(0, 0, 1, 0, 10);
  const GateCrossing won = r.ride(0, 2, 50);
  EXPECT_TRUE(won.finished);
  EXPECT_TRUE(won.results_final);
  EXPECT_EQ(standing_slots(r.race.final_standings), (std::vector<int>{0, 1, 2}));
  // Offline the same unfinished riders keep the race open.
  SmallRace o(3, 0, 1);
  o.ride_through(1, 0, 0, 0, 10);
  o.ride_through(0, 0, 1, 0, 10);
  EXPECT_FALSE(o.ride(0, 2, 50).results_final);
}

}  // namespace
