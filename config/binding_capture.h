// Resolving the control bindings to key codes and input axes, and capturing
// a new binding from the next key or axis moved (Customize Controls).
#pragma once

// Resolves every binding's key name and opens its axis.
void bind_controls();
void bind_menu_keys();
bool binding_capture_active();
void cancel_binding_capture();
// Binds the key when it has a name; false leaves the capture running.
bool capture_key_binding(int code);
