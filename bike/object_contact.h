// The bike against the track's objects: statues and starting gates, each a
// set of spheres on a body, or on nothing for an object that never moves.
#pragma once
#include <ode/ode.h>

#include <vector>

struct Bike;
struct CollisionShape;
struct KnockoutTable;
struct Statue;
struct Track;

// The bike's two tyres and its frame, fork upper, fork lower, swingarm and
// rider shapes against the spheres of one object placed at `position` with
// `rotation` (ODE's 3 x 4 layout). Every touch becomes a contact joint
// between the bike's part and the object's body (none: the static world).
// A rider whose shape hits it faster than 20 ft/s (relative to its body)
// is thrown off. Returns the bike's part bits that touched.
unsigned bikeObjectContact(Bike& bike, const CollisionShape& shape, dBodyID body, const dReal* position,
                           const dReal* rotation, const KnockoutTable* knockout);

// The statue's placement as a pose: its position, and its axes as the
// columns of the rotation.
void statue_pose(const Statue& statue, dVector3 position, dMatrix3 rotation);

// The bike against every statue with a shape in the object grid's cells
// within 6 ft of its frame, in index order; statues have no bodies. A
// statue touched gets `step` as its entry in statue_touched_step (the
// session's; grown to the statue count with -1 when shorter). Returns the
// bike's part bits that touched any.
unsigned bike_statues_contact(Bike& bike, const Track& track, std::vector<int>& statue_touched_step, int step,
                              const KnockoutTable* knockout);
