#include "app/track_list.h"

#include <gtest/gtest.h>

#include "files/data_files.h"
#include "tests/support/test_env.h"

namespace {

TEST(TrackList, FoldersWithTerrainSortedByDescriptionIgnoringCase) {
  DataSandbox box;
  box.write_data("rabbithill/terrain.hf", "x");
  box.write_data("rabbithill/desc", "rabbit Hill\r\nsecond line\n");
  box.write_data("dunes/terrain.hf.gz", "x");
  box.write_data("dunes/desc", "Dunes\n");
  box.write_data("nodesc/terrain.hf.scram", "x");
  box.write_data("mud/terrain.hf.gz.scram", "x");
  box.write_data("mud/desc", "Mud Pit");
  box.write_data("both/terrain.hf", "x");
  box.write_data("both/terrain.hf.gz", "x");
  box.write_data("both/desc", "Abbey\n");
  box.write_data("notatrack/terrain.png", "x");
  box.write_data("demos/Fast Lap.krdemo", "x");
  box.write_data("demos/old/run", "x");
  box.write_data("demos/noext.krdemo.bak", "x");
  box.rescan();

  std::vector<ListedName> tracks = build_track_list(data_file_names(), 0);
  std::vector<std::pair<std::string, std::string>> got;
  for (const auto& t : tracks) got.push_back({t.name, t.display});
  std::vector<std::pair<std::string, std::string>> want = {
      {"both", "Abbey"}, {"dunes", "Dunes"}, {"mud", "Mud Pit"}, {"nodesc", "nodesc"}, {"rabbithill", "rabbit Hill"},
  };
  EXPECT_EQ(got, want);

  std::vector<ListedName> demos = build_demo_list(data_file_names(), 0);
  ASSERT_EQ(demos.size(), 1u);
  EXPECT_EQ(demos[0].name, "demos/Fast Lap.krdemo");
  EXPECT_EQ(demos[0].display, "Fast Lap");
}

TEST(TrackList, EmptyWithoutTerrain) {
  DataSandbox box;
  box.write_data("rabbithill/desc", "Rabbit Hill\n");
  box.rescan();
  EXPECT_TRUE(build_track_list(data_file_names(), 0).empty());
}

}  // namespace

namespace {
TEST(TrackList, ListedTitlesServeTheLoader) {
  track_list() = {{"hill", "Rabbit Hill"}, {"gully", "Gully Run"}};
  std::string title;
  EXPECT_TRUE(listed_track_title("gully", title));
  EXPECT_EQ(title, "Gully Run");
  EXPECT_FALSE(listed_track_title("nowhere", title));
  track_list().clear();
}
}  // namespace
