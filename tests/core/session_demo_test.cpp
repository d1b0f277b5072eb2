// A recorded race replayed through the session: every recorded state poses
// the bike where the live race had it.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "demo/demo_player.h"
#include "tests/core/session_fixture.h"

namespace {

struct Place {
  double x, y, z;
};

class SessionDemo : public SessionTest {};

TEST_F(SessionDemo, AReplayPosesEveryRecordedBikeWhereTheLiveRaceHadIt) {
  const std::string file = box.root.file("race.krdemo");
  request.record_demo = true;
  request.demo_file = file;
  ASSERT_TRUE(race(10));
  // Live: where each bike stood whenever a state was taken (every fourth
  // step, after the step count rose).
  std::map<int, std::vector<Place>> live;
  for (int i = 0; i < 600; ++i) {
    frame_step();
    const Session& s = current_session();
    if (s.race.race_step % 4 != 0) continue;
    for (int slot = 0; slot < 10; ++slot) {
      const dReal* p = dBodyGetPosition(s.slots[slot].bike->body[kBodyFrame]);
      live[s.race.race_step].push_back({p[0], p[1], p[2]});
    }
  }
  free_session();

  std::string track;
  ASSERT_TRUE(open_demo_for_playback(file.c_str(), &track));
  EXPECT_EQ(track, "rabbithill");
  request = SessionRequest();
  request.play_demo = true;
  ASSERT_TRUE(race(0));
  // The record's resolution: 1024 ft in 2^24 steps, the height over the
  // same extent.
  const double quantum = current_track().terrain.world_size / 16777215.0 * 1.5;
  int compared = 0;
  for (int i = 0; i < 700; ++i) {
    const int step = current_session().race.race_step;
    frame_step();  // poses the replayed bikes for `step` before anything else
    auto it = live.find(step);
    if (it == live.end()) continue;
    const Session& s = current_session();
    for (int slot = 0; slot < 10; ++slot) {
      ASSERT_TRUE(s.slots[slot].bike) << slot;
      const dReal* p = dBodyGetPosition(s.slots[slot].bike->body[kBodyFrame]);
      const Place& want = it->second[slot];
      EXPECT_NEAR(p[0], want.x, quantum) << "slot " << slot << " step " << step;
      EXPECT_NEAR(p[1], want.y, quantum) << "slot " << slot << " step " << step;
      EXPECT_NEAR(p[2], want.z, quantum) << "slot " << slot << " step " << step;
    }
    ++compared;
  }
  EXPECT_GE(compared, 140);
}

}  // namespace
