// The four graphics presets the Graphics/Sound menu offers; start-up copies
// the first (Compatibility) into the items before reading the configuration.
#pragma once

enum GraphicsPreset { PresetCompatibility, PresetHighFps, PresetNormal, PresetHighDetail, PresetCount };

// "Compatibility", "High FPS", "Normal", "High Detail".
const char* graphics_preset_name(int preset);
// Copies the preset's column into the twelve graphics items.
void apply_graphics_preset(int preset);
// True when all twelve graphics items equal the preset's column.
bool graphics_preset_matches(int preset);
