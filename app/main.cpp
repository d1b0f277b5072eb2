#include "app/kiwiridge.h"
#include "platform/sdl/sdl_platform.h"

int main(int argc, char** argv) {
  install_sdl_platform();
  return kiwiridge_main(argc, argv);
}
