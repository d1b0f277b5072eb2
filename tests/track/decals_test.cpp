#include "track/decals.h"

#include <gtest/gtest.h>

#include <cmath>

#include "files/file_stream.h"
#include "tests/track/track_fixture.h"

namespace {
TEST(Decals, ReadKeepsEveryDecalAndWritesItBack) {
  ObjectFiles files;
  Terrain t;
  t.method = MethodHardwareCopy;
  std::string tex = files.write("mark.png", "x");
  std::string path = files.write("decals", "[ 10 20 ] 0.5 8 2 " + tex +
                                               "\n[1 2] 0 1 1 @missing.png\n[ 3 4 ] bad 1 1 x\n[5 6] 0 1 1 y\n");
  decals_read(t, path.c_str());
  EXPECT_TRUE(t.has_decal_list);
  ASSERT_EQ(t.decals.size(), 2u);
  EXPECT_NE(t.decals[0].texture, 0u);
  EXPECT_NEAR(t.decals[0].sin_angle, std::sin(0.5f), 1e-6);
  EXPECT_EQ(t.decals[1].texture, 0u);  // kept though not drawn

  std::string out = files.dir.file("written");
  {
    DataFilePtr f{open_data_file(out.c_str(), "w")};
    ASSERT_TRUE(decals_write(f.get(), t.decals));
  }
  EXPECT_EQ(slurp(out), "[10.000000 20.000000] 0.500000 8.000000 2.000000 " + tex +
                            "\n[1.000000 2.000000] 0.000000 1.000000 1.000000 @missing.png\n");
}

TEST(Decals, MissingFileMeansNoDecalList) {
  ObjectFiles files;
  Terrain t;
  decals_read(t, files.dir.file("none").c_str());
  EXPECT_FALSE(t.has_decal_list);
  EXPECT_TRUE(t.decals.empty());
}
}  // namespace
