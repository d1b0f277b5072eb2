#include "demo/demo.h"

#include <cmath>

namespace {
struct DemoState {
  HistoryRings history;
  DemoRecorder recorder;
  DemoPlayer player;
  double seek_request = 0;
};

DemoState& state() {
  static DemoState s;
  return s;
}
}  // namespace

HistoryRings& demo_history() { return state().history; }
DemoRecorder& demo_recorder() { return state().recorder; }
DemoPlayer& demo_player() { return state().player; }

bool open_demo_for_playback(const char* file, std::string* track) {
  if (!open_demo(demo_player(), file, kSlotCount)) return false;
  *track = demo_player().header.track;
  return true;
}

void seek_demo(double seconds) {
  if (demo_playing(demo_player()) && std::isfinite(seconds)) state().seek_request += seconds;
}

double take_demo_seek_request() {
  double s = state().seek_request;
  state().seek_request = 0;
  return s;
}
