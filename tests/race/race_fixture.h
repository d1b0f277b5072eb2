// A small course for the race rule tests: five checkpoints 100 ft apart
// along x, all crossed towards +x, radius 10. The first lap is c1 c2 c0
// (race gates 0..2, the finish line at 2); every later lap is c1 c2 c3 c4
// c0 (5 gates; c3 is marked). Riders are moved by putting their front
// wheel on a race gate's centre.
#pragma once
#include <deque>
#include <vector>

#include "race/gate_crossing.h"
#include "race/laps.h"
#include "race/race_record.h"
#include "race/standings.h"
#include "track/timing_gates.h"

inline TimingGates small_gates() {
  TimingGates g;
  for (int k = 0; k < 5; ++k) {
    Checkpoint c;
    c.position[0] = 100.0f * k;
    c.position[1] = 2.0f * k;
    c.direction[0] = 1;
    c.radius = 10;
    g.checkpoints.push_back(c);
  }
  g.first_lap = {1, 2, 0};
  g.normal_lap = {1, 2, kMarkedGate + 3, 4, 0};
  g.first_lap_real = 3;
  g.normal_lap_real = 4;
  return g;
}

struct SmallRace {
  TimingGates gates = small_gates();
  RaceRecord race;
  std::deque<BikeTiming> bikes;  // stable addresses for the riders
  std::vector<RaceRider> riders;

  // Riders in slots 0..count-1 unless slots are given.
  explicit SmallRace(int count = 1, int time_limit_steps = 0, int laps = 5, int start_step = 0,
                     std::vector<int> slots = {}) {
    race_reset(race, time_limit_steps, laps, start_step);
    for (int k = 0; k < count; ++k) {
      bikes.emplace_back();
      riders.push_back({slots.empty() ? k : slots[k], &bikes.back()});
    }
  }
  BikeTiming& bike(int k) { return bikes[k]; }
  int slot(int k) const { return riders[k].slot; }

  // The centre of race gate g, moved along its direction, sideways and up.
  void gate_point(int g, double out[3], double along = 0, double side = 0, double up = 0) const {
    const Checkpoint& c = race_gate_checkpoint(gates, g);
    out[0] = c.position[0] + along;
    out[1] = c.position[1] + up;
    out[2] = c.position[2] + side;
  }
  // Rider k's wheel at a point at `step`.
  GateCrossing wheel_at(int k, int step, const double wheel[3]) {
    race.race_step = step;
    return check_gates(race, gates, riders, slot(k), wheel);
  }
  GateCrossing ride(int k, int g, int step, double along = 0, double side = 0, double up = 0) {
    double w[3];
    gate_point(g, w, along, side, up);
    return wheel_at(k, step, w);
  }
  // Rider k through race gates from..to, one every `every` steps after
  // `step`; returns the step of the last.
  int ride_through(int k, int from, int to, int step, int every) {
    for (int g = from; g <= to; ++g) ride(k, g, step += every);
    return step;
  }
};

// Timing with these gate steps (kNoStep for a missed gate), past all of them.
inline BikeTiming timing_with(std::vector<int> steps) {
  BikeTiming t;
  t.gates_passed = static_cast<int>(steps.size());
  t.gate_steps = std::move(steps);
  return t;
}
