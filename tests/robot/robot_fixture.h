// Hand-made gates and lines for the auto pilot tests, and a log to read
// back what the auto pilot said.
#pragma once
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/log.h"
#include "robot/lines.h"
#include "tests/support/test_env.h"
#include "track/timing_gates.h"

// Gates whose sequences are the given references (checkpoints 0..9 exist).
inline TimingGates make_gates(std::vector<int> first, std::vector<int> normal) {
  TimingGates g;
  g.checkpoints.resize(10);
  g.first_lap = std::move(first);
  g.normal_lap = std::move(normal);
  for (int r : g.first_lap) g.first_lap_real += r < kMarkedGate ? 1 : 0;
  for (int r : g.normal_lap) g.normal_lap_real += r < kMarkedGate ? 1 : 0;
  return g;
}

inline LinePoint point_at(double x, double z, double speed = 30, double y = 0, double lean = 0) {
  return LinePoint{{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)}, static_cast<float>(speed),
                   static_cast<float>(lean)};
}

// n points from (x0, z0) to (x1, z1), evenly spaced, all at one speed.
inline std::vector<LinePoint> straight(double x0, double z0, double x1, double z1, int n, double speed = 30) {
  std::vector<LinePoint> pts;
  for (int i = 0; i < n; ++i) {
    const double t = n > 1 ? static_cast<double>(i) / (n - 1) : 0;
    pts.push_back(point_at(x0 + (x1 - x0) * t, z0 + (z1 - z0) * t, speed));
  }
  return pts;
}

// A tried line: runs of `mean` steps over its segment and 2 * mean over
// both, with some failures.
inline Line tried_line(std::vector<LinePoint> pts, int runs, double mean, int failures = 0) {
  Line l;
  l.points = std::move(pts);
  l.time_first = static_cast<int>(mean);
  l.time_both = static_cast<int>(2 * mean);
  l.runs = runs;
  l.sum_first = static_cast<int64_t>(runs * mean);
  l.sum_both = static_cast<int64_t>(runs * 2 * mean);
  l.best_first = runs > 0 ? static_cast<int>(mean) : kNoTime;
  l.best_both = runs > 0 ? static_cast<int>(2 * mean) : kNoTime;
  l.failures = failures;
  return l;
}

// Stores a line in the first free slot of a segment with a new id; returns
// the slot.
inline int put_line(LineTable& table, int segment, Line line) {
  for (int i = 0; i < kLineSlots; ++i) {
    if (!table.segments[segment][i].empty()) continue;
    line.id = line_new_id(table);
    table.segments[segment][i] = std::move(line);
    return i;
  }
  return -1;
}

// Sends the log to a scratch file for the life of the object.
struct LogCapture {
  TempDir dir;
  std::string path = dir.file("log.txt");
  LogCapture() {
    setenv("TARN_LOGFILE", path.c_str(), 1);
    tarn_log_reset_for_tests();
  }
  ~LogCapture() {
    unsetenv("TARN_LOGFILE");
    tarn_log_reset_for_tests();
  }
  std::string text() const { return slurp(path); }
  bool has(const std::string& s) const { return text().find(s) != std::string::npos; }
  int count(const std::string& s) const {
    const std::string t = text();
    int n = 0;
    for (size_t at = t.find(s); at != std::string::npos; at = t.find(s, at + 1)) ++n;
    return n;
  }
};
