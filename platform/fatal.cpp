// Message box, the out-of-memory stop and the application's kept names.
#include "platform/fatal.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <string>

#include "platform/log.h"

namespace {
bool (*g_box)(const char* title, const char* text) = nullptr;
void (*g_stop_audio)() = nullptr;
void (*g_destroy_window)() = nullptr;
// A deque never moves its elements, so the kept texts stay where they are.
std::deque<std::string> g_kept;
}  // namespace

void message_box(const char* title, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  tarn_log("%s: %s%s", title, text, text[0] && text[std::strlen(text) - 1] == '\n' ? "" : "\n");
  // Without a display to show the box on, standard error carries it.
  if (!g_box || !g_box(title, text)) {
    std::fprintf(stderr, "%s: %s", title, text);
    if (!text[0] || text[std::strlen(text) - 1] != '\n') std::fputc('\n', stderr);
  }
}

void set_message_box_hook(bool (*show)(const char* title, const char* text)) { g_box = show; }

void set_out_of_memory_hooks(void (*stop_audio)(), void (*destroy_window)()) {
  g_stop_audio = stop_audio;
  g_destroy_window = destroy_window;
}

void out_of_memory_stop() {
  if (g_stop_audio) g_stop_audio();
  if (g_destroy_window) g_destroy_window();
  message_box("Error", "Out of virtual memory");
  std::exit(1);
}

void* checked_allocation(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) out_of_memory_stop();
  return p;
}

const char* keep_name(const char* text) {
  for (const std::string& kept : g_kept)
    if (kept == text) return kept.c_str();
  try {
    g_kept.emplace_back(text);
  } catch (const std::bad_alloc&) {
    out_of_memory_stop();
  }
  return g_kept.back().c_str();
}
