// The application's message box, checked allocation with the out-of-memory
// stop, and the list of names kept for the program's life.
#pragma once
#include <cstddef>

// Formats at most 1023 characters, logs it and shows a modal box with one
// OK button through the hook; writes to standard error when there is no
// hook or the hook could not show it.
void message_box(const char* title, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The display layer installs the box; true when the box was shown.
void set_message_box_hook(bool (*show)(const char* title, const char* text));

// Called by the out-of-memory stop before the message box: stop the audio,
// destroy the window. Subsystems register them when they start.
void set_out_of_memory_hooks(void (*stop_audio)(), void (*destroy_window)());

// Stops the audio, destroys the window, shows "Error" / "Out of virtual
// memory" and exits with status 1.
[[noreturn]] void out_of_memory_stop();

// malloc that never returns null: failure is the out-of-memory stop.
void* checked_allocation(size_t size);

// The stored copy of text from the application's list of unique names.
const char* keep_name(const char* text);
