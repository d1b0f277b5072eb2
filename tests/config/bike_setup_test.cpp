#include "config/bike_setup.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/config/config_fixture.h"

namespace {

double number(const char* key) { return find_setup_item(key)->number; }

TEST_F(ConfigTest, StabilityInterpolatesBetweenTheTablesColumns) {
  apply_stability(50);
  EXPECT_DOUBLE_EQ(number("roll_damping"), 65);
  EXPECT_DOUBLE_EQ(number("roll_limit_angle"), 42.5);
  EXPECT_DOUBLE_EQ(number("roll_limit_factor"), 21);
  apply_stability(100);
  EXPECT_DOUBLE_EQ(number("direct_steering"), 0);
  for (double s : {0.0, 20.0, 79.0, 79.9}) {
    apply_stability(s);
    EXPECT_DOUBLE_EQ(number("direct_steering"), 1) << s;
  }
  apply_stability(0);
  EXPECT_DOUBLE_EQ(number("restricted_lock"), 45);
  apply_stability(1e9);  // past the end: the last column
  EXPECT_DOUBLE_EQ(number("restricted_lock"), 5);
}

TEST_F(ConfigTest, AStabilityLineSetsTheAdvancedItemsAndLaterLinesOverrideThem) {
  read_text("stability=50\nroll_damping=12\n");
  EXPECT_DOUBLE_EQ(number("roll_limit_angle"), 42.5);
  EXPECT_DOUBLE_EQ(number("roll_damping"), 12);
}

TEST_F(ConfigTest, SetupLinesRoundTripThroughTheConfiguration) {
  read_text("bike=kx250f\nname=Kim Track\nnumber=42\nstability=40\nfront_brake=Normal\nstop_wheelies=Front Only\n"
            "rear_sprocket_adjustment=9\nfork_spring_rate_adjustment=75\nrider_mass_distribution=0.45\n");
  EXPECT_STREQ(chosen_text(*find_setup_item("bike")), "kx250f(2008)") << "an old name finds its model";
  EXPECT_DOUBLE_EQ(number("rear_sprocket_adjustment"), 2) << "clamped into -2..2";
  std::string first = written();
  setup_defaults();
  read_configuration();
  EXPECT_EQ(written(), first);
  SetupValues v = setup_values();
  EXPECT_EQ(v.bike, "kx250f(2008)");
  EXPECT_EQ(v.name, "Kim Track");
  EXPECT_EQ(v.number, "42");
  EXPECT_FALSE(v.front_antilock);
  EXPECT_FALSE(v.stop_wheelies_throttle);
  EXPECT_TRUE(v.stop_wheelies_brake);
  EXPECT_DOUBLE_EQ(v.fork_spring_rate, 0.75);
  EXPECT_DOUBLE_EQ(v.rider_mass_distribution, 0.45);
}

TEST_F(ConfigTest, SetupValuesAreInTheBikesUnits) {
  struct Case {
    double setting, factor;
  } dampings[] = {{0, 0.5}, {50, 1}, {100, 2}};
  for (const Case& c : dampings) {
    find_setup_item("fork_compression_adjustment")->number = c.setting;
    EXPECT_DOUBLE_EQ(setup_values().fork_compression, c.factor) << c.setting;
  }
  find_setup_item("max_dab_speed")->number = 30;
  EXPECT_DOUBLE_EQ(setup_values().max_dab_speed, 44);
  find_setup_item("roll_limit_angle")->number = 90;
  EXPECT_DOUBLE_EQ(setup_values().roll_limit_angle, M_PI / 2);
}

TEST_F(ConfigTest, AppearanceListsComeFromTheTextureFiles) {
  std::vector<std::string> names = {"rider_body-red.png", "rider_body-red_norm.png", "textures/rider_body-blue.png.scram",
                                    "wheels-gold.png.scram", "wheels-gold_spec.png.scram", "rider_head-x.ppm",
                                    "other/rider_body.png"};
  AppearanceList gear = build_appearance_list(names, "rider_body-");
  EXPECT_EQ(gear.texts, (std::vector<std::string>{"default", "red", "blue"}));
  EXPECT_EQ(gear.textures, (std::vector<std::string>{"", "@rider_body-red.png", "@textures/rider_body-blue.png"}));
  AppearanceList wheels = build_appearance_list(names, "wheels-");
  EXPECT_EQ(wheels.texts, (std::vector<std::string>{"default", "gold"}));
  EXPECT_EQ(wheels.textures[1], "@wheels-gold.png") << "the data files find the enciphered file";
}

TEST_F(ConfigTest, ASetupFileWithBadLinesChangesNothingAndSaysWhy) {
  sandbox.write_home("setups/bad", "roll_damping=30\nno_such_key=1\nfront_brake=Sticky\nlevelling\n");
  std::vector<std::string> problems;
  EXPECT_FALSE(read_setup_file("@setups/bad", &problems));
  EXPECT_EQ(problems.size(), 3u);
  EXPECT_DOUBLE_EQ(number("roll_damping"), 80) << "not applied half";

  sandbox.write_home("setups/wide", "roll_damping=300\nbike=rm125\n");
  problems.clear();
  EXPECT_TRUE(read_setup_file("@setups/wide", &problems));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("roll_damping 300 clamped to 100"), std::string::npos) << problems[0];
  EXPECT_DOUBLE_EQ(number("roll_damping"), 100);
  EXPECT_STREQ(chosen_text(*find_setup_item("bike")), "rm125");

  EXPECT_TRUE(write_setup_file("@setups/mine"));
  setup_defaults();
  EXPECT_TRUE(read_setup_file("@setups/mine", nullptr));
  EXPECT_DOUBLE_EQ(number("roll_damping"), 100);
  EXPECT_FALSE(read_setup_file("@setups/missing", &problems));
}

}  // namespace
