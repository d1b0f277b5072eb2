#include <gtest/gtest.h>

#include "config/bindings.h"

namespace {

TEST(BindingText, FormsAndTheirLines) {
  struct {
    const char* text;
    const char* key_name;
    const char* axis_name;
    double low, high;
    const char* line;
  } cases[] = {
      {"(0.1,0.9)Joystick1 axis 0", "", "Joystick1 axis 0", 0.1, 0.9, "k=(0.100000,0.900000)Joystick1 axis 0\n"},
      {"  (-0.0625,-0.9375)cursor-y", "", "cursor-y", -0.0625, -0.9375, "k=(-0.062500,-0.937500)cursor-y\n"},
      {"(k)right ctrl", "right ctrl", "", 0, 1, "k=(k)right ctrl\n"},
      {"right ctrl", "right ctrl", "", 0, 1, "k=(k)right ctrl\n"},
      {"(k)", "", "", 0, 1, ""},
      {"", "", "", 0, 1, ""},
      // A range without its closing parenthesis is a key name.
      {"(0.1,0.9", "(0.1,0.9", "", 0, 1, "k=(k)(0.1,0.9\n"},
      {"(0.1,inf)x", "(0.1,inf)x", "", 0, 1, "k=(k)(0.1,inf)x\n"},
  };
  for (const auto& c : cases) {
    ControlBinding b;
    b.key_name = "old";
    b.key_code = 0x1010;
    b.axis_name = "old axis";
    binding_from_text(b, c.text);
    SCOPED_TRACE(c.text);
    EXPECT_EQ(b.key_name, c.key_name);
    EXPECT_EQ(b.key_code, 0);
    EXPECT_EQ(b.axis_name, c.axis_name);
    EXPECT_DOUBLE_EQ(b.low, c.low);
    EXPECT_DOUBLE_EQ(b.high, c.high);
    EXPECT_EQ(binding_to_text("k", b), c.line);
  }
}

TEST(BindingText, HugeRangeIsWrittenWhole) {
  ControlBinding b;
  binding_from_text(b, "(1e300,-1e300)stick");
  std::string line = binding_to_text("k", b);
  EXPECT_EQ(line.substr(line.size() - 7), ")stick\n");
  ControlBinding again;
  binding_from_text(again, line.substr(2, line.size() - 3).c_str());
  EXPECT_EQ(again.low, 1e300);
  EXPECT_EQ(again.axis_name, "stick");
}

}  // namespace
