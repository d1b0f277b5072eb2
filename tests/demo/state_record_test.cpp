// The packed state record: poses survive encoding to within one step of
// each field, a decoded record encodes to the same bytes, values outside
// their ranges are clamped, and damaged records decode to something safe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "demo/state_record.h"
#include "platform/units.h"

namespace {

const StateScale kScale{2048, -37.5, 0.6, 0.9};

// The quaternion (w, x, y, z) of a turn about a unit axis.
void turn(double axis_x, double axis_y, double axis_z, double angle, double q[4]) {
  q[0] = std::cos(angle / 2);
  q[1] = axis_x * std::sin(angle / 2);
  q[2] = axis_y * std::sin(angle / 2);
  q[3] = axis_z * std::sin(angle / 2);
}

StateRecord riding() {
  StateRecord s;
  s.frame_position[0] = 1000.25;
  s.frame_position[1] = 12.5;
  s.frame_position[2] = 640.75;
  s.steering_angle = 0.1;
  s.swingarm_angle = -0.2;
  s.fork_position = -0.3;
  s.rider_offset[0] = 0.25;
  s.rider_offset[1] = 1.5;
  s.rider_offset[2] = -0.5;
  turn(0, 1, 0, 0.3, s.rider_quaternion);
  s.rider_slide = 0.4;
  s.front_wheel_angle = 2.0;
  s.rear_wheel_angle = -1.0;
  s.gear = 3;
  s.throttle = 0.6;
  s.engine_rpm = 8500;
  return s;
}

struct PoseCase {
  const char* name;
  StateRecord state;
};

std::vector<PoseCase> poses() {
  std::vector<PoseCase> c;
  c.push_back({"upright", riding()});
  StateRecord s = riding();
  turn(0, 0, 1, kPi, s.frame_quaternion);
  c.push_back({"upside down", s});
  const double axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const auto& a : axes) {
    for (double angle : {kPi / 2, -kPi / 3, 2.5}) {
      s = riding();
      turn(a[0], a[1], a[2], angle, s.frame_quaternion);
      turn(a[0], a[1], a[2], -angle, s.rider_quaternion);
      c.push_back({"about an axis", s});
    }
  }
  s = riding();
  turn(0.48, 0.6, 0.64, 1.1, s.frame_quaternion);
  c.push_back({"oblique", s});
  for (double lock : {-kPi / 4, kPi / 4}) {
    s = riding();
    s.steering_angle = lock;
    c.push_back({"full lock", s});
  }
  s = riding();
  s.crashed = true;
  s.crash_scale = 15;
  s.throttle = 0;
  s.gear = 0;
  s.dab = true;
  c.push_back({"crashed, timer high", s});
  s.crash_scale = 0;
  c.push_back({"crashed, timer low", s});
  s = riding();
  s.gear = 6;
  s.throttle = 1;
  s.engine_rpm = 32768;
  s.build_check = 1;
  c.push_back({"top gear, flat out", s});
  s = riding();
  s.gear = 0;
  s.throttle = 0;
  s.engine_rpm = 0;
  s.frame_position[0] = 0;
  s.frame_position[1] = kScale.lowest_height;
  s.frame_position[2] = kScale.extent;
  s.swingarm_angle = -kScale.swingarm_range;
  s.fork_position = 0;
  s.front_wheel_angle = -kPi;
  s.rear_wheel_angle = kPi;
  c.push_back({"range ends", s});
  return c;
}

// One step of each field, as decoded.
struct Steps {
  double position = kScale.extent / 0xFFFFFF, quaternion = 2.0 / 0xFFFF, offset = 32.0 / 0xFFFF;
  double steering = (kPi / 2) / 255, swingarm = kScale.swingarm_range / 255, fork = kScale.fork_travel / 255;
  double wheel = 2 * kPi / 255, slide = 1.0 / 255, throttle = 1.0 / 15, rpm = 32768.0 / 0xFFFF;
};

// Every field of `got` within one step below-or-at `want` (flooring never
// rounds up).
void expect_near_floor(const StateRecord& want, const StateRecord& got, int version) {
  Steps d;
  auto near = [](double w, double g, double step, const char* what) {
    EXPECT_LE(g, w + 1e-9) << what;
    EXPECT_GT(g, w - step - 1e-9) << what;
  };
  for (int i = 0; i < 3; ++i) near(want.frame_position[i], got.frame_position[i], d.position, "frame position");
  for (int i = 0; i < 4; ++i) near(want.frame_quaternion[i], got.frame_quaternion[i], d.quaternion, "frame quaternion");
  near(want.steering_angle, got.steering_angle, d.steering, "steering");
  // Bit 0 of the swingarm and fork bytes is fixed (always set, the build
  // check), so these two may also land one step above.
  EXPECT_NEAR(got.swingarm_angle, want.swingarm_angle, d.swingarm + 1e-9) << "swingarm";
  EXPECT_NEAR(got.fork_position, want.fork_position, 2 * d.fork + 1e-9) << "fork (seven bits)";
  if (version == 4) {
    near(want.rider_slide, got.rider_slide, d.slide, "rider slide");
  } else {
    for (int i = 0; i < 3; ++i) near(want.rider_offset[i], got.rider_offset[i], d.offset, "rider offset");
    for (int i = 0; i < 4; ++i)
      near(want.rider_quaternion[i], got.rider_quaternion[i], d.quaternion, "rider quaternion");
  }
  near(want.front_wheel_angle, got.front_wheel_angle, d.wheel, "front wheel");
  near(want.rear_wheel_angle, got.rear_wheel_angle, d.wheel, "rear wheel");
  near(want.throttle, got.throttle, d.throttle, "throttle");
  near(want.engine_rpm, got.engine_rpm, d.rpm, "rpm");
  EXPECT_EQ(got.crashed, want.crashed);
  if (want.crashed) {
    EXPECT_EQ(got.crash_scale, want.crash_scale);
  } else {
    EXPECT_EQ(got.gear, want.gear);
  }
  EXPECT_EQ(got.dab, want.dab);
  EXPECT_EQ(got.build_check, want.build_check);
}

TEST(StateRecord, PosesSurviveTheRoundTrip) {
  for (int version : {4, 6}) {
    for (const PoseCase& c : poses()) {
      SCOPED_TRACE(std::string(c.name) + ", version " + std::to_string(version));
      StateBytes first = encode_state_record(c.state, kScale, version);
      StateRecord decoded = decode_state_record(first.data(), kScale, version);
      expect_near_floor(c.state, decoded, version);
      EXPECT_EQ(encode_state_record(decoded, kScale, version), first);
    }
  }
}

TEST(StateRecord, ValuesOutsideTheirRangesAreClamped) {
  StateRecord wild = riding();
  wild.frame_position[0] = -50;
  wild.frame_position[1] = kScale.lowest_height + kScale.extent + 100;
  wild.frame_position[2] = 1e12;
  wild.frame_quaternion[0] = 3;  // not a rotation at all
  wild.steering_angle = 2;
  wild.swingarm_angle = 0.5;
  wild.fork_position = -5;
  wild.rider_offset[0] = -40;
  wild.rider_offset[1] = 40;
  wild.front_wheel_angle = 4;
  wild.rear_wheel_angle = -4;
  wild.throttle = 2;
  wild.gear = 9;
  wild.engine_rpm = 50000;
  StateBytes b = encode_state_record(wild, kScale);
  StateRecord d = decode_state_record(b.data(), kScale);
  EXPECT_DOUBLE_EQ(d.frame_position[0], 0);
  EXPECT_DOUBLE_EQ(d.frame_position[1], kScale.lowest_height + kScale.extent);
  EXPECT_DOUBLE_EQ(d.frame_position[2], kScale.extent);
  EXPECT_DOUBLE_EQ(d.steering_angle, kPi / 4);
  EXPECT_DOUBLE_EQ(d.swingarm_angle, 0);
  EXPECT_DOUBLE_EQ(d.fork_position, -kScale.fork_travel);
  EXPECT_DOUBLE_EQ(d.rider_offset[0], -16);
  EXPECT_DOUBLE_EQ(d.rider_offset[1], 16);
  EXPECT_DOUBLE_EQ(d.front_wheel_angle, kPi);
  EXPECT_DOUBLE_EQ(d.rear_wheel_angle, -kPi);
  EXPECT_DOUBLE_EQ(d.throttle, 1);
  EXPECT_EQ(d.gear, 6);
  EXPECT_DOUBLE_EQ(d.engine_rpm, 32768);
  double len = 0;
  for (double c : d.frame_quaternion) len += c * c;
  EXPECT_NEAR(len, 1, 1e-4);
}

TEST(StateRecord, NotANumberEncodesAsTheLowEnd) {
  StateRecord s = riding();
  s.frame_position[0] = std::nan("");
  s.steering_angle = std::nan("");
  s.engine_rpm = -std::numeric_limits<double>::infinity();
  StateBytes b = encode_state_record(s, kScale);
  StateRecord d = decode_state_record(b.data(), kScale);
  EXPECT_DOUBLE_EQ(d.frame_position[0], 0);
  EXPECT_DOUBLE_EQ(d.steering_angle, -kPi / 4);
  EXPECT_DOUBLE_EQ(d.engine_rpm, 0);
}

TEST(StateRecord, FixedBitsAndLayout) {
  StateRecord s = riding();
  s.swingarm_angle = -kScale.swingarm_range;  // encodes to 0 before bit 0 is set
  s.fork_position = 0;                        // encodes to 255 before bit 0 is cleared
  StateBytes b = encode_state_record(s, kScale);
  EXPECT_EQ(b[18], 1);
  EXPECT_EQ(b[19], 254);
  s.build_check = 1;
  EXPECT_EQ(encode_state_record(s, kScale)[19], 255);
  // Gear 3, throttle 0.6 -> 9, no dab: 0x93; rpm 8500 -> 16998 little-endian.
  EXPECT_EQ(b[36], 0x93);
  EXPECT_EQ(b[37] | b[38] << 8, static_cast<int>(std::floor(8500.0 / 32768 * 0xFFFF)));
  // Version 4: the same tail 13 bytes earlier, the rider byte at 20.
  StateBytes v4 = encode_state_record(s, kScale, 4);
  EXPECT_EQ(v4[23], 0x93);
  EXPECT_EQ(v4[20], static_cast<int>(std::floor(0.4 * 255)));
  for (int i = kStateRecordV4Size; i < kStateRecordSize; ++i) EXPECT_EQ(v4[i], 0);
  EXPECT_EQ(state_record_size(4), 26);
  EXPECT_EQ(state_record_size(5), 39);
  // A fallen rider: gear bits 7, the crash scale in the high bits.
  s.crashed = true;
  s.crash_scale = 11;
  s.dab = true;
  EXPECT_EQ(encode_state_record(s, kScale)[36], 0xBF);
}

TEST(StateRecord, CrashTimerScale) {
  EXPECT_EQ(crash_timer_from_scale(15), 128);
  EXPECT_EQ(crash_timer_from_scale(0), 1);
  EXPECT_EQ(crash_scale_from_timer(600), 15);
  EXPECT_EQ(crash_scale_from_timer(128), 15);
  EXPECT_EQ(crash_scale_from_timer(1), 0);
  EXPECT_EQ(crash_scale_from_timer(0), 0);
  for (int k = 0; k <= 15; ++k) EXPECT_EQ(crash_scale_from_timer(crash_timer_from_scale(k)), k) << k;
  for (int t = 1; t <= 600; ++t) EXPECT_LE(crash_timer_from_scale(crash_scale_from_timer(t)), std::max(t, 1)) << t;
}

double length(const double q[4]) { return std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]); }

TEST(StateRecord, DamagedQuaternionsDecodeToUnitOnes) {
  StateBytes b{};
  // 0x8000 in every 16-bit field (little-endian): each quaternion component
  // a hair above 0.
  for (int field : {9, 11, 13, 15, 20, 22, 24, 26, 28, 30, 32, 37}) b[field + 1] = 0x80;
  StateRecord d = decode_state_record(b.data(), kScale);
  EXPECT_NEAR(length(d.frame_quaternion), 1, 1e-12);
  EXPECT_NEAR(length(d.rider_quaternion), 1, 1e-12);
  for (uint8_t fill : {0x00, 0xFF}) {
    b.fill(fill);
    d = decode_state_record(b.data(), kScale);
    EXPECT_NEAR(length(d.frame_quaternion), 1, 1e-12);
  }
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    for (uint8_t& x : b) x = static_cast<uint8_t>(rng());
    for (int version : {4, 6}) {
      d = decode_state_record(b.data(), kScale, version);
      EXPECT_NEAR(length(d.frame_quaternion), 1, 1e-3);
      EXPECT_NEAR(length(d.rider_quaternion), 1, 1e-3);
      EXPECT_TRUE(std::isfinite(d.frame_position[1]) && std::isfinite(d.engine_rpm));
      EXPECT_EQ(encode_state_record(d, kScale, version), encode_state_record(decode_state_record(
                                                             encode_state_record(d, kScale, version).data(),
                                                             kScale, version),
                                                         kScale, version));
    }
  }
}

TEST(StateRecord, ZeroRangesDoNotDivide) {
  StateScale flat{0, 0, 0, 0};
  StateBytes b = encode_state_record(riding(), flat);
  StateRecord d = decode_state_record(b.data(), flat);
  EXPECT_DOUBLE_EQ(d.frame_position[0], 0);
  EXPECT_DOUBLE_EQ(d.swingarm_angle, 0);
  EXPECT_DOUBLE_EQ(d.fork_position, 0);
}

}  // namespace
