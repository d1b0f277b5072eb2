// The time trial: a lap ridden in full becomes the ghost, and the ghost
// rides the next lap beside the player.
#include <gtest/gtest.h>

#include <cmath>

#include "core/time_trial.h"
#include "demo/demo_files.h"
#include "race/laps.h"
#include "tests/core/session_fixture.h"

namespace {

// Carries the whole bike (every body) so that its front wheel is at (x, z),
// standing a little above the ground.
void carry_to(Bike& b, double x, double z) {
  const dReal* w = dBodyGetPosition(b.body[kBodyFrontWheel]);
  const double dx = x - w[0], dz = z - w[2];
  const double dy = terrain_height_at(current_track().terrain, x, z) + 1.5 - w[1];
  for (dBodyID body : b.body) {
    const dReal* p = dBodyGetPosition(body);
    dBodySetPosition(body, p[0] + dx, p[1] + dy, p[2] + dz);
    dBodySetLinearVel(body, 0, 0, 0);
    dBodySetAngularVel(body, 0, 0, 0);
  }
}

class TimeTrial : public SessionTest {
 protected:
  // Rides race gates from..to (inclusive) by carrying the bike through
  // each gate from 6 ft before it to 6 ft past it.
  void ride_gates(int from, int to) {
    const TimingGates& g = current_track().gates;
    for (int gate = from; gate <= to; ++gate) {
      const Checkpoint& c = race_gate_checkpoint(g, gate);
      for (double d = -6; d <= 6; d += 2) {
        carry_to(*current_session().slots[0].bike, c.position[0] + c.direction[0] * d,
                 c.position[2] + c.direction[2] * d);
        frame_step();
      }
      for (int i = 0; i < 40; ++i) frame_step();  // some time between gates
    }
  }
};

TEST_F(TimeTrial, AFullLapBecomesTheGhostThatRidesTheNextLap) {
  request = SessionRequest();
  request.track = "rabbithill";
  request.line_skill = -1;
  request.table = nullptr;  // a time trial
  ASSERT_TRUE(session_setup(request));
  const Session& s = current_session();
  const TimingGates& g = current_track().gates;
  const int line = static_cast<int>(g.first_lap.size()) - 1;
  const int lap = static_cast<int>(g.normal_lap.size());
  ASSERT_TRUE(s.slots[0].bike);
  EXPECT_EQ(s.slots[0].timing.gates_passed, line - 1) << "placed at the gate before the lap line";
  EXPECT_FALSE(s.slots[1].bike);

  ride_gates(line - 1, line);  // across the lap line: the first lap begins
  EXPECT_EQ(s.last_lap, 0) << "the run-up to the line is no lap";
  EXPECT_FALSE(s.slots[1].bike) << "no ghost yet";
  ride_gates(line + 1, line + lap);  // once round
  EXPECT_GT(s.last_lap, 0);
  EXPECT_EQ(s.best_lap, s.last_lap);
  const std::string fast = time_trial_demo_name("rabbithill", kFastLapDemo);
  EXPECT_TRUE(file_exists(box.home() + "/rabbithill/fastlap.krdemo")) << fast;
  ASSERT_TRUE(s.slots[1].bike) << "the fast lap rides as a ghost";
  EXPECT_EQ(s.slots[1].source, ReplayedSource);
  EXPECT_GE(s.slots[1].timing.gates_passed, line) << "the ghost counts from the lap line";

  // The ghost follows its recorded lap: it moves on from the line.
  const dReal* start = dBodyGetPosition(s.slots[1].bike->body[kBodyFrame]);
  const double x0 = start[0], z0 = start[2];
  for (int i = 0; i < 400; ++i) frame_step();
  const dReal* now = dBodyGetPosition(s.slots[1].bike->body[kBodyFrame]);
  EXPECT_GT(std::hypot(now[0] - x0, now[2] - z0), 20);
}

TEST_F(TimeTrial, ALapThatMissesAGateDoesNotReplaceTheFastLap) {
  request = SessionRequest();
  request.track = "rabbithill";
  request.line_skill = -1;
  ASSERT_TRUE(session_setup(request));
  const TimingGates& g = current_track().gates;
  const int line = static_cast<int>(g.first_lap.size()) - 1;
  const int lap = static_cast<int>(g.normal_lap.size());
  ride_gates(line - 1, line);
  ride_gates(line + 1, line + lap - 4);
  ride_gates(line + lap - 2, line + lap);  // two gates skipped
  EXPECT_EQ(current_session().last_lap, 0);
  EXPECT_FALSE(file_exists(box.home() + "/rabbithill/fastlap.krdemo"));
}

}  // namespace
