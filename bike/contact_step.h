// All of one step's contacts, made before the world step in a fixed order:
// each present bike against the ground and the track's objects near it,
// then the present bikes against each other.
#pragma once
#include <span>
#include <vector>

struct Bike;
struct KnockoutTable;
struct Terrain;
struct Track;

// What the contacts need from the session and the track.
struct ContactScene {
  const Terrain* ground = nullptr;  // none: nothing to stand on
  const Track* track = nullptr;     // its statues and their grid; none: no objects
  // The session's step a bike last touched each statue, by statue index.
  std::vector<int>* statue_touched_step = nullptr;
  const KnockoutTable* knockout = nullptr;  // none: crashes add no steps
  int step = 0;                             // the session's step count
};

// A bike takes part in collisions while its presence is above this.
constexpr float kCollisionPresence = 0.25f;

// For each bike in the order given that takes part (presence above 0.25):
// the ground, then the statues in the grid cells within 6 ft of its frame;
// then every pair of those bikes once, fastest first.
void contacts_step(const ContactScene& scene, std::span<Bike* const> bikes);
