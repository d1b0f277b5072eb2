#include "app/screenshots.h"

#include <gtest/gtest.h>

namespace {

TEST(ScreenshotNumbers, OneAfterTheHighestEarlierShot) {
  struct Case {
    std::vector<std::string> names;
    unsigned next;
  } cases[] = {
      {{}, 1},
      {{"config", "rabbithill/desc"}, 1},
      {{"screenshot001.png", "screenshot007.png", "screenshot003.ppm"}, 8},
      {{"screenshot12.ppm", "screenshot2x"}, 13},  // whatever follows the number
      {{"screenshot.png", "screenshotx1.png"}, 1},
      {{"screenshot-5.png"}, 1},                    // a sign is no number
      {{"screenshot99999999999999.png", "screenshot004.png"}, 5},  // too large to count on from
      {{"demos/screenshot9.png"}, 1},               // only the home folder's shots
  };
  for (const auto& c : cases) {
    EXPECT_EQ(first_free_screenshot_number(c.names), c.next) << (c.names.empty() ? "" : c.names[0]);
  }
}

}  // namespace
