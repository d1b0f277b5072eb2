#include "app/loop_parts.h"

#include "app/configured_settings.h"
#include "app/screenshots.h"
#include "config/binding_capture.h"
#include "core/cameras.h"
#include "core/frame_step.h"
#include "core/session.h"
#include "core/session_setup.h"
#include "core/session_sound.h"
#include "demo/demo.h"
#include "editor/editor.h"
#include "net/client.h"
#include "platform/messages.h"
#include "render/render.h"
#include "track/track.h"
#include "ui/menus.h"

namespace {

void screenshot_now() { take_screenshot(app().loop.next_screenshot); }

DrawnView drawn(ViewMode view) {
  switch (view) {
    case RiderView: return DrawnView::Rider;
    case EditorView: return DrawnView::Editor;
    case OrbitCamera: return DrawnView::Orbit;
    case TrackCamera: return DrawnView::TrackCamera;
    case TitleView: return DrawnView::Title;
  }
  return DrawnView::Title;
}

void draw_view(ViewMode view, bool draw_hud) { render_view(drawn(view), draw_hud); }

void orbit_step(const double* sums) { orbit_camera_step(cameras().orbit, sums); }

// The watched bike as the cameras see it; without one, the middle of the
// track.
CameraTarget watched_target() {
  CameraTarget t;
  const LoopState& loop = app().loop;
  const Bike* b = slot_bike(loop.watched_slot);
  if (!b) {
    t.position[0] = t.position[2] = current_track().terrain.world_size / 2;
    return t;
  }
  const dReal* p = dBodyGetPosition(b->body[kBodyFrame]);
  const dReal* r = dBodyGetRotation(b->body[kBodyFrame]);
  const dReal* v = dBodyGetLinearVel(b->body[kBodyFrame]);
  for (int i = 0; i < 3; ++i) {
    t.position[i] = p[i];
    t.velocity[i] = v[i];
    for (int j = 0; j < 3; ++j) t.rotation[3 * i + j] = r[4 * i + j];
  }
  t.gates_passed = current_session().slots[loop.watched_slot].timing.gates_passed;
  return t;
}

void track_step(const double* sums) {
  track_camera_step(cameras(), current_track(), watched_target(), app().loop.paused, sums, field_of_view_setting());
}


}  // namespace

const LoopParts& game_loop_parts() {
  static const LoopParts parts = {
      .track_loaded = track_loaded,
      .slot_has_bike = slot_has_bike,
      .slot_is_live = slot_is_live,
      .slot_has_sound = slot_has_sound,
      .rider_hidden = rider_hidden,
      .step_count = step_count,
      .race_start_step = race_start_step,
      .frame_step = frame_step,
      .set_rider_input = set_player_input,
      .clutch_engagement = player_clutch_engagement,
      .time_trial_running = time_trial_running,
      .restart_time_trial = restart_time_trial,
      .leader_finished = leader_finished,
      .rotate_lineup = rotate_lineup_and_restart,
      .neighbour_slot = neighbour_in_race_order,
      .orbit_camera_step = orbit_step,
      .track_camera_step = track_step,
      .track_camera_count = track_camera_count,
      .seek_demo = seek_demo,
      .connected = server_connected,
      .warmup = server_warmup,
      .server_latest_step = server_latest_step,
      .first_server_step_arrived = first_server_step_arrived,
      .network_step = network_step,
      .setup_projection = setup_projection,
      .render_view = draw_view,
      .draw_overlays = draw_overlays,
      .draw_text_row = draw_centred_text_row,
      .finish_gl = finish_gl,
      .write_video_frame = write_video_frame,
      .take_screenshot = screenshot_now,
      .terrain_update = terrain_incremental_update,
      .hide_oldest_message = hide_oldest_message_line,
      .draw_menus = draw_menus,
      .menu_key = menu_handle_key,
      .menu_select_under_pointer = menu_select_under_pointer,
      .update_engine_sound = update_slot_sound,
      .listen_at = listen_at_bike,
      .capture_active = binding_capture_active,
      .capture_cancel = cancel_binding_capture,
      .capture_key = capture_key_binding,
      .editor_step = editor_step,
      .editor_key = editor_handle_key,
      .leave_editor = leave_editor,
  };
  return parts;
}

LoopParts idle_loop_parts() {
  return {
      .track_loaded = [] { return false; },
      .slot_has_bike = [](int) { return false; },
      .slot_is_live = [](int) { return false; },
      .slot_has_sound = [](int) { return false; },
      .rider_hidden = [](int) { return false; },
      .step_count = [] { return 0; },
      .race_start_step = [] { return 0; },
      .frame_step = [] {},
      .set_rider_input = [](int, const RiderInput&) {},
      .clutch_engagement = [](int) { return 1.0; },
      .time_trial_running = [] { return false; },
      .restart_time_trial = [] {},
      .leader_finished = [] { return false; },
      .rotate_lineup = [] {},
      .neighbour_slot = [](int slot, int) { return slot; },
      .orbit_camera_step = [](const double*) {},
      .track_camera_step = [](const double*) {},
      .track_camera_count = [] { return 0; },
      .seek_demo = [](double) {},
      .connected = [] { return false; },
      .warmup = [] { return false; },
      .server_latest_step = [] { return 0; },
      .first_server_step_arrived = [] { return false; },
      .network_step = [] {},
      .setup_projection = [](int, int) {},
      .render_view = [](ViewMode, bool) {},
      .draw_overlays = [] {},
      .draw_text_row = [](int, const char*) {},
      .finish_gl = [] {},
      .write_video_frame = [](FILE*, int, int) {},
      .take_screenshot = [] {},
      .terrain_update = [](int) {},
      .hide_oldest_message = [] { return false; },
      .draw_menus = [](int) {},
      .menu_key = [](int, int) {},
      .menu_select_under_pointer = [](int, int*) {},
      .update_engine_sound = [](int, double) {},
      .listen_at = [](int) {},
      .capture_active = [] { return false; },
      .capture_cancel = [] {},
      .capture_key = [](int) { return false; },
      .editor_step = [] {},
      .editor_key = [](int, bool) { return false; },
      .leave_editor = [] {},
  };
}
