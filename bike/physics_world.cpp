#include "bike/physics_world.h"

// The world joins with the bike bodies.
void create_physics_world() {}
void destroy_physics_world() {}
