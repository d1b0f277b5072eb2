#include "core/loop_parts.h"

#include "core/app_state.h"
#include "core/configured_settings.h"
#include "core/pending_parts.h"
#include "core/screenshots.h"

namespace {
void screenshot_now() { take_screenshot(app().loop.next_screenshot); }
}  // namespace

const LoopParts& game_loop_parts() {
  static const LoopParts parts = {
      track_loaded,
      slot_has_bike,
      slot_is_live,
      server_connected,
      server_warmup,
      spy_mode,
      track_camera_count,
      binding_capture_active,
      cancel_binding_capture,
      capture_key_binding,
      menu_handle_key,
      editor_handle_key,
      frame_step,
      seek_demo,
      neighbour_in_race_order,
      screenshot_now,
      leave_editor,
  };
  return parts;
}
