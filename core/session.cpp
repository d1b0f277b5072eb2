#include "core/session.h"

#include "track/track.h"

// Until bikes exist the session holds no riders; set-up reports that no
// track was loaded, so the game shows the title.

Session& current_session() {
  static Session session;
  return session;
}

PhysicsWorld& physics_world() {
  static PhysicsWorld world;
  return world;
}

void empty_slots(bool robot_in_first_slot) {
  Session& s = current_session();
  for (SessionSlot& slot : s.slots) slot = SessionSlot();
  if (robot_in_first_slot) s.slots[0].kind = RobotSlot;
}

bool session_setup(bool, bool, int, int) { return false; }
void free_session() {}
void save_race_records() {}

bool track_loaded() { return !current_track().folder.empty(); }
bool slot_has_bike(int slot) { return slot >= 0 && slot < kSlotCount && current_session().slots[slot].has_bike; }
bool slot_is_live(int slot) { return slot_has_bike(slot) && current_session().slots[slot].source == LocalPlayerSource; }
bool slot_has_sound(int slot) { return slot_has_bike(slot); }
bool rider_hidden(int) { return false; }
int step_count() { return current_session().step_count; }
int race_start_step() { return current_session().start_step; }
bool leader_finished() { return false; }
void rotate_lineup_and_restart() {}
bool time_trial_running() { return current_session().time_trial; }
void restart_time_trial() {}
int neighbour_in_race_order(int slot, int) { return slot; }
