// "results.txt" in the home folder: the final standings of a race with
// every finished rider's laps, times and gate list.
#pragma once
#include <span>
#include <string>

#include "race/race_record.h"
#include "track/timing_gates.h"

// What the file shows of a rider beside its timing.
struct RiderLabel {
  int slot = 0;
  std::string plate;  // the number on the plate
  std::string model;  // the bike model's name
};

// The race the results belong to.
struct RaceIdentity {
  std::string track;  // the track's folder name
  long date = 0;      // seconds since 1970
};

// The file's text for the final standings: the race line, the table of
// finished riders in final order, then each one's gate times. Lines end in
// "\r\n".
std::string results_text(const RaceRecord& race, const TimingGates& gates, RaceRiders riders,
                         std::span<const RiderLabel> labels, const RaceIdentity& identity);

// Writes "@results.txt" when the final standings are led by a finished
// rider (otherwise writes nothing and succeeds). The text goes to a
// temporary file that replaces the old one only once it is whole on disk,
// so a failed write or a crash leaves the old file as it was. Returns
// false, with a log line, when the file could not be written.
bool write_results(const RaceRecord& race, const TimingGates& gates, RaceRiders riders,
                   std::span<const RiderLabel> labels, const RaceIdentity& identity);

// "%3d:%02d.%03d" of a step count (minutes, seconds, thousandths).
std::string results_time(int steps);
