// The SDL half of the platform layer: what needs a display. Installing it
// gives the message box and the window driver's display modes; the window,
// input and audio drivers join it as they are built.
#pragma once

void install_sdl_platform();
