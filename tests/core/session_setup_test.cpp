// Setting up sessions on a generated track: who rides, where, and when the
// gate drops.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/core/session_fixture.h"

namespace {

class SessionSetup : public SessionTest {};

TEST_F(SessionSetup, TwoStrokeSlotsTakeTheTwentyOneTwentyFivesThenTheRestOfTheRoster) {
  ASSERT_TRUE(race(40, TwoStrokeRobotSlot));
  int small = 0, bikes = 0;
  for (int i = 0; i < 40; ++i) {
    const SessionSlot& s = current_session().slots[i];
    ASSERT_TRUE(s.bike) << i;
    ++bikes;
    if (s.model.find("125") != std::string::npos) ++small;
    if (i < 20) {
      EXPECT_NE(s.model.find("125"), std::string::npos) << "slot " << i << " rides " << s.model;
    }
  }
  EXPECT_EQ(bikes, 40);
  EXPECT_EQ(small, 20);
}

TEST_F(SessionSetup, MoreRobotsThanTheRosterHoldsLeaveTheRestEmpty) {
  ASSERT_TRUE(race(90));
  int robots = 0;
  for (const SessionSlot& s : current_session().slots) robots += s.bike ? 1 : 0;
  EXPECT_EQ(robots, 80);
  EXPECT_FALSE(current_session().slots[85].bike);
  EXPECT_EQ(current_session().slots[85].source, ReplayedSource);
}

TEST_F(SessionSetup, ARosterNumberRidesOnceAndAnUnknownOneLeavesItsSlotEmpty) {
  for (int& k : kinds) k = EmptySlot;
  kinds[0] = RosterRobotSlot + 42;
  kinds[1] = RosterRobotSlot + 42;  // already taken
  kinds[2] = RosterRobotSlot + 7;   // no such number
  request.table = &kinds;
  request.track = "rabbithill";
  request.line_skill = -1;
  ASSERT_TRUE(session_setup(request));
  const Session& s = current_session();
  ASSERT_TRUE(s.slots[0].bike);
  EXPECT_EQ(s.slots[0].number, "42");
  EXPECT_FALSE(s.slots[1].bike);
  EXPECT_FALSE(s.slots[2].bike);
}

TEST_F(SessionSetup, SettingUpAgainOnTheSameTrackDoesNotReloadIt) {
  ASSERT_TRUE(race(2));
  const float* ground = current_track().terrain.heights.data();
  ASSERT_TRUE(race(3));
  EXPECT_EQ(current_track().terrain.heights.data(), ground);
  request.force_reload = true;
  ASSERT_TRUE(race(3));
  EXPECT_EQ(current_track().folder, "rabbithill");
}

TEST_F(SessionSetup, TheGateDropsThirteenToFifteenSecondsInAndRepeatsForTheSameStepCount) {
  for (int seed : {0, 1, 12345, 999999}) {
    current_session().race.race_step = seed;
    ASSERT_TRUE(race(4));
    const int first = current_session().race.start_step;
    EXPECT_GE(first, 13 * 128);
    EXPECT_LE(first, 15 * 128);
    const std::string order = current_session().slots[0].number + current_session().slots[1].number;
    current_session().race.race_step = seed;
    ASSERT_TRUE(race(4));
    EXPECT_EQ(current_session().race.start_step, first) << seed;
    EXPECT_EQ(current_session().slots[0].number + current_session().slots[1].number, order) << "the roster too";
    EXPECT_EQ(current_session().race.race_step, 0) << "the race clock starts again";
  }
}

TEST_F(SessionSetup, BikesStandInTheirGridPlacesOnTheGround) {
  ASSERT_TRUE(race(45));
  const Track& t = current_track();
  const Session& s = current_session();
  for (int i : {0, 5, 39, 40, 44}) {
    const SessionSlot& slot = s.slots[i];
    ASSERT_TRUE(slot.bike) << i;
    const GridPlace want = grid_place(i, t.gates.start_slots, t.terrain.world_size);
    EXPECT_DOUBLE_EQ(slot.grid.x, want.x);
    const dReal* p = dBodyGetPosition(slot.bike->body[kBodyFrame]);
    // The frame stands above the ground at its place, no part in it.
    EXPECT_GT(p[1], terrain_height_at(t.terrain, p[0], p[2]));
  }
  const SessionSlot& back = s.slots[45 - 1];
  const StartSlot& start = t.gates.start_slots[4];
  EXPECT_NEAR(std::hypot(back.grid.x - start.position[0], back.grid.z - start.position[2]), 10.625, 1e-3);
}

}  // namespace
