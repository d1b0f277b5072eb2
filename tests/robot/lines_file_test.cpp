#include "robot/lines_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/robot/robot_fixture.h"

namespace {
// Three segments (every gate a switch point): 2 + 1.
const TimingGates kGates = make_gates({0, 1}, {2});

struct LinesFileTest : ::testing::Test {
  TempDir dir;
  LineTable table;
  LinesFileTest() { lines_reset(table, kGates); }
  std::string write(const std::string& text) const { return dir.write("lines", text); }
  int read(const std::string& path) {
    lines_reset(table, kGates);
    return lines_read(table, path.c_str());
  }
  std::vector<const Line*> lines_of(int segment) const {
    std::vector<const Line*> out;
    for (const Line& l : table.segments[segment])
      if (!l.empty()) out.push_back(&l);
    return out;
  }
};

// A table of varied lines: statistics of every size, airborne points.
LineTable sample_table(unsigned seed) {
  LineTable t;
  lines_reset(t, kGates);
  std::mt19937 random(seed);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  for (int s = 0; s < 3; ++s)
    for (int k = 0; k < 3 + s; ++k) {
      std::vector<LinePoint> pts;
      const int n = 2 + static_cast<int>(random() % 12);
      for (int i = 0; i < n; ++i)
        pts.push_back(point_at(uniform(-500, 1500), uniform(-500, 1500), uniform(-60, 60), uniform(0, 80),
                               uniform(-1, 1)));
      Line l = tried_line(std::move(pts), static_cast<int>(random() % 100), 300 + k * 17, static_cast<int>(random() % 9));
      l.time_first = 200 + static_cast<int>(random() % 1000);
      l.time_both = l.time_first * 2;
      put_line(t, s, std::move(l));
    }
  return t;
}

void expect_same_line(const Line& a, const Line& b) {
  EXPECT_EQ(a.time_first, b.time_first);
  EXPECT_EQ(a.time_both, b.time_both);
  EXPECT_EQ(a.runs, b.runs);
  EXPECT_EQ(a.best_first, b.best_first);
  EXPECT_EQ(a.best_both, b.best_both);
  EXPECT_EQ(a.sum_first, b.sum_first);
  EXPECT_EQ(a.sum_both, b.sum_both);
  EXPECT_EQ(a.failures, b.failures);
  ASSERT_EQ(a.point_count(), b.point_count());
  for (int i = 0; i < a.point_count(); ++i) {
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(a.points[i].position[k], b.points[i].position[k], 1e-3);
    EXPECT_NEAR(a.points[i].speed, b.points[i].speed, 1e-5);
    EXPECT_NEAR(a.points[i].lean, b.points[i].lean, 1e-5);
  }
}

bool same_line(const Line& a, const Line& b) {
  if (a.point_count() != b.point_count() || a.runs != b.runs || a.sum_both != b.sum_both ||
      a.failures != b.failures || a.time_first != b.time_first)
    return false;
  for (int i = 0; i < a.point_count(); ++i)
    if (std::fabs(a.points[i].lean - b.points[i].lean) > 1e-5 ||
        std::fabs(a.points[i].position[0] - b.points[i].position[0]) > 1e-3)
      return false;
  return true;
}

// Every line read back is one of the originals, in its own segment.
void expect_lines_from(const LineTable& read, const LineTable& original) {
  for (int s = 0; s < 3; ++s)
    for (const Line& l : read.segments[s]) {
      if (l.empty()) continue;
      bool found = false;
      for (const Line& o : original.segments[s]) found = found || (!o.empty() && same_line(l, o));
      EXPECT_TRUE(found) << "segment " << s;
    }
}

int stored_lines(const LineTable& t) {
  int n = 0;
  for (const LineSlots& slots : t.segments)
    for (const Line& l : slots) n += l.empty() ? 0 : 1;
  return n;
}

TEST_F(LinesFileTest, WrittenLinesReadBackTheSame) {
  const LineTable original = sample_table(7);
  const std::string path = dir.file("lines_expert");
  ASSERT_TRUE(lines_write(original, path.c_str()));
  EXPECT_FALSE(file_exists(path + ".new"));
  ASSERT_EQ(read(path), stored_lines(original));
  for (int s = 0; s < 3; ++s) {
    std::vector<const Line*> got = lines_of(s);
    int k = 0;
    for (const Line& o : original.segments[s]) {
      if (o.empty()) continue;
      ASSERT_LT(k, static_cast<int>(got.size()));
      expect_same_line(*got[k++], o);
    }
  }
  // Ids are given afresh and are unique.
  std::vector<int> ids;
  for (const LineSlots& slots : table.segments)
    for (const Line& l : slots)
      if (!l.empty()) ids.push_back(l.id);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
  // Writing what was read gives the same file.
  const std::string again = dir.file("again");
  ASSERT_TRUE(lines_write(table, again.c_str()));
  EXPECT_EQ(slurp(again), slurp(path));
}

TEST_F(LinesFileTest, SavedInTheHomeFolderAndLoadedForTheTrack) {
  DataSandbox box;
  const LineTable original = sample_table(3);
  ASSERT_TRUE(save_lines(original, "hill", 1));
  EXPECT_TRUE(file_exists(box.home() + "/hill/lines_amateur"));
  box.rescan();
  EXPECT_EQ(load_lines(table, kGates, "hill", 1), stored_lines(original));
  EXPECT_EQ(load_lines(table, kGates, "hill", 2), 0);  // no expert file
  EXPECT_EQ(stored_lines(table), 0);
  EXPECT_EQ(line_file_path("hill", 0), "@hill/lines_novice");
  EXPECT_EQ(line_file_name(3), nullptr);
}

TEST_F(LinesFileTest, AFileForAnotherSegmentCountOrNoLinesFileIsIgnored) {
  LogCapture log;
  EXPECT_EQ(read(write("ct03 4\n0\n0\n0\n0\n")), -1);
  EXPECT_TRUE(log.has("is for 4 segments, the track has 3: ignored"));
  EXPECT_EQ(read(write("ct02 3\n")), -1);
  EXPECT_EQ(read(write("")), -1);
  EXPECT_TRUE(log.has("is not a lines file: ignored"));
  EXPECT_EQ(read(dir.file("missing")), -1);
  // Any white space goes, and empty segments are fine.
  EXPECT_EQ(read(write("\n  ct03\t3  \r\n0\n1\n 2 10 20 0 1000000 1000000 0 0 0\r\n"
                       "[ 1 2 3 ] 4 5\n\t[1.5 2 3]4 -5\n\n0\n")),
            1);
  ASSERT_EQ(lines_of(1).size(), 1u);
  EXPECT_FLOAT_EQ(lines_of(1)[0]->points[1].position[0], 1.5f);
  EXPECT_FLOAT_EQ(lines_of(1)[0]->points[1].lean, -5);
}

// Statistics beyond the limits are brought within them, keeping the line
// and, where there are runs, its mean times.
TEST(LineStatistics, LargeValuesAreHalvedNotDropped) {
  struct Case {
    int64_t runs, sum_first, sum_both, failures;
    int64_t want_runs, want_first, want_both, want_failures;
  } cases[] = {
      // Within the limits: unchanged.
      {10, 5000, 10000, 3, 10, 5000, 10000, 3},
      // Sum too big: halved with its runs, twice.
      {131072, 200000000, 400000000, 70000, 32768, 50000000, 100000000, 17500},
      // Odd runs: the ratio is runs/2 over runs, so the mean stays.
      {65537, 65537000, 131074000, 0, 32768, 32768000, 65536000, 0},
      // No runs: the sums halve instead of dividing by zero.
      {0, 150000000, 300000000, 0, 0, 37500000, 75000000, 0},
      // One run with a huge sum: one halving leaves no runs.
      {1, 60000000, 120000000, 0, 0, 0, 0, 0},
      // Failures far above: sixteen halvings, then the cap.
      {0, 0, 0, int64_t{1} << 40, 0, 0, 0, 65535},
      // Beyond 32 bits: still no overflow.
      {int64_t{1} << 40, int64_t{1} << 50, int64_t{1} << 51, 0, 65535, 100000000, 100000000, 0},
      // Negative values from a file.
      {-5, -1, -7, -2, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    int64_t runs = c.runs, first = c.sum_first, both = c.sum_both, failures = c.failures;
    line_statistics_scale(runs, first, both, failures);
    EXPECT_EQ(runs, c.want_runs) << c.runs;
    EXPECT_EQ(first, c.want_first) << c.runs;
    EXPECT_EQ(both, c.want_both) << c.runs;
    EXPECT_EQ(failures, c.want_failures) << c.runs;
  }
}

TEST_F(LinesFileTest, LargeStatisticsInAFileAreScaledOnReading) {
  ASSERT_EQ(read(write("ct03 3\n1\n2 100 200 131072 90 180 200000000 400000000 70000\n"
                       "[0 0 0] 1 0\n[1 0 0] 1 0\n0\n0\n")),
            1);
  const Line& l = *lines_of(0)[0];
  EXPECT_EQ(l.runs, 32768);
  EXPECT_EQ(l.sum_first, 50000000);
  EXPECT_EQ(l.sum_both, 100000000);
  EXPECT_EQ(l.failures, 17500);
  EXPECT_EQ(l.best_first, 90);
}

TEST_F(LinesFileTest, ExtraLinesOfAFullSegmentAreReadAndDiscarded) {
  std::string text = "ct03 3\n50\n";
  for (int i = 0; i < 50; ++i) text += "1 100 200 0 1000000 1000000 0 0 0\n[" + std::to_string(i) + " 0 0] 1 0\n";
  text += "1\n1 100 200 0 1000000 1000000 0 0 0\n[7 7 7] 1 0\n0\n";
  EXPECT_EQ(read(write(text)), kLineSlots + 1);
  EXPECT_EQ(lines_of(0).size(), static_cast<size_t>(kLineSlots));
  EXPECT_FLOAT_EQ(lines_of(0).back()->points[0].position[0], kLineSlots - 1);
  ASSERT_EQ(lines_of(1).size(), 1u);
  EXPECT_FLOAT_EQ(lines_of(1)[0]->points[0].position[0], 7);
}

// A point count from the file sizes the line: beyond the cap the line is
// dropped with a log line, and the lines after it still load.
TEST_F(LinesFileTest, AnOversizedPointCountDropsOnlyThatLine) {
  LogCapture log;
  const std::string text =
      "ct03 3\n2\n2000000000 100 200 0 1000000 1000000 0 0 0\n[0 0 0] 1 0\n[1 0 0] 1 0\n"
      "1 100 200 0 1000000 1000000 0 0 0\n[5 0 0] 1 0\n1\n-3 1 1 1 1 1 1 1 1\n[0 0 0] 1 0\n0\n";
  EXPECT_EQ(read(write(text)), 1);
  EXPECT_TRUE(log.has("has 2000000000 points (at most 4096)"));
  EXPECT_TRUE(log.has("dropped (negative point count)"));
  ASSERT_EQ(lines_of(0).size(), 1u);
  EXPECT_FLOAT_EQ(lines_of(0)[0]->points[0].position[0], 5);
}

// Damage inside the file costs the lines it touches and no others, even
// when it hits a segment's count.
TEST_F(LinesFileTest, DamageLosesOnlyTheLinesItTouches) {
  const std::string good =
      "ct03 3\n"
      "2\n"
      "2 100 200 0 1000000 1000000 0 0 0\n[0 0 0] 1 0\n[1 0 0] 1 0\n"
      "2 100 200 0 1000000 1000000 0 0 0\n[2 0 0] 1 0\n[3 0 0] 1 0\n"
      "2\n"
      "2 100 200 0 1000000 1000000 0 0 0\n[4 0 0] 1 0\n[5 0 0] 1 0\n"
      "2 100 200 0 1000000 1000000 0 0 0\n[6 0 0] 1 0\n[7 0 0] 1 0\n"
      "1\n"
      "2 100 200 0 1000000 1000000 0 0 0\n[8 0 0] 1 0\n[9 0 0] 1 0\n";
  struct Case {
    const char* from;
    const char* to;
    std::vector<int> lost;  // first x of each lost line
  } cases[] = {
      {"[1 0 0] 1 0", "[1 0 #] 1 0", {0}},               // a damaged point
      {"[2 0 0] 1 0\n", "", {2}},                         // a missing point
      {"2\n2 100 200 0 1000000 1000000 0 0 0\n[4", "x\n2 100 200 0 1000000 1000000 0 0 0\n[4", {}},  // a lost count
      {"2\n2 100 200 0 1000000 1000000 0 0 0\n[4", "1\n2 100 200 0 1000000 1000000 0 0 0\n[4", {}},  // a wrong count
      {"2 100 200 0 1000000 1000000 0 0 0\n[6", "2 100 200 0 10 %00000 0 0 0\n[6", {6}},  // damaged statistics
  };
  for (const Case& c : cases) {
    std::string text = good;
    const size_t at = text.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    text.replace(at, std::string(c.from).size(), c.to);
    read(write(text));
    std::vector<int> firsts[3];
    for (int s = 0; s < 3; ++s)
      for (const Line* l : lines_of(s)) firsts[s].push_back(static_cast<int>(l->points[0].position[0]));
    // Lines stay in their own segments: 0 and 2 in 0, 4 and 6 in 1, 8 in 2.
    const std::vector<int> want[3] = {{0, 2}, {4, 6}, {8}};
    for (int s = 0; s < 3; ++s) {
      std::vector<int> expected;
      for (int x : want[s])
        if (std::find(c.lost.begin(), c.lost.end(), x) == c.lost.end()) expected.push_back(x);
      EXPECT_EQ(firsts[s], expected) << "segment " << s << " after '" << c.from << "'";
    }
  }
}

// A file cut short anywhere keeps exactly the complete lines before the cut.
TEST_F(LinesFileTest, AFileCutShortKeepsTheCompleteLines) {
  const LineTable original = sample_table(11);
  const std::string full_path = dir.file("full");
  ASSERT_TRUE(lines_write(original, full_path.c_str()));
  const std::string full = slurp(full_path);
  int last = 0;
  const size_t step = std::max<size_t>(1, full.size() / 400);
  for (size_t cut = 0; cut <= full.size(); cut += step) {
    read(write(full.substr(0, cut)));
    const int n = stored_lines(table);
    EXPECT_GE(n, last) << cut;
    last = n;
    expect_lines_from(table, original);
  }
  read(write(full));
  EXPECT_EQ(stored_lines(table), stored_lines(original));
  // Cut in the middle of the last number of a point: that line goes.
  read(write(full.substr(0, full.size() - 3)));
  EXPECT_EQ(stored_lines(table), stored_lines(original) - 1);
}

// Random bytes, random text made of the file's own words, and single flipped
// bytes in a good file never crash and never invent a line.
TEST_F(LinesFileTest, RandomBytesLoadWhatTheyCanAndNeverCrash) {
  const LineTable original = sample_table(5);
  const std::string good_path = dir.file("good");
  ASSERT_TRUE(lines_write(original, good_path.c_str()));
  const std::string good = slurp(good_path);
  const int all = stored_lines(original);
  std::mt19937 random(20240617);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const size_t n = random() % 3000;
    if (round % 3 == 0) {
      for (size_t i = 0; i < n; ++i) text.push_back(static_cast<char>(random()));
    } else if (round % 3 == 1) {
      static const char* const words[] = {"ct03 3\n", "1\n", "45\n", "2 1 1 1 1 1 1 1 1\n", "[1 2 3] 4 5\n",
                                          "[nan 0 0] 1 1\n", "9999 1 2 3 4 5 6 7 8\n", "[", "]", " ", "\n", "-"};
      text = "ct03 3\n";
      while (text.size() < n) text += words[random() % std::size(words)];
    } else {
      // Past the header, which would make the whole file another's.
      text = good;
      for (int flips = 1 + static_cast<int>(random() % 3); flips > 0; --flips)
        text[7 + random() % (text.size() - 7)] = static_cast<char>(random());
    }
    const int got = read(write(text));
    EXPECT_GE(got, -1);
    EXPECT_LE(got, kLineSlots * 3);
    for (const LineSlots& slots : table.segments)
      for (const Line& l : slots) {
        if (l.empty()) continue;
        EXPECT_LE(l.point_count(), kMaxLinePoints);
        EXPECT_LE(l.sum_both, kStatSumLimit);
        EXPECT_LE(l.runs, kStatCountLimit);
        EXPECT_GE(l.time_first, 1);
        for (const LinePoint& p : l.points) EXPECT_TRUE(std::isfinite(p.speed) && std::isfinite(p.position[0]));
      }
    if (round % 3 == 2) {
      // A flipped byte touches one or two text lines, hence few lines.
      EXPECT_GE(got, all - 6) << round;
    }
  }
}
}  // namespace
