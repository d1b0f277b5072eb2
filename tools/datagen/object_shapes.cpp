// Collision shapes of the start gate and the statues.
#include "tools/datagen/datagen.h"

void gen_object_shapes(DataSet&) {}
