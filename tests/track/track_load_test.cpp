#include "track/track.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "files/data_files.h"
#include "files/ripemd160.h"
#include "tests/track/track_fixture.h"

namespace fs = std::filesystem;

namespace {
// A ground of 4 x 4 tiles with heights inline in "terrain.hf".
void write_small_ground(const DataSandbox& box, const std::string& folder) {
  const int size = 9;
  std::string hf = "2 4 0 10:";
  for (int k = 0; k < size * size; ++k) {
    hf += static_cast<char>(k * 500 & 0xff);
    hf += static_cast<char>(k * 500 >> 8);
  }
  box.write_data(folder + "/terrain.hf", hf);
  box.write_data(folder + "/shading.ppm", "P6\n9 9\n255\n" + std::string(size * size * 3, '\x80'));
  box.write_data(folder + "/texturelist", "1 5 15 dirt.png\n");
  box.write_data(folder + "/tilemap", std::string(16, '\0'));
}

struct LoadTest : ::testing::Test {
  DataSandbox box;
  Track track;
  void SetUp() override {
    clear_messages();
    shape_cache_clear();
    asset_cache_clear();
    write_small_ground(box, "small");
    box.write_data("small/desc", "Small Track\n");
    box.write_data("small/timing_gates",
                   "startinggate:\n[4 0 4] 0\n[8 0 4] 0\ncheckpoints:\n5 [8 0 8] [0 0 -1]\n5 [8 0 20] [0 0 1]\n"
                   "firstlap:\n0 1\nnormallap:\n1 0\n");
    box.write_data("small/statues", "[10 0 10] 0 @bale.jm @bale.png @bale.shp\n[20 0 20] 0 @bale.jm null @bale.shp\n");
    box.write_data("small/billboards", "[ 1 0 2 ] 10 0.5 @tree.png\n");
    box.write_data("small/flaggers", "[ 0 0 0 ] [ 1 0 0 ] 6 0.5 1\na b c d e\n");
    box.write_data("small/cameras", "gate 0 1\naddcamera 1 2 3\n");
    box.write_data("small/lighting", "sun_vector [ 0 1 0 ]\n");
    box.write_data("bale.shp", "1\n0 0.5 0 0.75 1 5000 500\n");
    box.write_data("startgate.shp", "1\n0 1 0 0.5 1 5000 500\n");
    box.rescan();
    track.folder = "small";
  }
  void TearDown() override { track_unload(track); }

  std::string digest() {
    Track t;
    t.folder = "small";
    EXPECT_EQ(track_load(t), 1);
    std::string hex = digest_hex(t.track_digest);
    track_unload(t);
    return hex;
  }
  void change(const std::string& file, const std::string& text) {
    box.write_data("small/" + file, text);
    box.rescan();
    shape_cache_clear();
  }
};

TEST_F(LoadTest, LoadsEveryFileInOrder) {
  ASSERT_EQ(track_load(track), 1);
  EXPECT_EQ(track.title, "Small Track");
  EXPECT_EQ(track.gates.start_slots.size(), 2u);
  EXPECT_EQ(track.gates.checkpoints.size(), 2u);
  // Two gate statues, then the file's two.
  EXPECT_EQ(track.statues.size(), 4u);
  // 2000 roost spares, the start flagger, one placed billboard.
  EXPECT_EQ(track.billboards.size(), static_cast<size_t>(kRoostBillboards) + 2);
  EXPECT_EQ(track.billboard_sort.size(), 2 * track.billboards.size());
  EXPECT_EQ(track.cameras.cameras.size(), 1u);
  EXPECT_FLOAT_EQ(track.lighting.sun_vector[1], 1);
  EXPECT_EQ(track.map_texture, 0u);
  // Shaped statues are in the grid.
  size_t entries = 0;
  for (const auto& cell : track.statue_grid.cells) entries += cell.size();
  EXPECT_GE(entries, 4u);
  // On the ground: heights rise with the sample index.
  EXPECT_GT(track.statues[3].y, track.statues[2].y);
}

// A race server computes the same digest to check that both sides ride the
// same track, so the file order is part of the protocol: "terrain.hf",
// "terrain.png", "texturelist", "tilemap", "tileinfo", "timing_gates",
// "statues", then each distinct statue shape once in statue order (here
// the starting gate's, then the bale's). The value was computed from the
// fixture's bytes by an independent RIPEMD-160.
TEST_F(LoadTest, DigestOfTheFixtureIsFixed) {
  EXPECT_EQ(digest(), "260af99b2feedf9ca5b7509b260de58067419014");
}

TEST_F(LoadTest, DigestCoversExactlyTheRidingFiles) {
  const std::string base = digest();
  EXPECT_EQ(digest(), base);

  // Files that do not change how the ground rides.
  const std::pair<const char*, const char*> same[] = {
      {"lighting", "sun_vector [ 1 1 0 ]\n"},
      {"billboards", "[ 5 0 5 ] 3 1 @other.png\n"},
      {"flaggers", ""},
      {"cameras", "addcamera 9 9 9\n"},
      {"decals", "[ 1 1 ] 0 1 1 @d.png\n"},
      {"desc", "Renamed\n"},
  };
  for (const auto& [file, text] : same) {
    change(file, text);
    EXPECT_EQ(digest(), base) << file;
  }
  // Files that do.
  const std::pair<const char*, std::string> different[] = {
      {"tilemap", std::string("\x01") + std::string(15, '\0')},
      {"timing_gates", "checkpoints:\n5 [8 0 8] [0 0 -1]\n"},
      {"statues", "[10 0 10] 0 @bale.jm @bale.png @bale.shp\n"},
      {"tileinfo", "addtile\n"},
  };
  std::string previous = base;
  for (const auto& [file, text] : different) {
    change(file, text);
    std::string now = digest();
    EXPECT_NE(now, previous) << file;
    previous = now;
  }
}

TEST_F(LoadTest, SharedShapesAreDigestedOnceAndShapeContentCounts) {
  // Two statues share "@bale.shp"; a second copy of the bytes would change
  // the digest, so compare against a hand-made digest.
  change("timing_gates", "");
  change("statues", "[10 0 10] 0 null null @bale.shp\n[20 0 20] 0 null null @bale.shp\n");
  std::string got = digest();
  Ripemd160 d;
  for (const char* f : {"small/terrain.hf", "small/texturelist", "small/tilemap", "small/timing_gates", "small/statues",
                        "bale.shp"}) {
    std::string bytes = slurp(box.data() + "/" + f);
    d.update(bytes.data(), bytes.size());
  }
  uint8_t want[20];
  d.finish(want);
  EXPECT_EQ(got, digest_hex(want));

  box.write_data("bale.shp", "1\n0 0.5 0 0.80 1 5000 500\n");
  box.rescan();
  shape_cache_clear();
  EXPECT_NE(digest(), got);
}

TEST_F(LoadTest, UnlistedFolderUsesItsNameAsTitle) {
  fs::remove(box.data() + "/small/desc");
  box.rescan();
  ASSERT_EQ(track_load(track), 1);
  EXPECT_EQ(track.title, "small");
}

TEST_F(LoadTest, MissingHeightFieldFailsAndClearsTheName) {
  fs::remove(box.data() + "/small/terrain.hf");
  box.rescan();
  EXPECT_EQ(track_load(track), 0);
  EXPECT_TRUE(track.folder.empty());
  EXPECT_TRUE(track.title.empty());
  EXPECT_TRUE(message_shown("Can't open '@small/terrain.hf'"));
}

TEST_F(LoadTest, UnloadReleasesEverythingAndReloadsCleanly) {
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(track_load(track), 1);
    EXPECT_EQ(track.statues.size(), 4u);
    track_unload(track);
    EXPECT_TRUE(track.statues.empty());
    EXPECT_TRUE(track.billboards.empty());
    EXPECT_EQ(track.billboards.capacity(), 0u);
    EXPECT_TRUE(track.billboard_sort.empty());
    EXPECT_TRUE(track.gates.checkpoints.empty());
    EXPECT_TRUE(track.cameras.cameras.empty());
    EXPECT_TRUE(track.terrain.heights.empty());
    for (const auto& cell : track.statue_grid.cells) EXPECT_EQ(cell.capacity(), 0u);
  }
}

// The shipped tracks, straight from the build's data folder.
TEST(GeneratedTracks, LoadWithTheirObjectsAndAStableDigest) {
  DataSandbox box;
  setenv("KR_HOME", KR_GAME_DIR, 1);
  box.rescan();
  shape_cache_clear();
  std::vector<std::string> folders;
  for (const auto& entry : fs::directory_iterator(KR_GAME_DIR))
    if (entry.is_directory() && fs::exists(entry.path() / "desc")) folders.push_back(entry.path().filename());
  std::sort(folders.begin(), folders.end());
  ASSERT_GE(folders.size(), 2u);
  EXPECT_NE(std::find(folders.begin(), folders.end(), "rabbithill"), folders.end());
  for (const std::string& folder : folders) {
    Track t;
    t.folder = folder;
    ASSERT_EQ(track_load(t), 1) << folder;
    EXPECT_EQ(t.gates.start_slots.size(), 40u) << folder;
    EXPECT_GE(t.gates.checkpoints.size(), 8u) << folder;
    EXPECT_GT(t.gates.first_lap_real, 0) << folder;
    EXPECT_GT(t.gates.normal_lap_real, 0) << folder;
    EXPECT_GE(t.cameras.cameras.size(), 2u) << folder;
    EXPECT_GT(t.statues.size(), 40u) << folder;
    EXPECT_GT(t.billboards.size(), static_cast<size_t>(kRoostBillboards) + 20) << folder;
    EXPECT_NE(t.map_texture, 0u) << folder;
    for (const Statue& s : t.statues) EXPECT_NE(s.shape, nullptr) << folder << " " << s.shape_name;
    // Every checkpoint lies on the ground inside the field.
    for (const Checkpoint& c : t.gates.checkpoints) {
      EXPECT_GT(c.position[0], 0);
      EXPECT_LT(c.position[0], t.terrain.world_size);
      EXPECT_GT(c.radius, 5);
    }
    const std::string first = digest_hex(t.track_digest);
    track_unload(t);
    ASSERT_EQ(track_load(t), 1);
    EXPECT_EQ(digest_hex(t.track_digest), first) << folder;
    track_unload(t);
  }
}
}  // namespace
