// The same race at any frame rate: the main loop's pacing decides how many
// steps a frame runs, never what a step does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/main_loop.h"
#include "core/frame_step.h"
#include "core/session.h"
#include "core/session_setup.h"
#include "shapes/shape.h"
#include "tests/app/scripted_clock.h"
#include "tests/support/test_env.h"
#include "track/track.h"

namespace {

// Every bike's frame position after each step.
std::vector<std::vector<double>>* g_trace;

void traced_step() {
  frame_step();
  std::vector<double> row;
  const Session& s = current_session();
  for (const SessionSlot& slot : s.slots) {
    if (!slot.bike) continue;
    const dReal* p = dBodyGetPosition(slot.bike->body[kBodyFrame]);
    row.insert(row.end(), {p[0], p[1], p[2]});
  }
  g_trace->push_back(row);
}

std::vector<std::vector<double>> race_at(double fps, int steps) {
  std::vector<std::vector<double>> trace;
  g_trace = &trace;
  EXPECT_TRUE(physics_world_create(physics_world()));
  current_session().race.race_step = 0;
  SlotKinds kinds{};
  for (int i = 0; i < 6; ++i) kinds[i] = RobotSlot;
  SessionRequest request;
  request.table = &kinds;
  request.track = "rabbithill";
  request.line_skill = -1;
  EXPECT_TRUE(session_setup(request));

  ScriptedClock scripted;
  scripted.time = 1;
  PacingClock clock = scripted.clock();
  LoopParts parts = game_loop_parts();
  parts.frame_step = traced_step;
  LoopContext context{&parts, &clock, nullptr, SitToggle()};
  App& a = app();
  a = App();
  a.loop.menu = -1;
  a.loop.view = OrbitCamera;
  a.loop.frames.previous = 1;
  while (static_cast<int>(trace.size()) < steps) {
    scripted.time += 1.0 / fps;
    run_frame(a, context);
  }
  trace.resize(steps);
  free_session();
  free_track();
  physics_world_destroy(physics_world());
  return trace;
}

TEST(FrameRate, ThirtyAndOneHundredFortyFourFramesASecondRunTheSameRace) {
  DataSandbox box;
  setenv("KR_HOME", KR_GAME_DIR, 1);
  box.rescan();
  shape_cache_clear();
  const auto slow = race_at(30, 1024);
  const auto fast = race_at(144, 1024);
  ASSERT_EQ(slow.size(), fast.size());
  for (size_t i = 0; i < slow.size(); ++i) ASSERT_EQ(slow[i], fast[i]) << "step " << i + 1;
  ASSERT_FALSE(slow.back().empty());
}

}  // namespace
