#include <cstdio>
#include <cstring>
#include <string>

#include "shapes/shape.h"
#include "files/data_limits.h"
#include "files/file_stream.h"
#include "files/ripemd160.h"
#include "platform/log.h"
#include "track/track_assets.h"
#include "track/track.h"

namespace {
int g_terrain_method = MethodSoftware;

TrackTitleLookup g_title_lookup = track_desc_title;

// Feeds a file's raw bytes into the digest in 1024-byte chunks; a missing
// file adds nothing. False, after the refusal message, for a file larger
// than any of its kind.
bool digest_file(Ripemd160& digest, const std::string& path, long cap) {
  DataFilePtr f{open_data_file(path.c_str(), "rb")};
  if (!f) return true;
  const bool within = limit_data_file(f.get(), cap);
  char chunk[1024];
  size_t n;
  long total = 0;
  while (within && total <= cap && (n = read_block(f.get(), chunk, sizeof chunk)) > 0) {
    digest.update(chunk, n);
    total += static_cast<long>(n);
  }
  if (within && total <= cap) return true;
  refuse_data_file(path.c_str(), ("larger than " + size_text(cap)).c_str());
  return false;
}

// The cap of each file the digest covers.
long digest_cap(const char* name) {
  if (std::strcmp(name, "terrain.hf") == 0) return kHeightFieldCap;
  if (std::strcmp(name, "terrain.png") == 0) return kImageFileCap;
  if (std::strcmp(name, "tilemap") == 0) return kTileMapCap;
  return kTrackTextCap;
}

void log_texture_memory(const char* when) {
  if (track_debug_level() >= 1) tarn_log("%lu bytes texture memory used after %s\n", asset_ops().texture_memory_used(), when);
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
  if (!read_whole_data_file(("@" + std::string(folder) + "/desc").c_str(), text, kTrackTextCap)) return false;
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
  // A file refused on the way (larger than any of its kind, or named by a
  // track file but no data file) fails the load: the track is hostile.
  const long refused = refused_data_file_count();
  auto refusals = [refused] { return refused_data_file_count() != refused; };
  auto fail = [&t] {
    clear_objects(t);
    terrain_free(t.terrain);
    t.folder.clear();
    t.title.clear();
    return 0;
  };
  // The title as the track list shows it.
  if (!g_title_lookup(t.folder.c_str(), t.title)) t.title = t.folder;
  // A fresh digest and empty object lists.
  Ripemd160 digest;
  clear_objects(t);
  t.billboards.reserve(16);
  t.billboard_sort.reserve(16);
  t.statues.reserve(16);
  t.flaggers.course.reserve(16);
  for (auto& cell : t.statue_grid.cells) cell.reserve(16);

  const std::string folder = "@" + t.folder;
  auto file = [&folder](const char* name) { return folder + "/" + name; };

  // The files that decide how the ground rides.
  for (const char* name : {"terrain.hf", "terrain.png", "texturelist", "tilemap", "tileinfo"})
    if (!digest_file(digest, file(name), digest_cap(name))) return fail();
  if (track_debug_level() >= 1) tarn_log("Loading '%s'\n", folder.c_str());

  // Lighting first: the ground is shaded by it.
  lighting_read(t.lighting, file("lighting").c_str());
  terrain_use_lighting(t.terrain, t.lighting);
  if (refusals() || !terrain_load(t.terrain, folder.c_str(), g_terrain_method)) return fail();
  log_texture_memory("hf creation");

  // Where the rider must go.
  if (!digest_file(digest, file("timing_gates"), kTrackTextCap)) return fail();
  timing_gates_read(t, file("timing_gates").c_str());

  // Spare billboards for roost, then the flaggers.
  for (int i = 0; i < kRoostBillboards; ++i) {
    int b = billboard_add(t, 0, 0, 0, 1, 1, nullptr);
    t.billboards[b].internal = true;
    // At the origin, not on the ground there.
    t.billboards[b].y = 0;
  }
  flaggers_read(t, file("flaggers").c_str());
  log_texture_memory("flagger creation");

  // Billboards, then the statues that the digest covers.
  billboards_read(t, file("billboards").c_str());
  log_texture_memory("billboard creation");
  if (refusals() || !digest_file(digest, file("statues"), kTrackTextCap)) return fail();
  statues_read(t, file("statues").c_str());
  log_texture_memory("statue creation");

  // The map picture, then the object grid over the statues.
  t.map_texture = asset_texture(file("map.png").c_str());
  statue_grid_rebuild(t);

  // Each distinct collision shape once, in statue order.
  std::vector<std::string> digested;
  for (const Statue& s : t.statues) {
    if (!s.shape) continue;
    bool seen = false;
    for (const std::string& d : digested) seen = seen || d == s.shape->file_name;
    if (seen) continue;
    digested.push_back(s.shape->file_name);
    if (!digest_file(digest, s.shape->file_name, kShapeFileCap)) return fail();
  }
  // The digest is complete; cameras do not change the ride.
  digest.finish(t.track_digest);
  cameras_read(t, file("cameras").c_str());
  if (refusals()) return fail();
  return 1;
}

void track_unload(Track& t) {
  tarn_log("Deallocating track\n");
  clear_objects(t);
  terrain_free(t.terrain);
  tarn_log("Finished deallocating track\n");
}
