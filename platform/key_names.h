// Key names: the built-in table of PC scan codes that stands in when the
// system has no name for a key, and the key-code forms shared by the input
// layer and the control bindings. A keyboard key's event code is
// TARN_KEY_BASE + its scan code (the extended-key bit 0x100 included).
#pragma once

constexpr int TARN_KEY_BASE = 0x1000;
constexpr int TARN_SCAN_CODES = 512;

struct TarnKeyName {
  const char* name;
  int scan_code;
};

// The fallback table; *count receives its length.
const TarnKeyName* tarn_fallback_key_names(int* count);

// The code of a name in the fallback table: an exact match first, then the
// loose comparison of tarn_names_equal. 0 when the table has no such name.
int tarn_fallback_key_code(const char* name);
// The code of a "0x%x" scan code below 512; 0 otherwise.
int tarn_hex_key_code(const char* name);
// The fallback table's name of a key code, or null.
const char* tarn_fallback_key_name(int code);
