#include "config/config_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/bike_setup.h"
#include "config/bindings.h"
#include "config/settings.h"
#include "files/data_files.h"
#include "files/data_limits.h"
#include "files/file_stream.h"
#include "platform/log.h"

namespace {

constexpr int kLineLimit = 1023;

enum class LineState { Ok, Skip, End };

// Reads one line of at most kLineLimit characters without its line feed. A
// longer line is read away to its end and skipped whole, so that its tail
// never reads as a line of its own; so is a line holding a zero byte.
LineState read_config_line(DataFile* f, std::string& line) {
  line.clear();
  bool too_long = false, has_zero = false;
  int c = read_char(f);
  if (c == EOF) return LineState::End;
  for (; c != EOF && c != '\n'; c = read_char(f)) {
    if (c == 0) has_zero = true;
    if ((int)line.size() < kLineLimit)
      line.push_back((char)c);
    else
      too_long = true;
  }
  return too_long || has_zero ? LineState::Skip : LineState::Ok;
}

// "%d" without the undefined overflow of sscanf: leading blanks, a sign and
// digits; trailing text is ignored. False when no number is there or it does
// not fit an int.
bool parse_integer(const char* text, int& out) {
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || errno == ERANGE || value < INT_MIN || value > INT_MAX) return false;
  out = (int)value;
  return true;
}

// "%f": the leading number of the text. NaN is refused (it would survive
// every clamp).
bool parse_number(const char* text, double& out) {
  double value = 0.0;
  if (std::sscanf(text, "%lf", &value) != 1 || std::isnan(value)) return false;
  out = value;
  return true;
}

}  // namespace

bool apply_setting(SettingItem& item, const char* value) {
  switch (item.kind) {
    case SettingKind::Integer:
      return parse_integer(value, item.integer);
    case SettingKind::Number: {
      double number;
      return parse_number(value, number) && set_number(item, number);
    }
    case SettingKind::Choice:
      if (!choose_entry(item, value)) return false;
      if (std::strcmp(item.key, "use_fbo") == 0)
        choose_entry(*find_setting("render_texture"), item.chosen ? "Hardware/Direct" : "Hardware/Copy");
      return true;
    case SettingKind::Text: {
      size_t length = std::strlen(value);
      if (item.ignore_long && length > (size_t)item.max_length) return false;
      item.text.assign(value, std::min(length, (size_t)item.max_length));
      return true;
    }
    case SettingKind::Binding:
      binding_from_text(item.binding, value);
      return true;
  }
  return false;
}

bool write_setting(DataFile* f, const SettingItem& item) {
  switch (item.kind) {
    case SettingKind::Integer:
      return write_formatted(f, "%s=%d\n", item.key, item.integer) >= 0;
    case SettingKind::Number:
      return write_formatted(f, "%s=%f\n", item.key, item.number) >= 0;
    case SettingKind::Choice:
      return write_formatted(f, "%s=%s\n", item.key, chosen_text(item)) >= 0;
    case SettingKind::Text:
      return write_formatted(f, "%s=%s\n", item.key, item.text.c_str()) >= 0;
    case SettingKind::Binding:
      return write_binding_line(f, item.key, item.binding);
  }
  return false;
}

namespace {

bool write_all(DataFile* f) {
  for (const SettingItem& item : setting_items()) {
    if (!item.written) continue;
    if (!write_setting(f, item)) return false;
    if (std::strcmp(item.key, "time_trial_abort") == 0 && !write_setup_lines(f)) return false;
  }
  return flush_data_file(f) == 0;
}

// Puts the file's data on disk before it replaces the old configuration, so
// a crash leaves one whole file or the other.
bool sync_file(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

void read_configuration() {
  DataFilePtr f(open_data_file("@config", "r"));
  if (!f) return;
  // A file larger than any configuration is not read at all; a compressed
  // one that grows past the cap keeps what was read before it.
  const std::string too_large = "larger than " + size_text(kConfigFileCap);
  if (!limit_data_file(f.get(), kConfigFileCap)) {
    refuse_data_file("@config", too_large.c_str());
    return;
  }
  std::string line;
  for (LineState state; (state = read_config_line(f.get(), line)) != LineState::End;) {
    // The line that runs past the cap is cut short: it is not applied.
    if (data_file_overflowed(f.get())) break;
    if (state == LineState::Skip) continue;
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    std::string value = line.substr(equals + 1);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
    if (read_setup_line(key.c_str(), value.c_str())) continue;
    if (SettingItem* item = find_setting(key.c_str())) apply_setting(*item, value.c_str());
  }
  if (data_file_overflowed(f.get())) refuse_data_file("@config", too_large.c_str());
}

bool write_configuration() {
  const char* home = home_folder();
  if (!home) {
    tarn_log("Can't write configuration: no home folder\n");
    return false;
  }
  std::string path = std::string(home) + "config";
  std::string temporary = path + ".tmp";
  DataFile* f = open_data_file(temporary.c_str(), "wb");
  if (!f) {
    tarn_log("Can't write configuration \"%s\": %s\n", temporary.c_str(), std::strerror(errno));
    return false;
  }
  bool ok = write_all(f);
  close_data_file(f);
  if (!ok || !sync_file(temporary)) {
    tarn_log("Can't write configuration \"%s\"\n", temporary.c_str());
    std::remove(temporary.c_str());
    return false;
  }
  // The rename swaps the whole file in at once; the old one stays until then.
  if (!rename_data_file(temporary.c_str(), path.c_str())) {
    tarn_log("Can't replace configuration \"%s\": %s\n", path.c_str(), std::strerror(errno));
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}
