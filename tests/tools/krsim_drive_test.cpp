// 'krsim ride' driving the bike: through the gears on the automatic gearbox
// and by hand, each gear topping out where its gearing meets the rev
// limiter; the closed throttle braking on the engine; the brakes bringing
// the bike to rest; ruts with --erode on the generated surfaces; roost
// with --roost; and the new options' bad values refused.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bike/bike_info.h"
#include "bike/terrain_contact.h"
#include "platform/units.h"
#include "tests/support/test_env.h"
#include "tests/tools/krsim_support.h"

namespace {

struct Ride {
  int status = -1;
  std::string err;
  std::vector<std::map<std::string, double>> rows;  // by column name
};

Ride ride(const std::string& args, const std::string& script = "") {
  TempDir dir;
  const std::string in = dir.write("script", script);
  const CommandResult r = run_command("KR_HOME='" + std::string(KR_GAME_DIR) + "' '" + krsim_path() +
                                          "' ride --script '" + in + "' " + args,
                                      dir.path);
  Ride out;
  out.status = r.status;
  out.err = r.err;
  std::istringstream lines(r.out);
  std::string header, line;
  std::getline(lines, header);
  std::vector<std::string> names;
  std::istringstream cells(header);
  for (std::string cell; std::getline(cells, cell, ',');) names.push_back(cell);
  while (std::getline(lines, line)) {
    std::map<std::string, double> row;
    std::istringstream values(line);
    std::string cell;
    for (size_t k = 0; k < names.size() && std::getline(values, cell, ','); ++k) row[names[k]] = std::stod(cell);
    out.rows.push_back(row);
  }
  return out;
}

// The engine speed where the full-throttle torque falls to zero past its
// peak: the rev limiter.
double rev_limit_rpm(const BikeInfo& info) {
  const float* m = info.full_throttle_torque;
  int i = int(std::max_element(m, m + kTorqueMapPoints) - m) + 1;
  for (; i < kTorqueMapPoints; ++i)
    if (m[i] <= 0) return kTorqueMapStepRpm * (i - 1 + m[i - 1] / (m[i - 1] - m[i]));
  return 0;
}

// The rear tyre's rolling radius under a load (lbf): the tyre's own spring
// squashes it until its force carries the load.
double rolling_radius(const BikeInfo& info, double load) {
  const double r = info.rear_wheel.tube_radius;
  double low = 0, high = r;
  for (int k = 0; k < 60; ++k) {
    const double d = (low + high) / 2;
    double stiffness, damping;
    tyre_spring(d / r, stiffness, damping);
    (stiffness * d > load ? high : low) = d;
  }
  return info.rear_wheel.ring_radius + r - low;
}

// The speed (ft/s) the gearing gives at an engine speed under a rear load.
double gearing_speed(const BikeInfo& info, int gear, double rpm, double load) {
  return rpm * 2 * kPi / 60 / bike_total_ratio(info, gear) * rolling_radius(info, load);
}

struct GearTop {
  double speed = 0, load = 0;
};

// Each gear's top speed and the rear load there; and whether the rpm fell
// at every upshift.
std::map<int, GearTop> gear_tops(const Ride& r, int& upshifts, bool& rpm_fell) {
  std::map<int, GearTop> tops;
  upshifts = 0;
  rpm_fell = true;
  for (size_t k = 0; k < r.rows.size(); ++k) {
    const auto& row = r.rows[k];
    const int gear = int(row.at("gear")) - 1;
    if (row.at("speed") > tops[gear].speed) tops[gear] = {row.at("speed"), row.at("rear_load")};
    if (k > 0 && gear != int(r.rows[k - 1].at("gear")) - 1) {
      EXPECT_EQ(gear, int(r.rows[k - 1].at("gear"))) << "one gear up at a time, at row " << k;
      ++upshifts;
      if (!(row.at("rpm") < r.rows[k - 1].at("rpm"))) rpm_fell = false;
    }
  }
  return tops;
}

const char kStraight[] = "--flat --stop-wheelies --at 2048,4090,0 --every 4";

TEST(KrsimDrive, ThroughTheGearsOnTheAutomaticGearbox) {
  const BikeInfo& info = *findBikeInfo("crf450(2013)");
  const Ride r = ride(std::string(kStraight) + " --auto-shift --steps 2560", "0 throttle=1\n");
  ASSERT_EQ(r.status, 0) << r.err;
  int upshifts;
  bool rpm_fell;
  const auto tops = gear_tops(r, upshifts, rpm_fell);
  EXPECT_EQ(upshifts, 4);
  EXPECT_TRUE(rpm_fell) << "the rpm drops at each upshift";
  const double limit = rev_limit_rpm(info);
  EXPECT_NEAR(limit, 12000, 1);
  ASSERT_EQ(tops.size(), 5u);
  for (const auto& [gear, top] : tops) {
    SCOPED_TRACE(gear + 1);
    // Never past the limiter in its gear; in the gears below the top one
    // the gearbox shifts up once the wheel passes the upshift rpm.
    EXPECT_LE(top.speed, 1.01 * gearing_speed(info, gear, limit, top.load));
    if (gear < 4) {
      EXPECT_GE(top.speed, 0.98 * gearing_speed(info, gear, info.upshift_rpm, top.load));
    }
  }
  // In top gear the bike runs up to the limiter.
  EXPECT_NEAR(tops.at(4).speed, gearing_speed(info, 4, limit, tops.at(4).load), 0.02 * tops.at(4).speed);
  for (const auto& row : r.rows) {
    EXPECT_EQ(row.at("roll"), 0) << "straight and upright";
    EXPECT_LE(row.at("rpm"), limit * 1.01);
  }
  EXPECT_NE(r.err.find("ODE messages: 0\n"), std::string::npos) << r.err;
}

// Held in each gear until it stops pulling: the top speed is the gearing's
// at the rev limiter.
TEST(KrsimDrive, EachGearTopsOutAtTheLimiter) {
  const BikeInfo& info = *findBikeInfo("crf450(2013)");
  const Ride r = ride(std::string(kStraight) + " --steps 4000",
                      "0 throttle=1\n900 shift=1\n910 shift=0\n1400 shift=1\n1410 shift=0\n"
                      "2000 shift=1\n2010 shift=0\n2700 shift=1\n2710 shift=0\n");
  ASSERT_EQ(r.status, 0) << r.err;
  int upshifts;
  bool rpm_fell;
  const auto tops = gear_tops(r, upshifts, rpm_fell);
  EXPECT_EQ(upshifts, 4);
  EXPECT_TRUE(rpm_fell);
  ASSERT_EQ(tops.size(), 5u);
  for (const auto& [gear, top] : tops) {
    const double expected = gearing_speed(info, gear, rev_limit_rpm(info), top.load);
    EXPECT_NEAR(top.speed, expected, 0.02 * expected) << "gear " << gear + 1;
  }
}

TEST(KrsimDrive, TheClosedThrottleBrakesOnTheEngine) {
  double lost[2];
  for (int pulled = 0; pulled < 2; ++pulled) {
    const Ride r = ride(std::string(kStraight) + " --steps 512 --every 128",
                        "0 throttle=1\n384 throttle=0 clutch=" + std::to_string(pulled) + "\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.rows.size(), 5u);
    EXPECT_GT(r.rows[3].at("speed"), 40);
    lost[pulled] = r.rows[3].at("speed") - r.rows[4].at("speed");
  }
  EXPECT_GT(lost[1], 0);
  EXPECT_GT(lost[0], 4 * lost[1]) << lost[0] << " against " << lost[1];
}

TEST(KrsimDrive, TheBrakesBringTheBikeToRest) {
  struct Case {
    const char* brakes;
    double within_seconds;
  };
  // The front brake alone stops it too, upright (antilock on the front, as
  // a new bike has it, and the stoppie release).
  for (const Case c : {Case{"front_brake=1 rear_brake=1", 3}, Case{"front_brake=1", 4}, Case{"rear_brake=1", 6}}) {
    SCOPED_TRACE(c.brakes);
    const Ride r = ride(std::string(kStraight) + " --steps 1400 --every 16",
                        std::string("0 throttle=1\n384 throttle=0 ") + c.brakes + "\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GT(r.rows[384 / 16].at("speed"), 40);
    double stopped_at = -1;
    for (const auto& row : r.rows) {
      if (row.at("step") <= 384) continue;
      if (stopped_at < 0 && row.at("speed") < 0.1) stopped_at = row.at("t") - 3;
      EXPECT_LT(std::fabs(row.at("pitch")), 0.3) << "at step " << row.at("step");
      EXPECT_GT(row.at("rear_load") + row.at("front_load"), 0);
    }
    EXPECT_GE(stopped_at, 0);
    EXPECT_LT(stopped_at, c.within_seconds);
    // At rest the engine idles: the automatic clutch kept it from stalling.
    EXPECT_NEAR(r.rows.back().at("rpm"), 1500, 15);
    EXPECT_LT(r.rows.back().at("speed"), 0.05);
  }
}

// A launch: three seconds of full throttle from rest spin the rear wheel.
const char kLaunch[] = "0 throttle=1\n384 throttle=0\n";

double ground_lowered(const std::string& err) {
  const size_t at = err.find("Ruts: ");
  if (at == std::string::npos) return -1;
  const size_t by = err.find("lowered by up to ", at);
  return by == std::string::npos ? -1 : std::stod(err.substr(by + 17));
}

TEST(KrsimDrive, ErodeDigsLooseDirtAndHardlyTouchesHardPack) {
  std::map<std::string, double> lowered;
  for (const char* surface : {"loose", "hardpack", "sand"}) {
    for (const char* amount : {"0", "100", "500"}) {
      SCOPED_TRACE(std::string(surface) + " " + amount);
      const Ride r = ride(std::string("--flat --stop-wheelies --steps 640 --every 640 --surface ") + surface +
                              " --erode " + amount,
                          kLaunch);
      ASSERT_EQ(r.status, 0) << r.err;
      const double dug = ground_lowered(r.err);
      if (std::string(amount) == "0") {
        EXPECT_NE(r.err.find("Ruts: 0 dug, the ground lowered by up to 0.000 ft and raised by up to 0.000 ft"),
                  std::string::npos)
            << r.err;
      } else if (std::string(amount) == "100") {
        lowered[surface] = dug;
      } else {
        EXPECT_EQ(dug, lowered[surface]) << "cut to 100";
      }
    }
  }
  EXPECT_GT(lowered["loose"], 0.25);
  EXPECT_GT(lowered["sand"], lowered["loose"]);
  EXPECT_LT(lowered["hardpack"], 0.1);
  EXPECT_LT(lowered["hardpack"], lowered["loose"] / 4);
  // Without --erode there is no such line.
  EXPECT_EQ(ground_lowered(ride("--flat --steps 16", kLaunch).err), -1);
}

TEST(KrsimDrive, RoostIsThrownAndCounted) {
  const Ride r = ride("--flat --surface sand --stop-wheelies --roost --steps 1024 --every 16", kLaunch);
  ASSERT_EQ(r.status, 0) << r.err;
  double most = 0;
  for (const auto& row : r.rows) {
    ASSERT_TRUE(row.count("particles"));
    EXPECT_LE(row.at("particles"), 2000);
    most = std::max(most, row.at("particles"));
  }
  EXPECT_GT(most, 100);
  EXPECT_EQ(r.rows.front().at("particles"), 0);
  // Standing still at the end: what was thrown has landed.
  const Ride still = ride("--flat --surface sand --roost --steps 1024 --every 1024", "0 throttle=1\n256 throttle=0 "
                                                                                     "front_brake=1 rear_brake=1\n");
  ASSERT_EQ(still.status, 0) << still.err;
  EXPECT_EQ(still.rows.back().at("particles"), 0);
  const Ride none = ride("--flat --surface sand --roostfrequency 0 --steps 256 --every 16", kLaunch);
  for (const auto& row : none.rows) EXPECT_EQ(row.at("particles"), 0);
  const Ride without = ride("--flat --steps 16 --every 16", kLaunch);
  EXPECT_FALSE(without.rows.front().count("particles"));
}

TEST(KrsimDrive, BadDriveOptionsGetAMessageAndExitOne) {
  struct Case {
    std::string args, message;
  };
  const Case cases[] = {
      {"--flat --antilock sideways", "--antilock wants front, rear, both or none, not 'sideways'"},
      {"--flat --antilock", "--antilock needs a value"},
      {"--flat --erode lots", "--erode wants a number, not 'lots'"},
      {"--flat --erode nan", "--erode wants a number"},
      {"--flat --roostfrequency 2.5", "--roostfrequency wants a whole number"},
      {"--flat --surface lava", "no tile 'lava'"},
      {"--track rabbithill --surface sand", "--surface is for --flat ground"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const Ride r = ride(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.rows.empty());
  }
}

}  // namespace
