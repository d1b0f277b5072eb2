#include <gtest/gtest.h>

#include <cstdlib>

#include "app/command_line.h"
#include "app/configured_settings.h"
#include "tests/support/test_env.h"
#include "track/track.h"

namespace {

// The command line's ground detail is what the loaded ground gets, not a
// copy that the loader never reads.
TEST(GroundOptions, DetailOnTheCommandLineReachesTheLoadedTerrain) {
  DataSandbox box;
  setenv("KR_HOME", KR_GAME_DIR, 1);
  box.rescan();
  load_configuration();
  CommandLineResult parsed = parse_command_line({"--detail", "2.5"});
  ASSERT_FALSE(parsed.stop);
  apply_command_line_overrides(parsed.values);
  Track t;
  t.folder = "rabbithill";
  ASSERT_EQ(track_load(t), 1);
  EXPECT_FLOAT_EQ(t.terrain.detail, 2.5f);
  track_unload(t);
  load_configuration();
  ASSERT_EQ(track_load(t), 1);
  EXPECT_FLOAT_EQ(t.terrain.detail, 0.125f / 70) << "without the option, the setting's detail";
  track_unload(t);
}

}  // namespace
