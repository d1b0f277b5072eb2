// PPM/PGM and J6/J7 decoding, the format dispatch of the readers, and the
// PPM/PGM writers.
#include "images/image.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "files/data_limits.h"
#include "files/file_stream.h"
#include "platform/log.h"
#include "images/image_internal.h"

bool image_size_acceptable(long width, long height) {
  return width > 0 && height > 0 && width <= kImageMaxSide && height <= kImageMaxSide &&
         width * height <= kImageMaxPixels;
}

namespace {
char g_refusal[160];
bool g_refused = false;
}  // namespace

void image_refusal_clear() { g_refused = false; }

void image_refuse(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(g_refusal, sizeof g_refusal, format, args);
  va_end(args);
  g_refused = true;
  tarn_set_last_error(g_refusal);
}

const char* image_refusal() { return g_refused ? g_refusal : nullptr; }

bool write_image_file(const char* name, const std::string& bytes) {
  if (bytes.empty()) return false;
  DataFilePtr f(open_data_file(name, "wb"));
  if (!f) return false;
  if (write_block(f.get(), bytes.data(), bytes.size()) != bytes.size()) return false;
  return flush_data_file(f.get()) == 0;
}

namespace {

// A read position in a file held in memory.
struct Cursor {
  const std::string& s;
  size_t pos = 0;
  bool at_end() const { return pos >= s.size(); }
  int peek() const { return at_end() ? -1 : static_cast<unsigned char>(s[pos]); }
};

bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// White space and "#" comment lines before a header number.
void skip_blanks_and_comments(Cursor& c) {
  while (!c.at_end()) {
    int ch = c.peek();
    if (is_blank(ch)) {
      ++c.pos;
    } else if (ch == '#') {
      while (!c.at_end() && c.peek() != '\n') ++c.pos;
    } else {
      break;
    }
  }
}

// A decimal number of at most nine digits (larger values are refused, not
// wrapped).
bool read_header_number(Cursor& c, long& value) {
  skip_blanks_and_comments(c);
  int digits = 0;
  value = 0;
  while (!c.at_end() && c.peek() >= '0' && c.peek() <= '9') {
    if (++digits > 9) return false;
    value = value * 10 + (c.peek() - '0');
    ++c.pos;
  }
  return digits > 0;
}

// One "%d" of the text formats; false when none can be read.
bool read_text_sample(Cursor& c, long& value) {
  while (!c.at_end() && is_blank(c.peek())) ++c.pos;
  bool negative = false;
  if (c.peek() == '-' || c.peek() == '+') {
    negative = c.peek() == '-';
    ++c.pos;
  }
  long v = 0;
  int digits = 0;
  while (!c.at_end() && c.peek() >= '0' && c.peek() <= '9') {
    if (digits < 10) v = v * 10 + (c.peek() - '0');
    ++digits;
    ++c.pos;
  }
  if (digits == 0) return false;
  value = negative ? -v : v;
  return true;
}

uint8_t scale_sample(long v, long maximum) {
  if (v <= 0) return 0;
  if (v >= maximum) return 255;
  if (maximum == 255) return static_cast<uint8_t>(v);
  return static_cast<uint8_t>((v * 255 + maximum / 2) / maximum);
}

}  // namespace

bool pnm_decode(const std::string& file, Image& out) {
  image_refusal_clear();
  bool colour = file.size() >= 2 && file[0] == 'P' && (file[1] == '6' || file[1] == '3');
  bool grey = file.size() >= 2 && file[0] == 'P' && (file[1] == '5' || file[1] == '2');
  if (!colour && !grey) {
    tarn_set_last_error("Can't parse PPM header");
    return false;
  }
  const char* bad_size = colour ? "Can't get PPM dimensions" : "Can't get PGM dimensions";
  bool binary = file[1] == '6' || file[1] == '5';
  Cursor c{file, 2};
  long w = 0, h = 0, maximum = 0;
  if (!read_header_number(c, w) || !read_header_number(c, h) || !read_header_number(c, maximum) ||
      !image_size_acceptable(w, h) || maximum < 1 || maximum > 65535) {
    tarn_set_last_error(bad_size);
    return false;
  }
  int channels = colour ? 3 : 1;
  size_t count = static_cast<size_t>(w) * h * channels;
  const char* truncated = colour ? "Truncated PPM data" : "Truncated PGM data";
  // What the file holds is checked before anything is allocated for it.
  if (binary) {
    // Exactly one white-space byte separates the header from the samples.
    if (!is_blank(c.peek())) {
      tarn_set_last_error(colour ? "Can't parse PPM header" : "Can't parse PGM header");
      return false;
    }
    ++c.pos;
    if (file.size() - c.pos < count * (maximum > 255 ? 2 : 1)) {
      tarn_set_last_error(truncated);
      return false;
    }
  } else if (file.size() - c.pos < count) {
    // Every sample of a text image takes at least one character.
    tarn_set_last_error(truncated);
    return false;
  }
  std::vector<uint8_t> pixels(count);
  if (binary) {
    size_t bytes_per_sample = maximum > 255 ? 2 : 1;
    const auto* p = reinterpret_cast<const uint8_t*>(file.data()) + c.pos;
    for (size_t k = 0; k < count; ++k) {
      long v = bytes_per_sample == 2 ? (p[2 * k] << 8 | p[2 * k + 1]) : p[k];
      pixels[k] = scale_sample(v, maximum);
    }
  } else {
    // An unreadable number counts as -1 (black), as do all after it.
    bool readable = true;
    for (size_t k = 0; k < count; ++k) {
      long v = -1;
      if (readable) readable = read_text_sample(c, v);
      pixels[k] = scale_sample(readable ? v : -1, maximum);
    }
  }
  out.width = static_cast<int>(w);
  out.height = static_cast<int>(h);
  out.channels = channels;
  out.pixels = std::move(pixels);
  return true;
}

bool jraw_decode(const std::string& file, Image& out) {
  image_refusal_clear();
  if (file.size() < 2 || file[0] != 'J' || (file[1] != '6' && file[1] != '7')) {
    tarn_set_last_error("Can't parse J6/J7 header");
    return false;
  }
  int channels = file[1] == '7' ? 4 : 3;
  Cursor c{file, 2};
  long w = 0, h = 0;
  if (!read_header_number(c, w) || !read_header_number(c, h) || !image_size_acceptable(w, h) ||
      !is_blank(c.peek())) {
    tarn_set_last_error("Can't get J6/J7 dimensions");
    return false;
  }
  ++c.pos;
  size_t row = static_cast<size_t>(w) * channels;
  size_t count = row * h;
  if (file.size() - c.pos < count) {
    tarn_set_last_error("Truncated J6/J7 data");
    return false;
  }
  const auto* in = reinterpret_cast<const uint8_t*>(file.data()) + c.pos;
  std::vector<uint8_t> px(count);
  // Each byte corrects a prediction: left in the first row, above in the
  // first column, else the plane through left, above and above-left.
  for (long y = 0; y < h; ++y) {
    for (long x = 0; x < w; ++x) {
      for (int k = 0; k < channels; ++k) {
        size_t at = y * row + x * channels + k;
        int predicted = 0;
        if (y == 0 && x > 0) {
          predicted = px[at - channels];
        } else if (x == 0 && y > 0) {
          predicted = px[at - row];
        } else if (x > 0 && y > 0) {
          predicted = px[at - channels] + px[at - row] - px[at - row - channels];
          predicted = predicted < 0 ? 0 : predicted > 255 ? 255 : predicted;
        }
        px[at] = static_cast<uint8_t>(predicted + in[at]);
      }
    }
  }
  out.width = static_cast<int>(w);
  out.height = static_cast<int>(h);
  out.channels = channels;
  out.pixels = std::move(px);
  return true;
}

long image_file_cap(const std::string& head) {
  auto be32 = [&head](size_t at) {
    return static_cast<long>(static_cast<uint8_t>(head[at])) << 24 | static_cast<uint8_t>(head[at + 1]) << 16 |
           static_cast<uint8_t>(head[at + 2]) << 8 | static_cast<uint8_t>(head[at + 3]);
  };
  if (head.size() >= 33 && head.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 && head.compare(12, 4, "IHDR") == 0) {
    const long w = be32(16), h = be32(20), depth = static_cast<uint8_t>(head[24]);
    static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};  // by colour type
    const int colour = static_cast<uint8_t>(head[25]);
    if (!image_size_acceptable(w, h) || colour > 6 || kChannels[colour] == 0 || depth > 16) return kImageFileCap;
    // Filtered rows, stored even without compression, with room for the
    // interlace passes' extra filter bytes, the zlib and chunk framing of
    // small image data chunks, and the other chunks.
    const long raw = h * (1 + (w * kChannels[colour] * depth + 7) / 8) + 7 * h;
    return std::min(kImageFileCap, raw + raw / 64 + 8 * kMiB);
  }
  const bool pnm = head.size() >= 2 && head[0] == 'P' && (head[1] == '6' || head[1] == '5');
  const bool jraw = head.size() >= 2 && head[0] == 'J' && (head[1] == '6' || head[1] == '7');
  if (pnm || jraw) {
    Cursor c{head, 2};
    long w = 0, h = 0, maximum = 255;
    if (!read_header_number(c, w) || !read_header_number(c, h) || (pnm && !read_header_number(c, maximum)) ||
        c.at_end() || !image_size_acceptable(w, h)) {
      return kImageFileCap;
    }
    const long channels = head[1] == '6' ? 3 : head[1] == '7' ? 4 : 1;
    const long data = w * h * channels * (maximum > 255 ? 2 : 1);
    // Tools may leave a little after the samples.
    return std::min(kImageFileCap, static_cast<long>(c.pos) + 1 + data + 64 * kKiB);
  }
  return kImageFileCap;
}

bool image_decode_failed(const char* name) {
  if (const char* why = image_refusal()) refuse_data_file(name, why);
  return false;
}

bool load_image_file(const char* name, std::string& file) {
  file.clear();
  DataFilePtr f(open_data_file(name, "rb"));
  if (!f) {
    tarn_set_last_error("Can't open image file");
    return false;
  }
  // The first bytes tell what the image can need; a compressed file is read
  // no further than that.
  limit_data_file(f.get(), kImageFileCap);
  file.resize(4096);
  file.resize(read_block(f.get(), file.data(), file.size()));
  if (!read_rest_of_data_file(f.get(), name, file, image_file_cap(file))) {
    tarn_set_last_error("Image file too large");
    return false;
  }
  return true;
}

namespace {

bool load_file(const char* name, std::string& file) { return load_image_file(name, file); }

bool starts_with(const std::string& s, const char* prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// Converts 1, 3 or 4 channels to `channels` (3 or 4); alpha becomes 255.
void convert_channels(Image& img, int channels) {
  if (img.channels == channels) return;
  size_t n = static_cast<size_t>(img.width) * img.height;
  std::vector<uint8_t> px(n * channels);
  for (size_t k = 0; k < n; ++k) {
    const uint8_t* s = img.pixels.data() + k * img.channels;
    uint8_t* d = px.data() + k * channels;
    d[0] = s[0];
    d[1] = img.channels == 1 ? s[0] : s[1];
    d[2] = img.channels == 1 ? s[0] : s[2];
    if (channels == 4) d[3] = img.channels == 4 ? s[3] : 255;
  }
  img.pixels = std::move(px);
  img.channels = channels;
}

bool decode_any(const std::string& file, Image& out) {
  if (starts_with(file, "J6") || starts_with(file, "J7")) return jraw_decode(file, out);
  if (starts_with(file, "P6") || starts_with(file, "P3") || starts_with(file, "P5") ||
      starts_with(file, "P2")) {
    return pnm_decode(file, out);
  }
  return png_decode(file, out);
}

}  // namespace

bool ppm_read(const char* name, Image& out) {
  std::string file;
  if (!load_file(name, file)) return false;
  if (!starts_with(file, "P6") && !starts_with(file, "P3")) {
    tarn_set_last_error("Can't parse PPM header");
    return false;
  }
  return pnm_decode(file, out) || image_decode_failed(name);
}

bool pgm_read(const char* name, Image& out) {
  std::string file;
  if (!load_file(name, file)) return false;
  if (!starts_with(file, "P5") && !starts_with(file, "P2")) {
    tarn_set_last_error("Can't parse PGM header");
    return false;
  }
  return pnm_decode(file, out) || image_decode_failed(name);
}

bool image_read_rgb(const char* name, Image& out) {
  std::string file;
  if (!load_file(name, file)) return false;
  Image img;
  if (!decode_any(file, img)) return image_decode_failed(name);
  convert_channels(img, 3);
  out = std::move(img);
  return true;
}

bool image_read_rgba(const char* name, Image& out) {
  std::string file;
  if (!load_file(name, file)) return false;
  Image img;
  if (!decode_any(file, img)) return image_decode_failed(name);
  convert_channels(img, 4);
  out = std::move(img);
  return true;
}

namespace {

bool write_pnm(const char* name, const char* magic, const uint8_t* px, int width, int height,
               int channels) {
  if (!px || !image_size_acceptable(width, height)) return false;
  char header[64];
  int n = std::snprintf(header, sizeof header, "%s\n%d %d\n255\n", magic, width, height);
  std::string bytes(header, n);
  bytes.append(reinterpret_cast<const char*>(px), static_cast<size_t>(width) * height * channels);
  return write_image_file(name, bytes);
}

}  // namespace

bool ppm_write(const char* name, const uint8_t* rgb, int width, int height) {
  return write_pnm(name, "P6", rgb, width, height, 3);
}

bool pgm_write(const char* name, const uint8_t* grey, int width, int height) {
  return write_pnm(name, "P5", grey, width, height, 1);
}
