// The per-bike step that runs after each world step and prepares the
// forces, motors and temporary joints of the next one.
#pragma once

struct Bike;
struct KnockoutTable;

// Skipped for a bike that takes no part in the simulation. `step` counts
// the steps of the run from 0. The knockout table (none: no extra steps)
// sets how long a crash in this step keeps the rider off.
void bike_step(Bike& bike, int step, const KnockoutTable* knockout = nullptr);

// The rider mass held at its seat by two springs, forward and vertical,
// each a contact joint between the rider mass and the frame for one step;
// none while the rider is off the bike.
void rider_springs(Bike& bike);

// Cancels whatever net force and torque the six joints put on the bike as
// a whole in the last world step, so that joint error cannot push it about.
// Not during the first two steps of a run or while the rider is off.
void joint_force_correction(Bike& bike, int step);
