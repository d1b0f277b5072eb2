// The time-stamped log file and the last-error text.
#include "platform/log.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/clock.h"

void tarn_options_reset();  // options.cpp

namespace {

struct LogState {
  FILE* file = nullptr;
  bool initialised = false;
  bool flush = true;
};

LogState g_log;
const char* g_last_error = "Unknown";

const char kConfigPrefix[] = "TARN_LOGFILE=";

void open_log(const char* first_message) {
  g_log.initialised = true;
  const char* env_path = std::getenv("TARN_LOGFILE");
  const char* env_flags = std::getenv("TARN_LOGFILE_FLAGS");
  const char* path = env_path;
  if (!path && first_message && std::strncmp(first_message, kConfigPrefix, sizeof kConfigPrefix - 1) == 0)
    path = first_message + sizeof kConfigPrefix - 1;
  if (!path) return;
  const char* mode = "w";
  if (std::strncmp(path, ">>", 2) == 0) {
    mode = "a";
    path += 2;
  } else if (path[0] == '>') {
    path += 1;
  }
  if (env_flags) mode = env_flags;
  g_log.file = std::fopen(path, mode);
  if (!g_log.file) return;
  tarn_log("Logfile \"%s\" opened\n", path);
  tarn_log("TARN 0.31\n");
}

void write_prefix(FILE* f) {
  long s = 0, us = 0;
  tarn_clock(&s, &us);
  char prefix[64];
  tarn_format_log_prefix(prefix, sizeof prefix, s, us);
  std::fputs(prefix, f);
}

}  // namespace

void tarn_format_log_prefix(char* buffer, size_t size, long s, long us) {
  std::snprintf(buffer, size, "[%ld:%02ld:%02ld.%02ld] ", s / 3600, s / 60 % 60, s % 60, us / 10000);
}

void tarn_vlog(const char* format, va_list args) {
  if (!format) {
    if (g_log.file) std::fclose(g_log.file);
    g_log.file = nullptr;
    g_log.initialised = true;
    return;
  }
  // The control and configuration forms are recognised on the formatted text.
  va_list copy;
  va_copy(copy, args);
  int len = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (len < 0) return;
  std::string text(static_cast<size_t>(len), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);

  bool config = text.compare(0, sizeof kConfigPrefix - 1, kConfigPrefix) == 0;
  if (!g_log.initialised) {
    open_log(text.c_str());
    if (config) return;
  }
  if (!text.empty() && text[0] == 0x13) {
    if (text.compare(1, std::string::npos, "FLUSH") == 0) g_log.flush = true;
    if (text.compare(1, std::string::npos, "NOFLUSH") == 0) g_log.flush = false;
    return;
  }
  if (!g_log.file) return;
  write_prefix(g_log.file);
  std::fwrite(text.data(), 1, text.size(), g_log.file);
  if (g_log.flush) {
    std::fflush(g_log.file);
    fsync(fileno(g_log.file));
  }
}

void tarn_log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  tarn_vlog(format, args);
  va_end(args);
}

void tarn_set_last_error(const char* text) {
  tarn_log("Error: %s\n", text);
  g_last_error = text;
}

const char* tarn_last_error() { return g_last_error; }

void tarn_log_reset_for_tests() {
  if (g_log.file) std::fclose(g_log.file);
  g_log = LogState{};
  g_last_error = "Unknown";
  tarn_options_reset();
}
