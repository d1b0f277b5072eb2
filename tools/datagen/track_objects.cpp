#include "tools/datagen/course.h"
#include "tools/datagen/datagen.h"

void gen_track_objects(DataSet&, const GeneratedTrack&) {}
