// The loaded track: its ground, objects, gates, cameras and lighting, and
// the identity digest that multiplayer compares with the server's.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "track/track_assets.h"
#include "track/billboards.h"
#include "track/cameras.h"
#include "track/flaggers.h"
#include "track/lighting.h"
#include "track/statues.h"
#include "track/terrain.h"
#include "track/timing_gates.h"

// Roost particles each draw their dirt clump through one of these spare
// billboards, created first so they are indices 0..kRoostBillboards-1.
constexpr int kRoostBillboards = 2000;

struct Track {
  std::string folder;  // as chosen by the player or the server
  std::string title;
  Terrain terrain;
  Lighting lighting;
  TimingGates gates;
  std::vector<Billboard> billboards;
  // Two entries per billboard: the scene's index list and its sort scratch.
  std::vector<uint32_t> billboard_sort;
  std::vector<Statue> statues;
  StatueGrid statue_grid;
  Flaggers flaggers;
  TextureId map_texture = 0;
  TrackCameras cameras;
  uint8_t track_digest[20] = {};
  bool model_shaders = false;  // statues look for normal and specular maps
};

// The one track of the running program.
Track& current_track();

// The first line of "@<folder>/desc" (up to a CR, LF or NUL); false when
// the folder has no "desc".
bool track_desc_title(const char* folder, std::string& title);

// Looks a folder up in the track list built at start-up; false when the
// folder is not listed. By default the first line of "@<folder>/desc".
using TrackTitleLookup = bool (*)(const char* folder, std::string& title);
void track_set_title_lookup(TrackTitleLookup lookup);
// Extra log lines at 1 ("--debug") and above.
void track_set_debug_level(int level);
int track_debug_level();
// The ground method that terrain_load is given (the rendering setting).
void track_set_terrain_method(int method);

// Loads every file of the folder in track.folder. Returns 1, or 0 when the
// ground cannot be loaded (folder and title are then cleared).
int track_load(Track& track);
// Releases everything track_load created.
void track_unload(Track& track);

// The ground under (x, z) (0 before a ground is loaded) and the field's
// extent.
float track_ground_height(const Track& track, float x, float z);
float track_world_size(const Track& track);
