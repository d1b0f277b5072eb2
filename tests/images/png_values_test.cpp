// Every PNG colour type and depth, with and without a transparency chunk,
// interlaced or not, gives the values it holds: as 16-bit grey (the ground's
// heights) and as 8-bit colour (textures).
#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <vector>

#include "images/image.h"
#include "tests/support/hostile_files.h"

namespace {

constexpr int kW = 5, kH = 3;  // enough for every interlace pass to hold pixels

struct PngCase {
  int colour;   // PNG colour type
  int depth;
  bool trns;    // with a transparency chunk
  int interlace;
};

// Stored samples of pixel k: grey level, colour of palette entry, alpha.
int max_of(int depth) { return (1 << depth) - 1; }
int stored_grey(int k, int depth) { return (k * 37 + 5) % (max_of(depth) + 1); }
int stored_alpha(int k, int depth) { return (k * 53 + 11) % (max_of(depth) + 1); }
// The palette: entry i is a grey of level 255 - 40 i; every other entry is
// transparent-ish when the case has a tRNS chunk.
int palette_grey(int i) { return 255 - 40 * i; }
int palette_alpha(int i) { return i % 2 ? 255 : 64 + i; }
int palette_size(int depth) { return depth >= 4 ? 6 : max_of(depth) + 1; }
int palette_index(int k, int depth) { return k % palette_size(depth); }
// The grey that is transparent in a grey image with a tRNS chunk.
int trns_grey(int depth) { return stored_grey(2, depth); }

// An 8-bit value from a stored one of `depth` bits.
int to8(int v, int depth) { return depth == 16 ? v >> 8 : depth == 8 ? v : v * 255 / max_of(depth); }
int to16(int v, int depth) { return depth == 16 ? v : to8(v, depth) * 257; }

void write_png(png_structp png, png_bytep data, png_size_t n) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), n);
}
void no_flush(png_structp) {}

// Samples of one row packed at the case's depth.
std::vector<uint8_t> pack(const std::vector<int>& samples, int depth) {
  std::vector<uint8_t> out;
  if (depth == 16) {
    for (int v : samples) out.push_back(static_cast<uint8_t>(v >> 8)), out.push_back(static_cast<uint8_t>(v));
    return out;
  }
  int bits = 0, acc = 0;
  for (int v : samples) {
    acc = acc << depth | v;
    bits += depth;
    if (bits == 8) out.push_back(static_cast<uint8_t>(acc)), bits = 0, acc = 0;
  }
  if (bits) out.push_back(static_cast<uint8_t>(acc << (8 - bits)));
  return out;
}

std::string encode(const PngCase& c) {
  std::string file;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return "";
  }
  png_set_write_fn(png, &file, write_png, no_flush);
  png_set_IHDR(png, info, kW, kH, c.depth, c.colour, c.interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (c.colour == PNG_COLOR_TYPE_PALETTE) {
    std::vector<png_color> pal(palette_size(c.depth));
    std::vector<png_byte> alpha(pal.size());
    for (size_t i = 0; i < pal.size(); ++i) {
      const auto g = static_cast<png_byte>(palette_grey(static_cast<int>(i)));
      pal[i] = {g, g, g};
      alpha[i] = static_cast<png_byte>(palette_alpha(static_cast<int>(i)));
    }
    png_set_PLTE(png, info, pal.data(), static_cast<int>(pal.size()));
    if (c.trns) png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha.size()), nullptr);
  } else if (c.trns) {
    png_color_16 t{};
    t.gray = t.red = t.green = t.blue = static_cast<png_uint_16>(trns_grey(c.depth));
    png_set_tRNS(png, info, nullptr, 0, &t);
  }
  std::vector<std::vector<uint8_t>> rows;
  for (int y = 0; y < kH; ++y) {
    std::vector<int> s;
    for (int x = 0; x < kW; ++x) {
      const int k = y * kW + x;
      const int g = stored_grey(k, c.depth);
      switch (c.colour) {
        case PNG_COLOR_TYPE_GRAY: s.push_back(g); break;
        case PNG_COLOR_TYPE_GRAY_ALPHA: s.insert(s.end(), {g, stored_alpha(k, c.depth)}); break;
        case PNG_COLOR_TYPE_RGB: s.insert(s.end(), {g, g, g}); break;
        case PNG_COLOR_TYPE_RGB_ALPHA: s.insert(s.end(), {g, g, g, stored_alpha(k, c.depth)}); break;
        case PNG_COLOR_TYPE_PALETTE: s.push_back(palette_index(k, c.depth)); break;
      }
    }
    rows.push_back(pack(s, c.depth));
  }
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());
  png_write_info(png, info);
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return file;
}

// What pixel k holds: its 16-bit grey, and its 8-bit colour with alpha.
struct Expected {
  int grey16, grey8, alpha8;
};

Expected expected(const PngCase& c, int k) {
  if (c.colour == PNG_COLOR_TYPE_PALETTE) {
    const int i = palette_index(k, c.depth);
    return {palette_grey(i) * 257, palette_grey(i), c.trns ? palette_alpha(i) : 255};
  }
  const int g = stored_grey(k, c.depth);
  int alpha = 255;
  if (c.colour & PNG_COLOR_MASK_ALPHA) alpha = to8(stored_alpha(k, c.depth), c.depth);
  if (c.trns && g == trns_grey(c.depth)) alpha = 0;
  return {to16(g, c.depth), to8(g, c.depth), alpha};
}

bool has_alpha(const PngCase& c) { return c.trns || (c.colour & PNG_COLOR_MASK_ALPHA); }

std::string describe(const PngCase& c) {
  return "colour type " + std::to_string(c.colour) + ", " + std::to_string(c.depth) + " bits" +
         (c.trns ? ", tRNS" : "") + (c.interlace ? ", interlaced" : "");
}

std::vector<PngCase> all_cases() {
  struct Type {
    int colour;
    std::vector<int> depths;
    bool may_have_trns;
  } types[] = {
      {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}, true},   {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}, false},
      {PNG_COLOR_TYPE_RGB, {8, 16}, true},            {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}, false},
      {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}, true},
  };
  std::vector<PngCase> out;
  for (const Type& t : types)
    for (int depth : t.depths)
      for (int trns = 0; trns <= (t.may_have_trns ? 1 : 0); ++trns)
        for (int interlace = 0; interlace <= 1; ++interlace) out.push_back({t.colour, depth, trns == 1, interlace});
  return out;
}

TEST(PngValues, EveryColourTypeAndDepthGivesItsGreyAsSixteenBits) {
  for (const PngCase& c : all_cases()) {
    SCOPED_TRACE(describe(c));
    const std::string file = encode(c);
    ASSERT_FALSE(file.empty());
    Gray16Image img;
    ASSERT_TRUE(png_decode_gray16(file, img));
    ASSERT_EQ(img.width, kW);
    ASSERT_EQ(img.height, kH);
    for (int k = 0; k < kW * kH; ++k) EXPECT_EQ(img.samples[k], expected(c, k).grey16) << "pixel " << k;
  }
}

TEST(PngValues, EveryColourTypeAndDepthGivesItsColourAndAlphaAsEightBits) {
  for (const PngCase& c : all_cases()) {
    SCOPED_TRACE(describe(c));
    Image img;
    ASSERT_TRUE(png_decode(encode(c), img));
    ASSERT_EQ(img.channels, has_alpha(c) ? 4 : 3);
    for (int k = 0; k < kW * kH; ++k) {
      const Expected e = expected(c, k);
      const uint8_t* p = img.pixels.data() + k * img.channels;
      EXPECT_EQ(p[0], e.grey8) << "pixel " << k;
      EXPECT_EQ(p[1], e.grey8) << "pixel " << k;
      EXPECT_EQ(p[2], e.grey8) << "pixel " << k;
      if (img.channels == 4) {
        EXPECT_EQ(p[3], e.alpha8) << "pixel " << k;
      }
    }
  }
}

// The image of the report: a palette of white, black and grey 128 with white
// three-quarters transparent.
TEST(PngValues, PaletteWithTransparencyGivesTheGreysItHolds) {
  Gray16Image img;
  ASSERT_TRUE(png_decode_gray16(palette_png_with_transparency(), img));
  EXPECT_EQ(img.samples, std::vector<uint16_t>({65535, 0, 32896, 0}));
}

}  // namespace
