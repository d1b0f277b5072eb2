// Making a track's robot lines by riding it: a rider following a path
// through the gates at the skill's pace records what the bike really did,
// lap after lap, and every clean stretch becomes a line; then robots race
// on those lines so they gather the runs and times that every plan needs.
// Works on any track with timing gates.
#pragma once
#include <string>

struct LineMakerOptions {
  std::string track;
  int skill = 0;            // 0 novice, 1 amateur, 2 expert
  int recording_laps = 3;   // laps the path-following rider rides
  int robots = 6;           // robots racing on the lines for their statistics
  int robot_laps = 4;
  // Where the file goes: empty for the track's folder in the home folder.
  std::string output;
};

struct LineMakerReport {
  int segments = 0;
  int lines = 0;         // lines kept over all segments
  int points = 0;
  int runs = 0;          // robot runs counted over all lines
  int failures = 0;
  int robots_finished = 0;
  double recording_lap_seconds = 0;  // the path-following rider's last lap
  double first_lap_plan = 0, normal_lap_plan = 0;  // planned, seconds
  std::string file;
};

// False, with a message on standard error, when the track does not load,
// has no gates, or no line could be made.
bool make_lines(const LineMakerOptions& options, LineMakerReport& report);
