#include "config/settings.h"

#include "config/config_file.h"
#include "config/graphics_presets.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const std::vector<std::string> kNoYes = {"No", "Yes"};
const std::vector<std::string> kSlotKinds = {"Empty", "Human", "Robot", "Robot (2 stroke)",
                                             "Robot (4 stroke)"};

// The default server is the public race server.
const char* const kDefaultServer = "race.kiwiridge.net";

struct ControlDefault {
  const char* key;
  const char* label;
  const char* key_name;
};

const ControlDefault kControls[kControlCount] = {
    {"throttle_key", "Throttle", "x"},
    {"front_brake_key", "Front Brake", "c"},
    {"rear_brake_key", "Rear Brake", "v"},
    {"left_key", "Left", "left"},
    {"right_key", "Right", "right"},
    {"clutch_key", "Clutch", "z"},
    {"upshift_key", "Upshift", "up"},
    {"downshift_key", "Downshift", "down"},
    {"dab_key", "Sit/Dab", "right ctrl"},
    {"back_up_key", "Back up", "b"},
    {"lean_forward_key", "Lean Forward", "n"},
    {"lean_backward_key", "Lean Backward", "m"},
    {"pause_key", "Pause", "pause"},
    {"step_key", "Step", "."},
    {"rewind_key", "Rewind", "\\"},
    {"skip_key", "Skip", "/"},
    {"prev_key", "Previous Bike", "["},
    {"next_key", "Next Bike", "]"},
    {"console_key", "Chat", "t"},
    {"screenshot_key", "Screenshot", "s"},
};

// Keys and texts of the table's items must outlive the program; the slot and
// history keys are made here once.
char g_slot_keys[40][8];
char g_slot_labels[40][8];
char g_hist_keys[16][24];

int default_slot_kind(int slot) {
  if (slot == 19) return 1;  // Gate 20: the player
  if (slot == 17 || slot == 18 || slot == 20 || slot == 21 || slot == 22) return 2;
  return 0;
}

std::vector<SettingItem> build_table() {
  std::vector<SettingItem> t;
  t.push_back(integer_item("xres", "Window Width", 640));
  t.push_back(integer_item("yres", "Window Height", 480));
  t.push_back(integer_item("draw_fps", "Draw FPS", 0));
  t.push_back(integer_item("draw_time", "Draw Time", 0));
  t.push_back(integer_item("draw_ping", "Draw Ping", 1));
  t.push_back(integer_item("spy", "Spy", 0));
  t.push_back(text_item("track", "Track", "rabbithill", 127));
  t.push_back(choice_item("record", "Record Demo", kNoYes, 0));
  t.push_back(choice_item("skill", "Robot Skill", {"Novice", "Amateur", "Expert"}, 0));
  t.push_back(number_item("minutes", "Minutes", 0, 1, 0, 60));
  t.push_back(number_item("laps", "Laps", 5, 1, 0, 50));
  for (int i = 0; i < 40; ++i) {
    std::snprintf(g_slot_keys[i], sizeof g_slot_keys[i], "slot%02d", i);
    std::snprintf(g_slot_labels[i], sizeof g_slot_labels[i], "Gate %d", i + 1);
    t.push_back(choice_item(g_slot_keys[i], g_slot_labels[i], kSlotKinds, default_slot_kind(i)));
  }
  t.push_back(number_item("ghost_fade_distance", "Ghost Fade Distance", 10, 1, 0, 40));
  t.push_back(choice_item("time_trial_abort", "Backing Up Aborts Attempt", kNoYes, 1));
  // The bike setup lines are written here (write_setup_lines).
  t.push_back(choice_item("video_mode", "Video Mode", {"Default Fullscreen", "Windowed"}, 0));
  t.push_back(text_item("server_name", "Server", kDefaultServer, 127));
  for (int i = 0; i < 16; ++i) {
    std::snprintf(g_hist_keys[i], sizeof g_hist_keys[i], "server_name_hist%02d", i);
    SettingItem hist = text_item(g_hist_keys[i], "Server History", "", 126);
    hist.ignore_long = true;
    t.push_back(hist);
  }
  // Graphics items: their defaults come from the Compatibility preset.
  t.push_back(number_item("ground_detail", "Ground Geometric Detail", 70, 1, 0, 100));
  t.push_back(number_item("ground_texture_detail", "Ground Texture Levels", 9, 1, 0, 10));
  t.push_back(choice_item("ground_texture_dim", "Ground Texture Resolution",
                          {"32x32", "64x64", "128x128", "256x256", "512x512", "1024x1024"}, 1));
  t.push_back(choice_item("ground_mipmaps", "Enable Ground Mipmaps", kNoYes, 1));
  t.push_back(choice_item("texture_compress", "Compress Textures", {"No", "Yes", "Always"}, 0));
  t.push_back(choice_item("render_texture", "Terrain Rendering Method",
                          {"Software", "Hardware/Copy", "Hardware/Direct", "Shaders/Copy", "Shaders/Direct"},
                          0));
  t.push_back(choice_item("use_shader", "Use Shader Programs", kNoYes, 1));
  t.push_back(number_item("roost_density", "Roost Density", 1000, 10, 0, 1000));
  t.push_back(choice_item("lens_flare", "Enable Lens Flares", kNoYes, 1));
  t.push_back(choice_item("reflections", "Enable Reflections", kNoYes, 1));
  t.push_back(choice_item("hide_rider", "Hide 1st Person Rider", kNoYes, 0));
  t.push_back(choice_item("rigid_camera", "Rigid 3rd person camera", kNoYes, 0));
  t.push_back(number_item("model_detail", "Model Geometric Detail", 50, 1, 0, 100));
  t.push_back(number_item("model_texture_detail", "Model Texture Detail", 9, 1, 0, 10));
  t.push_back(number_item("fov", "Field Of View (degrees)", 110, 1, 10, 170));
  t.push_back(number_item("first_person_height", "1st Person Height", 0, 0.03125, 0, 1));
  t.push_back(number_item("first_person_angle", "1st Person Angle", 0, 1, 0, 40));
  t.push_back(number_item("third_person_height", "3rd Person Height", 5, 1, 0, 20));
  t.push_back(number_item("third_person_distance", "3rd Person Distance", 10, 1, 5, 40));
  t.push_back(number_item("volume", "Volume", 10, 1, 0, 10));
  t.push_back(number_item("comp_volume", "Competitor Volume", 8, 1, 0, 10));
  t.push_back(choice_item("playback_mode", "Playback Mode", {"Playback Only", "Race Against"}, 0));
  t.push_back(integer_item("billboard_optimize_lookahead", "Billboard Look-ahead", 8));
  t.push_back(integer_item("message_lines", "Message Lines", 5));
  t.push_back(integer_item("demo_backups", "Demo Backups", 0));
  t.push_back(number_item("map_scale", "Map Scale", 1, 0.125, 0.125, 8));
  for (const ControlDefault& c : kControls) {
    SettingItem item;
    item.key = c.key;
    item.label = c.label;
    item.kind = SettingKind::Binding;
    item.binding.label = c.label;
    item.binding.key_name = c.key_name;
    t.push_back(item);
  }
  // Read but never written: turning framebuffer objects on or off picks the
  // matching hardware terrain method.
  SettingItem fbo = choice_item("use_fbo", "Use Framebuffer Objects", kNoYes, 1);
  fbo.written = false;
  t.push_back(fbo);
  return t;
}

}  // namespace

SettingItem integer_item(const char* key, const char* label, int value) {
  SettingItem item;
  item.key = key;
  item.label = label;
  item.kind = SettingKind::Integer;
  item.integer = value;
  return item;
}

SettingItem number_item(const char* key, const char* label, double value, double step, double minimum,
                        double maximum) {
  SettingItem item;
  item.key = key;
  item.label = label;
  item.kind = SettingKind::Number;
  item.number = value;
  item.step = step;
  item.minimum = minimum;
  item.maximum = maximum;
  return item;
}

SettingItem choice_item(const char* key, const char* label, const std::vector<std::string>& choices,
                        int chosen) {
  SettingItem item;
  item.key = key;
  item.label = label;
  item.kind = SettingKind::Choice;
  item.choices = choices;
  item.chosen = chosen;
  return item;
}

SettingItem text_item(const char* key, const char* label, const char* value, int max_length) {
  SettingItem item;
  item.key = key;
  item.label = label;
  item.kind = SettingKind::Text;
  item.text = value;
  item.max_length = max_length;
  return item;
}

std::vector<SettingItem>& setting_items() {
  static std::vector<SettingItem> table = build_table();
  return table;
}

SettingItem* find_setting(const char* key) {
  if (!key) return nullptr;
  for (SettingItem& item : setting_items())
    if (std::strcmp(item.key, key) == 0) return &item;
  return nullptr;
}

const char* chosen_text(const SettingItem& item) {
  if (item.chosen < 0 || item.chosen >= (int)item.choices.size()) return "";
  return item.choices[item.chosen].c_str();
}

bool choose_entry(SettingItem& item, const char* text) {
  for (size_t i = 0; i < item.choices.size(); ++i) {
    if (item.choices[i] == text) {
      item.chosen = (int)i;
      return true;
    }
  }
  return false;
}

bool set_number(SettingItem& item, double value) {
  if (std::isnan(value)) return false;
  if (value < item.minimum) value = item.minimum;
  if (value > item.maximum) value = item.maximum;
  item.number = value;
  return true;
}

void set_video_mode_list(const std::vector<std::string>& modes) {
  SettingItem* item = find_setting("video_mode");
  std::string current = chosen_text(*item);
  item->choices = {"Default Fullscreen", "Windowed"};
  item->choices.insert(item->choices.end(), modes.begin(), modes.end());
  if (!choose_entry(*item, current.c_str())) item->chosen = 0;
}

ControlBinding& control_binding(int index) {
  return find_setting(kControls[index].key)->binding;
}

const char* control_key(int index) { return kControls[index].key; }

void settings_defaults() {
  std::vector<SettingItem>& table = setting_items();
  std::vector<SettingItem> fresh = build_table();
  // The mode list belongs to the display, not to the defaults.
  std::vector<std::string> modes = find_setting("video_mode")->choices;
  // Assign in place: the menus and the bindings hold pointers into the table.
  for (size_t i = 0; i < table.size(); ++i) table[i] = fresh[i];
  find_setting("video_mode")->choices = modes;
  apply_graphics_preset(PresetCompatibility);
}
