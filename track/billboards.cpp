#include "track/billboards.h"

#include <cctype>
#include <cmath>
#include <cstring>

#include "files/file_stream.h"
#include "platform/messages.h"
#include "track/object_text.h"
#include "track/track.h"

namespace {
int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

bool billboard_colour_name(const char* name, uint8_t rgb[3], const char** texture) {
  if (!name || name[0] != '#') return false;
  for (int i = 1; i <= 6; ++i)
    if (!name[i] || hex_digit(name[i]) < 0) return false;
  if (name[7] != '#') return false;
  for (int c = 0; c < 3; ++c) rgb[c] = static_cast<uint8_t>(hex_digit(name[1 + 2 * c]) * 16 + hex_digit(name[2 + 2 * c]));
  *texture = name + 8;
  return true;
}

int billboard_add(Track& track, float x, float y_offset, float z, float height, float aspect, const char* name) {
  Billboard b;
  b.x = x;
  b.z = z;
  b.y_offset = y_offset;
  b.y = track_ground_height(track, x, z) + y_offset;
  b.height = height;
  b.aspect = aspect;
  const char* texture = name ? name : "";
  uint8_t rgb[3];
  if (billboard_colour_name(texture, rgb, &texture)) std::memcpy(b.colour, rgb, 3);
  if (!is_null_name(texture)) {
    b.texture_name = texture;
    b.texture = asset_texture(texture);
  }
  if (track.billboards.capacity() == 0) track.billboards.reserve(16);
  if (track.billboard_sort.capacity() == 0) track.billboard_sort.reserve(16);
  track.billboards.push_back(std::move(b));
  track.billboard_sort.push_back(0);
  track.billboard_sort.push_back(0);
  return static_cast<int>(track.billboards.size()) - 1;
}

void billboards_read(Track& track, const char* path) {
  ObjectText in;
  if (!in.open(path)) return;
  for (;;) {
    float x, y, z, height, aspect;
    char name[1024];
    if (in.scan(" [ %f %f %f ] %f %f %1023s ", &x, &y, &z, &height, &aspect, name) != 6) break;
    // A billboard at infinity or NaN would poison the scene's depth sort.
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z) || !std::isfinite(height) || !std::isfinite(aspect))
      break;
    billboard_add(track, x, y, z, height, aspect, name);
  }
}

bool billboards_write(const Track& track, const char* path) {
  DataFilePtr out{open_data_file(path, "w")};
  if (!out) {
    show_message("Can't open 'billboards'\n");
    return false;
  }
  bool ok = true;
  for (const Billboard& b : track.billboards) {
    // The name, not the loaded texture, decides: a billboard whose picture
    // is missing today is still part of the track.
    if (b.internal || b.texture_name.empty()) continue;
    if (write_formatted(out.get(), "[%f %f %f] %f %f ", b.x, b.y_offset, b.z, b.height, b.aspect) < 0) ok = false;
    bool white = b.colour[0] == 255 && b.colour[1] == 255 && b.colour[2] == 255;
    int n = white ? write_formatted(out.get(), "%s\n", b.texture_name.c_str())
                  : write_formatted(out.get(), "#%02x%02x%02x#%s\n", b.colour[0], b.colour[1], b.colour[2],
                                    b.texture_name.c_str());
    if (n < 0) ok = false;
  }
  if (flush_data_file(out.get()) != 0) ok = false;
  if (!ok) show_message("Can't write 'billboards'\n");
  return ok;
}
