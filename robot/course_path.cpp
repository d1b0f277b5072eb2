#include "robot/course_path.h"

#include <algorithm>
#include <cmath>

#include "platform/units.h"
#include "track/terrain.h"
#include "track/timing_gates.h"

namespace {

struct P2 {
  double x, z;
};

// The race gates' centres in the order a rider meets them.
std::vector<P2> gate_points(const TimingGates& g, int laps) {
  std::vector<P2> out;
  auto add = [&](int reference) {
    const Checkpoint& c = g.checkpoints[lap_gate(reference) % g.checkpoints.size()];
    out.push_back({c.position[0], c.position[2]});
  };
  for (int r : g.first_lap) add(r);
  for (int lap = 1; lap < laps; ++lap)
    for (int r : g.normal_lap) add(r);
  return out;
}

// A Catmull-Rom curve through the points, sampled about every foot.
std::vector<P2> smooth(const std::vector<P2>& w) {
  std::vector<P2> out;
  const int n = static_cast<int>(w.size());
  for (int k = 0; k + 1 < n; ++k) {
    const P2& p0 = w[std::max(k - 1, 0)];
    const P2& p1 = w[k];
    const P2& p2 = w[k + 1];
    const P2& p3 = w[std::min(k + 2, n - 1)];
    const int sub = std::max(1, static_cast<int>(std::hypot(p2.x - p1.x, p2.z - p1.z)));
    for (int q = 0; q < sub; ++q) {
      const double t = static_cast<double>(q) / sub, t2 = t * t, t3 = t2 * t;
      auto cr = [&](double a, double b, double c, double d) {
        return 0.5 * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (3 * b - a - 3 * c + d) * t3);
      };
      out.push_back({cr(p0.x, p1.x, p2.x, p3.x), cr(p0.z, p1.z, p2.z, p3.z)});
    }
  }
  if (n > 0) out.push_back(w.back());
  return out;
}

}  // namespace

Pace skill_pace(int skill) {
  Pace p;
  const double scale[] = {0.72, 0.86, 1.0};
  const double s = scale[std::clamp(skill, 0, 2)];
  p.top_speed *= s;
  p.sideways *= s * s;
  p.accelerate *= s;
  return p;
}

std::vector<LinePoint> course_path(const TimingGates& g, const Terrain& ground, double start_x, double start_z,
                                   int laps, const Pace& pace) {
  if (g.checkpoints.empty() || g.first_lap.empty() || g.normal_lap.empty()) return {};
  std::vector<P2> way = {{start_x, start_z}};
  for (const P2& p : gate_points(g, std::max(laps, 1))) way.push_back(p);
  // A little past the last gate, so the finish line is crossed.
  if (way.size() >= 2) {
    const P2& a = way[way.size() - 2];
    const P2& b = way.back();
    const double l = std::hypot(b.x - a.x, b.z - a.z);
    if (l > 0) way.push_back({b.x + (b.x - a.x) / l * 60, b.z + (b.z - a.z) / l * 60});
  }
  const std::vector<P2> c = smooth(way);
  const int n = static_cast<int>(c.size());
  if (n < 3) return {};

  // Arc length, curvature and the fastest speed each point allows.
  std::vector<double> s(n, 0), curvature(n, 0), v(n, pace.top_speed);
  for (int k = 1; k < n; ++k) s[k] = s[k - 1] + std::hypot(c[k].x - c[k - 1].x, c[k].z - c[k - 1].z);
  for (int k = 1; k + 1 < n; ++k) {
    const double ax = c[k].x - c[k - 1].x, az = c[k].z - c[k - 1].z;
    const double bx = c[k + 1].x - c[k].x, bz = c[k + 1].z - c[k].z;
    const double la = std::hypot(ax, az), lb = std::hypot(bx, bz);
    if (la <= 0 || lb <= 0) continue;
    const double turn = std::atan2(ax * bz - az * bx, ax * bx + az * bz);
    curvature[k] = turn / (0.5 * (la + lb));
  }
  // A moving average keeps a single kink from stopping the rider.
  std::vector<double> kappa(n, 0);
  for (int k = 0; k < n; ++k) {
    double sum = 0;
    int count = 0;
    for (int q = std::max(0, k - 8); q <= std::min(n - 1, k + 8); ++q) sum += curvature[q], ++count;
    kappa[k] = sum / count;
  }
  for (int k = 0; k < n; ++k) {
    const double a = std::fabs(kappa[k]);
    if (a > 1e-6) v[k] = std::min(v[k], std::sqrt(pace.sideways / a));
  }
  v[0] = 0;  // from the gate
  for (int k = 1; k < n; ++k) {
    const double ds = s[k] - s[k - 1];
    v[k] = std::min(v[k], std::sqrt(v[k - 1] * v[k - 1] + 2 * pace.accelerate * ds));
  }
  for (int k = n - 2; k >= 0; --k) {
    const double ds = s[k + 1] - s[k];
    v[k] = std::min(v[k], std::sqrt(v[k + 1] * v[k + 1] + 2 * pace.brake * ds));
  }

  // One point every quarter second of riding at those speeds.
  std::vector<LinePoint> out;
  double t_next = 0, t = 0;
  for (int k = 0; k + 1 < n; ++k) {
    const double ds = s[k + 1] - s[k];
    const double mean = std::max(0.5 * (v[k] + v[k + 1]), 2.0);
    const double dt = ds / mean;
    while (t_next <= t + dt) {
      const double f = dt > 0 ? (t_next - t) / dt : 0;
      LinePoint p;
      const double x = c[k].x + f * (c[k + 1].x - c[k].x), z = c[k].z + f * (c[k + 1].z - c[k].z);
      const double speed = v[k] + f * (v[k + 1] - v[k]);
      p.position[0] = static_cast<float>(x);
      p.position[2] = static_cast<float>(z);
      p.position[1] = static_cast<float>(ground.heights.empty() ? 0 : terrain_height_at(ground, x, z) + 2);
      p.speed = static_cast<float>(speed);
      // A turn to the left (negative curvature here) leans the rider left.
      p.lean = static_cast<float>(std::atan(-speed * speed * kappa[k] / kGravity));
      out.push_back(p);
      t_next += 0.25;
    }
    t += dt;
  }
  return out;
}
