// The objects of each generated track: lighting, timing gates, flaggers,
// billboards, statues, decals, cameras and the map picture, placed from the
// course's centre line. Everything is derived from the plan and a fixed
// seed, so the output is identical run to run.
#include <algorithm>
#include <cstdarg>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "images/image.h"
#include "tools/datagen/course.h"
#include "tools/datagen/datagen.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr int kGateSlots = 40;
constexpr double kSlotSpacing = 3.0;  // feet between start gate slots
constexpr double kGateSpacing = 110;  // feet of course between checkpoints

// A small deterministic generator (not the library's, whose sequence may
// differ between standard libraries).
struct Lcg {
  uint64_t s;
  explicit Lcg(uint64_t seed) : s(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}
  double next() {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(s >> 11) / 9007199254740992.0;
  }
  double range(double a, double b) { return a + (b - a) * next(); }
};

struct Vec2 {
  double x, z;
};

std::string fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* format, ...) {
  char buf[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

// The course seen as a closed polyline with its running distance.
struct Course {
  const GeneratedTrack& t;
  std::vector<double> along;  // distance from point 0 to point i
  double length = 0;

  explicit Course(const GeneratedTrack& track) : t(track) {
    const auto& c = t.centre;
    along.assign(c.size(), 0);
    for (size_t i = 1; i < c.size(); ++i) along[i] = along[i - 1] + std::hypot(c[i].x - c[i - 1].x, c[i].z - c[i - 1].z);
    if (!c.empty()) length = along.back() + std::hypot(c.front().x - c.back().x, c.front().z - c.back().z);
  }
  int count() const { return static_cast<int>(t.centre.size()); }
  int wrap(int i) const { return ((i % count()) + count()) % count(); }
  const CoursePoint& at(int i) const { return t.centre[wrap(i)]; }
  // Unit direction of travel at point i.
  Vec2 tangent(int i) const {
    const CoursePoint &a = at(i - 2), &b = at(i + 2);
    double dx = b.x - a.x, dz = b.z - a.z, l = std::hypot(dx, dz);
    return l > 0 ? Vec2{dx / l, dz / l} : Vec2{0, -1};
  }
  // Signed turn per foot at point i (positive turning right when seen from
  // above with x east, z south).
  double curvature(int i) const {
    Vec2 a = tangent(i - 6), b = tangent(i + 6);
    double cross = a.x * b.z - a.z * b.x;
    double d = std::max(distance(i - 6, i + 6), 1.0);
    return std::asin(std::clamp(cross, -1.0, 1.0)) / d;
  }
  double distance(int i, int j) const {
    double d = along[wrap(j)] - along[wrap(i)];
    return d < 0 ? d + length : d;
  }
  // Nearest centre point and its distance from (x, z).
  double clearance(double x, double z, int* nearest = nullptr) const {
    double best = 1e30;
    for (int i = 0; i < count(); ++i) {
      double d = std::hypot(t.centre[i].x - x, t.centre[i].z - z) - t.centre[i].width / 2;
      if (d < best) {
        best = d;
        if (nearest) *nearest = i;
      }
    }
    return best;
  }
};

// The heading angle of a statue or slot whose front faces along (dx, dz).
double facing(Vec2 d) { return std::atan2(-d.x, -d.z); }
// The right-hand side of the direction of travel.
Vec2 right_of(Vec2 d) { return {-d.z, d.x}; }

double world_size(const GeneratedTrack& t) { return (t.size - 1) * t.spacing; }
bool inside(const GeneratedTrack& t, double x, double z, double margin) {
  double w = world_size(t);
  return x > margin && z > margin && x < w - margin && z < w - margin;
}

std::string lighting(const GeneratedTrack& t) {
  std::string s;
  s += fmt("sun_vector [ %.6f %.6f %.6f ]\n", t.sun_vector[0], t.sun_vector[1], t.sun_vector[2]);
  s += fmt("sun_color [ %.4f %.4f %.4f ]\n", t.sun_color[0], t.sun_color[1], t.sun_color[2]);
  s += fmt("ambient [ %.4f %.4f %.4f ]\n", t.ambient[0], t.ambient[1], t.ambient[2]);
  s += "global_ambient [ 0.2 0.2 0.2 ]\n";
  s += "sky_n @sky-n.ppm\nsky_e @sky-e.ppm\nsky_s @sky-s.ppm\nsky_w @sky-w.ppm\nsky_u @sky-u.ppm\n";
  s += "sky_env @sky-env.ppm\n";
  // A glare at the sun and two ghosts along the line through the centre.
  s += "flare_element [ 0 0 ] [ 1 0.95 0.85 ] 1.0 @flare-sun.png\n";
  s += "flare_element [ 0.5 0 ] [ 0.6 0.7 1 ] 0.3 @flare-ring.png\n";
  s += "flare_element [ 1.2 0 ] [ 0.8 0.6 0.4 ] 0.15 @flare-disc.png\n";
  s += fmt("flare_vector [ %.6f %.6f %.6f ]\n", t.sun_vector[0], t.sun_vector[1], t.sun_vector[2]);
  s += "fog [ 0.72 0.78 0.85 ] 0.0004\n";
  s += "dynamic_lighting 0\n";
  s += "near_plane 0.25\nfar_plane 6000\n";
  return s;
}

struct Gates {
  std::vector<int> points;  // centre index of each checkpoint; 0 is the lap line
  int start_point = 0;      // centre index of the start gate
};

Gates plan_gates(const Course& c) {
  Gates g;
  const GeneratedTrack& t = c.t;
  // The gate drops a little way into the start straight, leaving room
  // behind it for the rows of riders.
  int sb = t.start_begin, se = t.start_end;
  double straight = c.distance(sb, se);
  g.start_point = sb;
  while (g.start_point != se && c.distance(sb, g.start_point) < std::min(45.0, straight / 3))
    g.start_point = c.wrap(g.start_point + 1);
  // Checkpoints evenly around from the lap line.
  int n = std::max(4, static_cast<int>(c.length / kGateSpacing));
  for (int k = 0; k < n; ++k) {
    double want = c.length * k / n;
    int i = t.lap_line;
    while (c.distance(t.lap_line, i) < want && c.distance(t.lap_line, c.wrap(i + 1)) > c.distance(t.lap_line, i))
      i = c.wrap(i + 1);
    g.points.push_back(i);
  }
  return g;
}

std::string timing_gates(const Course& c, const Gates& g) {
  const GeneratedTrack& t = c.t;
  std::string s = "startinggate:\n";
  const CoursePoint& sp = c.at(g.start_point);
  Vec2 d = c.tangent(g.start_point), r = right_of(d);
  double angle = facing(d);
  for (int k = 0; k < kGateSlots; ++k) {
    double off = (k - (kGateSlots - 1) / 2.0) * kSlotSpacing;
    // Slot positions are the riders' places; the gate stands 3 ft ahead.
    s += fmt("[%f %f %f] %f\n", sp.x + r.x * off - d.x * 3, 0.0, sp.z + r.z * off - d.z * 3, angle);
  }
  s += "checkpoints:\n";
  for (int i : g.points) {
    const CoursePoint& p = c.at(i);
    Vec2 dir = c.tangent(i);
    s += fmt("%f [%f %f %f] [%f %f %f]\n", p.width / 2 + 3, p.x, t.height_at(p.x, p.z), p.z, dir.x, 0.0, dir.z);
  }
  // The first lap runs from the start gate to the lap line: the gates that
  // lie after the start gate, then the lap line (gate 0). When the gate
  // stands shortly before the lap line, the first lap also takes in one
  // whole loop, as the start straight alone is no lap. Later laps run the
  // whole loop and end at the lap line. Every second gate between is
  // marked, so the robots learn their lines over two-gate stretches.
  const int n = static_cast<int>(g.points.size());
  auto ref = [](int k) { return k % 2 == 0 ? k : 100000 + k; };
  std::vector<int> first;
  for (int k = 1; k < n; ++k)
    if (c.distance(t.lap_line, g.start_point) < c.distance(t.lap_line, g.points[k])) first.push_back(ref(k));
  if (c.distance(g.start_point, t.lap_line) < c.length / 2)
    for (int k = 1; k < n; ++k) first.push_back(ref(k));
  first.push_back(0);
  s += "firstlap:\n";
  for (int r2 : first) s += fmt("%d ", r2);
  s += "\nnormallap:\n";
  for (int k = 1; k < n; ++k) s += fmt("%d ", ref(k));
  s += "0 \n";
  return s;
}

// Where the start flagger stands: beside the gate's right end, walking off
// the course once the race is on.
std::string flaggers(const Course& c, const Gates& g) {
  const CoursePoint& sp = c.at(g.start_point);
  Vec2 d = c.tangent(g.start_point), r = right_of(d);
  double edge = kGateSlots * kSlotSpacing / 2 + 6;
  std::string s;
  s += fmt("[ %f 0 %f ] [ %f 0 %f ] 6 0.5 1.5\n", sp.x + r.x * edge + d.x * 4, sp.z + r.z * edge + d.z * 4,
           sp.x + r.x * (edge + 8) + d.x * 4, sp.z + r.z * (edge + 8) + d.z * 4);
  s += "@flagger-start0.png @flagger-start1.png @flagger-start2.png @flagger-start3.png @flagger-start4.png\n";
  const CoursePoint& lp = c.at(c.t.lap_line);
  Vec2 ld = c.tangent(c.t.lap_line), lr = right_of(ld);
  double lo = lp.width / 2 + 8;
  s += fmt("[ %f 0 %f ] 6 0.5\n", lp.x - lr.x * lo, lp.z - lr.z * lo);
  s += "@flagger-finish0.png @flagger-finish1.png @flagger-finish2.png @flagger-finish3.png\n";
  // Course flaggers at every third gate, each watching that gate and the
  // next, on alternating sides.
  const int n = static_cast<int>(g.points.size());
  for (int k = 2; k < n; k += 3) {
    int i = g.points[k];
    const CoursePoint& p = c.at(i);
    Vec2 pd = c.tangent(i), pr = right_of(pd);
    double side = (k / 3) % 2 ? 1 : -1;
    double o = p.width / 2 + 10;
    s += fmt("[ %f 0 %f ] 6 0.5 %d %d -1 -1 @flagger-yellow0.png @flagger-yellow1.png\n", p.x + pr.x * o * side,
             p.z + pr.z * o * side, k, (k + 1) % n);
  }
  return s;
}

// Banners along the start straight and trees around the course.
std::string billboards(const Course& c, Lcg& rng) {
  const GeneratedTrack& t = c.t;
  std::string s;
  // Coloured banners carry their tint in the name; white ones need none.
  static const char* const kBannerColours[] = {"#e03020#", "#2050d0#", "#f0c020#", ""};
  int k = 0;
  for (int i = t.start_begin; i != t.start_end; i = c.wrap(i + 1)) {
    if (c.distance(t.start_begin, i) < k * 24.0) continue;
    const CoursePoint& p = c.at(i);
    Vec2 r = right_of(c.tangent(i));
    double o = std::max(p.width / 2, kGateSlots * kSlotSpacing / 2) + 5;
    for (double side : {-1.0, 1.0}) {
      const char* colour = kBannerColours[k % 4];
      s += fmt("[ %f 0 %f ] 3 2.5 %s@banner.png\n", p.x + r.x * o * side, p.z + r.z * o * side,
               colour);
    }
    ++k;
  }
  // Trees: scattered over the field, never on or beside the course.
  const double w = world_size(t);
  int trees = 0;
  for (int attempt = 0; attempt < 4000 && trees < 160; ++attempt) {
    double x = rng.range(0, w), z = rng.range(0, w);
    double h = rng.range(18, 40);
    int kind = static_cast<int>(rng.next() * 3);
    if (!inside(t, x, z, 10) || c.clearance(x, z) < 35) continue;
    static const char* const kTrees[] = {"@tree-kowhai.png", "@tree-cabbage.png", "@tree-pine.png"};
    s += fmt("[ %f 0 %f ] %f %f %s\n", x, z, h, kind == 1 ? 0.6 : 0.8, kTrees[kind]);
    ++trees;
  }
  return s;
}

struct Placed {
  double x, z, r;
};

// Hay bales lining the outside of every berm, tuff blocks at the inside
// of the tightest turns, tents in the paddock.
std::string statues(const Course& c, const Gates& g, Lcg& rng) {
  const GeneratedTrack& t = c.t;
  std::string s;
  std::vector<Placed> placed;
  auto free_at = [&](double x, double z, double r) {
    for (const Placed& p : placed)
      if (std::hypot(p.x - x, p.z - z) < p.r + r) return false;
    return true;
  };
  auto add = [&](double x, double z, double r, double angle, const char* what) {
    placed.push_back({x, z, r});
    s += fmt("[ %f 0 %f ] %f @%s.jm @%s.png @%s.shp\n", x, z, angle, what, what, what);
  };
  // Keep the start area clear.
  const CoursePoint& sp = c.at(g.start_point);
  placed.push_back({sp.x, sp.z, kGateSlots * kSlotSpacing / 2 + 12});

  double last = -1e9;
  for (int i = 0; i < c.count(); ++i) {
    double k = c.curvature(i);
    if (std::fabs(k) < 1.0 / 120) continue;
    if (c.along[i] - last < 4.0) continue;
    const CoursePoint& p = c.at(i);
    Vec2 d = c.tangent(i), r = right_of(d);
    // The outside of a right turn is on the left.
    double side = k > 0 ? -1 : 1;
    double o = p.width / 2 + 1.5;
    double x = p.x + r.x * o * side, z = p.z + r.z * o * side;
    if (!inside(t, x, z, 4) || !free_at(x, z, 1.6) || c.clearance(x, z) < 0.5) continue;
    add(x, z, 1.6, facing(d), "haybale");
    last = c.along[i];
  }
  last = -1e9;
  for (int i = 0; i < c.count(); ++i) {
    double k = c.curvature(i);
    if (std::fabs(k) < 1.0 / 70) continue;
    if (c.along[i] - last < 30.0) continue;
    const CoursePoint& p = c.at(i);
    Vec2 d = c.tangent(i), r = right_of(d);
    double side = k > 0 ? 1 : -1;  // the inside
    double o = p.width / 2 + 2;
    double x = p.x + r.x * o * side, z = p.z + r.z * o * side;
    if (!inside(t, x, z, 4) || !free_at(x, z, 2.0) || c.clearance(x, z) < 1) continue;
    add(x, z, 2.0, facing(d), "tuffblock");
    last = c.along[i];
  }
  // The paddock: the open ground farthest from the course, near the middle
  // of the field, with a row of tents.
  const double w = world_size(t);
  double best = -1, bx = w / 2, bz = w / 2;
  for (int j = 1; j < 24; ++j)
    for (int i = 1; i < 24; ++i) {
      double x = w * (0.1 + 0.8 * i / 24), z = w * (0.1 + 0.8 * j / 24);
      double cl = c.clearance(x, z);
      if (cl > best) best = cl, bx = x, bz = z;
    }
  for (int k = 0; k < 6; ++k) {
    double x = bx + (k % 3 - 1) * 14 + rng.range(-1, 1), z = bz + (k / 3 - 0.5) * 16;
    if (!inside(t, x, z, 8) || c.clearance(x, z) < 10 || !free_at(x, z, 7.5)) continue;
    add(x, z, 7.5, k / 3 ? 0.0 : kPi, "tent");
  }
  return s;
}

std::string decals(const Course& c, const Gates& g) {
  const GeneratedTrack& t = c.t;
  std::string s;
  // The lap line across the course, and the sponsor's mark behind the gate.
  const CoursePoint& lp = c.at(t.lap_line);
  s += fmt("[ %f %f ] %f %f %f @decal-lapline.png\n", lp.x, lp.z, facing(c.tangent(t.lap_line)), lp.width, 0.08);
  const CoursePoint& sp = c.at(g.start_point);
  Vec2 d = c.tangent(g.start_point);
  s += fmt("[ %f %f ] %f %f %f @decal-startlogo.png\n", sp.x + d.x * 20, sp.z + d.z * 20, facing(d), 24.0, 0.5);
  return s;
}

// Cameras beside every fourth gate, watching the gates from the one before
// to the one after.
std::string cameras(const Course& c, const Gates& g) {
  std::string s;
  const int n = static_cast<int>(g.points.size());
  for (int k = 0; k < n; k += 4) {
    int i = g.points[k];
    const CoursePoint& p = c.at(i);
    Vec2 d = c.tangent(i), r = right_of(d);
    double side = (k / 4) % 2 ? -1 : 1;
    double o = p.width / 2 + 18;
    s += fmt("gate %d %d %d %d\n", (k + n - 1) % n, k, (k + 1) % n, (k + 2) % n);
    s += k % 8 == 0 ? "fov 50\nautofovsize 18\n" : "fov 65\n";
    s += fmt("addcamera %f %f %f\n", p.x + r.x * o * side - d.x * 15, 8.0, p.z + r.z * o * side - d.z * 15);
  }
  return s;
}

// The race display's map: the ground by height, the course in tan.
std::string map_picture(const Course& c) {
  const GeneratedTrack& t = c.t;
  const int side = 256;
  std::vector<uint8_t> rgb(side * side * 3);
  const double w = world_size(t);
  const double span = std::max(static_cast<double>(t.hmax - t.hmin), 1.0);
  for (int py = 0; py < side; ++py)
    for (int px = 0; px < side; ++px) {
      double x = (px + 0.5) * w / side, z = (py + 0.5) * w / side;
      double h = (t.height_at(x, z) - t.hmin) / span;
      uint8_t* o = &rgb[(py * side + px) * 3];
      o[0] = static_cast<uint8_t>(40 + 50 * h);
      o[1] = static_cast<uint8_t>(90 + 80 * h);
      o[2] = static_cast<uint8_t>(35 + 30 * h);
    }
  // Stamp a disc of the course width at every centre point.
  for (const CoursePoint& p : t.centre) {
    double rad = p.width / 2 * side / w;
    int cx = static_cast<int>(p.x * side / w), cy = static_cast<int>(p.z * side / w);
    int ri = static_cast<int>(std::ceil(rad));
    for (int dy = -ri; dy <= ri; ++dy)
      for (int dx = -ri; dx <= ri; ++dx) {
        int x = cx + dx, y = cy + dy;
        if (x < 0 || y < 0 || x >= side || y >= side || dx * dx + dy * dy > rad * rad + 0.5) continue;
        uint8_t* o = &rgb[(y * side + x) * 3];
        o[0] = 200, o[1] = 170, o[2] = 120;
      }
  }
  return png_encode_rgb(rgb.data(), side, side);
}
}  // namespace

void gen_track_objects(DataSet& ds, const GeneratedTrack& t) {
  const std::string dir = t.folder + "/";
  ds.write(dir + "lighting", lighting(t));
  if (t.centre.size() < 16) return;  // no course planned: ground only
  Course c(t);
  Gates g = plan_gates(c);
  uint64_t seed = 14695981039346656037ULL;  // FNV-1a of the folder name
  for (unsigned char ch : t.folder) seed = (seed ^ ch) * 1099511628211ULL;
  Lcg rng(seed);
  ds.write(dir + "timing_gates", timing_gates(c, g));
  ds.write(dir + "flaggers", flaggers(c, g));
  ds.write(dir + "billboards", billboards(c, rng));
  ds.write(dir + "statues", statues(c, g, rng));
  ds.write(dir + "decals", decals(c, g));
  ds.write(dir + "cameras", cameras(c, g));
  ds.write(dir + "map.png", map_picture(c));
}
