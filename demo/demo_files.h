// The names demos are kept under in the home folder, the rotation of the
// backups of the race recording, and the time trial's two laps.
#pragma once
#include <string>

// The demo every race records (outside time trial).
constexpr const char* kDefaultDemo = "@demos/default.krdemo";
constexpr int kMaxDemoBackups = 100;
// Time trial: the lap being ridden and the fastest lap, the ghost.
constexpr const char* kLastLapDemo = "lastlap.krdemo";
constexpr const char* kFastLapDemo = "fastlap.krdemo";

// "@demos/default%02d.krdemo".
std::string demo_backup_name(int n);
// Shifts the backups along before a new recording: with B = backups
// clamped to 0..100, default(B-2) becomes default(B-1) and so on down to
// default00 -> default01, then default.krdemo becomes default00 (B > 0).
void rotate_demo_backups(int backups);

// "@" + track + "/" + file, the track's folder under the home folder.
std::string time_trial_demo_name(const std::string& track, const char* file);

// The file a `namedemo` name renames the recording to: "@demos/" + name +
// ".krdemo". False for an empty name or one with a folder part, "..", or
// control characters.
bool named_demo_file(const std::string& name, std::string* file);

// Copies a data file in 1024-byte blocks. The copy is written beside the
// target and renamed over it once whole, so a failed copy leaves the old
// target as it was. False, with a log line, on failure.
bool copy_demo_file(const char* from, const char* to);

// The time trial's lap change: the lap just ridden becomes the ghost when
// there was no ghost yet or the lap beat it. True when it was copied.
bool keep_fastest_lap(const std::string& track, bool lap_beat_ghost);
