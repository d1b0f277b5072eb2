#include "robot/line_learning.h"

#include <gtest/gtest.h>

#include "tests/robot/robot_fixture.h"

namespace {
// Four switch points a lap: gates 0..3 of the first lap are switch points
// 0..3, race gate 4 + k is switch point 4 + k.
const TimingGates kGates = make_gates({0, 1, 2, 3}, {0, 1, 2, 3});
constexpr int kStart = 1000;

RiderFrame frame_at(double x, double z, double speed = 30) {
  RiderFrame f;
  f.position[0] = x;
  f.position[2] = z;
  f.velocity[2] = -speed;
  f.speed = speed;
  return f;
}

// A rider going through the gates, with its timing records.
struct Rider {
  LineTable& table;
  RobotState state;
  std::vector<int> gate_steps;
  int crash_mark = 0;
  explicit Rider(LineTable& t, int personality = 0) : table(t) { robot_state_reset(state, personality); }
  int gates_passed() const { return static_cast<int>(gate_steps.size()); }
  // Samples every step from `from` to `to` along z = -x_offset ... moving.
  void ride(int from, int to, double x, double z0, double z1) {
    for (int step = from; step < to; ++step) {
      const double t = static_cast<double>(step - from) / (to - from);
      record_sample(table.map, state, frame_at(x, z0 + (z1 - z0) * t), gates_passed(), crash_mark, step, kStart);
    }
  }
  void cross(int gate, int step, const RiderFrame& frame = RiderFrame()) {
    const int expected = gates_passed();
    if (static_cast<int>(gate_steps.size()) <= gate) gate_steps.resize(static_cast<size_t>(gate) + 1, -1);
    gate_steps[gate] = step;
    LineCrossing c;
    c.gate = gate;
    c.expected = expected;
    c.gate_steps = gate_steps;
    c.race_step = step;
    c.start_step = kStart;
    c.crash_mark = crash_mark;
    c.frame = frame;
    learn_at_gate(table, state, c);
    crash_mark = 0;
  }
};

struct LearningTest : ::testing::Test {
  LineTable table;
  LogCapture log;
  LearningTest() { lines_reset(table, kGates); }
  int lines_in(int segment) const {
    int n = 0;
    for (const Line& l : table.segments[segment]) n += l.empty() ? 0 : 1;
    return n;
  }
};

TEST_F(LearningTest, SamplesEvery32StepsFromTheGateDropIntoTheSegmentsBuffer) {
  Rider rider(table);
  rider.ride(900, 1400, 0, 0, -400);  // segment 0: steps 1024 .. 1376
  EXPECT_EQ(rider.state.recording[0].size(), 12u);
  EXPECT_TRUE(rider.state.recording[1].empty());
  rider.cross(0, 1400);
  rider.ride(1400, 1600, 0, -400, -600);  // segment 1: 1408 .. 1568
  EXPECT_EQ(rider.state.recording[1].size(), 6u);
  EXPECT_EQ(rider.state.recording[0].size(), 12u);

  // In the air the speed is stored negative.
  RiderFrame air = frame_at(0, -600, 44);
  air.airborne = true;
  air.lean = 0.25;
  record_sample(table.map, rider.state, air, 1, 0, 1600, kStart);
  EXPECT_FLOAT_EQ(rider.state.recording[1].back().speed, -44);
  EXPECT_FLOAT_EQ(rider.state.recording[1].back().lean, 0.25f);

  // A crash spoils the buffer; nothing more is added to it.
  record_sample(table.map, rider.state, air, 1, 1, 1605, kStart);
  EXPECT_TRUE(rider.state.spoiled[1]);
  record_sample(table.map, rider.state, air, 1, 0, 1632, kStart);
  EXPECT_EQ(rider.state.recording[1].size(), 7u);

  // Robots record nothing.
  Rider robot(table, 1);
  robot.ride(1000, 1400, 0, 0, -400);
  EXPECT_TRUE(robot.state.recording[0].empty());
}

TEST_F(LearningTest, ACleanStretchBecomesALineAndTheSameRideIsADuplicate) {
  for (int lap = 0; lap < 2; ++lap) {
    Rider rider(table);
    rider.ride(0, 1500, 0, 0, -500);
    rider.cross(0, 1500);
    rider.ride(1500, 2000, 0, -500, -1000);
    rider.cross(1, 2000);
  }
  EXPECT_TRUE(log.has("auto pilot: evicting 0 (times: 7812.50 7812.50 tested (0 0): 0.00 0.00 repl: 3.906250 "
                      "7.812500)\n"));
  EXPECT_TRUE(log.has("auto pilot: 0 rejected (duplicate)\n"));
  ASSERT_EQ(lines_in(0), 1);
  const Line& line = table.segments[0][0];
  EXPECT_EQ(line.time_first, 500);
  EXPECT_EQ(line.time_both, 1000);
  EXPECT_EQ(line.runs, 0);
  EXPECT_EQ(line.best_both, kNoTime);
  EXPECT_GT(line.id, 0);
  EXPECT_EQ(line.point_count(), 15);  // steps 1024 .. 1472, before the gate at 1500
}

// Duplicates are points within 1/16 in speed and 1/16 ft, with the same
// number of points.
TEST_F(LearningTest, DuplicateThresholds) {
  struct Case {
    double dx, dspeed;
    int extra_points;
    bool duplicate;
  } cases[] = {
      {0, 0, 0, true},     {0.06, 0, 0, true},   {0.07, 0, 0, false},
      {0, 0.0625, 0, true}, {0, 0.07, 0, false}, {0, 0, 1, false},
  };
  for (const Case& c : cases) {
    lines_reset(table, kGates);
    put_line(table, 0, tried_line(straight(0, 0, 0, -100, 8), 0, 500));
    Rider rider(table);
    rider.state.recording[0] = straight(c.dx, 0, c.dx, -100, 8 + c.extra_points, 30 + c.dspeed);
    rider.cross(0, 1500);
    rider.cross(1, 2000);
    EXPECT_EQ(lines_in(0), c.duplicate ? 1 : 2) << c.dx << " " << c.dspeed;
  }
}

TEST_F(LearningTest, EmptyOrSpoiledRecordingsAreCanceled) {
  Rider empty(table);
  empty.cross(0, 1500);
  empty.cross(1, 2000);
  EXPECT_TRUE(log.has("auto pilot: 0 canceled\n"));

  Rider crashed(table);
  crashed.ride(1000, 1500, 0, 0, -500);
  crashed.crash_mark = 1;  // crashed, marked at the next crossing
  crashed.cross(0, 1500);
  EXPECT_TRUE(crashed.state.spoiled[0]);
  crashed.ride(1500, 2000, 0, -500, -1000);
  crashed.cross(1, 2000);
  EXPECT_EQ(log.count("auto pilot: 0 canceled\n"), 2);
  EXPECT_EQ(lines_in(0), 0);
  // The buffer is free for segment 2 again.
  EXPECT_FALSE(crashed.state.spoiled[0]);
  EXPECT_TRUE(crashed.state.recording[0].empty());
}

TEST_F(LearningTest, ASkipOrAStepBackClearsBothRecordings) {
  Rider rider(table);
  rider.ride(1000, 1500, 0, 0, -500);
  rider.cross(0, 1500);
  rider.ride(1500, 2000, 0, -500, -1000);
  rider.cross(2, 2000);  // gate 1 skipped
  EXPECT_TRUE(rider.state.recording[0].empty());
  EXPECT_TRUE(rider.state.recording[1].empty());
  EXPECT_EQ(lines_in(0), 0);
  EXPECT_EQ(lines_in(1), 0);
}

// A segment with every slot taken gives one up only to a line at least 20
// percent faster than the slot's expected time.
TEST_F(LearningTest, AFullSegmentEvictsOnlyForALineAtLeast20PercentFaster) {
  struct Case {
    const char* what;
    Line worst;     // the slot that eviction chooses
    int new_time;   // the candidate's time over both segments
    bool evicted;
  } cases[] = {
      // Untried: expected time_both * 5/4 = 1250.
      {"untried, exactly 20%", tried_line(straight(0, 0, 0, -50, 5), 0, 500), 1000, true},
      {"untried, just short", tried_line(straight(0, 0, 0, -50, 5), 0, 500), 1001, false},
      // Untried with a failure: 1250 + 640.
      {"untried, failed", tried_line(straight(0, 0, 0, -50, 5), 0, 500, 1), 1512, true},
      {"untried, failed, short", tried_line(straight(0, 0, 0, -50, 5), 0, 500, 1), 1513, false},
      // Tried: the robots' mean over both (1000) plus 640 x 1/(4+1).
      {"tried", tried_line(straight(0, 0, 0, -50, 5), 4, 500, 1), 902, true},
      {"tried, short", tried_line(straight(0, 0, 0, -50, 5), 4, 500, 1), 903, false},
  };
  for (const Case& c : cases) {
    lines_reset(table, kGates);
    // 44 good lines from the same start, and the worst one.
    for (int i = 0; i < kLineSlots - 1; ++i)
      put_line(table, 0, tried_line(straight(0.1 * i, 0, 0.1 * i, -50, 5), 10, 300));
    const int worst = put_line(table, 0, c.worst);
    ASSERT_EQ(line_choose_eviction(table.segments[0]), worst) << c.what;
    const int worst_id = table.segments[0][worst].id;
    Rider rider(table);
    rider.state.recording[0] = straight(-7, 0, -7, -50, 6);
    rider.gate_steps = {kStart + c.new_time / 2};
    rider.cross(1, kStart + c.new_time);
    const Line& slot = table.segments[0][worst];
    EXPECT_EQ(slot.id != worst_id, c.evicted) << c.what;
    EXPECT_EQ(lines_in(0), kLineSlots) << c.what;
    if (c.evicted) {
      EXPECT_EQ(slot.time_both, c.new_time);
      EXPECT_EQ(slot.runs, 0);
      EXPECT_EQ(slot.failures, 0);
      EXPECT_EQ(slot.point_count(), 6);
    }
  }
  EXPECT_TRUE(log.has("auto pilot: 0 rejected (too slow)\n"));
  EXPECT_TRUE(log.has("auto pilot: evicting 44 (times: 3.91 7.81 tested (4 1): 3.91 7.81 repl:"));
}

// A line that starts where no other does counts at three quarters.
TEST(Eviction, ALineCoveringGroundOfItsOwnIsKeptLonger) {
  LineTable table;
  lines_reset(table, kGates);
  put_line(table, 0, tried_line(straight(0, 0, 0, -50, 5), 0, 500));   // 1250, shared start
  put_line(table, 0, tried_line(straight(1, 0, 1, -50, 5), 0, 400));   // 1000, shared start
  const int alone = put_line(table, 0, tried_line(straight(30, 0, 30, -50, 5), 0, 600));  // 1500 x 3/4
  EXPECT_EQ(line_choose_eviction(table.segments[0]), 0);
  table.segments[0][alone].time_both = 1800;  // 2250 x 3/4 = 1687.5
  EXPECT_EQ(line_choose_eviction(table.segments[0]), alone);
  EXPECT_EQ(line_choose_eviction(LineSlots()), -1);
}

struct RobotLearningTest : LearningTest {
  int line_slot = -1;
  Rider robot{table, 2};
  RobotLearningTest() {
    line_slot = put_line(table, 0, tried_line(straight(0, 0, 0, -500, 20, 30), 2, 600));
    robot.state.path = table.segments[0][line_slot].points;
    robot.state.target = 10;
    robot.state.ridden[0] = RiddenLine{table.segments[0][line_slot].id, 0};
  }
  const Line& line() const { return table.segments[0][line_slot]; }
};

TEST_F(RobotLearningTest, ACompletedRunOnTheLineCountsForIt) {
  robot.cross(0, 1400);
  robot.cross(1, 1900, frame_at(1, -250, 31));  // 1 ft off, a little faster
  EXPECT_EQ(line().runs, 3);
  EXPECT_EQ(line().failures, 0);
  EXPECT_EQ(line().best_first, 400);
  EXPECT_EQ(line().best_both, 900);
  EXPECT_EQ(line().sum_first, 1200 + 400);
  EXPECT_EQ(line().sum_both, 2400 + 900);
  EXPECT_EQ(robot.state.ridden[0].id, 0);  // judged once
  EXPECT_EQ(lines_in(0), 1);                // robots offer no lines
}

TEST_F(RobotLearningTest, OffTheLineOrMissingAGateIsAFailure) {
  struct Case {
    const char* what;
    RiderFrame frame;
    bool skip_gate_0;
  } cases[] = {
      {"5 ft off", frame_at(5, -250, 30), false},
      {"much faster than the line", frame_at(0, -250, 33), false},
      {"missed gate 0", frame_at(0, -250, 30), true},
  };
  for (const Case& c : cases) {
    Rider r(table, 2);
    r.state.path = line().points;
    r.state.target = 10;
    r.state.ridden[0] = RiddenLine{line().id, 0};
    const int failures = line().failures, runs = line().runs;
    if (c.skip_gate_0) {
      r.gate_steps = {-1};
    } else {
      r.cross(0, 1400);
    }
    r.cross(1, 1900, c.frame);
    EXPECT_EQ(line().failures, failures + 1) << c.what;
    EXPECT_EQ(line().runs, runs) << c.what;
  }
}

TEST_F(RobotLearningTest, ACrashFailsTheLineInUseAndTheOneBeforeNearAGate) {
  const int second = put_line(table, 1, tried_line(straight(0, -500, 0, -900, 10), 2, 600));
  robot.state.ridden[1] = RiddenLine{table.segments[1][second].id, 1};
  robot.cross(0, 1400);
  struct Case {
    int step;
    int first_failures, second_failures;
  } cases[] = {{1400 + 200, 0, 1}, {1400 + 128, 1, 1}};
  for (const Case& c : cases) {
    robot.state.ridden[0] = RiddenLine{line().id, 0};
    robot.state.ridden[1] = RiddenLine{table.segments[1][second].id, 1};
    table.segments[0][line_slot].failures = 0;
    table.segments[1][second].failures = 0;
    int mark = 1;
    robot_crash_check(table, robot.state, mark, robot.gates_passed(), 1400, c.step);
    EXPECT_EQ(mark, 2);
    EXPECT_EQ(line().failures, c.first_failures) << c.step;
    EXPECT_EQ(table.segments[1][second].failures, c.second_failures) << c.step;
    for (const RiddenLine& r : robot.state.ridden) EXPECT_EQ(r.id, 0);
    // A crash already counted counts no more.
    robot_crash_check(table, robot.state, mark, robot.gates_passed(), 1400, c.step + 1);
    EXPECT_EQ(table.segments[1][second].failures, c.second_failures);
  }
}

TEST(FinishFade, TheRestOfThePathSlowsToAQuarter) {
  RobotState s;
  s.path = straight(0, 0, 0, -100, 8, 40);
  s.path[6].speed = -40;  // airborne stays airborne
  s.target = 4;
  robot_finish_fade(s);
  EXPECT_FLOAT_EQ(s.path[3].speed, 40);
  EXPECT_FLOAT_EQ(s.path[4].speed, 40);                        // i = 0 of 4
  EXPECT_FLOAT_EQ(s.path[5].speed, 40 * (0.75f * 3 / 4 + 0.25f));
  EXPECT_FLOAT_EQ(s.path[6].speed, -40 * (0.75f * 2 / 4 + 0.25f));
  EXPECT_FLOAT_EQ(s.path[7].speed, 40 * (0.75f * 1 / 4 + 0.25f));
}
}  // namespace
