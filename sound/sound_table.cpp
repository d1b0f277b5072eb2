// Reading sound tables and their recordings, and the built-in tables.
#include "sound/sound_table.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <memory>
#include <string_view>

#include "files/file_stream.h"
#include "platform/messages.h"
#include "platform/units.h"

namespace {

// Bounds on what a file may ask for: a table of at most 64 x 64 cells and
// recordings of at most 2^23 samples (three minutes at 44100 Hz).
constexpr int kMaxRowsOrColumns = 64;
constexpr size_t kMaxRecordingBytes = size_t(2) << 23;
constexpr size_t kMaxTableBytes = size_t(1) << 20;
constexpr int kMaxRemapEntries = 4096;
constexpr int kBuiltinLength = 1024;

std::map<std::string, std::unique_ptr<SoundTable>>& table_cache() {
  static std::map<std::string, std::unique_ptr<SoundTable>> cache;
  return cache;
}

std::map<std::string, std::unique_ptr<SoundRecording>>& recording_cache() {
  static std::map<std::string, std::unique_ptr<SoundRecording>> cache;
  return cache;
}

// Whitespace-separated words; "#" at the start of a word runs to the end of
// its line.
class Words {
 public:
  explicit Words(const std::string& text) : text_(text) {}
  bool next(std::string_view* word) {
    for (;;) {
      while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
      if (at_ >= text_.size()) return false;
      if (text_[at_] != '#') break;
      while (at_ < text_.size() && text_[at_] != '\n') ++at_;
    }
    size_t start = at_;
    while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    *word = std::string_view(text_).substr(start, at_ - start);
    return true;
  }
  bool next_int(int* value) {
    std::string_view w;
    if (!next(&w)) return false;
    auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), *value);
    return ec == std::errc() && end == w.data() + w.size();
  }
  bool next_float(float* value) {
    std::string_view w;
    if (!next(&w)) return false;
    const char* begin = w.data();
    if (*begin == '+') ++begin;
    auto [end, ec] = std::from_chars(begin, w.data() + w.size(), *value);
    return ec == std::errc() && end == w.data() + w.size() && std::isfinite(*value);
  }

 private:
  const std::string& text_;
  size_t at_ = 0;
};

bool read_capped(const char* name, size_t cap, std::string& out) {
  DataFilePtr f(open_data_file(name, "rb"));
  if (!f) return false;
  out.clear();
  char buf[16384];
  while (size_t n = read_block(f.get(), buf, sizeof buf)) {
    if (out.size() + n > cap) return false;
    out.append(buf, n);
  }
  return true;
}

bool ascending(const std::vector<float>& v) {
  for (size_t i = 1; i < v.size(); ++i)
    if (!(v[i] >= v[i - 1])) return false;
  return true;
}

std::unique_ptr<SoundTable> parse_table(const std::string& text) {
  Words words(text);
  std::string_view word;
  int rows = 0, columns = 0;
  if (!words.next(&word) || word != "SOUNDTABLE" || !words.next_int(&rows) || !words.next_int(&columns))
    return nullptr;
  if (rows < 1 || columns < 1 || rows > kMaxRowsOrColumns || columns > kMaxRowsOrColumns) return nullptr;
  auto table = std::make_unique<SoundTable>();
  table->rpm.resize(static_cast<size_t>(rows));
  table->load.resize(static_cast<size_t>(columns));
  for (float& r : table->rpm)
    if (!words.next_float(&r)) return nullptr;
  for (float& l : table->load)
    if (!words.next_float(&l)) return nullptr;
  // The cell search walks the rows and columns in order.
  if (!ascending(table->rpm) || !ascending(table->load)) return nullptr;
  table->cells.resize(static_cast<size_t>(rows * columns));
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      SoundCell& cell = table->cells[static_cast<size_t>(r * columns + c)];
      std::vector<int> remap;
      for (;;) {
        int entry = 0;
        if (!words.next_int(&entry) || static_cast<int>(remap.size()) >= kMaxRemapEntries) {
          show_message("(%d, %d) Bad remap entry\n", r, c);
          return nullptr;
        }
        if (entry == -1) break;
        remap.push_back(entry);
      }
      // A cell holds at least one event; a count below one has nothing to
      // divide the recording by.
      float events = 0;
      if (!words.next_float(&events) || !(events >= 1) || events > 1e6f) {
        show_message("(%d, %d) Bad event count\n", r, c);
        return nullptr;
      }
      std::string_view file;
      if (!words.next(&file) || file.size() > 1023) {
        show_message("(%d, %d) Missing recording name\n", r, c);
        return nullptr;
      }
      std::string file_name(file);
      cell.recording = load_sound_recording(file_name.c_str());
      if (!cell.recording) {
        show_message("(%d, %d) Error reading '%.512s'\n", r, c, file_name.c_str());
        return nullptr;
      }
      cell.events = static_cast<int>(std::lround(events));
      // Entries are event numbers, reduced into 0..events-1 (negative ones
      // too, which a plain remainder would leave negative).
      for (int& e : remap) e = ((e % cell.events) + cell.events) % cell.events;
      cell.remap = std::move(remap);
    }
  }
  return table;
}

std::unique_ptr<SoundTable> builtin_table(float (*shape)(float)) {
  auto recording = std::make_unique<SoundRecording>();
  auto quiet = std::make_unique<SoundRecording>();
  recording->samples.resize(kBuiltinLength);
  quiet->samples.resize(kBuiltinLength);
  for (int i = 0; i < kBuiltinLength; ++i) {
    float s = shape(static_cast<float>(i) / (kBuiltinLength - 1));
    recording->samples[static_cast<size_t>(i)] = s;
    quiet->samples[static_cast<size_t>(i)] = 0.25f * s;
  }
  auto table = std::make_unique<SoundTable>();
  table->rpm = {0};
  table->load = {0, 1};
  table->cells.resize(2);
  table->cells[0].recording = quiet.get();
  table->cells[1].recording = recording.get();
  // The built-in recordings live as long as the table: keep them in the
  // recording cache under names no file can have.
  static int serial = 0;
  std::string base = "<built-in " + std::to_string(serial++) + ">";
  recording_cache()[base + " load 0"] = std::move(quiet);
  recording_cache()[base + " load 1"] = std::move(recording);
  return table;
}

float four_stroke_firing(float x) {
  const float pi = static_cast<float>(kPi);
  float s = 0.5f * (std::fabs(std::sin(3 * pi * x + 0.5246f)) - 0.5f);
  if (x < 0.25f) s += std::sin(16 * pi * x) * (1 - 4 * x);
  return s;
}

float two_stroke_firing(float x) {
  const float pi = static_cast<float>(kPi);
  return x < 0.25f ? std::sin(8 * pi * x) * (1 - 4 * x) : 0.0f;
}

const SoundTable* builtin(const char* key, float (*shape)(float)) {
  auto& cache = table_cache();
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, builtin_table(shape)).first;
  return it->second.get();
}

}  // namespace

const SoundTable* builtin_four_stroke_table() { return builtin("<four-stroke table>", four_stroke_firing); }

const SoundTable* builtin_two_stroke_table() { return builtin("<two-stroke table>", two_stroke_firing); }

const SoundRecording* load_sound_recording(const char* name) {
  auto& cache = recording_cache();
  auto it = cache.find(name);
  if (it != cache.end()) return it->second.get();
  std::string bytes;
  std::unique_ptr<SoundRecording> recording;
  if (read_capped(name, kMaxRecordingBytes, bytes) && bytes.size() >= 2) {
    recording = std::make_unique<SoundRecording>();
    recording->samples.resize(bytes.size() / 2);
    for (size_t i = 0; i < recording->samples.size(); ++i) {
      auto lo = static_cast<unsigned char>(bytes[2 * i]);
      auto hi = static_cast<unsigned char>(bytes[2 * i + 1]);
      auto value = static_cast<int16_t>(static_cast<uint16_t>(lo | hi << 8));
      recording->samples[i] = static_cast<float>(value) / 32768.0f;
    }
  }
  return cache.emplace(name, std::move(recording)).first->second.get();
}

const SoundTable* load_sound_table(const char* name) {
  auto& cache = table_cache();
  auto it = cache.find(name);
  if (it != cache.end()) return it->second.get();
  std::string text;
  std::unique_ptr<SoundTable> table;
  if (read_capped(name, kMaxTableBytes, text)) table = parse_table(text);
  if (!table) show_message("Error reading '%.512s'\n", name);
  return cache.emplace(name, std::move(table)).first->second.get();
}

void sound_cache_reset() {
  table_cache().clear();
  recording_cache().clear();
}
