// The main loop's view of the configuration: loading it at start-up, the
// command line's overrides, the settings the loop reads, and writing it
// back at shutdown.
#pragma once
#include <string>

#include "app/command_line.h"
#include "app/controls.h"

// Defaults, then "@config", then the derived graphics parameters.
void load_configuration();
// Hands the ground detail and texture resolution of the graphics
// parameters to the terrain loader.
void apply_ground_options();
// A value given on the command line wins over the configured one.
void apply_command_line_overrides(const CommandLine& options);
bool save_configuration();

std::string configured_track();
bool spy_mode();
bool windowed_mode();
int configured_width();
int configured_height();
// The full-screen size of the chosen video mode ("%dx%d"); 0 x 0 for the
// desktop's own size ("Default Fullscreen").
void fullscreen_size(int* width, int* height);
void store_window_size(int width, int height);
// Selects the track in the chooser; the configuration writes it back.
void select_track_in_chooser(const char* folder);
double field_of_view_setting();     // degrees
double volume_setting();             // 0..10
double competitor_volume_setting();  // 0..10
bool time_trial_abort_setting();
ControlOptions control_options();
bool record_demo_setting();
int minutes_setting();
int laps_setting();
// The Robot Skill: 0 Novice, 1 Amateur, 2 Expert.
int robot_skill_setting();

// Copies the bindings' key codes, axes and ranges into the loop's control
// states (the values stay).
void sync_controls_from_bindings(ControlState* controls);
