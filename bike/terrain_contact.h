// The bike against the ground: the height field as checkerboard triangles,
// the tyre as a torus with friction, stiffness and rolling resistance from
// the surface's tile type, and the parts' sphere shapes.
#pragma once
#include <ode/ode.h>

#include <vector>

#include "bike/physics_world.h"
#include "bike/torus_distance.h"
#include "bike/vec3.h"
#include "shapes/shape.h"

struct Bike;
struct Terrain;
struct TileType;

// A tyre and the last contact found for it.
struct WheelContact {
  dBodyID body = nullptr;
  Vec3 axle{1, 0, 0};  // body coordinates
  double ring_radius = 0;
  double tube_radius = 0;
  // Rewritten by every contact test; depth 0 when the tyre does not touch.
  Vec3 point, velocity, normal{0, 1, 0};
  double depth = 0;
  // The tyre's contact joint reports into this over the world step; valid
  // when `joined` (a joint was made for this step).
  dJointFeedback feedback{};
  bool joined = false;
};

// A bike's own copy of a part's collision shape, with room for the
// spheres' world-space centres. `loaded` false: the part has no collision.
struct PartShape {
  CollisionShape shape;
  std::vector<Vec3> centres;
  bool loaded = false;
};

// Friction coefficient of the tile type for a slip speed (ft/s): the first
// friction point faster than it, interpolated from the point before in the
// square of the speed.
double tile_friction(const TileType& tile, double slip_speed);
// Rolling resistance (a at no depth, b at full depth) for a ground speed,
// chosen like the friction but linear in the speed.
void tile_roll_resistance(const TileType& tile, double speed, double& a, double& b);

// The ground cells within reach of (x, z), clamped to the field: cells
// i0 <= i < i1, j0 <= j < j1. False (no cells) for a field without cells or
// a point that is not finite.
struct CellRange {
  int i0 = 0, i1 = 0, j0 = 0, j1 = 0;
};
bool ground_cells(const Terrain& ground, double x, double z, double reach, CellRange& out);
// The two triangles of cell (i, j), split along the diagonal its parity
// picks, corners wound so that the normal points up.
void cell_triangles(const Terrain& ground, int i, int j, Triangle3 out[2]);
// A triangle's unit normal by its winding.
Vec3 triangle_normal(const Triangle3& t);

// The tyre's stiffness k and damping c at a depth relative to the tube
// radius (clamped to 1): soft when it just touches, stiffest when the tube
// is squashed flat.
void tyre_spring(double relative_depth, double& k, double& c);

// The deepest touch of the tyre's torus against the ground, stored in the
// contact record. With a world, a contact joint between the wheel and the
// static world is made (mu the tile friction times grip) and the rolling
// resistance is added at the wheel centre. True when the tyre touches.
bool tyreContact(const Terrain& ground, WheelContact& wheel, double grip, PhysicsWorld* world);

// Each sphere of the shape, placed by the rotation and position, against
// the ground; with a body and a world each touching sphere makes a contact
// joint. The world centres are left in part.centres. True when any touches.
bool shapeTerrainContact(const Terrain& ground, PartShape& part, dBodyID body, const dReal* position,
                         const dReal* rotation, PhysicsWorld* world);

// The two tyres, then the frame, fork upper, fork lower, swingarm and rider
// shapes against the ground; ContactUse::Test makes no joints and adds no
// forces, any other use makes contact joints, and a rider who hits the
// ground upside down is thrown off (for as long as the knockout table, if
// any, adds to a crash).
// Returns the part bits that touched (0 for none).
struct KnockoutTable;
unsigned bikeTerrainContact(Bike& bike, const Terrain& ground, ContactUse use,
                            const KnockoutTable* knockout = nullptr);

// A contact normal that points down cannot hold anything up: it becomes
// horizontal when it has a horizontal part, else straight up; unit length.
Vec3 settle_normal(Vec3 n);
