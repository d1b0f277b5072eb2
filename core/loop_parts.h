// What the main loop's input handling asks of the other subsystems, as a
// table of operations: the game fills it with the real calls, tests with
// fakes.
#pragma once

struct LoopParts {
  bool (*track_loaded)();
  bool (*slot_has_bike)(int slot);
  // The slot holds the local player's own bike, simulated from the controls.
  bool (*slot_is_live)(int slot);
  bool (*connected)();
  // Connected, but the server has not given the local player a race slot.
  bool (*warmup)();
  bool (*spy_mode)();
  int (*track_camera_count)();
  // Binding capture (Customize Controls).
  bool (*capture_active)();
  void (*capture_cancel)();
  // Binds the key when it has a name; false leaves the capture running.
  bool (*capture_key)(int code);
  void (*menu_key)(int menu, int code);
  // True when the editor took the key.
  bool (*editor_key)(int code, bool pressed);
  void (*frame_step)();
  void (*seek_demo)(double seconds);
  // The slot of the previous (-1) or next (+1) bike in the race order,
  // clamped at the ends.
  int (*neighbour_slot)(int slot, int direction);
  void (*take_screenshot)();
  // Finishes the terrain update and settles the bikes on the edited ground.
  void (*leave_editor)();
};

// The table of the running game.
const LoopParts& game_loop_parts();
