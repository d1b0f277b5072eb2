#include "core/frame_step.h"

#include <algorithm>
#include <ctime>

#include "bike/bike_step.h"
#include "bike/contact_step.h"
#include "bike/crash.h"
#include "bike/roost.h"
#include "bike/ruts.h"
#include "bike/presence.h"
#include "bike/terrain_contact.h"
#include "core/session.h"
#include "core/robots.h"
#include "core/session_demo.h"
#include "core/time_trial.h"
#include "race/false_start.h"
#include "race/gate_crossing.h"
#include "race/results_file.h"
#include "track/track.h"

namespace {

// Every simulated bike touches the ground, the track's objects and the
// other bikes (fastest first, ties by slot); replayed bikes are posed.
void find_contacts(Session& s, const Track& track) {
  std::vector<Bike*> bikes;
  for (SessionSlot& slot : s.slots)
    if (slot.bike && slot.source != ReplayedSource) bikes.push_back(slot.bike.get());
  ContactScene scene;
  scene.ground = &track.terrain;
  scene.track = &track;
  scene.statue_touched_step = &s.statue_touched_step;
  scene.knockout = &s.knockout;
  scene.step = s.race.race_step;
  contacts_step(scene, bikes);
}

// Every bike's tyres throw dirt, the bikes taking turns to go first.
void emit_roost(Session& s, const Track& track) {
  if (s.roost_density <= 0) return;
  std::vector<int> occupied;
  for (int i = 0; i < kSlotCount; ++i)
    if (s.slots[i].bike) occupied.push_back(i);
  if (occupied.empty()) return;
  const size_t first = static_cast<size_t>(s.race.race_step) % occupied.size();
  for (size_t k = 0; k < occupied.size(); ++k) {
    SessionSlot& slot = s.slots[occupied[(first + k) % occupied.size()]];
    roost_emit(s.roost, *slot.bike, track.terrain, s.roost_density, s.race.race_step, slot.source != ReplayedSource);
  }
}

// The tyres of the bikes simulated here dig ruts behind them.
void cut_ruts(Session& s, Track& track) {
  for (SessionSlot& slot : s.slots)
    if (slot.bike && slot.source != ReplayedSource) ruts_cut(*slot.bike, track.terrain, s.erosion);
}

// The crash mark tells the robots' line learning that a bike fell.
void mark_crashes(SessionSlot& slot) {
  if (slot.bike->crash.count != slot.crash_count) {
    slot.crash_count = slot.bike->crash.count;
    slot.timing.crash_mark = 1;
  }
}

// The local rider waits at the gate with a foot down; a false start online
// holds him on the brakes.
void hold_at_the_start(Session& s, SessionSlot& slot) {
  const dReal* p = dBodyGetPosition(slot.bike->body[kBodyFrame]);
  const double frame[3] = {p[0], p[1], p[2]};
  const HeldInputs held = false_start_step(s.race, slot.timing, frame, false);
  BikeControls& c = slot.bike->controls;
  if (held.sit_dab || held.stopped) c.sit = 1;
  if (held.stopped) {
    c.front_brake = c.rear_brake = 1;
    c.throttle = 0;
    c.clutch = 0;
    c.back_up = 0;
  }
}

void write_final_results(const Session& s, const Track& track) {
  std::vector<RiderLabel> labels;
  for (const RaceRider& r : s.riders) labels.push_back({r.slot, s.slots[r.slot].number, s.slots[r.slot].model});
  write_results(s.race, track.gates, s.riders, labels, {track.folder, static_cast<long>(std::time(nullptr))});
}

void step_bikes(Session& s, const Track& track) {
  for (int i = 0; i < kSlotCount; ++i) {
    SessionSlot& slot = s.slots[i];
    if (!slot.bike) continue;
    if (slot.source == LocalPlayerSource) hold_at_the_start(s, slot);
    if (slot.source == RobotSource && bike_present(*slot.bike)) drive_robot(s, i);
    if (bike_present(*slot.bike)) bike_step(*slot.bike, s.race.race_step, &s.knockout);
    mark_crashes(slot);
    const dReal* p = dBodyGetPosition(slot.bike->body[kBodyFrontWheel]);
    const double wheel[3] = {p[0], p[1], p[2]};
    if (check_gates(s.race, track.gates, s.riders, i, wheel).results_final) write_final_results(s, track);
  }
}

}  // namespace

void frame_step() {
  if (!track_loaded()) return;
  Session& s = current_session();
  Track& track = current_track();
  PhysicsWorld& world = physics_world();
  if (!world.world) return;

  handle_demo_seek(s);
  pose_replayed_bikes(s, track);
  if (s.time_trial) time_trial_before_step(s);
  find_contacts(s, track);
  emit_roost(s, track);
  physics_world_step(world);
  if (s.erosion > 0) cut_ruts(s, track);
  step_bikes(s, track);
  if (s.roost_density > 0) roost_move(s.roost, track.terrain);
  start_gates_step(s.start_gates, track, s.statue_touched_step, s.race.race_step, s.race.start_step, 0);
  ++s.race.race_step;
  record_and_read_demo(s);
  if (s.time_trial) time_trial_after_step(s);
}
