#include "bike/rider_input.h"

#include <algorithm>

#include "platform/units.h"

double clutch_engagement(double lever, double current_engagement) {
  double c = std::clamp(1 - lever * 8 / 7, 0.0, 1.0);
  // Letting out is rate limited, but never past the asked engagement (an
  // engagement above 1 would overdrive the clutch).
  if (c > current_engagement) c = std::min(c, current_engagement + 4 * kStep);
  return c;
}
