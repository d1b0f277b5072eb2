// A path round a track made from its timing gates alone: a smooth curve
// through the gates in race order, with the speed a rider of a given pace
// would hold along it. The line maker rides it to record the first lines
// of a track that has none.
#pragma once
#include <vector>

#include "robot/lines.h"

struct Terrain;
struct TimingGates;

struct Pace {
  double top_speed = 60;    // ft/s on the straights
  double sideways = 20;     // ft/s^2 of cornering
  double accelerate = 10;   // ft/s^2
  double brake = 16;        // ft/s^2
};
// The pace of a robot skill: 0 novice, 1 amateur, 2 expert.
Pace skill_pace(int skill);

// From (start_x, start_z) through race gate 0 and on for `laps` laps, one
// point every quarter second at the pace's speeds. Empty when the track
// has no gates.
std::vector<LinePoint> course_path(const TimingGates& gates, const Terrain& ground, double start_x, double start_z,
                                   int laps, const Pace& pace);
