// The video mode list the configuration's "video_mode" choice offers.
#pragma once
#include <string>
#include <vector>

// "WxH" for each display mode of the same colour depth as the first mode
// reported (repeats left out); the choice puts "Default Fullscreen" and
// "Windowed" before them.
std::vector<std::string> video_mode_list();
// Builds the list and hands it to the configuration's choice item.
void build_video_mode_list();
