#include "core/cameras.h"

#include <algorithm>
#include <cmath>

#include "platform/units.h"
#include "track/track.h"

namespace {

constexpr double kTwoPi = 2 * kPi;

double wrap(double a) {
  if (!std::isfinite(a)) return 0;
  a = std::fmod(a + kPi, kTwoPi);
  if (a < 0) a += kTwoPi;
  return a - kPi;
}

bool same_sign(double a, double b) { return a * b > 0; }

// Moves value towards wanted by at most limit.
double approach(double value, double wanted, double limit) {
  return value + std::clamp(wanted - value, -limit, limit);
}

double length3(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// The race gate a bike must cross next, folded into the first lap, as a
// checkpoint index; -1 without gates.
int checkpoint_of_gate(const TimingGates& g, int gate) {
  const int first = static_cast<int>(g.first_lap.size());
  const int lap = static_cast<int>(g.normal_lap.size());
  if (gate < 0 || first + lap == 0) return -1;
  if (gate >= first) {
    if (lap == 0) return -1;
    gate = first + (gate - first) % lap;
  }
  int reference = gate < first ? g.first_lap[gate] : g.normal_lap[gate - first];
  return lap_gate(reference);
}

void fly_free_camera(Cameras& c, const Terrain& ground, const double sums[kActionCount]) {
  double& s = c.free_speed;
  if (sums[ThrottleAction] > 0.5) s = std::min(s + 80 * kStep, 100.0);
  if (sums[FrontBrakeAction] > 0.5) s = std::max(s - 80 * kStep, -100.0);
  s = s > 0 ? std::max(s - 60 * kStep, 0.0) : std::min(s + 60 * kStep, 0.0);
  if (std::fabs(s) <= 0.0001) return;
  CameraRecord& f = c.free_camera;
  const double v = s * kStep;
  f.position[0] += std::sin(f.yaw) * std::cos(f.pitch) * v;
  f.position[1] += std::sin(f.pitch) * v;
  f.position[2] += std::cos(f.yaw) * std::cos(f.pitch) * v;
  if (!ground.heights.empty()) {
    f.position[1] = std::max(f.position[1], smoothed_ground_height(ground, f.position[0], f.position[2], 10) + 2);
  }
}

}  // namespace

Cameras& cameras() {
  static Cameras c;
  return c;
}

void cameras_use_track(Cameras& c, const Track& track) {
  c.track.clear();
  for (const TracksideCamera& t : track.cameras.cameras) {
    CameraRecord r;
    for (int i = 0; i < 3; ++i) r.position[i] = t.position[i];
    r.yaw = t.yaw;
    r.pitch = t.pitch;
    r.fov = t.fov;
    r.framing = t.autofovsize;
    c.track.push_back(r);
  }
  if (c.current >= static_cast<int>(c.track.size())) c.current = c.track.empty() ? -1 : 0;
}

void orbit_camera_step(OrbitState& orbit, const double sums[kActionCount]) {
  orbit.angle = wrap(orbit.angle + sums[SteerAction] * kPi / 512);
  if (sums[ThrottleAction] > 0.5) orbit.distance = std::max(orbit.distance - 1.0 / 64, 0.25);
  if (sums[FrontBrakeAction] > 0.5) orbit.distance += 1.0 / 64;
  orbit.height += kStep * sums[ShiftAction];
}

void aim_camera(CameraRecord& cam, const double target[3], const double velocity[3], bool auto_camera, bool cut,
                const double sums[kActionCount]) {
  const double dt = kStep;
  double wanted_yaw_rate, wanted_pitch_rate;
  double y0 = cam.yaw, p0 = cam.pitch;
  if (auto_camera) {
    const double dx = target[0] - cam.position[0], dy = target[1] - cam.position[1], dz = target[2] - cam.position[2];
    const double mx = dx + velocity[0] * dt, my = dy + velocity[1] * dt, mz = dz + velocity[2] * dt;
    y0 = std::atan2(dx, dz);
    const double yaw_rate = std::clamp(wrap(std::atan2(mx, mz) - y0) / dt, -kTwoPi, kTwoPi);
    const double d = std::clamp(wrap(y0 - (cut ? y0 : cam.yaw)), -kPi / 2, kPi / 2);
    wanted_yaw_rate = same_sign(yaw_rate, d) ? d + yaw_rate : d;

    const double h = std::hypot(dx, dz);
    p0 = std::atan2(dy, h);
    const double pitch_rate = std::clamp(wrap(std::atan2(my, std::hypot(mx, mz)) - p0) / dt, -kTwoPi, kTwoPi);
    const double e = p0 - (cut ? p0 : cam.pitch);
    wanted_pitch_rate = e * kPi / 4 + (same_sign(pitch_rate, e) ? pitch_rate : 0);

    if (cam.framing > 0) {
      const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
      // At the camera itself any zoom is as good as another.
      if (distance > 0) {
        const double wanted = 2 * std::atan(cam.framing / distance) / kDegreesToRadians;
        cam.fov = cut ? wanted : approach(cam.fov, wanted, dt * (2 * std::fabs(wanted - cam.fov) + 1));
      }
    }
  } else {
    wanted_yaw_rate = sums[SteerAction] * 3 * kPi / 8;
    wanted_pitch_rate = sums[ShiftAction] * kPi / 4;
  }
  if (cut) {
    cam.yaw_rate = wanted_yaw_rate;
    cam.pitch_rate = wanted_pitch_rate;
  } else {
    cam.yaw_rate = approach(cam.yaw_rate, wanted_yaw_rate, dt * kPi);
    cam.pitch_rate = approach(cam.pitch_rate, wanted_pitch_rate, dt * kPi);
  }
  cam.yaw = wrap((cut ? y0 : cam.yaw) + dt * cam.yaw_rate);
  cam.pitch = std::clamp((cut ? p0 : cam.pitch) + dt * cam.pitch_rate, -kPi / 2, kPi / 2);
}

void track_camera_step(Cameras& c, const Track& track, const CameraTarget& target, bool paused,
                       const double sums[kActionCount], double field_of_view) {
  const double sit = sums[SitDabAction];
  if (c.previous_sit <= 0.5 && sit > 0.5) c.auto_camera = !c.auto_camera;
  c.previous_sit = sit;

  bool cut = false;
  if (c.auto_camera) {
    int checkpoint = checkpoint_of_gate(track.gates, target.gates_passed);
    int camera = checkpoint >= 0 && checkpoint < kCameraGateMap ? track.cameras.gate_camera[checkpoint] : -1;
    if (camera >= static_cast<int>(c.track.size())) camera = -1;
    if (camera != -1 && c.current != -1 && camera != c.current) {
      c.current = camera;
      cut = true;
    }
  }
  if (c.current >= static_cast<int>(c.track.size())) c.current = -1;
  const double still[3] = {0, 0, 0};
  CameraRecord& cam = c.current < 0 ? c.free_camera : c.track[c.current];
  aim_camera(cam, target.position, paused ? still : target.velocity, c.auto_camera, cut, sums);
  if (c.current < 0) {
    fly_free_camera(c, track.terrain, sums);
    c.free_camera.fov = field_of_view;
  }
}

int track_camera_count() { return static_cast<int>(cameras().track.size()); }

double smoothed_ground_height(const Terrain& t, double x, double z, double r) {
  if (t.heights.empty() || !(t.spacing > 0)) return 0;
  const double d = t.spacing;
  const int last = t.size - 1;
  auto index = [last](double v) {
    if (!(v > 0)) return 0;  // also NaN
    return v >= last ? last : static_cast<int>(v);
  };
  // A radius beyond the field would only repeat the border samples.
  r = std::clamp(std::isfinite(r) ? r : 0.0, 0.0, static_cast<double>(t.world_size));
  const int i0 = index(std::floor((x - r) / d)), i1 = index(std::ceil((x + r) / d));
  const int j0 = index(std::floor((z - r) / d)), j1 = index(std::ceil((z + r) / d));
  double sum = 0, weight = 0;
  for (int j = j0; j <= j1; ++j)
    for (int i = i0; i <= i1; ++i) {
      const double e = std::hypot(i * d - x, j * d - z);
      double w = e < r ? 1 : e < r + d ? (r + d - e) / d : 0;
      if (w <= 0) continue;
      sum += w * t.heights[static_cast<size_t>(j) * t.size + i];
      weight += w;
    }
  if (weight <= 0) return t.heights[static_cast<size_t>(j0) * t.size + i0];
  return sum / weight;
}

CameraView look_at(const double eye[3], const double target[3]) {
  CameraView v;
  double back[3] = {eye[0] - target[0], eye[1] - target[1], eye[2] - target[2]};
  double len = length3(back);
  if (!(len > 0)) back[0] = 0, back[1] = 0, back[2] = 1, len = 1;
  for (double& b : back) b /= len;
  // right = up x back, with the world's up; straight down keeps the last
  // sensible right.
  double right[3] = {back[2], 0, -back[0]};
  double rl = std::hypot(right[0], right[2]);
  if (rl < 1e-9) right[0] = 1, right[2] = 0, rl = 1;
  right[0] /= rl;
  right[2] /= rl;
  const double up[3] = {back[1] * right[2] - back[2] * right[1], back[2] * right[0] - back[0] * right[2],
                        back[0] * right[1] - back[1] * right[0]};
  for (int i = 0; i < 3; ++i) {
    v.eye[i] = eye[i];
    v.axes[0][i] = right[i];
    v.axes[1][i] = up[i];
    v.axes[2][i] = back[i];
  }
  return v;
}

CameraView orbit_camera_view(const OrbitState& orbit, const CameraTarget& b, const Terrain& ground,
                             const OrbitViewSettings& settings) {
  const double* R = b.rotation;
  const double* cc = orbit.chase_centre;
  double target[3];
  for (int i = 0; i < 3; ++i) target[i] = b.position[i] + R[3 * i] * cc[0] + R[3 * i + 1] * cc[1] + R[3 * i + 2] * cc[2];

  double eye[3], height;
  if (settings.live) {
    // The body's forward axis is its -z.
    double hx = -R[2], hz = -R[8];
    double hl = std::hypot(hx, hz);
    if (hl < 1e-9) hx = 0, hz = -1, hl = 1;
    hx /= hl;
    hz /= hl;
    double dx = hx, dz = hz;
    const double speed = std::hypot(b.velocity[0], b.velocity[2]);
    if (!settings.rigid && speed > 0) {
      const double vx = b.velocity[0] / speed, vz = b.velocity[2] / speed;
      const double p = speed >= 30 ? 1 : std::clamp((speed - 10) * 0.05, 0.0, 1.0);
      dx = hx + (vx - hx) * p;
      dz = hz + (vz - hz) * p;
      const double dl = std::hypot(dx, dz);
      if (dl < 1e-9) dx = hx, dz = hz;
      else dx /= dl, dz /= dl;
    }
    eye[0] = target[0] - dx * settings.distance;
    eye[2] = target[2] - dz * settings.distance;
    height = settings.height;
  } else {
    eye[0] = target[0] + std::sin(orbit.angle) * orbit.distance;
    eye[2] = target[2] + std::cos(orbit.angle) * orbit.distance;
    height = orbit.height;
  }
  eye[1] = std::max(smoothed_ground_height(ground, eye[0], eye[2], 10) + 5, target[1] + height);
  return look_at(eye, target);
}
