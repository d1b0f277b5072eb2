// Input devices beyond the keyboard events: the pointer and the analog axes
// (joysticks, the mouse as axes), as a table of operations. The null driver
// has none; key events arrive through the event queue.
#pragma once

struct AxisHandle;

struct InputDriver {
  const char* name;
  void (*open_pointer_axes)();
  // Whether the pointer moved since the last call and whether its left
  // button is held.
  void (*read_pointer)(bool* moved, bool* left_held);
  // Raw axis reading, -32768..32767.
  double (*read_axis)(AxisHandle* axis);
  // While a binding is being captured: notices an axis moved far enough.
  void (*watch_axes_for_capture)();
  void (*close_axes)();
};

const InputDriver& null_input_driver();
void set_input_driver(const InputDriver* driver);
const InputDriver& input_driver();
