// 'krsim ride' as a program: a bike standing on flat ground as its CSV
// shows it, scripts, and bad arguments and scripts refused with a message.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_env.h"

namespace {

const std::string kKrsim = std::string(KR_BINARY_DIR) + "/tools/krsim";

struct RideRun {
  int status = -1;
  std::string out, err;
};

RideRun ride(const std::string& args, const std::string& input = "") {
  TempDir dir;
  const std::string in = dir.write("in", input);
  const std::string command = "KR_HOME='" + std::string(KR_GAME_DIR) + "' '" + kKrsim + "' ride " + args + " <'" +
                              in + "' >'" + dir.file("out") + "' 2>'" + dir.file("err") + "'";
  RideRun r;
  const int raw = std::system(command.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = slurp(dir.file("out"));
  r.err = slurp(dir.file("err"));
  return r;
}

std::vector<std::vector<double>> rows_of(const std::string& csv, std::string& header) {
  std::istringstream in(csv);
  std::getline(in, header);
  std::vector<std::vector<double>> rows;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<double> row;
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, ',')) row.push_back(std::stod(cell));
    rows.push_back(row);
  }
  return rows;
}

enum Column { Step, T, X, Y, Z, Speed, Mph, Roll, Pitch, Heading, Fork, Swingarm, FrontLoad, RearLoad, Rpm, Gear,
              Clutch, Crash, Gates, kColumns };

TEST(KrsimRide, FlatGroundSettlesAndCarriesTheWeight) {
  const RideRun r = ride("--flat --steps 1024 --every 16");
  ASSERT_EQ(r.status, 0) << r.err;
  std::string header;
  const auto rows = rows_of(r.out, header);
  EXPECT_EQ(header,
            "step,t,x,y,z,speed,mph,roll,pitch,heading,fork,swingarm,front_load,rear_load,rpm,gear,clutch,crash,gates");
  ASSERT_EQ(rows.size(), 1024u / 16 + 1);
  for (const auto& row : rows) ASSERT_EQ(row.size(), size_t(kColumns));
  EXPECT_EQ(rows[0][Step], 0);
  EXPECT_EQ(rows.back()[Step], 1024);
  EXPECT_DOUBLE_EQ(rows.back()[T], 8.0);
  // After two seconds (row 16) nothing moves, and the tyres carry the
  // crf450(2013) with its rider: 446.68 lbf, the rear about half.
  const auto& settled = rows[16];
  for (size_t k = 16; k < rows.size(); ++k) {
    const auto& row = rows[k];
    EXPECT_NEAR(row[X], settled[X], 0.01);
    EXPECT_NEAR(row[Y], settled[Y], 0.01);
    EXPECT_NEAR(row[Z], settled[Z], 0.01);
    EXPECT_LT(row[Speed], 0.01);
    EXPECT_NEAR(row[Pitch], settled[Pitch], 1e-3);
    EXPECT_NEAR(row[FrontLoad] + row[RearLoad], 446.68, 0.02 * 446.68);
    const double rear = row[RearLoad] / (row[FrontLoad] + row[RearLoad]);
    EXPECT_GT(rear, 0.45);
    EXPECT_LT(rear, 0.55);
    EXPECT_GT(row[Fork], 0.05);
    EXPECT_LT(row[Swingarm], -0.02);
    // The engine idles at 1500 rpm in first gear, clutch out.
    EXPECT_NEAR(row[Rpm], 1500, 25);
    EXPECT_EQ(row[Gear], 1);
    EXPECT_EQ(row[Clutch], 1);
    EXPECT_EQ(row[Crash], 0);
  }
  EXPECT_NE(r.err.find("ODE messages: 0\n"), std::string::npos) << r.err;
}

TEST(KrsimRide, ScriptValuesHoldFromTheirStep) {
  const RideRun r = ride("--flat --steps 64 --every 16 --script -",
                     "# lever pulled in at step 20, let out at 40\n"
                     "20 clutch=1 throttle=0.5\n"
                     "\n"
                     "40 clutch=0.25   # half way\n");
  ASSERT_EQ(r.status, 0) << r.err;
  std::string header;
  const auto rows = rows_of(r.out, header);
  ASSERT_EQ(rows.size(), 5u);
  // The clutch column is the engagement the lever gives: out (1) at rest,
  // in (0) at once, then let out toward 1 - 0.25 * 8/7 at 4 per second.
  const double expected[] = {1, 1, 0, 0.25, 0.714};
  for (size_t k = 0; k < rows.size(); ++k) EXPECT_DOUBLE_EQ(rows[k][Clutch], expected[k]) << k;
}

TEST(KrsimRide, StartsOnTheFirstGateSlotOfATrack) {
  for (const char* track : {"rabbithill", "gullyrun"}) {
    SCOPED_TRACE(track);
    const RideRun r = ride(std::string("--track ") + track + " --steps 32 --every 32");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string header;
    const auto rows = rows_of(r.out, header);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_GT(rows[1][FrontLoad] + rows[1][RearLoad], 0);
    EXPECT_NE(r.err.find("ODE messages: 0\n"), std::string::npos) << r.err;
  }
}

TEST(KrsimRide, BadArgumentsAndScriptsGetAMessageAndExitOne) {
  TempDir dir;
  const std::string script = dir.write("bad.txt", "10 throttle=0.5\n12 warp=9\n");
  struct Case {
    std::string args, input, message;
  };
  const Case cases[] = {
      {"--wobble", "", "unknown argument '--wobble'"},
      {"--steps abc", "", "--steps wants a whole number"},
      {"--steps", "", "--steps needs a value"},
      {"--every 0", "", "--every wants a whole number"},
      {"--at 1,2", "", "--at wants X,Z,HEADING"},
      {"--at 1,2,x", "", "--at wants X,Z,HEADING"},
      {"--flat --track rabbithill", "", "exclude each other"},
      {"--bike nosuchbike --flat", "", "unknown bike 'nosuchbike'"},
      {"--flat --script /no/such/file", "", "can't open script '/no/such/file'"},
      {"--flat --script " + script, "", "line 2: 'warp=9' is not name=value with a control name"},
      {"--flat --script -", "5 throttle=2\n", "throttle wants a number from 0 to 1, not '2'"},
      {"--flat --script -", "5 steer=nan\n", "steer wants a number"},
      {"--flat --script -", "five throttle=1\n", "'five' is not a step number"},
      {"--flat --script -", "-3 throttle=1\n", "'-3' is not a step number"},
      {"--flat --script -", "7\n", "step 7 sets no control"},
      {"--flat --script -", "7 throttle\n", "'throttle' is not name=value"},
      {"--track nosuchtrack", "", "track 'nosuchtrack' did not load"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args + " | " + c.input);
    const RideRun r = ride(c.args, c.input);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  const RideRun help = ride("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: krsim ride"), std::string::npos);
}

// Random bytes as a script: refused with a message naming a line, never a
// crash or a run on garbage.
TEST(KrsimRide, RandomBytesAsAScriptAreRefused) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 8; ++trial) {
    std::string bytes(64 + trial * 40, '\0');
    for (char& b : bytes) b = char(rng() & 0xff);
    bytes[0] = 'x';  // never a comment-only or empty file
    const RideRun r = ride("--flat --steps 4 --script -", bytes);
    EXPECT_EQ(r.status, 1) << trial;
    EXPECT_NE(r.err.find("standard input line"), std::string::npos) << r.err;
  }
}

}  // namespace
