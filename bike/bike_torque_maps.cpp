// The engine maps of the catalogue, from a few numbers per bike.
//
// Full throttle, point by point (rpm r = 500 * index):
//   below the family's rise rpm     flat at the family's idle torque;
//   rise to the peak                four-stroke: quarter sine (strong from
//                                   low down); two-stroke: smoothstep (soft
//                                   bottom, then the pipe comes in);
//   past the peak to the cut        falls with the square of the distance,
//                                   to half the peak (four-stroke) or 0.3 of
//                                   it (two-stroke) one point before the cut;
//   at the cut                      0;
//   above the cut                   the family's rev-limiter ramp, anchored
//                                   at 24500 rpm so the measured maps fit it.
// Closed throttle: 2, 2, 1, 0 up to 1500 rpm (idle), then engine braking
// that grows by the family's amount every 1000 rpm.
#include <algorithm>
#include <cmath>

#include "bike/bike_catalogue.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kLast = kTorqueMapPoints - 1;

float round_to_thousandths(float v) { return std::round(v * 1000.0f) / 1000.0f; }

float limiter_value(const BikeFamilyValues& fam, int index) {
  float v = fam.limiter_end + fam.limiter_step * static_cast<float>((kLast - index) / fam.limiter_run);
  return std::min(0.0f, v);
}

float curve_value(const BikeFamilyValues& fam, const TorqueSource& t, float rpm) {
  if (rpm <= fam.rise_from_rpm) return fam.idle_torque;
  if (rpm <= t.peak_rpm) {
    float u = (rpm - fam.rise_from_rpm) / (t.peak_rpm - fam.rise_from_rpm);
    float shape = fam.two_stroke ? u * u * (3.0f - 2.0f * u) : std::sin(u * kPi / 2.0f);
    return fam.idle_torque + (t.peak - fam.idle_torque) * shape;
  }
  float end_fraction = fam.two_stroke ? 0.3f : 0.5f;
  float span = t.cut_rpm - kTorqueMapStepRpm - t.peak_rpm;
  float u = span > 0 ? std::min(1.0f, (rpm - t.peak_rpm) / span) : 1.0f;
  return t.peak * (1.0f - (1.0f - end_fraction) * u * u);
}

}  // namespace

void build_full_throttle_map(const BikeFamilyValues& fam, const TorqueSource& torque,
                             float out[kTorqueMapPoints]) {
  int cut_index;
  if (torque.values) {
    cut_index = std::min(torque.count, kTorqueMapPoints) - 1;
    for (int i = 0; i <= cut_index; i++) out[i] = torque.values[i];
  } else {
    cut_index = std::clamp(static_cast<int>(torque.cut_rpm / kTorqueMapStepRpm), 1, kLast);
    for (int i = 0; i < cut_index; i++)
      out[i] = round_to_thousandths(curve_value(fam, torque, kTorqueMapStepRpm * static_cast<float>(i)));
    out[cut_index] = 0;
  }
  for (int i = cut_index + 1; i < kTorqueMapPoints; i++) out[i] = limiter_value(fam, i);
}

void build_closed_throttle_map(const BikeFamilyValues& fam, float out[kTorqueMapPoints]) {
  const float idle[4] = {2, 2, 1, 0};
  for (int i = 0; i < kTorqueMapPoints; i++) {
    if (i < 4)
      out[i] = idle[i];
    else
      out[i] = -fam.engine_braking * static_cast<float>((i - 2) / 2);  // ceil((i - 3) / 2)
  }
}
