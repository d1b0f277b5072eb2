// Scanning of the track object files. A file is read whole into memory and
// consumed with scanf-style patterns; a pattern that does not match consumes
// nothing, so a reader can try another pattern or stop and keep what it read.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

struct ObjectText {
  std::string text;
  size_t pos = 0;

  // Reads the whole data file; false (and empty) when it cannot be opened
  // or is larger than any track text file (refused, with the message).
  bool open(const char* path);
  bool at_end() const { return pos >= text.size(); }

  // Matches the pattern at the current position; on full success (every
  // conversion and every literal up to the end of the pattern matched) the
  // position moves past the match and the conversion count is returned,
  // otherwise nothing is consumed and 0 is returned.
  template <class... Args>
  int scan(const char* pattern, Args... args) {
    const char* w = window(pattern[0] == ' ');
    std::string f = std::string(pattern) + "%n";
    int used = -1;
    int got = std::sscanf(w, f.c_str(), args..., &used);
    if (used < 0 || got < 0) return 0;
    advance(used);
    return got;
  }

  // The next line without its line ending; false at the end of the text.
  bool next_line(std::string& line);

 private:
  // A bounded copy of the text from the current position (after white space
  // when skip_blank), cut at a blank, so one match never scans the whole rest
  // of a large file.
  const char* window(bool skip_blank);
  void advance(int used) { pos = window_start_ + static_cast<size_t>(used); }
  std::string window_;
  size_t window_start_ = 0;
};

// The first whitespace-delimited word of a line (at most 80 characters).
std::string first_word(const std::string& line);
// True for the name "null" (no object).
bool is_null_name(const char* name);
