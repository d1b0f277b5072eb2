// Riders carried step by step through the gates of a shipped track.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "shapes/shape.h"
#include "race/gate_crossing.h"
#include "race/laps.h"
#include "race/standings.h"
#include "tests/support/test_env.h"
#include "track/track.h"

namespace {

// 40 ft/s.
constexpr double kFeetPerStep = 40.0 / 128;

// A path through waypoints, each reached at a whole step: the wheel sits on
// every gate's centre at its arrival step.
struct Path {
  struct Point {
    double x, z;
    int arrival;
  };
  std::vector<Point> points;
  std::vector<int> gate_of;  // race gate of each point (-1 for the start)

  void add(double x, double z, int gate, double speed = 1) {
    int arrival = 0;
    if (!points.empty()) {
      const Point& p = points.back();
      const double length = std::hypot(x - p.x, z - p.z);
      arrival = p.arrival + std::max(1, static_cast<int>(std::ceil(length / (kFeetPerStep * speed))));
    }
    points.push_back({x, z, arrival});
    gate_of.push_back(gate);
  }
  // The wheel at `step` steps after the start.
  void at(int step, double out[3]) const {
    size_t k = 1;
    while (k < points.size() && points[k].arrival < step) ++k;
    if (k >= points.size() || step <= 0) {
      const Point& p = step <= 0 ? points.front() : points.back();
      out[0] = p.x, out[1] = 0, out[2] = p.z;
      return;
    }
    const Point &a = points[k - 1], &b = points[k];
    if (step == b.arrival) {
      out[0] = b.x, out[1] = 0, out[2] = b.z;
      return;
    }
    const double t = static_cast<double>(step - a.arrival) / (b.arrival - a.arrival);
    out[0] = a.x + (b.x - a.x) * t, out[1] = 0, out[2] = a.z + (b.z - a.z) * t;
  }
  int arrival_at_gate(int g) const {
    for (size_t k = 0; k < points.size(); ++k)
      if (gate_of[k] == g) return points[k].arrival;
    return kNoStep;
  }
  int end() const { return points.back().arrival; }
};

struct GeneratedCourse : ::testing::Test {
  DataSandbox box;
  Track track;
  RaceRecord race;
  int start = 0;

  void SetUp() override {
    setenv("KR_HOME", KR_GAME_DIR, 1);
    box.rescan();
    shape_cache_clear();
    track.folder = "rabbithill";
    ASSERT_EQ(track_load(track), 1);
    ASSERT_TRUE(has_timing(track.gates));
    ASSERT_FALSE(track.gates.start_slots.empty());
    std::mt19937 random(7);
    start = draw_start_step(random);
    race_reset(race, 0, 2, start);
  }
  void TearDown() override { track_unload(track); }

  // From start slot 0 through race gates 0..last, leaving out `skip` and
  // riding the stretch over it at `speed` times the pace.
  Path path(int last, int skip = -1, double speed = 4) const {
    Path p;
    const StartSlot& s = track.gates.start_slots[0];
    p.add(s.position[0], s.position[2], -1);
    for (int g = 0; g <= last; ++g) {
      if (g == skip) continue;
      const Checkpoint& c = race_gate_checkpoint(track.gates, g);
      p.add(c.position[0], c.position[2], g, skip >= 0 && g == skip + 1 ? speed : 1);
    }
    return p;
  }

  // Steps every rider along its path, in slot order, from the drop on.
  void run(std::vector<RaceRider>& riders, const std::vector<Path>& paths) {
    int end = 0;
    for (const Path& p : paths) end = std::max(end, p.end());
    for (int s = 0; s <= end + 1 && !race.results_final; ++s) {
      race.race_step = start + s;
      for (size_t k = 0; k < riders.size(); ++k) {
        double wheel[3];
        paths[k].at(s, wheel);
        check_gates(race, track.gates, riders, riders[k].slot, wheel);
      }
    }
  }
};

TEST_F(GeneratedCourse, ALapThroughEveryGateHasItsRightTime) {
  const TimingGates& g = track.gates;
  const int last = finish_gate(g, 2);
  const Path p = path(last);
  BikeTiming bike;
  std::vector<RaceRider> riders = {{0, &bike}};
  run(riders, {p});
  ASSERT_EQ(bike.gates_passed, last + 1);
  EXPECT_TRUE(bike.finished);
  EXPECT_TRUE(race.results_final);
  // Every gate at the step its centre was reached, none missed.
  for (int gate = 0; gate <= last; ++gate) EXPECT_EQ(bike.gate_steps[gate], start + p.arrival_at_gate(gate)) << gate;
  const int line1 = p.arrival_at_gate(finish_gate(g, 1)), line2 = p.arrival_at_gate(last);
  EXPECT_EQ(lap_time(race, g, bike, 1), line1);
  EXPECT_EQ(lap_time(race, g, bike, 2), line2 - line1);
  EXPECT_EQ(best_lap(race, g, bike), 2);
  EXPECT_EQ(race.final_standings[0].last_gate_step, start + line2);
}

TEST_F(GeneratedCourse, SkippingAGateCostsTheCutInTheFinalStandings) {
  const TimingGates& g = track.gates;
  const int first = first_lap_count(g), last = finish_gate(g, 2);
  // A gate of the second lap whose centre lies well off the straight line
  // between its neighbours, so riding that line misses it.
  int skip = -1;
  for (int k = first + 1; k < last - 1 && skip < 0; ++k) {
    const Checkpoint &a = race_gate_checkpoint(g, k - 1), &m = race_gate_checkpoint(g, k),
                     &b = race_gate_checkpoint(g, k + 1);
    const double ux = b.position[0] - a.position[0], uz = b.position[2] - a.position[2];
    const double off = std::fabs(ux * (m.position[2] - a.position[2]) - uz * (m.position[0] - a.position[0])) /
                       std::hypot(ux, uz);
    if (off > m.radius + 5) skip = k;
  }
  ASSERT_GE(skip, 0) << "no gate to cut";

  const Path full = path(last), cut = path(last, skip);
  BikeTiming fair, cutter;
  std::vector<RaceRider> riders = {{0, &fair}, {1, &cutter}};
  run(riders, {full, cut});
  ASSERT_TRUE(race.results_final);
  EXPECT_EQ(cutter.gates_passed, last + 1);
  EXPECT_EQ(cutter.gate_steps[skip], kNoStep);
  // The cutter crossed the line first.
  EXPECT_LT(cutter.gate_steps[last], fair.gate_steps[last]);
  EXPECT_EQ(race.standings[0].slot, 1);
  // The fair rider is the field: the cut stretch is charged at its time
  // plus a second, so the cutter ends exactly one second behind.
  const int field = full.arrival_at_gate(skip + 1) - full.arrival_at_gate(skip - 1);
  const int ridden = cut.arrival_at_gate(skip + 1) - cut.arrival_at_gate(skip - 1);
  EXPECT_EQ(reference_time(g, riders, skip - 1, skip + 1), field);
  EXPECT_EQ(cutting_penalty(race, g, riders, cutter).penalty, field + 128 - ridden);
  ASSERT_EQ(race.final_standings.size(), 2u);
  EXPECT_EQ(race.final_standings[0].slot, 0);
  EXPECT_EQ(race.final_standings[1].slot, 1);
  EXPECT_EQ(race.final_standings[1].gates_passed, last + 1);
  EXPECT_EQ(race.final_standings[1].last_gate_step, fair.gate_steps[last] + 128);

}

}  // namespace
