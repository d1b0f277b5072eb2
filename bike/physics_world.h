// The one physics world and its contact joint group, from start-up to
// shutdown.
#pragma once

void create_physics_world();
void destroy_physics_world();
