#include "track/billboards.h"

#include <gtest/gtest.h>

#include "tests/track/track_fixture.h"

namespace {
TEST(BillboardColourName, OnlyTheExactFormCarriesAColour) {
  struct Case {
    const char* name;
    bool coloured;
    int r, g, b;
    const char* texture;
  } cases[] = {
      {"#ff0000#@tree.png", true, 255, 0, 0, "@tree.png"},
      {"#00A0fF#x", true, 0, 160, 255, "x"},
      {"#ff0000#", true, 255, 0, 0, ""},
      {"#ff00#00#x", false, 0, 0, 0, nullptr},   // second '#' too early
      {"#ff00000#x", false, 0, 0, 0, nullptr},   // eighth character not '#'
      {"#ff00zz#x", false, 0, 0, 0, nullptr},    // not hexadecimal
      {"#ff0", false, 0, 0, 0, nullptr},         // too short
      {"ff0000#@tree.png", false, 0, 0, 0, nullptr},
  };
  for (const Case& c : cases) {
    uint8_t rgb[3] = {1, 2, 3};
    const char* texture = nullptr;
    ASSERT_EQ(billboard_colour_name(c.name, rgb, &texture), c.coloured) << c.name;
    if (!c.coloured) continue;
    EXPECT_EQ(rgb[0], c.r) << c.name;
    EXPECT_EQ(rgb[1], c.g) << c.name;
    EXPECT_EQ(rgb[2], c.b) << c.name;
    EXPECT_STREQ(texture, c.texture);
  }
}

TEST(Billboards, AddPlacesOnTheGroundWithColourAndSortEntries) {
  ObjectFiles files;
  files.write("tree.png", "png");
  Track t;
  make_ground(t, 2, 0.5f, 0);
  std::string tex = files.dir.file("tree.png");
  int a = billboard_add(t, 8, 1, 4, 20, 0.5f, ("#ff0000#" + tex).c_str());
  int b = billboard_add(t, 4, 0, 4, 10, 1, "#ff00#00#x");
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  EXPECT_FLOAT_EQ(t.billboards[0].y, 2 + 0.5f * 8 + 1);
  EXPECT_EQ(t.billboards[0].colour[0], 255);
  EXPECT_EQ(t.billboards[0].colour[1], 0);
  EXPECT_EQ(t.billboards[0].colour[3], 255);
  EXPECT_EQ(t.billboards[0].texture_name, tex);
  EXPECT_NE(t.billboards[0].texture, 0u);
  // Taken whole as a texture name, which does not exist: not drawn.
  EXPECT_EQ(t.billboards[1].texture_name, "#ff00#00#x");
  EXPECT_EQ(t.billboards[1].texture, 0u);
  EXPECT_EQ(t.billboards[1].colour[1], 255);
  EXPECT_EQ(t.billboard_sort, std::vector<uint32_t>(4, 0));
}

TEST(Billboards, ReadStopsAtTheFirstBadLineAndWriteRoundTrips) {
  ObjectFiles files;
  Track t;
  std::string path = files.write("billboards",
                                 "[ 1 0 2 ] 10 0.5 @a.png\n"
                                 "[3 1 4] 5 2 #10ff20#@b.png\n"
                                 "[5 0 6] 5 broken @c.png\n"
                                 "[7 0 8] 5 1 @d.png\n");
  // A program billboard ahead of the file's is never written.
  int spare = billboard_add(t, 0, 0, 0, 1, 1, nullptr);
  t.billboards[spare].internal = true;
  billboards_read(t, path.c_str());
  ASSERT_EQ(t.billboards.size(), 3u);
  EXPECT_EQ(t.billboards[2].colour[1], 255);
  EXPECT_EQ(t.billboards[2].colour[0], 16);

  std::string out = files.dir.file("written");
  ASSERT_TRUE(billboards_write(t, out.c_str()));
  // Kept even though the pictures are missing: the names are the track's.
  EXPECT_EQ(slurp(out),
            "[1.000000 0.000000 2.000000] 10.000000 0.500000 @a.png\n"
            "[3.000000 1.000000 4.000000] 5.000000 2.000000 #10ff20#@b.png\n");
}

TEST(Billboards, WriterReportsAFileItCannotOpen) {
  ObjectFiles files;
  Track t;
  files.write("blocker", "a file, not a folder");
  EXPECT_FALSE(billboards_write(t, files.dir.file("blocker/billboards").c_str()));
  EXPECT_TRUE(message_shown("Can't open 'billboards'"));
}
}  // namespace
