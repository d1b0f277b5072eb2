#include "platform/window.h"

namespace {
std::vector<std::string> no_modes() { return {}; }
// Creating succeeds so that start-up goes on without a display.
bool create_nothing(const WindowRequest&) { return true; }
bool no() { return false; }
bool no_frame(int*, int*) { return false; }
void nothing() {}

const WindowDriver kNull = {
    .name = "null",
    .display_modes = no_modes,
    .create = create_nothing,
    .exists = no,
    .begin_frame = no_frame,
    .end_frame = no,
    .destroy = nothing,
};
const WindowDriver* g_driver = &kNull;
}  // namespace

const WindowDriver& null_window_driver() { return kNull; }
void set_window_driver(const WindowDriver* driver) { g_driver = driver ? driver : &kNull; }
const WindowDriver& window_driver() { return *g_driver; }
