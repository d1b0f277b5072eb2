#include "core/session_demo.h"

#include "bike/presence.h"
#include "core/frame_step.h"
#include "core/session.h"
#include "core/session_sound.h"
#include "demo/bike_pose.h"
#include "demo/demo.h"
#include "demo/demo_files.h"
#include "demo/history_pose.h"
#include "platform/messages.h"
#include "race/gate_crossing.h"
#include "race/standings.h"
#include "track/track.h"

namespace {

StateScale scale_of(const Session& s, const Bike& b) {
  return bike_state_scale(b, current_track().terrain.world_size, s.lowest_height);
}

RiderDescription description_of(const SessionSlot& slot) {
  RiderDescription d;
  d.bike = slot.model;
  d.number = slot.number;
  d.name = slot.name;
  return d;
}

// A replayed bike follows its states: it steers softly and turns little,
// so that between records it does not wander.
void set_replay_setup(Bike& b) {
  b.setup.roll_damping = 100;
  b.setup.full_lock_speed = 5;
  b.setup.restricted_lock_speed = 50;
  b.setup.restricted_lock = 0.04363323f;
}

}  // namespace

void start_session_recording(Session& s, int demo_backups, const std::string& file_name) {
  RecordingStart start;
  start.track = current_track().folder;
  start.time_limit_steps = s.race.time_limit_steps;
  start.extra_laps = s.race.extra_laps;
  start.start_step = s.race.start_step;
  start.time_trial = s.time_trial;
  start.demo_backups = demo_backups;
  start.file_name = file_name;
  for (int i = 0; i < kSlotCount; ++i) {
    SessionSlot& slot = s.slots[i];
    if (!slot.bike || slot.source == ReplayedSource) continue;
    RecordedRider r;
    r.slot = i;
    r.description = description_of(slot);
    Bike* bike = slot.bike.get();
    r.current_state = [&s, bike] { return encode_state_record(bike_state(*bike), scale_of(s, *bike)); };
    start.riders.push_back(std::move(r));
  }
  if (start.riders.empty()) return;
  if (demo_playing(demo_player()) && demo_player().file_name == kDefaultDemo) {
    show_message("Can't record and play from same file - recording disabled");
    return;
  }
  start_demo_recording(demo_recorder(), std::move(start));
}

void take_demo_race(Session& s) {
  const DemoPlayer& p = demo_player();
  if (!demo_playing(p)) return;
  s.race.time_limit_steps = p.header.time_limit_steps;
  s.race.extra_laps = p.header.extra_laps;
  s.race.start_step = p.header.start_step;
}

void place_demo_riders(Session& s) {
  DemoPlayer& p = demo_player();
  if (!demo_playing(p)) return;
  size_t rider = 0;
  const std::vector<RiderDescription>& riders = p.header.riders;
  for (int i = 0; i < kSlotCount && rider < riders.size(); ++i) {
    SessionSlot& slot = s.slots[i];
    if (slot.kind != EmptySlot || slot.bike) continue;
    const RiderDescription& d = riders[rider];
    slot.model = d.bike;
    slot.bike = bike_create(physics_world(), d.bike.c_str(), i);
    if (!slot.bike) continue;
    load_slot_sound(i, *slot.bike);
    slot.source = ReplayedSource;
    slot.number = d.number;
    slot.name = d.name;
    makeAbsent(*slot.bike);
    set_replay_setup(*slot.bike);
    set_demo_rider_slot(p, static_cast<int>(rider), i);
    ++rider;
  }
}

void pose_replayed_bikes(Session& s, const Track& track) {
  const int version = demo_record_version(demo_player());
  for (int i = 0; i < kSlotCount; ++i) {
    SessionSlot& slot = s.slots[i];
    if (!slot.bike || slot.source != ReplayedSource) continue;
    HistoryPose pose;
    const StateScale scale = scale_of(s, *slot.bike);
    if (!interpolate_history(demo_history().slots[i], s.race.race_step, scale, version, &pose)) continue;
    const StateRecord older = decode_state_record(pose.older.state.data(), scale, version);
    const StateRecord newer = decode_state_record(pose.newer.state.data(), scale, version);
    poseFromStates(*slot.bike, pose.state, older, newer, pose.distance, version, track.terrain);
  }
}

void record_and_read_demo(Session& s) {
  DemoRecorder& r = demo_recorder();
  if (demo_recording(r)) record_demo_step(r, demo_history(), s.race.race_step, false);
  DemoPlayer& p = demo_player();
  if (demo_playing(p)) read_demo_ahead(p, demo_history(), s.race.race_step);
}

void handle_demo_seek(Session& s) {
  const double seconds = take_demo_seek_request();
  if (seconds == 0) return;
  DemoPlayer& p = demo_player();
  if (!demo_playing(p) || demo_recording(demo_recorder())) return;
  for (const SessionSlot& slot : s.slots)
    if (slot.bike && slot.source != ReplayedSource) return;
  const int target = demo_seek_target(s.race.race_step, seconds);
  if (target < s.race.race_step) {
    // Rewinding undoes the crossings after the target.
    for (SessionSlot& slot : s.slots) {
      BikeTiming& t = slot.timing;
      while (t.gates_passed > 0 && static_cast<int>(t.gate_steps.size()) >= t.gates_passed &&
             t.gate_steps[t.gates_passed - 1] > target) {
        reset_gates(t, t.gates_passed - 1);
      }
    }
    s.race.results_final = false;
    s.race.final_standings.clear();
  }
  if (!seek_demo_to_step(p, demo_history(), target, s.race.race_step)) return;
  update_standings(s.race, current_track().gates, s.riders);
}

void finish_session_demos(Session& s) {
  DemoRecorder& r = demo_recorder();
  if (demo_recording(r)) {
    record_demo_step(r, demo_history(), s.race.race_step, true);
    finish_demo_recording(r);
  }
}
