#include "track/cameras.h"

#include <gtest/gtest.h>

#include "tests/track/track_fixture.h"

namespace {
TEST(Cameras, SettingsApplyToTheNextCameraAndGatesMapToIt) {
  ObjectFiles files;
  Track t;
  make_ground(t, 3);
  std::string path = files.write("cameras",
                                 "gate 0 1 2\n"
                                 "fov -40\n"
                                 "autofovsize -12\n"
                                 "addcamera 10 5 20\n"
                                 "fov 30\n"  // for the next camera, not the one above
                                 "something else\n"
                                 "gate 3 300 4\n"  // stops at 300
                                 "addcamera 1 1 1\n"
                                 "addcamera 2 2\n"  // incomplete: ignored
                                 "gate 5\n");  // no camera follows
  cameras_read(t, path.c_str());
  ASSERT_EQ(t.cameras.cameras.size(), 2u);
  const TracksideCamera& a = t.cameras.cameras[0];
  EXPECT_FLOAT_EQ(a.fov, 40);
  EXPECT_FLOAT_EQ(a.autofovsize, 12);
  EXPECT_FLOAT_EQ(a.position[0], 10);
  EXPECT_FLOAT_EQ(a.position[1], 8);
  EXPECT_FLOAT_EQ(a.position[2], 20);
  EXPECT_FLOAT_EQ(t.cameras.cameras[1].fov, 30);
  EXPECT_FLOAT_EQ(t.cameras.cameras[1].autofovsize, 0);
  EXPECT_EQ(t.cameras.gate_camera[0], 0);
  EXPECT_EQ(t.cameras.gate_camera[2], 0);
  EXPECT_EQ(t.cameras.gate_camera[3], 1);
  EXPECT_EQ(t.cameras.gate_camera[4], -1);
  EXPECT_EQ(t.cameras.gate_camera[5], -1);
  EXPECT_EQ(t.cameras.gate_camera[255], -1);
}
}  // namespace
