#include "sound/engine_listener.h"

#include <algorithm>
#include <cmath>

#include "sound/engine_params.h"

namespace {

// Closer than this (squared, ft^2) there is no direction to hear from.
constexpr double kNearSquared = 1.0 / 1024;
// Past 1 ft the volume halves at 49 ft, a third at 97 ft, and so on.
constexpr double kFalloffFeet = 48;

struct Direction {
  double distance;
  double n[3];  // unit vector from the source to the listener
  bool known;
};

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Direction direction(const double position[3], const SoundListener& l) {
  Direction d{};
  double v[3] = {l.position[0] - position[0], l.position[1] - position[1], l.position[2] - position[2]};
  double squared = dot(v, v);
  d.distance = std::sqrt(squared);
  d.known = squared >= kNearSquared && std::isfinite(squared);
  if (d.known)
    for (int i = 0; i < 3; ++i) d.n[i] = v[i] / d.distance;
  return d;
}

}  // namespace

SoundListener& sound_listener() {
  static SoundListener listener;
  return listener;
}

double doppler_ratio(const double position[3], const double velocity[3], const SoundListener& l) {
  Direction d = direction(position, l);
  if (!d.known) return 1;
  double a = 1 - dot(velocity, d.n) / kSpeedOfSound;
  double b = 1 - dot(l.velocity, d.n) / kSpeedOfSound;
  // Closing in at or near the speed of sound the shift is capped at 8
  // (and a source past it cannot divide by nothing).
  double ratio = 8 * a >= b ? b / a : 8;
  return std::isfinite(ratio) ? ratio : 1;
}

EngineVoiceSettings engine_voice_settings(const double position[3], const double velocity[3], const SoundListener& l,
                                          double volume, double gain) {
  Direction d = direction(position, l);
  EngineVoiceSettings s{};
  double rate = kSynthRate * doppler_ratio(position, velocity, l);
  s.rate = static_cast<int>(std::clamp(std::isfinite(rate) ? rate : double(kSynthRate), 100.0, 1000000.0));
  double distance = std::isfinite(d.distance) ? d.distance : 1e30;
  double v = volume * gain / std::max(1.0, 1 + (distance - 1) / kFalloffFeet) * 32767;
  s.volume = static_cast<int>(std::clamp(std::isfinite(v) ? v : 0.0, 0.0, 32767.0));
  s.pan = d.known ? static_cast<int>(std::clamp(-dot(d.n, l.right) * 32767, -32767.0, 32767.0)) : 0;
  return s;
}
