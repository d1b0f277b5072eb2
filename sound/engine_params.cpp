#include "sound/engine_params.h"

#include <algorithm>
#include <cmath>

#include "sound/sound_table.h"

namespace {

enum class EngineKind { FourStroke, TwoStroke, Fifty };

EngineKind kind_of(const std::string& bike_class) {
  if (bike_class == "50") return EngineKind::Fifty;
  if (!bike_class.empty() && bike_class.back() == 'f') return EngineKind::FourStroke;
  return EngineKind::TwoStroke;
}

int delay_samples(double seconds) {
  double samples = std::round(seconds * kSynthRate);
  if (!(samples >= 1)) return 1;  // also catches NaN
  return static_cast<int>(std::min<double>(samples, kSoundRingSize - 1));
}

}  // namespace

void set_pipe_taps(EngineParams& p, const PipeShape& pipe) {
  int first = std::clamp(pipe.first, 0, kPipeTaps - 1);
  int last = std::clamp(pipe.last, first, kPipeTaps - 1);
  int n = last - first + 1;
  double length = pipe.length, spread = pipe.spread;
  if (n == 1) {
    p.tap_delay[first] = delay_samples(2 * length / kSpeedOfSound);
    p.tap_gain[first] = pipe.gain;
    return;
  }
  double reach = std::min(length, spread);
  for (int k = 0; k < n; ++k) {
    double along = (double(k) * k / (double(n - 1) * (n - 1)) + k) / n * reach;
    p.tap_delay[first + k] = delay_samples(2 * (length - along) / kSpeedOfSound);
    p.tap_gain[first + k] = pipe.gain / static_cast<float>(n);
  }
}

EngineParams engine_class_defaults(const std::string& bike_class) {
  EngineParams p;
  PipeShape pipe;
  switch (kind_of(bike_class)) {
    case EngineKind::FourStroke:
      p.table = builtin_four_stroke_table();
      p.firings_per_revolution = 0.5f;
      p.low_torque = -2.5f;
      p.high_torque = 2.5f;
      break;
    case EngineKind::TwoStroke:
    case EngineKind::Fifty:
      p.table = builtin_two_stroke_table();
      p.firings_per_revolution = 1;
      p.low_torque = -3.5f;
      p.high_torque = kind_of(bike_class) == EngineKind::Fifty ? 1.5f : 3.5f;
      pipe = {1.75f, 0.3f, -0.75f, 0, 15};
      break;
  }
  p.min_rpm = 1000;
  set_pipe_taps(p, pipe);
  return p;
}

const char* engine_class_default_name(const std::string& bike_class) {
  switch (kind_of(bike_class)) {
    case EngineKind::FourStroke: return "default_four_stroke";
    case EngineKind::TwoStroke: return "default_two_stroke";
    case EngineKind::Fifty: return "default_fifty";
  }
  return "";
}

float engine_load(const EngineParams& p, double torque) {
  if (!std::isfinite(torque)) return 0;
  double span = double(p.high_torque) - p.low_torque;
  if (!(std::fabs(span) > 0)) return torque >= p.high_torque ? 1.0f : 0.0f;
  return static_cast<float>(std::clamp((torque - p.low_torque) / span, 0.0, 1.0));
}
