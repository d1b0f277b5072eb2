#include "platform/messages.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "platform/log.h"

namespace {
std::vector<std::string> g_messages;
constexpr size_t kKept = 64;
size_t g_visible = 0;
}  // namespace

void show_message(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::string line = text;
  if (!line.empty() && line.back() == '\n') {
    tarn_log("%s", text);
    line.pop_back();
  }
  if (g_messages.size() == kKept) g_messages.erase(g_messages.begin());
  g_messages.push_back(line);
  g_visible = std::min(g_visible + 1, g_messages.size());
}

const std::vector<std::string>& recent_messages() { return g_messages; }

void clear_messages() {
  g_messages.clear();
  g_visible = 0;
}

int visible_message_count() { return static_cast<int>(g_visible); }

bool hide_oldest_message_line() {
  if (g_visible == 0) return false;
  --g_visible;
  return true;
}
