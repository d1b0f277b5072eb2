#include "race/line_learning.h"

namespace {
void no_sample(void*, int) {}
void no_spoil(void*, int, const BikeTiming&) {}
void no_learn(void*, int, const BikeTiming&, int) {}
void no_clear(void*, int) {}
void no_finish(void*, int) {}
void no_cross(void*, int, const BikeTiming&, int, int) {}

const LineLearning kNothing{nullptr, no_sample, no_spoil, no_learn, no_clear, no_finish, no_cross};
LineLearning g_learning = kNothing;
}  // namespace

const LineLearning& no_line_learning() { return kNothing; }

void set_line_learning(const LineLearning* operations) {
  g_learning = operations ? *operations : kNothing;
  // A table filled in part gets the stand-ins for the rest.
  if (!g_learning.record_sample) g_learning.record_sample = no_sample;
  if (!g_learning.spoil_segment) g_learning.spoil_segment = no_spoil;
  if (!g_learning.learn_at_gate) g_learning.learn_at_gate = no_learn;
  if (!g_learning.clear_recordings) g_learning.clear_recordings = no_clear;
  if (!g_learning.finished) g_learning.finished = no_finish;
  if (!g_learning.crossed) g_learning.crossed = no_cross;
}

const LineLearning& line_learning() { return g_learning; }
