#include "core/time_trial.h"

#include <algorithm>

#include "bike/presence.h"
#include "core/session.h"
#include "core/session_demo.h"
#include "core/session_sound.h"
#include "demo/demo.h"
#include "demo/demo_files.h"
#include "race/gate_crossing.h"
#include "race/laps.h"
#include "race/standings.h"
#include "track/track.h"

namespace {

int g_player_laps = 0, g_ghost_laps = 0;

int lap_line(const TimingGates& g) { return std::max(static_cast<int>(g.first_lap.size()) - 1, 0); }

int laps_of(const Session& s, int slot) {
  if (!s.slots[slot].bike) return -1;
  return laps_completed(current_track().gates, s.slots[slot].timing.gates_passed);
}

void keep_best(Session& s, int lap) {
  if (lap > 0 && (s.best_lap == 0 || lap < s.best_lap)) s.best_lap = lap;
}

// The ghosts of the fastest lap, each in its own slot from 1 on, waiting
// at the lap line with the player.
void start_ghosts(Session& s, int line) {
  const std::string track = current_track().folder;
  DemoPlayer& p = demo_player();
  if (!open_demo(p, time_trial_demo_name(track, kFastLapDemo).c_str(), kSlotCount - 1, true)) return;
  const std::vector<RiderDescription>& riders = p.header.riders;
  for (size_t r = 0; r < riders.size() && r + 1 < kSlotCount; ++r) {
    const int slot = static_cast<int>(r) + 1;
    SessionSlot& ghost = s.slots[slot];
    ghost = SessionSlot();
    ghost.model = riders[r].bike;
    ghost.bike = bike_create(physics_world(), ghost.model.c_str(), slot);
    if (!ghost.bike) continue;
    load_slot_sound(slot, *ghost.bike);
    ghost.source = ReplayedSource;
    ghost.number = riders[r].number;
    ghost.name = riders[r].name;
    makeAbsent(*ghost.bike);
    set_demo_rider_slot(p, static_cast<int>(r), slot);
    reset_gates(ghost.timing, line);
  }
}

}  // namespace

int time_trial_lap_time(const Session& s, int slot) {
  const TimingGates& g = current_track().gates;
  const BikeTiming& t = s.slots[slot].timing;
  const int first = lap_line(g), last = first + static_cast<int>(g.normal_lap.size());
  if (static_cast<int>(t.gate_steps.size()) <= last) return 0;
  for (int k = first; k <= last; ++k)
    if (t.gate_steps[k] < 0) return 0;
  const int lap = t.gate_steps[last] - t.gate_steps[first];
  return lap >= 1 ? lap : 0;
}

void time_trial_before_step(Session& s) {
  g_player_laps = laps_of(s, 0);
  g_ghost_laps = laps_of(s, 1);
}

void time_trial_after_step(Session& s) {
  const Track& track = current_track();
  if (laps_of(s, 1) != g_ghost_laps && s.slots[1].bike) keep_best(s, time_trial_lap_time(s, 1));
  if (laps_of(s, 0) == g_player_laps || !s.slots[0].bike) return;

  const int player_gates = s.slots[0].timing.gates_passed;
  const int ghost_gates = s.slots[1].bike ? s.slots[1].timing.gates_passed : -1;
  close_demo(demo_player());
  finish_session_demos(s);
  for (int slot = 1; slot < kSlotCount; ++slot) s.slots[slot] = SessionSlot();

  const std::string fast = time_trial_demo_name(track.folder, kFastLapDemo);
  const int lap = time_trial_lap_time(s, 0);
  s.last_lap = lap;
  keep_best(s, lap);
  // The lap just ridden becomes the ghost when there was none, or when it
  // beat the ghost to the line; a lap with a missed gate (or the run-up to
  // the line) never does, so a stale recording cannot become the ghost.
  if (lap > 0) keep_fastest_lap(track.folder, player_gates >= 0 && player_gates > ghost_gates);

  const int line = lap_line(track.gates);
  start_ghosts(s, line);
  reset_gates(s.slots[0].timing, line);
  refresh_race_riders(s);
  const dReal* p = dBodyGetPosition(s.slots[0].bike->body[kBodyFrontWheel]);
  const double wheel[3] = {p[0], p[1], p[2]};
  check_gates(s.race, track.gates, s.riders, 0, wheel);

  start_session_recording(s, 0, "");
  record_and_read_demo(s);
  update_standings(s.race, track.gates, s.riders);
  g_player_laps = laps_of(s, 0);
  g_ghost_laps = laps_of(s, 1);
}
