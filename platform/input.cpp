#include "platform/input.h"

namespace {
void nothing() {}
void no_pointer(bool* moved, bool* left_held) { *moved = *left_held = false; }
double centred(AxisHandle*) { return 0; }

const InputDriver kNull = {
    .name = "null",
    .open_pointer_axes = nothing,
    .read_pointer = no_pointer,
    .read_axis = centred,
    .watch_axes_for_capture = nothing,
    .close_axes = nothing,
};
const InputDriver* g_driver = &kNull;
}  // namespace

const InputDriver& null_input_driver() { return kNull; }
void set_input_driver(const InputDriver* driver) { g_driver = driver ? driver : &kNull; }
const InputDriver& input_driver() { return *g_driver; }
