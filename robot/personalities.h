// Robot personalities (how a robot plans and starts) and the roster of the
// 80 robot riders a session draws from.
#pragma once
#include <array>
#include <random>
#include <string>

struct Personality {
  const char* name;
  int plan_near;       // plan type while the race is close
  int plan_far;        // plan type while leading by more than lead_limit
  double lead_limit;   // seconds
  double reaction_min; // start reaction, seconds after the gate drops
  double reaction_max;
};

// Index 0 ("empty") is no robot at all.
constexpr int kPersonalityCount = 5;
extern const Personality kPersonalities[kPersonalityCount];
constexpr int kAlder = 1;

// The personality of this name; an unknown one is logged and gives alder.
int personality_index(const char* name);
// The plan type a robot of this personality uses, given its lead over the
// second rider at the last gate both passed (0 or less when not leading).
int personality_plan_type(int personality, double lead_seconds);

struct RosterRow {
  std::string number;  // plate "20" .. "99"
  const char* personality;
  const char* model;  // as the catalogue names it before the model aliases
  // Textures; empty means the default.
  std::string rider_body;
  std::string rider_head;
  std::string bike;
  std::string wheels;
};

constexpr int kRosterSize = 80;
const std::array<RosterRow, kRosterSize>& robot_roster();

// The order robots are taken in: starting from 0..79, for i from 79 down to
// 1, j = (next >> 16) mod i and entries i and j swap, so no entry stays in
// its place.
std::array<int, kRosterSize> roster_shuffle(std::mt19937& random);
