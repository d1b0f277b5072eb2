#include "app/configured_settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "config/bike_setup.h"
#include "config/config_file.h"
#include "config/graphics_params.h"
#include "config/settings.h"
#include "track/terrain.h"

namespace {

// The items the loop reads every frame, looked up by key once: the table's
// items never move.
struct LoopItems {
  const SettingItem* volume = find_setting("volume");
  const SettingItem* fov = find_setting("fov");
  const SettingItem* comp_volume = find_setting("comp_volume");
  const SettingItem* time_trial_abort = find_setting("time_trial_abort");
  const SettingItem* spy = find_setting("spy");
  const SettingItem* video_mode = find_setting("video_mode");
  SettingItem* xres = find_setting("xres");
  SettingItem* yres = find_setting("yres");
};
const LoopItems& loop_items() {
  static const LoopItems items;
  return items;
}

void set_integer(const char* key, const std::optional<int>& value) {
  if (!value) return;
  if (SettingItem* item = find_setting(key)) item->integer = *value;
}

int integer_of(const SettingItem* item, int fallback) { return item ? item->integer : fallback; }
int integer_of(const char* key, int fallback) { return integer_of(find_setting(key), fallback); }

double number_of(const SettingItem* item, double fallback) { return item ? item->number : fallback; }
double number_of(const char* key, double fallback) { return number_of(find_setting(key), fallback); }

bool yes(const SettingItem* item, bool fallback) {
  return item ? std::strcmp(chosen_text(*item), "Yes") == 0 : fallback;
}
bool yes(const char* key, bool fallback) { return yes(find_setting(key), fallback); }

}  // namespace

void load_configuration() {
  settings_defaults();
  build_appearance_lists();
  read_configuration();
  apply_graphics_settings();
  apply_ground_options();
}

void apply_ground_options() {
  // The terrain loader reads its own options: one value, copied here
  // whenever the graphics parameters change.
  const GraphicsParams& g = graphics_params();
  TerrainOptions& t = terrain_options();
  t.detail = static_cast<float>(g.terrain_detail);
  t.texture_resolution = g.ground_texture_size;
}

void apply_command_line_overrides(const CommandLine& o) {
  GraphicsParams& g = graphics_params();
  if (o.texture_detail) g.texture_detail = *o.texture_detail;
  if (o.ground_texture_detail) g.ground_texture_detail = *o.ground_texture_detail;
  if (o.roost_frequency) g.roost_frequency = *o.roost_frequency;
  if (o.detail) g.terrain_detail = *o.detail;
  apply_ground_options();
  if (o.lod_scale) g.model_lod_scale = *o.lod_scale;
  if (o.lod_bias) g.model_lod_bias = *o.lod_bias;
  set_integer("xres", o.width);
  set_integer("yres", o.height);
  set_integer("draw_fps", o.draw_fps);
  set_integer("draw_time", o.draw_time);
  set_integer("draw_ping", o.draw_ping);
}

bool save_configuration() { return write_configuration(); }

std::string configured_track() {
  const SettingItem* item = find_setting("track");
  return item && !item->text.empty() ? item->text : "rabbithill";
}

bool spy_mode() { return integer_of(loop_items().spy, 0) != 0; }

bool windowed_mode() {
  const SettingItem* item = loop_items().video_mode;
  return item && std::strcmp(chosen_text(*item), "Windowed") == 0;
}

int configured_width() { return integer_of("xres", 640); }
int configured_height() { return integer_of("yres", 480); }

void fullscreen_size(int* width, int* height) {
  *width = *height = 0;
  const SettingItem* item = find_setting("video_mode");
  int w, h;
  if (item && std::sscanf(chosen_text(*item), "%dx%d", &w, &h) == 2 && w > 0 && h > 0) {
    *width = w;
    *height = h;
  }
}

void store_window_size(int width, int height) {
  if (SettingItem* x = loop_items().xres) x->integer = width;
  if (SettingItem* y = loop_items().yres) y->integer = height;
}

double field_of_view_setting() { return number_of(loop_items().fov, 110); }
double volume_setting() { return number_of(loop_items().volume, 10); }
double competitor_volume_setting() { return number_of(loop_items().comp_volume, 8); }
bool time_trial_abort_setting() { return yes(loop_items().time_trial_abort, true); }

// Reversed steering and sticky sit/dab are bike-setup settings; until the
// setup is kept both stay off.
ControlOptions control_options() { return ControlOptions(); }
bool record_demo_setting() { return yes("record", false); }
int minutes_setting() { return static_cast<int>(std::lround(number_of("minutes", 0))); }
int robot_skill_setting() {
  const SettingItem* item = find_setting("skill");
  return item ? std::clamp(item->chosen, 0, 2) : 0;
}
int laps_setting() { return static_cast<int>(std::lround(number_of("laps", 5))); }

void sync_controls_from_bindings(ControlState* controls) {
  for (int i = 0; i < kPlayerControlCount && i < kControlCount; ++i) {
    const ControlBinding& b = control_binding(i);
    controls[i].key_code = b.key_code;
    controls[i].axis = b.axis;
    controls[i].low = b.low;
    controls[i].high = b.high;
  }
}

void select_track_in_chooser(const char* folder) {
  // The chooser's selection is what the configuration writes back as "track".
  if (SettingItem* item = find_setting("track")) item->text = folder;
}
