#include "images/image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/log.h"
#include "tests/support/test_env.h"

namespace {

std::string bytes_of(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s += static_cast<char>(b);
  return s;
}

TEST(PngImage, Gray16RoundTripThroughDataFolders) {
  DataSandbox box;
  const uint16_t samples[6] = {0, 1, 257, 32768, 65534, 65535};
  ASSERT_TRUE(png_write_gray16("@pics/h.png", samples, 3, 2));
  Gray16Image img;
  ASSERT_TRUE(png_read_gray16("@pics/h.png", img));
  EXPECT_EQ(img.width, 3);
  EXPECT_EQ(img.height, 2);
  EXPECT_EQ(std::vector<uint16_t>(samples, samples + 6), img.samples);
}

TEST(PngImage, RgbWriterStoresBottomRowFirstBufferTopFirst) {
  DataSandbox box;
  // Two rows as GL reads them back: bottom (red) first, then top (blue).
  const uint8_t rows[6] = {255, 0, 0, 0, 0, 255};
  ASSERT_TRUE(png_write_rgb("@shot.png", rows, 1, 2));
  Image img;
  ASSERT_TRUE(png_read("@shot.png", img));
  ASSERT_EQ(img.channels, 3);
  EXPECT_EQ(img.pixels, std::vector<uint8_t>({0, 0, 255, 255, 0, 0}));
}

TEST(PngImage, EightBitGreyWidensByRepeatingTheByte) {
  // An 8-bit RGB PNG of grey pixels, read as 16-bit grey.
  const uint8_t px[6] = {255, 255, 255, 18, 18, 18};
  std::string png = png_encode_rgb(px, 2, 1);
  Gray16Image img;
  ASSERT_TRUE(png_decode_gray16(png, img));
  EXPECT_EQ(img.samples[0], 65535);
  EXPECT_EQ(img.samples[1], 18 * 257);
}

TEST(PngImage, AlphaGivesFourChannelsAndInfoFileIsAppended) {
  DataSandbox box;
  const uint8_t px[4] = {1, 2, 3, 4};
  box.write_data("a.png", png_encode_rgba(px, 1, 1));
  box.write_data("a.png.info", "[mip_max_alpha]\n");
  box.rescan();
  Image img;
  std::string info;
  ASSERT_TRUE(png_read("@a.png", img, &info));
  EXPECT_EQ(img.channels, 4);
  EXPECT_EQ(img.pixels, std::vector<uint8_t>({1, 2, 3, 4}));
  EXPECT_EQ(info, "[mip_max_alpha]\n");
}

TEST(PngImage, RefusesGarbageTruncationAndMissingFiles) {
  const uint8_t px[3] = {9, 9, 9};
  std::string png = png_encode_rgb(px, 1, 1);
  Image img;
  EXPECT_FALSE(png_decode(png.substr(0, png.size() / 2), img));
  EXPECT_FALSE(png_decode("not a png at all", img));
  DataSandbox box;
  EXPECT_FALSE(png_read("@missing.png", img));
}

struct PnmCase {
  const char* name;
  std::string file;
  bool ok;
  int channels;
  std::vector<uint8_t> pixels;
  const char* error;
};

TEST(PnmImage, FormatsScalingAndErrors) {
  const PnmCase cases[] = {
      {"binary ppm", "P6\n1 1\n255\n" + bytes_of({10, 20, 30}), true, 3, {10, 20, 30}, nullptr},
      {"comments", "P6\n# made here\n1 # width\n1\n255\n" + bytes_of({1, 2, 3}), true, 3, {1, 2, 3}, nullptr},
      {"text ppm, max 15", "P3 1 1 15\n15 0 7\n", true, 3, {255, 0, 119}, nullptr},
      {"text pgm, bad number is black", "P2 2 1 255\n40 x\n", true, 1, {40, 0}, nullptr},
      {"binary pgm", "P5 2 1 255\n" + bytes_of({0, 200}), true, 1, {0, 200}, nullptr},
      {"16-bit pgm", "P5 1 1 65535\n" + bytes_of({0x80, 0x00}), true, 1, {128}, nullptr},
      {"bad magic", "P7 1 1 255\n...", false, 0, {}, "Can't parse PPM header"},
      {"no dimensions", "P6\nxx\n", false, 0, {}, "Can't get PPM dimensions"},
      {"pgm no dimensions", "P5 \n", false, 0, {}, "Can't get PGM dimensions"},
      {"zero width", "P6 0 4 255\n", false, 0, {}, "Can't get PPM dimensions"},
      {"absurd size", "P6 999999999 999999999 255\n", false, 0, {}, "Can't get PPM dimensions"},
      {"truncated", "P6 2 2 255\n" + bytes_of({1, 2, 3}), false, 0, {}, "Truncated PPM data"},
  };
  for (const PnmCase& c : cases) {
    SCOPED_TRACE(c.name);
    Image img;
    ASSERT_EQ(pnm_decode(c.file, img), c.ok);
    if (c.ok) {
      EXPECT_EQ(img.channels, c.channels);
      EXPECT_EQ(img.pixels, c.pixels);
    } else {
      EXPECT_STREQ(tarn_last_error(), c.error);
    }
  }
}

TEST(PnmImage, ReadersCheckTheKindAndWritersRoundTrip) {
  DataSandbox box;
  const uint8_t rgb[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  ASSERT_TRUE(ppm_write("@s.ppm", rgb, 2, 2));
  ASSERT_TRUE(pgm_write("@g.pgm", rgb, 4, 3));
  Image img;
  ASSERT_TRUE(ppm_read("@s.ppm", img));
  EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 12), img.pixels);
  ASSERT_TRUE(pgm_read("@g.pgm", img));
  EXPECT_EQ(img.channels, 1);
  EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 12), img.pixels);
  EXPECT_FALSE(ppm_read("@g.pgm", img));
  EXPECT_STREQ(tarn_last_error(), "Can't parse PPM header");
  EXPECT_FALSE(pgm_read("@s.ppm", img));
  EXPECT_STREQ(tarn_last_error(), "Can't parse PGM header");
  ASSERT_TRUE(image_read_rgba("@s.ppm", img));
  EXPECT_EQ(img.channels, 4);
  EXPECT_EQ(img.pixels[3], 255);
}

TEST(JrawImage, PredictionFromLeftAboveAndPlane) {
  Image img;
  ASSERT_TRUE(jraw_decode("J6 1 1\n" + bytes_of({10, 20, 30}), img));
  EXPECT_EQ(img.pixels, std::vector<uint8_t>({10, 20, 30}));
  // 2x2 grey-ish: first pixel 100; right +5; below +10; last predicted
  // 105 + 110 - 100 = 115, plus 1.
  std::string data = "J6 2 2\n" + bytes_of({100, 100, 100, 5, 5, 5, 10, 10, 10, 1, 1, 1});
  ASSERT_TRUE(jraw_decode(data, img));
  EXPECT_EQ(img.pixels[3], 105);
  EXPECT_EQ(img.pixels[6], 110);
  EXPECT_EQ(img.pixels[9], 116);
  EXPECT_FALSE(jraw_decode("J7 4 4\n" + bytes_of({1, 2}), img));
}

TEST(ImageFuzz, RandomBytesNeverCrashAnyDecoder) {
  std::mt19937 rng(1234);
  const char* prefixes[] = {"", "P6 ", "P5\n3 3\n", "P3 2 2 255 ", "J6 2 2 ", "J7 ", "\x89PNG\r\n\x1a\n"};
  const uint8_t px[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const std::string png = png_encode_rgb(px, 2, 2);
  for (int iter = 0; iter < 300; ++iter) {
    std::string data = prefixes[iter % std::size(prefixes)];
    if (iter % 5 == 0) {
      data = png;  // a real PNG with a few bytes flipped
      for (int k = 0; k < 3; ++k) data[rng() % data.size()] = static_cast<char>(rng());
    } else {
      int len = rng() % 200;
      for (int k = 0; k < len; ++k) data += static_cast<char>(rng());
    }
    Image img;
    Gray16Image g;
    if (png_decode(data, img)) {
      EXPECT_EQ(img.pixels.size(), size_t(img.width) * img.height * img.channels);
    }
    png_decode_gray16(data, g);
    if (pnm_decode(data, img)) {
      EXPECT_EQ(img.pixels.size(), size_t(img.width) * img.height * img.channels);
    }
    jraw_decode(data, img);
  }
}

}  // namespace
