// The catalogue as compact rows (one line per bike) and the per-family
// values they share; bike_info.cpp expands them into BikeInfo records.
#pragma once
#include <cstddef>

#include "bike/bike_info.h"

// Families share masses, suspension, engine inertia and shift points. The
// 350s are a family of their own although their class text says "450f" or
// "250f".
enum class BikeFamily { Four450, Four350, Two250, Four250, Two125, Two50 };

struct BikeFamilyValues {
  BikeFamily family;
  float frame_mass;
  float fork_mass;
  float fork_spring_rate[2];
  float fork_rebound_damping;
  float swingarm_arm_mass;
  float shock_spring_rate[2];
  float shock_rebound_damping;
  float rider_mass;
  float engine_inertia;
  float driveline_stiffness;
  float driveline_damping;
  float downshift_rpm;
  float upshift_rpm;
  float max_rpm;
  // Engine maps: a two-stroke comes on the pipe harder and falls off sooner.
  bool two_stroke;
  float idle_torque;     // flat full-throttle value at the bottom
  float rise_from_rpm;   // where the full-throttle curve starts to climb
  float engine_braking;  // closed-throttle drop per 1000 rpm past idle
  // Rev limiter past the cut: the value at 24500 rpm, and how much it rises
  // per run of points going down the map.
  float limiter_end;
  float limiter_step;
  int limiter_run;
};

// Where a row's full-throttle map comes from: either a curve of the family's
// shape through a peak, or values written out up to and including the 0 at
// the cut (the family's limiter ramp follows).
struct TorqueSource {
  float peak = 0;      // ft*lbf
  float peak_rpm = 0;
  float cut_rpm = 0;   // first rpm with 0 torque
  const float* values = nullptr;
  int count = 0;
};

constexpr TorqueSource curve(float peak, float peak_rpm, float cut_rpm) {
  return TorqueSource{peak, peak_rpm, cut_rpm, nullptr, 0};
}
template <size_t N>
constexpr TorqueSource measured(const float (&values)[N]) {
  return TorqueSource{0, 0, 0, values, static_cast<int>(N)};
}

struct BikeRow {
  const char* name;
  const char* bike_class;
  BikeFamily family;
  const char* prefix;  // model and texture file names
  float primary_ratio;
  float countershaft_teeth;
  float rear_sprocket_teeth;
  float gear_ratios[kGearSlots];  // missing gears left 0
  TorqueSource torque;
  float max_rpm = 0;               // 0: the family's
  const char* texture = nullptr;   // null: the prefix
};

const BikeFamilyValues& bike_family_values(BikeFamily family);
const BikeRow* bike_catalogue_rows(int* count);

// Fill the 50-point maps of a row.
void build_full_throttle_map(const BikeFamilyValues& family, const TorqueSource& torque,
                             float out[kTorqueMapPoints]);
void build_closed_throttle_map(const BikeFamilyValues& family, float out[kTorqueMapPoints]);
