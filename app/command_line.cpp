#include "app/command_line.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Reads an integer the way "%d" does (leading blanks, sign, digits; what
// follows is ignored) but saturates instead of overflowing.
bool scan_int(const char* s, int* out) {
  while (std::isspace(static_cast<unsigned char>(*s))) ++s;
  bool negative = *s == '-';
  if (*s == '-' || *s == '+') ++s;
  if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
  long long v = 0;
  for (; std::isdigit(static_cast<unsigned char>(*s)); ++s) {
    if (v <= INT_MAX) v = v * 10 + (*s - '0');
  }
  if (negative) v = -v;
  *out = static_cast<int>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
  return true;
}

// "%f": a number at the start of the text. Infinities and NaN are refused:
// clamping cannot tame a NaN, and the values feed the simulation.
bool scan_real(const char* s, double* out) {
  char* end = nullptr;
  double v = std::strtod(s, &end);
  if (end == s || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

int atoi_saturated(const char* s) {
  int v = 0;
  return scan_int(s, &v) ? v : 0;
}

template <typename T>
T clamp(T v, T lo, T hi) {
  return v < lo ? lo : v > hi ? hi : v;
}

using Handler = bool (*)(CommandLineResult& r, const char* value);

struct OptionRow {
  const char* name;
  bool takes_value;
  Handler handle;  // false: a bad argument
};

CommandLine& V(CommandLineResult& r) { return r.values; }

bool read_int_into(std::optional<int>& slot, const char* v, int lo, int hi) {
  int n;
  if (!scan_int(v, &n)) return false;
  slot = clamp(n, lo, hi);
  return true;
}

bool read_real_into(std::optional<double>& slot, const char* v, double lo, double hi) {
  double x;
  if (!scan_real(v, &x)) return false;
  slot = clamp(x, lo, hi);
  return true;
}

constexpr double kNoLimit = 1e300;

const char kConnectPrefix[] = "kiwiridge:";

// Tried in this order at each position; the first match wins.
const OptionRow kOptions[] = {
    {"--fugly", false, [](CommandLineResult& r, const char*) { return V(r).fugly = true; }},
    {"--nosound", false, [](CommandLineResult& r, const char*) { return V(r).nosound = true; }},
    {"--novertexarrays", false,
     [](CommandLineResult& r, const char*) { return V(r).novertexarrays = true; }},
    {"--learn", false, [](CommandLineResult& r, const char*) { V(r).learn = true; return true; }},
    {"--nolearn", false, [](CommandLineResult& r, const char*) { V(r).learn = false; return true; }},
    {"--nommx", false, [](CommandLineResult& r, const char*) { return V(r).nommx = true; }},
    {"--debug", false, [](CommandLineResult& r, const char*) { V(r).debug_level = 1; return true; }},
    {"--super-debug", false,
     [](CommandLineResult& r, const char*) { V(r).debug_level = 2; return true; }},
    {"--practice", false, [](CommandLineResult& r, const char*) { return V(r).practice = true; }},
    {"--warp", false, [](CommandLineResult& r, const char*) { return V(r).warp = true; }},
    {"--texture-detail", true,
     [](CommandLineResult& r, const char* v) {
       if (!read_int_into(V(r).texture_detail, v, 0, 4)) return false;
       V(r).ground_texture_detail = V(r).texture_detail;
       return true;
     }},
    {"--ground-texture-detail", true,
     [](CommandLineResult& r, const char* v) { return read_int_into(V(r).ground_texture_detail, v, 0, 4); }},
    {"--roostfrequency", true,
     [](CommandLineResult& r, const char* v) { return read_int_into(V(r).roost_frequency, v, 0, 1000); }},
    {"--erode", true, [](CommandLineResult& r, const char* v) { return read_real_into(V(r).erode, v, 0, 100); }},
    {"--detail", true,
     [](CommandLineResult& r, const char* v) { return read_real_into(V(r).detail, v, -kNoLimit, kNoLimit); }},
    {"--max-detail-distance", true,
     [](CommandLineResult& r, const char* v) {
       return read_real_into(V(r).max_detail_distance, v, -kNoLimit, kNoLimit);
     }},
    {"--lod-scale", true,
     [](CommandLineResult& r, const char* v) { return read_real_into(V(r).lod_scale, v, 1e-6, 1e6); }},
    {"--lod-bias", true,
     [](CommandLineResult& r, const char* v) { return read_real_into(V(r).lod_bias, v, -kNoLimit, kNoLimit); }},
    {"--lock-fps", true,
     [](CommandLineResult& r, const char* v) {
       // 0 or below turns pacing off; a rate under one frame a second would
       // sleep for ages between frames.
       double fps;
       if (!scan_real(v, &fps)) return false;
       V(r).lock_fps = fps <= 0 ? 0.0 : clamp(fps, 1.0, 1000.0);
       return true;
     }},
    {"--fake-lag", true,
     [](CommandLineResult& r, const char* v) {
       double ms;
       if (!scan_real(v, &ms)) return false;
       V(r).fake_lag = clamp(ms * 0.001, 0.0, 1.0);
       return true;
     }},
    {"--fake-loss", true,
     [](CommandLineResult& r, const char* v) {
       int n;
       if (!scan_int(v, &n)) return false;
       V(r).fake_loss = clamp(n, 0, 100);
       return true;
     }},
    {"--record-audio", true, [](CommandLineResult& r, const char* v) { V(r).record_audio = v; return true; }},
    {"--record-video", false, [](CommandLineResult& r, const char*) { return V(r).record_video = true; }},
    {"--rotate-lineup", true,
     [](CommandLineResult& r, const char* v) { scan_int(v, &V(r).rotate_lineup); return true; }},
    {"--editor", false, [](CommandLineResult& r, const char*) { return V(r).editor = true; }},
    {"--hidden-pause", false,
     [](CommandLineResult& r, const char*) { V(r).draw_paused = false; return true; }},
    {"--hidden-hud", false, [](CommandLineResult& r, const char*) { V(r).draw_hud = false; return true; }},
    {"--bikes", true,
     [](CommandLineResult& r, const char*) {
       r.notices.push_back("--bikes doesn't do anything anymore\n");
       return true;
     }},
    {"--width", true,
     [](CommandLineResult& r, const char* v) { read_int_into(V(r).width, v, INT_MIN, INT_MAX); return true; }},
    {"--height", true,
     [](CommandLineResult& r, const char* v) { read_int_into(V(r).height, v, INT_MIN, INT_MAX); return true; }},
    {"--depth", true, [](CommandLineResult& r, const char* v) { V(r).colour_bits = atoi_saturated(v); return true; }},
    {"--zdepth", true, [](CommandLineResult& r, const char* v) { V(r).depth_bits = atoi_saturated(v); return true; }},
    {"--draw-fps", true, [](CommandLineResult& r, const char* v) { V(r).draw_fps = atoi_saturated(v); return true; }},
    {"--draw-time", true, [](CommandLineResult& r, const char* v) { V(r).draw_time = atoi_saturated(v); return true; }},
    {"--draw-ping", true, [](CommandLineResult& r, const char* v) { V(r).draw_ping = atoi_saturated(v); return true; }},
    {"--draw-render-stats", true,
     [](CommandLineResult& r, const char* v) { V(r).draw_render_stats = atoi_saturated(v); return true; }},
    {"--accurate-skip", false, [](CommandLineResult& r, const char*) { return V(r).accurate_skip = true; }},
    {"--track", true, [](CommandLineResult& r, const char* v) { V(r).track = v; return true; }},
    {"--connect", true,
     [](CommandLineResult& r, const char* v) {
       size_t n = sizeof kConnectPrefix - 1;
       if (std::strncmp(v, kConnectPrefix, n) == 0) v += n;
       V(r).server = v;
       V(r).connect = true;
       return true;
     }},
    {"--password", true, [](CommandLineResult& r, const char* v) { V(r).password = v; return true; }},
    {"--chase-center", true,
     [](CommandLineResult& r, const char* v) {
       double c[3];
       char* end = nullptr;
       const char* p = v;
       for (int i = 0; i < 3; ++i) {
         if (i > 0) {
           if (*p != ',') return false;
           ++p;
         }
         c[i] = std::strtod(p, &end);
         if (end == p || !std::isfinite(c[i])) return false;
         p = end;
       }
       for (int i = 0; i < 3; ++i) V(r).chase_center[i] = c[i];
       return true;
     }},
    {"--open-home", false, [](CommandLineResult& r, const char*) { return V(r).open_home = true; }},
    {"--glfinish", false, [](CommandLineResult& r, const char*) { return V(r).glfinish = true; }},
    {"--print-orientation", false,
     [](CommandLineResult& r, const char*) { return V(r).print_orientation = true; }},
};

void fail(CommandLineResult& r, std::string message) {
  r.stop = true;
  r.error = std::move(message);
  r.exit_status = 1;
}

}  // namespace

CommandLineResult parse_command_line(const std::vector<std::string>& args) {
  CommandLineResult r;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_ended) {
      if (arg == "--") {
        options_ended = true;
        continue;
      }
      const OptionRow* match = nullptr;
      const char* value = nullptr;
      bool value_missing = false;
      for (const OptionRow& row : kOptions) {
        size_t n = std::strlen(row.name);
        if (arg == row.name) {
          match = &row;
          if (row.takes_value) {
            if (i + 1 < args.size()) {
              value = args[++i].c_str();
            } else {
              value_missing = true;
            }
          }
          break;
        }
        if (row.takes_value && arg.size() > n && arg.compare(0, n, row.name) == 0 && arg[n] == '=') {
          match = &row;
          value = arg.c_str() + n + 1;
          break;
        }
      }
      if (match) {
        // A value option standing last has nothing to read: report it as
        // that option's bad argument rather than reading past the list.
        if (value_missing || !match->handle(r, value ? value : "")) {
          fail(r, std::string("Bad arg for ") + match->name + "\n");
          return r;
        }
        if (r.values.open_home) {
          r.stop = true;
          r.exit_status = 0;
          return r;
        }
        continue;
      }
      if (!arg.empty() && arg[0] == '-') {
        fail(r, "bad option '" + arg + "'\n");
        return r;
      }
    }
    if (r.values.has_file) {
      fail(r, "Too many files!\n");
      return r;
    }
    r.values.file = arg;
    r.values.has_file = true;
  }
  return r;
}
