// The rules of the slot table that a session set-up follows before any bike
// is made: which slots are kept, which one is watched, and where each slot
// stands on the grid.
#pragma once
#include <array>
#include <vector>

#include "platform/units.h"

struct StartSlot;

using SlotKinds = std::array<int, kSlotCount>;

// Only the first Human slot is kept (later ones become Empty); with no slot
// occupied and no demo ghosts, slot 0 becomes a Robot. Returns the watched
// slot: the first Human, else the first occupied slot (0 when none).
int settle_slot_kinds(SlotKinds& kinds, bool demo_ghosts);

// Where a grid place stands: place m in row m div n at start position
// m mod n, each row 10 ft further back; without start positions, in a line
// across the middle of the field.
struct GridPlace {
  double x = 0, z = 0;
  double angle = 0;  // heading about the up axis; 0 faces -z
};
GridPlace grid_place(int place, const std::vector<StartSlot>& starts, double world_size);

// With the server's slot table: the local player stands at the place of its
// server slot (place 0 until it has one); everyone else from place n on, in
// slot order, skipping the local player's place. places[slot] is -1 for a
// slot that is not occupied.
std::vector<int> server_grid_places(const SlotKinds& kinds, int local_slot, int server_slot, int start_count);

