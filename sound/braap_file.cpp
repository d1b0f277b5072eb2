#include "sound/braap_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>
#include <type_traits>

#include "files/file_stream.h"
#include "platform/log.h"
#include "sound/sound_table.h"

namespace {

constexpr size_t kMaxBraapBytes = size_t(1) << 16;

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Splits off the first word of s.
std::string_view first_word(std::string_view& s) {
  s = trim(s);
  size_t end = 0;
  while (end < s.size() && !std::isspace(static_cast<unsigned char>(s[end]))) ++end;
  std::string_view w = s.substr(0, end);
  s.remove_prefix(end);
  return w;
}

// One word as a number; false when it is not one, or not a finite one.
template <typename T>
bool parse_number(std::string_view w, T* out) {
  if (w.empty()) return false;
  const char* begin = w.data();
  if (*begin == '+' && w.size() > 1) ++begin;
  auto [end, ec] = std::from_chars(begin, w.data() + w.size(), *out);
  if (ec != std::errc() || end != w.data() + w.size()) return false;
  if constexpr (std::is_floating_point_v<T>) return std::isfinite(*out);
  return true;
}

// The numbers at the front of s, at most max, as a scanf list would read
// them: reading stops at the first word that is not a number.
int leading_numbers(std::string_view s, float* out, int max) {
  int n = 0;
  while (n < max && parse_number(first_word(s), out + n)) ++n;
  return n;
}

void apply_line(std::string_view line, EngineParams& p, const char* name, int number) {
  std::string_view rest = line;
  std::string_view key = first_word(rest);
  if (key.empty()) return;
  float v[kRpmListMax];
  bool ok = true;
  if (key == "pipe") {
    // "pipe length spread gain first last"; numbers left out keep the
    // standard pipe's values.
    PipeShape pipe;
    float* lengths[3] = {&pipe.length, &pipe.spread, &pipe.gain};
    int* taps[2] = {&pipe.first, &pipe.last};
    std::string_view words = rest;
    for (int i = 0; i < 5; ++i) {
      std::string_view w = first_word(words);
      bool read = i < 3 ? parse_number(w, lengths[i]) : parse_number(w, taps[i - 3]);
      if (!read) break;
    }
    set_pipe_taps(p, pipe);
  } else if (key == "minrpm" || key == "lowtorque" || key == "hightorque") {
    ok = leading_numbers(rest, v, 1) == 1;
    if (ok) (key == "minrpm" ? p.min_rpm : key == "lowtorque" ? p.low_torque : p.high_torque) = v[0];
  } else if (key == "bias" || key == "scale") {
    int n = leading_numbers(rest, v, kRpmListMax);
    float* list = key == "bias" ? p.bias : p.scale;
    std::copy_n(v, n, list);
    (key == "bias" ? p.bias_count : p.scale_count) = n;
  } else if (key == "soundtable") {
    std::string file(trim(rest));
    ok = !file.empty();
    // A table that cannot be read is reported by the loader and leaves the
    // block's table as it was.
    if (const SoundTable* table = ok ? load_sound_table(file.c_str()) : nullptr) p.table = table;
  } else {
    tarn_log("%s:%d: unknown line ignored\n", name, number);
    return;
  }
  if (!ok) tarn_log("%s:%d: bad values in '%.*s' ignored\n", name, number, static_cast<int>(line.size()), line.data());
}

}  // namespace

void apply_braap_text(const std::string& text, EngineParams& p, const char* name) {
  set_pipe_taps(p, PipeShape{1, 1, 0, 0, kPipeTaps - 1});
  size_t at = 0;
  int number = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view line = std::string_view(text).substr(at, end - at);
    at = end + 1;
    ++number;
    size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    apply_line(trim(line), p, name, number);
  }
  if (p.bias_count < 1) {
    p.bias[0] = 0;
    p.bias_count = 1;
  }
  if (p.scale_count < 1) {
    p.scale[0] = 1;
    p.scale_count = 1;
  }
}

bool read_braap_file(const char* name, EngineParams& p) {
  DataFilePtr f(open_data_file(name, "rb"));
  if (!f) return false;
  std::string text;
  char buf[4096];
  while (size_t n = read_block(f.get(), buf, sizeof buf)) {
    if (text.size() + n > kMaxBraapBytes) {
      tarn_log("%s: too long, read only its first %zu bytes\n", name, text.size());
      break;
    }
    text.append(buf, n);
  }
  apply_braap_text(text, p, name);
  return true;
}

std::vector<std::string> braap_file_candidates(const std::string& graphics, const std::string& bike_class) {
  std::vector<std::string> names;
  size_t slash = graphics.rfind('/');
  size_t base_start = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = graphics.rfind('.');
  if (dot != std::string::npos && dot >= base_start) {
    std::string base = graphics.substr(0, dot);
    names.push_back(base + ".braap");
    for (;;) {
      size_t dash = base.rfind('-');
      if (dash == std::string::npos || dash < base_start) break;
      base.resize(dash);
      names.push_back(base + ".braap");
    }
  }
  for (const char* c : {"50", "125", "250f", "250", "450f"}) {
    if (bike_class == c) names.push_back(std::string("@default") + c + ".braap");
  }
  return names;
}
