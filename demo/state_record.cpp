#include "demo/state_record.h"

#include <algorithm>
#include <cmath>

#include "platform/units.h"

namespace {

constexpr uint32_t k8 = 0xFF, k16 = 0xFFFF, k24 = 0xFFFFFF;
// A value decoded exactly onto a step must encode back onto that step even
// when the arithmetic lands a hair below it.
constexpr double kSlack = 1e-6;
// A record's quaternion is off unit length by at most a few of its 16-bit
// steps; one further off was not written by the encoder.
constexpr double kQuaternionTolerance = 1e-3;

// clamp(v, lo, hi) mapped onto 0..top and floored.
uint32_t quantise(double v, double lo, double hi, uint32_t top) {
  if (!(hi > lo) || std::isnan(v)) return 0;
  double u = (std::clamp(v, lo, hi) - lo) / (hi - lo);
  double q = std::floor(u * top + kSlack);
  return q >= top ? top : static_cast<uint32_t>(q);
}

double unquantise(uint32_t n, double lo, double hi, uint32_t top) { return lo + (hi - lo) * n / top; }

void put(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t get(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return v;
}

void put_quaternion(uint8_t* p, const double q[4]) {
  for (int i = 0; i < 4; ++i) put(p + 2 * i, quantise(q[i], -1, 1, k16), 2);
}

void get_quaternion(const uint8_t* p, double q[4]) {
  double len2 = 0;
  for (int i = 0; i < 4; ++i) {
    q[i] = unquantise(get(p + 2 * i, 2), -1, 1, k16);
    len2 += q[i] * q[i];
  }
  double len = std::sqrt(len2);
  if (len < 1e-9) {
    q[0] = 1;
    q[1] = q[2] = q[3] = 0;
  } else if (std::fabs(len - 1) > kQuaternionTolerance) {
    for (int i = 0; i < 4; ++i) q[i] /= len;
  }
}

// Where the fields after the rider part start.
int tail_offset(int version) { return version == 4 ? 21 : 34; }

}  // namespace

int state_record_size(int version) { return version == 4 ? kStateRecordV4Size : kStateRecordSize; }

StateBytes encode_state_record(const StateRecord& s, const StateScale& sc, int version) {
  StateBytes b{};
  const double S = sc.extent;
  put(b.data() + 0, quantise(s.frame_position[0], 0, S, k24), 3);
  put(b.data() + 3, quantise(s.frame_position[1], sc.lowest_height, sc.lowest_height + S, k24), 3);
  put(b.data() + 6, quantise(s.frame_position[2], 0, S, k24), 3);
  put_quaternion(b.data() + 9, s.frame_quaternion);
  b[17] = static_cast<uint8_t>(quantise(s.steering_angle, -kPi / 4, kPi / 4, k8));
  b[18] = static_cast<uint8_t>(quantise(s.swingarm_angle, -sc.swingarm_range, 0, k8) | 1);
  b[19] = static_cast<uint8_t>((quantise(s.fork_position, -sc.fork_travel, 0, k8) & 0xFE) | (s.build_check & 1));
  if (version == 4) {
    b[20] = static_cast<uint8_t>(quantise(s.rider_slide, 0, 1, k8));
  } else {
    for (int i = 0; i < 3; ++i) put(b.data() + 20 + 2 * i, quantise(s.rider_offset[i], -16, 16, k16), 2);
    put_quaternion(b.data() + 26, s.rider_quaternion);
  }
  uint8_t* t = b.data() + tail_offset(version);
  t[0] = static_cast<uint8_t>(quantise(s.front_wheel_angle, -kPi, kPi, k8));
  t[1] = static_cast<uint8_t>(quantise(s.rear_wheel_angle, -kPi, kPi, k8));
  uint32_t gear_byte;
  if (s.crashed) {
    gear_byte = 7 | static_cast<uint32_t>(std::clamp(s.crash_scale, 0, 15)) << 4;
  } else {
    gear_byte = static_cast<uint32_t>(std::clamp(s.gear, 0, 6)) | quantise(s.throttle, 0, 1, 15) << 4;
  }
  if (s.dab) gear_byte |= 8;
  t[2] = static_cast<uint8_t>(gear_byte);
  put(t + 3, quantise(s.engine_rpm, 0, 32768, k16), 2);
  return b;
}

StateRecord decode_state_record(const uint8_t* b, const StateScale& sc, int version) {
  StateRecord s;
  const double S = sc.extent;
  s.frame_position[0] = unquantise(get(b + 0, 3), 0, S, k24);
  s.frame_position[1] = unquantise(get(b + 3, 3), sc.lowest_height, sc.lowest_height + S, k24);
  s.frame_position[2] = unquantise(get(b + 6, 3), 0, S, k24);
  get_quaternion(b + 9, s.frame_quaternion);
  s.steering_angle = unquantise(b[17], -kPi / 4, kPi / 4, k8);
  s.swingarm_angle = unquantise(b[18], -sc.swingarm_range, 0, k8);
  s.fork_position = unquantise(b[19], -sc.fork_travel, 0, k8);
  s.build_check = b[19] & 1;
  if (version == 4) {
    s.rider_slide = unquantise(b[20], 0, 1, k8);
  } else {
    for (int i = 0; i < 3; ++i) s.rider_offset[i] = unquantise(get(b + 20 + 2 * i, 2), -16, 16, k16);
    get_quaternion(b + 26, s.rider_quaternion);
  }
  const uint8_t* t = b + tail_offset(version);
  s.front_wheel_angle = unquantise(t[0], -kPi, kPi, k8);
  s.rear_wheel_angle = unquantise(t[1], -kPi, kPi, k8);
  int g = t[2] & 7, k = t[2] >> 4;
  s.dab = (t[2] & 8) != 0;
  if (g == 7) {
    s.crashed = true;
    s.crash_scale = k;
  } else {
    s.gear = g;
    s.throttle = k / 15.0;
  }
  s.engine_rpm = unquantise(get(t + 3, 2), 0, 32768, k16);
  return s;
}

int crash_timer_from_scale(int scale) { return std::clamp(scale, 0, 15) * 127 / 15 + 1; }

int crash_scale_from_timer(int timer) {
  // The largest scale whose replayed timer does not exceed this one, so a
  // scale read back encodes to itself.
  for (int k = 15; k > 0; --k)
    if (crash_timer_from_scale(k) <= timer) return k;
  return 0;
}
