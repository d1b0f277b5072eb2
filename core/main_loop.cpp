#include "core/main_loop.h"

#include "core/configured_settings.h"
#include "core/controls.h"
#include "core/event_dispatch.h"
#include "core/event_queue.h"
#include "core/frame_pacing.h"
#include "core/loop_parts.h"
#include "core/pending_parts.h"
#include "platform/clock.h"
#include "platform/log.h"

namespace {

constexpr int kTextRows = 30;
constexpr int kTerrainWorkBudget = 8000;
constexpr double kMessageLineSeconds = 5;

void render_frame(App& a) {
  int width = 0, height = 0;
  if (!window_begin_frame(&width, &height)) return;
  LoopState& loop = a.loop;
  const CommandLine& o = a.options;
  if (windowed_mode()) store_window_size(width, height);
  setup_projection(width, height);
  render_view(loop.view, o.draw_hud);
  if (o.draw_hud) draw_overlays();
  if (o.record_video && !loop.paused && loop.view != TitleView) write_video_frame(stdout, width, height);
  if (loop.paused && o.draw_paused) draw_centred_text_row(1, "Paused");
  if (slot_is_live(loop.watched_slot) && server_connected() && server_warmup()) {
    draw_centred_text_row(kTextRows - 2, "Warmup mode - collisions disabled");
  }
  if (loop.menu >= 0) draw_menus(loop.menu);
  if (o.glfinish) finish_gl();
  window_end_frame();
}

void update_engine_sounds(const LoopState& loop) {
  if (!audio_running()) return;
  bool live = slot_is_live(loop.watched_slot);
  double base = engine_base_volume(loop.paused, loop.view, loop.menu >= 0, live) * volume_setting() * 0.1;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!slot_has_bike(slot) || !slot_has_sound(slot)) continue;
    double volume = 0;
    if (!rider_hidden(slot)) volume = slot == loop.watched_slot ? base : base * competitor_volume_setting() * 0.1;
    update_engine_sound(slot, volume);
  }
  audio_frame_update();
}

void read_pointer_for_menu(LoopState& loop, const LoopParts& parts) {
  bool moved = false, left_held = false;
  read_pointer(&moved, &left_held);
  if (loop.menu < 0 || !moved) return;
  if (left_held) {
    parts.menu_key(loop.menu, kPointerDragKey);
  } else if (!parts.capture_active()) {
    menu_select_under_pointer(loop.menu, &loop.menu_item);
  }
}

// Hands the action sums to the watched bike, or to the camera when the
// player only watches.
void apply_controls(App& a, const double sums[kActionCount], SitToggle& sit) {
  LoopState& loop = a.loop;
  int slot = loop.watched_slot;
  if (slot_is_live(slot) && slot_has_bike(slot)) {
    if (time_trial_running() && time_trial_abort_setting() && sums[BackUpAction] > 0.5) restart_time_trial();
    // Reversed steering and sticky sit/dab are bike-setup settings; until
    // the setup is kept both stay off.
    ControlOptions options;
    set_rider_controls(slot, rider_controls(sums, options, sit, bike_clutch_engagement(slot)));
  } else if (loop.view == OrbitCamera || loop.view == TrackCamera) {
    move_camera(loop.view, sums);
  }
}

void run_one_step(App& a, const LoopParts& parts, FILE* audio_recording, SitToggle& sit) {
  LoopState& loop = a.loop;
  ControlState* controls = control_states();
  loop.simulated_time += kStep;
  double now = tarn_seconds();
  double moment = now - (loop.target_time - loop.simulated_time);

  sync_controls_from_bindings(controls);
  InputEvent event;
  while (moment < now ? next_event_until(moment, &event) : next_event(&event)) {
    dispatch_event(loop, a.options, parts, controls, event);
  }
  if (parts.capture_active()) watch_axes_for_capture();
  for (int i = 0; i < kPlayerControlCount; ++i) {
    ControlState& c = controls[i];
    if (c.axis) c.value = axis_value(read_axis(c.axis), c.low, c.high);
  }
  double sums[kActionCount];
  sum_actions(controls, sums);

  bool connected = parts.connected();
  bool live = parts.slot_is_live(loop.watched_slot);
  if (loop.menu >= 0 && live && !connected) return;  // the ride is frozen under a menu
  if (loop.view == EditorView) {
    editor_step();
    if (!connected) return;
    loop.paused = false;
  } else {
    if (loop.menu < 0 && loop.view != TitleView) apply_controls(a, sums, sit);
    if (connected) loop.paused = false;
  }
  network_step();
  if (!parts.track_loaded()) loop.view = TitleView;
  if (loop.paused || loop.view == TitleView || (connected && !first_server_step_arrived())) return;
  parts.frame_step();
  if (audio_recording) append_recorded_audio(audio_recording);
}

void run_frame(App& a, const LoopParts& parts, FILE* audio_recording, SitToggle& sit) {
  LoopState& loop = a.loop;
  fix_view_mode(loop, parts);
  render_frame(a);
  update_engine_sounds(loop);

  bool connected = parts.connected();
  PacingSettings pacing{connected, a.options.lock_fps, a.options.warp};
  double advance = pace_frame(loop.frames, pacing, platform_pacing_clock());
  if (connected) advance = follow_server(advance, server_latest_step(), step_count(), race_start_step());
  loop.target_time += advance;
  loop.game_clock += advance;
  read_pointer_for_menu(loop, parts);

  while (loop.simulated_time < loop.target_time && !quit_requested()) run_one_step(a, parts, audio_recording, sit);

  if (a.options.warp && parts.track_loaded() && leader_finished()) rotate_lineup_and_restart();
  if (loop.view != TitleView) {
    terrain_incremental_update(kTerrainWorkBudget);
    if (loop.game_clock > loop.message_expiry && hide_oldest_message_line()) {
      loop.message_expiry = loop.game_clock + kMessageLineSeconds;
    }
  }
}

}  // namespace

double engine_base_volume(bool paused, ViewMode view, bool menu_open, bool watched_live) {
  if (paused || view == EditorView) return 0;
  if (!menu_open) return 1;
  return watched_live ? 0 : 0.25;
}

void run_main_loop(App& a, FILE* audio_recording) {
  const LoopParts& parts = game_loop_parts();
  SitToggle sit;
  while (!quit_requested()) run_frame(a, parts, audio_recording, sit);
  if (a.debug_level > 0) tarn_log("Left the main loop\n");
}
