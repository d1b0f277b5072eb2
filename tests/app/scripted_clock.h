// A pacing clock that moves only when the pacing sleeps or the test says.
#pragma once
#include <vector>

#include "app/frame_pacing.h"

struct ScriptedClock {
  double time = 0;
  std::vector<double> sleeps;
  PacingClock clock() {
    return {[](void* c) { return static_cast<ScriptedClock*>(c)->time; },
            [](void* c, double s) {
              auto* self = static_cast<ScriptedClock*>(c);
              self->sleeps.push_back(s);
              self->time += s;
            },
            this};
  }
};
