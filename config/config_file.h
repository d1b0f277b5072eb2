// The player's configuration file "@config": read once at start-up, written
// once at shutdown.
#pragma once

// Gives every setting its default (the graphics items from the first preset
// column). Called before read_configuration.
void settings_defaults();
// Reads "@config" from the data folders; a missing file changes nothing.
void read_configuration();
// Writes every setting to "@config" in the home folder, through a temporary
// file renamed over the old one. Returns success.
bool write_configuration();
struct DataFile;
struct SettingItem;
// One "key=value" line's value into an item (choices by exact text,
// numbers clamped, texts cut to their length); false when the value was not
// taken.
bool apply_setting(SettingItem& item, const char* value);
// The item's "key=value" line; false when the write failed.
bool write_setting(DataFile* f, const SettingItem& item);
// Derives the renderer's parameters (graphics_params()) from the items.
void apply_graphics_settings();
