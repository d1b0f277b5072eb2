// The track editor: its per-step work, its keys, and leaving it.
#pragma once

void editor_step();
// True when the editor took the key.
bool editor_handle_key(int code, bool pressed);
// Finishes the terrain update and settles the bikes on the edited ground.
void leave_editor();
