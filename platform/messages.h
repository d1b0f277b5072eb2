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
