#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

CommandLineResult parse(std::vector<std::string> args) { return parse_command_line(args); }

struct ErrorCase {
  std::vector<std::string> args;
  const char* message;
};

// Every way the command line can stop the program with status 1.
TEST(CommandLine, ErrorsPrintTheirMessageAndExitOne) {
  const ErrorCase cases[] = {
      {{"--bogus"}, "bad option '--bogus'\n"},
      {{"-x.krdemo"}, "bad option '-x.krdemo'\n"},
      {{"--warp=1"}, "bad option '--warp=1'\n"},
      {{"a.krdemo", "b.krdemo"}, "Too many files!\n"},
      {{"--texture-detail", "x"}, "Bad arg for --texture-detail\n"},
      {{"--ground-texture-detail=x"}, "Bad arg for --ground-texture-detail\n"},
      {{"--roostfrequency", ""}, "Bad arg for --roostfrequency\n"},
      {{"--erode", "lots"}, "Bad arg for --erode\n"},
      {{"--detail", "x"}, "Bad arg for --detail\n"},
      {{"--max-detail-distance", "x"}, "Bad arg for --max-detail-distance\n"},
      {{"--lod-scale", "nan"}, "Bad arg for --lod-scale\n"},
      {{"--lod-bias", "inf"}, "Bad arg for --lod-bias\n"},
      {{"--lock-fps", "fast"}, "Bad arg for --lock-fps\n"},
      {{"--fake-lag", "x"}, "Bad arg for --fake-lag\n"},
      {{"--fake-loss", "x"}, "Bad arg for --fake-loss\n"},
      {{"--chase-center", "1,2"}, "Bad arg for --chase-center\n"},
      {{"--chase-center=1;2;3"}, "Bad arg for --chase-center\n"},
      // A value option standing last has no value.
      {{"--texture-detail"}, "Bad arg for --texture-detail\n"},
      {{"--fugly", "--track"}, "Bad arg for --track\n"},
      {{"--width"}, "Bad arg for --width\n"},
      {{"--bikes"}, "Bad arg for --bikes\n"},
      {{"--record-audio"}, "Bad arg for --record-audio\n"},
      {{"--connect"}, "Bad arg for --connect\n"},
  };
  for (const ErrorCase& c : cases) {
    CommandLineResult r = parse(c.args);
    SCOPED_TRACE(c.args[0]);
    EXPECT_TRUE(r.stop);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.error, c.message);
  }
}

TEST(CommandLine, ParsingStopsAtTheFirstError) {
  CommandLineResult r = parse({"--bogus", "--texture-detail"});
  EXPECT_EQ(r.error, "bad option '--bogus'\n");
}

TEST(CommandLine, TextureDetailIsClampedInBothForms) {
  struct Case {
    std::vector<std::string> args;
    int expected;
  } cases[] = {
      {{"--texture-detail", "9"}, 4},
      {{"--texture-detail=9"}, 4},
      {{"--texture-detail", "-3"}, 0},
      {{"--texture-detail=-3"}, 0},
      {{"--texture-detail", "2"}, 2},
      {{"--texture-detail", "99999999999999999999"}, 4},
  };
  for (const Case& c : cases) {
    CommandLineResult r = parse(c.args);
    ASSERT_FALSE(r.stop) << c.args[0];
    EXPECT_EQ(r.values.texture_detail, c.expected);
    EXPECT_EQ(r.values.ground_texture_detail, c.expected) << "sets the ground texture detail too";
  }
}

TEST(CommandLine, ClampsEveryRangedValue) {
  CommandLine v = parse({"--ground-texture-detail", "7", "--roostfrequency", "5000", "--erode", "-1",
                         "--lod-scale", "0", "--fake-lag", "2500", "--fake-loss", "150"})
                      .values;
  EXPECT_EQ(v.ground_texture_detail, 4);
  EXPECT_FALSE(v.texture_detail.has_value());
  EXPECT_EQ(v.roost_frequency, 1000);
  EXPECT_EQ(v.erode, 0.0);
  EXPECT_EQ(v.lod_scale, 1e-6);
  EXPECT_EQ(v.fake_lag, 1.0);
  EXPECT_EQ(v.fake_loss, 100);
  EXPECT_DOUBLE_EQ(parse({"--fake-lag=250"}).values.fake_lag, 0.25);
  // A locked rate is off at 0 or below and at least one frame a second.
  struct LockCase {
    const char* value;
    double fps;
  } locks[] = {{"30", 30}, {"0", 0}, {"-5", 0}, {"1e-9", 1}, {"5000", 1000}};
  for (const LockCase& c : locks) EXPECT_EQ(parse({"--lock-fps", c.value}).values.lock_fps, c.fps) << c.value;
}

TEST(CommandLine, AfterDoubleDashADashArgumentIsTheFile) {
  CommandLineResult r = parse({"--warp", "--", "-x.krdemo"});
  ASSERT_FALSE(r.stop);
  EXPECT_TRUE(r.values.warp);
  EXPECT_TRUE(r.values.has_file);
  EXPECT_EQ(r.values.file, "-x.krdemo");
  EXPECT_EQ(parse({"--", "--", "x"}).error, "Too many files!\n");
}

TEST(CommandLine, ConnectDropsTheLinkPrefix) {
  CommandLine v = parse({"--connect", "kiwiridge:race.example.org", "--password=secret"}).values;
  EXPECT_TRUE(v.connect);
  EXPECT_EQ(v.server, "race.example.org");
  EXPECT_EQ(v.password, "secret");
  EXPECT_EQ(parse({"--connect=host"}).values.server, "host");
}

TEST(CommandLine, ChaseCenterNeedsThreeNumbers) {
  CommandLine v = parse({"--chase-center", "1,2,3.5"}).values;
  EXPECT_EQ(v.chase_center[0], 1);
  EXPECT_EQ(v.chase_center[1], 2);
  EXPECT_EQ(v.chase_center[2], 3.5);
  CommandLine d = parse({}).values;
  EXPECT_EQ(d.chase_center[1], 2.52);
  EXPECT_EQ(d.chase_center[2], 0.52);
}

TEST(CommandLine, ValueTakesTheNextArgumentEvenWithADash) {
  CommandLineResult r = parse({"--track", "--fugly"});
  ASSERT_FALSE(r.stop);
  EXPECT_EQ(r.values.track, "--fugly");
  EXPECT_FALSE(r.values.fugly);
}

TEST(CommandLine, OptionsWithoutErrorMessagesKeepTheirValues) {
  CommandLineResult r = parse({"--width", "wide", "--height=600", "--depth", "x", "--zdepth", "24",
                               "--rotate-lineup", "z", "--draw-fps", "1"});
  ASSERT_FALSE(r.stop);
  EXPECT_FALSE(r.values.width.has_value());
  EXPECT_EQ(r.values.height, 600);
  EXPECT_EQ(r.values.colour_bits, 0);  // atoi of a word
  EXPECT_EQ(r.values.depth_bits, 24);
  EXPECT_EQ(r.values.rotate_lineup, 0);
  EXPECT_EQ(r.values.draw_fps, 1);
}

TEST(CommandLine, FlagsAndDefaults) {
  CommandLine d = parse({}).values;
  EXPECT_EQ(d.colour_bits, 16);
  EXPECT_EQ(d.depth_bits, 16);
  EXPECT_TRUE(d.draw_paused);
  EXPECT_TRUE(d.draw_hud);
  EXPECT_FALSE(d.has_file);
  CommandLine v = parse({"--super-debug", "--hidden-pause", "--hidden-hud", "--nolearn", "--editor",
                         "--lock-fps", "30", "demo.krdemo"})
                      .values;
  EXPECT_EQ(v.debug_level, 2);
  EXPECT_FALSE(v.draw_paused);
  EXPECT_FALSE(v.draw_hud);
  EXPECT_EQ(v.learn, false);
  EXPECT_TRUE(v.editor);
  EXPECT_EQ(v.lock_fps, 30);
  EXPECT_EQ(v.file, "demo.krdemo");
}

TEST(CommandLine, BikesOnlyWarns) {
  CommandLineResult r = parse({"--bikes", "3"});
  EXPECT_FALSE(r.stop);
  ASSERT_EQ(r.notices.size(), 1u);
  EXPECT_EQ(r.notices[0], "--bikes doesn't do anything anymore\n");
}

TEST(CommandLine, OpenHomeStopsAtOnceWithStatusZero) {
  CommandLineResult r = parse({"--open-home", "--bogus"});
  EXPECT_TRUE(r.stop);
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_TRUE(r.values.open_home);
  EXPECT_TRUE(r.error.empty());
}

}  // namespace
