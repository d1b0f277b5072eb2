#include "core/slot_table.h"

#include <cmath>

#include "core/session.h"
#include "track/timing_gates.h"

int settle_slot_kinds(SlotKinds& kinds, bool demo_ghosts) {
  int first = -1;
  for (int i = 0; i < kSlotCount && first < 0; ++i)
    if (kinds[i] != EmptySlot) first = i;
  int watched = first < 0 ? 0 : first;
  if (first < 0 && !demo_ghosts) kinds[0] = RobotSlot;
  bool human = false;
  for (int i = 0; i < kSlotCount; ++i) {
    if (kinds[i] != HumanSlot) continue;
    if (human) {
      kinds[i] = EmptySlot;
    } else {
      human = true;
      watched = i;
    }
  }
  return watched;
}

GridPlace grid_place(int place, const std::vector<StartSlot>& starts, double world_size) {
  GridPlace g;
  const int n = static_cast<int>(starts.size());
  if (n == 0) {
    g.x = world_size / 2 + 5.0 * place;
    g.z = world_size / 2;
    return g;
  }
  const StartSlot& s = starts[place % n];
  const double back = (place / n + 0.0625) * 10;
  g.angle = s.angle;
  g.x = s.position[0] + std::sin(s.angle) * back;
  g.z = s.position[2] + std::cos(s.angle) * back;
  return g;
}

std::vector<int> server_grid_places(const SlotKinds& kinds, int local_slot, int server_slot, int start_count) {
  std::vector<int> places(kSlotCount, -1);
  const int n = start_count > 0 ? start_count : 1;
  const int local_place = server_slot >= 0 && server_slot < kSlotCount ? server_slot : 0;
  if (local_slot >= 0 && local_slot < kSlotCount) places[local_slot] = local_place;
  int next = n;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (slot == local_slot || kinds[slot] == EmptySlot) continue;
    if (next == local_place) ++next;
    places[slot] = next++;
  }
  return places;
}

