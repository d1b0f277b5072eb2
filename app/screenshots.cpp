#include "app/screenshots.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

#include "render/render.h"
#include "files/data_files.h"
#include "platform/messages.h"

namespace {
const char kPrefix[] = "screenshot";
// Numbers past this are ignored: counting on from them would wrap.
constexpr unsigned long kLargestNumber = 99999999;
}  // namespace

unsigned first_free_screenshot_number(const std::vector<std::string>& data_names) {
  unsigned highest = 0;
  size_t n = sizeof kPrefix - 1;
  for (const std::string& name : data_names) {
    if (name.compare(0, n, kPrefix) != 0) continue;
    // Digits only: "%u" would also take a sign and turn "-1" into a huge
    // number.
    const char* p = name.c_str() + n;
    if (!std::isdigit(static_cast<unsigned char>(*p))) continue;
    unsigned long value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)) && value <= kLargestNumber; ++p) {
      value = value * 10 + (*p - '0');
    }
    if (value > kLargestNumber) continue;
    if (value > highest) highest = static_cast<unsigned>(value);
  }
  return highest + 1;
}

void take_screenshot(unsigned& next) {
  if (next == 0) next = first_free_screenshot_number(data_file_names());
  char name[64];
  std::snprintf(name, sizeof name, "screenshot%03u.png", next);
  if (!save_frame_as_png((std::string("@") + name).c_str())) return;
  show_message("Saved \"%s\"", name);
  ++next;
}
