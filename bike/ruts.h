// Ruts: where a tyre pushes on the ground hard enough, the ground is dug at
// the contact point and piled up a little further along the push. A bike
// only digs once its frame has gone 10 ft past the spot, so it never rides
// in the rut it is digging.
#pragma once

struct Bike;
struct ErodeValues;
struct Terrain;

// The erosion amount of the game's option: 0 (no ruts) .. 100.
constexpr double kMaxErodeAmount = 100;
// A rut entry waits until the frame is this far away (horizontally, ft).
constexpr double kRutDistance = 10;
// At most this many entries are dug per bike and step.
constexpr int kRutsPerStep = 4;

// How much of a tyre's push counts at a contact slip speed (ft/s): none up
// to the tile's off speed, all from its on speed. A tile whose two speeds
// are equal (or reversed) switches at the off speed.
double erode_speed_factor(const ErodeValues& e, double speed);
// How strongly a push (lbf) digs: 0 up to the tile's lower bound, 1 from
// its upper one; equal bounds switch at the lower one.
double erode_push_factor(const ErodeValues& e, double push);

// Entries waiting in the bike's ring.
int ruts_waiting(const Bike& bike);

// After the world step: for each touching tyre (front first) writes where
// and how hard it pushed on the ground into the bike's ring. Nothing with
// an amount of 0 or less.
void ruts_record(Bike& bike, const Terrain& ground, double amount);
// Digs up to kRutsPerStep entries the frame has left kRutDistance behind,
// oldest first, each as two brush strokes (dig at the point, pile along the
// push) unless the pile would stand too steep above the dig. Returns the
// entries taken from the ring.
int ruts_apply(Bike& bike, Terrain& ground, double amount);

// Each step after the world step, for every bike simulated here: records,
// then applies. `amount` is the erosion amount (clamped to 0..100).
void ruts_cut(Bike& bike, Terrain& ground, double amount);
