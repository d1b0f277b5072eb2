// Flag marshals: the start flagger who waves the race off, the finish
// flagger who shows the lap board and the course flaggers who warn of
// fallen riders. Each is a billboard whose texture changes with the race.
#pragma once
#include <vector>

#include "track/track_assets.h"

struct Track;

struct StartFlagger {
  int billboard = -1;  // -1: the track has no flaggers
  float p0[3] = {0, 0, 0}, p1[3] = {0, 0, 0};
  float height = 0, aspect = 0;
  float duration = 1.0f;  // d: the walk from P0 to P1, seconds
  TextureId textures[5] = {};
};

struct FinishFlagger {
  int billboard = -1;
  float height = 0, aspect = 0;
  TextureId textures[4] = {};
};

struct CourseFlagger {
  int billboard = -1;
  TextureId texture_a = 0, texture_b = 0;
  int checkpoints[4] = {-1, -1, -1, -1};
};

struct Flaggers {
  StartFlagger start;
  FinishFlagger finish;
  std::vector<CourseFlagger> course;
};

void flaggers_read(Track& track, const char* path);

// What the flaggers look at each frame.
struct FlaggerRace {
  double start_time = 0;  // race start, seconds
  double now = 0;         // current time, seconds
  int leader_laps = 0;    // laps the leader has completed
  int total_laps = 1000000;
  int halfway_lap = 1000000;
  // The checkpoint each fallen rider must pass next.
  std::vector<int> down_rider_gates;
};

// Sets every flagger's texture and the start flagger's position.
void flaggers_update(Track& track, const FlaggerRace& race);
