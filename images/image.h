// Software images: reading PNG, PPM, PGM and the raw predictive J6/J7
// formats, and writing PNG, PPM and PGM. Every file goes through the
// data-file streams, so "@" names, archive members and ".gz" files work.
// Failures return false and leave a short text as the platform's last error.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Rows top first, `channels` bytes per pixel (1 grey, 3 RGB, 4 RGBA).
struct Image {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<uint8_t> pixels;
};

// 16-bit grey samples, rows top first.
struct Gray16Image {
  int width = 0;
  int height = 0;
  std::vector<uint16_t> samples;
};

// Images larger than this many pixels (or wider or taller than the side
// limit) are refused before anything is allocated.
constexpr int kImageMaxSide = 16384;
constexpr long kImageMaxPixels = 64L * 1024 * 1024;
bool image_size_acceptable(long width, long height);

// PNG of any depth and colour type as 8-bit RGB (3 channels) or RGBA (4:
// an alpha channel or a transparency chunk). `info` (optional) receives
// the text chunks followed by the contents of "<name>.info" when it exists.
bool png_read(const char* name, Image& out, std::string* info = nullptr);
// PNG as 16-bit grey: palettes expanded, colour made grey, alpha dropped,
// 8-bit samples widened by repeating the byte.
bool png_read_gray16(const char* name, Gray16Image& out);

// "P6"/"P3" as RGB; "P5"/"P2" as grey (1 channel). Samples are scaled to
// 0..255 when the file's maximum is not 255.
bool ppm_read(const char* name, Image& out);
bool pgm_read(const char* name, Image& out);
// PPM or J6/J7, as RGB (J7 drops alpha).
bool image_read_rgb(const char* name, Image& out);
// PNG, J6/J7 or PPM, as RGBA.
bool image_read_rgba(const char* name, Image& out);

// Writers. png_write_rgb takes rows bottom first (GL read-back order) and
// stores them top first.
bool png_write_gray16(const char* name, const uint16_t* samples, int width, int height);
bool png_write_rgb(const char* name, const uint8_t* pixels, int width, int height);
bool ppm_write(const char* name, const uint8_t* rgb, int width, int height);
bool pgm_write(const char* name, const uint8_t* grey, int width, int height);

// In-memory PNG encoders (rows top first), for the data generator and the
// tools. An empty result means failure.
std::string png_encode_gray16(const uint16_t* samples, int width, int height);
std::string png_encode_rgb(const uint8_t* pixels, int width, int height);
std::string png_encode_rgba(const uint8_t* pixels, int width, int height);

// Decoders over a file's bytes already in memory (the readers above load
// the file and call these).
bool png_decode(const std::string& file, Image& out, std::string* info = nullptr);
bool png_decode_gray16(const std::string& file, Gray16Image& out);
// "P6"/"P3"/"P5"/"P2": PPM gives 3 channels, PGM 1.
bool pnm_decode(const std::string& file, Image& out);
// "J6"/"J7": 3 or 4 channels.
bool jraw_decode(const std::string& file, Image& out);
