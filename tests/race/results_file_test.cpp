#include "race/results_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "tests/race/race_fixture.h"
#include "tests/support/test_env.h"

namespace {

constexpr int kStart = 1664;

// Three riders of a 2-lap race on the small course. Slot 3 takes 10 s a
// gate; slot 0 too, but it cuts from gate 3 to 5 in 5 s and crosses the
// line first; slot 5 takes 12 s a gate. The field rode 3..5 in 20 s and
// 24 s, so the cut costs 22 + 1 - 5 = 18 s and slot 0 drops behind slot 3.
struct ThreeRiders {
  SmallRace r{0, 0, 2, kStart};
  std::vector<RiderLabel> labels = {{0, "7", "yz250f(2008)"}, {3, "42", "cr125"}, {5, "999", "kx125"}};
  RaceIdentity identity{"rabbithill", 1700000000};

  void add(int slot, std::vector<int> relative) {
    for (int& s : relative)
      if (s != kNoStep) s += kStart;
    r.bikes.push_back(timing_with(relative));
    r.riders.push_back({slot, &r.bikes.back()});
  }
  static std::vector<int> every(int steps) {
    std::vector<int> v;
    for (int g = 0; g < 8; ++g) v.push_back(steps * (g + 1));
    return v;
  }
  ThreeRiders() {
    add(0, {1280, 2560, 3840, 5120, kNoStep, 5760, 7040, 8320});
    add(3, every(1280));
    add(5, every(1536));
  }
  bool finish() { return update_standings(r.race, r.gates, r.riders); }
  std::string text() { return results_text(r.race, r.gates, r.riders, labels, identity); }
  bool write() { return write_results(r.race, r.gates, r.riders, labels, identity); }
};

const char* const kThreeRidersText =
    "Time=0.00|Laps=2|Track=rabbithill|Date=1700000000\r\n"
    " No. |         Bike | Laps | Total Time | BLap |  Best Time\r\n"
    "  42 |        cr125 |    2 |   1:20.000 |    2 |   0:50.000\r\n"
    "   7 | yz250f(2008) |    2 |   1:23.000 |    2 |   0:35.000\r\n"
    " 999 |        kx125 |    2 |   1:36.000 |    2 |   1:00.000\r\n"
    "\r\n8\r\n  10.000   20.000   30.000\r\n  40.000   50.000   60.000   70.000   80.000\r\n"
    "\r\n8\r\n  10.000   20.000   30.000\r\n  40.000       -1   45.000   55.000   65.000\r\n"
    "\r\n8\r\n  12.000   24.000   36.000\r\n  48.000   60.000   72.000   84.000   96.000\r\n";

TEST(ResultsText, EveryRiderInFinalOrder) {
  ThreeRiders t;
  ASSERT_TRUE(t.finish());
  EXPECT_EQ(t.r.race.standings[0].slot, 0);  // first over the line
  EXPECT_EQ(t.text(), kThreeRidersText);
}

TEST(ResultsText, OnlyFinishedRidersAreListed) {
  // Online, riders gone quiet keep no race open but are not in the file.
  SmallRace r(3, 0, 1, kStart);
  r.riders[0].counts = r.riders[2].counts = false;
  r.ride_through(0, 0, 1, kStart, 100);  // its gates all before the win
  r.ride_through(1, 0, 2, kStart, 128);
  ASSERT_TRUE(r.race.results_final);
  const std::vector<RiderLabel> labels = {{0, "1", "a"}, {1, "2", "b"}, {2, "3", "c"}};
  EXPECT_EQ(results_text(r.race, r.gates, r.riders, labels, {"t", 5}),
            "Time=0.00|Laps=1|Track=t|Date=5\r\n"
            " No. |         Bike | Laps | Total Time | BLap |  Best Time\r\n"
            "   2 |            b |    1 |   0:03.000 |    0 |   0:00.000\r\n"
            "\r\n3\r\n   1.000    2.000    3.000\r\n");
}

TEST(ResultsText, TimedRaceLineAndLongLabels) {
  ThreeRiders t;
  t.r.race.time_limit_steps = 20 * 60 * 128;
  t.labels[0].model = std::string(600, 'm');
  ASSERT_TRUE(t.finish());
  const std::string text = t.text();
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "Time=1200.00|Laps=2|Track=rabbithill|Date=1700000000");
  EXPECT_NE(text.find("   7 | " + std::string(600, 'm') + " |    2 |   1:23.000 |    2 |   0:35.000\r\n"),
            std::string::npos);
}

TEST(ResultsTime, MinutesSecondsThousandths) {
  const std::pair<int, const char*> cases[] = {
      {0, "  0:00.000"},        {1, "  0:00.007"},  // 7.8125 ms, cut
      {128, "  0:01.000"},      {7680, "  1:00.000"},     {153664, " 20:00.500"},
      {1280000, "166:40.000"},  {-5, "  0:00.000"},
  };
  for (auto [steps, text] : cases) EXPECT_EQ(results_time(steps), text) << steps;
}

struct ResultsFile : ::testing::Test {
  DataSandbox box;
  ThreeRiders t;
  std::string path() const { return box.home() + "/results.txt"; }
  std::string temporary() const { return box.home() + "/results.txt.tmp"; }
};

TEST_F(ResultsFile, WritesTheTextInTheHomeFolder) {
  box.write_home("results.txt", "an older race\r\n");
  ASSERT_TRUE(t.finish());
  ASSERT_TRUE(t.write());
  EXPECT_EQ(slurp(path()), kThreeRidersText);
  EXPECT_FALSE(file_exists(temporary()));
}

TEST_F(ResultsFile, NothingWhileTheLeaderHasNotFinished) {
  t.r.race.final_standings = {{0, 8, 9000}};
  EXPECT_TRUE(t.write());
  EXPECT_FALSE(file_exists(path()));
}

TEST_F(ResultsFile, AFileThatCannotBeMadeLeavesTheOldOne) {
  const std::string old = "an older race\r\n";
  box.write_home("results.txt", old);
  std::filesystem::create_directories(temporary());  // in the way
  ASSERT_TRUE(t.finish());
  EXPECT_FALSE(t.write());
  EXPECT_EQ(slurp(path()), old);
}

TEST_F(ResultsFile, AWriteThatFailsHalfWayLeavesTheOldOne) {
  const std::string old(4000, 'o');
  box.write_home("results.txt", old);
  ASSERT_TRUE(t.finish());
  // A file size limit makes the write fail after 100 bytes.
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = t.write();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_EQ(slurp(path()), old);
  EXPECT_FALSE(file_exists(temporary()));
}

}  // namespace
