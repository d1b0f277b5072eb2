#include "app/event_dispatch.h"

#include <gtest/gtest.h>

#include "config/settings.h"

namespace {

// The world as the dispatch sees it, with counters of what it asked for.
struct FakeWorld {
  bool track = true;
  bool has_bike = true;
  bool live = true;
  bool connected = false;
  bool warmup = false;
  int cameras = 2;
  bool capturing = false;
  int captured_key = 0;
  int cancels = 0;
  int menu_keys = 0;
  bool menu_frees_track = false;
  bool editor_takes = false;
  int frame_steps = 0;
  double seek = 0;
  int screenshots = 0;
  int left_editor = 0;
};
FakeWorld* world;

LoopParts fake_parts() {
  LoopParts p = idle_loop_parts();
  p.track_loaded = [] { return world->track; };
  p.slot_has_bike = [](int) { return world->has_bike; };
  p.slot_is_live = [](int) { return world->live; };
  p.connected = [] { return world->connected; };
  p.warmup = [] { return world->warmup; };
  p.track_camera_count = [] { return world->cameras; };
  p.capture_active = [] { return world->capturing; };
  p.capture_cancel = [] { world->cancels++; world->capturing = false; };
  p.capture_key = [](int code) { world->captured_key = code; world->capturing = false; return true; };
  p.menu_key = [](int, int) { world->menu_keys++; if (world->menu_frees_track) world->track = false; };
  p.editor_key = [](int, bool) { return world->editor_takes; };
  p.frame_step = [] { world->frame_steps++; };
  p.seek_demo = [](double s) { world->seek += s; };
  p.neighbour_slot = [](int slot, int direction) { return slot + direction; };
  p.take_screenshot = [] { world->screenshots++; };
  p.leave_editor = [] { world->left_editor++; };
  return p;
}

struct DispatchFixture : ::testing::Test {
  FakeWorld fake;
  LoopParts parts = fake_parts();
  LoopState loop;
  CommandLine options;
  ControlState controls[kPlayerControlCount];

  void SetUp() override {
    world = &fake;
    loop.menu = -1;
    loop.watched_slot = 5;
    controls[PauseControl].key_code = 0x1045;
    controls[StepControl].key_code = 0x1034;
    controls[ChatControl].key_code = 0x1014;
    controls[RewindControl].key_code = 0x102B;
    controls[SkipControl].key_code = 0x1035;
    controls[PreviousBikeControl].key_code = 0x101A;
    controls[NextBikeControl].key_code = 0x101B;
    controls[ScreenshotControl].key_code = 0x101F;
    controls[ThrottleControl].key_code = 0x102D;
  }
  void press(int code) { dispatch_event(loop, options, parts, controls, {code, true, 0}); }
  void release(int code) { dispatch_event(loop, options, parts, controls, {code, false, 0}); }
};

TEST_F(DispatchFixture, EscOpensAndClosesTheMainMenu) {
  press(kEscKey);
  EXPECT_EQ(loop.menu, 0);
  loop.menu_item = 3;
  press(kEscKey);
  EXPECT_EQ(loop.menu, -1);
  EXPECT_EQ(loop.menu_item, 0);
  release(kEscKey);
  EXPECT_EQ(loop.menu, -1);
}

TEST_F(DispatchFixture, MenuTakesPressesAndFallsBackToTitleWhenTrackIsGone) {
  loop.menu = 0;
  press(controls[PauseControl].key_code);
  EXPECT_EQ(fake.menu_keys, 1);
  EXPECT_FALSE(loop.paused) << "global keys are the menu's while it is open";
  fake.menu_frees_track = true;
  press('x');
  EXPECT_EQ(loop.view, TitleView);
}

TEST_F(DispatchFixture, AnalogKeysWorkEvenUnderAMenu) {
  loop.menu = 0;
  press(0x102D);
  EXPECT_EQ(controls[ThrottleControl].value, 1);
  release(0x102D);
  EXPECT_EQ(controls[ThrottleControl].value, 0);
}

TEST_F(DispatchFixture, CaptureTakesTheNextKeyOrEsc) {
  fake.capturing = true;
  press(kEscKey);
  EXPECT_EQ(fake.cancels, 1);
  EXPECT_EQ(loop.menu, -1) << "esc only cancels the capture";
  fake.capturing = true;
  release(0x1010);
  EXPECT_EQ(fake.captured_key, 0);
  press(0x1010);
  EXPECT_EQ(fake.captured_key, 0x1010);
}

TEST_F(DispatchFixture, PauseStepAndTab) {
  press(controls[StepControl].key_code);
  EXPECT_EQ(fake.frame_steps, 0) << "step only while paused";
  press(controls[PauseControl].key_code);
  EXPECT_TRUE(loop.paused);
  press(controls[StepControl].key_code);
  EXPECT_EQ(fake.frame_steps, 1);
  fake.connected = true;
  press(controls[PauseControl].key_code);
  EXPECT_TRUE(loop.paused) << "no pausing a server's race";

  press(kTabCharacter);
  EXPECT_EQ(loop.view, OrbitCamera);
  press(kTabCharacter);
  EXPECT_EQ(loop.view, TrackCamera);
  press(kTabCharacter);
  EXPECT_EQ(loop.view, RiderView);
}

TEST_F(DispatchFixture, TabThroughTheEditorSettlesTheBikes) {
  options.editor = true;
  press(kTabCharacter);
  EXPECT_EQ(loop.view, EditorView);
  press(kTabCharacter);
  EXPECT_EQ(loop.view, OrbitCamera);
  EXPECT_EQ(fake.left_editor, 1);
}

TEST_F(DispatchFixture, EditorTakesKeysFirst) {
  loop.view = EditorView;
  fake.editor_takes = true;
  press(kTabCharacter);
  EXPECT_EQ(loop.view, EditorView);
  press(controls[ChatControl].key_code);
  EXPECT_EQ(loop.menu, -1) << "no chat in the editor";
}

TEST_F(DispatchFixture, ChatOpensAndTitleIgnoresTheRest) {
  loop.view = TitleView;
  press(controls[PauseControl].key_code);
  press(kTabCharacter);
  EXPECT_FALSE(loop.paused);
  EXPECT_EQ(loop.view, TitleView);
  press(controls[ChatControl].key_code);
  EXPECT_EQ(loop.menu, kChatMenu);
}

TEST_F(DispatchFixture, DigitsPickTrackCameras) {
  press('1');
  EXPECT_EQ(loop.track_camera, 0);
  press('3');
  EXPECT_EQ(loop.track_camera, 1) << "past the last camera: the last";
  press('0');
  EXPECT_EQ(loop.track_camera, -1) << "the free camera";
  EXPECT_EQ(track_camera_for_digit(4, 0), -1) << "no track cameras: the free camera";
}

TEST_F(DispatchFixture, WatchingOtherBikesIsRefusedWhileRiding) {
  press(controls[NextBikeControl].key_code);
  EXPECT_EQ(loop.watched_slot, 5);
  find_setting("spy")->integer = 1;  // the spectator's setting
  press(controls[NextBikeControl].key_code);
  EXPECT_EQ(loop.watched_slot, 6);
  find_setting("spy")->integer = 0;
  fake.live = false;
  press(controls[PreviousBikeControl].key_code);
  EXPECT_EQ(loop.watched_slot, 5);
}

TEST_F(DispatchFixture, SeekScreenshotAndPointer) {
  press(controls[RewindControl].key_code);
  press(controls[SkipControl].key_code);
  press(controls[SkipControl].key_code);
  EXPECT_EQ(fake.seek, 1);
  press(controls[ScreenshotControl].key_code);
  EXPECT_EQ(fake.screenshots, 1);
  loop.view = EditorView;
  press(controls[ScreenshotControl].key_code);
  EXPECT_EQ(fake.screenshots, 1);
  press(kPointerLeftButton);
  EXPECT_TRUE(loop.pointer_drag);
  release(kPointerLeftButton);
  EXPECT_FALSE(loop.pointer_drag);
}

TEST_F(DispatchFixture, ViewFixUps) {
  loop.view = TitleView;
  fix_view_mode(loop, parts);
  EXPECT_EQ(loop.view, RiderView) << "a loaded track leaves the title";
  loop.view = TrackCamera;
  fix_view_mode(loop, parts);
  EXPECT_EQ(loop.view, RiderView) << "a live rider is ridden";
  loop.view = OrbitCamera;
  fix_view_mode(loop, parts);
  EXPECT_EQ(loop.view, OrbitCamera);
  fake.has_bike = false;
  fake.live = false;
  fix_view_mode(loop, parts);
  EXPECT_EQ(loop.view, TrackCamera);
  fake.track = false;
  fix_view_mode(loop, parts);
  EXPECT_EQ(loop.view, TitleView);
}

TEST(EventQueue, KeepsStampOrderAndDropsWhenFull) {
  clear_events();
  queue_event({1, true, 2.0});
  queue_event({2, true, 1.0});
  queue_event({3, true, 2.0});
  InputEvent e;
  EXPECT_FALSE(next_event_until(0.5, &e));
  ASSERT_TRUE(next_event_until(1.0, &e));
  EXPECT_EQ(e.code, 2);
  ASSERT_TRUE(next_event(&e));
  EXPECT_EQ(e.code, 1);
  ASSERT_TRUE(next_event(&e));
  EXPECT_EQ(e.code, 3) << "equal stamps keep their arrival order";
  EXPECT_FALSE(next_event(&e));
  for (int i = 0; i < kEventQueueSize; ++i) EXPECT_TRUE(queue_event({i, true, 0}));
  EXPECT_FALSE(queue_event({999, true, 0}));
  clear_events();
}

}  // namespace
