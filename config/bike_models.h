// The bike models the player can choose, their old names and the prefix of
// their graphics files.
#pragma once
#include <string>
#include <vector>

// The Bike choice, in menu order.
const std::vector<std::string>& bike_model_choices();

// Older configurations stored four bike names without a year; returns the
// current name for such a name and the name itself otherwise.
const char* current_bike_name(const char* name);

// The file-name prefix of a model's bike graphics ("450sxf(2011)" gives
// "450sxf-"); the 50s share their 125's graphics.
std::string bike_graphics_prefix(const std::string& model);
