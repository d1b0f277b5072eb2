// Bikes against each other: part by part, sphere by sphere, as contact
// joints for the first pair a bike is in during a step and as direct forces
// for any further pair, so that a pile of bikes never becomes one large
// system for the solver. A bike that rams another with its front end is
// marked by its bump timer.
#pragma once
#include <span>
#include <vector>

struct Bike;
struct Terrain;

// Bike A's seven parts (front wheel, rear wheel, frame, fork upper, fork
// lower, swingarm, rider) against all of B's (B's tyres as tori, the rest
// by their shapes), as contact joints unless A or B already touched a bike
// in this step (`step`), then as forces. With B remote, A's rear wheel,
// frame, swingarm and rider only test against B's front wheel and fork.
// Any touch records the step as both bikes' last (and first) bike contact
// and applies the bump rule. Returns the part bits of B that touched.
unsigned bikeBikeContact(Bike& a, Bike& b, bool b_remote, int step);

// Whether any part of A touches any part of B; nothing is made or marked.
bool bikes_touch(Bike& a, Bike& b);

// The bikes sorted by the speed of their frames, fastest first; equal
// speeds by slot, then by their order given.
void bikes_by_speed(std::vector<Bike*>& bikes);

// Every pair of the bikes once, in speed order, the faster one as A. The
// bikes given are the ones present.
void bikes_contact(std::span<Bike* const> bikes, int step);

// A multiplayer session: only the local bike, as A, against each of the
// others (remote) in speed order. The remote bikes that were touched are
// appended to `touched` (the session wakes them).
void local_bike_contact(Bike& local, std::span<Bike* const> others, int step, std::vector<Bike*>& touched);

// Places the bike as bike_place does and raises it further, in steps of
// 0.25 ft, while it touches any of `others`. False, with a log line, when
// it cannot be placed clear.
bool bike_place_clear_of(Bike& bike, const Terrain& ground, double x, double z, double heading,
                         std::span<Bike* const> others);

// Drops bikes onto one another, each in turn on a spiral around (x, z) and
// turned a little further than the last, raised until it touches neither
// the ground nor those before it. For trying bikes piled in a heap.
bool bikes_place_heap(std::span<Bike* const> bikes, const Terrain& ground, double x, double z, double heading);
