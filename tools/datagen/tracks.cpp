// The shipped tracks: ground files, then the track objects, per track.
#include "tools/datagen/course.h"
#include "tools/datagen/datagen.h"

void gen_tracks(DataSet& ds) {
  for (const GeneratedTrack& t : generated_tracks()) {
    ds.write(t.folder + "/desc", t.title + "\n");
    gen_track_ground(ds, t);
    gen_track_objects(ds, t);
  }
}
