// Control bindings: each of the twenty rider controls is bound to a key by
// name or to an analog axis by name with a calibrated range.
#pragma once
#include <string>

struct DataFile;
struct AxisHandle;  // an open input axis, owned by the input layer

struct ControlBinding {
  const char* label = "";  // display name of the control
  std::string key_name;    // empty when bound to an axis or to nothing
  int key_code = 0;        // event code of the key; 0 until resolved
  std::string axis_name;   // empty when bound to a key or to nothing
  AxisHandle* axis = nullptr;
  // Axis range as fractions of full scale: the value is 0 at low and 1 at
  // high; low > high means the axis is used in its negative direction.
  double low = 0.0;
  double high = 1.0;
};

// Sets the binding from its configuration text: "(low,high)axis name",
// "(k)key name" or a bare key name. Leading white space is skipped.
void binding_from_text(ControlBinding& binding, const char* text);

// Writes the configuration line for the binding under key: "key=(k)name" or
// "key=(low,high)axis"; nothing when the binding is empty. Returns false when
// the write failed.
bool write_binding_line(DataFile* file, const char* key, const ControlBinding& binding);
// The same line as text (empty for an empty binding).
std::string binding_to_text(const char* key, const ControlBinding& binding);
