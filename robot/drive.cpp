#include "robot/drive.h"

#include <algorithm>
#include <cmath>

#include "bike/bike.h"
#include "bike/roll.h"
#include "bike/vec3.h"
#include "platform/units.h"
#include "robot/personalities.h"
#include "track/terrain.h"
#include "track/tileinfo.h"

namespace {

constexpr double kPointSeconds = 0.25;  // path points are a quarter second apart
constexpr double kHugeRadius = 1e6;
constexpr double kNoTakeOff = 1e6;

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// A uniform number in 0..1 from the session's generator.
double uniform(std::mt19937& random) { return (random() & 0x7FFFFFFFu) / 2147483648.0; }
int seconds_to_steps(double s) { return static_cast<int>(std::lround(s * kStepsPerSecond)); }

Vec3 frame_axis(const Bike& b, int column) {
  const dReal* r = dBodyGetRotation(b.body[kBodyFrame]);
  return {r[column], r[4 + column], r[8 + column]};
}

Vec3 angular_in_frame(const Bike& b) {
  const dReal* w = dBodyGetAngularVel(b.body[kBodyFrame]);
  const dReal* r = dBodyGetRotation(b.body[kBodyFrame]);
  return unrotate(r, vec3_of(w));
}

double wheel_load(const WheelContact& w) { return w.joined ? dot(vec3_of(w.feedback.f1), w.normal) : 0.0; }
bool touching(const WheelContact& w) { return w.depth > 0; }

// The gear the robots wait in: second, or first on a bike without it.
int waiting_gear(const BikeInfo& info) { return info.gear_ratios[1] > 0 ? 1 : 0; }

void hold(Bike& b, double throttle) {
  BikeControls& c = b.controls;
  const bool off = b.crash.timer > 0;
  c.sit = off ? 0 : 1;
  c.front_brake = c.rear_brake = 1;
  c.steer = 0;
  c.clutch = 0;
  c.gear = waiting_gear(b.info);
  c.throttle = off ? 0 : static_cast<float>(throttle);
  c.back_up = 0;
}

// A point along the path at a fractional index, clamped to its ends.
Vec3 path_at(const std::vector<LinePoint>& path, double index) {
  const int last = static_cast<int>(path.size()) - 1;
  index = std::clamp(index, 0.0, static_cast<double>(last));
  const int i = std::min(static_cast<int>(index), std::max(last - 1, 0));
  const double f = last > 0 ? index - i : 0;
  const LinePoint& a = path[i];
  const LinePoint& c = path[std::min(i + 1, last)];
  return {a.position[0] + f * (c.position[0] - a.position[0]), a.position[1] + f * (c.position[1] - a.position[1]),
          a.position[2] + f * (c.position[2] - a.position[2])};
}

double speed_at(const std::vector<LinePoint>& path, int i) {
  const int last = static_cast<int>(path.size()) - 1;
  return std::fabs(path[std::clamp(i, 0, last)].speed);
}

bool segments_cross(double ax, double az, double bx, double bz, double cx, double cz, double dx, double dz) {
  auto side = [](double px, double pz, double qx, double qz, double rx, double rz) {
    return (qx - px) * (rz - pz) - (qz - pz) * (rx - px);
  };
  const double d1 = side(cx, cz, dx, dz, ax, az), d2 = side(cx, cz, dx, dz, bx, bz);
  const double d3 = side(ax, az, bx, bz, cx, cz), d4 = side(ax, az, bx, bz, dx, dz);
  return ((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0));
}

// The unit direction of travel on the ground; the world's x at rest.
void travel_direction(const double v[3], double& hx, double& hz) {
  const double l = std::hypot(v[0], v[2]);
  if (l > 1e-6) {
    hx = v[0] / l;
    hz = v[2] / l;
  } else {
    hx = 1;
    hz = 0;
  }
}

struct Rectangle {
  double x[4], z[4];
};
Rectangle probe(const OtherBike& b) {
  double hx, hz;
  travel_direction(b.velocity, hx, hz);
  const double speed = std::sqrt(b.velocity[0] * b.velocity[0] + b.velocity[1] * b.velocity[1] +
                                 b.velocity[2] * b.velocity[2]);
  const double back = -4, ahead = 4 + speed, side = 2;
  const double rx = -hz, rz = hx;
  const double along[4] = {back, ahead, ahead, back}, across[4] = {-side, -side, side, side};
  Rectangle r;
  for (int k = 0; k < 4; ++k) {
    r.x[k] = b.position[0] + hx * along[k] + rx * across[k];
    r.z[k] = b.position[2] + hz * along[k] + rz * across[k];
  }
  return r;
}

// The target speed after the bikes ahead: slow to ride behind the nearest
// one whose probe crosses ours.
double slow_for_others(RobotState& st, const Bike& b, const DriveContext& ctx, double S, double lean, double G) {
  if (!ctx.others || ctx.others->empty()) return S;
  OtherBike me;
  const dReal* p = dBodyGetPosition(b.body[kBodyFrame]);
  const dReal* v = dBodyGetLinearVel(b.body[kBodyFrame]);
  for (int i = 0; i < 3; ++i) me.position[i] = p[i], me.velocity[i] = v[i];
  double hx, hz;
  travel_direction(me.velocity, hx, hz);
  const double speed = length(vec3_of(v));
  const Rectangle mine = probe(me);
  const OtherBike* nearest = nullptr;
  double nearest_distance = 1e30;
  for (const OtherBike& o : *ctx.others) {
    double ox, oz;
    travel_direction(o.velocity, ox, oz);
    const double dx = o.position[0] - me.position[0], dz = o.position[2] - me.position[2];
    if (!(dx * hx + dz * hz > -dx * ox - dz * oz)) continue;  // not ahead of us as we are of it
    if (!probes_overlap(me, o)) continue;
    const double d = std::hypot(dx, dz);
    if (d < nearest_distance) nearest_distance = d, nearest = &o;
  }
  (void)mine;
  if (!nearest) return S;

  const double t = std::min((ctx.race_step - ctx.start_step) * kStep, 100.0);
  const double k = clamp01((t - 3) / 2) * clamp01((120 - t) / 100);
  // The other bike's speed along our way: about the centre we turn round
  // at our lean, or straight ahead when we are upright.
  double s_o;
  const double tan_lean = std::tan(lean);
  const Vec3 ov = vec3_of(nearest->velocity);
  if (std::fabs(tan_lean) < 1e-6) {
    s_o = std::max(0.0, ov.x * hx + ov.z * hz);
  } else {
    const double rho = -speed * speed / (32 * G * tan_lean);
    const Vec3 right = frame_axis(b, 0);
    const Vec3 centre = vec3_of(p) + right * rho;
    Vec3 radial = vec3_of(nearest->position) - centre;
    const double rl = length(radial);
    Vec3 along = ov;
    if (rl > 1e-9) along = ov - radial * (dot(ov, radial) / (rl * rl));
    const double forward = along.x * hx + along.z * hz;
    s_o = forward > 0 ? length(along) : 0;
  }
  const Vec3 gap = vec3_of(nearest->position) - vec3_of(p);
  const double d = length(gap);
  const double room = 8 * k + 12;
  if (d >= room) {
    if (s_o < S) {
      const double x = (speed - s_o) / 5;
      const double g = (speed * x - 2.5 * x * x) - (s_o * x + d);
      if (g > -room) {
        S += (s_o - S) * clamp01((g + room) / 3);
        robot_forget_lines(st);
      }
    }
  } else {
    S = std::min(S, s_o * (1 - k / 4));
  }
  return S;
}

// How far the bike may lean either way on the ground at a point: the bank
// of the ground across the bike, plus or minus what its grip allows.
void grip_range(const Terrain& ground, const Vec3& at, const Vec3& right, double& low, double& high) {
  float n[3];
  terrain_triangle_normal(ground, static_cast<float>(at.x), static_cast<float>(at.z), n);
  const double nl = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(nl > 0)) return;
  const double across = (n[0] * right.x + n[2] * right.z) / nl;
  const double up = n[1] / nl;
  // Ground that rises to the right lets the bike lean further left.
  const double bank = std::atan2(-across, up);
  const TileType& tile = terrain_tile_type_at(ground, static_cast<float>(at.x), static_cast<float>(at.z));
  const double grip = std::min(std::atan(std::max(0.0, static_cast<double>(tile.friction[0].value))), 3 * kPi / 8);
  low = std::max(low, bank - grip);
  high = std::min(high, bank + grip);
}

}  // namespace

double turning_radius(double hx, double hz, double px, double pz) {
  const double rx = -hz, rz = hx;  // the right of the heading
  const double sideways = px * rx + pz * rz, ahead = px * hx + pz * hz;
  if (ahead < 0) return sideways >= 0 ? 10 : -10;
  if (std::fabs(sideways) < 1e-9) return kHugeRadius;
  const double r = (px * px + pz * pz) / (2 * sideways);
  return std::clamp(r, -kHugeRadius, kHugeRadius);
}

bool probes_overlap(const OtherBike& a, const OtherBike& b) {
  const Rectangle ra = probe(a), rb = probe(b);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (segments_cross(ra.x[i], ra.z[i], ra.x[(i + 1) % 4], ra.z[(i + 1) % 4], rb.x[j], rb.z[j], rb.x[(j + 1) % 4],
                         rb.z[(j + 1) % 4]))
        return true;
  return false;
}

void robot_assists(Bike& b, bool auto_shift) {
  unsigned& o = b.setup.options;
  o |= kOptionStopWheeliesThrottle | kOptionStopWheeliesBrake | kOptionFrontAntilock | kOptionRearAntilock;
  if (auto_shift) o |= kOptionAutoShift;
  else o &= ~kOptionAutoShift;
}

void robot_start_reset(RobotState& st) { st.start = RobotStart(); }

bool robot_start_step(Bike& b, RobotState& st, const DriveContext& ctx) {
  RobotStart& s = st.start;
  const int step = ctx.race_step;
  if (step >= ctx.start_step + 5 * kStepsPerSecond) return false;
  std::mt19937& random = *ctx.random;
  if (!s.prepared) {
    s.prepared = true;
    s.blip_open = false;
    s.blip_until = seconds_to_steps(2 * uniform(random));
    s.hold_until = seconds_to_steps(5.125 + 0.375 * uniform(random));
    s.release = s.hold_until;
    if (s.hold_until < ctx.start_step) {
      const Personality& p = kPersonalities[std::clamp(st.personality, 0, kPersonalityCount - 1)];
      s.release = ctx.start_step + seconds_to_steps(p.reaction_min + (p.reaction_max - p.reaction_min) * uniform(random));
    }
  }
  if (step < ctx.countdown_steps) {
    // Blipping while the gate is still far off, never past the countdown.
    while (step >= s.blip_until) {
      s.blip_open = !s.blip_open;
      s.blip_until += seconds_to_steps(s.blip_open ? 0.25 + 0.5 * uniform(random) : 2 + 0.5 * uniform(random));
    }
    hold(b, s.blip_open ? 1 : 0);
    robot_assists(b, false);
    return true;
  }
  if (step < s.release) {
    hold(b, step < s.hold_until ? 0 : 1);
    robot_assists(b, false);
    return true;
  }
  const double since = (step - s.release) * kStep;
  if (since >= 2) return false;
  BikeControls& c = b.controls;
  const bool off = b.crash.timer > 0;
  const double engaged = clamp01(4 * since);
  c.throttle = off ? 0 : 1;
  c.front_brake = c.rear_brake = 0;
  c.steer = 0;
  c.clutch = static_cast<float>(engaged);
  c.sit = off ? 0 : static_cast<float>(1 - engaged);
  if (engaged < 0.75) c.gear = waiting_gear(b.info);
  robot_assists(b, engaged >= 0.75);
  st.riding.throttle = c.throttle;
  return true;
}

void robot_ride(Bike& b, RobotState& st, double p, const DriveContext& ctx) {
  BikeControls& c = b.controls;
  const std::vector<LinePoint>& path = st.path;
  if (path.size() < 2) return;
  robot_assists(b, true);
  const bool off = b.crash.timer > 0;
  dBodyID frame = b.body[kBodyFrame];
  const Vec3 position = vec3_of(dBodyGetPosition(frame));
  const Vec3 velocity = vec3_of(dBodyGetLinearVel(frame));
  const double v = length(velocity);
  const dReal* rotation = dBodyGetRotation(frame);
  const double lean = roll_from_rotation(rotation, b.last_roll);
  const Vec3 right = frame_axis(b, 0);
  const Vec3 forward = frame_axis(b, 2) * -1.0;
  double hx = forward.x, hz = forward.z;
  const double hl = std::hypot(hx, hz);
  if (hl > 1e-9) hx /= hl, hz /= hl;
  else hx = 0, hz = -1;

  c.sit = 0;
  const int last = static_cast<int>(path.size()) - 1;
  p = std::clamp(p, 0.0, static_cast<double>(last));
  const int w = std::min(static_cast<int>(p), last);
  double S = speed_at(path, w) + (p - w) * (speed_at(path, w + 1) - speed_at(path, w));

  // A take-off ahead: two airborne points in a row.
  double T = kNoTakeOff;
  int takeoff = -1;
  for (int i = w; i < std::min(w + 20, last); ++i) {
    if (path[i].speed < 0 && path[i + 1].speed < 0) {
      takeoff = i;
      break;
    }
  }
  if (takeoff >= 0) {
    const double dist = length(path_at(path, w) - position);
    T = (v > 0.5 ? dist / v : kNoTakeOff / 2) + (takeoff - w) * kPointSeconds;
  }

  const double mass = b.total_mass > 0 ? b.total_mass : 1;
  const double G = std::max((wheel_load(b.wheel[0]) + wheel_load(b.wheel[1])) / (mass * 32) - 1, 1.0);

  S = slow_for_others(st, b, ctx, S, lean, G);

  // How straight the path ahead runs.
  int straight = 0;
  for (int j = w + 1; j <= std::min(w + 20, last); ++j) {
    const Vec3 d = path_at(path, j) - position;
    const double ahead = d.x * hx + d.z * hz, sideways = d.x * -hz + d.z * hx;
    if (ahead > 0 && std::fabs(sideways) <= ahead / 8) ++straight;
  }
  Vec3 aim;
  if (takeoff >= 0 && T < 2) {
    const double weight = clamp01((2 - T) * 2);
    const Vec3 ramp = path_at(path, takeoff + 3) - path_at(path, takeoff);
    aim = path_at(path, w + 3) + ((position + ramp) - path_at(path, w + 3)) * weight;
  } else if (straight < 5 || std::fabs(lean) > kPi / 8) {
    aim = path_at(path, p + 2);
  } else {
    aim = path_at(path, p + 3);
  }
  if (ctx.race_step < ctx.start_step) aim = path_at(path, p + 4);

  const double r = turning_radius(hx, hz, aim.x - position.x, aim.z - position.z);
  double L = std::atan2(-v * v / r, 32 * G);

  // The ground's grip limits the lean: at the next path points and where
  // the front wheel will be in a quarter second.
  if (ctx.ground && !ctx.ground->heights.empty()) {
    double low = -kPi, high = kPi;
    for (int j = w + 1; j <= std::min(w + 5, last); ++j) grip_range(*ctx.ground, path_at(path, j), right, low, high);
    const Vec3 wheel = vec3_of(dBodyGetPosition(b.body[kBodyFrontWheel])) +
                       vec3_of(dBodyGetLinearVel(b.body[kBodyFrontWheel])) * 0.25;
    grip_range(*ctx.ground, wheel, right, low, high);
    if (low <= high && (L < low || L > high)) {
      L = std::clamp(L, low, high);
      S = std::min(S, std::sqrt(std::fabs(std::tan(L)) * G * 32 * std::fabs(r)));
      st.riding.grip_limited_step = ctx.race_step;
    }
  }

  double throttle_factor = 1;
  if (v < 10) {
    const double weight = v < 7.5 ? 0 : (v - 7.5) * 0.4;
    L *= weight;
    throttle_factor = 1 + (throttle_factor - 1) * weight;
  }

  const double n = straight;
  const double cc = clamp01((20 - n) / 17);
  double rate_limit = cc * kPi / G;
  if (L * lean < 0) rate_limit *= 2;  // leaning the other way
  if (takeoff >= 0 && T < 3) {
    const double weight = clamp01((3 - T) / 2);
    throttle_factor += (1 - throttle_factor) * weight;
    S += (std::max(speed_at(path, w) + 2, v) - S) * weight;
    const double most = kPi / 2 - 1.3744 * weight;
    L = std::clamp(L, -most, most);
    rate_limit += (kPi / 8 - rate_limit) * clamp01((3 - T) / 3);
  }
  const double wanted_rate = std::clamp(4 * cc * (L - lean), -rate_limit, rate_limit);

  // Steering: the front wheel follows its own motion, and on the ground the
  // bars bring the lean rate about.
  const double hinge = dJointGetHingeAngle(b.joint[kJointSteering]);
  const double hinge_rate = dJointGetHingeAngleRate(b.joint[kJointSteering]);
  double slip = 0;
  {
    const Vec3 fv = vec3_of(dBodyGetLinearVel(b.body[kBodyFrontWheel]));
    if (length(fv) >= 1) {
      const Vec3 a = vec3_of(b.info.fork_upper_position) - vec3_of(b.info.fork_lower_position);
      const Vec3 local = unrotate(dBodyGetRotation(b.body[kBodyForkUpper]), fv);
      const double q = local.y * -a.z + local.z * a.y;
      slip = -std::atan2(local.x, -q);
    }
  }
  const double e = slip;
  double raw;
  if (e < -0.25) {
    raw = -1.75 - hinge_rate;
  } else {
    const double el = std::min(e, 0.25);
    if (el > 1.0 / 32) raw = 8 * (el - 1.0 / 32) - hinge_rate;
    else if (el < -1.0 / 32) raw = 8 * (el + 1.0 / 32) - hinge_rate;
    else raw = -hinge_rate;
  }
  raw = raw > 1.0 / 2400 ? raw - 1.0 / 2400 : raw < -1.0 / 2400 ? raw + 1.0 / 2400 : 0;
  double steer = std::clamp(raw / 2, -2.0 / 3, 2.0 / 3);
  (void)hinge;
  if (touching(b.wheel[0])) {
    const double roll_rate = angular_in_frame(b).z;
    const double d = roll_rate - wanted_rate;
    const double correction = d > 0.125 ? 4 * (d - 0.125) : d < -0.125 ? 4 * (d + 0.125) : 0;
    const double slide = length(b.wheel[0].velocity);
    const double weight = clamp01((4 - slide) / 4);
    steer += (correction - steer) * weight;
  }
  c.steer = static_cast<float>(std::clamp(steer, -1.0, 1.0));

  double throttle = 0;
  if (touching(b.wheel[1])) {
    if (v < S - 1) {
      throttle = 1;
      c.front_brake = c.rear_brake = 0;
    } else if (v < S) {
      throttle = S - v;
      c.front_brake = c.rear_brake = 0;
    } else {
      throttle = 0;
      c.front_brake = c.rear_brake = static_cast<float>(clamp01(v - S));
    }
    c.clutch = 1;
  } else {
    const double pitch_rate = angular_in_frame(b).x;
    c.front_brake = c.rear_brake = 0;
    const double front_y = dBodyGetPosition(b.body[kBodyFrontWheel])[1];
    const double rear_y = dBodyGetPosition(b.body[kBodyRearWheel])[1];
    if ((rear_y > front_y && pitch_rate < 0) || pitch_rate < -kPi / 4) {
      throttle = 1;
      c.clutch = 0.125f;
    } else {
      throttle = 0;
      if (front_y > rear_y + 1 && pitch_rate >= -kPi / 8) {
        c.clutch = 0;
        c.rear_brake = 1;
      } else {
        c.clutch = 0.125f;
      }
    }
  }

  // The throttle comes off slowly, except just after the grip ran out,
  // when it goes on slowly instead.
  double wanted = throttle * throttle_factor;
  double& t = st.riding.throttle;
  const bool grip_event = ctx.race_step - st.riding.grip_limited_step <= kStepsPerSecond / 8;
  if (grip_event) t = std::min(wanted, t + 1.0 / 32);
  else t = std::max(wanted, t - 1.0 / 32);
  if (off) t = 0;
  c.throttle = static_cast<float>(clamp01(t));

  // The steering lock settings follow the wanted lean rate.
  b.setup.full_lock_speed = 1;
  b.setup.restricted_lock_speed = 50;
  b.setup.restricted_lock =
      static_cast<float>(std::clamp((1 + 4 * clamp01(std::fabs(wanted_rate) / kPi)) * kDegreesToRadians, 0.0, kPi / 4));
}
