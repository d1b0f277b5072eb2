// Tile types from "tileinfo" and "texturelist" text, transition codes and
// the tile map.
#include "track/tileinfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "files/file_stream.h"
#include "platform/messages.h"
#include "tests/support/test_env.h"
#include "track/terrain.h"

namespace {

struct TileFiles : ::testing::Test {
  TempDir dir;
  Terrain t;
  TileFiles() {
    clear_messages();
    t.method = MethodHardwareCopy;  // textures by name only
    t.exponent = 1;
  }
  void read(const std::string& text, bool texturelist = false) {
    DataFilePtr f(open_data_file(dir.write("tiles", text).c_str(), "rb"));
    ASSERT_TRUE(f);
    if (texturelist) {
      texturelist_read(t, f.get());
    } else {
      tileinfo_read(t, f.get());
    }
  }
  bool shown(const std::string& m) const {
    const auto& all = recent_messages();
    return std::find(all.begin(), all.end(), m) != all.end();
  }
};

TEST_F(TileFiles, PropertiesWithoutAddtileGiveNoTiles) {
  read("texture @grass.png\nfriction 1 2\n");
  EXPECT_EQ(t.tile_count, 0);
  EXPECT_EQ(t.tile_types.size(), 256u);
}

TEST_F(TileFiles, DefaultsAndSortedTables) {
  read("addtile\n"
       "  texture @dirt.png\r\n"
       "friction 0.8 3.0\nfriction 1.2 1.0\n"
       "roll_resist 7 20 9\nroll_resist -1 4 2\n"
       "erode_depth 2.5\n"
       "addtile\n");
  ASSERT_EQ(t.tile_count, 2);
  const TileType& d = t.tile_types[0];
  EXPECT_EQ(d.friction[0].value, 1.0f);
  EXPECT_EQ(d.friction[0].key, 1.0f);
  EXPECT_EQ(d.friction[1].key, 0.0f);
  EXPECT_EQ(d.roll_resist[0].a, 5.0f);
  EXPECT_EQ(d.roll_resist[0].b, 15.0f);
  EXPECT_EQ(d.roost[0].mode, 0);
  EXPECT_EQ(d.erode.erode_on_speed, 15.0f);
  const TileType& e = t.tile_types[1];
  EXPECT_EQ(e.texture_name, "@dirt.png");
  EXPECT_EQ(e.friction[0].value, 1.2f);
  EXPECT_EQ(e.friction[0].key, 1.0f);
  EXPECT_EQ(e.friction[1].value, 0.8f);
  EXPECT_EQ(e.friction[1].key, 3.0f);
  EXPECT_EQ(e.friction[2].key, 0.0f);
  EXPECT_EQ(e.roll_resist[0].a, 0.0f);  // not > 0
  EXPECT_EQ(e.roll_resist[0].key, 2.0f);
  EXPECT_EQ(e.roll_resist[1].a, 7.0f);
  EXPECT_EQ(e.erode.erode_depth, 2.5f);
  EXPECT_EQ(e.erode.erode_lower, 50.0f);
}

TEST_F(TileFiles, KeysNeverZeroAndValuesNeverNegative) {
  read("friction -3 0\nroll_resist 1 1 -5\naddtile\n");
  EXPECT_EQ(t.tile_types[0].friction[0].value, 0.0f);
  EXPECT_FLOAT_EQ(t.tile_types[0].friction[0].key, 9.536743e-07f);
  EXPECT_FLOAT_EQ(t.tile_types[0].roll_resist[0].key, 9.536743e-07f);
}

struct WarningCase {
  const char* text;
  const char* message;
};

TEST_F(TileFiles, MalformedLinesWarnAndAreSkipped) {
  const WarningCase cases[] = {
      {"friction x\n", "tileinfo warning: bad friction parameters"},
      {"friction 1\n", "tileinfo warning: bad friction parameters"},
      {"roll_resist 1 2\n", "tileinfo warning: bad roll_resist parameters"},
      {"erode_radius wide\n", "tileinfo warning: bad erode_radius"},
      {"bogus 12\n", "tileinfo warning: Unknown identifier 'bogus'"},
      {"roost count=lots\n", "tileinfo warning: bad count"},
      {"roost slip_threshold=\n", "tileinfo warning: bad slip_threshold"},
      {"roost r=x\n", "tileinfo warning: bad r"},
      {"roost colour=red\n", "tileinfo warning: unknown roost parameter 'colour=red'"},
      {"roost\nroost\nroost\nroost\nroost\n", "tileinfo warning: too many roost types"},
      {"friction 1 1\nfriction 1 2\nfriction 1 3\nfriction 1 4\nfriction 1 5\nfriction 1 6\n"
       "friction 1 7\nfriction 1 8\nfriction 1 9\n",
       "tileinfo warning: too many friction points"},
      {"roll_resist 1 1 1\nroll_resist 1 1 2\nroll_resist 1 1 3\nroll_resist 1 1 4\nroll_resist 1 1 5\n"
       "roll_resist 1 1 6\nroll_resist 1 1 7\nroll_resist 1 1 8\nroll_resist 1 1 9\n",
       "tileinfo warning: too many roll_resist points"},
  };
  for (const WarningCase& c : cases) {
    SCOPED_TRACE(c.text);
    clear_messages();
    read(std::string(c.text) + "addtile\n");
    EXPECT_TRUE(shown(c.message));
    EXPECT_EQ(t.tile_count, 1);
  }
}

TEST_F(TileFiles, RoostBlocks) {
  read("roost count=20 \"texture=@my roost.png\" splash=1\n"
       "roost r=300 fade_a=-256 fade_r=512 slow_angle=0.5\n"
       "addtile\n");
  const TileType& tile = t.tile_types[0];
  EXPECT_EQ(tile.roost[0].mode, 2);
  EXPECT_EQ(tile.roost[0].count, 20.0f);
  EXPECT_EQ(tile.roost[0].texture_name, "@my roost.png");
  EXPECT_EQ(tile.roost[1].mode, 1);
  EXPECT_EQ(tile.roost[1].texture_name, "@roost.png");
  EXPECT_EQ(tile.roost[1].r, 44);
  EXPECT_EQ(tile.roost[1].fade_a, -2);
  EXPECT_EQ(tile.roost[1].fade_r, 4);
  EXPECT_EQ(tile.roost[1].slow_angle, 0.5f);
  EXPECT_EQ(tile.roost[1].count, 10.0f);
  EXPECT_EQ(tile.roost[2].mode, 0);
}

TEST_F(TileFiles, ReadingStopsAfter256Tiles) {
  std::string text;
  for (int k = 0; k < 300; ++k) text += "addtile\n";
  text += "bogus\n";
  read(text);
  EXPECT_EQ(t.tile_count, 256);
  EXPECT_FALSE(shown("tileinfo warning: Unknown identifier 'bogus'"));
  std::string list;
  for (int k = 0; k < 300; ++k) list += "tex" + std::to_string(k) + ".png\n";
  read(list, true);
  EXPECT_EQ(t.tile_count, 256);
  EXPECT_EQ(t.tile_types[255].texture_name, "@tex255.png");
}

TEST_F(TileFiles, TexturelistNumbersAndNames) {
  read("0.7 3 9 ground/mud.png\n\n   grass.png\n@sand.png", true);
  ASSERT_EQ(t.tile_count, 3);
  const TileType& mud = t.tile_types[0];
  EXPECT_EQ(mud.texture_name, "@ground/mud.png");
  for (int k = 0; k < kTablePoints; ++k) {
    EXPECT_EQ(mud.friction[k].value, 0.7f);
    EXPECT_EQ(mud.roll_resist[k].a, 3.0f);
    EXPECT_EQ(mud.roll_resist[k].b, 9.0f);
    EXPECT_EQ(mud.friction[k].key, k == 0 ? 1.0f : 0.0f);
  }
  EXPECT_EQ(mud.roost[0].mode, 1);
  EXPECT_EQ(t.tile_types[1].texture_name, "@grass.png");
  EXPECT_EQ(t.tile_types[1].friction[3].value, 1.0f);
  EXPECT_EQ(t.tile_types[1].roll_resist[3].b, 15.0f);
  // The last line has no newline: its name keeps its last letter.
  EXPECT_EQ(t.tile_types[2].texture_name, "@sand.png");
}

struct CodeCase {
  const char* base;
  int index;
  int32_t code;
};

TEST(TileCode, TransitionsAlternativesAndOwnCodes) {
  const std::vector<std::string> bases = {"grass.png", "dirt.png", "grass-dirt-0110.png", "grass-alt2.png",
                                          "grass-rock-0001.png", "dirt-grass-01x0.png", "mud-grass-1111.png",
                                          "plain.png"};
  const CodeCase cases[] = {
      {"grass-dirt-0110.png", 2, 0 * 65536 + 1 * 256 + 6},
      {"grass-alt2.png", 3, 0},
      {"grass-rock-0001.png", 4, -256},
      {"dirt-grass-01x0.png", 5, 1 * 65536 + 0 * 256},
      {"mud-grass-1111.png", 6, 6 * 65536 + 6 * 256},
      {"plain.png", 7, 7 * 65536 + 7 * 256},
  };
  for (const CodeCase& c : cases) {
    SCOPED_TRACE(c.base);
    EXPECT_EQ(tile_code_of(c.base, c.index, bases), c.code);
  }
  EXPECT_EQ(tile_base_name("@ground/grass-dirt-0110.png"), "grass-dirt-0110.png");
}

TEST_F(TileFiles, CodesAreAssignedFromTheTextureNames) {
  read("texture @g/grass.png\naddtile\ntexture dirt.png\naddtile\ntexture @g/grass-dirt-0110.png\naddtile\naddtile\n");
  EXPECT_EQ(t.tile_types[0].tile_code, 0);
  EXPECT_EQ(t.tile_types[1].tile_code, 65536 + 256);
  EXPECT_EQ(t.tile_types[2].tile_code, 262);
  EXPECT_EQ(t.tile_types[3].tile_code, 3 * 65536 + 3 * 256);
}

TEST_F(TileFiles, TileMapClampsAndSurvivesAShortFile) {
  read("addtile\naddtile\naddtile\n");
  {
    DataFilePtr f(open_data_file(dir.write("map", std::string("\x00\x02\x07\xff", 4)).c_str(), "rb"));
    EXPECT_EQ(tilemap_read(t, f.get()), 4);
  }
  EXPECT_EQ(t.tilemap, std::vector<uint8_t>({0, 2, 2, 2}));
  DataFilePtr g(open_data_file(dir.write("short", std::string("\x01", 1)).c_str(), "rb"));
  EXPECT_EQ(tilemap_read(t, g.get()), 1);
  EXPECT_EQ(t.tilemap, std::vector<uint8_t>({1, 0, 0, 0}));
  EXPECT_TRUE(shown("Short tile map (1 of 4 bytes)"));
}

TEST_F(TileFiles, RandomBytesNeverCrashTheReaders) {
  std::mt19937 rng(77);
  const char* words[] = {"addtile\n", "friction ", "roll_resist ", "roost ", "texture ", "erode_depth ", "\"", "=", " "};
  for (int iter = 0; iter < 200; ++iter) {
    std::string text;
    int parts = rng() % 40;
    for (int k = 0; k < parts; ++k) {
      if (rng() % 2) {
        text += words[rng() % std::size(words)];
      } else {
        text += static_cast<char>(rng());
      }
    }
    read(text, iter % 3 == 0);
    EXPECT_LE(t.tile_count, 256);
    DataFilePtr f(open_data_file(dir.write("map", text).c_str(), "rb"));
    tilemap_read(t, f.get());
    for (uint8_t b : t.tilemap) EXPECT_LT(b, std::max(t.tile_count, 1));
  }
}

}  // namespace
