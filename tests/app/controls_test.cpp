#include "app/controls.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/app_state.h"

namespace {

struct ControlsFixture : ::testing::Test {
  ControlState controls[kPlayerControlCount];
  double sums[kActionCount];
};

TEST_F(ControlsFixture, TableSumsEveryRowIntoItsAction) {
  for (ControlState& c : controls) c.value = 1;
  sum_actions(controls, sums);
  // Opposed pairs cancel; the rest count once.
  EXPECT_EQ(sums[SteerAction], 0);
  EXPECT_EQ(sums[ShiftAction], 0);
  EXPECT_EQ(sums[LeanAction], 0);
  for (RiderAction a : {ThrottleAction, FrontBrakeAction, RearBrakeAction, ClutchAction, SitDabAction, BackUpAction})
    EXPECT_EQ(sums[a], 1) << a;

  for (ControlState& c : controls) c.value = 0;
  controls[RightControl].value = 0.5;
  controls[LeanForwardControl].value = 1;
  controls[DownshiftControl].value = 1;
  sum_actions(controls, sums);
  EXPECT_EQ(sums[SteerAction], -0.5);
  EXPECT_EQ(sums[LeanAction], -1);
  EXPECT_EQ(sums[ShiftAction], -1);
}

TEST_F(ControlsFixture, KeysSetTheirAnalogValue) {
  controls[ThrottleControl].key_code = 0x1000 + 0x2D;
  EXPECT_TRUE(press_analog_key(controls, 0x1000 + 0x2D, true));
  EXPECT_EQ(controls[ThrottleControl].value, 1);
  press_analog_key(controls, 0x1000 + 0x2D, false);
  EXPECT_EQ(controls[ThrottleControl].value, 0);
  // Unbound controls (code 0) never match.
  EXPECT_FALSE(press_analog_key(controls, 0, true));
  EXPECT_EQ(controls[FrontBrakeControl].value, 0);
}

TEST(AxisValue, MapsTheCalibratedRange) {
  EXPECT_DOUBLE_EQ(axis_value(0.5 * 32768, 0, 1), 0.5);
  EXPECT_EQ(axis_value(32768, 0.0625, 0.9375), 1);
  EXPECT_EQ(axis_value(0, 0.0625, 0.9375), 0);
  EXPECT_DOUBLE_EQ(axis_value(-0.5 * 32768, -0.0625, -0.9375), (-0.5 + 0.0625) / (-0.875));
  // An empty range must not give NaN.
  double v = axis_value(100, 0.25, 0.25);
  EXPECT_FALSE(std::isnan(v));
  EXPECT_EQ(v, 0);
}

TEST(Clutch, PulledQuicklyLetOutSlowly) {
  EXPECT_EQ(clutch_engagement(7.0 / 8, 1.0), 0);  // fully pulled
  EXPECT_EQ(clutch_engagement(1, 0.5), 0);
  EXPECT_DOUBLE_EQ(clutch_engagement(0, 0.0), 4 * kStep);  // letting out: rate limited
  EXPECT_DOUBLE_EQ(clutch_engagement(0, 0.5), 0.5 + 4 * kStep);
  EXPECT_EQ(clutch_engagement(0, 0.99), 1.0) << "never past full engagement";
  EXPECT_EQ(clutch_engagement(0, 1.0), 1.0);
}

TEST(RiderControlsRules, ShiftSteeringAndSitToggle) {
  double sums[kActionCount] = {};
  SitToggle sit;
  ControlOptions plain;
  sums[ShiftAction] = 0.6;
  sums[SteerAction] = 0.25;
  RiderInput c = rider_controls(sums, plain, sit, 1.0);
  EXPECT_EQ(c.shift, 1);
  EXPECT_EQ(c.steer, 0.25);
  sums[ShiftAction] = -0.6;
  EXPECT_EQ(rider_controls(sums, plain, sit, 1.0).shift, -1);
  sums[ShiftAction] = 0.5;
  EXPECT_EQ(rider_controls(sums, plain, sit, 1.0).shift, 0);

  ControlOptions options{true, true};
  EXPECT_EQ(rider_controls(sums, options, sit, 1.0).steer, -0.25);
  // Each rise through 0.5 toggles sitting; holding does not.
  sums[SitDabAction] = 1;
  EXPECT_EQ(rider_controls(sums, options, sit, 1.0).sit, 1);
  EXPECT_EQ(rider_controls(sums, options, sit, 1.0).sit, 1);
  sums[SitDabAction] = 0;
  EXPECT_EQ(rider_controls(sums, options, sit, 1.0).sit, 1);
  sums[SitDabAction] = 1;
  EXPECT_EQ(rider_controls(sums, options, sit, 1.0).sit, 0);
}

}  // namespace

#include "app/main_loop.h"

namespace {

TEST(EngineVolume, SilentWhenPausedInTheEditorOrRidingUnderAMenu) {
  struct Case {
    bool paused;
    ViewMode view;
    bool menu, live;
    double volume;
  } cases[] = {
      {false, RiderView, false, true, 1},   {true, RiderView, false, true, 0},
      {false, EditorView, false, false, 0}, {false, RiderView, true, true, 0},
      {false, OrbitCamera, true, false, 0.25},
  };
  for (const Case& c : cases) EXPECT_EQ(engine_base_volume(c.paused, c.view, c.menu, c.live), c.volume);
}

}  // namespace
