#include "app/frame_pacing.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/app/scripted_clock.h"

namespace {

TEST(FramePacing, HistogramBuckets) {
  struct Case {
    double seconds;
    int bucket;
  } cases[] = {
      {0.0, 0}, {kStep * 0.99, 0}, {kStep, 1}, {kStep * 1.5, 1}, {kStep * 2, 2},
      {kStep * 63.9, 6}, {kStep * 64, 7}, {10.0, 7},
  };
  for (const Case& c : cases) EXPECT_EQ(histogram_bucket(c.seconds), c.bucket) << c.seconds;
}

TEST(FramePacing, SlowFrameIsCappedAtAnEighthOfASecond) {
  ScriptedClock clock;
  FrameTimes times;
  clock.time = 1.0;  // a frame that took a whole second
  double w = pace_frame(times, {}, clock.clock());
  EXPECT_EQ(w, 0.125);
  EXPECT_EQ(w / kStep, 16);
  EXPECT_EQ(times.previous, 1.0);
  EXPECT_EQ(times.histogram[7], 1u);
  EXPECT_EQ(times.longest, 0.125);
}

TEST(FramePacing, FastFrameSleepsUntilAStepHasPassedAndCountsOnce) {
  ScriptedClock clock;
  FrameTimes times;
  clock.time = kStep / 4;
  double w = pace_frame(times, {}, clock.clock());
  ASSERT_EQ(clock.sleeps.size(), 1u);
  EXPECT_DOUBLE_EQ(clock.sleeps[0], kStep * 3 / 4);
  EXPECT_DOUBLE_EQ(w, kStep);
  unsigned total = 0;
  for (unsigned n : times.histogram) total += n;
  EXPECT_EQ(total, 1u);
  EXPECT_EQ(times.histogram[0], 1u);
}

TEST(FramePacing, LockedRateAdvancesExactlyOneFrame) {
  ScriptedClock clock;
  FrameTimes times;
  PacingSettings locked;
  locked.lock_fps = 30;
  for (int frame = 0; frame < 3; ++frame) {
    clock.time += 0.002;  // a fast machine
    EXPECT_EQ(pace_frame(times, locked, clock.clock()), 1.0 / 30);
  }
  EXPECT_NEAR(clock.time, 3.0 / 30, 1e-12);
  // Connected, the locked rate does not apply.
  locked.connected = true;
  clock.time += 0.05;
  EXPECT_DOUBLE_EQ(pace_frame(times, locked, clock.clock()), 0.05);
}

TEST(FramePacing, WarpRunsAHundredStepsUnlessConnected) {
  ScriptedClock clock;
  FrameTimes times;
  PacingSettings warp;
  warp.warp = true;
  clock.time = 0.001;
  EXPECT_EQ(pace_frame(times, warp, clock.clock()), 100 * kStep);
  EXPECT_TRUE(clock.sleeps.empty());
  EXPECT_EQ(times.shortest, 100 * kStep);
}

TEST(FollowServer, ScalesTheAdvanceByTheGap) {
  const double w = 0.01;
  struct Case {
    int server, local, start;
    double factor;
  } cases[] = {
      {101, 100, 0, 1.0},                           // on time, racing
      {117, 100, 0, 1 + 8 * 16 * kStep * 0.125},    // 16 steps behind
      {300, 100, 0, 1.125},                         // far behind: at most 1/8 faster
      {101, 100, 500, 1.0},                         // on time before the start
      {165, 100, 500, 1 + 3 * 64 * kStep},          // half a second behind before the start
      {1000, 100, 500, 4.0},                        // catching up before the start: at most 4x
      {100, 100, 0, 0.5 + 0.5 * (1 - kStep)},       // one step ahead
      {0, 500, 0, 0.5},                             // far ahead: half speed
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(follow_server(w, c.server, c.local, c.start), w * c.factor, 1e-12)
        << c.server << " " << c.local << " " << c.start;
  }
}

}  // namespace
