#include "config/bike_setup.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "config/bike_models.h"
#include "config/config_file.h"
#include "files/data_files.h"
#include "files/data_limits.h"
#include "files/file_stream.h"
#include "platform/fatal.h"
#include "platform/log.h"
#include "platform/units.h"

namespace {

const std::vector<std::string> kNoYes = {"No", "Yes"};
const std::vector<std::string> kBrakeModes = {"Normal", "Antilock"};
const std::vector<std::string> kStopWheelies = {"No", "Yes", "Front Only"};

// The fifteen advanced assist items that Stability sets, and their values
// at Stability 0, 20, 40, 60, 80 and 100.
struct StabilityRow {
  const char* key;
  double column[6];
};
const StabilityRow kStabilityTable[] = {
    {"leveling", {20, 20, 20, 20, 20, 20}},
    {"roll_damping", {40, 50, 60, 70, 75, 80}},
    {"roll_limit_angle", {90, 45, 45, 40, 35, 35}},
    {"roll_limit_factor", {0, 5, 10, 32, 32, 32}},
    {"steering_damping", {45, 45, 45, 45, 45, 45}},
    {"steering_strength", {75, 75, 75, 75, 75, 75}},
    {"max_steering_force", {400, 400, 400, 400, 400, 400}},
    {"direct_steering", {1, 1, 1, 1, 1, 0}},
    {"slow_damping_speed", {40, 40, 40, 40, 40, 40}},
    {"slow_damping_factor", {1, 1, 1.5, 2, 2, 2}},
    {"land_damping_falloff", {0, 0.125, 0.25, 0.25, 0.25, 0.25}},
    {"land_damping_factor", {1, 1.5, 2, 2, 2, 2}},
    {"full_lock_speed", {10, 10, 10, 10, 10, 10}},
    {"restricted_lock_speed", {50, 50, 50, 50, 50, 50}},
    {"restricted_lock", {45, 15, 10, 5, 5, 5}},
};

const char* const kAppearanceKeys[4] = {"rider_texture", "head_texture", "bike_texture", "wheel_texture"};

struct Appearance {
  AppearanceList lists[4];
};
Appearance& appearance() {
  static Appearance a = [] {
    Appearance fresh;
    for (AppearanceList& l : fresh.lists) {
      l.texts = {"default"};
      l.textures = {""};
    }
    return fresh;
  }();
  return a;
}

int appearance_index(const char* key) {
  for (int i = 0; i < 4; ++i)
    if (std::strcmp(kAppearanceKeys[i], key) == 0) return i;
  return -1;
}

SettingItem appearance_item(const char* key, const char* label) {
  return choice_item(key, label, {"default"}, 0);
}

std::vector<SettingItem> build_setup_table() {
  std::vector<SettingItem> t;
  t.push_back(choice_item("bike", "Bike", bike_model_choices(), 0));
  t.push_back(text_item("name", "Name", "Sam Dirt", 63));
  t.push_back(text_item("number", "Number", "999", 3));
  t.push_back(appearance_item("rider_texture", "Riding Gear"));
  t.push_back(appearance_item("head_texture", "Helmet"));
  t.push_back(appearance_item("bike_texture", "Bike Graphics"));
  t.push_back(appearance_item("wheel_texture", "Wheel Graphics"));
  t.push_back(number_item("stability", "Stability", 100, 1, 0, 100));
  // The static values of the advanced items; start-up replaces them by what
  // the default Stability gives.
  t.push_back(number_item("leveling", "Leveling", 20, 1, 0, 100));
  t.push_back(number_item("roll_damping", "Roll Damping", 60, 1, 0, 100));
  t.push_back(number_item("roll_limit_angle", "Roll Limit Angle", 45, 1, 0, 180));
  t.push_back(number_item("roll_limit_factor", "Roll Limit Factor", 10, 1, 0, 64));
  t.push_back(number_item("steering_damping", "Steering Damping", 45, 1, 0, 100));
  t.push_back(number_item("steering_strength", "Steering Strength", 75, 1, 0, 100));
  t.push_back(number_item("max_steering_force", "Max Steering Force", 400, 5, 0, 1000));
  t.push_back(number_item("direct_steering", "Direct Steering", 1, 0.125, 0, 1));
  t.push_back(number_item("slow_damping_speed", "Slow Damping Speed", 40, 1, 0, 100));
  t.push_back(number_item("slow_damping_factor", "Slow Damping Factor", 2, 0.25, 1, 10));
  t.push_back(number_item("land_damping_falloff", "Landing Damping Falloff", 0.25, 0.0625, 0, 0.5));
  t.push_back(number_item("land_damping_factor", "Landing Damping Factor", 2, 0.25, 1, 3));
  t.push_back(number_item("full_lock_speed", "Full Lock Speed", 10, 1, 1, 100));
  t.push_back(number_item("restricted_lock_speed", "Restricted Lock Speed", 50, 1, 1, 100));
  t.push_back(number_item("restricted_lock", "Restricted Lock Angle", 7.5, 0.125, 0, 45));
  t.push_back(choice_item("arcade", "Arcade Physics", kNoYes, 1));
  t.push_back(choice_item("front_brake", "Front Brake", kBrakeModes, 1));
  t.push_back(choice_item("rear_brake", "Rear Brake", kBrakeModes, 0));
  t.push_back(choice_item("stop_wheelies", "Stop Wheelies", kStopWheelies, 0));
  t.push_back(choice_item("auto_shift", "Automatic Shifting", kNoYes, 1));
  t.push_back(choice_item("auto_dab", "Dab When Stopped", kNoYes, 1));
  t.push_back(choice_item("auto_align", "Realign After Fall", kNoYes, 1));
  t.push_back(choice_item("sticky_dab", "Sticky Sit/Dab", kNoYes, 0));
  t.push_back(choice_item("reverse_steering", "Reversed Steering", kNoYes, 1));
  t.push_back(choice_item("lean_indicator", "Lean Indicator", kNoYes, 1));
  t.push_back(number_item("auto_clutch_rpms", "Auto Clutch RPMs", 5000, 100, 0, 5000));
  t.push_back(number_item("brake_torque", "Braking Torque (Front)", 250, 10, 0, 500));
  t.push_back(number_item("rear_brake_torque", "Braking Torque (Rear)", 250, 10, 0, 500));
  t.push_back(number_item("max_dab_speed", "Max Dab Speed (MPH)", 20, 1, 5, 60));
  t.push_back(number_item("front_sprocket_adjustment", "Countershaft Sprocket", 0, 1, -2, 2));
  t.push_back(number_item("rear_sprocket_adjustment", "Rear Sprocket", 0, 1, -2, 2));
  for (auto [key, label] : {std::pair{"fork_compression_adjustment", "Fork Compression Damping"},
                            std::pair{"fork_rebound_adjustment", "Fork Rebound Damping"},
                            std::pair{"fork_spring_rate_adjustment", "Fork Spring Rate"},
                            std::pair{"fork_preload_adjustment", "Fork Preload"},
                            std::pair{"fork_oil_level_adjustment", "Fork Oil Level"},
                            std::pair{"shock_compression_adjustment", "Shock Compression Damping"},
                            std::pair{"shock_rebound_adjustment", "Shock Rebound Damping"},
                            std::pair{"shock_spring_rate_adjustment", "Shock Spring Rate"},
                            std::pair{"shock_preload_adjustment", "Shock Preload"},
                            std::pair{"rider_yspring", "Rider Vertical Spring"},
                            std::pair{"rider_ydamping", "Rider Vertical Damping"},
                            std::pair{"rider_zspring", "Rider Forward Spring"},
                            std::pair{"rider_zdamping", "Rider Forward Damping"}}) {
    t.push_back(number_item(key, label, 50, 1, 0, 100));
  }
  t.push_back(number_item("rider_mass_distribution", "Rider Mass Distribution", 0.33, 0.01, 0.33, 0.5));
  return t;
}

SettingItem& item(const char* key) {
  SettingItem* found = find_setup_item(key);
  // Every key asked for here is one of the table's own.
  if (!found) out_of_memory_stop();
  return *found;
}

double number(const char* key) { return item(key).number; }
bool yes(const char* key) { return std::strcmp(chosen_text(item(key)), "Yes") == 0; }

// The chosen appearance's texture name ("" for the default look).
std::string texture_of(const char* key) {
  const AppearanceList& list = appearance_list(key);
  int chosen = item(key).chosen;
  return chosen > 0 && chosen < static_cast<int>(list.textures.size()) ? list.textures[chosen] : "";
}

// A damping setting as a factor: 0.5 at 0, 1 at 50, 2 at 100.
double damping_factor(double setting) { return std::clamp(std::pow(2.0, setting * 0.02 - 1), 0.5, 2.0); }
double fraction(double setting) { return std::clamp(setting * 0.01, 0.0, 1.0); }

void set_appearance_list(int index, AppearanceList list) {
  appearance().lists[index] = std::move(list);
  SettingItem& choice = item(kAppearanceKeys[index]);
  std::string current = chosen_text(choice);
  choice.choices = appearance().lists[index].texts;
  if (!choose_entry(choice, current.c_str())) choice.chosen = 0;
}

void rebuild_bike_graphics() {
  set_appearance_list(2, build_appearance_list(data_file_names(), bike_graphics_prefix(chosen_text(item("bike")))));
  item("bike_texture").chosen = 0;
}

SettingItem* find_in(std::vector<SettingItem>& table, const char* key) {
  for (SettingItem& i : table)
    if (std::strcmp(i.key, key) == 0) return &i;
  return nullptr;
}

void stability_into(std::vector<SettingItem>& table, double stability) {
  double s = std::isfinite(stability) ? std::clamp(std::trunc(stability) * 5 * 0.01, 0.0, 5.0) : 5.0;
  int i = std::clamp(static_cast<int>(std::floor(s)), 0, 4);
  double f = s - i;
  for (const StabilityRow& row : kStabilityTable)
    if (SettingItem* it = find_in(table, row.key)) set_number(*it, row.column[i] + f * (row.column[i + 1] - row.column[i]));
}

}  // namespace

std::vector<SettingItem>& setup_items() {
  static std::vector<SettingItem> table = build_setup_table();
  return table;
}

SettingItem* find_setup_item(const char* key) {
  if (!key) return nullptr;
  for (SettingItem& i : setup_items())
    if (std::strcmp(i.key, key) == 0) return &i;
  return nullptr;
}

void setup_defaults() {
  std::vector<SettingItem>& table = setup_items();
  std::vector<SettingItem> fresh = build_setup_table();
  // In place: the menus hold pointers into the table. The appearance lists
  // stay what the data files gave.
  for (size_t i = 0; i < table.size(); ++i) {
    std::vector<std::string> choices = table[i].choices;
    table[i] = fresh[i];
    if (appearance_index(table[i].key) >= 0) table[i].choices = choices;
  }
}

int read_setup_line(const char* key, const char* value) {
  SettingItem* it = find_setup_item(key);
  if (!it) return 0;
  if (std::strcmp(key, "bike") == 0) {
    if (choose_entry(*it, current_bike_name(value))) rebuild_bike_graphics();
    return 1;
  }
  apply_setting(*it, value);
  if (std::strcmp(key, "stability") == 0) apply_stability(it->number);
  return 1;
}

bool write_setup_lines(DataFile* file) {
  for (const SettingItem& i : setup_items())
    if (!write_setting(file, i)) return false;
  return true;
}

void apply_stability(double stability) { stability_into(setup_items(), stability); }

void apply_default_stability() { apply_stability(number("stability")); }

AppearanceList build_appearance_list(const std::vector<std::string>& names, const std::string& prefix) {
  AppearanceList list;
  list.texts = {"default"};
  list.textures = {""};
  auto ends = [](const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
  };
  for (const std::string& name : names) {
    std::string plain = name;
    if (ends(plain, ".scram")) plain.resize(plain.size() - 6);
    if (!ends(plain, ".png") || ends(plain, "_norm.png") || ends(plain, "_spec.png")) continue;
    size_t slash = plain.find_last_of('/');
    std::string base = slash == std::string::npos ? plain : plain.substr(slash + 1);
    if (base.compare(0, prefix.size(), prefix) != 0) continue;
    list.texts.push_back(base.substr(prefix.size(), base.size() - prefix.size() - 4));
    list.textures.push_back("@" + plain);
  }
  return list;
}

void build_appearance_lists() {
  const std::vector<std::string>& names = data_file_names();
  const std::string prefixes[4] = {"rider_body-", "rider_head-", bike_graphics_prefix(chosen_text(item("bike"))),
                                   "wheels-"};
  for (int i = 0; i < 4; ++i) set_appearance_list(i, build_appearance_list(names, prefixes[i]));
}

const AppearanceList& appearance_list(const char* key) {
  int i = appearance_index(key);
  return appearance().lists[i < 0 ? 0 : i];
}

SetupValues setup_values() {
  SetupValues v;
  v.bike = chosen_text(item("bike"));
  v.name = item("name").text;
  v.number = item("number").text;
  v.rider_texture = texture_of("rider_texture");
  v.head_texture = texture_of("head_texture");
  v.bike_texture = texture_of("bike_texture");
  v.wheel_texture = texture_of("wheel_texture");

  v.leveling = number("leveling");
  v.roll_damping = number("roll_damping");
  v.roll_limit_angle = number("roll_limit_angle") * kDegreesToRadians;
  v.roll_limit_factor = number("roll_limit_factor");
  v.steering_damping = number("steering_damping");
  v.steering_strength = number("steering_strength");
  v.max_steering_force = number("max_steering_force");
  v.direct_steering = number("direct_steering");
  v.slow_damping_speed = number("slow_damping_speed");
  v.slow_damping_factor = number("slow_damping_factor");
  v.land_damping_falloff = number("land_damping_falloff");
  v.land_damping_factor = number("land_damping_factor");
  v.full_lock_speed = number("full_lock_speed");
  v.restricted_lock_speed = number("restricted_lock_speed");
  v.restricted_lock = number("restricted_lock") * kDegreesToRadians;

  v.arcade = yes("arcade");
  v.front_antilock = std::strcmp(chosen_text(item("front_brake")), "Antilock") == 0;
  v.rear_antilock = std::strcmp(chosen_text(item("rear_brake")), "Antilock") == 0;
  const std::string stop = chosen_text(item("stop_wheelies"));
  v.stop_wheelies_throttle = stop == "Yes";
  v.stop_wheelies_brake = stop == "Yes" || stop == "Front Only";
  v.auto_shift = yes("auto_shift");
  v.auto_dab = yes("auto_dab");
  v.auto_align = yes("auto_align");
  v.sticky_dab = yes("sticky_dab");
  v.reverse_steering = yes("reverse_steering");
  v.lean_indicator = yes("lean_indicator");

  v.auto_clutch_rpms = number("auto_clutch_rpms");
  v.brake_torque = number("brake_torque");
  v.rear_brake_torque = number("rear_brake_torque");
  v.max_dab_speed = number("max_dab_speed") * kMphToFeetPerSecond;
  v.front_sprocket_adjustment = number("front_sprocket_adjustment");
  v.rear_sprocket_adjustment = number("rear_sprocket_adjustment");
  v.fork_compression = damping_factor(number("fork_compression_adjustment"));
  v.fork_rebound = damping_factor(number("fork_rebound_adjustment"));
  v.fork_spring_rate = fraction(number("fork_spring_rate_adjustment"));
  v.fork_preload = fraction(number("fork_preload_adjustment"));
  v.fork_oil_level = fraction(number("fork_oil_level_adjustment"));
  v.shock_compression = damping_factor(number("shock_compression_adjustment"));
  v.shock_rebound = damping_factor(number("shock_rebound_adjustment"));
  v.shock_spring_rate = fraction(number("shock_spring_rate_adjustment"));
  v.shock_preload = fraction(number("shock_preload_adjustment"));
  v.rider_yspring = fraction(number("rider_yspring"));
  v.rider_ydamping = fraction(number("rider_ydamping"));
  v.rider_zspring = fraction(number("rider_zspring"));
  v.rider_zdamping = fraction(number("rider_zdamping"));
  v.rider_mass_distribution = number("rider_mass_distribution");
  return v;
}

bool read_setup_file(const char* name, std::vector<std::string>* problems) {
  std::string text;
  if (!read_whole_data_file(name, text, kConfigFileCap)) {
    if (problems) problems->push_back(std::string("can't read ") + name);
    return false;
  }
  // Into a copy first: a file with any line that cannot be taken changes
  // nothing at all.
  std::vector<SettingItem> copy = setup_items();
  AppearanceList bike_graphics = appearance_list("bike_texture");
  bool ok = true;
  size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    auto report = [&](const std::string& what) {
      if (problems) problems->push_back(std::string(name) + ":" + std::to_string(number) + ": " + what);
    };
    size_t equals = line.find('=');
    if (equals == std::string::npos || line.find('\0') != std::string::npos) {
      report("not a key=value line");
      ok = false;
      continue;
    }
    std::string key = line.substr(0, equals), value = line.substr(equals + 1);
    SettingItem* it = find_in(copy, key.c_str());
    if (!it) {
      report("unknown key '" + key + "'");
      ok = false;
      continue;
    }
    bool taken;
    if (key == "bike") {
      taken = choose_entry(*it, current_bike_name(value.c_str()));
      if (taken) {
        // A new model brings its own graphics to choose from.
        bike_graphics = build_appearance_list(data_file_names(), bike_graphics_prefix(chosen_text(*it)));
        SettingItem* graphics = find_in(copy, "bike_texture");
        graphics->choices = bike_graphics.texts;
        graphics->chosen = 0;
      }
    } else {
      taken = apply_setting(*it, value.c_str());
    }
    if (!taken) {
      report("bad value '" + value + "' for " + key);
      ok = false;
      continue;
    }
    double asked = 0;
    if (it->kind == SettingKind::Number && std::sscanf(value.c_str(), "%lf", &asked) == 1 && asked != it->number) {
      char clamped[160];
      std::snprintf(clamped, sizeof clamped, "%s %g clamped to %g", key.c_str(), asked, it->number);
      report(clamped);
    }
    // The advanced keys that follow override single values.
    if (key == "stability") stability_into(copy, it->number);
  }
  if (!ok) return false;
  appearance().lists[2] = bike_graphics;
  for (size_t i = 0; i < copy.size(); ++i) setup_items()[i] = copy[i];
  return true;
}

bool write_setup_file(const char* name) {
  DataFilePtr f(open_data_file(name, "wb"));
  if (!f) return false;
  return write_setup_lines(f.get()) && flush_data_file(f.get()) == 0;
}
