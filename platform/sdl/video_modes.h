// The display's modes as SDL reports them.
#pragma once
#include <string>
#include <vector>

// "WxH" for each display mode of the same colour depth as the first mode
// reported (repeats left out); empty without a display.
std::vector<std::string> sdl_display_modes();
