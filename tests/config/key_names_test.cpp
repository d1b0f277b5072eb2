#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "config/settings.h"
#include "platform/key_names.h"

namespace {

TEST(KeyNames, FallbackTableIsComplete) {
  int count = 0;
  const TarnKeyName* table = tarn_fallback_key_names(&count);
  EXPECT_EQ(count, 98);
  std::set<std::string> names;
  for (int i = 0; i < count; ++i) {
    EXPECT_TRUE(names.insert(table[i].name).second) << table[i].name;
    EXPECT_LT(table[i].scan_code, TARN_SCAN_CODES);
  }
}

TEST(KeyNames, NamesResolveToCodes) {
  struct {
    const char* name;
    int code;
  } cases[] = {
      {"right ctrl", 0x111D}, {"Right Ctrl", 0x111D}, {"right_ctrl", 0x111D}, {"RIGHT\tCTRL", 0x111D},
      {"x", 0x102D},          {"Esc", 0x1001},        {"\\", 0x102B},         {"Keypad Enter", 0x111C},
      {"space", 0x1039},      {" ", 0x1039},          {"F12", 0x1058},        {"rightctrl", 0},
      {"", 0},                {"no such key", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(tarn_fallback_key_code(c.name), c.code) << "'" << c.name << "'";
}

TEST(KeyNames, HexScanCodes) {
  EXPECT_EQ(tarn_hex_key_code("0x45"), 0x1045);
  EXPECT_EQ(tarn_hex_key_code("0x1ff"), 0x11FF);
  EXPECT_EQ(tarn_hex_key_code("0x200"), 0);
  EXPECT_EQ(tarn_hex_key_code("0x45z"), 0);
  EXPECT_EQ(tarn_hex_key_code("45"), 0);
}

TEST(KeyNames, CodesGiveTheirNames) {
  EXPECT_STREQ(tarn_fallback_key_name(0x1039), "Space");
  EXPECT_STREQ(tarn_fallback_key_name(0x114B), "Left");
  EXPECT_EQ(tarn_fallback_key_name(0x1000 + 0x1FF), nullptr);
}

TEST(KeyNames, EveryDefaultBindingNamesAKey) {
  for (int i = 0; i < kControlCount; ++i) {
    const ControlBinding& b = control_binding(i);
    EXPECT_NE(tarn_fallback_key_code(b.key_name.c_str()), 0) << control_key(i) << " " << b.key_name;
  }
}

}  // namespace
