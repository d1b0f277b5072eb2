// The lines file of a track and robot skill: "ct03 <segments>", then per
// segment its line count, and per line its statistics and points.
#pragma once
#include <cstdint>
#include <string>

#include "robot/lines.h"

struct TimingGates;

constexpr int kSkillCount = 3;  // Novice, Amateur, Expert
// "lines_novice", "lines_amateur", "lines_expert"; null out of range.
const char* line_file_name(int skill);
// "@<folder>/<line file name>".
std::string line_file_path(const std::string& folder, int skill);

// Brings large statistics within the limits, halving runs (the sums scaled
// with them so that the means stay) and failures up to 16 times, then
// capping; negative values become 0.
void line_statistics_scale(int64_t& runs, int64_t& sum_first, int64_t& sum_both, int64_t& failures);

// Reads a lines file (a data-file name or a path) into the table, whose
// segments must be set up for the track. Returns the lines stored, or -1
// when the file is missing, is not a lines file or is for another segment
// count (the table is then left as it was). A damaged file loses only the
// lines it damages.
int lines_read(LineTable& table, const char* name);
// Writes every stored line; the old file is replaced only once the new one
// is complete. Returns success (with a message line on failure).
bool lines_write(const LineTable& table, const char* name);

// The table reset for the track's gates, then filled from the track's
// lines file for the skill. Returns the lines loaded (0 without a file).
int load_lines(LineTable& table, const TimingGates& gates, const std::string& folder, int skill);
bool save_lines(const LineTable& table, const std::string& folder, int skill);
