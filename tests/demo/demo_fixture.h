// A home folder of its own, a set of rings, and helpers that record a
// small race with synthetic states and replay it.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "demo/demo_player.h"
#include "demo/demo_recorder.h"
#include "platform/messages.h"
#include "tests/support/test_env.h"

// A record that names its rider and step, so a replayed one shows where it
// came from.
inline StateBytes synthetic_state(int rider, int step) {
  StateBytes b{};
  for (int i = 0; i < kStateRecordSize; ++i) b[i] = static_cast<uint8_t>(rider * 31 + step * 7 + i * 13);
  b[0] = static_cast<uint8_t>(rider);
  b[1] = static_cast<uint8_t>(step);
  b[2] = static_cast<uint8_t>(step >> 8);
  return b;
}

// The newest and the oldest step a ring holds; -1 when it is empty.
inline int newest_step(const HistoryRing& r) {
  const HistoryEntry* e = history_entry_back(r, 0);
  return e ? e->step : -1;
}
inline int oldest_step(const HistoryRing& r) {
  const HistoryEntry* e = history_entry_back(r, history_count(r) - 1);
  return e ? e->step : -1;
}

// (rider, step) -> record.
using StateLog = std::map<std::pair<int, int>, StateBytes>;

class DemoFiles : public ::testing::Test {
 protected:
  void SetUp() override { clear_messages(); }

  // Records `riders` riders in slots 3, 5, 7, ... from step 1 to `last`
  // the way the race step does (the clock rises, then the step is
  // recorded), the last step final. Returns what was recorded.
  StateLog record_race(int riders, int last, RecordingStart start = {}) {
    StateLog log;
    int step = 0;
    if (start.track.empty()) start.track = "hills";
    for (int i = 0; i < riders; ++i) {
      RecordedRider r;
      r.slot = 3 + 2 * i;
      r.description.bike = "Bike " + std::to_string(i);
      r.description.number = std::to_string(i + 1);
      r.description.name = "Rider " + std::to_string(i);
      r.current_state = [i, &step, &log] {
        log[{i, step}] = synthetic_state(i, step);
        return synthetic_state(i, step);
      };
      start.riders.push_back(r);
    }
    EXPECT_TRUE(start_demo_recording(recorder, start));
    for (step = 1; step <= last; ++step) record_demo_step(recorder, *rings, step, step == last);
    finish_demo_recording(recorder);
    return log;
  }

  // Opens a demo with its riders in slots 40, 41, ...
  bool open(const std::string& file, bool time_trial = false) {
    if (!open_demo(player, file.c_str(), kSlotCount, time_trial)) return false;
    for (int i = 0; i < demo_rider_count(player); ++i) EXPECT_TRUE(set_demo_rider_slot(player, i, 40 + i));
    return true;
  }

  // Every entry the riders' rings hold, by (rider, step).
  void harvest(StateLog& seen) const {
    for (int i = 0; i < demo_rider_count(player); ++i)
      for (int k = 0; const HistoryEntry* e = history_entry_back(rings->slots[40 + i], k); ++k)
        seen[{i, e->step}] = e->state;
  }

  // Plays from the current step for `steps` steps, collecting the states.
  StateLog play(int& current, int steps) {
    StateLog seen;
    for (int k = 0; k < steps; ++k, ++current) {
      read_demo_ahead(player, *rings, current);
      harvest(seen);
    }
    return seen;
  }

  // Plays until the clock stands at `until`, then reads ahead there once.
  StateLog play_until(int& current, int until) {
    StateLog seen;
    for (;;) {
      read_demo_ahead(player, *rings, current);
      harvest(seen);
      if (current >= until) return seen;
      ++current;
    }
  }

  bool message_contains(const std::string& part) const {
    for (const std::string& m : recent_messages())
      if (m.find(part) != std::string::npos) return true;
    return false;
  }

  std::string home_file(const std::string& rel) const { return box.home() + "/" + rel; }

  DataSandbox box;
  std::unique_ptr<HistoryRings> rings = std::make_unique<HistoryRings>();
  DemoRecorder recorder;
  DemoPlayer player;
};
