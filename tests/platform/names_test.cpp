#include "platform/names.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fatal.h"
#include "platform/log.h"
#include "tests/support/test_env.h"

namespace {

TEST(Names, SecondAliasIsRefusedAndFirstStays) {
  TempDir dir;
  unsetenv("TARN_LOGFILE");
  tarn_log_reset_for_tests();
  std::string path = dir.file("log.txt");
  tarn_log("TARN_LOGFILE=%s", path.c_str());
  EXPECT_EQ(tarn_add_alias("joy-x", "steer"), 1);
  EXPECT_EQ(tarn_add_alias("joy-x", "throttle"), 0);
  EXPECT_STREQ(tarn_alias_of("joy-x"), "steer");
  const char* plain = "no-alias";
  EXPECT_EQ(tarn_alias_of(plain), plain);
  EXPECT_NE(slurp(path).find("Second alias for 'joy-x' ('throttle') ignored\n"), std::string::npos);
  tarn_log(nullptr);
  tarn_log_reset_for_tests();
}

TEST(Names, InterningGivesOnePointerPerText) {
  std::string a = "left shift", b = "left shift", c = "enter";
  const char* pa = tarn_intern(a.c_str());
  const char* pc = tarn_intern(c.c_str());
  EXPECT_EQ(pa, tarn_intern(b.c_str()));
  EXPECT_NE(pa, pc);
  EXPECT_NE(pa, a.c_str());
  EXPECT_STREQ(pa, "left shift");
  // Insertion in the middle of the sorted list keeps earlier pointers.
  tarn_intern("f1");
  EXPECT_EQ(tarn_intern("enter"), pc);
}

TEST(Names, LooseComparison) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
      {"Left Shift", "left_shift", true}, {"KEYPAD\tENTER", "keypad enter", true},
      {"page up", "page  up", false},     {"a", "b", false},
      {"abc", "ab", false},               {"", "", true},
  };
  for (const Case& c : cases) EXPECT_EQ(tarn_names_equal(c.a, c.b) == 0, c.equal) << c.a << " vs " << c.b;
  EXPECT_LT(tarn_names_equal("a", "b"), 0);
  EXPECT_GT(tarn_names_equal("abc", "ab"), 0);
}

TEST(KeptNames, SameTextSamePointer) {
  std::string x = "rider_body-red.png";
  const char* p = keep_name(x.c_str());
  EXPECT_EQ(p, keep_name("rider_body-red.png"));
  EXPECT_NE(p, keep_name("rider_body-blue.png"));
  EXPECT_STREQ(p, "rider_body-red.png");
}

}  // namespace
