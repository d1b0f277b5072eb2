#include "platform/sdl/video_modes.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "platform/log.h"

std::vector<std::string> sdl_display_modes() {
  std::vector<std::string> modes;
  // Without a display there are no sizes to offer.
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    tarn_log("No display modes: %s\n", SDL_GetError());
    return modes;
  }
  int count = SDL_GetNumDisplayModes(0);
  Uint32 depth = 0;
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
    if (i == 0) depth = SDL_BITSPERPIXEL(m.format);
    if (SDL_BITSPERPIXEL(m.format) != depth) continue;
    char name[32];
    std::snprintf(name, sizeof name, "%dx%d", m.w, m.h);
    // SDL reports one mode per refresh rate; the list wants each size once.
    if (std::find(modes.begin(), modes.end(), name) == modes.end()) modes.push_back(name);
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return modes;
}
