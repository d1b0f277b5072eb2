// The race session: the slot table, the bikes of the occupied slots, the
// race clock and the session's random generator. A session lives from one
// set-up to the next; the track it races on is the track loader's.
#pragma once
#include <array>
#include <random>
#include <vector>

#include "bike/physics_world.h"
#include "platform/units.h"

// What a slot of the table asks for.
enum SlotKind {
  EmptySlot = 0,
  HumanSlot = 1,
  RobotSlot = 2,
  TwoStrokeRobotSlot = 3,
  FourStrokeRobotSlot = 4,
  RemoteSlot = 5,
  RosterRobotSlot = 1000,  // + race number
};

// Where a slot's bike takes its motion from.
enum SlotSource {
  LocalPlayerSource = 0,
  ReplayedSource = 1,
  RobotSource = 2,
};

struct SessionSlot {
  int kind = EmptySlot;
  int source = ReplayedSource;  // a slot without a bike counts as replayed
  bool has_bike = false;
};

struct Session {
  std::array<SessionSlot, kSlotCount> slots;
  int step_count = 0;  // the race clock, in steps
  int start_step = 0;  // the gate drop
  std::mt19937 random;  // seeded from the step count at each set-up
  bool time_trial = false;
  // Per-race state of the track's objects: the step a bike last touched
  // each statue (-1 never), and the gates fallen riders are heading for.
  std::vector<int> statue_touched_step;
  std::vector<int> down_rider_gates;
};

Session& current_session();
// The one physics world, from start-up to shutdown.
PhysicsWorld& physics_world();

// The slot table before a set-up: all empty, or slot 0 a robot.
void empty_slots(bool robot_in_first_slot);
// Sets up a race on the selected track: false when the track does not load.
bool session_setup(bool play_demo, bool record_demo, int time_limit_steps, int laps);
// Tears the session down: bikes, voices, recordings.
void free_session();
// Results and learned lines written at shutdown.
void save_race_records();

bool track_loaded();
bool slot_has_bike(int slot);
// The slot holds the local player's own bike, simulated from the controls.
bool slot_is_live(int slot);
bool slot_has_sound(int slot);
// A bike that is not drawn (absent, faded out).
bool rider_hidden(int slot);
int step_count();
int race_start_step();
bool leader_finished();
// --warp: the next race with the lineup rotated by one.
void rotate_lineup_and_restart();
bool time_trial_running();
void restart_time_trial();
// The previous (-1) or next (+1) bike in the race order, clamped.
int neighbour_in_race_order(int slot, int direction);
