// The command line: "--" options and one demo file argument. Parsing is a
// pure function of the argument list so that every rule can be checked
// without the program exiting.
#pragma once
#include <optional>
#include <string>
#include <vector>

struct CommandLine {
  bool fugly = false;
  bool nosound = false;
  bool novertexarrays = false;
  std::optional<bool> learn;  // --learn / --nolearn
  bool nommx = false;
  int debug_level = 0;
  bool practice = false;
  bool warp = false;
  // Values that override the configuration when given.
  std::optional<int> texture_detail;         // 0..4
  std::optional<int> ground_texture_detail;  // 0..4
  std::optional<int> roost_frequency;        // 0..1000
  std::optional<double> erode;               // 0..100
  std::optional<double> detail;
  std::optional<double> max_detail_distance;
  std::optional<double> lod_scale;  // 1e-6..1e6
  std::optional<double> lod_bias;
  std::optional<int> width, height;
  std::optional<int> draw_fps, draw_time, draw_ping, draw_render_stats;
  double lock_fps = 0;   // frames per second, 0 = off
  double fake_lag = 0;   // seconds, 0..1
  int fake_loss = 0;     // percent, 0..100
  std::string record_audio;
  bool record_video = false;
  int rotate_lineup = 0;
  bool editor = false;
  bool draw_paused = true;  // --hidden-pause clears
  bool draw_hud = true;     // --hidden-hud clears
  int colour_bits = 16;
  int depth_bits = 16;
  bool accurate_skip = false;
  std::string track;
  std::string server;  // empty: no --connect
  bool connect = false;
  std::string password;
  double chase_center[3] = {0, 2.52, 0.52};
  bool open_home = false;
  bool glfinish = false;
  bool print_orientation = false;
  std::string file;  // the demo to play; empty: none
  bool has_file = false;
};

struct CommandLineResult {
  CommandLine values;
  // Lines for standard error that are not errors ("--bikes ...").
  std::vector<std::string> notices;
  // When set, print error to standard error and exit with exit_status
  // (also set, with an empty error, for --open-home).
  bool stop = false;
  std::string error;
  int exit_status = 0;
};

// args: the arguments after the program name.
CommandLineResult parse_command_line(const std::vector<std::string>& args);
