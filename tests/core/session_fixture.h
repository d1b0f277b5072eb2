// A session on a generated track with a physics world, for tests that run
// races through the game's own set-up and frame step.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/frame_step.h"
#include "core/session.h"
#include "core/session_setup.h"
#include "demo/demo.h"
#include "shapes/shape.h"
#include "tests/support/test_env.h"
#include "track/track.h"

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KR_HOME", KR_GAME_DIR, 1);
    box.rescan();
    shape_cache_clear();
    ASSERT_TRUE(physics_world_create(physics_world()));
    current_session().race.race_step = 0;
  }
  void TearDown() override {
    free_session();
    free_track();
    physics_world_destroy(physics_world());
    shape_cache_clear();
  }
  // A race of robots (or another kind) in the first n slots.
  bool race(int n, int kind = RobotSlot, const std::string& track = "rabbithill") {
    for (int& k : kinds) k = EmptySlot;
    for (int i = 0; i < n; ++i) kinds[i] = kind;
    request.table = &kinds;
    request.track = track;
    request.line_skill = -1;
    return session_setup(request);
  }
  void run(int steps) {
    for (int i = 0; i < steps; ++i) frame_step();
  }

  DataSandbox box;
  SlotKinds kinds{};
  SessionRequest request;
};
