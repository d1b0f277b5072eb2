#include "platform/log.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/test_env.h"

namespace {

// Each test starts with a fresh log and no TARN_* variables.
class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("TARN_LOGFILE");
    unsetenv("TARN_LOGFILE_FLAGS");
    unsetenv("TARN_OPTIONS");
    tarn_log_reset_for_tests();
  }
  void TearDown() override {
    tarn_log(nullptr);
    SetUp();
  }
  TempDir dir;
};

TEST_F(LogTest, ConfigurationMessageOpensFileWithBanner) {
  std::string path = dir.file("lastlog.txt");
  tarn_log("TARN_LOGFILE=%s", path.c_str());
  tarn_log("hello %d\n", 42);
  std::string text = slurp(path);
  EXPECT_NE(text.find("Logfile \"" + path + "\" opened\n"), std::string::npos);
  EXPECT_NE(text.find("] TARN 0.31\n"), std::string::npos);
  EXPECT_NE(text.find("] hello 42\n"), std::string::npos);
  EXPECT_EQ(text.find("TARN_LOGFILE="), std::string::npos);
}

TEST_F(LogTest, EnvironmentPathOverridesAndAppendsWithDoubleAngle) {
  std::string path = dir.write("user.log", "earlier run\n");
  setenv("TARN_LOGFILE", (">>" + path).c_str(), 1);
  tarn_log("TARN_LOGFILE=%s", dir.file("lastlog.txt").c_str());
  tarn_log("second run\n");
  std::string text = slurp(path);
  EXPECT_EQ(text.rfind("earlier run\n", 0), 0u);
  EXPECT_NE(text.find("second run"), std::string::npos);
  EXPECT_FALSE(file_exists(dir.file("lastlog.txt")));
}

TEST_F(LogTest, FlagsVariableGivesOpenMode) {
  std::string path = dir.write("lastlog.txt", "kept\n");
  setenv("TARN_LOGFILE_FLAGS", "a", 1);
  tarn_log("TARN_LOGFILE=%s", path.c_str());
  tarn_log("more\n");
  EXPECT_EQ(slurp(path).rfind("kept\n", 0), 0u);
}

TEST_F(LogTest, SingleAngleWritesAfresh) {
  std::string path = dir.write("x.log", "old\n");
  setenv("TARN_LOGFILE", (">" + path).c_str(), 1);
  tarn_log("new\n");
  std::string text = slurp(path);
  EXPECT_EQ(text.find("old"), std::string::npos);
  EXPECT_NE(text.find("new"), std::string::npos);
}

TEST_F(LogTest, NoFlushBuffersUntilFlushOrClose) {
  std::string path = dir.file("lastlog.txt");
  tarn_log("TARN_LOGFILE=%s", path.c_str());
  tarn_log("\x13NOFLUSH");
  tarn_log("buffered\n");
  EXPECT_EQ(slurp(path).find("buffered"), std::string::npos);
  tarn_log("\x13" "FLUSH");
  tarn_log("now\n");
  EXPECT_NE(slurp(path).find("buffered"), std::string::npos);
  EXPECT_EQ(slurp(path).find("FLUSH"), std::string::npos);
}

TEST_F(LogTest, NullMessageClosesForGood) {
  std::string path = dir.file("lastlog.txt");
  tarn_log("TARN_LOGFILE=%s", path.c_str());
  tarn_log(nullptr);
  tarn_log("TARN_LOGFILE=%s", dir.file("other.txt").c_str());
  tarn_log("dropped\n");
  EXPECT_EQ(slurp(path).find("dropped"), std::string::npos);
  EXPECT_FALSE(file_exists(dir.file("other.txt")));
}

TEST_F(LogTest, WithoutPathThereIsNoLog) {
  tarn_log("ordinary first message\n");
  tarn_log("TARN_LOGFILE=%s", dir.file("late.txt").c_str());
  EXPECT_FALSE(file_exists(dir.file("late.txt")));
}

TEST_F(LogTest, LastErrorIsLoggedAndKept) {
  std::string path = dir.file("lastlog.txt");
  tarn_log("TARN_LOGFILE=%s", path.c_str());
  EXPECT_STREQ(tarn_last_error(), "Unknown");
  static const char kText[] = "can't open audio";
  tarn_set_last_error(kText);
  EXPECT_EQ(tarn_last_error(), kText);
  EXPECT_NE(slurp(path).find("Error: can't open audio\n"), std::string::npos);
}

TEST(LogPrefix, CountsHoursWithoutWrapping) {
  struct Case {
    long s, us;
    const char* want;
  } cases[] = {
      {3600 + 120 + 5, 500000, "[1:02:05.50] "},
      {0, 9999, "[0:00:00.00] "},
      {100 * 3600 + 59 * 60 + 59, 990000, "[100:59:59.99] "},
  };
  for (const Case& c : cases) {
    char buf[64];
    tarn_format_log_prefix(buf, sizeof buf, c.s, c.us);
    EXPECT_STREQ(buf, c.want) << c.s;
  }
}

TEST_F(LogTest, OptionsFlagsAndNumbers) {
  std::string path = dir.file("lastlog.txt");
  tarn_log("TARN_LOGFILE=%s", path.c_str());
  setenv("TARN_OPTIONS", "[threaded:yes] [dsnd:off][waveout:maybe] [sound-rate:44100Hz] [sound-channels:x]", 1);
  struct FlagCase {
    const char* name;
    int def, want;
  } flags[] = {{"threaded", 0, 1}, {"dsnd", 1, 0}, {"waveout", 1, 1}, {"dinput", 1, 1}, {"dinput", 0, 0}};
  for (const FlagCase& c : flags) EXPECT_EQ(tarn_option_flag(c.name, c.def), c.want) << c.name;
  EXPECT_EQ(tarn_option_number("sound-rate", 22050), 44100);
  EXPECT_EQ(tarn_option_number("sound-channels", 16), 16);
  EXPECT_EQ(tarn_option_number("sound-mixahead", 125), 125);
  std::string text = slurp(path);
  EXPECT_NE(text.find("unrecognized setting for waveout\n"), std::string::npos);
  EXPECT_NE(text.find("unrecognized setting for sound-channels\n"), std::string::npos);
  EXPECT_EQ(text.find("unrecognized setting for dinput"), std::string::npos);
}

TEST_F(LogTest, OptionsTextIsReadOnce) {
  setenv("TARN_OPTIONS", "[threaded:on]", 1);
  EXPECT_EQ(tarn_option_flag("threaded", 0), 1);
  setenv("TARN_OPTIONS", "[threaded:off]", 1);
  EXPECT_EQ(tarn_option_flag("threaded", 0), 1);
}

}  // namespace
