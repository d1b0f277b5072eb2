#include "demo/demo.h"

// Until demos are read, no demo opens and seeking does nothing.
bool open_demo_for_playback(const char*, std::string*) { return false; }
void seek_demo(double) {}
