// Reading sound tables and recordings, good and bad.
#include "sound/sound_table.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "tests/support/test_env.h"

namespace {

std::string raw16(const std::vector<int>& samples) {
  std::string out;
  for (int s : samples) {
    out.push_back(static_cast<char>(s & 0xff));
    out.push_back(static_cast<char>((s >> 8) & 0xff));
  }
  return out;
}

class SoundTableFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    sound_cache_reset();
    clear_messages();
    box.write_data("rec/a.raw", raw16({0, 16384, -16384, 32767, -32768}));
    box.write_data("rec/b.raw", raw16({100, 200}) + "x");  // an odd byte at the end is no sample
    box.write_data("rec/empty.raw", "");
    box.rescan();
  }
  void TearDown() override { sound_cache_reset(); }
  const SoundTable* table(const std::string& text) {
    static int serial = 0;
    std::string name = "t" + std::to_string(serial++) + ".table";
    box.write_data(name, text);
    box.rescan();
    return load_sound_table(("@" + name).c_str());
  }
  bool said(const std::string& line) const {
    for (const std::string& m : recent_messages())
      if (m == line) return true;
    return false;
  }
  DataSandbox box;
};

TEST_F(SoundTableFiles, ReadsRowsColumnsAndCells) {
  const SoundTable* t = table(
      "SOUNDTABLE 2 2\n"
      "# rpm of the rows, then load of the columns\n"
      "3000 9000\n"
      "0 1\n"
      "-1 1 @rec/a.raw\n"
      "1 0 -1 2 @rec/b.raw\n"
      "-1 1.0 @rec/a.raw\n"
      "-1 4 @rec/b.raw\n");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->rows(), 2);
  EXPECT_EQ(t->columns(), 2);
  EXPECT_EQ(t->rpm, (std::vector<float>{3000, 9000}));
  EXPECT_EQ(t->load, (std::vector<float>{0, 1}));
  EXPECT_EQ(t->cell(0, 1).events, 2);
  EXPECT_EQ(t->cell(0, 1).remap, (std::vector<int>{1, 0}));
  EXPECT_EQ(t->cell(1, 1).events, 4);
  // Recordings are cached: the same file is one recording.
  EXPECT_EQ(t->cell(0, 0).recording, t->cell(1, 0).recording);
  const std::vector<float>& a = t->cell(0, 0).recording->samples;
  EXPECT_EQ(a, (std::vector<float>{0, 0.5f, -0.5f, 32767 / 32768.0f, -1}));
  EXPECT_EQ(t->cell(0, 1).recording->samples.size(), 2u);
  EXPECT_TRUE(recent_messages().empty());
}

TEST_F(SoundTableFiles, TablesAreCachedByName) {
  box.write_data("same.table", "SOUNDTABLE 1 1 0 0 -1 1 @rec/a.raw");
  box.rescan();
  const SoundTable* first = load_sound_table("@same.table");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(load_sound_table("@same.table"), first);
}

TEST_F(SoundTableFiles, RemapEntriesAreReducedIntoTheEventsEvenWhenNegative) {
  const SoundTable* t = table("SOUNDTABLE 1 1\n0\n0\n3 -1\n");
  EXPECT_EQ(t, nullptr) << "after the list's -1 the cell lacks its count and file";
  t = table("SOUNDTABLE 1 1\n0\n0\n7 -3 -2 4 -1 3 @rec/a.raw\n");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->cell(0, 0).remap, (std::vector<int>{1, 0, 1, 1}));
}

struct BadTable {
  const char* text;
  const char* message;  // the cell's message, before "Error reading '<table>'"
};

const BadTable kBadTables[] = {
    {"SOUNDTABLE 1 2\n0\n0 1\n-1 1 @rec/a.raw\n0 x -1 1 @rec/a.raw\n", "(0, 1) Bad remap entry"},
    {"SOUNDTABLE 1 1\n0\n0\n0.5 -1 1 @rec/a.raw\n", "(0, 0) Bad remap entry"},
    {"SOUNDTABLE 2 1\n0 1\n0\n-1 1 @rec/a.raw\n-1 1 @rec/missing.raw\n", "(1, 0) Error reading '@rec/missing.raw'"},
    {"SOUNDTABLE 1 1\n0\n0\n-1 1 @rec/empty.raw\n", "(0, 0) Error reading '@rec/empty.raw'"},
    {"SOUNDTABLE 1 1\n0\n0\n-1 0 @rec/a.raw\n", "(0, 0) Bad event count"},
    {"SOUNDTABLE 1 1\n0\n0\n-1 -2 @rec/a.raw\n", "(0, 0) Bad event count"},
    {"SOUNDTABLE 1 1\n0\n0\n-1 nan @rec/a.raw\n", "(0, 0) Bad event count"},
    {"SOUNDTABLE 1 1\n0\n0\n-1 1\n", "(0, 0) Missing recording name"},
    {"SOUNDTABLE 0 1\n0\n", nullptr},
    {"SOUNDTABLE 1 -4\n0\n", nullptr},
    {"SOUNDTABLE 100000 100000\n", nullptr},
    {"SOUNDTABLE 2 1\n9000 3000\n0\n-1 1 @rec/a.raw\n-1 1 @rec/a.raw\n", nullptr},
    {"SOUNDTABLE 1 1\ninf\n0\n-1 1 @rec/a.raw\n", nullptr},
    {"TABLE 1 1\n0\n0\n-1 1 @rec/a.raw\n", nullptr},
    {"", nullptr},
};

TEST_F(SoundTableFiles, BadTablesAreReportedAndAbandoned) {
  for (const BadTable& bad : kBadTables) {
    clear_messages();
    EXPECT_EQ(table(bad.text), nullptr) << bad.text;
    const std::vector<std::string>& said_lines = recent_messages();
    ASSERT_FALSE(said_lines.empty()) << bad.text;
    EXPECT_EQ(said_lines.back().rfind("Error reading '@t", 0), 0u) << said_lines.back();
    if (bad.message) {
      EXPECT_TRUE(said(bad.message)) << bad.text << " said " << said_lines.front();
    }
  }
}

TEST_F(SoundTableFiles, MissingTableIsReportedOnce) {
  EXPECT_EQ(load_sound_table("@nothing.table"), nullptr);
  EXPECT_TRUE(said("Error reading '@nothing.table'"));
  clear_messages();
  EXPECT_EQ(load_sound_table("@nothing.table"), nullptr);
  EXPECT_TRUE(recent_messages().empty());
}

TEST_F(SoundTableFiles, RandomBytesNeverMakeATableOrACrash) {
  std::mt19937 rng(19);
  for (int round = 0; round < 200; ++round) {
    std::string text = round % 2 ? "SOUNDTABLE " : "";
    int n = static_cast<int>(rng() % 300);
    for (int i = 0; i < n; ++i) {
      // Mostly digits, signs and spaces so that the reader gets some way in.
      static const char kChars[] = "0123456789 -.\n#@ab/";
      text.push_back(round % 3 ? kChars[rng() % (sizeof kChars - 1)] : static_cast<char>(rng()));
    }
    const SoundTable* t = table(text);
    if (t) {
      // Whatever got through is a usable table.
      EXPECT_GE(t->rows(), 1);
      EXPECT_GE(t->columns(), 1);
      for (const SoundCell& c : t->cells) {
        ASSERT_NE(c.recording, nullptr);
        EXPECT_FALSE(c.recording->samples.empty());
        EXPECT_GE(c.events, 1);
        for (int e : c.remap) EXPECT_TRUE(e >= 0 && e < c.events);
      }
    }
  }
}

TEST(BuiltinTables, OneRowTwoColumnsAndTheQuietColumnAtAQuarter) {
  for (const SoundTable* t : {builtin_four_stroke_table(), builtin_two_stroke_table()}) {
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rows(), 1);
    EXPECT_EQ(t->load, (std::vector<float>{0, 1}));
    const std::vector<float>& quiet = t->cell(0, 0).recording->samples;
    const std::vector<float>& full = t->cell(0, 1).recording->samples;
    ASSERT_EQ(full.size(), 1024u);
    ASSERT_EQ(quiet.size(), 1024u);
    for (size_t i = 0; i < full.size(); ++i) EXPECT_FLOAT_EQ(quiet[i], 0.25f * full[i]);
  }
  // The two-stroke firing dies away after the first quarter.
  const std::vector<float>& two = builtin_two_stroke_table()->cell(0, 1).recording->samples;
  EXPECT_FLOAT_EQ(two[300], 0);
  EXPECT_NE(two[100], 0);
  // The four-stroke one keeps ringing.
  EXPECT_NE(builtin_four_stroke_table()->cell(0, 1).recording->samples[600], 0);
}

}  // namespace
