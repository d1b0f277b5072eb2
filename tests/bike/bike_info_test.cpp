// The bike catalogue: the measured rows, the drivetrain of every row, the
// shared values and finding rows by name.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bike/bike_info.h"
#include "platform/log.h"
#include "tests/support/test_env.h"

namespace {

const double kPi = 3.14159265358979;
// The rear tyre's outer radius: ring radius plus tube radius.
double rear_rolling_radius(const BikeInfo& b) { return b.rear_wheel.ring_radius + b.rear_wheel.tube_radius; }

double speed_mph(const BikeInfo& b, int gear, double rpm) {
  double wheel = rpm * 2 * kPi / 60 / bike_total_ratio(b, gear);
  return wheel * rear_rolling_radius(b) * 15.0 / 22.0;
}

int peak_index(const BikeInfo& b) {
  int best = 0;
  for (int i = 1; i < kTorqueMapPoints; i++)
    if (b.full_throttle_torque[i] > b.full_throttle_torque[best]) best = i;
  return best;
}

TEST(BikeCatalogue, HoldsTheFortyFiveModelsInOrder) {
  const std::vector<std::string> names = {
      "crf450(2013)", "kx450f(2013)", "rmz450(2013)", "yz450f(2013)", "450sxf(2013)", "350sxf(2013)",
      "crf450(2011)", "kx450f(2011)", "rmz450(2011)", "yz450f(2011)", "450sxf(2011)", "350sxf(2011)",
      "250sx(2012)", "cr250(2007)", "kx250(2006)", "rm250(2008)", "yz250(2012)", "crf250(2013)",
      "kx250f(2013)", "rmz250(2013)", "yz250f(2013)", "250sxf(2013)", "crf250(2009)", "kx250f(2009)",
      "rmz250(2009)", "yz250f(2009)", "250sxf(2009)", "crf250(2008)", "kx250f(2008)", "rmz250(2008)",
      "yz250f(2008)", "cr125", "kx125", "rm125", "yz125", "125sx", "crf250(2007)", "kx250f(2007)",
      "rmz250(2007)", "yz250f(2007)", "yz250f_se(2006)", "rs50cr", "rs50kx", "rs50rm", "rs50yz"};
  ASSERT_EQ(bike_info_count(), 45);
  for (int i = 0; i < 45; i++) EXPECT_EQ(bike_info_at(i)->name, names[static_cast<size_t>(i)]) << i;
  EXPECT_EQ(bike_info_at(-1), nullptr);
  EXPECT_EQ(bike_info_at(45), nullptr);
}

// The five rows whose drivetrains come from measurements, value for value.
struct MeasuredRow {
  const char* name;
  float primary, countershaft, rear;
  std::vector<float> gears;
  std::vector<float> full;
};

const MeasuredRow kMeasured[] = {
    {"crf450(2013)", 2.73913f, 13, 48, {1.8f, 1.47059f, 1.23529f, 1.05f, 0.909091f, -1},
     {5, 5, 5, 5, 5, 8, 11, 14.1f, 22.2f, 22.5f, 25.8f, 29.3f, 30.2f, 30.7f, 31, 30.9f, 30.1f, 29.3f, 27.2f,
      25.6f, 24.2f, 21.9f, 18.8f, 14.4f, 0, -10, -11, -12, -13, -14, -15, -16, -17, -18, -19, -20, -21, -22,
      -23, -24, -25, -26, -27, -28, -29, -30, -31, -32, -33, -34}},
    {"cr250(2007)", 3, 13, 49, {1.8f, 1.47059f, 1.21053f, 1, 0.869565f, -1},
     {5, 5, 5, 5, 7.5f, 12.5f, 17.507f, 20.558f, 22.453f, 21.825f, 25.735f, 28.075f, 28.624f, 30.139f, 31.588f,
      32.843f, 30.791f, 27.867f, 22.993f, 17.028f, 9.401f, 0, -10, -10.5f, -11, -11.5f, -12, -12.5f, -13,
      -13.5f, -14, -14.5f, -15, -15.5f, -16, -16.5f, -17, -17.5f, -18, -18.5f, -19, -19.5f, -20, -20.5f, -21,
      -21.5f, -22, -22.5f, -23, -23.5f}},
    {"crf250(2013)", 3.16667f, 13, 49, {2.35714f, 1.88235f, 1.55f, 1.33333f, 1.13636f, -1},
     {5, 5, 5, 5, 5, 6.4f, 7.9f, 9.4f, 10.8f, 11.5f, 11.76f, 11.46f, 12.55f, 13.84f, 16.46f, 18.35f, 18.61f,
      18.58f, 18.65f, 18.35f, 18.15f, 17.22f, 16.39f, 15.14f, 14.51f, 13.88f, 12.95f, 12, 0, -13.5f, -14,
      -14.5f, -15, -15.5f, -16, -16.5f, -17, -17.5f, -18, -18.5f, -19, -19.5f, -20, -20.5f, -21, -21.5f, -22,
      -22.5f, -23, -23.5f}},
    {"yz125", 3.36842f, 13, 48, {2.38462f, 1.93333f, 1.58824f, 1.35294f, 1.2f, 1.09524f},
     {5, 5, 5, 5, 5, 6, 7.1f, 8.2f, 9.3f, 10.4f, 11.555f, 10.791f, 10.504f, 12.12f, 13.13f, 13.655f, 13.787f,
      14.273f, 14.881f, 15.369f, 15.861f, 15.706f, 15.661f, 15.163f, 13.655f, 5.042f, 0, 0, -1, -1, -2, -2,
      -3, -3, -4, -4, -5, -5, -6, -6, -7, -7, -8, -8, -9, -9, -10, -10, -11, -11}},
    {"rs50yz", 3.71429f, 12, 55, {3.09091f, 2, 1.5f, 1.2f, 1.04545f, 0.956522f},
     {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1.101f, 1.91f, 1.751f, 2.02f, 2.101f, 2.311f, 2.823f, 3.584f, 4.143f,
      4.312f, 3.729f, 3.601f, 3.772f, 3.562f, 2.67f, 1.681f, 0.808f, 0, -0.5f, -0.5f, -1, -1, -1.5f, -1.5f,
      -2, -2, -2.5f, -2.5f, -3, -3, -3.5f, -3.5f, -4, -4, -4.5f, -4.5f, -5, -5, -5.5f, -5.5f}},
};

TEST(BikeCatalogue, MeasuredRowsMatchTheirMeasurements) {
  for (const MeasuredRow& m : kMeasured) {
    SCOPED_TRACE(m.name);
    const BikeInfo* b = findBikeInfo(m.name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->primary_ratio, m.primary);
    EXPECT_EQ(b->countershaft_teeth, m.countershaft);
    EXPECT_EQ(b->rear_sprocket_teeth, m.rear);
    ASSERT_EQ(m.gears.size(), static_cast<size_t>(kGearSlots));
    for (int g = 0; g < kGearSlots; g++) EXPECT_EQ(b->gear_ratios[g], m.gears[static_cast<size_t>(g)]) << g;
    ASSERT_EQ(m.full.size(), static_cast<size_t>(kTorqueMapPoints));
    for (int i = 0; i < kTorqueMapPoints; i++)
      EXPECT_EQ(b->full_throttle_torque[i], m.full[static_cast<size_t>(i)]) << "point " << i;
  }
}

TEST(BikeCatalogue, ClosedThrottleIdlesAt1500AndBrakesToTheLimiter) {
  for (int i = 0; i < bike_info_count(); i++) {
    const BikeInfo& b = *bike_info_at(i);
    SCOPED_TRACE(b.name);
    const float* c = b.closed_throttle_torque;
    EXPECT_EQ(c[0], 2);
    EXPECT_EQ(c[1], 2);
    EXPECT_EQ(c[2], 1);
    EXPECT_EQ(c[3], 0);
    float unit = b.bike_class == "50" ? 0.5f : 1.0f;
    // Pairs of equal steps: -1, -1, -2, -2 ... (halved for the 50s).
    for (int k = 4; k < kTorqueMapPoints; k++) EXPECT_EQ(c[k], -unit * static_cast<float>((k - 2) / 2)) << k;
    EXPECT_EQ(c[kTorqueMapPoints - 1], -23 * unit);
  }
}

// Bounds per class: top speed (mph) in top gear at the upshift rpm and the
// full-throttle peak (ft*lbf).
struct ClassBounds {
  const char* bike_class;
  int gears;
  double top_speed_min, top_speed_max;
  double peak_min, peak_max;
};
const ClassBounds kBounds[] = {
    {"450f", 5, 78, 98, 24, 36}, {"250", 5, 65, 80, 28, 36}, {"250f", 5, 62, 82, 15, 27},
    {"125", 6, 60, 75, 13, 18}, {"50", 6, 45, 62, 3, 6},
};

const ClassBounds* bounds_for(const std::string& bike_class) {
  for (const ClassBounds& c : kBounds)
    if (bike_class == c.bike_class) return &c;
  return nullptr;
}

TEST(BikeCatalogue, EveryDrivetrainIsSaneForItsClass) {
  for (int i = 0; i < bike_info_count(); i++) {
    const BikeInfo& b = *bike_info_at(i);
    SCOPED_TRACE(b.name);
    const ClassBounds* cb = bounds_for(b.bike_class);
    ASSERT_NE(cb, nullptr) << b.bike_class;

    // Gears: consecutive from first, ratios strictly falling, missing slots
    // marked <= 0.
    int gears = bike_gear_count(b);
    EXPECT_EQ(gears, cb->gears);
    for (int g = 1; g < gears; g++) EXPECT_LT(b.gear_ratios[g], b.gear_ratios[g - 1]) << "gear " << g;
    for (int g = gears; g < kGearSlots; g++) EXPECT_LE(b.gear_ratios[g], 0) << "slot " << g;
    EXPECT_EQ(bike_total_ratio(b, gears), 0.0f);
    EXPECT_GT(b.primary_ratio, 2);
    EXPECT_LT(b.primary_ratio, 4);
    EXPECT_GE(b.countershaft_teeth, 12);
    EXPECT_GT(b.rear_sprocket_teeth, 3 * b.countershaft_teeth);

    // Speeds at the upshift rpm climb gear by gear, and the next gear picks
    // up above the downshift rpm, so automatic shifting does not hunt. (The
    // 50s keep the measured rs50yz box with its wide low gears, whose
    // first two upshifts land below their 9400 rpm downshift point.)
    for (int g = 1; g < gears; g++) {
      EXPECT_GT(speed_mph(b, g, b.upshift_rpm), speed_mph(b, g - 1, b.upshift_rpm));
      double rpm_after_shift = b.upshift_rpm * bike_total_ratio(b, g) / bike_total_ratio(b, g - 1);
      if (b.bike_class != "50" || g > 2) {
        EXPECT_GT(rpm_after_shift, b.downshift_rpm) << "upshift into gear " << g;
      }
    }
    double top = speed_mph(b, gears - 1, b.upshift_rpm);
    EXPECT_GE(top, cb->top_speed_min);
    EXPECT_LE(top, cb->top_speed_max);

    // Full throttle: flat bottom, one peak below the upshift rpm, still
    // pulling at the upshift rpm, cut to 0, then a falling limiter.
    const float* f = b.full_throttle_torque;
    EXPECT_GT(f[0], 0);
    EXPECT_EQ(f[0], f[3]);
    int peak = peak_index(b);
    EXPECT_GE(f[peak], cb->peak_min);
    EXPECT_LE(f[peak], cb->peak_max);
    EXPECT_LT(peak * kTorqueMapStepRpm, b.upshift_rpm);
    EXPECT_GT(f[static_cast<int>(b.upshift_rpm / kTorqueMapStepRpm)], 0.25f * f[peak]);
    int cut = peak;
    while (cut < kTorqueMapPoints && f[cut] > 0) cut++;
    ASSERT_LT(cut, kTorqueMapPoints - 1);
    EXPECT_EQ(f[cut], 0);
    EXPECT_GT(cut * kTorqueMapStepRpm, b.upshift_rpm);
    for (int k = cut + 1; k < kTorqueMapPoints; k++) EXPECT_LE(f[k], f[k - 1]) << k;
    EXPECT_LT(f[kTorqueMapPoints - 1], 0);
  }
}

TEST(BikeCatalogue, BigBikesOutrunSmallOnes) {
  auto top = [](const char* name) {
    const BikeInfo* b = findBikeInfo(name);
    return speed_mph(*b, bike_gear_count(*b) - 1, b->upshift_rpm);
  };
  EXPECT_GT(top("crf450(2013)"), top("cr125") + 10);
  EXPECT_GT(top("kx450f(2013)"), top("kx250f(2013)") + 5);
  EXPECT_GT(top("yz125"), top("rs50yz") + 5);
}

struct FamilyCase {
  const char* name;
  const char* bike_class;
  float frame_mass, rider_mass, inertia, stiffness;
  float down, up, max;
};

TEST(BikeCatalogue, FamilyValuesFollowTheModel) {
  const FamilyCase cases[] = {
      {"crf450(2013)", "450f", 4.735f, 5.46875f, 0.0088501f, 7500, 6000, 10500, 12000},
      {"350sxf(2013)", "250f", 4.735f, 5.46875f, 0.00683594f, 7500, 6000, 10500, 12000},
      {"350sxf(2011)", "450f", 4.735f, 5.46875f, 0.00683594f, 7500, 6000, 10500, 12000},
      {"yz250(2012)", "250", 4.36562f, 5.46875f, 0.00683594f, 7500, 6000, 9000, 10500},
      {"yz250f(2007)", "250f", 4.24f, 4.6875f, 0.00488281f, 7500, 8000, 12500, 13250},
      {"kx125", "125", 3.65375f, 4.6875f, 0.00488281f, 7500, 9400, 12000, 12750},
      {"rm125", "125", 3.65375f, 4.6875f, 0.00488281f, 7500, 9400, 12000, 13750},
      {"rs50kx", "50", 3.34125f, 4.6875f, 0.00119358f, 1200, 9400, 12000, 12750},
      {"rs50rm", "50", 3.34125f, 4.6875f, 0.00119358f, 1200, 9400, 12000, 13750},
  };
  for (const FamilyCase& c : cases) {
    SCOPED_TRACE(c.name);
    const BikeInfo* b = findBikeInfo(c.name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->bike_class, c.bike_class);
    EXPECT_EQ(b->frame_mass, c.frame_mass);
    EXPECT_EQ(b->rider_mass, c.rider_mass);
    EXPECT_EQ(b->engine_inertia, c.inertia);
    EXPECT_EQ(b->driveline_stiffness, c.stiffness);
    EXPECT_EQ(b->downshift_rpm, c.down);
    EXPECT_EQ(b->upshift_rpm, c.up);
    EXPECT_EQ(b->max_rpm, c.max);
  }
}

TEST(BikeCatalogue, SharedValuesAndFileNames) {
  const BikeInfo* se = findBikeInfo("yz250f_se(2006)");
  const BikeInfo* small = findBikeInfo("rs50cr");
  ASSERT_NE(se, nullptr);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(se->frame_model, "@yz250f_frame.jm");
  EXPECT_EQ(se->side_plates_model, "@yz250f_side_plates.jm");
  EXPECT_EQ(se->bike_texture, "@yz250f_se.png");
  EXPECT_EQ(small->fork_lower_model, "@cr125_fork_lower.jm");
  EXPECT_EQ(small->bike_texture, "@cr125.png");

  for (const BikeInfo* b : {se, small}) {
    EXPECT_EQ(b->rear_wheel.position[2], 6.0f);
    EXPECT_EQ(b->front_wheel.ring_radius, 0.833333f);
    EXPECT_EQ(b->swingarm_pivot[1], 1.58f);
    EXPECT_EQ(b->rider_mass_position[2], 4.12f);
    EXPECT_EQ(b->rider_slide_range[0], -0.666667f);
    EXPECT_EQ(b->rider.left_grip[0], -1.097f);
    EXPECT_EQ(b->rider.shin_length, 1.701f);
    EXPECT_EQ(b->skeleton, rider_skeleton);
    EXPECT_EQ(b->frame_shape, "@generic_frame.shp");
    EXPECT_EQ(b->rider_shape, "@generic_rider.shp");
    EXPECT_EQ(b->wheel_texture, "@wheels.png");
    EXPECT_EQ(b->rider_plate_model, "@rider_plate.jm");
  }
}

TEST(BikeNames, FindsExactAndOldNamesOnly) {
  struct Case {
    const char* asked;
    const char* found;  // null: none
  };
  const Case cases[] = {
      {"kx250f", "kx250f(2008)"},  {"crf250", "crf250(2008)"}, {"rmz250", "rmz250(2008)"},
      {"yz250f", "yz250f(2008)"},  {"cr125", "cr125"},         {"yz250f_se(2006)", "yz250f_se(2006)"},
      {"KX250F(2008)", nullptr},   {"kx250f(2008) ", nullptr}, {"kx450f", nullptr},
      {"", nullptr},               {nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked ? c.asked : "(null)");
    const BikeInfo* b = findBikeInfo(c.asked);
    if (!c.found) {
      EXPECT_EQ(b, nullptr);
    } else {
      ASSERT_NE(b, nullptr);
      EXPECT_EQ(b->name, c.found);
    }
  }
}

// A new bike always gets a row; an unknown name is logged with the row used.
class BikeSubstitute : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TARN_LOGFILE", log_path.c_str(), 1);
    tarn_log_reset_for_tests();
  }
  void TearDown() override {
    tarn_log_reset_for_tests();
    unsetenv("TARN_LOGFILE");
  }
  std::string log_text() {
    tarn_log(nullptr);  // close so everything is on disk
    return slurp(log_path);
  }
  TempDir dir;
  std::string log_path = dir.file("log.txt");
};

TEST_F(BikeSubstitute, UnknownNamesGetAClassRowAndALogLine) {
  struct Case {
    const char* asked;
    const char* chosen;
    const char* logged;  // null: nothing logged
  };
  const Case cases[] = {
      {"kx250f(2008)", "kx250f(2008)", nullptr},
      {"kx250f", "kx250f(2008)", nullptr},
      {"my_old_125", "cr125", "bike info for 'my_old_125' not found using 'cr125' instead\n"},
      {"ktm450exc", "kx250f(2013)", "bike info for 'ktm450exc' not found using 'kx250f(2013)' instead\n"},
      {"", "kx250f(2013)", "bike info for '' not found using 'kx250f(2013)' instead\n"},
      {nullptr, "kx250f(2013)", "bike info for '' not found using 'kx250f(2013)' instead\n"},
      // The name is cut to 20 characters in the log.
      {"a_very_long_bike_name_indeed", "kx250f(2013)",
       "bike info for 'a_very_long_bike_nam' not found using 'kx250f(2013)' instead\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked ? c.asked : "(null)");
    tarn_log_reset_for_tests();
    std::remove(log_path.c_str());
    const BikeInfo* b = choose_bike_info(c.asked);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->name, c.chosen);
    std::string text = log_text();
    if (c.logged)
      EXPECT_NE(text.find(c.logged), std::string::npos) << text;
    else
      EXPECT_EQ(text.find("not found"), std::string::npos) << text;
  }
}

}  // namespace
