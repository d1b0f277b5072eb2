#include <cstdio>
#include <cstring>
#include <string>

#include "shapes/shape.h"
#include "files/file_stream.h"
#include "files/ripemd160.h"
#include "platform/log.h"
#include "render/texture.h"
#include "track/track.h"

namespace {
int g_terrain_method = MethodSoftware;

TrackTitleLookup g_title_lookup = track_desc_title;

// Feeds a file's raw bytes into the digest in 1024-byte chunks; a missing
// file adds nothing.
void digest_file(Ripemd160& digest, const std::string& path) {
  DataFilePtr f{open_data_file(path.c_str(), "rb")};
  if (!f) return;
  char chunk[1024];
  size_t n;
  while ((n = read_block(f.get(), chunk, sizeof chunk)) > 0) digest.update(chunk, n);
}

void log_texture_memory(const char* when) {
  if (track_debug_level() >= 1) tarn_log("%lu bytes texture memory used after %s\n", texture_memory_used(), when);
}

// Everything but the ground and the name, as after track_unload.
void clear_objects(Track& t) {
  t.gates = TimingGates();
  std::vector<Billboard>().swap(t.billboards);
  std::vector<uint32_t>().swap(t.billboard_sort);
  std::vector<Statue>().swap(t.statues);
  for (auto& cell : t.statue_grid.cells) std::vector<int>().swap(cell);
  t.flaggers = Flaggers();
  t.cameras = TrackCameras();
  t.map_texture = 0;
}
}  // namespace

Track& current_track() {
  static Track track;
  return track;
}

void track_set_title_lookup(TrackTitleLookup lookup) { g_title_lookup = lookup ? lookup : track_desc_title; }

bool track_desc_title(const char* folder, std::string& title) {
  std::string text;
  if (!read_whole_data_file(("@" + std::string(folder) + "/desc").c_str(), text)) return false;
  title = text.substr(0, text.find_first_of(std::string("\r\n\0", 3)));
  return true;
}
// One level for the ground and the objects.
void track_set_debug_level(int level) { terrain_options().debug_level = level; }
int track_debug_level() { return terrain_options().debug_level; }
void track_set_terrain_method(int method) { g_terrain_method = method; }

float track_ground_height(const Track& track, float x, float z) {
  if (track.terrain.heights.empty()) return 0;
  return terrain_height_at(track.terrain, x, z);
}

float track_world_size(const Track& track) { return track.terrain.world_size; }

int track_load(Track& t) {
  // 1. Title.
  if (!g_title_lookup(t.folder.c_str(), t.title)) t.title = t.folder;
  // 2.-3. The digest, and the arrays empty.
  Ripemd160 digest;
  clear_objects(t);
  t.billboards.reserve(16);
  t.billboard_sort.reserve(16);
  t.statues.reserve(16);
  t.flaggers.course.reserve(16);
  for (auto& cell : t.statue_grid.cells) cell.reserve(16);

  const std::string folder = "@" + t.folder;
  auto file = [&folder](const char* name) { return folder + "/" + name; };

  // 5. The files that decide how the ground rides.
  for (const char* name : {"terrain.hf", "terrain.png", "texturelist", "tilemap", "tileinfo"})
    digest_file(digest, file(name));
  if (track_debug_level() >= 1) tarn_log("Loading '%s'\n", folder.c_str());

  // 7.-8. Lighting, then the ground lit by it.
  lighting_read(t.lighting, file("lighting").c_str());
  terrain_use_lighting(t.terrain, t.lighting);
  if (!terrain_load(t.terrain, folder.c_str(), g_terrain_method)) {
    clear_objects(t);
    t.folder.clear();
    t.title.clear();
    return 0;
  }
  log_texture_memory("hf creation");

  // 10. Where the rider must go.
  digest_file(digest, file("timing_gates"));
  timing_gates_read(t, file("timing_gates").c_str());

  // 11. Spare billboards for roost, then the flaggers.
  for (int i = 0; i < kRoostBillboards; ++i) {
    int b = billboard_add(t, 0, 0, 0, 1, 1, nullptr);
    t.billboards[b].internal = true;
    // At the origin, not on the ground there.
    t.billboards[b].y = 0;
  }
  flaggers_read(t, file("flaggers").c_str());
  log_texture_memory("flagger creation");

  // 12.-13.
  billboards_read(t, file("billboards").c_str());
  log_texture_memory("billboard creation");
  digest_file(digest, file("statues"));
  statues_read(t, file("statues").c_str());
  log_texture_memory("statue creation");

  // 14.-15.
  t.map_texture = texture_load(file("map.png").c_str());
  statue_grid_rebuild(t);

  // 16. Each distinct collision shape once, in statue order.
  std::vector<std::string> digested;
  for (const Statue& s : t.statues) {
    if (!s.shape) continue;
    bool seen = false;
    for (const std::string& d : digested) seen = seen || d == s.shape->file_name;
    if (seen) continue;
    digested.push_back(s.shape->file_name);
    digest_file(digest, s.shape->file_name);
  }
  // 17.-19.
  digest.finish(t.track_digest);
  cameras_read(t, file("cameras").c_str());
  return 1;
}

void track_unload(Track& t) {
  tarn_log("Deallocating track\n");
  clear_objects(t);
  terrain_free(t.terrain);
  tarn_log("Finished deallocating track\n");
}
