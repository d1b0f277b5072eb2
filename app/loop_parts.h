// Everything the main loop asks of the other subsystems, as one table of
// operations: the game fills it with the real calls, tests with fakes. The
// loop reaches the session, the network, drawing, menus, sound, the binding
// capture and the editor only through it; the devices it reaches through
// their drivers, and its own settings directly.
#pragma once
#include <cstdio>

#include "app/app_state.h"
#include "bike/rider_input.h"

struct LoopParts {
  // The session and the simulation.
  bool (*track_loaded)();
  bool (*slot_has_bike)(int slot);
  // The slot holds the local player's own bike, simulated from the controls.
  bool (*slot_is_live)(int slot);
  bool (*slot_has_sound)(int slot);
  bool (*rider_hidden)(int slot);
  int (*step_count)();
  int (*race_start_step)();
  void (*frame_step)();
  void (*set_rider_input)(int slot, const RiderInput& input);
  // The bike's present clutch engagement, which the lever's rate limit
  // starts from.
  double (*clutch_engagement)(int slot);
  bool (*time_trial_running)();
  void (*restart_time_trial)();
  bool (*leader_finished)();
  void (*rotate_lineup)();
  // The slot of the previous (-1) or next (+1) bike in the race order,
  // clamped at the ends.
  int (*neighbour_slot)(int slot, int direction);
  void (*orbit_camera_step)(const double sums[kActionCount]);
  void (*track_camera_step)(const double sums[kActionCount]);
  int (*track_camera_count)();
  void (*seek_demo)(double seconds);

  // The multiplayer client.
  bool (*connected)();
  // Connected, but the server has not given the local player a race slot.
  bool (*warmup)();
  int (*server_latest_step)();
  bool (*first_server_step_arrived)();
  void (*network_step)();

  // Drawing.
  void (*setup_projection)(int width, int height);
  void (*render_view)(ViewMode view, bool draw_hud);
  void (*draw_overlays)();
  void (*draw_text_row)(int row, const char* text);
  void (*finish_gl)();
  void (*write_video_frame)(FILE* out, int width, int height);
  void (*take_screenshot)();
  // Spends a budget of work on the ground textures.
  void (*terrain_update)(int budget);
  // Hides the oldest visible message line; false when none is visible.
  bool (*hide_oldest_message)();

  // Menus.
  void (*draw_menus)(int menu);
  void (*menu_key)(int menu, int code);
  void (*menu_select_under_pointer)(int menu, int* item);

  // Engine sound, volume 0..1, heard from where listen_at put the listener.
  void (*update_engine_sound)(int slot, double volume);
  void (*listen_at)(int slot);

  // Binding capture (Customize Controls).
  bool (*capture_active)();
  void (*capture_cancel)();
  // Binds the key when it has a name; false leaves the capture running.
  bool (*capture_key)(int code);

  // The track editor.
  void (*editor_step)();
  // True when the editor took the key.
  bool (*editor_key)(int code, bool pressed);
  // Finishes the terrain update and settles the bikes on the edited ground.
  void (*leave_editor)();
};

// The table of the running game.
const LoopParts& game_loop_parts();
// A table in which every part does nothing: no track, no bike, no
// connection. Tests start from it and replace what they watch.
LoopParts idle_loop_parts();
