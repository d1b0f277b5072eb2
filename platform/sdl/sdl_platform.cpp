#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

#include <cstring>

#include "platform/fatal.h"
#include "platform/sdl/audio_sdl.h"
#include "platform/sdl/video_modes.h"
#include "platform/window.h"

namespace {
bool show_sdl_box(const char* title, const char* text) {
  // An offscreen or dummy display has nowhere to show the box.
  const char* driver = SDL_getenv("SDL_VIDEODRIVER");
  if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) return false;
  return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr) == 0;
}

// Until the SDL window exists the game runs without drawing, as with the
// null driver, but it offers the display's real modes.
WindowDriver sdl_window_driver() {
  WindowDriver d = null_window_driver();
  d.name = "sdl";
  d.display_modes = sdl_display_modes;
  return d;
}
}  // namespace

void install_sdl_platform() {
  static const WindowDriver window = sdl_window_driver();
  set_message_box_hook(show_sdl_box);
  set_window_driver(&window);
  tarn_set_sound_card_starter(tarn_start_audio);
}
