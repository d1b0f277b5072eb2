// The auto pilot's line work: a pick with its look-ahead plan on full
// segments (once per segment per robot), the lap plan and the pruning of a
// crowded segment (at set-up), reading a full lines file, and one step of
// following the path (every step for every robot).
#include <benchmark/benchmark.h>

#include <cmath>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "robot/line_pick.h"
#include "robot/line_plan.h"
#include "robot/line_prune.h"
#include "robot/lines_file.h"
#include "robot/personalities.h"
#include "track/timing_gates.h"

namespace {
// Eight switch points a lap; every segment full of lines 100 ft long in
// lanes 0.1 ft apart, so that most lines link to most of the next.
LineTable full_table(int points, double wander) {
  TimingGates g;
  for (int i = 0; i < 8; ++i) {
    g.first_lap.push_back(i);
    g.normal_lap.push_back(i);
  }
  LineTable t;
  lines_reset(t, g);
  for (int s = 0; s < t.map.segments(); ++s)
    for (int k = 0; k < kLineSlots; ++k) {
      Line& l = t.segments[s][k];
      for (int i = 0; i < points; ++i) {
        const double z = -100.0 * s - 100.0 * i / points;
        const double x = 0.1 * k + wander * std::sin(i * 0.7 + k);
        l.points.push_back(LinePoint{{static_cast<float>(x), 0, static_cast<float>(z)}, 30, 0});
      }
      l.runs = 5 + k % 7;
      l.failures = k % 3;
      l.sum_first = l.runs * (300 + k);
      l.sum_both = 2 * l.sum_first;
      l.time_first = 300 + k;
      l.time_both = 600 + 2 * k;
      l.id = line_new_id(t);
    }
  return t;
}

void BM_PickLine(benchmark::State& state) {
  LineTable t = full_table(40, 0);
  RobotState robot;
  robot_state_reset(robot, personality_index("birch"));
  DriveInputs in;
  in.frame.speed = 30;
  for (auto _ : state) {
    robot.path.clear();
    robot.target = 0;
    robot.next_segment = 3;
    benchmark::DoNotOptimize(pick_line(t, robot, in));
    ++in.race_step;
  }
}
BENCHMARK(BM_PickLine)->Unit(benchmark::kMicrosecond);

void BM_PlanLaps(benchmark::State& state) {
  LineTable t = full_table(40, 0);
  for (auto _ : state) plan_laps(t, 0);
}
BENCHMARK(BM_PlanLaps)->Unit(benchmark::kMillisecond);

// Long wandering lines that cross each other: the worst case of pruning.
void BM_PruneCrowdedSegment(benchmark::State& state) {
  const LineTable full = full_table(static_cast<int>(state.range(0)), 3);
  for (auto _ : state) {
    state.PauseTiming();
    LineTable t = full;
    state.ResumeTiming();
    prune_lines(t);
  }
}
BENCHMARK(BM_PruneCrowdedSegment)->Arg(40)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_ReadLinesFile(benchmark::State& state) {
  const LineTable full = full_table(40, 0);
  char path[] = "/tmp/kr-lines-bench-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    state.SkipWithError("no scratch file");
    return;
  }
  close(fd);
  lines_write(full, path);
  LineTable t = full;
  for (auto _ : state) {
    lines_clear(t);
    benchmark::DoNotOptimize(lines_read(t, path));
  }
  std::remove(path);
  state.SetLabel(std::to_string(full.map.segments() * kLineSlots) + " lines");
}
BENCHMARK(BM_ReadLinesFile)->Unit(benchmark::kMillisecond);

void BM_FollowPathStep(benchmark::State& state) {
  LineTable t = full_table(40, 0);
  RobotState robot;
  robot_state_reset(robot, personality_index("alder"));
  DriveInputs in;
  in.frame.speed = 30;
  pick_line(t, robot, in);
  pick_line(t, robot, in);
  pick_line(t, robot, in);
  robot.target = 45;
  in.frame.position[2] = -130;
  for (auto _ : state) {
    benchmark::DoNotOptimize(follow_path(t, robot, in));
    robot.target = 45;
    robot.target_step = in.race_step;
  }
}
BENCHMARK(BM_FollowPathStep)->Unit(benchmark::kNanosecond);
}  // namespace
