// The shipped tracks: each is a closed motocross loop laid over gently
// rolling ground. The loop is a smooth curve through hand-placed waypoints;
// along it go a start straight, berms in the turns (banked by curvature),
// jumps, whoops and rollers on the straighter stretches. The course bed is
// cut a foot into the ground and blends back into it over a shoulder.
#include "tools/datagen/course.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct Vec2 {
  double x, z;
};

// One planned track.
struct Plan {
  const char* folder;
  const char* title;
  int exponent;
  double spacing;
  double width;                // course width, feet
  std::vector<Vec2> waypoints;  // closed loop; the first four lie on the start straight
  double (*ground)(double x, double z);
  double sun[3], sun_color[3], ambient[3];
};

constexpr double kPi = 3.14159265358979323846;
constexpr double kStepFt = 1.0;     // internal resolution of the centre line
constexpr double kOutputStep = 4.0;  // spacing of GeneratedTrack::centre
constexpr double kShoulder = 18.0;   // blend from course edge to the ground
constexpr double kCut = 1.0;         // course bed below the surrounding ground
// The start area holds a 40-wide gate row (120 ft) with room at the ends; it
// stays full width a little past the gate, then funnels down to the course
// width by the end of the start straight.
constexpr double kStartWidth = 132.0;
constexpr double kStartPen = 100.0;    // full width up to here from the straight's start
constexpr double kStartTaperIn = 25.0;  // widening at the straight's start, out of the turn

double smoothstep(double e0, double e1, double v) {
  double t = std::clamp((v - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

double gauss(double x, double z, double cx, double cz, double r) {
  double d2 = ((x - cx) * (x - cx) + (z - cz) * (z - cz)) / (r * r);
  return std::exp(-d2);
}

// Rabbit Hill: a rounded hill in the infield on softly rolling pasture.
double rabbithill_ground(double x, double z) {
  return 4.0 * std::sin(x / 160.0 + 0.7) * std::cos(z / 210.0 - 0.4) + 2.5 * std::sin((x + z) / 97.0) +
         1.2 * std::cos((x - 2 * z) / 61.0) + 22.0 * gauss(x, z, 560, 620, 120) +
         6.0 * gauss(x, z, 250, 800, 90);
}

// Gully Run: a ridge running north-south with a gully on its east side.
double gullyrun_ground(double x, double z) {
  double ridge = 16.0 * gauss(x, 0, 430, 0, 150) * (0.8 + 0.2 * std::sin(z / 130.0));
  double gully = -9.0 * gauss(x, 0, 700, 0, 60);
  return ridge + gully + 3.0 * std::sin(z / 140.0 + x / 300.0) + 1.5 * std::cos((x + 2 * z) / 75.0);
}

const Plan kPlans[] = {
    {"rabbithill", "Rabbit Hill", 8, 2.0, 24.0,
     {{240, 170}, {330, 170}, {420, 170}, {510, 170}, {640, 180}, {760, 220}, {830, 320},
      {810, 430}, {700, 470}, {590, 430}, {480, 440}, {440, 530}, {520, 590},
      {680, 600}, {810, 650}, {850, 770}, {770, 860}, {600, 860}, {430, 820},
      {300, 720}, {190, 600}, {150, 450}, {160, 300}},
     rabbithill_ground,
     {-0.48, 0.62, 0.62},
     {1.0, 0.95, 0.84},
     {0.42, 0.45, 0.52}},
    {"gullyrun", "Gully Run", 8, 2.0, 22.0,
     {{180, 820}, {180, 720}, {180, 620}, {180, 520}, {200, 380}, {270, 230}, {400, 170},
      {560, 200}, {620, 320}, {560, 430}, {600, 540}, {740, 520}, {850, 420},
      {870, 300}, {900, 200}, {930, 330}, {900, 560}, {820, 700}, {700, 800},
      {560, 760}, {450, 650}, {360, 720}, {350, 860}, {260, 900}},
     gullyrun_ground,
     {0.55, 0.55, -0.63},
     {1.0, 0.92, 0.80},
     {0.45, 0.47, 0.55}},
};

// Closed Catmull-Rom curve through the waypoints, sampled every kStepFt.
// `marks` receives the arc length of every waypoint.
std::vector<Vec2> resample_loop(const std::vector<Vec2>& w, std::vector<double>& marks) {
  const int n = static_cast<int>(w.size());
  std::vector<Vec2> dense;
  std::vector<double> dense_waypoint;
  const int sub = 64;
  for (int k = 0; k < n; ++k) {
    const Vec2 &p0 = w[(k + n - 1) % n], &p1 = w[k], &p2 = w[(k + 1) % n], &p3 = w[(k + 2) % n];
    for (int q = 0; q < sub; ++q) {
      double t = static_cast<double>(q) / sub, t2 = t * t, t3 = t2 * t;
      auto cr = [&](double a, double b, double c, double d) {
        return 0.5 * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (3 * b - a - 3 * c + d) * t3);
      };
      dense.push_back({cr(p0.x, p1.x, p2.x, p3.x), cr(p0.z, p1.z, p2.z, p3.z)});
    }
  }
  std::vector<double> arc(dense.size() + 1, 0.0);
  for (size_t k = 1; k <= dense.size(); ++k) {
    const Vec2& a = dense[k - 1];
    const Vec2& b = dense[k % dense.size()];
    arc[k] = arc[k - 1] + std::hypot(b.x - a.x, b.z - a.z);
  }
  marks.clear();
  for (int k = 0; k < n; ++k) marks.push_back(arc[static_cast<size_t>(k) * sub]);
  const double total = arc.back();
  const int count = static_cast<int>(std::floor(total / kStepFt));
  std::vector<Vec2> out;
  size_t seg = 0;
  for (int k = 0; k < count; ++k) {
    double s = k * total / count;
    while (arc[seg + 1] < s) ++seg;
    double f = (s - arc[seg]) / (arc[seg + 1] - arc[seg]);
    const Vec2& a = dense[seg];
    const Vec2& b = dense[(seg + 1) % dense.size()];
    out.push_back({a.x + f * (b.x - a.x), a.z + f * (b.z - a.z)});
  }
  for (double& m : marks) m = m * count / total;  // in points
  return out;
}

// Circular moving average over +-radius points.
std::vector<double> smooth_loop(const std::vector<double>& v, int radius) {
  const int n = static_cast<int>(v.size());
  std::vector<double> out(n);
  double sum = 0;
  for (int k = -radius; k <= radius; ++k) sum += v[(k % n + n) % n];
  for (int k = 0; k < n; ++k) {
    out[k] = sum / (2 * radius + 1);
    sum += v[(k + radius + 1) % n] - v[((k - radius) % n + n) % n];
  }
  return out;
}

// A shaped stretch of course: its height profile over its own length.
struct FeatureShape {
  CourseFeature kind;
  double length;
  double (*height)(double d);
};

// Piecewise-linear profile through (distance, height) points.
double profile(const double (*pts)[2], int n, double d) {
  if (d <= pts[0][0] || d >= pts[n - 1][0]) return 0;
  for (int k = 1; k < n; ++k) {
    if (d <= pts[k][0]) {
      double f = (d - pts[k - 1][0]) / (pts[k][0] - pts[k - 1][0]);
      return pts[k - 1][1] + f * (pts[k][1] - pts[k - 1][1]);
    }
  }
  return 0;
}

// Tabletop: 18 ft face up to 5.5 ft (about 17 degrees), a 30 ft table, a
// 30 ft landing.
double tabletop(double d) {
  static const double p[][2] = {{0, 0}, {18, 5.5}, {48, 5.5}, {78, 0}};
  return profile(p, 4, d);
}

// Double: take-off 16 ft to 5 ft, a 34 ft gap back to the bed, a landing
// that starts 5 ft up and runs out over 32 ft. Lip to landing is 34 ft:
// cleared at about 35 mph.
double double_jump(double d) {
  static const double p[][2] = {{0, 0}, {16, 5.0}, {19, 1.0}, {47, 1.0}, {50, 5.0}, {82, 0}};
  return profile(p, 6, d);
}

// Step-down: a 14 ft kicker to 4 ft dropping onto a 26 ft landing.
double kicker(double d) {
  static const double p[][2] = {{0, 0}, {14, 4.0}, {17, 3.6}, {43, 0}};
  return profile(p, 4, d);
}

// Eight whoops, 10 ft apart, 1.4 ft tall.
double whoops(double d) {
  if (d <= 0 || d >= 80) return 0;
  return 1.4 * (0.5 - 0.5 * std::cos(2 * kPi * d / 10.0));
}

// Four rollers, 32 ft apart, 3 ft tall: pumped or jumped.
double rollers(double d) {
  if (d <= 0 || d >= 128) return 0;
  return 3.0 * (0.5 - 0.5 * std::cos(2 * kPi * d / 32.0));
}

const FeatureShape kFeatures[] = {
    {FeatureJump, 78, tabletop}, {FeatureWhoops, 80, whoops}, {FeatureJump, 82, double_jump},
    {FeatureRollers, 128, rollers}, {FeatureJump, 43, kicker},
};

struct Centre {
  std::vector<Vec2> p;
  std::vector<Vec2> tangent, left;
  std::vector<double> curvature;  // positive turning left (towards +left)
  std::vector<double> bed, lift, bank;
  std::vector<double> half;  // half the course width at each point
  std::vector<uint8_t> kind;
};

// Half widths along the loop: the plan's width, widened around the start.
std::vector<double> course_half_widths(const Plan& plan, int n, const std::vector<double>& marks) {
  std::vector<double> half(n, plan.width / 2);
  const double start = marks[0], straight_end = marks[3];
  for (int k = 0; k < n; ++k) {
    double s = k - start;  // arc length from the straight's start, wrapped
    if (s > n / 2.0) s -= n;
    double f = 0;
    if (s < kStartTaperIn)
      f = smoothstep(-10, kStartTaperIn, s);
    else if (s <= kStartPen)
      f = 1;
    else
      f = 1 - smoothstep(kStartPen, straight_end - start, s);
    half[k] = plan.width / 2 + f * (kStartWidth - plan.width) / 2;
  }
  return half;
}

// The start area is level, so that bikes waiting at the gate stand without
// rolling: no rise along the course and no bank across it, from a little
// before the gate to past the full-width pen, blending into the course on
// both sides.
void level_start_area(std::vector<double>& bed, std::vector<double>& bank, double start) {
  const int n = static_cast<int>(bed.size());
  const int gate = static_cast<int>(start) + 8;
  const double level = bed[gate % n];
  const double flat_from = -30, flat_to = kStartPen + 30, blend = 60;
  for (int q = static_cast<int>(flat_from - blend); q <= static_cast<int>(flat_to + blend); ++q) {
    const int k = ((static_cast<int>(start) + q) % n + n) % n;
    const double d = static_cast<double>(q);
    double w = 1;
    if (d < flat_from) w = smoothstep(flat_from - blend, flat_from, d);
    if (d > flat_to) w = 1 - smoothstep(flat_to, flat_to + blend, d);
    bed[k] += (level - bed[k]) * w;
    bank[k] *= 1 - w;
  }
}

void build_centre(const Plan& plan, Centre& c, std::vector<double>& marks) {
  c.p = resample_loop(plan.waypoints, marks);
  const int n = static_cast<int>(c.p.size());
  c.tangent.resize(n);
  c.left.resize(n);
  std::vector<double> heading(n), ground(n);
  for (int k = 0; k < n; ++k) {
    const Vec2& a = c.p[(k + n - 1) % n];
    const Vec2& b = c.p[(k + 1) % n];
    double len = std::hypot(b.x - a.x, b.z - a.z);
    c.tangent[k] = {(b.x - a.x) / len, (b.z - a.z) / len};
    // Left of the direction of travel when seen from above (y up).
    c.left[k] = {c.tangent[k].z, -c.tangent[k].x};
    heading[k] = std::atan2(c.tangent[k].z, c.tangent[k].x);
    ground[k] = plan.ground(c.p[k].x, c.p[k].z);
  }
  std::vector<double> turn(n);
  for (int k = 0; k < n; ++k) {
    double d = heading[(k + 1) % n] - heading[k];
    while (d > kPi) d -= 2 * kPi;
    while (d < -kPi) d += 2 * kPi;
    // heading grows clockwise seen from above with x east, z south; turning
    // towards `left` makes it shrink.
    turn[k] = -d / kStepFt;
  }
  c.curvature = smooth_loop(turn, 12);
  c.half = course_half_widths(plan, n, marks);
  c.bed = smooth_loop(ground, 40);
  for (double& b : c.bed) b -= kCut;
  c.bank.resize(n);
  for (int k = 0; k < n; ++k) c.bank[k] = std::clamp(c.curvature[k] * 14.0, -0.28, 0.28);
  c.bank = smooth_loop(c.bank, 8);
  level_start_area(c.bed, c.bank, marks[0]);

  // Features go on the straighter stretches after the start straight, in
  // the order of the list, with room to land and set up between them.
  c.lift.assign(n, 0.0);
  c.kind.assign(n, FeatureNone);
  const int start_end = static_cast<int>(marks[3]);
  int next = 0;
  int k = start_end + 60;
  while (k < n - 120) {
    const FeatureShape& f = kFeatures[next % std::size(kFeatures)];
    const int len = static_cast<int>(f.length / kStepFt) + 1;
    bool straight = k + len + 40 < n;
    for (int q = -20; straight && q < len + 20; ++q) straight = std::fabs(c.curvature[k + q]) < 1.0 / 150;
    if (!straight) {
      k += 4;
      continue;
    }
    for (int q = 0; q < len; ++q) {
      c.lift[k + q] = f.height(q * kStepFt);
      c.kind[k + q] = f.kind;
    }
    ++next;
    k += len + 70;
  }
  // Round the lips a little.
  c.lift = smooth_loop(c.lift, 1);
}

uint16_t quantise(double h, float lo, float hi) {
  double v = hi > lo ? (h - lo) / (static_cast<double>(hi) - lo) : 0.0;
  return static_cast<uint16_t>(std::clamp(v, 0.0, 1.0) * 65535 + 0.5);
}

// A bucket grid over centre-line points, so each sample looks only at the
// points near it.
struct Buckets {
  double cell;
  int side;
  std::vector<std::vector<int>> cells;
  int reach;  // cells searched on each side
  Buckets(const std::vector<Vec2>& p, double world, double cell_size, double max_distance)
      : cell(cell_size),
        side(static_cast<int>(world / cell_size) + 1),
        cells(side * side),
        reach(static_cast<int>(std::ceil(max_distance / cell_size))) {
    for (int k = 0; k < static_cast<int>(p.size()); ++k) {
      int cx = std::clamp(static_cast<int>(p[k].x / cell), 0, side - 1);
      int cz = std::clamp(static_cast<int>(p[k].z / cell), 0, side - 1);
      cells[cz * side + cx].push_back(k);
    }
  }
  int nearest(const std::vector<Vec2>& p, double x, double z, double& best) const {
    int cx = static_cast<int>(x / cell), cz = static_cast<int>(z / cell);
    int found = -1;
    best = 1e30;
    for (int dz = -reach; dz <= reach; ++dz) {
      for (int dx = -reach; dx <= reach; ++dx) {
        int gx = cx + dx, gz = cz + dz;
        if (gx < 0 || gz < 0 || gx >= side || gz >= side) continue;
        for (int k : cells[gz * side + gx]) {
          double d = (p[k].x - x) * (p[k].x - x) + (p[k].z - z) * (p[k].z - z);
          if (d < best) best = d, found = k;
        }
      }
    }
    best = std::sqrt(best);
    return found;
  }
};

GeneratedTrack build_track(const Plan& plan) {
  GeneratedTrack t;
  t.folder = plan.folder;
  t.title = plan.title;
  t.exponent = plan.exponent;
  t.spacing = plan.spacing;
  t.size = (2 << plan.exponent) + 1;
  double sun_len = std::sqrt(plan.sun[0] * plan.sun[0] + plan.sun[1] * plan.sun[1] + plan.sun[2] * plan.sun[2]);
  for (int k = 0; k < 3; ++k) {
    t.sun_vector[k] = plan.sun[k] / sun_len;
    t.sun_color[k] = plan.sun_color[k];
    t.ambient[k] = plan.ambient[k];
  }

  Centre c;
  std::vector<double> marks;
  build_centre(plan, c, marks);
  const int n = static_cast<int>(c.p.size());
  const double world = (2 << plan.exponent) * plan.spacing;
  const double widest = *std::max_element(c.half.begin(), c.half.end());
  const Buckets buckets(c.p, world, 48.0, widest + kShoulder + 4);

  const size_t count = static_cast<size_t>(t.size) * t.size;
  std::vector<double> h(count);
  t.edge_distance.assign(count, 1000.0f);
  t.feature.assign(count, FeatureNone);
  t.bank.assign(count, 0.0f);
  for (int j = 0; j < t.size; ++j) {
    for (int i = 0; i < t.size; ++i) {
      const double x = i * plan.spacing, z = j * plan.spacing;
      const size_t at = static_cast<size_t>(j) * t.size + i;
      const double base = plan.ground(x, z);
      h[at] = base;
      double dist = 0;
      const int k = buckets.nearest(c.p, x, z, dist);
      if (k < 0 || dist > c.half[k] + kShoulder + 4) continue;
      // Position along and across the course near point k; the profile is
      // interpolated between neighbouring points so jumps stay smooth.
      const double dx = x - c.p[k].x, dz = z - c.p[k].z;
      const double along = dx * c.tangent[k].x + dz * c.tangent[k].z;
      const double lateral = dx * c.left[k].x + dz * c.left[k].z;
      const int k2 = along >= 0 ? (k + 1) % n : (k + n - 1) % n;
      const double f = std::min(std::fabs(along) / kStepFt, 1.0);
      auto at_s = [&](const std::vector<double>& v) { return v[k] + f * (v[k2] - v[k]); };
      const double bed = at_s(c.bed), lift = at_s(c.lift), bank = at_s(c.bank), half = at_s(c.half);
      // The outside of the turn rises with the bank: a berm.
      const double side = bank >= 0 ? -lateral : lateral;  // + towards the outside
      const double across = std::clamp(side, -half, half);
      // Where the course widens the bank eases off, so a berm never grows
      // taller than one of the normal course width.
      const double slope = std::fabs(bank) * std::min(1.0, plan.width / (2 * half));
      const double course = bed + lift + slope * (across + half);
      const double d = std::fabs(lateral);
      t.edge_distance[at] = static_cast<float>(d - half);
      if (d <= half) {
        h[at] = course;
        t.feature[at] = c.kind[k];
        t.bank[at] = static_cast<float>(bank);
        continue;
      }
      // Beyond the edge: a berm keeps a lip on its outside, then everything
      // blends into the ground.
      double lip = side > 0 ? slope * 5.0 : 0.4;
      double edge = course + lip * smoothstep(0, 3, d - half);
      h[at] = edge + (base - edge) * smoothstep(2, kShoulder, d - half);
    }
  }

  // Quantise as the game will read the heights back, with the range as
  // the header prints it.
  auto [lo_it, hi_it] = std::minmax_element(h.begin(), h.end());
  char header[128];
  std::snprintf(header, sizeof header, "%f %f", *lo_it, *hi_it);
  std::sscanf(header, "%f %f", &t.hmin, &t.hmax);
  t.ground.exponent = t.exponent;
  t.ground.size = t.size;
  t.ground.spacing = static_cast<float>(t.spacing);
  t.ground.heights.resize(count);
  t.height_values.resize(count);
  const float scale = (t.hmax - t.hmin) * (1.0f / 65535);
  for (size_t k = 0; k < count; ++k) {
    t.height_values[k] = quantise(h[k], t.hmin, t.hmax);
    t.ground.heights[k] = t.hmin + scale * t.height_values[k];
  }

  // The published centre line: every fourth foot, in the direction of travel.
  const int stride = static_cast<int>(kOutputStep / kStepFt);
  for (int k = 0; k < n; k += stride) {
    CoursePoint cp;
    cp.x = c.p[k].x;
    cp.z = c.p[k].z;
    cp.y = t.height_at(cp.x, cp.z);
    cp.width = 2 * c.half[k];
    t.centre.push_back(cp);
  }
  t.start_begin = static_cast<int>(marks[0]) / stride + 2;
  t.start_end = static_cast<int>(marks[3]) / stride;
  t.lap_line = static_cast<int>(marks[2]) / stride;
  return t;
}

}  // namespace

const std::vector<GeneratedTrack>& generated_tracks() {
  static const std::vector<GeneratedTrack> tracks = [] {
    std::vector<GeneratedTrack> out;
    for (const Plan& p : kPlans) out.push_back(build_track(p));
    return out;
  }();
  return tracks;
}
