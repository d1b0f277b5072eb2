// The main loop's state: view mode, pause, menus, the clocks and the
// frame-time statistics. One instance lives for the program's run.
#pragma once
#include <csignal>
#include <limits>

#include "app/command_line.h"
#include "platform/units.h"

// Menu index of the chat line.
constexpr int kChatMenu = 16;

enum ViewMode {
  RiderView = 0,
  EditorView = 2,
  OrbitCamera = 3,
  TrackCamera = 4,
  TitleView = 5,
};

// Counters of frame durations and the extremes of the frame advance.
struct FrameTimes {
  double previous = 0;  // real time of the previous frame, seconds
  unsigned histogram[8] = {};
  double shortest = std::numeric_limits<double>::infinity();
  double longest = 0;
};

struct LoopState {
  ViewMode view = RiderView;
  bool paused = false;
  int menu = 0;       // -1: no menu open
  int menu_item = 0;  // selected item of the open menu
  int watched_slot = 0;
  FrameTimes frames;
  double target_time = 0;     // sum of all frame advances
  double simulated_time = 0;  // advanced in whole steps
  double game_clock = 0;      // times the message lines
  double message_expiry = 0;
  unsigned next_screenshot = 0;  // 0: not yet known
  int track_camera = 0;          // -1: the free camera
  bool pointer_drag = false;
  bool editor_bikes_placed = false;
  bool track_was_loaded = false;  // for the TitleView -> RiderView switch
};

struct App {
  CommandLine options;
  LoopState loop;
  bool fixed_files_ok = false;
  bool mmx = false;
  int debug_level = 0;
  bool have_window = false;
};

App& app();

// The quit flag: set by the menus, the console or a signal; the loop tests
// it before every frame.
void request_quit();
bool quit_requested();
// SIGINT and SIGTERM set the quit flag, so the shutdown always runs.
void install_quit_signals();
