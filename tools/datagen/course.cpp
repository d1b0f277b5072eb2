// Placeholder plan until the real courses are shaped: one flat track.
#include "tools/datagen/course.h"

double GeneratedTrack::height_at(double, double) const { return 0.0; }

const std::vector<GeneratedTrack>& generated_tracks() {
  static const std::vector<GeneratedTrack> tracks = [] {
    GeneratedTrack t;
    t.folder = "rabbithill";
    t.title = "Rabbit Hill";
    t.exponent = 4;
    t.spacing = 2.0;
    t.size = 33;
    t.heights.assign(33 * 33, 0.0f);
    return std::vector<GeneratedTrack>{t};
  }();
  return tracks;
}
