// The lines file is read text line by text line, each classified on its own
// (the segment count, a line's statistics, one point), so that damage to a
// text line costs only the line it belongs to.
#include "robot/lines_file.h"

#include <charconv>
#include <cstdio>
#include <cmath>
#include <string_view>
#include <vector>

#include "files/data_files.h"
#include "files/file_stream.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "track/timing_gates.h"

namespace {
constexpr const char* kFileNames[kSkillCount] = {"lines_novice", "lines_amateur", "lines_expert"};
// A text line longer than this is damage, whatever it holds.
constexpr size_t kMaxTextLine = 1024;
// Coordinates and speeds beyond this are no place a bike has been.
constexpr double kMaxCoordinate = 1e6;
// Messages about dropped lines per file; the rest are counted.
constexpr int kDropMessages = 20;

// Text lines of a stream, NUL bytes and all.
class TextLines {
 public:
  explicit TextLines(DataFile* f) : f_(f), buf_(65536) {}
  // False at the end; `ended` tells whether the line had its newline.
  bool next(std::string& line, bool& ended) {
    line.clear();
    bool any = false, overlong = false;
    ended = false;
    for (;;) {
      if (pos_ == len_) {
        len_ = read_block(f_, buf_.data(), buf_.size());
        pos_ = 0;
        if (len_ == 0) break;
      }
      const char c = buf_[pos_++];
      any = true;
      if (c == '\n') {
        ended = true;
        break;
      }
      if (line.size() < kMaxTextLine)
        line.push_back(c);
      else
        overlong = true;
    }
    if (overlong) line.assign(1, '\x01');
    return any;
  }

 private:
  DataFile* f_;
  std::vector<char> buf_;
  size_t pos_ = 0, len_ = 0;
};

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

void split(const std::string& text, std::vector<std::string_view>& out) {
  out.clear();
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const char c = text[i];
    if (is_space(c)) {
      ++i;
    } else if (c == '[' || c == ']') {
      out.emplace_back(text.data() + i, 1);
      ++i;
    } else {
      size_t j = i;
      while (j < n && !is_space(text[j]) && text[j] != '[' && text[j] != ']') ++j;
      out.emplace_back(text.data() + i, j - i);
      i = j;
    }
  }
}

bool to_integer(std::string_view s, int64_t& v) {
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, v);
  return ec == std::errc() && p == end;
}

bool to_float(std::string_view s, float& v) {
  const char* end = s.data() + s.size();
  double d = 0;
  auto [p, ec] = std::from_chars(s.data(), end, d);
  if (ec != std::errc() || p != end || !std::isfinite(d) || std::fabs(d) > kMaxCoordinate) return false;
  v = static_cast<float>(d);
  return true;
}

enum class Kind { Blank, Header, Count, Statistics, Point, Other };

struct Parsed {
  Kind kind = Kind::Other;
  int64_t numbers[9] = {};
  LinePoint point{};
};

void classify(const std::string& text, std::vector<std::string_view>& tokens, Parsed& out) {
  split(text, tokens);
  out.kind = Kind::Other;
  const size_t n = tokens.size();
  if (n == 0) {
    out.kind = Kind::Blank;
  } else if (n == 2 && tokens[0] == "ct03") {
    if (to_integer(tokens[1], out.numbers[0])) out.kind = Kind::Header;
  } else if (n == 1) {
    if (to_integer(tokens[0], out.numbers[0])) out.kind = Kind::Count;
  } else if (n == 9) {
    for (size_t i = 0; i < 9; ++i)
      if (!to_integer(tokens[i], out.numbers[i])) return;
    out.kind = Kind::Statistics;
  } else if (n == 7 && tokens[0] == "[" && tokens[4] == "]") {
    LinePoint& p = out.point;
    if (to_float(tokens[1], p.position[0]) && to_float(tokens[2], p.position[1]) &&
        to_float(tokens[3], p.position[2]) && to_float(tokens[5], p.speed) && to_float(tokens[6], p.lean))
      out.kind = Kind::Point;
  }
}

int clamp_time(int64_t t) { return t < 1 ? 1 : t > kNoTime ? kNoTime : static_cast<int>(t); }

// A line's statistics from its text line (the point count is numbers[0]).
void set_statistics(Line& line, const int64_t v[9]) {
  line.time_first = clamp_time(v[1]);
  line.time_both = clamp_time(v[2]);
  line.best_first = clamp_time(v[4]);
  line.best_both = clamp_time(v[5]);
  int64_t runs = v[3], sum_first = v[6], sum_both = v[7], failures = v[8];
  line_statistics_scale(runs, sum_first, sum_both, failures);
  line.runs = static_cast<int>(runs);
  line.sum_first = sum_first;
  line.sum_both = sum_both;
  line.failures = static_cast<int>(failures);
}

// One pass over the records after the header. Segments start at the count
// lines. When the file holds fewer count lines than segments, some were
// damaged: a statistics line past the announced number of lines then
// starts the next segment, as often as count lines are missing.
struct Reader {
  Reader(LineTable& t, const char* n, bool keep, int missing_counts)
      : table(t), name(n), keep(keep), missing(missing_counts) {}
  LineTable& table;
  const char* name;
  bool keep;    // store lines (else only count the segments' count lines)
  int missing;  // count lines that may be inferred
  int segment = -1;
  int64_t declared = -1;  // lines the segment's count announced; -1 unknown
  int seen = 0;           // statistics lines met in the segment
  bool active = false;    // collecting the points of `line`
  int want = 0;
  Line line;
  int stored = 0, dropped = 0, count_lines = 0;

  void drop(const char* why) {
    if (keep && dropped < kDropMessages)
      tarn_log("Lines file '%s': line %d of segment %d dropped (%s)\n", name, seen, segment, why);
    ++dropped;
    active = false;
  }
  void store() {
    active = false;
    if (!keep) return;
    for (Line& slot : table.segments[segment]) {
      if (!slot.empty()) continue;
      slot = std::move(line);
      slot.id = line_new_id(table);
      ++stored;
      return;
    }
    // A full segment: lines beyond the slots are read and discarded.
  }
  void finish_line() {
    if (active) drop("cut short");
  }
  // False once the file's segments are used up.
  bool next_segment(int64_t count) {
    finish_line();
    ++segment;
    declared = count < 0 ? -1 : count;
    seen = 0;
    return segment < static_cast<int>(table.segments.size());
  }
  bool statistics(const int64_t v[9]) {
    finish_line();
    if (segment < 0 || (missing > 0 && declared >= 0 && seen >= declared)) {
      if (missing <= 0) {
        drop("before the first segment");
        return true;
      }
      --missing;
      if (!next_segment(-1)) return false;
    }
    ++seen;
    const int64_t count = v[0];
    if (count == 0) return true;  // an empty slot
    if (count < 0) {
      drop("negative point count");
      return true;
    }
    if (count > kMaxLinePoints) {
      if (keep && dropped < kDropMessages)
        tarn_log("Lines file '%s': line %d of segment %d has %lld points (at most %d)\n", name, seen, segment,
                 static_cast<long long>(count), kMaxLinePoints);
      drop("too many points");
      return true;
    }
    line = Line();
    set_statistics(line, v);
    want = static_cast<int>(count);
    have = 0;
    active = true;
    return true;
  }
  void point(const LinePoint& p) {
    if (!active) return;  // the rest of a line already dropped
    if (keep) line.points.push_back(p);
    if (++have == want) store();
  }
  int have = 0;  // points of `line` read
};

// Opens the file and checks its header; null (with a log line) when it is
// not a lines file for this many segments.
DataFile* open_lines(const char* name, int segments, bool quiet) {
  DataFilePtr f(open_data_file(name, "rb"));
  if (!f) return nullptr;
  TextLines in(f.get());
  std::string text;
  std::vector<std::string_view> tokens;
  Parsed r;
  bool ended;
  do {
    if (!in.next(text, ended)) {
      r.kind = Kind::Other;
      break;
    }
    classify(text, tokens, r);
  } while (r.kind == Kind::Blank);
  if (r.kind != Kind::Header) {
    if (!quiet) tarn_log("Lines file '%s' is not a lines file: ignored\n", name);
    return nullptr;
  }
  if (r.numbers[0] != segments) {
    if (!quiet)
      tarn_log("Lines file '%s' is for %lld segments, the track has %d: ignored\n", name,
               static_cast<long long>(r.numbers[0]), segments);
    return nullptr;
  }
  // The caller reads from the start again (past the header).
  f.reset(open_data_file(name, "rb"));
  return f.release();
}

// A count line is taken as the start of a segment only when a statistics
// line, another count line or the end follows it: a single number left
// over from a damaged line is not one.
void run_pass(DataFile* f, Reader& reader) {
  TextLines in(f);
  std::string text;
  std::vector<std::string_view> tokens;
  Parsed r;
  bool ended;
  bool header = true;
  bool more = true;
  bool count_waits = false;
  int64_t count = 0;
  while (more && in.next(text, ended)) {
    classify(text, tokens, r);
    if (header) {
      // The header was checked when the file was opened.
      if (r.kind == Kind::Header) header = false;
      continue;
    }
    if (r.kind == Kind::Blank) continue;
    // A last point without its newline may have lost digits.
    if (r.kind == Kind::Point && !ended) r.kind = Kind::Other;
    if (count_waits) {
      count_waits = false;
      if (r.kind == Kind::Statistics || r.kind == Kind::Count) {
        ++reader.count_lines;
        more = reader.next_segment(count);
        if (!more) break;
      }
    }
    switch (r.kind) {
      case Kind::Count:
        reader.finish_line();
        count_waits = true;
        count = r.numbers[0];
        break;
      case Kind::Statistics:
        more = reader.statistics(r.numbers);
        break;
      case Kind::Point:
        reader.point(r.point);
        break;
      default:
        if (reader.active) reader.drop("damaged point");
        break;
    }
  }
  if (count_waits && more) {
    ++reader.count_lines;
    more = reader.next_segment(count);
  }
  if (more) reader.finish_line();
}
}  // namespace

const char* line_file_name(int skill) { return skill >= 0 && skill < kSkillCount ? kFileNames[skill] : nullptr; }

std::string line_file_path(const std::string& folder, int skill) {
  const char* name = line_file_name(skill);
  return name ? "@" + folder + "/" + name : std::string();
}

void line_statistics_scale(int64_t& runs, int64_t& sum_first, int64_t& sum_both, int64_t& failures) {
  auto non_negative = [](int64_t& v) {
    if (v < 0) v = 0;
  };
  non_negative(runs);
  non_negative(sum_first);
  non_negative(sum_both);
  non_negative(failures);
  for (int i = 0; i < 16 && (sum_both > kStatSumLimit || runs > kStatCountLimit || failures > kStatCountLimit); ++i) {
    // The sums follow the runs, so the mean time stays; without runs they
    // are halved like everything else.
    const int64_t half = runs / 2;
    if (runs > 0) {
      sum_first = static_cast<int64_t>(static_cast<__int128>(sum_first) * half / runs);
      sum_both = static_cast<int64_t>(static_cast<__int128>(sum_both) * half / runs);
    } else {
      sum_first /= 2;
      sum_both /= 2;
    }
    runs = half;
    failures /= 2;
  }
  if (sum_first > kStatSumLimit) sum_first = kStatSumLimit;
  if (sum_both > kStatSumLimit) sum_both = kStatSumLimit;
  if (runs > kStatCountLimit) runs = kStatCountLimit;
  if (failures > kStatCountLimit) failures = kStatCountLimit;
}

int lines_read(LineTable& table, const char* name) {
  const int segments = static_cast<int>(table.segments.size());
  // A first pass counts the count lines, so that a damaged one does not
  // move every later segment's lines.
  DataFilePtr f(open_lines(name, segments, false));
  if (!f) return -1;
  Reader count(table, name, false, 0);
  run_pass(f.get(), count);
  f.reset(open_lines(name, segments, true));
  if (!f) return -1;
  Reader reader(table, name, true, segments - count.count_lines);
  run_pass(f.get(), reader);
  if (reader.dropped > kDropMessages)
    tarn_log("Lines file '%s': %d more lines dropped\n", name, reader.dropped - kDropMessages);
  return reader.stored;
}

bool lines_write(const LineTable& table, const char* name) {
  const std::string final_name = name;
  const std::string temp_name = final_name + ".new";
  bool ok = true;
  {
    DataFilePtr out(open_data_file(temp_name.c_str(), "w"));
    if (!out) {
      show_message("Can't write '%s'\n", name);
      return false;
    }
    DataFile* f = out.get();
    auto check = [&ok](int n) {
      if (n < 0) ok = false;
    };
    check(write_formatted(f, "ct03 %d\n", static_cast<int>(table.segments.size())));
    for (const LineSlots& slots : table.segments) {
      int count = 0;
      for (const Line& l : slots) count += l.empty() ? 0 : 1;
      check(write_formatted(f, "%d\n", count));
      for (const Line& l : slots) {
        if (l.empty()) continue;
        int64_t runs = l.runs, sum_first = l.sum_first, sum_both = l.sum_both, failures = l.failures;
        line_statistics_scale(runs, sum_first, sum_both, failures);
        check(write_formatted(f, "%d %d %d %d %d %d %d %d %d\n", l.point_count(), l.time_first, l.time_both,
                              static_cast<int>(runs), l.best_first, l.best_both, static_cast<int>(sum_first),
                              static_cast<int>(sum_both), static_cast<int>(failures)));
        for (const LinePoint& p : l.points)
          check(write_formatted(f, "[%f %f %f] %f %f\n", p.position[0], p.position[1], p.position[2], p.speed,
                                p.lean));
      }
    }
    if (flush_data_file(f) != 0) ok = false;
  }
  if (ok && !rename_data_file(temp_name.c_str(), final_name.c_str())) ok = false;
  if (!ok) {
    // The old file stays as it was; the partial one goes.
    const char* home = home_folder();
    if (temp_name[0] != '@')
      std::remove(temp_name.c_str());
    else if (home)
      std::remove((std::string(home) + temp_name.substr(1)).c_str());
    show_message("Can't write '%s'\n", name);
  }
  return ok;
}

int load_lines(LineTable& table, const TimingGates& gates, const std::string& folder, int skill) {
  lines_reset(table, gates);
  if (table.segments.empty() || !line_file_name(skill)) return 0;
  const int n = lines_read(table, line_file_path(folder, skill).c_str());
  return n < 0 ? 0 : n;
}

bool save_lines(const LineTable& table, const std::string& folder, int skill) {
  if (!line_file_name(skill)) return false;
  return lines_write(table, line_file_path(folder, skill).c_str());
}
