// Message lines: short notices shown over the view. Any subsystem may post
// one; the console and the renderer read them back.
#pragma once
#include <string>
#include <vector>

// printf-style. A message ending in "\n" is also written to the log.
void show_message(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The most recent messages, oldest first (at most 64 kept).
const std::vector<std::string>& recent_messages();
void clear_messages();
// The lines still shown over the view: the newest messages, since the
// oldest ones were hidden one by one as they expired.
int visible_message_count();
// Hides the oldest visible line; false when none is visible.
bool hide_oldest_message_line();
