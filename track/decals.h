// Ground decals: pictures laid flat on the ground (the Decal record is the
// terrain's), read from a track's "decals" file while the terrain loads.
#pragma once
#include <vector>

#include "track/terrain.h"

struct DataFile;

// Lines "[ x z ] angle size aspect texture" until one does not match, added
// to the terrain's decal list (which then exists, for the writer). The
// picture is loaded as pixels for the software ground method, else as a
// texture, with "_tnorm"/"_tspec" maps when terrain shaders are in use. A
// decal whose picture does not load is kept but not drawn (texture 0, no
// pixels), so that saving the track does not lose it. A missing file adds
// nothing.
void decals_read(Terrain& terrain, const char* path);
// One "[x z] angle size aspect texture" line per decal. Returns false when a
// write failed.
bool decals_write(DataFile* out, const std::vector<Decal>& decals);
