// terrain_load over small track folders (good, malformed, truncated and
// oversized files), terrain_save round trips, and the generated tracks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/messages.h"
#include "images/image.h"
#include "tests/support/hostile_files.h"
#include "tests/support/test_env.h"
#include "track/terrain.h"

namespace {

std::string le16(const std::vector<uint16_t>& v) {
  std::string s;
  for (uint16_t x : v) s += static_cast<char>(x & 255), s += static_cast<char>(x >> 8);
  return s;
}

std::string pnm(const char* magic, int w, int h, int channels, uint8_t fill) {
  return std::string(magic) + " " + std::to_string(w) + " " + std::to_string(h) + " 255\n" +
         std::string(static_cast<size_t>(w) * h * channels, static_cast<char>(fill));
}

// A folder "@t" of exponent 1 (5 x 5 samples, 2 x 2 tiles) whose files the
// tests then spoil one at a time.
struct SmallTrack : ::testing::Test {
  DataSandbox box;
  Terrain t;
  std::vector<uint16_t> values;
  SmallTrack() {
    clear_messages();
    for (int k = 0; k < 25; ++k) values.push_back(static_cast<uint16_t>(k * 2000));
    put("terrain.hf", "1 2.0 -5.0 15.0\n:" + le16(values));
    put("shadingx2.ppm", pnm("P6", 5, 5, 3, 100));
    put("shadows.pgm", pnm("P5", 5, 5, 1, 255));
    put("tileinfo", "texture @dirt.png\naddtile\ntexture @grass.png\naddtile\n");
    put("tilemap", std::string("\x00\x01\x01\x09", 4));
  }
  void put(const std::string& name, const std::string& content) {
    box.write_data("t/" + name, content);
    box.rescan();
  }
  void remove(const std::string& name) {
    std::filesystem::remove(box.data() + "/t/" + name);
    box.rescan();
  }
  int load() { return terrain_load(t, "@t", MethodSoftware); }
  std::vector<std::string> messages() const { return recent_messages(); }
};

TEST_F(SmallTrack, LoadsInlineHeightsShadingShadowsAndTiles) {
  ASSERT_EQ(load(), 1);
  EXPECT_EQ(t.size, 5);
  EXPECT_EQ(t.world_size, 8.0f);
  EXPECT_EQ(t.tile_size, 4.0f);
  EXPECT_FLOAT_EQ(t.heights[0], -5.0f);
  EXPECT_NEAR(t.heights[7], -5.0f + 20.0f * 14000 / 65535, 1e-5);
  EXPECT_EQ(t.shading[0], 100);
  EXPECT_EQ(t.shadow[0], 0);  // file light 255 is no shadow
  EXPECT_EQ(t.tile_count, 2);
  EXPECT_EQ(t.tilemap, std::vector<uint8_t>({0, 1, 1, 1}));
  EXPECT_EQ(t.camera_i, -1000000);
  EXPECT_TRUE(messages().empty());
}

struct BadFile {
  const char* what;
  const char* file;
  std::string content;  // empty: the file is removed
  std::vector<std::string> shown;
};

TEST_F(SmallTrack, BadFilesFailWithTheirMessages) {
  const BadFile cases[] = {
      {"three numbers", "terrain.hf", "1 2.0 -5.0\n", {"Bad height field parameters", "Error reading heights"}},
      {"words", "terrain.hf", "hello there\n", {"Bad height field parameters", "Error reading heights"}},
      {"absurd exponent", "terrain.hf", "30 2.0 0 1\n:", {"Bad height field parameters", "Error reading heights"}},
      {"negative exponent", "terrain.hf", "-1 2.0 0 1\n", {"Bad height field parameters", "Error reading heights"}},
      {"zero spacing", "terrain.hf", "1 0 0 1\n", {"Bad height field parameters", "Error reading heights"}},
      {"height range beyond a float", "terrain.hf", "1 2.0 -3e38 3e38\n:", {"Bad height field parameters", "Error reading heights"}},
      {"heights beyond 2^24 ft", "terrain.hf", "1 2.0 0 1e30\n:", {"Bad height field parameters", "Error reading heights"}},
      {"spacing below 2^-10 ft", "terrain.hf", "1 1e-30 0 1\n:", {"Bad height field parameters", "Error reading heights"}},
      {"world beyond 2^24 ft", "terrain.hf", "1 1e7 0 1\n:", {"Bad height field parameters", "Error reading heights"}},
      {"truncated heights", "terrain.hf", "1 2.0 0 1\n:" + std::string(30, 'x'), {"Error reading heights"}},
      {"no terrain.hf", "terrain.hf", "", {"Can't open '@t/terrain.hf'"}},
      {"shading size", "shadingx2.ppm", pnm("P6", 4, 5, 3, 1), {"Bad shading dimensions (4x5)"}},
      {"shading garbage", "shadingx2.ppm", "P6 what", {"Error reading shading"}},
      {"shading truncated", "shadingx2.ppm", "P6 5 5 255\nabc", {"Error reading shading"}},
      {"shadow size", "shadows.pgm", pnm("P5", 3, 3, 1, 1), {"Bad shadow dimensions (3x3)"}},
      {"shadow garbage", "shadows.pgm", "P5 -", {"Error reading shadows"}},
      {"no tilemap", "tilemap", "", {"Can't open '@t/tilemap'"}},
      {"no tileinfo nor texturelist", "tileinfo", "", {"Can't open '@t/texturelist'"}},
  };
  for (const BadFile& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = box.data() + "/t/" + c.file;
    const std::string saved = slurp(path);
    if (c.content.empty()) {
      remove(c.file);
    } else {
      put(c.file, c.content);
    }
    clear_messages();
    EXPECT_EQ(load(), 0);
    EXPECT_EQ(messages(), c.shown);
    EXPECT_TRUE(t.heights.empty());
    EXPECT_EQ(t.size, 0);
    put(c.file, saved);
  }
  EXPECT_EQ(load(), 1);  // the good files were put back each time
}

TEST_F(SmallTrack, HeightsFromAnEightBitImageEdgeExtended) {
  put("terrain.hf", "1 2.0 -5.0 15.0\n");
  // 2 x 3 grey image (as RGB): the grid takes column min(i, 1), row min(j, 2).
  const uint8_t px[18] = {0, 0, 0, 255, 255, 255, 51, 51, 51, 255, 255, 255, 255, 255, 255, 0, 0, 0};
  put("terrain.png", png_encode_rgb(px, 2, 3));
  ASSERT_EQ(load(), 1);
  EXPECT_FLOAT_EQ(t.heights[0], -5.0f);
  EXPECT_FLOAT_EQ(t.heights[1], 15.0f);
  EXPECT_FLOAT_EQ(t.heights[4], 15.0f);  // column 4 -> 1
  EXPECT_FLOAT_EQ(t.heights[5], -5.0f + 20.0f * 51 * 257 / 65535);
  EXPECT_FLOAT_EQ(t.heights[4 * 5 + 4], -5.0f);  // row 4 -> 2, column -> 1
}

TEST_F(SmallTrack, AllWhiteImageIsHmaxAndMissingImageIsFlat) {
  put("terrain.hf", "1 2.0 -5.0 15.0\n");
  const uint8_t white[3] = {255, 255, 255};
  put("terrain.png", png_encode_rgb(white, 1, 1));
  ASSERT_EQ(load(), 1);
  for (float h : t.heights) EXPECT_EQ(h, 15.0f);
  remove("terrain.png");
  ASSERT_EQ(load(), 1);
  for (float h : t.heights) EXPECT_EQ(h, -5.0f);
  put("terrain.png", "garbage");
  ASSERT_EQ(load(), 1);
  EXPECT_EQ(t.heights[12], -5.0f);
  // A range whose top the scale overshoots by rounding: hmax all the same.
  put("terrain.hf", "1 2.0 -5.0 -0.6\n");
  put("terrain.png", png_encode_rgb(white, 1, 1));
  ASSERT_EQ(load(), 1);
  for (float h : t.heights) EXPECT_EQ(h, -0.6f);
}

TEST_F(SmallTrack, PlainShadingIsHalvedAndTexturelistServesWithoutTileinfo) {
  remove("shadingx2.ppm");
  put("shading.ppm", pnm("P6", 5, 5, 3, 201));
  remove("tileinfo");
  put("texturelist", "0.5 1 2 dirt.png\n");
  ASSERT_EQ(load(), 1);
  EXPECT_EQ(t.shading[0], 100);
  EXPECT_EQ(t.tile_count, 1);
  EXPECT_EQ(t.tilemap, std::vector<uint8_t>({0, 0, 0, 0}));
}

TEST_F(SmallTrack, ShortTileMapLoadsWithAMessage) {
  put("tilemap", std::string("\x01", 1));
  ASSERT_EQ(load(), 1);
  EXPECT_EQ(t.tilemap, std::vector<uint8_t>({1, 0, 0, 0}));
  EXPECT_EQ(messages(), std::vector<std::string>({"Short tile map (1 of 4 bytes)"}));
}

TEST_F(SmallTrack, SaveAndReloadKeepsHeightsWithinOneStep) {
  ASSERT_EQ(load(), 1);
  terrain_deform(t, 4.3f, 3.1f, 3.0f, 7.25f);
  terrain_deform(t, 1.0f, 6.0f, 2.0f, -11.5f);
  const std::vector<float> before = t.heights;
  const std::vector<uint8_t> shading = t.shading;
  // "@t" writes into the home folder; the reload finds the tile files in
  // the data folder as before.
  ASSERT_EQ(terrain_save(t, "@t"), 1);
  const float step = (t.hmax - t.hmin) / 65535;
  box.rescan();
  ASSERT_EQ(load(), 1);
  for (size_t k = 0; k < before.size(); ++k) EXPECT_NEAR(t.heights[k], before[k], step) << k;
  EXPECT_EQ(t.shading, shading);
  EXPECT_EQ(t.modified, 0);
  EXPECT_EQ(slurp(box.home() + "/t/shading.ppm").substr(0, 11), "P6\n5 5\n255\n");
}

TEST_F(SmallTrack, SaveReportsAFileThatCannotBeCreated) {
  ASSERT_EQ(load(), 1);
  // A folder where the file should go.
  box.root.write("plain/shading.ppm/keep", "x");
  const std::string folder = box.root.path + "/plain";
  EXPECT_EQ(terrain_save(t, folder.c_str()), 0);
  EXPECT_EQ(messages(), std::vector<std::string>({"Can't open 'shading.ppm'"}));
  EXPECT_TRUE(file_exists(folder + "/terrain.png"));  // the files before it stay written
  EXPECT_FALSE(file_exists(folder + "/tilemap"));
  Terrain empty;
  EXPECT_EQ(terrain_save(empty, "@t"), 0);
}

TEST_F(SmallTrack, RandomBytesInEveryFileNeverCrash) {
  std::mt19937 rng(2024);
  const char* files[] = {"terrain.hf", "terrain.png", "shadingx2.ppm", "shadows.pgm", "tileinfo", "tilemap"};
  const char* starts[] = {"", "1 2 0 1\n:", "1 2 0 1\n", "P6 5 5 255\n", "P5 5 5 255\n", "\x89PNG\r\n\x1a\n"};
  for (int iter = 0; iter < 120; ++iter) {
    const std::string file = files[iter % std::size(files)];
    const std::string path = box.data() + "/t/" + file;
    const std::string saved = slurp(path);
    std::string junk = starts[rng() % std::size(starts)];
    const int len = rng() % 120;
    for (int k = 0; k < len; ++k) junk += static_cast<char>(rng());
    put(file, junk);
    if (load()) {
      EXPECT_EQ(t.heights.size(), 25u);
      EXPECT_EQ(t.tilemap.size(), 4u);
      EXPECT_TRUE(std::isfinite(terrain_height_at(t, 3, 3)));
    } else {
      EXPECT_TRUE(t.heights.empty());
      EXPECT_FALSE(messages().empty());
    }
    if (saved.empty() && file == "terrain.png") {
      remove(file);
    } else {
      put(file, saved);
    }
  }
}

TEST_F(SmallTrack, RefusedFilesFailTheLoadWithTheirMessages) {
  const std::string gzip_of_blanks = gzip_of_repeats(" \n", size_t(1) << 30);
  struct Refused {
    const char* what;
    const char* file;      // the file put in place of the good one
    std::string content;
    const char* dropped;   // the good file it replaces, or null
    std::vector<std::string> shown;
  } cases[] = {
      {"terrain.png with a 2 GB text chunk", "terrain.png", png_with_huge_text_chunk(), nullptr,
       {"Refused '@t/terrain.png': PNG chunk of 2147483647 bytes", "Error reading heights"}},
      {"terrain.png of 16384 x 4096 pixels in 65 bytes", "terrain.png", png_of_huge_image(), nullptr,
       {"Refused '@t/terrain.png': PNG data too short for 16384 x 4096 pixels", "Error reading heights"}},
      {"terrain.hf inflating to 1 GiB of blanks", "terrain.hf.gz", gzip_of_blanks, "terrain.hf",
       {"Refused '@t/terrain.hf': larger than 64 MiB", "Bad height field parameters", "Error reading heights"}},
      {"tileinfo inflating to 1 GiB of blank lines", "tileinfo.gz", gzip_of_blanks, "tileinfo",
       {"Refused '@t/tileinfo': larger than 4 MiB"}},
      {"a decal picture that is a device", "decals", "[ 1 1 ] 0 1 1 /dev/zero\n", nullptr,
       {"Refused '/dev/zero': not a data file"}},
      {"a tile picture that climbs out", "tileinfo", "texture @../../x.png\naddtile\n", nullptr,
       {"Refused '@../../x.png': not a data file"}},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.what);
    put("terrain.hf", "1 2.0 -5.0 15.0\n");  // heights from the picture
    const std::string dropped = c.dropped ? slurp(box.data() + "/t/" + c.dropped) : "";
    if (c.dropped) remove(c.dropped);
    put(c.file, c.content);
    clear_messages();
    EXPECT_EQ(load(), 0);
    EXPECT_EQ(messages(), c.shown);
    EXPECT_TRUE(t.heights.empty());
    remove(c.file);
    if (c.dropped) put(c.dropped, dropped);
  }
  put("tileinfo", "texture @dirt.png\naddtile\ntexture @grass.png\naddtile\n");
  EXPECT_EQ(load(), 1);  // the good files were put back each time
}

TEST(GeneratedTracks, LoadFromTheGameData) {
  DataSandbox box;
  setenv("KR_HOME", KR_GAME_DIR, 1);
  box.rescan();
  clear_messages();
  for (const char* track : {"@rabbithill", "@gullyrun"}) {
    SCOPED_TRACE(track);
    Terrain t;
    ASSERT_EQ(terrain_load(t, track, MethodSoftware), 1);
    EXPECT_EQ(t.exponent, 8);
    EXPECT_GE(t.world_size, 900.0f);
    EXPECT_GE(t.tile_count, 5);
    EXPECT_GT(t.hmax - t.hmin, 5.0f);
    for (int k = 0; k < t.tile_count; ++k) EXPECT_FALSE(t.tile_types[k].image.pixels.empty()) << k;
    terrain_free(t);
  }
  for (const std::string& m : recent_messages()) ADD_FAILURE() << m;
}

}  // namespace
