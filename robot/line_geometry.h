// Geometry of lines: how one line continues another, where a bike is along
// a path, and whether two lines cross.
#pragma once
#include <vector>

#include "robot/lines.h"

// How a path's last three points go on: the centre of the circle through
// them (horizontally), and its distance from the last point. A straight run
// puts the centre far out on its side (a circle of kFarRadius); points that
// do not move put it on the last point, at distance 0.
constexpr double kFarRadius = 100000;
struct Continuation {
  double x = 0, z = 0;
  double radius = 0;
};
Continuation continuation_of(const LinePoint& a, const LinePoint& b, const LinePoint& c);
// Horizontal distance from the continuation's centre to a point.
double continuation_distance(const Continuation& c, const LinePoint& p);

// Whether line b (of the next segment) may follow line a: b starts on the
// circle a ends on (within 2.5 ft), heads along it (its first two points
// within 2 ft of the same distance from the centre), and a does not end
// more than 15 ft/s faster than b starts. a needs 3 points, b 2.
bool lines_link(const Line& a, const Line& b);

// The nearest place on a path to a point, searched over the path steps
// first .. last - 1: the fractional index, the step it lies on and the 3-D
// distance to it. A path of one point gives index 0.
struct PathPlace {
  double index = 0;
  int step = 0;
  double distance = 0;
};
PathPlace nearest_on_path(const std::vector<LinePoint>& path, int first, int last, const double position[3]);

// Whether the two polylines cross (seen from above).
bool polylines_cross(const std::vector<LinePoint>& a, const std::vector<LinePoint>& b);

double horizontal_distance(const LinePoint& a, const LinePoint& b);
double distance_squared(const LinePoint& a, const LinePoint& b);
