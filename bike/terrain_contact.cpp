#include "bike/terrain_contact.h"

#include <algorithm>
#include <cmath>

#include "bike/bike.h"
#include "bike/crash.h"
#include "bike/roll.h"
#include "platform/units.h"
#include "track/terrain.h"

namespace {

// Below this a closest-point offset is too short to give a direction: the
// ground's heights are single precision, good to about 2e-6 ft at 30 ft,
// and a ring or centre lying on a triangle would otherwise take the sign
// of that rounding. The triangle's own normal serves instead.
constexpr double kTinyDistance = 1e-5;
// Parts against the ground: one stiffness and damping for every sphere.
constexpr double kShapeStiffness = 2500, kShapeDamping = 250;

int table_length(const TileType& tile, bool friction) {
  int n = 0;
  while (n < kTablePoints && (friction ? tile.friction[n].key : tile.roll_resist[n].key) != 0) ++n;
  return n;
}

// The interval of a table for a speed: the first point whose key exceeds
// it (k), and how far past point k - 1 toward it the speed lies.
struct TablePlace {
  int low = 0, high = 0;
  double t = 0;
};

template <class KeyOf>
TablePlace table_place(int n, double speed, bool squared, KeyOf key) {
  TablePlace p;
  int k = 0;
  while (k < n && !(key(k) > speed)) ++k;
  if (k == 0) return p;
  if (k == n) {
    p.low = p.high = n - 1;
    return p;
  }
  const double s0 = key(k - 1), s1 = key(k);
  const double a = squared ? s0 * s0 : s0, b = squared ? s1 * s1 : s1, v = squared ? speed * speed : speed;
  p.low = k - 1;
  p.high = k;
  p.t = b > a ? std::clamp((v - a) / (b - a), 0.0, 1.0) : 1.0;
  return p;
}

double max_height_over(const Terrain& g, const CellRange& cells) {
  double top = -INFINITY;
  for (int j = cells.j0; j <= cells.j1; ++j)
    for (int i = cells.i0; i <= cells.i1; ++i) top = std::max(top, double(g.heights[size_t(j) * g.size + i]));
  return top;
}

bool finite_pose(const dReal* position, const dReal* rotation) {
  for (int k = 0; k < 3; ++k)
    if (!std::isfinite(position[k])) return false;
  for (int k = 0; k < 12; ++k)
    if (!std::isfinite(rotation[k])) return false;
  return true;
}

}  // namespace

double tile_friction(const TileType& tile, double slip_speed) {
  const int n = table_length(tile, true);
  if (n == 0) return tile.friction[0].value;
  const TablePlace p = table_place(n, slip_speed, true, [&](int k) { return double(tile.friction[k].key); });
  const double a = tile.friction[p.low].value, b = tile.friction[p.high].value;
  return a + (b - a) * p.t;
}

void tile_roll_resistance(const TileType& tile, double speed, double& a, double& b) {
  const int n = table_length(tile, false);
  if (n == 0) {
    a = tile.roll_resist[0].a;
    b = tile.roll_resist[0].b;
    return;
  }
  const TablePlace p = table_place(n, speed, false, [&](int k) { return double(tile.roll_resist[k].key); });
  const RollResistPoint& lo = tile.roll_resist[p.low];
  const RollResistPoint& hi = tile.roll_resist[p.high];
  a = lo.a + (hi.a - lo.a) * p.t;
  b = lo.b + (hi.b - lo.b) * p.t;
}

bool ground_cells(const Terrain& ground, double x, double z, double reach, CellRange& out) {
  if (ground.size < 2 || !(ground.spacing > 0) || ground.heights.size() < size_t(ground.size) * ground.size)
    return false;
  if (!std::isfinite(x) || !std::isfinite(z) || !std::isfinite(reach)) return false;
  const int cells = ground.size - 1;
  const double s = ground.spacing;
  // Clamped before conversion so that a point far outside cannot overflow;
  // outside the field the border cells are tested.
  auto range = [&](double c, int& lo, int& hi) {
    lo = int(std::clamp(std::floor((c - reach) / s), 0.0, double(cells - 1)));
    hi = int(std::clamp(std::ceil((c + reach) / s), double(lo + 1), double(cells)));
  };
  range(x, out.i0, out.i1);
  range(z, out.j0, out.j1);
  return true;
}

void cell_triangles(const Terrain& ground, int i, int j, Triangle3 out[2]) {
  const double s = ground.spacing;
  auto corner = [&](int ci, int cj) {
    return Vec3{ci * s, double(ground.heights[size_t(cj) * ground.size + ci]), cj * s};
  };
  const Vec3 p00 = corner(i, j), p10 = corner(i + 1, j), p01 = corner(i, j + 1), p11 = corner(i + 1, j + 1);
  if (((i + j) & 1) == 0) {
    out[0] = {{p00, p11, p10}};
    out[1] = {{p00, p01, p11}};
  } else {
    out[0] = {{p00, p01, p10}};
    out[1] = {{p10, p01, p11}};
  }
}

Vec3 triangle_normal(const Triangle3& t) {
  const Vec3 n = cross(t.p[1] - t.p[0], t.p[2] - t.p[0]);
  const double len = length(n);
  return len > 0 ? n * (1.0 / len) : Vec3{0, 1, 0};
}

Vec3 settle_normal(Vec3 n) {
  if (n.y < 0) {
    if (n.x * n.x + n.z * n.z >= 1.0 / 1024)
      n.y = 0;
    else
      n = {0, 1, 0};
  }
  const double len = length(n);
  return len > 0 && std::isfinite(len) ? n * (1.0 / len) : Vec3{0, 1, 0};
}

void tyre_spring(double relative_depth, double& k, double& c) {
  const double q = std::clamp(relative_depth, 0.0, 1.0);
  const double m = q * q * q;
  k = 1000 + 24000 * m;
  c = 200 + 2300 * m;
}

bool tyreContact(const Terrain& ground, WheelContact& wheel, double grip, PhysicsWorld* world) {
  wheel.depth = 0;
  wheel.joined = false;
  if (!wheel.body) return false;
  const double R = wheel.ring_radius, r = wheel.tube_radius;
  if (!(R > 0) || !(r > 0)) return false;
  const dReal* position = dBodyGetPosition(wheel.body);
  const dReal* rotation = dBodyGetRotation(wheel.body);
  if (!finite_pose(position, rotation)) return false;
  Ring ring;
  ring.centre = vec3_of(position);
  ring.axis = rotate(rotation, wheel.axle);
  const double axis_length = length(ring.axis);
  if (!(axis_length > 0)) return false;
  ring.axis = ring.axis * (1.0 / axis_length);
  ring.radius = R;

  CellRange cells;
  if (!ground_cells(ground, ring.centre.x, ring.centre.z, R + r, cells)) return false;
  if (ring.centre.y - (R + r) >= max_height_over(ground, cells)) return false;
  double best = r;
  bool found = false;
  ClosestPoints hit;
  Triangle3 hit_triangle;
  for (int j = cells.j0; j < cells.j1; ++j) {
    for (int i = cells.i0; i < cells.i1; ++i) {
      Triangle3 tris[2];
      cell_triangles(ground, i, j, tris);
      for (const Triangle3& t : tris) {
        ClosestPoints c;
        if (ring_triangle_closest(ring, t, best, c)) {
          best = c.distance;
          hit = c;
          hit_triangle = t;
          found = true;
        }
      }
    }
  }
  if (!found) return false;

  // Toward the ring from the triangle; a ring lying on the triangle has no
  // such direction and takes the triangle's.
  const Vec3 offset = hit.on_other - hit.on_triangle;
  const double gap = length(offset);
  const Vec3 normal = settle_normal(gap > kTinyDistance ? offset * (1.0 / gap) : triangle_normal(hit_triangle));
  wheel.point = hit.on_triangle;
  wheel.normal = normal;
  wheel.depth = r - hit.distance;
  dVector3 v;
  dBodyGetPointVel(wheel.body, wheel.point.x, wheel.point.y, wheel.point.z, v);
  wheel.velocity = vec3_of(v);
  if (!world) return true;

  const TileType& tile = terrain_tile_type_at(ground, float(wheel.point.x), float(wheel.point.z));
  const double slip = length(wheel.velocity);
  double mu = tile_friction(tile, slip) * grip;
  if (!(mu >= 0) || !std::isfinite(mu)) mu = 0;
  const double q = std::min(1.0, wheel.depth / r);
  double k, c;
  tyre_spring(q, k, c);

  // The first friction direction: across the sliding, or across the axle
  // for a tyre that hardly slides.
  Vec3 dir = cross(normal, wheel.velocity);
  if (length_squared(dir) < 1.0 / 1024) dir = cross(normal, ring.axis);
  const double dir_length = length(dir);

  dContact contact{};
  contact.surface.mode = kFrictionContactMode;
  if (dir_length > 0) {
    contact.surface.mode |= dContactFDir1;
    store(dir * (1.0 / dir_length), contact.fdir1);
  }
  contact.surface.mu = mu;
  contact_spring(contact.surface, k, c);
  store(wheel.point, contact.geom.pos);
  store(normal, contact.geom.normal);
  contact.geom.depth = wheel.depth;
  wheel.feedback = dJointFeedback{};
  dJointID joint = physics_add_contact(*world, contact, wheel.body, nullptr);
  dJointSetFeedback(joint, &wheel.feedback);
  wheel.joined = true;

  // Rolling resistance against the wheel's motion along the ground, fading
  // out below 1 ft/s so that a standing bike is not pushed about.
  const Vec3 lv = vec3_of(dBodyGetLinearVel(wheel.body));
  const Vec3 along = lv - normal * dot(lv, normal);
  const double speed = length(along);
  double a, b;
  tile_roll_resistance(tile, speed, a, b);
  const double magnitude = a + (b - a) * q;
  const Vec3 force = speed > 1 ? along * (-magnitude / speed) : along * -magnitude;
  if (is_finite(force)) dBodyAddForce(wheel.body, force.x, force.y, force.z);
  return true;
}

bool shapeTerrainContact(const Terrain& ground, PartShape& part, dBodyID body, const dReal* position,
                         const dReal* rotation, PhysicsWorld* world) {
  if (!part.loaded) return false;
  if (!finite_pose(position, rotation)) return false;
  const std::vector<ShapeSphere>& spheres = part.shape.spheres;
  part.centres.resize(spheres.size());
  const Vec3 origin = vec3_of(position);
  for (size_t k = 0; k < spheres.size(); ++k) part.centres[k] = rotate(rotation, vec3_of(spheres[k].centre)) + origin;
  // The whole shape well above the ground under it: no sphere can touch.
  CellRange around;
  if (!ground_cells(ground, origin.x, origin.z, part.shape.bounding_radius, around)) return false;
  if (origin.y - part.shape.bounding_radius >= max_height_over(ground, around)) return false;
  bool any = false;
  for (size_t k = 0; k < spheres.size(); ++k) {
    const ShapeSphere& sphere = spheres[k];
    const Vec3 centre = part.centres[k];
    const double radius = sphere.radius;
    if (!(radius > 0)) continue;
    CellRange cells;
    if (!ground_cells(ground, centre.x, centre.z, radius, cells)) continue;
    if (centre.y - radius >= max_height_over(ground, cells)) continue;
    double best = radius;
    bool found = false;
    Vec3 nearest;
    Triangle3 hit_triangle;
    for (int j = cells.j0; j < cells.j1; ++j) {
      for (int i = cells.i0; i < cells.i1; ++i) {
        Triangle3 tris[2];
        cell_triangles(ground, i, j, tris);
        for (const Triangle3& t : tris) {
          const Vec3 p = closest_point_on_triangle(centre, t);
          const double d = length(centre - p);
          if (d < best) {
            best = d;
            nearest = p;
            hit_triangle = t;
            found = true;
          }
        }
      }
    }
    if (!found) continue;
    any = true;
    if (!body || !world) continue;
    // A centre on the triangle has no direction to it: the triangle's own.
    const Vec3 normal = settle_normal(best > kTinyDistance ? (centre - nearest) * (1.0 / best)
                                                           : triangle_normal(hit_triangle));
    dContact contact{};
    contact.surface.mode = kFrictionContactMode;
    contact.surface.mu = sphere.friction > 0 && std::isfinite(sphere.friction) ? sphere.friction : 0;
    contact_spring(contact.surface, kShapeStiffness, kShapeDamping);
    store(nearest, contact.geom.pos);
    store(normal, contact.geom.normal);
    contact.geom.depth = radius - best;
    physics_add_contact(*world, contact, body, nullptr);
  }
  return any;
}

unsigned bikeTerrainContact(Bike& bike, const Terrain& ground, ContactUse use, const KnockoutTable* knockout) {
  PhysicsWorld* world = use == ContactUse::Test ? nullptr : bike.world;
  double grip = 1;
  if (bike.setup.options & kOptionArcade) {
    bike.last_roll = body_roll(bike.body[kBodyFrame], bike.last_roll);
    grip = 1 - 0.375 * std::clamp(4 * std::fabs(bike.last_roll) / kPi, 0.0, 1.0);
  }
  unsigned touched = 0;
  if (tyreContact(ground, bike.wheel[0], grip, world)) touched |= kPartFrontWheel;
  if (tyreContact(ground, bike.wheel[1], grip, world)) touched |= kPartRearWheel;
  static constexpr int kParts[] = {kBodyFrame, kBodyForkUpper, kBodyForkLower, kBodySwingarm, kBodyRider};
  for (int b : kParts) {
    dBodyID body = bike.body[b];
    if (shapeTerrainContact(ground, bike.shape[b], body, dBodyGetPosition(body), dBodyGetRotation(body), world))
      touched |= kBodyPart[b];
  }
  if ((touched & kPartRider) && use != ContactUse::Test) crash_check_ground(bike, knockout);
  return touched;
}
