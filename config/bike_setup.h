// The player's bike setup: the model, the rider's name, number and looks,
// the stability assists, the riding aids, gearing and suspension. The items
// live in the configuration file (after "time_trial_abort") and in setup
// files under "@setups/"; the mechanic hands them to the bike as
// SetupValues.
#pragma once
#include <string>
#include <vector>

#include "config/settings.h"

struct DataFile;

// Every setup item, in the order the configuration writes them.
std::vector<SettingItem>& setup_items();
// The item for a setup key (exact), or null.
SettingItem* find_setup_item(const char* key);
// Back to the static values the items are built with.
void setup_defaults();

// Returns 1 when key is a setup key (and takes its value), else 0.
int read_setup_line(const char* key, const char* value);
// Writes every setup line. Returns false when a write failed.
bool write_setup_lines(DataFile* file);

// Sets the fifteen advanced assist items from the Stability table,
// interpolating between its columns (0, 20, .. 100).
void apply_stability(double stability);
// The player's start: the advanced items from the Stability item's value.
void apply_default_stability();

// An appearance choice: display texts and their texture names (entry 0 is
// "default" with no texture).
struct AppearanceList {
  std::vector<std::string> texts;
  std::vector<std::string> textures;
};
// The list of the textures among the data-file names that begin with the
// prefix (".png" or ".png.scram", not normal or specular maps).
AppearanceList build_appearance_list(const std::vector<std::string>& data_names, const std::string& prefix);
// The four lists for the current choices, from the data files.
void build_appearance_lists();
// The list behind one of "rider_texture", "head_texture", "bike_texture",
// "wheel_texture".
const AppearanceList& appearance_list(const char* key);

// What the mechanic hands to the bike, in the bike's units: angles in
// radians, speeds in ft/s, damping factors 0.5..2, the other suspension
// settings 0..1.
struct SetupValues {
  std::string bike = "450sxf(2013)";
  std::string name = "Sam Dirt", number = "999";
  // Texture names; empty for the default look.
  std::string rider_texture, head_texture, bike_texture, wheel_texture;

  double leveling = 20, roll_damping = 80, roll_limit_angle = 0, roll_limit_factor = 32;
  double steering_damping = 45, steering_strength = 75, max_steering_force = 400, direct_steering = 0;
  double slow_damping_speed = 40, slow_damping_factor = 2;
  double land_damping_falloff = 0.25, land_damping_factor = 2;
  double full_lock_speed = 10, restricted_lock_speed = 50, restricted_lock = 0;

  bool arcade = true, front_antilock = true, rear_antilock = false;
  bool stop_wheelies_throttle = false;  // throttle cut in wheelies
  bool stop_wheelies_brake = false;     // front brake release in stoppies
  bool auto_shift = true, auto_dab = true, auto_align = true;
  bool sticky_dab = false, reverse_steering = true, lean_indicator = true;

  double auto_clutch_rpms = 5000, brake_torque = 250, rear_brake_torque = 250;
  double max_dab_speed = 20 * 22.0 / 15;
  double front_sprocket_adjustment = 0, rear_sprocket_adjustment = 0;
  double fork_compression = 1, fork_rebound = 1, fork_spring_rate = 0.5, fork_preload = 0.5, fork_oil_level = 0.5;
  double shock_compression = 1, shock_rebound = 1, shock_spring_rate = 0.5, shock_preload = 0.5;
  double rider_yspring = 0.5, rider_ydamping = 0.5, rider_zspring = 0.5, rider_zdamping = 0.5;
  double rider_mass_distribution = 0.33;
};
SetupValues setup_values();

// Reads a setup file ("key=value" lines). Every line is checked before any
// value is taken: unknown keys and values that are not taken are reported;
// numbers outside their range are clamped and reported. Nothing changes
// when the file cannot be read. problems receives one line per report.
bool read_setup_file(const char* name, std::vector<std::string>* problems);
// Writes every setup line to the file; false when it cannot be written.
bool write_setup_file(const char* name);
