#include "track/timing_gates.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "files/file_stream.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "track/object_text.h"
#include "track/track.h"

namespace {
constexpr float kPi = 3.14159265358979323846f;
constexpr const char* kGateModel = "@startgate.jm";
constexpr const char* kGateTexture = "@startgate.ppm";
constexpr const char* kGateShape = "@startgate.shp";
// The gate statue stands this far behind its slot, along the slot's angle.
constexpr float kGateBehind = 3.0f;

void read_start_slot(Track& track, const std::string& line) {
  StartSlot slot;
  char model[1024] = "", texture[1024] = "", shape[1024] = "";
  int got = std::sscanf(line.c_str(), " [ %f %f %f ] %f %1023s %1023s %1023s", &slot.position[0], &slot.position[1],
                        &slot.position[2], &slot.angle, model, texture, shape);
  if (got < 5) std::strcpy(model, kGateModel);
  if (got < 6) std::strcpy(texture, kGateTexture);
  if (got < 7) std::strcpy(shape, kGateShape);
  if (static_cast<int>(track.gates.start_slots.size()) >= kMaxStartSlots) return;
  slot.angle = wrap_angle(slot.angle);
  const float x = slot.position[0] - kGateBehind * std::sin(slot.angle);
  const float z = slot.position[2] - kGateBehind * std::cos(slot.angle);
  slot.statue = statue_add(track, x, slot.position[1], z, slot.angle, model, texture, shape);
  track.statues[slot.statue].start_gate = true;
  track.gates.start_slots.push_back(slot);
}

bool is_start_slot(const std::string& line) {
  float v[4];
  if (std::sscanf(line.c_str(), " [ %f %f %f ] %f", &v[0], &v[1], &v[2], &v[3]) != 4) return false;
  // A slot nowhere (NaN, infinity) is a broken line.
  return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// Lap references "%d" until a non-number; at most kMaxLapGates kept.
void read_lap(ObjectText& in, std::vector<int>& lap) {
  int r;
  while (in.scan(" %d", &r) == 1)
    if (static_cast<int>(lap.size()) < kMaxLapGates) lap.push_back(r);
}

// The header word that should come next; empty at the end.
std::string next_word(ObjectText& in) {
  char word[81];
  if (in.scan(" %80s", word) != 1) return std::string();
  return word;
}

int count_real(const std::vector<int>& lap) {
  return static_cast<int>(std::count_if(lap.begin(), lap.end(), [](int r) { return r < kMarkedGate; }));
}

void drop_gate_set(TimingGates& g) {
  g.checkpoints.clear();
  g.first_lap.clear();
  g.normal_lap.clear();
  g.first_lap_real = g.normal_lap_real = 0;
}
}  // namespace

int lap_reference_normalise(int r, int checkpoints) {
  if (r < 0) return 0;
  const int last = std::max(checkpoints - 1, 0);
  return (r >= kMarkedGate ? kMarkedGate : 0) + std::min(r % kMarkedGate, last);
}

float wrap_angle(float a) {
  if (!std::isfinite(a)) return 0;
  if (a >= -kPi && a <= kPi) return a;
  a = std::remainder(a, 2 * kPi);
  return a;
}

void timing_gates_read(Track& track, const char* path) {
  TimingGates& g = track.gates;
  ObjectText in;
  if (!in.open(path)) return;

  std::string word = next_word(in);
  if (word == "startinggate:") {
    // Slot lines up to "checkpoints:"; a line with fewer than a position and
    // an angle ends the section (and the file, unless it is the header).
    std::string line;
    word.clear();
    while (in.next_line(line)) {
      std::string first = first_word(line);
      if (first.empty()) continue;
      if (!is_start_slot(line)) {
        word = first;
        break;
      }
      read_start_slot(track, line);
    }
    if (word != "checkpoints:") return;
  }
  // Otherwise the first word stands for "checkpoints:".

  for (;;) {
    Checkpoint c;
    if (in.scan(" %f [ %f %f %f ] [ %f %f %f ] ", &c.radius, &c.position[0], &c.position[1], &c.position[2],
                &c.direction[0], &c.direction[1], &c.direction[2]) != 7)
      break;
    if (!std::isfinite(c.radius) || !std::isfinite(c.position[0]) || !std::isfinite(c.position[1]) ||
        !std::isfinite(c.position[2]) || !std::isfinite(c.direction[0]) || !std::isfinite(c.direction[1]) ||
        !std::isfinite(c.direction[2]))
      break;
    if (static_cast<int>(g.checkpoints.size()) < kMaxCheckpoints) g.checkpoints.push_back(c);
  }
  if (next_word(in) == "firstlap:") {
    read_lap(in, g.first_lap);
    if (next_word(in) == "normallap:") read_lap(in, g.normal_lap);
  }

  const int n = static_cast<int>(g.checkpoints.size());
  for (int& r : g.first_lap) r = lap_reference_normalise(r, n);
  for (int& r : g.normal_lap) r = lap_reference_normalise(r, n);
  g.first_lap_real = count_real(g.first_lap);
  g.normal_lap_real = count_real(g.normal_lap);
  if (n == 0 || g.first_lap_real == 0 || g.normal_lap_real == 0) {
    if (n > 0 || !g.first_lap.empty() || !g.normal_lap.empty())
      tarn_log("Timing gates of '%s' dropped: %d gates, %d and %d unmarked lap gates\n", path, n, g.first_lap_real,
               g.normal_lap_real);
    drop_gate_set(g);
    return;
  }
  if (track_debug_level() >= 1)
    tarn_log("Found %d timing gates, first lap has %d gates, normal lap has %d\n", n,
             static_cast<int>(g.first_lap.size()), static_cast<int>(g.normal_lap.size()));
}

bool timing_gates_write(const Track& track, const char* path) {
  const TimingGates& g = track.gates;
  DataFilePtr out{open_data_file(path, "w")};
  if (!out) {
    show_message("Can't open 'timing_gates'\n");
    return false;
  }
  DataFile* f = out.get();
  bool ok = true;
  auto check = [&ok](int n) {
    if (n < 0) ok = false;
  };
  if (!g.start_slots.empty()) {
    check(write_text(f, "startinggate:\n"));
    for (const StartSlot& s : g.start_slots) {
      check(write_formatted(f, "[%f %f %f]", s.position[0], s.position[1], s.position[2]));
      check(write_formatted(f, " %f", s.angle));
      const Statue* st = s.statue >= 0 && s.statue < static_cast<int>(track.statues.size())
                             ? &track.statues[s.statue]
                             : nullptr;
      if (!st || (st->model_name == kGateModel && st->texture_name == kGateTexture && st->shape_name == kGateShape)) {
        check(write_text(f, "\n"));
      } else {
        auto nn = [](const std::string& s) { return s.empty() ? "null" : s.c_str(); };
        check(write_formatted(f, " %s %s %s\n", nn(st->model_name), nn(st->texture_name), nn(st->shape_name)));
      }
    }
  }
  if (!g.checkpoints.empty()) {
    check(write_text(f, "checkpoints:\n"));
    for (const Checkpoint& c : g.checkpoints) {
      check(write_formatted(f, "%f ", c.radius));
      check(write_formatted(f, "[%f %f %f]", c.position[0], c.position[1], c.position[2]));
      check(write_text(f, " "));
      check(write_formatted(f, "[%f %f %f]", c.direction[0], c.direction[1], c.direction[2]));
      check(write_text(f, "\n"));
    }
  }
  const std::pair<const char*, const std::vector<int>*> laps[] = {{"firstlap:\n", &g.first_lap},
                                                                   {"normallap:\n", &g.normal_lap}};
  for (const auto& [header, lap] : laps) {
    if (lap->empty()) continue;
    check(write_text(f, header));
    for (int r : *lap) check(write_formatted(f, "%d ", r));
    check(write_text(f, "\n"));
  }
  if (flush_data_file(f) != 0) ok = false;
  if (!ok) show_message("Can't write 'timing_gates'\n");
  return ok;
}
