#include "sound/engine_sound.h"

// Until engines are synthesised they are silent.
void update_engine_sound(int, double) {}
