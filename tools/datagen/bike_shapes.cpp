// The seven shared bike collision shapes.
#include "tools/datagen/datagen.h"

void gen_bike_shapes(DataSet&) {}
