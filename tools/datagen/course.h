// The shipped tracks as the generator plans them: the ground and the course's
// centre line, shared by the ground generator and the track-object generator.
#pragma once
#include <string>
#include <vector>

// A point of the course centre line in world feet (x, z); y is the ground
// height there. Points run in the direction of travel, a few feet apart.
struct CoursePoint {
  double x = 0, y = 0, z = 0;
  double width = 0;  // course width at this point, feet
};

struct GeneratedTrack {
  std::string folder;  // "rabbithill"
  std::string title;   // first line of "desc"
  int exponent = 0;    // N = 2^exponent tiles per side
  double spacing = 0;  // feet between samples
  int size = 0;        // 2N + 1 samples per side
  float hmin = 0, hmax = 0;
  std::vector<float> heights;  // size * size, row j (z) major: j * size + i
  std::vector<CoursePoint> centre;  // closed loop in the direction of travel
  int start_begin = 0;  // index range of the start straight in `centre`
  int start_end = 0;
  int lap_line = 0;     // index of the finish/lap line in `centre`

  // Height on the checkerboard triangulation at world (x, z).
  double height_at(double x, double z) const;
};

// The planned tracks, built once; the first is the default "rabbithill".
const std::vector<GeneratedTrack>& generated_tracks();
