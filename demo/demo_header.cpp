#include "demo/demo_header.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Header lines longer than this are damage, not data.
constexpr int kHeaderLineSize = 4096;

// One line without its "\n" (and a "\r" before it); false when the line
// does not end in "\n" or holds a zero byte.
bool read_header_line(DataFile* f, std::string* line) {
  char buf[kHeaderLineSize];
  if (!read_line(f, buf, sizeof buf)) return false;
  size_t n = std::strlen(buf);
  if (n == 0 || buf[n - 1] != '\n') return false;
  --n;
  if (n > 0 && buf[n - 1] == '\r') --n;
  line->assign(buf, n);
  return true;
}

// "KR" and up to five integers; returns how many were read.
int parse_first_line(const std::string& line, long long v[5]) {
  if (line.compare(0, 2, "KR") != 0) return 0;
  const char* p = line.c_str() + 2;
  int n = 0;
  while (n < 5) {
    char* end;
    errno = 0;
    long long x = std::strtoll(p, &end, 10);
    if (end == p || errno == ERANGE || x < INT_MIN || x > INT_MAX) break;
    v[n++] = x;
    p = end;
  }
  return n;
}

}  // namespace

bool is_safe_track_folder(const std::string& folder) {
  if (folder.empty() || folder.size() > 255 || folder[0] == '/') return false;
  for (char c : folder)
    if (static_cast<unsigned char>(c) < 0x20 || c == '\\' || c == 0x7F) return false;
  size_t start = 0;
  for (;;) {
    size_t slash = folder.find('/', start);
    std::string part = folder.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part == ".." || part == "." || part.empty()) return false;
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

std::string format_demo_header(const DemoHeader& h) {
  char first[96];
  std::snprintf(first, sizeof first, "KR%02d %d %d %d %d\n", kDemoVersion, static_cast<int>(h.riders.size()),
                h.time_limit_steps, h.extra_laps, h.start_step);
  std::string text = first;
  text += clean_description_text(h.track) + "\n";
  for (const RiderDescription& d : h.riders) text += format_rider_description(d) + "\n\n";
  return text;
}

bool read_demo_header(DataFile* f, int free_slots, DemoHeader* h, std::string* error) {
  *h = DemoHeader{};
  std::string line;
  long long v[5];
  int n = read_header_line(f, &line) ? parse_first_line(line, v) : 0;
  if (n < 3) {
    *error = "it is not a demo file";
    return false;
  }
  if (v[0] < 4 || v[0] > 6) {
    *error = "format version " + std::to_string(v[0]) + " is not one this game reads";
    return false;
  }
  long long riders = v[1];
  if (riders < 1 || riders > kSlotCount) {
    *error = "its rider count " + std::to_string(riders) + " is outside 1.." + std::to_string(kSlotCount);
    return false;
  }
  if (riders > free_slots) {
    *error = "its " + std::to_string(riders) + " riders do not fit in the " + std::to_string(free_slots) +
             " free places";
    return false;
  }
  h->version = static_cast<int>(v[0]);
  // A negative race length or start would make no race; count it as none.
  h->time_limit_steps = v[2] > 0 ? static_cast<int>(v[2]) : 0;
  h->extra_laps = n > 3 && v[3] > 0 ? static_cast<int>(v[3]) : 0;
  h->start_step = n > 4 ? (v[4] > 0 ? static_cast<int>(v[4]) : 0) : kDefaultDemoStartStep;
  if (!read_header_line(f, &h->track)) {
    *error = "its header is cut short";
    return false;
  }
  if (!is_safe_track_folder(h->track)) {
    *error = "it names no usable track folder";
    return false;
  }
  h->riders.resize(static_cast<size_t>(riders));
  for (RiderDescription& d : h->riders) {
    std::string desc;
    if (!read_header_line(f, &desc) || !read_header_line(f, &d.number)) {
      *error = "its header is cut short";
      return false;
    }
    parse_description_line(desc, &d);
    d.number = d.number.substr(0, kPlateNumberLength);
    if (h->version < 6) continue;
    if (!read_header_line(f, &d.name)) {
      *error = "its header is cut short";
      return false;
    }
    // Lines a later writer may add, up to the empty line.
    for (std::string extra;;) {
      if (!read_header_line(f, &extra)) {
        *error = "its header is cut short";
        return false;
      }
      if (extra.empty()) break;
    }
  }
  return true;
}
