#include "race/gate_crossing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "race/line_learning.h"
#include "tests/race/race_fixture.h"

namespace {

// Where the front wheel is put for one step, relative to a race gate's
// centre (along its direction, sideways, up).
struct Move {
  int gate;
  double along = 0, side = 0, up = 0;
};

struct CrossingCase {
  const char* name;
  std::vector<Move> moves;  // one every 10 steps from step 10
  int gates_passed;
  std::vector<int> steps;
};

const CrossingCase kCrossings[] = {
    {"in order", {{0}, {1}, {2}, {3}}, 4, {10, 20, 30, 40}},
    {"skipping gate k+1", {{0}, {1}, {2}, {3}, {5}}, 6, {10, 20, 30, 40, -1, 50}},
    {"skipping two gates", {{0}, {1}, {2}, {3}, {6}}, 7, {10, 20, 30, 40, -1, -1, 50}},
    {"three ahead is not tested", {{0}, {1}, {2}, {6}}, 3, {10, 20, 30}},
    {"back through a missed gate", {{0}, {1}, {2}, {3}, {5}, {4}}, 5, {10, 20, 30, 40, 60, 50}},
    {"back without a gap is ignored", {{0}, {1}, {2}, {3}, {4}, {5}, {4}}, 6, {10, 20, 30, 40, 50, 60}},
    {"back through the gate just crossed", {{0}, {1}, {2}, {4}, {4}}, 5, {10, 20, 30, -1, 40}},
    {"nothing beyond an uncrossed finish line", {{0}, {1}, {3}, {4}}, 2, {10, 20}},
    {"a crossed finish line lets the next lap through", {{0}, {1}, {2}, {4}}, 5, {10, 20, 30, -1, 40}},
    {"short of the gate's plane", {{0}, {1, -0.5}}, 1, {10}},
    {"on the plane", {{0}, {1, 0}}, 2, {10, 20}},
    {"past the plane", {{0}, {1, 3}}, 2, {10, 20}},
    {"outside the radius", {{0, 0, 10.01}, {0, 0, -10.01}}, 0, {}},
    {"at the rim", {{0, 0, 9.99}}, 1, {10}},
    {"height does not matter", {{0, 0, 0, 80}}, 1, {10}},
};

class Crossing : public ::testing::TestWithParam<CrossingCase> {};

TEST_P(Crossing, GatesAndSteps) {
  const CrossingCase& c = GetParam();
  SmallRace r;
  int step = 0;
  for (const Move& m : c.moves) r.ride(0, m.gate, step += 10, m.along, m.side, m.up);
  EXPECT_EQ(r.bike(0).gates_passed, c.gates_passed);
  EXPECT_EQ(r.bike(0).gate_steps, c.steps);
}

INSTANTIATE_TEST_SUITE_P(Table, Crossing, ::testing::ValuesIn(kCrossings),
                         [](const ::testing::TestParamInfo<CrossingCase>& info) {
                           std::string n = info.param.name;
                           for (char& ch : n)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

TEST(Crossing, AWheelThatIsNotANumberCrossesNothing) {
  SmallRace r;
  const double nan = std::nan("");
  const double wheel[3] = {nan, 0, nan};
  EXPECT_EQ(r.wheel_at(0, 10, wheel).gate, -1);
  EXPECT_EQ(r.bike(0).gates_passed, 0);
}

TEST(Crossing, WithoutCheckpointsNothingHappens) {
  SmallRace r;
  r.gates.checkpoints.clear();
  const double wheel[3] = {100, 0, 0};
  EXPECT_EQ(r.wheel_at(0, 10, wheel).gate, -1);
  EXPECT_EQ(r.bike(0).gates_passed, 0);
  EXPECT_TRUE(r.race.standings.empty());
  EXPECT_FALSE(update_standings(r.race, r.gates, r.riders));
  EXPECT_EQ(cutting_penalty(r.race, r.gates, r.riders, timing_with({-1, -1, 10})).penalty, 0);
}

TEST(Crossing, AcceptedCrossingClearsTheCrashMarkAndSortsTheStandings) {
  SmallRace r(2);
  r.ride(1, 0, 10);
  ASSERT_EQ(r.race.standings.size(), 2u);
  EXPECT_EQ(r.race.standings[0].slot, 1);
  EXPECT_EQ(r.race.standings[0].last_gate_step, 10);
  r.bike(0).crash_mark = 1;
  r.ride(0, 5, 20);  // not a candidate: the mark stays
  EXPECT_EQ(r.bike(0).crash_mark, 1);
  r.ride(0, 0, 30);
  EXPECT_EQ(r.bike(0).crash_mark, 0);
}

// Laps race of 2: lap 2 ends at race gate 7.
TEST(Finishing, AtTheLastLapsLine) {
  SmallRace r(1, 0, 2);
  int step = r.ride_through(0, 0, 6, 0, 10);
  EXPECT_FALSE(r.bike(0).finished);
  const GateCrossing last = r.ride(0, 7, step + 10);
  EXPECT_EQ(last.gate, 7);
  EXPECT_TRUE(last.finished);
  EXPECT_TRUE(r.bike(0).finished);
  // The only rider is done: the results are final with that crossing.
  EXPECT_TRUE(last.results_final);
  EXPECT_TRUE(r.race.results_final);
  // A finished bike is no longer timed.
  EXPECT_EQ(r.ride(0, 8, step + 20).gate, -1);
}

TEST(Finishing, EveryoneAtTheFirstLineAfterTheWinner) {
  SmallRace r(2, 0, 2);
  // Rider 1 completes lap 1 early, then falls a lap behind.
  r.ride_through(1, 0, 2, 0, 5);                     // lap line at 15
  const int won = r.ride_through(0, 0, 7, 0, 10);    // the winner at 80
  EXPECT_TRUE(r.bike(0).finished);
  EXPECT_FALSE(r.race.results_final);
  EXPECT_FALSE(has_finished(r.race, r.gates, r.riders, r.bike(1)));
  r.ride_through(1, 3, 6, won, 10);
  EXPECT_FALSE(r.bike(1).finished);
  // Its lap 2 line after the winner's: finished with its laps.
  const GateCrossing last = r.ride(1, 7, won + 50);
  EXPECT_TRUE(last.finished);
  EXPECT_TRUE(last.results_final);
}

TEST(Finishing, ALappedRiderFinishesAtItsNextLine) {
  SmallRace r(2, 0, 2);
  const int won = r.ride_through(0, 0, 7, 0, 10);
  r.ride_through(1, 0, 1, 0, 30);
  const GateCrossing line = r.ride(1, 2, won + 10);  // its lap 1 line
  EXPECT_TRUE(line.finished);
  EXPECT_EQ(laps_completed(r.gates, r.bike(1).gates_passed), 1);
}

TEST(Finishing, AtTheSameStepAsTheWinnerCountsAsAfter) {
  // Slot 0 is tested before the winner in slot 1 within the step.
  SmallRace s(2, 0, 2);
  s.ride_through(1, 0, 6, 0, 10);
  s.ride_through(0, 0, 1, 0, 10);
  // Slot 0 crosses its lap 1 line in the step slot 1 wins.
  EXPECT_FALSE(s.ride(0, 2, 70).finished);
  EXPECT_TRUE(s.ride(1, 7, 70).results_final);
  EXPECT_TRUE(s.bike(0).finished);
}

TEST(ResetGates, Cases) {
  struct Case {
    int passed;
    bool finished;
    int n;
    int gates_passed;
    size_t steps;
    bool still_finished;
  };
  const Case cases[] = {
      {8, true, 6, 6, 6, false},  // back: steps from 6 on forgotten
      {8, true, 8, 8, 8, true},   // the same count keeps the finish
      {3, false, 6, 6, 3, false}, // ahead: no steps invented
      {5, true, -2, 0, 0, false},
  };
  for (const Case& c : cases) {
    BikeTiming t = timing_with(std::vector<int>(c.passed, 7));
    t.finished = c.finished;
    t.crash_mark = 1;
    reset_gates(t, c.n);
    EXPECT_EQ(t.gates_passed, c.gates_passed) << c.n;
    EXPECT_EQ(t.gate_steps.size(), c.steps) << c.n;
    EXPECT_EQ(t.finished, c.still_finished) << c.n;
    EXPECT_EQ(t.crash_mark, 0);
  }
  // A bike put back crosses on from there, its later steps forgotten.
  SmallRace r;
  r.ride_through(0, 0, 4, 0, 10);
  reset_gates(r.bike(0), 3);
  r.ride(0, 3, 60);
  EXPECT_EQ(r.bike(0).gates_passed, 4);
  EXPECT_EQ(r.bike(0).gate_steps, (std::vector<int>{10, 20, 30, 60}));
}

// The line learning hears of every crossing through its table.
struct Heard {
  std::vector<std::string> calls;
};

class Learning : public ::testing::Test {
 protected:
  Heard heard;
  void SetUp() override {
    LineLearning ops{};
    ops.context = &heard;
    ops.record_sample = [](void* c, int slot) {
      static_cast<Heard*>(c)->calls.push_back("sample " + std::to_string(slot));
    };
    ops.spoil_segment = [](void* c, int slot, const BikeTiming& t) {
      static_cast<Heard*>(c)->calls.push_back("spoil " + std::to_string(slot) + " mark " +
                                             std::to_string(t.crash_mark));
    };
    ops.learn_at_gate = [](void* c, int slot, const BikeTiming& t, int gate) {
      static_cast<Heard*>(c)->calls.push_back("learn " + std::to_string(slot) + " gate " + std::to_string(gate) +
                                             " at " + std::to_string(t.gate_steps[gate]));
    };
    ops.clear_recordings = [](void* c, int slot) {
      static_cast<Heard*>(c)->calls.push_back("clear " + std::to_string(slot));
    };
    ops.finished = [](void* c, int slot) {
      static_cast<Heard*>(c)->calls.push_back("finished " + std::to_string(slot));
    };
    set_line_learning(&ops);
  }
  void TearDown() override {
    set_line_learning(nullptr);
  }
};

TEST_F(Learning, HearsCrossingsSkipsCrashesAndTheFinish) {
  SmallRace r(1, 0, 2, 0, {4});
  r.ride_through(0, 0, 3, 0, 10);  // steps 10..40
  r.bike(0).crash_mark = 1;
  r.ride(0, 4, 50);
  r.ride(0, 6, 64);  // skips the marked gate 5 at step 64: a sample step
  r.ride(0, 7, 70);
  const std::vector<std::string> expected = {
      "learn 4 gate 0 at 10", "learn 4 gate 1 at 20", "learn 4 gate 2 at 30", "learn 4 gate 3 at 40",
      "spoil 4 mark 1",       "learn 4 gate 4 at 50", "sample 4",             "clear 4",
      "learn 4 gate 7 at 70", "finished 4",
  };
  EXPECT_EQ(heard.calls, expected);
}

TEST_F(Learning, MarkedGatesAreNoSwitchPoints) {
  SmallRace r;
  r.ride_through(0, 0, 5, 0, 10);  // race gate 5 is the marked c3
  ASSERT_EQ(r.bike(0).gates_passed, 6);
  for (const std::string& call : heard.calls) EXPECT_EQ(call.find("gate 5"), std::string::npos) << call;
}

TEST(LearningTable, APartTableGetsStandInsAndNullRestoresNothing) {
  LineLearning part{};
  part.finished = [](void*, int) {};
  set_line_learning(&part);
  SmallRace r;
  r.ride_through(0, 0, 3, 0, 32);  // sample steps and crossings call every operation
  EXPECT_EQ(r.bike(0).gates_passed, 4);
  set_line_learning(nullptr);
  EXPECT_EQ(line_learning().record_sample, no_line_learning().record_sample);
}

}  // namespace

namespace {

// Riders thrown about the small course at random: wheels on or near the
// gates of their next few race gates, or anywhere. Whatever they do, the
// records stay consistent.
TEST(RandomRiding, RecordsStayConsistent) {
  std::mt19937 random(12345);
  SmallRace r(4, 0, 20, 50);
  std::vector<int> before(4, 0);
  int moves[7] = {};  // by change of the gate count, -3..+3
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  for (int step = 1; step <= 20000 && !r.race.results_final; ++step) {
    for (int k = 0; k < 4; ++k) {
      double wheel[3];
      const int target = std::max(0, r.bike(k).gates_passed + static_cast<int>(random() % 7) - 3);
      if (random() % 4 == 0) {
        wheel[0] = uniform(-100, 600), wheel[1] = 0, wheel[2] = uniform(-30, 30);
      } else {
        r.gate_point(target, wheel, uniform(-3, 3), uniform(-12, 12), uniform(-5, 5));
      }
      const GateCrossing x = r.wheel_at(k, step, wheel);
      const BikeTiming& t = r.bike(k);
      const int delta = t.gates_passed - before[k];
      EXPECT_TRUE(delta == 0 || delta == -2 || delta == -1 || (delta >= 1 && delta <= 3)) << delta;
      // An accepted gate moves the count just past it; nothing else moves it.
      EXPECT_EQ(x.gate < 0, delta == 0);
      if (x.gate >= 0) {
        EXPECT_EQ(x.gate, t.gates_passed - 1);
      }
      ++moves[delta + 3];
      before[k] = t.gates_passed;
      ASSERT_GE(t.gate_steps.size(), static_cast<size_t>(t.gates_passed));
      for (int s : t.gate_steps) EXPECT_TRUE(s == kNoStep || (s >= 1 && s <= step));
      if (x.gate >= 0) {
        EXPECT_EQ(t.gate_steps[x.gate], step);
      }
    }
    ASSERT_EQ(r.race.standings.size(), 4u);
    for (size_t k = 1; k < r.race.standings.size(); ++k)
      EXPECT_TRUE(standings_before(r.race.standings[k - 1], r.race.standings[k]));
  }
  // Every kind of move happened: steps back by one and two, skips.
  for (int d : {-2, -1, 1, 2, 3}) EXPECT_GT(moves[d + 3], 10) << d;
  EXPECT_EQ(moves[0], 0);
  // Everyone got round in the end, and the final standings hold every rider
  // once with no more gates than it rode.
  ASSERT_TRUE(r.race.results_final);
  ASSERT_EQ(r.race.final_standings.size(), 4u);
  for (const StandingsEntry& e : r.race.final_standings) {
    EXPECT_LE(e.gates_passed, r.bike(e.slot).gates_passed);
    EXPECT_GE(e.last_gate_step, gate_step(r.bike(e.slot), r.bike(e.slot).gates_passed - 1));
  }
}

}  // namespace
