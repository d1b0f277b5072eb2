// Shared fixture: a private home folder and every setting at its default.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "config/bike_setup.h"
#include "config/config_file.h"
#include "config/settings.h"
#include "tests/support/test_env.h"

class ConfigTest : public ::testing::Test {
 protected:
  DataSandbox sandbox;

  void SetUp() override {
    set_video_mode_list({});
    settings_defaults();
    // As start-up does: the setup's static values, then the default
    // Stability over the advanced items, and lists from these data files.
    setup_defaults();
    apply_default_stability();
    build_appearance_lists();
  }

  std::string config_path() const { return sandbox.home() + "/config"; }

  // Reads text as the configuration file.
  void read_text(const std::string& text) {
    sandbox.write_home("config", text);
    read_configuration();
  }

  // Writes the configuration and returns the file's content.
  std::string written() {
    EXPECT_TRUE(write_configuration());
    return slurp(config_path());
  }
};

// The line of the written file that starts with "key=", without its line
// feed; empty when there is none.
std::string line_for(const std::string& file, const std::string& key);
// The keys of the file's lines, in order.
std::vector<std::string> keys_of(const std::string& file);
