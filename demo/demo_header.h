// The text header of a ".krdemo" file: the format version, the race length,
// the track and every recorded rider's description.
#pragma once
#include <string>
#include <vector>

#include "demo/rider_description.h"
#include "files/file_stream.h"
#include "platform/units.h"

constexpr int kDemoVersion = 6;
// Files without a start step start the race at 14 s.
constexpr int kDefaultDemoStartStep = 14 * kStepsPerSecond;

struct DemoHeader {
  int version = kDemoVersion;
  int time_limit_steps = 0;
  int extra_laps = 0;
  int start_step = kDefaultDemoStartStep;
  std::string track;  // the track's folder name
  std::vector<RiderDescription> riders;  // in rider index order
};

// "KR06 riders time extra start\n", the track line, then each rider's
// description followed by an empty line. Names and fields are cleaned.
std::string format_demo_header(const DemoHeader& h);

// Reads a header of version 4, 5 or 6 and leaves the stream at the first
// byte after it. free_slots is how many riders the session can take.
// False with *error set (a sentence without the file's name) when the
// header is damaged, names an unsafe track folder, or has no riders, more
// than 160 or more than there are free slots.
bool read_demo_header(DataFile* f, int free_slots, DemoHeader* h, std::string* error);

// A track folder name a demo may name: relative, without ".." parts,
// backslashes or control characters.
bool is_safe_track_folder(const std::string& folder);
