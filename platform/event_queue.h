// Time-stamped input events waiting for the simulation steps. Event codes:
// 1..255 typed characters (press only), 0x1000 + scan code for keys,
// 0x2000.. mouse buttons.
#pragma once
#include "platform/key_names.h"

struct InputEvent {
  int code = 0;
  bool pressed = false;
  double time = 0;  // seconds on the platform clock
};

constexpr int kEventQueueSize = 256;
constexpr int kEscKey = TARN_KEY_BASE + 0x01;
constexpr int kTabCharacter = 9;
constexpr int kPointerLeftButton = 0x2000;  // "cursor-left"
constexpr int kPointerDragKey = 16;         // sent to a menu while dragging

// Keeps events in stamp order (equal stamps in arrival order); a full
// queue drops the new event and returns false.
bool queue_event(const InputEvent& event);
// The oldest event, if any.
bool next_event(InputEvent* out);
// The oldest event only when it is stamped at or before the moment.
bool next_event_until(double moment, InputEvent* out);
void clear_events();
