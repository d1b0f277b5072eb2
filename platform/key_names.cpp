#include "platform/key_names.h"

#include <cstdio>
#include <cstring>

#include "platform/names.h"

namespace {

const TarnKeyName kFallback[] = {
    {"Esc", 0x01},        {"0", 0x0B},           {"1", 0x02},          {"2", 0x03},
    {"3", 0x04},          {"4", 0x05},           {"5", 0x06},          {"6", 0x07},
    {"7", 0x08},          {"8", 0x09},           {"9", 0x0A},          {"A", 0x1E},
    {"B", 0x30},          {"C", 0x2E},           {"D", 0x20},          {"E", 0x12},
    {"F", 0x21},          {"G", 0x22},           {"H", 0x23},          {"I", 0x17},
    {"J", 0x24},          {"K", 0x25},           {"L", 0x26},          {"M", 0x31},
    {"N", 0x32},          {"O", 0x18},           {"P", 0x19},          {"Q", 0x10},
    {"R", 0x13},          {"S", 0x1F},           {"T", 0x14},          {"U", 0x16},
    {"V", 0x2F},          {"W", 0x11},           {"X", 0x2D},          {"Y", 0x15},
    {"Z", 0x2C},          {"-", 0x0C},           {"=", 0x0D},          {"[", 0x1A},
    {"]", 0x1B},          {";", 0x27},           {"'", 0x28},          {"`", 0x29},
    {"\\", 0x2B},         {",", 0x33},           {".", 0x34},          {"/", 0x35},
    {"Backspace", 0x0E},  {"Tab", 0x0F},         {"Enter", 0x1C},      {"Left Ctrl", 0x1D},
    {"Left Shift", 0x2A}, {"Right Shift", 0x36}, {"Space", 0x39},      {" ", 0x39},
    {"Caps Lock", 0x3A},  {"Right Ctrl", 0x11D}, {"Insert", 0x152},    {"Delete", 0x153},
    {"Home", 0x147},      {"End", 0x14F},        {"Page Up", 0x149},   {"Page Down", 0x151},
    {"Up", 0x148},        {"Down", 0x150},       {"Left", 0x14B},      {"Right", 0x14D},
    {"F1", 0x3B},         {"F2", 0x3C},          {"F3", 0x3D},         {"F4", 0x3E},
    {"F5", 0x3F},         {"F6", 0x40},          {"F7", 0x41},         {"F8", 0x42},
    {"F9", 0x43},         {"F10", 0x44},         {"F11", 0x57},        {"F12", 0x58},
    {"Pause", 0x45},      {"Num Lock", 0x145},   {"Keypad /", 0x135},  {"Keypad *", 0x37},
    {"Keypad -", 0x4A},   {"Keypad 7", 0x47},    {"Keypad 8", 0x48},   {"Keypad 9", 0x49},
    {"Keypad +", 0x4E},   {"Keypad 4", 0x4B},    {"Keypad 5", 0x4C},   {"Keypad 6", 0x4D},
    {"Keypad 1", 0x4F},   {"Keypad 2", 0x50},    {"Keypad 3", 0x51},   {"Keypad Enter", 0x11C},
    {"Keypad 0", 0x52},   {"Keypad .", 0x53},
};

constexpr int kFallbackCount = sizeof kFallback / sizeof kFallback[0];

}  // namespace

const TarnKeyName* tarn_fallback_key_names(int* count) {
  if (count) *count = kFallbackCount;
  return kFallback;
}

int tarn_fallback_key_code(const char* name) {
  if (!name) return 0;
  for (const TarnKeyName& k : kFallback)
    if (std::strcmp(k.name, name) == 0) return TARN_KEY_BASE + k.scan_code;
  for (const TarnKeyName& k : kFallback)
    if (tarn_names_equal(k.name, name) == 0) return TARN_KEY_BASE + k.scan_code;
  return 0;
}

int tarn_hex_key_code(const char* name) {
  unsigned scan = 0;
  char rest = 0;
  // The whole name must be the number: "0x45" but not "0x45z".
  if (!name || std::sscanf(name, "0x%x%c", &scan, &rest) != 1 || scan >= TARN_SCAN_CODES) return 0;
  return TARN_KEY_BASE + (int)scan;
}

const char* tarn_fallback_key_name(int code) {
  for (const TarnKeyName& k : kFallback)
    if (TARN_KEY_BASE + k.scan_code == code) return k.name;
  return nullptr;
}
