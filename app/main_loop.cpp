#include "app/main_loop.h"

#include "app/configured_settings.h"
#include "app/event_dispatch.h"
#include "platform/audio.h"
#include "platform/event_queue.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/window.h"

namespace {

constexpr int kTextRows = 30;
constexpr int kTerrainWorkBudget = 8000;
constexpr double kMessageLineSeconds = 5;

void render_frame(App& a, const LoopParts& parts) {
  int width = 0, height = 0;
  const WindowDriver& window = window_driver();
  if (!window.begin_frame(&width, &height)) return;
  LoopState& loop = a.loop;
  const CommandLine& o = a.options;
  if (windowed_mode()) store_window_size(width, height);
  parts.setup_projection(width, height);
  parts.render_view(loop.view, o.draw_hud);
  if (o.draw_hud) parts.draw_overlays();
  if (o.record_video && !loop.paused && loop.view != TitleView) parts.write_video_frame(stdout, width, height);
  if (loop.paused && o.draw_paused) parts.draw_text_row(1, "Paused");
  if (parts.slot_is_live(loop.watched_slot) && parts.connected() && parts.warmup()) {
    parts.draw_text_row(kTextRows - 2, "Warmup mode - collisions disabled");
  }
  if (loop.menu >= 0) parts.draw_menus(loop.menu);
  if (o.glfinish) parts.finish_gl();
  window.end_frame();
}

void update_engine_sounds(const LoopState& loop, const LoopParts& parts) {
  if (!tarn_audio_open()) return;
  // Until the scene's camera exists the listener rides with the watched bike.
  parts.listen_at(loop.watched_slot);
  bool live = parts.slot_is_live(loop.watched_slot);
  double base = engine_base_volume(loop.paused, loop.view, loop.menu >= 0, live) * volume_setting() * 0.1;
  double others = base * competitor_volume_setting() * 0.1;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!parts.slot_has_bike(slot) || !parts.slot_has_sound(slot)) continue;
    double volume = 0;
    if (!parts.rider_hidden(slot)) volume = slot == loop.watched_slot ? base : others;
    parts.update_engine_sound(slot, volume);
  }
  tarn_audio().update();
}

void read_pointer_for_menu(LoopState& loop, const LoopParts& parts) {
  bool moved = false, left_held = false;
  input_driver().read_pointer(&moved, &left_held);
  if (loop.menu < 0 || !moved) return;
  if (left_held) {
    parts.menu_key(loop.menu, kPointerDragKey);
  } else if (!parts.capture_active()) {
    parts.menu_select_under_pointer(loop.menu, &loop.menu_item);
  }
}

// Hands the action sums to the watched bike, or to the camera when the
// player only watches.
void apply_controls(App& a, const LoopParts& parts, const double sums[kActionCount], SitToggle& sit) {
  LoopState& loop = a.loop;
  int slot = loop.watched_slot;
  if (parts.slot_is_live(slot) && parts.slot_has_bike(slot)) {
    if (parts.time_trial_running() && time_trial_abort_setting() && sums[BackUpAction] > 0.5) {
      parts.restart_time_trial();
    }
    parts.set_rider_input(slot, rider_controls(sums, control_options(), sit, parts.clutch_engagement(slot)));
  } else if (loop.view == OrbitCamera) {
    parts.orbit_camera_step(sums);
  } else if (loop.view == TrackCamera) {
    parts.track_camera_step(sums);
  }
}

}  // namespace

double engine_base_volume(bool paused, ViewMode view, bool menu_open, bool watched_live) {
  if (paused || view == EditorView) return 0;
  if (!menu_open) return 1;
  return watched_live ? 0 : 0.25;
}

void run_one_step(App& a, LoopContext& context) {
  const LoopParts& parts = *context.parts;
  LoopState& loop = a.loop;
  ControlState* controls = control_states();
  loop.simulated_time += kStep;
  // The step stands for a moment behind the present by what is still to be
  // simulated; it takes the events stamped up to then.
  double now = context.clock->now(context.clock->context);
  double moment = now - (loop.target_time - loop.simulated_time);

  sync_controls_from_bindings(controls);
  InputEvent event;
  while (moment < now ? next_event_until(moment, &event) : next_event(&event)) {
    dispatch_event(loop, a.options, parts, controls, event);
  }
  const InputDriver& input = input_driver();
  if (parts.capture_active()) input.watch_axes_for_capture();
  for (int i = 0; i < kPlayerControlCount; ++i) {
    ControlState& c = controls[i];
    if (c.axis) c.value = axis_value(input.read_axis(c.axis), c.low, c.high);
  }
  double sums[kActionCount];
  sum_actions(controls, sums);

  bool connected = parts.connected();
  bool live = parts.slot_is_live(loop.watched_slot);
  if (loop.menu >= 0 && live && !connected) return;  // the ride is frozen under a menu
  if (loop.view == EditorView) {
    parts.editor_step();
    if (!connected) return;
    loop.paused = false;
  } else {
    if (loop.menu < 0 && loop.view != TitleView) apply_controls(a, parts, sums, context.sit);
    if (connected) loop.paused = false;
  }
  parts.network_step();
  if (!parts.track_loaded()) loop.view = TitleView;
  if (loop.paused || loop.view == TitleView || (connected && !parts.first_server_step_arrived())) return;
  parts.frame_step();
  if (context.audio_recording) {
    size_t bytes = 0;
    if (const uint8_t* samples = tarn_audio().read_back(&bytes)) std::fwrite(samples, 1, bytes, context.audio_recording);
  }
}

void run_frame(App& a, LoopContext& context) {
  const LoopParts& parts = *context.parts;
  LoopState& loop = a.loop;
  fix_view_mode(loop, parts);
  render_frame(a, parts);
  update_engine_sounds(loop, parts);

  bool connected = parts.connected();
  PacingSettings pacing{connected, a.options.lock_fps, a.options.warp};
  double advance = pace_frame(loop.frames, pacing, *context.clock);
  if (connected) advance = follow_server(advance, parts.server_latest_step(), parts.step_count(), parts.race_start_step());
  loop.target_time += advance;
  loop.game_clock += advance;
  read_pointer_for_menu(loop, parts);

  while (loop.simulated_time < loop.target_time && !quit_requested()) run_one_step(a, context);

  if (a.options.warp && parts.track_loaded() && parts.leader_finished()) parts.rotate_lineup();
  if (loop.view != TitleView) {
    parts.terrain_update(kTerrainWorkBudget);
    if (loop.game_clock > loop.message_expiry && parts.hide_oldest_message()) {
      loop.message_expiry = loop.game_clock + kMessageLineSeconds;
    }
  }
}

void run_main_loop(App& a, FILE* audio_recording) {
  LoopContext context{&game_loop_parts(), &platform_pacing_clock(), audio_recording, SitToggle()};
  while (!quit_requested()) run_frame(a, context);
  if (a.debug_level > 0) tarn_log("Left the main loop\n");
}
