#include "core/session.h"

#include <algorithm>

#include "bike/drivetrain.h"

#include "track/track.h"

Session& current_session() {
  static Session session;
  return session;
}

PhysicsWorld& physics_world() {
  static PhysicsWorld world;
  return world;
}

SlotKinds& slot_table() {
  static SlotKinds table{};
  return table;
}

void empty_slots(bool robot_in_first_slot) {
  SlotKinds& t = slot_table();
  t.fill(EmptySlot);
  if (robot_in_first_slot) t[0] = RobotSlot;
}

bool track_loaded() { return !current_track().folder.empty(); }

Bike* slot_bike(int slot) {
  if (slot < 0 || slot >= kSlotCount) return nullptr;
  return current_session().slots[slot].bike.get();
}

bool slot_has_bike(int slot) { return slot_bike(slot) != nullptr; }
bool slot_is_live(int slot) { return slot_has_bike(slot) && current_session().slots[slot].source == LocalPlayerSource; }
bool slot_has_sound(int slot) { return slot_has_bike(slot); }
bool rider_hidden(int slot) {
  const Bike* b = slot_bike(slot);
  return !b || b->presence <= 0;
}
int step_count() { return current_session().race.race_step; }
int race_start_step() { return current_session().race.start_step; }
bool time_trial_running() { return current_session().time_trial; }

bool leader_finished() {
  const Session& s = current_session();
  if (s.race.standings.empty()) return false;
  const SessionSlot& leader = s.slots[s.race.standings[0].slot];
  return leader.timing.finished;
}

int neighbour_in_race_order(int slot, int direction) {
  const std::vector<StandingsEntry>& order = current_session().race.standings;
  for (size_t i = 0; i < order.size(); ++i) {
    if (order[i].slot != slot) continue;
    long j = static_cast<long>(i) + (direction < 0 ? -1 : direction > 0 ? 1 : 0);
    if (j < 0) j = 0;
    if (j >= static_cast<long>(order.size())) j = static_cast<long>(order.size()) - 1;
    return order[j].slot;
  }
  return order.empty() ? slot : order[0].slot;
}

void refresh_race_riders(Session& s) {
  s.riders.clear();
  for (int i = 0; i < kSlotCount; ++i) {
    if (!s.slots[i].bike) continue;
    RaceRider r;
    r.slot = i;
    r.timing = &s.slots[i].timing;
    s.riders.push_back(r);
  }
}

void set_player_input(int slot, const RiderInput& in) {
  Bike* b = slot_bike(slot);
  if (!b) return;
  BikeControls& c = b->controls;
  const bool off = b->crash.timer > 0;
  c.throttle = off ? 0 : static_cast<float>(std::clamp(in.throttle, 0.0, 1.0));
  c.clutch = static_cast<float>(std::clamp(in.clutch, 0.0, 1.0));
  c.front_brake = static_cast<float>(std::clamp(in.front_brake, 0.0, 1.0));
  c.rear_brake = static_cast<float>(std::clamp(in.rear_brake, 0.0, 1.0));
  shift(*b, in.shift);
  c.steer = static_cast<float>(std::clamp(in.steer, -1.0, 1.0));
  c.sit = off ? 0 : static_cast<float>(std::clamp(in.sit, 0.0, 1.0));
  c.back_up = off ? 0 : static_cast<float>(std::clamp(in.back_up, 0.0, 1.0));
  c.lean = off ? 0 : static_cast<float>(std::clamp(in.lean, -1.0, 1.0));
}

double player_clutch_engagement(int slot) {
  const Bike* b = slot_bike(slot);
  return b ? b->controls.clutch : 1.0;
}
