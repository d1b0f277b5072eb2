// The application's message box, checked allocation with the out-of-memory
// stop, and the list of names kept for the program's life.
#pragma once
#include <cstddef>

// Formats at most 1023 characters and shows a modal box with one OK
// button; writes to standard error when no display can show it.
void message_box(const char* title, const char* format, ...) __attribute__((format(printf, 2, 3)));

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
