#include "shapes/shape.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/test_env.h"

namespace {
TEST(ShapeFile, ReadsSpheresAndTheBoundingRadius) {
  TempDir dir;
  std::string path = dir.write("part.shp", "3\n0 0 0 0.5 1 25000 2500\n 3 4 0 1 0.8 100 10\n0 -1 0 0.25 1 1 1\n");
  CollisionShape s;
  ASSERT_TRUE(shape_read(path.c_str(), s));
  ASSERT_EQ(s.spheres.size(), 3u);
  EXPECT_EQ(s.file_name, path);
  EXPECT_DOUBLE_EQ(s.spheres[1].centre[0], 3);
  EXPECT_DOUBLE_EQ(s.spheres[1].radius, 1);
  EXPECT_DOUBLE_EQ(s.spheres[1].friction, 0.8);
  EXPECT_DOUBLE_EQ(s.spheres[1].stiffness, 100);
  EXPECT_DOUBLE_EQ(s.spheres[1].damping, 10);
  EXPECT_DOUBLE_EQ(s.bounding_radius, 6);  // |(3,4,0)| + 1
}

TEST(ShapeFile, DamagedFilesGiveNoShape) {
  const char* const cases[] = {
      "",                                   // empty
      "spheres 1\n0 0 0 1 1 1 1\n",         // no count
      "2\n0 0 0 1 1 1 1\n",                 // one sphere short
      "1\n0 0 0 1 1 1\n",                   // one number short
      "1\n0 0 0 1 1 x 1\n",                 // not a number
      "0\n",                                // nothing to collide with
      "-3\n0 0 0 1 1 1 1\n",                // negative count
      "99999999999\n0 0 0 1 1 1 1\n",       // absurd count
      "1\n0 0 nan 1 1 1 1\n",               // not a place
      "1\n0 0 0 inf 1 1 1\n",
      "1\n0 0 0 -1 1 1 1\n",               // negative radius
      "1\n0 0 0 1 -0.5 1 1\n",             // negative friction
      "1\n0 0 0 1 1 -25000 1\n",           // negative stiffness
      "1\n0 0 0 1 1 1 -1\n",               // negative damping
      "1\n1e300 0 0 1 1 1 1\n",            // a centre light years away
      "1\n0 0 0 1e30 1 1 1\n",             // a radius no less far
      "1\n0 0 0 1 1 1e300 1e300\n",        // a spring beyond any contact
  };
  TempDir dir;
  for (const char* text : cases) {
    CollisionShape s;
    s.bounding_radius = 7;
    EXPECT_FALSE(shape_parse(text, "test.shp", s)) << text;
    EXPECT_TRUE(s.spheres.empty()) << text;
    EXPECT_EQ(s.bounding_radius, 0) << text;
  }
  CollisionShape s;
  EXPECT_FALSE(shape_read(dir.file("missing.shp").c_str(), s));
  // A good start followed by more than any shape file holds: refused whole.
  std::string big = "1\n0 0 0 1 1 1 1\n" + std::string(2 << 20, ' ');
  EXPECT_FALSE(shape_read(dir.write("big.shp", big).c_str(), s));
  EXPECT_FALSE(shape_read("/dev/zero", s));
}

TEST(ShapeCache, SharesOneShapePerExactName) {
  DataSandbox box;
  shape_cache_clear();
  box.write_data("cone.shp", "1\n0 1 0 1 1 1 1\n");
  box.rescan();
  std::shared_ptr<const CollisionShape> a = shape_get("@cone.shp");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(shape_get("@cone.shp"), a);
  EXPECT_EQ(a->file_name, "@cone.shp");
  EXPECT_DOUBLE_EQ(a->bounding_radius, 2);
  // Another spelling of the same file is another entry.
  std::shared_ptr<const CollisionShape> b = shape_get("@CONE.shp");
  if (b) {
    EXPECT_NE(b, a);
  }
  // A failure is not remembered: the file may appear later.
  EXPECT_EQ(shape_get("@late.shp"), nullptr);
  box.write_data("late.shp", "1\n0 0 0 1 1 1 1\n");
  box.rescan();
  EXPECT_NE(shape_get("@late.shp"), nullptr);
  EXPECT_EQ(shape_get(""), nullptr);
  EXPECT_EQ(shape_get(nullptr), nullptr);
  // Many shapes: earlier pointers stay valid as the cache grows.
  for (int i = 0; i < 40; ++i) {
    box.write_data("s" + std::to_string(i) + ".shp", "1\n0 0 0 1 1 1 1\n");
  }
  box.rescan();
  for (int i = 0; i < 40; ++i) ASSERT_NE(shape_get(("@s" + std::to_string(i) + ".shp").c_str()), nullptr);
  EXPECT_EQ(shape_get("@cone.shp"), a);
  EXPECT_DOUBLE_EQ(a->bounding_radius, 2);
  // A holder keeps its shape when the cache forgets it.
  shape_cache_clear();
  EXPECT_EQ(a->file_name, "@cone.shp");
  EXPECT_NE(shape_get("@cone.shp"), a) << "read again after the cache was cleared";
  shape_cache_clear();
}
}  // namespace
