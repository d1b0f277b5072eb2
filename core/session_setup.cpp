#include "core/session_setup.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "bike/bike.h"
#include "bike/presence.h"
#include "config/bike_models.h"
#include "core/robots.h"
#include "core/session.h"
#include "robot/drive.h"
#include "core/session_demo.h"
#include "core/session_sound.h"
#include "demo/demo.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "race/false_start.h"
#include "race/gate_crossing.h"
#include "race/laps.h"
#include "race/standings.h"
#include "robot/line_plan.h"
#include "robot/line_prune.h"
#include "robot/lines_file.h"
#include "track/track.h"

namespace {

// Time trials start the race clock late enough that no start procedure runs.
constexpr int kTimeTrialClock = 300 * kStepsPerSecond;
constexpr int kPlanTypeCount = 4;

SessionRequest g_last_request;
SlotKinds g_last_table{};
bool g_last_had_table = false;

void progress(const char* text) { show_message("%s", text); }

void destroy_bikes(Session& s) {
  tarn_log("Deallocating bikes\n");
  for (SessionSlot& slot : s.slots) slot = SessionSlot();
  s.riders.clear();
  tarn_log("Finished deallocating bikes\n");
}

// The next roster row for a robot slot: any row, or (filter) one whose model
// contains the text, searched from the end of the unused rows; or the row
// with a given race number. It is swapped into the next position. -1 when
// the roster is used up or holds no such number.
int take_roster_row(Session& s, const char* filter, const char* number) {
  if (s.roster_used >= kRosterSize) return -1;
  const auto& roster = robot_roster();
  int found = s.roster_used;
  if (number) {
    found = -1;
    for (int i = s.roster_used; i < kRosterSize; ++i)
      if (roster[s.roster_order[i]].number == number) found = i;
    if (found < 0) return -1;
  } else if (filter) {
    for (int i = kRosterSize - 1; i >= s.roster_used; --i) {
      if (std::strstr(roster[s.roster_order[i]].model, filter)) {
        found = i;
        break;
      }
    }
  }
  std::swap(s.roster_order[s.roster_used], s.roster_order[found]);
  return s.roster_order[s.roster_used++];
}

// Creates the slot's bike of the model and drops it on the ground at its
// grid place; false when it cannot be made.
bool make_bike(Session& s, int slot_index, const std::string& model, const GridPlace& place) {
  SessionSlot& slot = s.slots[slot_index];
  slot.model = current_bike_name(model.c_str());
  slot.bike = bike_create(physics_world(), slot.model.c_str(), slot_index);
  if (!slot.bike) return false;
  load_slot_sound(slot_index, *slot.bike);
  slot.grid = place;
  bike_place(*slot.bike, current_track().terrain, place.x, place.z, place.angle);
  timing_reset(slot.timing);
  slot.crash_count = slot.bike->crash.count;
  return true;
}

void create_robot(Session& s, int slot_index, int row, const GridPlace& place) {
  const RosterRow& r = robot_roster()[row];
  if (!make_bike(s, slot_index, r.model, place)) return;
  SessionSlot& slot = s.slots[slot_index];
  slot.source = RobotSource;
  slot.number = r.number;
  slot.name = "Roborider";
  slot.roster_row = row;
  robot_state_reset(slot.robot, 0);
  set_personality(slot.robot, s.practice ? "tester" : r.personality);
  robot_start_reset(slot.robot);
}

void create_player(Session& s, int slot_index, const SetupValues& setup, const GridPlace& place) {
  if (!make_bike(s, slot_index, setup.bike, place)) return;
  SessionSlot& slot = s.slots[slot_index];
  slot.source = LocalPlayerSource;
  const dReal* p = dBodyGetPosition(slot.bike->body[kBodyFrame]);
  const double frame[3] = {p[0], p[1], p[2]};
  false_start_place(slot.timing, frame);
  slot.number = setup.number;
  slot.name = setup.name;
  robot_state_reset(slot.robot, 0);
}

void create_slot(Session& s, int slot, int kind, const SetupValues& player, const GridPlace& place) {
  if (kind == EmptySlot || kind == RemoteSlot) return;
  if (kind == HumanSlot) {
    create_player(s, slot, player, place);
    return;
  }
  int row = -1;
  if (kind == RobotSlot) {
    row = take_roster_row(s, nullptr, nullptr);
  } else if (kind == TwoStrokeRobotSlot) {
    row = take_roster_row(s, "125", nullptr);
  } else if (kind == FourStrokeRobotSlot) {
    row = take_roster_row(s, "250", nullptr);
  } else if (kind >= RosterRobotSlot) {
    const std::string number = std::to_string(kind - RosterRobotSlot);
    row = take_roster_row(s, nullptr, number.c_str());
    if (row < 0) {
      tarn_log("Slot %d: no free robot with number %s\n", slot, number.c_str());
      return;
    }
  } else {
    // Any other kind rides a plain 125.
    if (make_bike(s, slot, "rm125", place)) s.slots[slot].source = RobotSource;
    return;
  }
  if (row < 0) {
    tarn_log("Slot %d: the roster has no more robots\n", slot);
    return;
  }
  create_robot(s, slot, row, place);
}

bool choose_track(Session& s, const SessionRequest& r) {
  Track& t = current_track();
  // A played demo rides on its own track.
  const std::string folder = r.play_demo && demo_playing(demo_player()) ? demo_player().header.track : r.track;
  if (!r.force_reload && !t.folder.empty() && t.folder == folder) return true;
  free_track();
  t.folder = folder;
  if (!track_load(t)) return false;
  s.lowest_height = t.terrain.hmin;
  return true;
}

void load_robot_lines(Session& s, const SessionRequest& r) {
  const Track& t = current_track();
  s.line_skill = r.line_skill;
  s.learn = r.learn;
  lines_reset(s.lines, t.gates);
  if (s.line_skill < 0) return;
  load_lines(s.lines, t.gates, t.folder, s.line_skill);
  progress("Analyzing lines...");
  prune_lines(s.lines);
  for (int type = 0; type < kPlanTypeCount; ++type) plan_laps(s.lines, type);
}

}  // namespace

void log_memory_range() {
  // The memory the process may use: the physical memory, within any limit
  // on its address space. Nothing is locked.
  long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
  unsigned long long total = pages > 0 && page > 0 ? static_cast<unsigned long long>(pages) * page : 0;
  struct rlimit limit;
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) total = std::min<unsigned long long>(total, limit.rlim_cur);
  const unsigned long long mib = 1024 * 1024;
  if (total < 64 * mib) {
    tarn_log("Working set left alone - less than 64 MB physical memory\n");
    return;
  }
  unsigned long long most = std::min<unsigned long long>(total, 2048 * mib) - 32 * mib;
  unsigned long long least = std::min<unsigned long long>(1024 * mib, most);
  tarn_log("Setting working set range to %llu - %llu\n", least, most);
  tarn_log("Working set left to the system: nothing is locked\n");
}

bool session_setup(const SessionRequest& r) {
  Session& s = current_session();
  tarn_log("\x13NOFLUSH");
  g_last_request = r;
  g_last_had_table = r.table != nullptr;
  if (r.table) g_last_table = *r.table;
  progress("Resetting...");

  // The roster order and the gate drop come from the generator seeded with
  // the step count as it stands at the reset.
  s.random.seed(static_cast<unsigned>(s.race.race_step));
  s.roster_order = roster_shuffle(s.random);
  s.roster_used = 0;

  progress("Remembering lines...");
  if (track_loaded() && s.learn && s.line_skill >= 0) save_lines(s.lines, current_track().folder, s.line_skill);
  finish_session_demos(s);
  clear_all_history(demo_history());
  progress("Cleaning up...");
  destroy_bikes(s);

  const int start = draw_start_step(s.random);
  race_reset(s.race, r.time_limit_steps, r.laps, start);
  s.time_trial = r.table == nullptr;
  s.practice = r.practice;
  s.erosion = std::clamp(r.erosion, 0, 100);
  s.roost_density = std::clamp(r.roost_density, 0, 1000);
  roost_reset(s.roost);
  s.best_lap = s.last_lap = 0;

  if (r.play_demo) take_demo_race(s);
  if (!choose_track(s, r)) {
    s.riders.clear();
    return false;
  }
  const Track& track = current_track();

  SlotKinds kinds{};
  if (s.time_trial) {
    kinds[0] = HumanSlot;
    s.race.race_step = kTimeTrialClock;
  } else {
    kinds = *r.table;
  }
  s.watched_slot = settle_slot_kinds(kinds, r.play_demo);
  load_robot_lines(s, r);

  progress("Loading bikes...");
  const SetupValues player = r.player ? *r.player : setup_values();
  for (int slot = 0; slot < kSlotCount; ++slot) {
    s.slots[slot].kind = kinds[slot];
    create_slot(s, slot, kinds[slot], player, grid_place(slot, track.gates.start_slots, track.terrain.world_size));
    if (!s.slots[slot].bike) s.slots[slot].source = ReplayedSource;
  }
  if (r.play_demo) place_demo_riders(s);
  for (SessionSlot& slot : s.slots)
    if (slot.bike && slot.source != ReplayedSource) makePresent(*slot.bike);

  s.statue_touched_step.assign(track.statues.size(), -1);
  s.down_rider_gates.clear();
  start_gates_raise(s.start_gates, current_track());
  refresh_race_riders(s);
  install_line_learning(s);

  if (s.time_trial) restart_time_trial();
  // A time trial records each lap from the lap line on.
  if (r.record_demo && !s.time_trial) start_session_recording(s, r.demo_backups, r.demo_file);
  record_and_read_demo(s);
  update_standings(s.race, track.gates, s.riders);
  if (!slot_has_bike(s.watched_slot) && !s.race.standings.empty()) s.watched_slot = s.race.standings[0].slot;
  if (PhysicsWorld& w = physics_world(); w.contacts) dJointGroupEmpty(w.contacts);

  log_memory_range();
  tarn_log("\x13" "FLUSH");
  return true;
}

void restart_time_trial() {
  Session& s = current_session();
  for (int slot = 1; slot < kSlotCount; ++slot) {
    s.slots[slot] = SessionSlot();
  }
  refresh_race_riders(s);
  SessionSlot& player = s.slots[0];
  const Track& t = current_track();
  if (!player.bike || t.gates.checkpoints.empty()) return;
  // The gate before the lap line, facing the direction of travel.
  const int gate = std::max(static_cast<int>(t.gates.first_lap.size()) - 2, 0);
  const Checkpoint& c = race_gate_checkpoint(t.gates, gate);
  GridPlace place;
  place.x = c.position[0];
  place.z = c.position[2];
  place.angle = std::atan2(-c.direction[0], -c.direction[2]);
  bike_place(*player.bike, t.terrain, place.x, place.z, place.angle);
  if (PhysicsWorld& w = physics_world(); w.contacts) dJointGroupEmpty(w.contacts);
  reset_gates(player.timing, gate);
  s.last_lap = 0;
  update_standings(s.race, t.gates, s.riders);
}

void free_session() {
  Session& s = current_session();
  finish_session_demos(s);
  close_demo(demo_player());
  destroy_bikes(s);
}

void free_track() {
  Track& t = current_track();
  if (t.folder.empty() && t.terrain.heights.empty()) return;
  lines_reset(current_session().lines, TimingGates());
  track_unload(t);
  t.folder.clear();
}

void rotate_lineup_and_restart() {
  if (!g_last_had_table) {
    session_setup(g_last_request);
    return;
  }
  // Everyone on the grid moves one place back; the last comes to the front.
  int last = kSlotCount - 1;
  while (last > 0 && g_last_table[last] == EmptySlot) --last;
  std::rotate(g_last_table.begin(), g_last_table.begin() + last, g_last_table.begin() + last + 1);
  SessionRequest r = g_last_request;
  r.table = &g_last_table;
  session_setup(r);
}

void save_race_records() {
  Session& s = current_session();
  if (track_loaded() && s.learn && s.line_skill >= 0) {
    show_message("Remembering lines...\n");
    save_lines(s.lines, current_track().folder, s.line_skill);
  }
}
