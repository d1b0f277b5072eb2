#include "core/configured_settings.h"

#include <cmath>
#include <cstdio>

#include "config/config_file.h"
#include "config/graphics_params.h"
#include "config/settings.h"

namespace {

void set_integer(const char* key, const std::optional<int>& value) {
  if (!value) return;
  if (SettingItem* item = find_setting(key)) item->integer = *value;
}

int integer_of(const char* key, int fallback) {
  const SettingItem* item = find_setting(key);
  return item ? item->integer : fallback;
}

double number_of(const char* key, double fallback) {
  const SettingItem* item = find_setting(key);
  return item ? item->number : fallback;
}

bool yes(const char* key, bool fallback) {
  const SettingItem* item = find_setting(key);
  return item ? std::string(chosen_text(*item)) == "Yes" : fallback;
}

}  // namespace

void load_configuration() {
  settings_defaults();
  read_configuration();
  apply_graphics_settings();
}

void apply_command_line_overrides(const CommandLine& o) {
  GraphicsParams& g = graphics_params();
  if (o.texture_detail) g.texture_detail = *o.texture_detail;
  if (o.ground_texture_detail) g.ground_texture_detail = *o.ground_texture_detail;
  if (o.roost_frequency) g.roost_frequency = *o.roost_frequency;
  if (o.detail) g.terrain_detail = *o.detail;
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

bool spy_mode() { return integer_of("spy", 0) != 0; }

bool windowed_mode() {
  const SettingItem* item = find_setting("video_mode");
  return item && std::string(chosen_text(*item)) == "Windowed";
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
  set_integer("xres", width);
  set_integer("yres", height);
}

double volume_setting() { return number_of("volume", 10); }
double competitor_volume_setting() { return number_of("comp_volume", 8); }
bool time_trial_abort_setting() { return yes("time_trial_abort", true); }
bool record_demo_setting() { return yes("record", false); }
int minutes_setting() { return static_cast<int>(std::lround(number_of("minutes", 0))); }
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
