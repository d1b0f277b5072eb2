// The race session: the slot table, the bikes of the occupied slots, the
// race clock and the session's random generator. A session lives from one
// set-up to the next; the track it races on is the track loader's.
#pragma once
#include <array>
#include <random>
#include <string>
#include <vector>

#include "bike/bike.h"
#include "bike/crash.h"
#include "bike/roost.h"
#include "bike/physics_world.h"
#include "bike/rider_input.h"
#include "core/slot_table.h"
#include "core/start_gates.h"
#include "platform/units.h"
#include "race/race_record.h"
#include "robot/lines.h"
#include "robot/personalities.h"
#include "robot/robot_state.h"

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
  BikePtr bike;
  BikeTiming timing;
  RobotState robot;
  std::string number, name;  // plate and rider
  std::string model;         // the bike model asked for (after the aliases)
  int roster_row = -1;       // the robot's row of the roster
  GridPlace grid;            // where it was placed
  int crash_count = 0;       // the bike's count when the crash mark was last set
};

struct Session {
  std::array<SessionSlot, kSlotCount> slots;
  RaceRecord race;      // race_step is the step count
  std::mt19937 random;  // seeded from the step count at each set-up
  std::array<int, kRosterSize> roster_order{};
  int roster_used = 0;
  bool time_trial = false;
  bool practice = false;  // every robot a tester
  int watched_slot = 0;
  int erosion = 0;        // 0..100
  // Roost: particles per hundred steps of each roost entry (0 none), and
  // their pool with its own generator.
  int roost_density = 0;
  RoostPool roost;
  // The ground's lowest height as loaded: the scale of every state record
  // (ruts must not shift replayed heights).
  double lowest_height = 0;
  // Robot lines: the file in use (-1 none), and whether races teach them.
  int line_skill = -1;
  bool learn = false;
  LineTable lines;
  // Time trial: best and last lap, steps (0 none).
  int best_lap = 0, last_lap = 0;
  // Per-race state of the track's objects: the step a bike last touched
  // each statue (-1 never), where fallen riders are heading, the gates.
  std::vector<int> statue_touched_step;
  std::vector<int> down_rider_gates;
  StartGates start_gates;
  // Extra steps off the bike for the n-th crash, set by a race server.
  KnockoutTable knockout;
  // The occupied slots, in slot order, for the race rules.
  std::vector<RaceRider> riders;
};

Session& current_session();
// The one physics world, from start-up to shutdown.
PhysicsWorld& physics_world();

// The slot table before a set-up: all empty, or slot 0 a robot.
void empty_slots(bool robot_in_first_slot);
SlotKinds& slot_table();

// Results and learned lines written at shutdown.
void save_race_records();

bool track_loaded();
bool slot_has_bike(int slot);
Bike* slot_bike(int slot);
// The slot holds the local player's own bike, simulated from the controls.
bool slot_is_live(int slot);
bool slot_has_sound(int slot);
// A bike that is not drawn (absent, faded out).
bool rider_hidden(int slot);
int step_count();
int race_start_step();
bool leader_finished();
bool time_trial_running();
// The previous (-1) or next (+1) bike in the race order, clamped.
int neighbour_in_race_order(int slot, int direction);
// Rebuilds the race rules' list of occupied slots.
void refresh_race_riders(Session& s);

// The watched player's inputs to his bike, and the clutch engagement the
// lever's rate limit starts from.
void set_player_input(int slot, const RiderInput& input);
double player_clutch_engagement(int slot);
