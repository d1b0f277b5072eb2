#include "config/binding_capture.h"

// Until bindings are resolved against the input devices, no key is bound
// and no capture runs.
void bind_controls() {}
void bind_menu_keys() {}
bool binding_capture_active() { return false; }
void cancel_binding_capture() {}
bool capture_key_binding(int) { return false; }
