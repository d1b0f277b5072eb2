#include "tools/datagen/course.h"
#include "tools/datagen/datagen.h"

void gen_track_ground(DataSet& ds, const GeneratedTrack& t) {
  ds.write(t.folder + "/terrain.hf", "4 2.0 0.0 0.0\n");
}
