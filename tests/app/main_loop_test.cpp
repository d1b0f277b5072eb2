#include "app/main_loop.h"

#include <gtest/gtest.h>

#include <vector>

#include "config/config_file.h"
#include "config/settings.h"
#include "platform/event_queue.h"
#include "tests/app/scripted_clock.h"

namespace {

constexpr int kThrottleKey = TARN_KEY_BASE + 0x2D;
constexpr int kPauseKey = TARN_KEY_BASE + 0x45;

// What the loop did to the world: the frame steps it ran and the throttle
// each rider input carried.
struct World {
  bool track = true;
  bool live = true;
  int frame_steps = 0;
  std::vector<double> throttles;
};
World* world;

struct MainLoopFixture : ::testing::Test {
  World w;
  ScriptedClock scripted;
  PacingClock clock = scripted.clock();
  LoopParts parts = idle_loop_parts();
  LoopContext context{&parts, &clock, nullptr, SitToggle()};
  App a;

  void SetUp() override {
    w = World();
    world = &w;
    clear_events();
    settings_defaults();
    control_binding(ThrottleControl).key_code = kThrottleKey;
    control_binding(PauseControl).key_code = kPauseKey;
    for (int i = 0; i < kPlayerControlCount; ++i) control_states()[i].value = 0;
    parts.track_loaded = [] { return world->track; };
    parts.slot_has_bike = [](int) { return world->live; };
    parts.slot_is_live = [](int) { return world->live; };
    parts.frame_step = [] { world->frame_steps++; };
    parts.set_rider_input = [](int, const RiderInput& in) { world->throttles.push_back(in.throttle); };
    a = App();
    a.loop.menu = -1;
    a.loop.view = RiderView;
    scripted.time = 1.0;
    a.loop.frames.previous = 1.0;
  }
  void TearDown() override {
    clear_events();
    settings_defaults();
  }
  // A frame that took this long in real time.
  void frame(double seconds) {
    scripted.time += seconds;
    run_frame(a, context);
  }
  void key(int code, bool pressed, double stamp) { queue_event({code, pressed, stamp}); }
};

TEST_F(MainLoopFixture, AFrameRunsTheStepsItsTimeCallsFor) {
  frame(3 * kStep);
  EXPECT_EQ(w.frame_steps, 3);
  frame(2.5 * kStep);  // a part of a step is simulated ahead, as a whole step
  EXPECT_EQ(w.frame_steps, 6);
  frame(0.5 * kStep + 2 * kStep);  // and not again
  EXPECT_EQ(w.frame_steps, 8);
}

TEST_F(MainLoopFixture, ASlowFrameCatchesUpAtMostAnEighthOfASecond) {
  frame(0.5);
  EXPECT_EQ(w.frame_steps, 16);
  frame(10.0);
  EXPECT_EQ(w.frame_steps, 32);
  frame(kStep);
  EXPECT_EQ(w.frame_steps, 33);
}

TEST_F(MainLoopFixture, EachStepTakesTheEventsStampedUpToItsMoment) {
  // Four steps stand for the moments 1 + k/128, k = 1..4; a key pressed
  // between the second and third reaches the third step first.
  key(kThrottleKey, true, 1.0 + 2.5 * kStep);
  frame(4 * kStep);
  EXPECT_EQ(w.throttles, (std::vector<double>{0, 0, 1, 1}));
  key(kThrottleKey, false, 1.0 + 4.25 * kStep);
  frame(2 * kStep);
  EXPECT_EQ(w.throttles, (std::vector<double>{0, 0, 1, 1, 0, 0}));
}

TEST_F(MainLoopFixture, PauseHoldsTheSimulationButStillTakesKeys) {
  a.loop.paused = true;
  frame(4 * kStep);
  EXPECT_EQ(w.frame_steps, 0);
  key(kPauseKey, true, 1.0 + 5.5 * kStep);
  frame(4 * kStep);
  EXPECT_FALSE(a.loop.paused);
  EXPECT_EQ(w.frame_steps, 3) << "the steps from the key press on run";
}

TEST_F(MainLoopFixture, WithoutATrackTheTitleShowsAndNothingIsSimulated) {
  w.track = false;
  frame(8 * kStep);
  EXPECT_EQ(a.loop.view, TitleView);
  EXPECT_EQ(w.frame_steps, 0);
  w.track = true;
  frame(2 * kStep);
  EXPECT_EQ(a.loop.view, RiderView);
  EXPECT_EQ(w.frame_steps, 2);
}

TEST_F(MainLoopFixture, AnOpenMenuFreezesTheLiveRideButNotASpectatorsView) {
  a.loop.menu = 0;
  key(kThrottleKey, true, 1.0 + kStep);
  frame(4 * kStep);
  EXPECT_EQ(w.frame_steps, 0);
  EXPECT_TRUE(w.throttles.empty()) << "no input reaches the frozen bike";
  w.live = false;  // watching another rider: the race goes on under the menu
  frame(4 * kStep);
  EXPECT_EQ(w.frame_steps, 4);
}

TEST_F(MainLoopFixture, TheFrameRateDoesNotChangeHowMuchIsSimulated) {
  // Two seconds drawn at either rate (a frame quicker than a step waits for
  // the rest of it) simulate the same steps.
  for (double fps : {30.0, 144.0}) {
    SetUp();
    while (scripted.time < 3.0 - 1e-9) frame(1.0 / fps);
    EXPECT_NEAR(w.frame_steps, 256, 1) << fps << " frames a second";
  }
}

}  // namespace
