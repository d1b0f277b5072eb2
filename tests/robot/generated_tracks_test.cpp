// The auto pilot's data on the shipped tracks: their segments, and lines
// learned from a smooth ride round each course that chain up lap after lap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "shapes/shape.h"
#include "robot/line_geometry.h"
#include "robot/line_learning.h"
#include "robot/line_pick.h"
#include "robot/line_plan.h"
#include "robot/lines_file.h"
#include "robot/personalities.h"
#include "platform/units.h"
#include "tests/robot/robot_fixture.h"
#include "track/track.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> generated_tracks() {
  std::vector<std::string> folders;
  for (const auto& entry : fs::directory_iterator(KR_GAME_DIR))
    if (entry.is_directory() && fs::exists(entry.path() / "timing_gates")) folders.push_back(entry.path().filename());
  std::sort(folders.begin(), folders.end());
  return folders;
}

struct Point3 {
  double v[3];
};

// The race gate sequence unrolled for `laps` laps.
std::vector<int> race_gates(const TimingGates& g, int laps) {
  std::vector<int> gates;
  for (int r : g.first_lap) gates.push_back(lap_gate(r));
  for (int lap = 1; lap < laps; ++lap)
    for (int r : g.normal_lap) gates.push_back(lap_gate(r));
  return gates;
}

// A Catmull-Rom curve through the control points, as a fine polyline.
std::vector<Point3> smooth_course(const std::vector<Point3>& c) {
  std::vector<Point3> out;
  const int n = static_cast<int>(c.size());
  for (int i = 0; i + 1 < n; ++i) {
    const Point3& p0 = c[std::max(i - 1, 0)];
    const Point3& p1 = c[i];
    const Point3& p2 = c[i + 1];
    const Point3& p3 = c[std::min(i + 2, n - 1)];
    for (int k = 0; k < 64; ++k) {
      const double t = k / 64.0, t2 = t * t, t3 = t2 * t;
      Point3 q;
      for (int a = 0; a < 3; ++a)
        q.v[a] = 0.5 * (2 * p1.v[a] + (-p0.v[a] + p2.v[a]) * t + (2 * p0.v[a] - 5 * p1.v[a] + 4 * p2.v[a] - p3.v[a]) * t2 +
                        (-p0.v[a] + 3 * p1.v[a] - 3 * p2.v[a] + p3.v[a]) * t3);
      out.push_back(q);
    }
  }
  out.push_back(c.back());
  return out;
}

struct GeneratedTrack : ::testing::Test {
  DataSandbox box;
  GeneratedTrack() {
    setenv("KR_HOME", KR_GAME_DIR, 1);
    box.rescan();
    shape_cache_clear();
  }
};

TEST_F(GeneratedTrack, SegmentsFollowTheGateSequences) {
  const std::vector<std::string> tracks = generated_tracks();
  ASSERT_GE(tracks.size(), 2u);
  for (const std::string& folder : tracks) {
    Track track;
    timing_gates_read(track, ("@" + folder + "/timing_gates").c_str());
    const SegmentMap m = segment_map_build(track.gates);
    EXPECT_EQ(m.first_segments(), track.gates.first_lap_real) << folder;
    EXPECT_EQ(m.normal_segments(), track.gates.normal_lap_real) << folder;
    ASSERT_GT(m.normal_segments(), 0) << folder;
    // Lap after lap the same gates end the same table segments.
    const int f = m.first_gates, n = m.normal_gates;
    for (int g = f; g < f + n; ++g)
      for (int lap = 1; lap < 5; ++lap) {
        EXPECT_EQ(is_switch_gate(m, g), is_switch_gate(m, g + lap * n));
        EXPECT_EQ(fold_segment(m, rider_segment(m, g)), fold_segment(m, rider_segment(m, g + lap * n)));
      }
    EXPECT_EQ(rider_segment(m, f + n), m.segments());
  }
}

// A rider without a personality rides three smooth laps; its lines fill
// every segment, survive the file, link into an unbroken plan, and a robot
// following them always finds its next line.
TEST_F(GeneratedTrack, LinesFromASmoothRideChainRoundTheLap) {
  for (const std::string& folder : generated_tracks()) {
    Track track;
    timing_gates_read(track, ("@" + folder + "/timing_gates").c_str());
    const TimingGates& gates = track.gates;
    ASSERT_FALSE(gates.start_slots.empty()) << folder;
    LineTable table;
    lines_reset(table, gates);
    const std::vector<int> sequence = race_gates(gates, 3);
    // The ride starts 60 ft before the first gate, heading through it.
    const Checkpoint& first = gates.checkpoints[sequence[0]];
    const Point3 start{{first.position[0] - 60 * first.direction[0], first.position[1],
                        first.position[2] - 60 * first.direction[2]}};
    std::vector<Point3> control{start};
    for (int c : sequence) {
      const Checkpoint& cp = gates.checkpoints[c];
      control.push_back({{cp.position[0], cp.position[1], cp.position[2]}});
    }
    const std::vector<Point3> course = smooth_course(control);

    // Ride at 30 ft/s; race gate g is crossed at its control point.
    RobotState rider;
    robot_state_reset(rider, 0);
    std::vector<int> gate_steps;
    const double speed = 30, per_step = speed / 128;
    int step = 0;
    double carry = 0;
    for (size_t i = 0; i + 1 < course.size(); ++i) {
      const Point3& a = course[i];
      const Point3& b = course[i + 1];
      const double len = std::hypot(b.v[0] - a.v[0], b.v[2] - a.v[2]);
      for (double at = carry; at < len; at += per_step, ++step) {
        RiderFrame f;
        const double t = at / len;
        for (int k = 0; k < 3; ++k) f.position[k] = a.v[k] + (b.v[k] - a.v[k]) * t;
        f.velocity[0] = (b.v[0] - a.v[0]) / len * speed;
        f.velocity[2] = (b.v[2] - a.v[2]) / len * speed;
        f.speed = speed;
        record_sample(table.map, rider, f, static_cast<int>(gate_steps.size()), 0, step, 0);
        carry = at + per_step - len;
      }
      if ((i + 1) % 64 == 0) {
        // Control point (i + 1) / 64 is race gate (i + 1) / 64 - 1.
        const int g = static_cast<int>((i + 1) / 64) - 1;
        gate_steps.push_back(step);
        LineCrossing c;
        c.gate = g;
        c.expected = g;
        c.gate_steps = gate_steps;
        c.race_step = step;
        learn_at_gate(table, rider, c);
      }
    }
    for (int s = 0; s < table.map.segments(); ++s)
      EXPECT_TRUE(std::any_of(table.segments[s].begin(), table.segments[s].end(),
                              [](const Line& l) { return !l.empty(); }))
          << folder << " segment " << s;

    // As if robots had ridden each line five times at its recorded pace.
    for (LineSlots& slots : table.segments)
      for (Line& l : slots) {
        if (l.empty()) continue;
        l.runs = 5;
        l.sum_first = 5 * l.time_first;
        l.sum_both = 5 * l.time_both;
      }
    const std::string path = box.home() + "/" + folder + "-lines";
    ASSERT_TRUE(lines_write(table, path.c_str()));
    LineTable loaded;
    lines_reset(loaded, gates);
    ASSERT_GT(lines_read(loaded, path.c_str()), 0);
    plan_laps(loaded, 0);
    const double lap_seconds = (gate_steps[gates.first_lap.size() + gates.normal_lap.size() - 1] -
                                gate_steps[gates.first_lap.size() - 1]) /
                               128.0;
    // Unbroken chains: the plan is the ride's own lap, within the samples
    // lost at each switch point.
    EXPECT_LT(loaded.plans[0].normal_lap, lap_seconds * 1.02) << folder;
    EXPECT_GT(loaded.plans[0].normal_lap, lap_seconds * 0.9) << folder;
    EXPECT_LT(loaded.plans[0].first_lap, 1000) << folder;

    // A robot carried exactly along its own path finds a line each time.
    RobotState robot;
    robot_state_reset(robot, personality_index("cedar"));
    DriveInputs in;
    for (int k = 0; k < 3; ++k) in.frame.position[k] = start.v[k];
    in.frame.speed = speed;
    int stalls = 0, short_looks = 0;
    for (in.race_step = 0; in.race_step < 2 * 128 * static_cast<int>(lap_seconds) && robot.next_segment < 40;
         ++in.race_step) {
      const PathStep ps = follow_path(loaded, robot, in);
      ASSERT_TRUE(ps.has_path) << folder;
      stalls += ps.hold_controls ? 1 : 0;
      // Move on along the path by this step's distance.
      const int last = static_cast<int>(robot.path.size()) - 1;
      const int here = std::min(static_cast<int>(ps.position), std::max(last - 1, 0));
      const double spacing = horizontal_distance(robot.path[here], robot.path[std::min(here + 1, last)]);
      const double p = std::min(ps.position + speed * kStep / std::max(spacing, 0.1), static_cast<double>(last));
      const int w = static_cast<int>(p);
      const int w1 = std::min(w + 1, last);
      for (int k = 0; k < 3; ++k)
        in.frame.position[k] =
            robot.path[w].position[k] + (p - w) * (robot.path[w1].position[k] - robot.path[w].position[k]);
      for (int k : {0, 2}) in.frame.heading[k] = robot.path[w1].position[k] - robot.path[w].position[k];
      short_looks += robot.lookahead > 0 ? 1 : 0;
    }
    EXPECT_EQ(stalls, 0) << folder;
    EXPECT_EQ(short_looks, 0) << folder;  // no pick failed
    EXPECT_GE(robot.next_segment, table.map.first_segments() + table.map.normal_segments()) << folder;
  }
}
}  // namespace
