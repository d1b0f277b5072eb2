// Crashes: what throws the rider off his bike, how long he stays off, the
// ropes that keep him near it and pull him back to the seat, and putting
// him back on.
#pragma once
#include <ode/ode.h>

struct Bike;

// A fall keeps the rider off for this many steps (4 s).
constexpr int kCrashSteps = 512;

// Extra steps off the bike for a rider's first, second ... sixteenth and
// later crashes of a race. A race server may set them; they are 0 unless it
// does. The session owns the table and hands it to the contacts and the
// bike steps.
constexpr int kKnockoutEntries = 16;
struct KnockoutTable {
  int extra_steps[kKnockoutEntries] = {};
};
// The extra steps for a bike's crash number `count` (0 the first; later
// crashes take the last entry), held to 0..kMaxKnockoutSteps whatever the
// table holds. 0 without a table.
constexpr int kMaxKnockoutSteps = 1 << 20;
int knockout_steps(const KnockoutTable* table, int count);

// What threw the rider off (CrashState::trigger).
enum CrashTrigger {
  kNoCrash = 0,
  kCrashUpsideDown = 1,         // upside down touching the ground faster than 5 ft/s
  kCrashObject = 2,             // hitting a track object faster than 20 ft/s
  kCrashRiderSpeed = 3,         // moving off his seat faster than 31 ft/s
  kCrashRiderAcceleration = 4,  // accelerated harder than 1376 ft/s^2
};

// A rider can be thrown off only while on his bike and not protected by a
// negative bump timer.
bool crash_possible(const Bike& bike);

// Throws the rider off: the rider mount comes loose, his feet fly on from
// where they were, and the crash timer starts at kCrashSteps plus the
// knockout steps for this crash; the crash count rises. `trigger` is kept
// for whoever reports crashes.
void throwRider(Bike& bike, int trigger, const KnockoutTable* knockout);

// The rider's shape touched the ground: he is thrown off when upside down
// (his body's up axis points down) and moving faster than 5 ft/s. True
// when this threw him off.
bool crash_check_ground(Bike& bike, const KnockoutTable* knockout);
// The rider's shape touched a track object on `object` (0: a static
// object): he is thrown off when his speed relative to it exceeds 20 ft/s.
bool crash_check_object(Bike& bike, dBodyID object, const KnockoutTable* knockout);
// The rider's own motion: thrown off when he moves relative to the frame
// (its velocity at his place) faster than 31 ft/s, or when his
// acceleration over the last four steps, gravity taken out, exceeds
// 1376 ft/s^2. Returns the trigger that threw him off, or kNoCrash.
int crash_check_rider_motion(Bike& bike, const KnockoutTable* knockout);

// The crash part of a bike step: the rider's own motion may throw him off,
// then a rider who is off is held, pulled back and seated.
void crash_step(Bike& bike, const KnockoutTable* knockout);

// One step of a rider who is off his bike (crash timer positive): the
// ropes from his shoulders to the grips while he still moves, the long
// rope that holds a fresh or knocked-out rider behind the bike, his shape
// against his own frame and fork, the timer running down, the ropes that
// pull him back to the seat over the last three seconds, and at 0 the
// seat again. His inputs that need him on the bike are held at 0.
void rider_off_step(Bike& bike);

// Puts the rider back on: the rider mass at its seat with the frame's
// rotation and the frame's motion there, the mount attached, the velocity
// ring filled with that motion.
void rider_reattach(Bike& bike);

// Fills the ring with the rider mass body's current velocity, for a rider
// whose velocity was set outright (a placement at speed, a re-attachment).
void rider_velocities_fill(Bike& bike);

// The settled flag (set once the run is past 2 s and the frame is slower
// than 5 ft/s) and, while it is set, the bump timer returning to 0 by one a
// step. `step` counts the steps of the run from 0.
void settle_step(Bike& bike, int step);

// While the rider is off, his feet go down: the dab amount rises by 8 a
// second up to 1.
void crash_dab_step(Bike& bike);
