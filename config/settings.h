// The one table of settings shared by the configuration file and the menus.
#pragma once
#include <string>
#include <vector>

#include "config/bindings.h"

enum class SettingKind { Choice, Number, Integer, Text, Binding };

struct SettingItem {
  const char* key = "";    // configuration key
  const char* label = "";  // menu label
  SettingKind kind = SettingKind::Integer;
  bool written = true;     // false for keys that are only read (use_fbo)

  int integer = 0;  // Integer

  double number = 0.0;  // Number: clamped into minimum..maximum on change
  double step = 1.0;
  double minimum = 0.0;
  double maximum = 0.0;

  std::vector<std::string> choices;  // Choice: entry texts
  int chosen = 0;                    // index into choices

  std::string text;     // Text
  int max_length = 127; // a longer value is cut (or ignored, below)
  bool ignore_long = false;  // a longer value leaves the text unchanged

  ControlBinding binding;  // Binding
};

// Every setting in the order the configuration writer writes them. The table
// is built once; pointers to its items stay valid for the program's life.
std::vector<SettingItem>& setting_items();
// The item for a configuration key (exact, case-sensitive), or null.
SettingItem* find_setting(const char* key);

// Items of each kind, for the tables of settings.
SettingItem integer_item(const char* key, const char* label, int value);
SettingItem number_item(const char* key, const char* label, double value, double step, double minimum,
                        double maximum);
SettingItem choice_item(const char* key, const char* label, const std::vector<std::string>& choices, int chosen);
SettingItem text_item(const char* key, const char* label, const char* value, int max_length);

// The chosen entry's text ("" when the index is out of range).
const char* chosen_text(const SettingItem& item);
// Chooses the entry whose text equals text exactly; false when none does.
bool choose_entry(SettingItem& item, const char* text);
// Sets a number item, clamped into its range; NaN is refused.
bool set_number(SettingItem& item, double value);

// Video modes: the choice holds "Default Fullscreen", "Windowed" and then
// these entries ("%dx%d"). The chosen entry is kept by its text when it is
// still listed, else the first entry is chosen.
void set_video_mode_list(const std::vector<std::string>& modes);

// The twenty control bindings in configuration order (throttle_key first).
constexpr int kControlCount = 20;
ControlBinding& control_binding(int index);
const char* control_key(int index);
