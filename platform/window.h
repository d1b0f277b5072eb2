// The window, its display modes and its GL context, as a table of
// operations. The null driver has no display: nothing is drawn and the main
// loop keeps simulating. The SDL layer installs the real one at start-up.
#pragma once
#include <string>
#include <vector>

struct WindowRequest {
  const char* title = "";
  int width = 640, height = 480;
  bool fullscreen = false;
  int colour_bits = 0, depth_bits = 0;  // 0: the display's own
};

struct WindowDriver {
  const char* name;
  // "WxH" for each display mode of the display's colour depth.
  std::vector<std::string> (*display_modes)();
  bool (*create)(const WindowRequest& request);
  bool (*exists)();
  // Takes the frame lock and gives the drawable size; false when the window
  // cannot be drawn this pass.
  bool (*begin_frame)(int* width, int* height);
  bool (*end_frame)();
  void (*destroy)();
};

const WindowDriver& null_window_driver();
// Null restores the null driver.
void set_window_driver(const WindowDriver* driver);
const WindowDriver& window_driver();
