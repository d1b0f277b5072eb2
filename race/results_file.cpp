#include "race/results_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "files/data_files.h"
#include "files/file_stream.h"
#include "platform/log.h"
#include "race/laps.h"

namespace {
constexpr const char* kResultsName = "@results.txt";
constexpr const char* kTemporaryName = "@results.txt.tmp";

const RiderLabel* find_label(std::span<const RiderLabel> labels, int slot) {
  for (const RiderLabel& l : labels)
    if (l.slot == slot) return &l;
  return nullptr;
}

void append(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void append(std::string& out, const char* format, ...) {
  // Labels come from rider descriptions of any length: size the text first.
  va_list args, again;
  va_start(args, format);
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (n > 0) {
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n) + 1);
    std::vsnprintf(out.data() + at, static_cast<size_t>(n) + 1, format, again);
    out.resize(at + static_cast<size_t>(n));
  }
  va_end(again);
}

// Only riders who finished are listed.
const BikeTiming* finished_timing(RaceRiders riders, int slot) {
  const RaceRider* r = find_rider(riders, slot);
  return r && r->timing->finished ? r->timing : nullptr;
}

void append_gate_list(std::string& out, const RaceRecord& race, const TimingGates& gates, const BikeTiming& t) {
  out += "\r\n";
  append(out, "%d\r\n", t.gates_passed);
  for (int g = 0; g < t.gates_passed; ++g) {
    const int s = gate_step(t, g);
    if (s == kNoStep)
      append(out, "%8d", -1);
    else
      append(out, "%8.3f", (s - race.start_step) * kStep);
    // Each lap on its own line.
    const bool lap_ends = is_lap_gate(gates, g) || g == t.gates_passed - 1;
    out += lap_ends ? "\r\n" : " ";
  }
}

// Puts the data on disk before the rename makes it the results file.
bool sync_file(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}
}  // namespace

std::string results_time(int steps) {
  int ms = static_cast<int>(static_cast<float>(steps * kStep) * 1000.0f);
  if (ms < 0) ms = 0;
  const int minutes = ms / 60000;
  const int seconds = ms / 1000 - minutes * 60;
  char text[32];
  std::snprintf(text, sizeof text, "%3d:%02d.%03d", minutes, seconds, ms % 1000);
  return text;
}

std::string results_text(const RaceRecord& race, const TimingGates& gates, RaceRiders riders,
                         std::span<const RiderLabel> labels, const RaceIdentity& identity) {
  std::string out;
  append(out, "Time=%.2f|Laps=%d|Track=%s|Date=%ld\r\n", race.time_limit_steps * kStep, race.extra_laps,
         identity.track.c_str(), identity.date);
  append(out, "%4s | %12s | %4s | %10s | %4s | %10s\r\n", "No.", "Bike", "Laps", "Total Time", "BLap", "Best Time");
  for (const StandingsEntry& e : race.final_standings) {
    const BikeTiming* t = finished_timing(riders, e.slot);
    if (!t) continue;
    const RiderLabel* label = find_label(labels, e.slot);
    const int best = best_lap(race, gates, *t);
    append(out, "%4s | %12s | %4d | %s | ", label ? label->plate.c_str() : "", label ? label->model.c_str() : "",
           laps_completed(gates, e.gates_passed), results_time(e.last_gate_step - race.start_step).c_str());
    append(out, "%4d | %s\r\n", best, results_time(lap_time(race, gates, *t, best)).c_str());
  }
  for (const StandingsEntry& e : race.final_standings)
    if (const BikeTiming* t = finished_timing(riders, e.slot)) append_gate_list(out, race, gates, *t);
  return out;
}

bool write_results(const RaceRecord& race, const TimingGates& gates, RaceRiders riders,
                   std::span<const RiderLabel> labels, const RaceIdentity& identity) {
  if (race.final_standings.empty() || !finished_timing(riders, race.final_standings[0].slot)) return true;
  const char* home = home_folder();
  if (!home) {
    tarn_log("Can't write results: no home folder\n");
    return false;
  }
  const std::string temporary = std::string(home) + (kTemporaryName + 1);
  const std::string text = results_text(race, gates, riders, labels, identity);
  DataFile* f = open_data_file(kTemporaryName, "wb");
  if (!f) {
    tarn_log("Can't write results \"%s\": %s\n", temporary.c_str(), std::strerror(errno));
    return false;
  }
  bool ok = write_block(f, text.data(), text.size()) == text.size();
  ok = flush_data_file(f) == 0 && ok;
  close_data_file(f);
  if (!ok || !sync_file(temporary)) {
    tarn_log("Can't write results \"%s\"\n", temporary.c_str());
    std::remove(temporary.c_str());
    return false;
  }
  if (!rename_data_file(kTemporaryName, kResultsName)) {
    tarn_log("Can't replace results \"%sresults.txt\": %s\n", home, std::strerror(errno));
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}
