#include "track/object_text.h"

#include <cctype>
#include <cstring>

#include "files/data_limits.h"
#include "files/file_stream.h"

namespace {
// Longer than any record of the object files: three 1023-character names and
// a dozen numbers.
constexpr size_t kWindow = 8192;

bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
}  // namespace

bool ObjectText::open(const char* path) {
  text.clear();
  pos = 0;
  if (!read_whole_data_file(path, text, kTrackTextCap)) {
    text.clear();
    return false;
  }
  // Embedded NUL bytes would end the C-string scans early and unpredictably;
  // they are never part of a valid file, so they end it.
  size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return true;
}

const char* ObjectText::window(bool skip_blank) {
  size_t start = pos;
  if (skip_blank)
    while (start < text.size() && is_blank(text[start])) ++start;
  size_t end = text.size();
  if (end - start > kWindow) {
    end = start + kWindow;
    // Never cut through a number or a name: end at the last blank.
    size_t cut = end;
    while (cut > start && !is_blank(text[cut - 1])) --cut;
    if (cut > start) end = cut;
  }
  window_start_ = start;
  window_.assign(text, start, end - start);
  return window_.c_str();
}

bool ObjectText::next_line(std::string& line) {
  if (pos >= text.size()) return false;
  size_t nl = text.find('\n', pos);
  size_t end = nl == std::string::npos ? text.size() : nl;
  line.assign(text, pos, end - pos);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  pos = nl == std::string::npos ? text.size() : nl + 1;
  return true;
}

std::string first_word(const std::string& line) {
  char word[81] = "";
  if (std::sscanf(line.c_str(), " %80s", word) != 1) return std::string();
  return word;
}

bool is_null_name(const char* name) { return !name || !*name || std::strcmp(name, "null") == 0; }
