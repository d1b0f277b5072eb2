// The demo header: what is written reads back, names that would break the
// layout are cleaned, versions 4 to 6 are read, and damaged or unsafe
// headers are refused with a reason.
#include <gtest/gtest.h>

#include <string>

#include "demo/demo_header.h"
#include "tests/support/test_env.h"

namespace {

struct HeaderRead {
  bool ok = false;
  DemoHeader header;
  std::string error;
  long end = 0;  // where the stream stood after the header
};

HeaderRead read_text(const std::string& text, int free_slots = kSlotCount) {
  TempDir dir;
  std::string path = dir.write("h.krdemo", text);
  DataFilePtr f(open_data_file(path.c_str(), "rb"));
  HeaderRead r;
  r.ok = read_demo_header(f.get(), free_slots, &r.header, &r.error);
  r.end = data_file_position(f.get());
  return r;
}

TEST(DemoHeader, WrittenHeaderReadsBack) {
  DemoHeader h;
  h.time_limit_steps = 300 * 128;
  h.extra_laps = 2;
  h.start_step = 2000;
  h.track = "tracks/ridge";
  RiderDescription a;
  a.bike = "2006 Ridge 450F";
  a.riding_gear = "Red";
  a.bike_graphics = "Stripes";
  a.wheel_graphics = "";
  a.helmet = "White";
  a.number = "77";
  a.name = "Ana";
  RiderDescription b;
  b.bike = "Ridge 125";
  b.number = "1234";  // plates carry three characters
  b.name = "Bo|b\nby";
  h.riders = {a, b};
  std::string text = format_demo_header(h);
  EXPECT_EQ(text.substr(0, text.find('\n') + 1), "KR06 2 38400 2 2000\n");
  HeaderRead r = read_text(text + "\x01\x02");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.end, static_cast<long>(text.size()));
  EXPECT_EQ(r.header.version, 6);
  EXPECT_EQ(r.header.time_limit_steps, 38400);
  EXPECT_EQ(r.header.extra_laps, 2);
  EXPECT_EQ(r.header.start_step, 2000);
  EXPECT_EQ(r.header.track, "tracks/ridge");
  ASSERT_EQ(r.header.riders.size(), 2u);
  const RiderDescription& ra = r.header.riders[0];
  EXPECT_EQ(ra.bike, "2006 Ridge 450F");
  EXPECT_EQ(ra.riding_gear, "Red");
  EXPECT_EQ(ra.bike_graphics, "Stripes");
  EXPECT_EQ(ra.wheel_graphics, "");
  EXPECT_EQ(ra.helmet, "White");
  EXPECT_EQ(ra.number, "77");
  EXPECT_EQ(ra.name, "Ana");
  EXPECT_EQ(r.header.riders[1].number, "123");
  EXPECT_EQ(r.header.riders[1].name, "Bo b by");
}

TEST(DemoHeader, FieldsThatWouldSplitTheDescriptionAreCleaned) {
  RiderDescription d;
  d.bike = "A|B";
  d.riding_gear = "line\nbreak";
  d.helmet = "cr\rtab\t";
  d.number = "|\n9";
  d.name = "x\n\ny";
  EXPECT_EQ(format_rider_description(d), "A B|line break|||cr tab \n  9\nx  y");
  DemoHeader h;
  h.track = "t";
  h.riders = {d};
  HeaderRead r = read_text(format_demo_header(h));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.header.riders[0].bike, "A B");
  EXPECT_EQ(r.header.riders[0].field_count, 5);
  EXPECT_EQ(r.header.riders[0].name, "x  y");
}

TEST(DemoHeader, OlderVersions) {
  // Version 4 and 5: no start step (14 s), description and number only.
  HeaderRead r = read_text("KR04 2 0\nmx1\nRidge 250|Blue\n5\nRidge 125\n12\nbinary");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.header.version, 4);
  EXPECT_EQ(r.header.start_step, 1792);
  EXPECT_EQ(r.header.extra_laps, 0);
  ASSERT_EQ(r.header.riders.size(), 2u);
  EXPECT_EQ(r.header.riders[0].bike, "Ridge 250");
  EXPECT_EQ(r.header.riders[0].riding_gear, "Blue");
  EXPECT_EQ(r.header.riders[0].field_count, 2);
  EXPECT_EQ(r.header.riders[1].number, "12");
  EXPECT_EQ(r.header.riders[1].name, "");
  EXPECT_EQ(r.end, static_cast<long>(std::string("KR04 2 0\nmx1\nRidge 250|Blue\n5\nRidge 125\n12\n").size()));
  r = read_text("KR05 1 100 3 500\nmx1\na|b|c|d|e|f\n7\n");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.header.start_step, 500);
  EXPECT_EQ(r.header.extra_laps, 3);
  EXPECT_EQ(r.header.riders[0].helmet, "e");
  // Version 6 skips lines a later writer added before the empty line.
  r = read_text("KR06 1 0 0 1792\nmx1\na|b|c|d|e\n7\nName\nmore\nand more\n\n");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.header.riders[0].name, "Name");
}

TEST(DemoHeader, DamagedHeadersAreRefused) {
  struct Case {
    const char* text;
    int free_slots;
    const char* reason;
  } cases[] = {
      {"", kSlotCount, "not a demo"},
      {"KR06 1\nmx1\n", kSlotCount, "not a demo"},
      {"XX06 1 0 0 0\n", kSlotCount, "not a demo"},
      {"KR06 1 0 0 0", kSlotCount, "not a demo"},  // no line end
      {"KR07 1 0 0 0\nmx1\na\n1\nn\n\n", kSlotCount, "version 7"},
      {"KR03 1 0\nmx1\na\n1\n", kSlotCount, "version 3"},
      {"KR06 0 0 0 0\nmx1\n", kSlotCount, "rider count 0"},
      {"KR06 161 0 0 0\nmx1\n", kSlotCount, "rider count 161"},
      {"KR06 -5 0 0 0\nmx1\n", kSlotCount, "rider count -5"},
      {"KR06 99999999999 0 0 0\nmx1\n", kSlotCount, "not a demo"},
      {"KR06 3 0 0 0\nmx1\n", 2, "free places"},
      {"KR06 1 0 0 0\nmx1", kSlotCount, "cut short"},
      {"KR06 1 0 0 0\nmx1\na|b\n1\nname\n", kSlotCount, "cut short"},
      {"KR06 1 0 0 0\nmx1\na|b\n1\nname\nextra", kSlotCount, "cut short"},
      {"KR05 2 0 0 0\nmx1\na|b\n1\n", kSlotCount, "cut short"},
      {"KR06 1 0 0 0\n../../etc\na\n1\nn\n\n", kSlotCount, "track"},
      {"KR06 1 0 0 0\n/abs\na\n1\nn\n\n", kSlotCount, "track"},
      {"KR06 1 0 0 0\n\na\n1\nn\n\n", kSlotCount, "track"},
  };
  for (const Case& c : cases) {
    HeaderRead r = read_text(c.text, c.free_slots);
    EXPECT_FALSE(r.ok) << c.text;
    EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.text << ": " << r.error;
  }
  // A zero byte inside a line.
  HeaderRead z = read_text(std::string("KR06 1 0 0 0\nmx1\na\0b\n1\nn\n\n", 26));
  EXPECT_FALSE(z.ok);
  EXPECT_NE(z.error.find("cut short"), std::string::npos) << z.error;
  // A line far longer than any header line.
  HeaderRead r = read_text("KR06 1 0 0 0\nmx1\n" + std::string(10000, 'x') + "\n1\nn\n\n");
  EXPECT_FALSE(r.ok);
}

TEST(DemoHeader, NegativeRaceLengthsCountAsNone) {
  HeaderRead r = read_text("KR06 1 -5 -2 -9\nmx1\na\n1\nn\n\n");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.header.time_limit_steps, 0);
  EXPECT_EQ(r.header.extra_laps, 0);
  EXPECT_EQ(r.header.start_step, 0);
}

TEST(DemoHeader, SafeTrackFolders) {
  for (const char* good : {"mx1", "tracks/mx1", "Big Hill 2"}) EXPECT_TRUE(is_safe_track_folder(good)) << good;
  for (const char* bad : {"", "/etc", "..", "a/../../b", "a//b", "a/", "a\\b", "a\tb", "./a"})
    EXPECT_FALSE(is_safe_track_folder(bad)) << bad;
}

}  // namespace
