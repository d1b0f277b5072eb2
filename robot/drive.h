// The robots' riding: the start at the gate, and then every step the
// controls that ride the bike along its path: a target speed from the
// path's recorded speeds, an aim point ahead, the lean that turns through
// it, limited by the grip of the ground, slowed for bikes ahead, with the
// steering bringing the lean about and throttle and brakes holding the
// speed. The auto pilot sets only the rider's controls.
#pragma once
#include <random>
#include <vector>

#include "robot/robot_state.h"

struct Bike;
struct Terrain;

// Another bike as the robot sees it.
struct OtherBike {
  double position[3] = {0, 0, 0};
  double velocity[3] = {0, 0, 0};
};

struct DriveContext {
  int race_step = 0;
  int start_step = 0;
  int countdown_steps = 640;
  const Terrain* ground = nullptr;
  const std::vector<OtherBike>* others = nullptr;
  // The start's draws: the session's generator.
  std::mt19937* random = nullptr;
};

// At set-up: the robot waits at the gate.
void robot_start_reset(RobotState& state);

// The start: the hold with throttle blips, the release after the gate drop
// with the clutch let out; true while it runs (the controls are set).
bool robot_start_step(Bike& bike, RobotState& state, const DriveContext& ctx);

// The driving law along the path from path position p (the fractional
// index of the path point nearest the frame).
void robot_ride(Bike& bike, RobotState& state, double p, const DriveContext& ctx);

// The option bits every robot rides with: no wheelies or stoppies, both
// brakes antilock, automatic shifting (not during the start).
void robot_assists(Bike& bike, bool auto_shift);

// The signed radius of the circle through the origin, tangent to the unit
// heading (x, z), through the point (px, pz) relative to the origin:
// positive turning left (towards +x of a heading along -z). A point behind
// gives +-10 ft; a point dead ahead a straight line (a huge radius).
double turning_radius(double hx, double hz, double px, double pz);

// The probe rectangle of a bike: 2 ft to each side, from 4 ft behind it to
// 4 + its speed ft ahead, along its direction of travel (the world axes at
// rest). True when the rectangles of two bikes overlap.
bool probes_overlap(const OtherBike& a, const OtherBike& b);
