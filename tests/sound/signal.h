// Measurements on rendered sound for the engine sound tests.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

// The repeat period of x in samples: the shortest lag whose normalised
// autocorrelation comes within 10% of the best in min_lag..max_lag (the
// strongest peak can be a multiple of the period), refined to a fraction of
// a sample by a parabola through its neighbours. 0 when x is silent.
inline double measured_period(const std::vector<float>& x, int min_lag, int max_lag) {
  const int n = static_cast<int>(x.size()) - max_lag - 1;
  if (n <= 0) return 0;
  double mean = 0;
  for (float v : x) mean += v;
  mean /= static_cast<double>(x.size());
  std::vector<double> r(static_cast<size_t>(max_lag + 2), 0.0);
  for (int lag = min_lag - 1; lag <= max_lag + 1; ++lag) {
    double xy = 0, xx = 0, yy = 0;
    for (int i = 0; i < n; ++i) {
      double a = x[static_cast<size_t>(i)] - mean, b = x[static_cast<size_t>(i + lag)] - mean;
      xy += a * b;
      xx += a * a;
      yy += b * b;
    }
    r[static_cast<size_t>(lag)] = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
  }
  double best = 0;
  for (int lag = min_lag; lag <= max_lag; ++lag) best = std::max(best, r[static_cast<size_t>(lag)]);
  if (best <= 0) return 0;
  for (int lag = min_lag; lag <= max_lag; ++lag) {
    double here = r[static_cast<size_t>(lag)];
    if (here < 0.9 * best) continue;
    // Climb to the top of this peak.
    while (lag < max_lag && r[static_cast<size_t>(lag + 1)] > here) here = r[static_cast<size_t>(++lag)];
    double before = r[static_cast<size_t>(lag - 1)], after = r[static_cast<size_t>(lag + 1)];
    double bend = before - 2 * here + after;
    return lag + (bend < 0 ? 0.5 * (before - after) / bend : 0.0);
  }
  return 0;
}

inline double rms(const std::vector<float>& x) {
  double s = 0;
  for (float v : x) s += double(v) * v;
  return x.empty() ? 0 : std::sqrt(s / static_cast<double>(x.size()));
}

// One channel of raw interleaved 8-bit unsigned stereo, centred on 0.
inline std::vector<float> channel_of(const std::vector<uint8_t>& bytes, int channel) {
  std::vector<float> out;
  for (size_t i = static_cast<size_t>(channel); i < bytes.size(); i += 2) out.push_back(float(bytes[i]) - 128.0f);
  return out;
}
