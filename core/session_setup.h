// Setting up a race session: tearing down the last one, loading the track
// when it changed, the slot table, every bike on the grid, and the race
// clock; and the time trial's restart at the gate before the lap line.
#pragma once
#include <string>

#include "config/bike_setup.h"
#include "core/slot_table.h"

struct SessionRequest {
  // The slot table; null sets up a time trial (the player alone).
  const SlotKinds* table = nullptr;
  std::string track;          // the selected track's folder
  bool force_reload = false;  // load the track again even when it is loaded
  bool play_demo = false, record_demo = false;
  int time_limit_steps = 0;  // 0: a race of laps
  int laps = 5;
  int line_skill = 0;  // robots' lines file: 0 novice, 1 amateur, 2 expert; -1 none
  bool learn = false;  // races change the lines file ("--learn")
  bool practice = false;  // every robot the tester
  int erosion = 0;        // "--erode", 0..100
  int roost_density = 0;  // the Roost Density setting; 0 throws none
  int demo_backups = 0;   // recordings kept before "default.krdemo" is replaced
  std::string demo_file;  // record into this file instead of "default.krdemo"
  // The player's bike; without it the setup items' current values.
  const SetupValues* player = nullptr;
};

// False when the track does not load (the previous track is then freed).
bool session_setup(const SessionRequest& request);
// The player back at the gate before the lap line, with no ghosts.
void restart_time_trial();
// Tears the session down: its bikes and recordings.
void free_session();
// Releases the loaded track and the lines that belong to it.
void free_track();
// --warp: the next race with the lineup rotated by one.
void rotate_lineup_and_restart();

// The memory the process may use, as a log line (nothing is locked).
void log_memory_range();
