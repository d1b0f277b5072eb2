#include "race/off_course.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/race/race_fixture.h"

namespace {

// The leader takes 1000 steps to gate 2. With scale 1.5 and a bias of 2 s
// (256 steps) a rider is off course at 1756 steps or more.
struct OffCourse : ::testing::Test {
  SmallRace r{0, 0, 5, 100};
  OffCourseRule rule{1.5, 2.0};
  BikeTiming& add(int slot, std::vector<int> steps) {
    r.bikes.push_back(timing_with(std::move(steps)));
    r.riders.push_back({slot, &r.bikes.back()});
    return r.bikes.back();
  }
  void SetUp() override { add(0, {200, 300, 1300, 1400}); }
  bool off(const BikeTiming& bike, int gate, int now) {
    r.race.race_step = now;
    update_standings(r.race, r.gates, r.riders);
    return is_off_course(r.race, r.gates, r.riders, bike, gate, rule);
  }
};

TEST_F(OffCourse, BiasInSecondsAgainstTimesInSteps) {
  const std::pair<int, bool> cases[] = {{1756, true}, {1755, false}, {1600, false}, {900, false}};
  for (auto [time, expected] : cases) {
    BikeTiming bike = timing_with({250, 400, 400 + time});
    EXPECT_EQ(off(bike, 2, 5000), expected) << time;
  }
  EXPECT_DOUBLE_EQ(off_course_bias_steps(rule), 256);
}

TEST_F(OffCourse, StretchEndsNowWhileTheGateIsAhead) {
  BikeTiming& bike = add(1, {250, 400});
  EXPECT_FALSE(off(bike, 2, 400 + 1755));
  EXPECT_TRUE(off(bike, 2, 400 + 1756));
}

TEST_F(OffCourse, StretchStartsAtTheLastRecordedGateOrTheStart) {
  // Gate 1 missed: the stretch to gate 2 runs from gate 0.
  BikeTiming skipped = timing_with({250, kNoStep, 250 + 1756});
  EXPECT_TRUE(off(skipped, 2, 5000));
  // Gate 0: the leader took 100 steps from the start at 100.
  BikeTiming first = timing_with({100 + 405});
  EXPECT_FALSE(off(first, 0, 5000));
  first.gate_steps[0] = 100 + 406;
  EXPECT_TRUE(off(first, 0, 5000));
}

TEST_F(OffCourse, NoLeaderOrBrokenSettingsMeanNotOffCourse) {
  BikeTiming bike = timing_with({250, 400});
  EXPECT_FALSE(off(bike, 5, 100000));  // nobody passed gate 5
  EXPECT_TRUE(off(bike, 2, 100000));
  for (OffCourseRule broken : {OffCourseRule{std::nan(""), 2}, OffCourseRule{1.5, INFINITY}}) {
    rule = broken;
    EXPECT_FALSE(off(bike, 2, 100000));
    EXPECT_FALSE(off_course_due(r.race, rule));
  }
}

TEST_F(OffCourse, DueOnceTheRaceRanForTheBias) {
  r.race.race_step = 100 + 255;
  EXPECT_FALSE(off_course_due(r.race, rule));
  r.race.race_step = 100 + 256;
  EXPECT_TRUE(off_course_due(r.race, rule));
}

}  // namespace
