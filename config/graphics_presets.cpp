#include "config/graphics_presets.h"

#include <cstdlib>
#include <cstring>

#include "config/settings.h"

namespace {

// One row per graphics item: its key and its value in each preset, numbers
// as numbers and choices by their entry text.
struct PresetRow {
  const char* key;
  const char* value[PresetCount];
};

const PresetRow kRows[] = {
    {"ground_detail", {"70", "50", "70", "90"}},
    {"ground_texture_detail", {"9", "7", "9", "10"}},
    {"ground_texture_dim", {"64x64", "64x64", "128x128", "256x256"}},
    {"ground_mipmaps", {"Yes", "Yes", "Yes", "Yes"}},
    {"texture_compress", {"No", "Yes", "Yes", "No"}},
    {"render_texture", {"Software", "Hardware/Direct", "Shaders/Direct", "Shaders/Direct"}},
    {"use_shader", {"Yes", "No", "Yes", "Yes"}},
    {"model_detail", {"50", "25", "50", "75"}},
    {"model_texture_detail", {"9", "7", "9", "10"}},
    {"roost_density", {"1000", "0", "1000", "1000"}},
    {"lens_flare", {"Yes", "No", "Yes", "Yes"}},
    {"reflections", {"Yes", "No", "Yes", "Yes"}},
};

const char* const kNames[PresetCount] = {"Compatibility", "High FPS", "Normal", "High Detail"};

bool valid(int preset) { return preset >= 0 && preset < PresetCount; }

}  // namespace

const char* graphics_preset_name(int preset) { return valid(preset) ? kNames[preset] : ""; }

void apply_graphics_preset(int preset) {
  if (!valid(preset)) return;
  for (const PresetRow& row : kRows) {
    SettingItem* item = find_setting(row.key);
    if (item->kind == SettingKind::Number)
      set_number(*item, std::strtod(row.value[preset], nullptr));
    else
      choose_entry(*item, row.value[preset]);
  }
}

bool graphics_preset_matches(int preset) {
  if (!valid(preset)) return false;
  for (const PresetRow& row : kRows) {
    const SettingItem* item = find_setting(row.key);
    if (item->kind == SettingKind::Number) {
      if (item->number != std::strtod(row.value[preset], nullptr)) return false;
    } else if (std::strcmp(chosen_text(*item), row.value[preset]) != 0) {
      return false;
    }
  }
  return true;
}
