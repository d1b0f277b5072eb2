// The packed state record: a bike's pose and controls in 39 bytes (26 in
// version 4 demos), carried by demos, ghosts and multiplayer state packets.
// Every field is clamped to its range, mapped onto its unsigned integer and
// floored; multi-byte fields are little-endian.
#pragma once
#include <array>
#include <cstdint>

constexpr int kStateRecordSize = 39;
constexpr int kStateRecordV4Size = 26;  // one rider byte for the rider offset and quaternion

// A record as stored. A version 4 record fills the first 26 bytes.
using StateBytes = std::array<uint8_t, kStateRecordSize>;

// What a record is measured against: the terrain (its extent S serves all
// three axes, y starting at its lowest height) and the bike's suspension
// ranges.
struct StateScale {
  double extent = 1;          // S, feet
  double lowest_height = 0;   // Ymin, feet
  double swingarm_range = 1;  // R, radians
  double fork_travel = 1;     // T, feet
};

// A record decoded. Quaternions are (w, x, y, z).
struct StateRecord {
  double frame_position[3] = {0, 0, 0};
  double frame_quaternion[4] = {1, 0, 0, 0};
  double steering_angle = 0;  // -pi/4..pi/4
  double swingarm_angle = 0;  // -R..0
  double fork_position = 0;   // -T..0, compression negative
  // Versions 5 and 6: the rider mass body relative to the frame position,
  // world axes, and its orientation.
  double rider_offset[3] = {0, 0, 0};
  double rider_quaternion[4] = {1, 0, 0, 0};
  // Version 4: where the rider sits along his slide range, 0..1.
  double rider_slide = 0;
  double front_wheel_angle = 0;  // -pi..pi
  double rear_wheel_angle = 0;
  int gear = 0;  // 0..6; not kept while the rider is down
  bool dab = false;
  double throttle = 0;  // 0..1; 0 while the rider is down
  bool crashed = false;
  int crash_scale = 0;  // the crash timer scaled to 0..15 while the rider is down
  double engine_rpm = 0;  // 0..32768
  // Bit 0 of the fork byte: the multiplayer client's build check.
  int build_check = 0;
};

// Encodes for version 5 and 6 (39 bytes) or, with version 4, the 26-byte
// layout. Values outside their ranges (and NaN, which counts as the low end)
// are clamped.
StateBytes encode_state_record(const StateRecord& state, const StateScale& scale, int version = 6);
// Decodes `version`'s layout from bytes (26 bytes for version 4, else 39).
// A quaternion whose length is off by more than the record's rounding can
// explain (a damaged record, an all-0x8000 one) is normalised, and one of
// no length becomes the identity, so nothing downstream divides by zero.
StateRecord decode_state_record(const uint8_t* bytes, const StateScale& scale, int version = 6);
// The stored size of a record of this version.
int state_record_size(int version);

// The crash timer as a record carries it: a fallen rider's timer (in steps,
// counting down from 512 and more) shown as 0..15, and the timer a replayed
// bike gets back from it (1..128).
int crash_scale_from_timer(int timer);
int crash_timer_from_scale(int scale);
