#include "robot/line_plan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "robot/line_geometry.h"
#include "robot/line_prune.h"
#include "tests/robot/robot_fixture.h"

namespace {
TEST(LineCost, ByPlanType) {
  struct Case {
    int runs, failures;
    int type;
    double cost;
  } cases[] = {
      // mean over the segment is 500 in every tried case
      {5, 0, 0, 500},          {4, 0, 0, kUnusable},     {5, 5, 0, 500 + 320},
      {5, 5, 1, 500 + 640 * 8.0 / 14}, {1, 6, 1, kUnusable}, {7, 7, 1, 500 + 640 * 8.0 / 14},
      {1, 0, 2, 500},          {0, 3, 2, kUnusable},     {3, 1, 2, 500 + 640},  // 4/4 share: the clamp
      {6, 1, 2, 500 + 640 * 4.0 / 7},
      {0, 0, 3, 0},            {0, 6, 3, 100000},        {1, 5, 3, 100000},
      {2, 5, 3, 1000 * (5 + 4)},  // r + 4f = 22: 5 bits
      {1, 0, 3, 1000 * (1 + 4)},  {0, 2, 3, 1000 * (4 + 4)},
  };
  for (const Case& c : cases) {
    Line l = tried_line(straight(0, 0, 0, -10, 3), c.runs, 500, c.failures);
    EXPECT_NEAR(line_cost(l, c.type), c.cost, 1e-9) << c.runs << " " << c.failures << " type " << c.type;
  }
}

TEST(Continuation, CentreOfTheCircleThroughTheLastThreePoints) {
  // Points on a circle of radius 50 about (100, -200).
  auto on_circle = [](double a) { return point_at(100 + 50 * std::cos(a), -200 + 50 * std::sin(a)); };
  const Continuation c = continuation_of(on_circle(0.1), on_circle(0.3), on_circle(0.5));
  EXPECT_NEAR(c.x, 100, 1e-3);
  EXPECT_NEAR(c.z, -200, 1e-3);
  EXPECT_NEAR(c.radius, 50, 1e-3);
  // Straight, or curving less than the far radius: the centre goes out on
  // the side the path turns to, kFarRadius away.
  const Continuation s = continuation_of(point_at(0, 0), point_at(0, -10), point_at(0, -20));
  EXPECT_DOUBLE_EQ(s.radius, kFarRadius);
  EXPECT_NEAR(std::hypot(s.x, s.z + 20), kFarRadius, 1e-6);
  // A middle point bulging to -x puts the centre out on +x, and the other
  // way round; a circle just inside the far radius agrees.
  const Continuation bulge_left = continuation_of(point_at(0, 0), point_at(-0.0001, -10), point_at(0, -20));
  EXPECT_GT(bulge_left.x, kFarRadius / 2);
  const Continuation bulge_right = continuation_of(point_at(0, 0), point_at(0.0001, -10), point_at(0, -20));
  EXPECT_LT(bulge_right.x, -kFarRadius / 2);
  const double r = 90000, phi = 1e-4;
  const Continuation big = continuation_of(point_at(r * (1 - std::cos(phi)), 9), point_at(0, 0),
                                           point_at(r * (1 - std::cos(phi)), -9));
  EXPECT_GT(big.x, 0.8 * r);
  EXPECT_LT(big.radius, kFarRadius);
  // A bike that stood still: its own spot, at distance 0.
  const Continuation still = continuation_of(point_at(3, 4), point_at(3, 4), point_at(3, 4));
  EXPECT_DOUBLE_EQ(still.radius, 0);
  EXPECT_DOUBLE_EQ(still.x, 3);
  for (const Continuation& k : {c, s, bulge_left, bulge_right, big, still}) EXPECT_TRUE(std::isfinite(k.x) && std::isfinite(k.z));
}

// A runs north (-z) along x = 0 and ends at z = -20; B starts where it
// ends, shifted sideways.
TEST(Linking, RulesAtTheirThresholds) {
  struct Case {
    const char* what;
    double x0, x1;        // B's first two points, sideways
    double a_speed, b_speed;
    int a_points, b_points;
    bool links;
  } cases[] = {
      {"straight on", 0, 0, 30, 30, 3, 2, true},
      {"2.4 ft aside", 2.4, 2.4, 30, 30, 3, 2, true},
      {"2.6 ft aside", 2.6, 2.6, 30, 30, 3, 2, false},
      {"-2.4 ft aside", -2.4, -2.4, 30, 30, 3, 2, true},
      {"drifting 1.9 ft", 0, 1.9, 30, 30, 3, 2, true},
      {"drifting 2.1 ft", 0, 2.1, 30, 30, 3, 2, false},
      {"15 ft/s slower", 0, 0, 45, 30, 3, 2, true},
      {"15.1 ft/s slower", 0, 0, 45.1, 30, 3, 2, false},
      {"B starts in the air", 0, 0, 45, -30, 3, 2, true},
      {"A ends in the air", 0, 0, -45.1, 30, 3, 2, false},
      {"A of two points", 0, 0, 30, 30, 2, 2, false},
      {"B of one point", 0, 0, 30, 30, 3, 1, false},
  };
  for (const Case& c : cases) {
    Line a, b;
    a.points = straight(0, 0, 0, -20 * (c.a_points - 1) / 2.0, c.a_points, 30);
    a.points.back().speed = static_cast<float>(c.a_speed);
    b.points = {point_at(c.x0, -30, c.b_speed), point_at(c.x1, -40, 30)};
    b.points.resize(static_cast<size_t>(c.b_points));
    EXPECT_EQ(lines_link(a, b), c.links) << c.what;
  }
}

TEST(Linking, OnACurveTheNextLineMustStayOnTheCircle) {
  auto on = [](double r, double a) { return point_at(r * std::cos(a), r * std::sin(a)); };
  Line a, on_circle, outside, cutting_in;
  a.points = {on(50, 0), on(50, 0.2), on(50, 0.4)};
  on_circle.points = {on(50, 0.6), on(50, 0.8)};
  outside.points = {on(53, 0.6), on(53, 0.8)};
  cutting_in.points = {on(50, 0.6), on(47.5, 0.8)};
  EXPECT_TRUE(lines_link(a, on_circle));
  EXPECT_FALSE(lines_link(a, outside));
  EXPECT_FALSE(lines_link(a, cutting_in));
}

// Lines in lanes along -z: a lane's line links only to the same lane of
// the next segment.
struct PlanTest : ::testing::Test {
  LineTable table;
  LogCapture log;
  PlanTest() { lines_reset(table, make_gates({0, 1, 2}, {0, 1, 2})); }
  int lane(int segment, double x, double mean, int runs = 5) {
    const int slot = put_line(table, segment,
                              tried_line(straight(x, -100.0 * segment, x, -100.0 * segment - 90, 10), runs, mean));
    return table.segments[segment][slot].id;
  }
};

TEST_F(PlanTest, ThePlanTakesTheCheapestLinkedChain) {
  const int a0 = lane(0, 0, 100), a1 = lane(1, 0, 100), a2 = lane(2, 0, 100);
  lane(0, 10, 90);  // cheaper to start with, but its lane is slow later
  lane(1, 10, 300);
  lane(2, 10, 100);
  lane(1, 20, 10);  // cheapest of all, but nothing leads into it
  lane(2, 20, 100);
  plan_laps(table, 0);
  const LapPlan& plan = table.plans[0];
  EXPECT_EQ(plan.chosen[0], a0);
  EXPECT_EQ(plan.chosen[1], a1);
  EXPECT_EQ(plan.chosen[2], a2);
  EXPECT_DOUBLE_EQ(plan.first_lap, 300.0 / 128);
  EXPECT_TRUE(log.has("First lap: 2.343750\n"));
  EXPECT_TRUE(log.has("Normal lap: 0.000000\n"));
  // The chain's totals from each start, worked back from the end.
  WindowPlan w;
  plan_window(table, {0, 1, 2}, 0, w);
  EXPECT_DOUBLE_EQ(w.total[0][0], 300);
  EXPECT_DOUBLE_EQ(w.total[0][1], 90 + 300 + 100);
  EXPECT_DOUBLE_EQ(w.total[1][2], 10 + 100);
  EXPECT_EQ(w.next[0][0], 0);
  EXPECT_EQ(window_best(w, 0), 0);
}

TEST_F(PlanTest, UnusableLinesAndBrokenChainsCostButDoNotStopThePlan) {
  lane(0, 0, 100);
  const int b1 = lane(1, 30, 100);  // no line leads into it
  lane(2, 30, 100, 2);              // too few runs for type 0
  plan_laps(table, 0);
  EXPECT_EQ(table.plans[0].chosen[1], b1);
  EXPECT_DOUBLE_EQ(table.plans[0].first_lap, (100 + kUnusable + 100 + kUnusable) / 128);
  // Type 2 takes a line of one run; the break still costs.
  plan_laps(table, 2);
  EXPECT_DOUBLE_EQ(table.plans[2].first_lap, (100 + kUnusable + 100 + 100) / 128);
}

TEST_F(PlanTest, AnEmptySegmentEndsTheChainWithoutCost) {
  lane(0, 0, 100);
  lane(2, 50, 100);
  plan_laps(table, 0);
  EXPECT_DOUBLE_EQ(table.plans[0].first_lap, 200.0 / 128);
  EXPECT_EQ(table.plans[0].chosen[1], 0);
}

// 45 lines in a first-lap segment: the one crossing all the others goes
// first, then the one eviction picks, leaving 43.
TEST(Pruning, CrowdedFirstLapSegmentsLoseTheCrossingAndTheWorstLines) {
  LineTable table;
  lines_reset(table, make_gates({0, 1}, {0}));
  for (int i = 0; i < kLineSlots - 2; ++i)
    put_line(table, 0, tried_line(straight(3.0 * i, 0, 3.0 * i, -100, 10), 5, 100));
  const int slow = put_line(table, 0, tried_line(straight(200, 0, 200, -100, 10), 5, 900));
  const int across = put_line(table, 0, tried_line(straight(-10, -50, 300, -55, 10), 5, 100));
  // Normal-lap segments are left alone.
  for (int i = 0; i < kLineSlots; ++i) put_line(table, 2, tried_line(straight(-10, -50, 300, -55 + i, 10), 0, 100));
  prune_lines(table);
  int left = 0;
  for (const Line& l : table.segments[0]) left += l.empty() ? 0 : 1;
  EXPECT_EQ(left, 43);
  EXPECT_TRUE(table.segments[0][across].empty());
  EXPECT_TRUE(table.segments[0][slow].empty());
  int normal = 0;
  for (const Line& l : table.segments[2]) normal += l.empty() ? 0 : 1;
  EXPECT_EQ(normal, kLineSlots);
}

// Of lines crossing equally many others the one that has done worse goes.
TEST(Pruning, OfEqualCrossersTheWorseGoes) {
  LineTable table;
  lines_reset(table, make_gates({0, 1}, {0}));
  for (int i = 0; i < kLineSlots - 2; ++i)
    put_line(table, 0, tried_line(straight(3.0 * i, 0, 3.0 * i, -100, 10), 5, 100));
  // Two lines across all the others (and each other): one fast, one slow.
  const int fast = put_line(table, 0, tried_line(straight(-10, -40, 300, -60, 10), 5, 100));
  const int slow = put_line(table, 0, tried_line(straight(-10, -60, 300, -40, 10), 5, 400));
  prune_lines(table);
  EXPECT_FALSE(table.segments[0][fast].empty());
  EXPECT_TRUE(table.segments[0][slow].empty());
}

TEST(Polylines, CrossingSeenFromAbove) {
  const auto a = straight(0, 0, 0, -100, 30);
  EXPECT_TRUE(polylines_cross(a, straight(-5, -50, 5, -51, 2)));
  EXPECT_TRUE(polylines_cross(a, straight(-5, -93, 5, -97, 40)));
  EXPECT_FALSE(polylines_cross(a, straight(1, 0, 1, -100, 30)));
  EXPECT_FALSE(polylines_cross(a, straight(0, -100, 10, -150, 3)));  // touching ends
  EXPECT_FALSE(polylines_cross(a, {}));
}
}  // namespace
