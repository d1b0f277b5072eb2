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
// Derives the renderer's parameters (graphics_params()) from the items.
void apply_graphics_settings();
