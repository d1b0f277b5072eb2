// krsim track NAME: loads a track exactly as the game does and prints one
// summary line per part.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>

#include "platform/messages.h"
#include "tools/krsim/krsim.h"
#include "track/track.h"

namespace {

const char kUsage[] =
    "usage: krsim track NAME\n"
    "\n"
    "Loads the track folder NAME from the game data exactly as the game does and\n"
    "prints a summary line for each part: ground, tiles, gates and laps, objects,\n"
    "cameras and the identity digest the race server compares. Exits 1 with the\n"
    "loader's messages when the track does not load.\n";

// Length in feet of a lap's path through its gates, closed back to the
// first gate of the normal lap.
double path_length(const TimingGates& g, const std::vector<int>& refs, bool closed) {
  double total = 0;
  size_t n = refs.size();
  for (size_t i = 0; i + 1 < n + (closed ? 1 : 0); ++i) {
    const Checkpoint& a = g.checkpoints[lap_gate(refs[i])];
    const Checkpoint& b = g.checkpoints[lap_gate(refs[(i + 1) % n])];
    total += std::hypot(b.position[0] - a.position[0], b.position[2] - a.position[2]);
  }
  return total;
}

void print_ground(const Terrain& t) {
  std::printf("ground: %.0f x %.0f ft, %d x %d samples at %g ft, heights %.2f .. %.2f ft (relief %.2f ft)\n",
              t.world_size, t.world_size, t.size, t.size, t.spacing, t.hmin, t.hmax, t.hmax - t.hmin);
  // Transition and alternative tiles only blend the ground types.
  int transitions = 0;
  std::string kinds;
  for (int i = 0; i < t.tile_count; ++i) {
    if (t.tile_types[i].tile_code != i * 65536 + i * 256) {
      ++transitions;
      continue;
    }
    std::string name = tile_base_name(t.tile_types[i].texture_name);
    kinds += " " + (name.empty() ? std::string("(none)") : name);
  }
  std::printf("tiles: %d types (%d transitions):%s\n", t.tile_count, transitions, kinds.c_str());
}

void print_gates(const TimingGates& g) {
  std::printf("gates: %zu start slots, %zu checkpoints", g.start_slots.size(), g.checkpoints.size());
  if (!g.checkpoints.empty()) {
    std::printf(", first lap %zu gates %.0f ft, normal lap %zu gates %.0f ft", g.first_lap.size(),
                path_length(g, g.first_lap, false), g.normal_lap.size(), path_length(g, g.normal_lap, true));
  }
  std::printf("\n");
}

void print_objects(const Track& t) {
  size_t placed = 0, with_shape = 0;
  std::set<std::string> shapes;
  for (const Statue& s : t.statues) {
    if (s.start_gate) continue;
    ++placed;
    if (!s.shape_name.empty()) {
      ++with_shape;
      shapes.insert(s.shape_name);
    }
  }
  size_t boards = std::count_if(t.billboards.begin(), t.billboards.end(), [](const Billboard& b) { return !b.internal; });
  std::printf("statues: %zu placed (%zu with collision shapes, %zu distinct shapes), %zu start gates\n", placed,
              with_shape, shapes.size(), t.statues.size() - placed);
  std::printf("billboards: %zu, flaggers: %zu course%s, decals: %zu\n", boards, t.flaggers.course.size(),
              t.flaggers.start.billboard >= 0 ? " + start and finish" : "", t.terrain.decals.size());
  int watched = 0;
  for (int c : t.cameras.gate_camera) watched += c >= 0;
  std::printf("cameras: %zu, watching %d gates\n", t.cameras.cameras.size(), watched);
}

}  // namespace

int krsim_track(const std::vector<std::string>& args) {
  KrsimArgs a("track", kUsage, args);
  std::string name;
  while (a.next()) {
    if (a.help_asked()) return a.help();
    if (a.is_option()) return a.unknown();
    if (!name.empty()) return a.fail("one track at a time ('%s' and '%s')", name.c_str(), a.current().c_str());
    name = a.current();
  }
  if (name.empty()) return a.fail("which track? Give its folder name");

  Track& t = current_track();
  t.folder = name;
  if (!track_load(t)) {
    for (const std::string& m : recent_messages()) std::fprintf(stderr, "%s\n", m.c_str());
    std::fprintf(stderr, "krsim track: '%s' did not load\n", name.c_str());
    return 1;
  }
  std::printf("track: %s \"%s\"\n", t.folder.c_str(), t.title.c_str());
  print_ground(t.terrain);
  print_gates(t.gates);
  print_objects(t);
  std::printf("digest: ");
  for (uint8_t b : t.track_digest) std::printf("%02x", b);
  std::printf("\n");
  for (const std::string& m : recent_messages()) std::fprintf(stderr, "%s\n", m.c_str());
  track_unload(t);
  return 0;
}
