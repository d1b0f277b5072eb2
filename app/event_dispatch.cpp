#include "app/event_dispatch.h"

#include <algorithm>

#include "app/configured_settings.h"

namespace {

bool is_key_of(const ControlState* controls, Control control, int code) {
  return controls[control].key_code != 0 && controls[control].key_code == code;
}

// Keys acting when no menu is open, in their order of precedence.
void dispatch_global(LoopState& loop, const CommandLine& options, const LoopParts& parts,
                     const ControlState* controls, const InputEvent& event) {
  const int code = event.code;
  const bool press = event.pressed;
  if (press && is_key_of(controls, ChatControl, code) && loop.view != EditorView) {
    loop.menu = kChatMenu;
    loop.menu_item = 0;
    return;
  }
  if (loop.view == TitleView) return;
  if (loop.view == EditorView && parts.editor_key(code, press)) return;
  if (!press) return;
  if (is_key_of(controls, PauseControl, code)) {
    if (!parts.connected()) loop.paused = !loop.paused;
  } else if (is_key_of(controls, StepControl, code)) {
    if (loop.paused) parts.frame_step();
  } else if (code == kTabCharacter) {
    if (loop.view == EditorView) parts.leave_editor();
    loop.view = next_view(loop.view, options.editor);
  } else if (is_key_of(controls, RewindControl, code)) {
    parts.seek_demo(-1);
  } else if (is_key_of(controls, SkipControl, code)) {
    parts.seek_demo(+1);
  } else if (is_key_of(controls, PreviousBikeControl, code) || is_key_of(controls, NextBikeControl, code)) {
    bool allowed = !parts.slot_is_live(loop.watched_slot) || parts.warmup() || spy_mode();
    if (allowed) {
      int direction = is_key_of(controls, NextBikeControl, code) ? +1 : -1;
      loop.watched_slot = parts.neighbour_slot(loop.watched_slot, direction);
    }
  } else if (is_key_of(controls, ScreenshotControl, code)) {
    if (loop.view != EditorView) parts.take_screenshot();
  } else if (code >= kDigitZero && code <= kDigitZero + 9) {
    loop.track_camera = track_camera_for_digit(code - kDigitZero, parts.track_camera_count());
  }
}

}  // namespace

void dispatch_event(LoopState& loop, const CommandLine& options, const LoopParts& parts,
                    ControlState* controls, const InputEvent& event) {
  const int code = event.code;
  press_analog_key(controls, code, event.pressed);
  if (code == kPointerLeftButton) loop.pointer_drag = event.pressed;
  if (parts.capture_active()) {
    if (!event.pressed) return;
    if (code == kEscKey) {
      parts.capture_cancel();
    } else {
      parts.capture_key(code);
    }
    return;
  }
  if (code == kEscKey && event.pressed) {
    loop.menu = loop.menu < 0 ? 0 : -1;
    loop.menu_item = 0;
    return;
  }
  if (loop.menu >= 0) {
    if (!event.pressed) return;
    parts.menu_key(loop.menu, code);
    if (!parts.track_loaded()) loop.view = TitleView;
    return;
  }
  dispatch_global(loop, options, parts, controls, event);
}

ViewMode next_view(ViewMode mode, bool editor_enabled) {
  switch (mode) {
    case RiderView: return editor_enabled ? EditorView : OrbitCamera;
    case EditorView: return OrbitCamera;
    case OrbitCamera: return TrackCamera;
    case TrackCamera: return RiderView;
    case TitleView: return TitleView;
  }
  return mode;
}

void fix_view_mode(LoopState& loop, const LoopParts& parts) {
  bool track = parts.track_loaded();
  if (loop.view == TitleView && track) loop.view = RiderView;
  if (parts.slot_is_live(loop.watched_slot) && loop.view != EditorView && loop.view != RiderView &&
      loop.view != OrbitCamera) {
    loop.view = RiderView;
  }
  if (loop.view != TitleView && !parts.slot_has_bike(loop.watched_slot)) loop.view = TrackCamera;
  if (!track) loop.view = TitleView;
}

int track_camera_for_digit(int digit, int camera_count) {
  if (digit == 0 || camera_count <= 0) return -1;
  return std::min(digit, camera_count) - 1;
}
