// Pictures that claim more than they hold are refused before anything is
// allocated for the claim, with a message naming the file.
#include <gtest/gtest.h>

#include <string>

#include "files/data_limits.h"
#include "images/image.h"
#include "images/image_internal.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "tests/support/hostile_files.h"
#include "tests/support/test_env.h"

namespace {

bool shown(const std::string& text) {
  for (const std::string& m : recent_messages())
    if (m == text) return true;
  return false;
}

struct ClaimCase {
  const char* what;
  std::string file;
  const char* error;
};

TEST(HostileImages, ClaimsBeyondTheFileAreRefusedByEveryDecoder) {
  const ClaimCase cases[] = {
      {"a 2 GB text chunk", png_with_huge_text_chunk(), "PNG chunk of 2147483647 bytes"},
      {"16384 x 4096 RGBA in 65 bytes", png_of_huge_image(), "PNG data too short for 16384 x 4096 pixels"},
      {"16384 x 4096 RGB in 18 bytes", ppm_of_huge_image(), "Truncated PPM data"},
      {"16384 x 4096 text RGB in 20 bytes", "P3 16384 4096 255\n0 ", "Truncated PPM data"},
      {"16384 x 4096 J6 in 14 bytes", "J6 16384 4096\n", "Truncated J6/J7 data"},
  };
  for (const ClaimCase& c : cases) {
    SCOPED_TRACE(c.what);
    Image img;
    Gray16Image grey;
    const bool png = c.file.compare(0, 4, "\x89PNG") == 0;
    EXPECT_FALSE(png ? png_decode(c.file, img) : c.file[0] == 'J' ? jraw_decode(c.file, img) : pnm_decode(c.file, img));
    EXPECT_STREQ(tarn_last_error(), c.error);
    if (png) {
      EXPECT_FALSE(png_decode_gray16(c.file, grey));
      EXPECT_STREQ(tarn_last_error(), c.error);
    }
    EXPECT_TRUE(img.pixels.empty());
  }
}

TEST(HostileImages, AnImageBeyondTheSizeRuleIsRefusedFromItsHeader) {
  const std::string wide = std::string("\x89PNG\r\n\x1a\n", 8) + png_ihdr(16385, 1, 8, 0) + png_chunk("IEND", "");
  Image img;
  EXPECT_FALSE(png_decode(wide, img));
  EXPECT_STREQ(tarn_last_error(), "PNG image too large (16385 x 1 pixels)");
}

TEST(HostileImages, NamedReadersReportTheRefusedFile) {
  DataSandbox box;
  box.write_data("text.png", png_with_huge_text_chunk());
  box.write_data("huge.png", png_of_huge_image());
  box.write_data("damaged.png", png_of_huge_image().substr(0, 20));
  // A compressed picture is read no further than its header's image needs.
  std::string ppm_head = "P6 2 2 255\n";
  box.write_data("padded.ppm.gz", gzip_of_repeats(ppm_head, 64 * kMiB));
  box.rescan();
  clear_messages();
  const long refused = refused_data_file_count();
  Image img;
  Gray16Image grey;
  EXPECT_FALSE(png_read("@text.png", img));
  EXPECT_TRUE(shown("Refused '@text.png': PNG chunk of 2147483647 bytes"));
  EXPECT_FALSE(png_read_gray16("@huge.png", grey));
  EXPECT_TRUE(shown("Refused '@huge.png': PNG data too short for 16384 x 4096 pixels"));
  EXPECT_FALSE(image_read_rgba("@text.png", img));
  EXPECT_FALSE(image_read_rgb("@padded.ppm", img));
  EXPECT_TRUE(shown("Refused '@padded.ppm': larger than 65559 bytes"));
  EXPECT_FALSE(png_read("/dev/zero", img));
  EXPECT_TRUE(shown("Refused '/dev/zero': not a data file"));
  EXPECT_EQ(refused_data_file_count(), refused + 5);
  // A merely damaged picture fails without a refusal.
  EXPECT_FALSE(png_read("@damaged.png", img));
  EXPECT_EQ(refused_data_file_count(), refused + 5);
}

// Real pictures often carry a broken colour profile or a damaged extra
// chunk; the strict reading must not refuse them for it.
TEST(HostileImages, FlawsInChunksThePictureDoesNotNeedStillLoad) {
  const std::string good = palette_png_with_transparency();
  const size_t after_header = 8 + 25;
  std::string bad_crc_text = png_chunk("tEXt", std::string("Comment\0made here", 17));
  bad_crc_text[bad_crc_text.size() - 1] ^= 0x55;
  const std::string flawed = good.substr(0, after_header) + png_chunk("iCCP", std::string("x\0\0garbage", 10)) +
                             png_chunk("gAMA", std::string(4, '\0')) + png_chunk("sRGB", "\x07") + bad_crc_text +
                             png_chunk("prVt", "private") + good.substr(after_header);
  Gray16Image img;
  ASSERT_TRUE(png_decode_gray16(flawed, img)) << tarn_last_error();
  EXPECT_EQ(img.samples, std::vector<uint16_t>({65535, 0, 32896, 0}));
  Image colour;
  std::string info;
  ASSERT_TRUE(png_decode(flawed, colour, &info)) << tarn_last_error();
  EXPECT_EQ(colour.channels, 4);
}

TEST(HostileImages, TheHeaderBoundsWhatAPictureMayHold) {
  const uint8_t px[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const std::string png = png_encode_rgb(px, 2, 2);
  EXPECT_GE(image_file_cap(png), static_cast<long>(png.size()));
  EXPECT_LE(image_file_cap(png), 9 * kMiB);
  EXPECT_EQ(image_file_cap("P6 2 2 255\n"), 11 + 12 + 64 * kKiB);
  EXPECT_EQ(image_file_cap("P5 3 1 65535\n"), 13 + 6 + 64 * kKiB);
  EXPECT_EQ(image_file_cap("J7 1 1\n"), 7 + 4 + 64 * kKiB);
  EXPECT_EQ(image_file_cap("P3 2 2 255\n"), kImageFileCap);  // text: no bound but the cap
  EXPECT_EQ(image_file_cap("junk"), kImageFileCap);
}

}  // namespace
