// A bike as a state record and back: what a recorded or received state
// says of a bike's bodies, joints, crash and inputs, and posing the bike
// from it. Ring-driven bikes (demo ghosts, remote riders) are posed from
// their states every step instead of being simulated.
#pragma once
#include "demo/state_record.h"

struct Bike;
struct Terrain;

// The scale of a bike's records: the terrain's extent and its lowest height
// as loaded (ruts must not shift replayed heights), the bike's swingarm and
// fork travel.
StateScale bike_state_scale(const Bike& bike, double extent, double lowest_height);

// The bike's state as it stands.
StateRecord bike_state(const Bike& bike);

// Sets the bodies, joints, crash state, gear, throttle and engine speed
// from a record (version 4 places the rider by its slide byte).
void pose_bike(Bike& bike, const StateRecord& state, int version);

// Every step for a ring-driven bike: the current (interpolated) record and
// the older and newer records around it, n steps apart. An absent bike is
// posed with the velocities the two records imply and kept out of the
// ground; a present (woken) remote bike is pulled toward the record.
void poseFromStates(Bike& bike, const StateRecord& current, const StateRecord& older, const StateRecord& newer,
                    int n, int version, const Terrain& ground);
