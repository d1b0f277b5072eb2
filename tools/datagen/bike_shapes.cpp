// The seven shared bike collision shapes. Every bike is built on the same
// chassis, so one set of sphere outlines serves them all. The outlines are
// laid out in the bike's creation pose (world feet, facing -z, x to the
// right) around the catalogue's part positions and then written relative to
// the body they belong to, which is what the ".shp" format wants.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bike/bike_info.h"
#include "tools/datagen/datagen.h"

namespace {

struct Point {
  double x, y, z;
};

Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point operator*(Point a, double s) { return {a.x * s, a.y * s, a.z * s}; }
Point lerp(Point a, Point b, double t) { return a + (b - a) * t; }
Point from(const float p[3]) { return {p[0], p[1], p[2]}; }
Point mirrored(Point p) { return {-p.x, p.y, p.z}; }

// How a part feels when it hits another part or an object (the lower of two
// values wins there); against the ground only the friction counts.
struct Surface {
  double friction, stiffness, damping;
};
// Tyres: rubber, grippy and stiff; the same as the tyre-against-part rule.
constexpr Surface kTyre = {1.0, 25000, 2500};
// Frame, tank and engine: hard plastic and alloy that slide.
constexpr Surface kChassis = {0.5, 20000, 2000};
// Fork and swingarm: metal tubes and castings.
constexpr Surface kMetal = {0.4, 20000, 2000};
// The rider: a body in padded kit gives a lot and grabs.
constexpr Surface kRider = {0.8, 6000, 600};

class ShapeText {
 public:
  ShapeText(Point body_position, Surface surface) : origin_(body_position), surface_(surface) {}

  // A sphere at a creation-pose point.
  void add(Point world, double radius) { spheres_.push_back({world - origin_, radius}); }
  // A sphere and its twin on the other side of the bike.
  void add_pair(Point world, double radius) {
    add(world, radius);
    add(mirrored(world), radius);
  }
  // count spheres spaced evenly from a to b, both ends included.
  void add_line(Point a, Point b, int count, double radius) {
    for (int i = 0; i < count; i++) add(lerp(a, b, count > 1 ? double(i) / (count - 1) : 0.0), radius);
  }
  void add_line_pair(Point a, Point b, int count, double radius) {
    add_line(a, b, count, radius);
    add_line(mirrored(a), mirrored(b), count, radius);
  }

  std::string text() const {
    std::string out = std::to_string(spheres_.size()) + "\n";
    char line[160];
    for (const Sphere& s : spheres_) {
      std::snprintf(line, sizeof line, "%.4f %.4f %.4f %.4f %g %g %g\n", clean(s.centre.x), clean(s.centre.y),
                    clean(s.centre.z), s.radius, surface_.friction, surface_.stiffness, surface_.damping);
      out += line;
    }
    return out;
  }

 private:
  struct Sphere {
    Point centre;
    double radius;
  };
  // No "-0.0000" in the files.
  static double clean(double v) { return std::fabs(v) < 0.00005 ? 0.0 : v; }

  Point origin_;
  Surface surface_;
  std::vector<Sphere> spheres_;
};

// A tyre: sixteen tube-sized spheres round the ring, in the wheel's plane.
std::string wheel_shape(const BikeWheelInfo& w) {
  Point centre = from(w.position);
  ShapeText s(centre, kTyre);
  const double pi = 3.14159265358979;
  for (int i = 0; i < 16; i++) {
    double a = i * pi / 8;
    s.add(centre + Point{0, w.ring_radius * std::cos(a), w.ring_radius * std::sin(a)}, w.tube_radius);
  }
  return s.text();
}

// Frame, tank, seat, engine and exhaust, between the steering head and the
// rear fender.
std::string frame_shape(const BikeInfo& b) {
  ShapeText s(from(b.frame_position), kChassis);
  Point head = from(b.fork_upper_position);
  Point pivot = from(b.swingarm_pivot);
  Point rear_axle = from(b.rear_wheel.position);
  // Steering head and the tank behind it.
  s.add(head + Point{0, 0.25, 0.1}, 0.3);
  s.add({0, 3.2, 2.85}, 0.42);
  s.add({0, 3.15, 3.45}, 0.42);
  // Radiator shrouds either side of the tank, where the knees grip.
  s.add_pair({0.42, 2.85, 2.6}, 0.3);
  s.add_pair({0.45, 2.4, 2.75}, 0.28);
  // Seat from the tank to the end of the subframe, then the fender tip
  // hanging over the rear tyre.
  s.add_line({0, 3.2, 4.0}, {0, 3.25, 5.4}, 4, 0.26);
  s.add({0, 3.2, rear_axle.z + 0.1}, 0.2);
  // Side panels with the number plates, the silencer on the right.
  s.add_pair({0.34, 2.95, 4.85}, 0.26);
  s.add({0.45, 2.85, 5.45}, 0.24);
  s.add({0.42, 2.5, 4.5}, 0.2);
  // Engine: cylinder under the tank, crankcase and the skid plate below,
  // gearbox ahead of the swingarm pivot.
  s.add({0, 2.45, 2.95}, 0.38);
  s.add({0, 1.9, 3.25}, 0.5);
  s.add({0, 1.5, 3.55}, 0.38);
  s.add(pivot + Point{0, 0.05, -0.35}, 0.35);
  // Footpegs stick out and drag first when the bike is laid down.
  Point peg = from(b.frame_position) + from(b.rider.right_footpeg);
  s.add_pair(peg, 0.12);
  return s.text();
}

// Triple clamps, the two upper fork tubes, handlebar and the number plate.
std::string fork_upper_shape(const BikeInfo& b) {
  Point top = from(b.fork_upper_position);
  Point lower = from(b.fork_lower_position);
  Point axle = from(b.front_wheel.position);
  ShapeText s(top, kMetal);
  // The legs run parallel to the steering axis through the axle.
  Point axis = top - lower;
  axis = axis * (1.0 / std::sqrt(axis.y * axis.y + axis.z * axis.z));
  double half = b.fork_leg_spacing / 2;
  Point leg_low = axle + axis * 1.3 + Point{half, 0, 0};
  Point leg_high = axle + axis * 2.4 + Point{half, 0, 0};
  s.add_line_pair(leg_low, leg_high, 4, 0.15);
  // Handlebar, grip to grip, above the clamps.
  Point grip = top + from(b.rider.right_grip);
  s.add_line(mirrored(grip), grip, 5, 0.14);
  s.add(top + Point{0, 0.6, 0.35}, 0.15);  // bar clamps
  // Front number plate ahead of the head, the fender over the tyre.
  s.add(top + Point{0, 0.2, -0.35}, 0.28);
  s.add({0, axle.y + b.front_wheel.ring_radius + b.front_wheel.tube_radius + 0.2, axle.z + 0.15}, 0.2);
  s.add({0, axle.y + b.front_wheel.ring_radius + b.front_wheel.tube_radius + 0.1, axle.z - 0.5}, 0.16);
  return s.text();
}

// The lower legs from the axle lugs up to where they slide into the tubes.
std::string fork_lower_shape(const BikeInfo& b) {
  Point top = from(b.fork_upper_position);
  Point lower = from(b.fork_lower_position);
  Point axle = from(b.front_wheel.position);
  ShapeText s(lower, kMetal);
  Point axis = top - lower;
  axis = axis * (1.0 / std::sqrt(axis.y * axis.y + axis.z * axis.z));
  double half = b.fork_leg_spacing / 2;
  s.add_line_pair(axle + Point{half, 0, 0}, axle + axis * 1.2 + Point{half, 0, 0}, 4, 0.13);
  return s.text();
}

// Two arms from the pivot to the rear axle, the linkage hanging under the
// pivot and the chain guide at the bottom of the left arm.
std::string swingarm_shape(const BikeInfo& b) {
  Point pivot = from(b.swingarm_pivot);
  Point axle = from(b.rear_wheel.position);
  ShapeText s(from(b.swingarm_position), kMetal);
  double half = b.frame_box[0] / 2;
  s.add_line_pair(pivot + Point{half, 0, 0.15}, axle + Point{half, 0, 0}, 5, 0.14);
  s.add(pivot + Point{0, -0.35, 0.45}, 0.22);
  s.add(lerp(pivot, axle, 0.45) + Point{-half, -0.2, 0}, 0.13);
  return s.text();
}

// A rider seated on the bike, feet on the pegs and hands on the grips:
// helmet, torso leaning over the tank, elbows up and out, thighs along the
// seat and tank, knees at the shrouds, shins down toward the pegs (the
// boots and pegs themselves are the frame's).
std::string rider_shape(const BikeInfo& b) {
  const RiderGeometry& r = b.rider;
  Point mass = from(b.rider_mass_position);
  ShapeText s(mass, kRider);
  Point head = mass + from(r.head);
  Point shoulder = mass + from(r.right_shoulder);
  Point hip = mass + from(r.right_hip);
  Point neck = Point{0, shoulder.y, shoulder.z};
  Point pelvis = Point{0, hip.y, hip.z};

  s.add(head, 0.42);
  s.add_line(pelvis, neck, 4, 0.44);
  s.add_pair(shoulder - Point{0.12, 0.05, 0}, 0.25);

  // Arms bent between shoulder and grip, elbow out to the side.
  Point grip = from(b.fork_upper_position) + from(r.right_grip);
  Point elbow = shoulder + Point{0.72, -0.38, 0.38};
  s.add_pair(lerp(shoulder, elbow, 0.5), 0.18);
  s.add_pair(elbow, 0.17);
  s.add_pair(lerp(elbow, grip, 0.5), 0.15);

  // Legs: hip to knee along the seat, knee to mid-shin toward the peg.
  Point peg = from(b.frame_position) + from(r.right_footpeg);
  Point knee = hip + Point{0.3, -0.85, -0.98};
  s.add_pair(lerp(hip, knee, 0.5), 0.26);
  s.add_pair(knee, 0.22);
  s.add_pair(lerp(knee, peg, 0.45), 0.2);
  return s.text();
}

}  // namespace

void gen_bike_shapes(DataSet& ds) {
  // Every row shares the chassis; the first row's positions stand for all.
  const BikeInfo& b = *bike_info_at(0);
  ds.add_core("generic_frame.shp", frame_shape(b));
  ds.add_core("generic_fork_upper.shp", fork_upper_shape(b));
  ds.add_core("generic_fork_lower.shp", fork_lower_shape(b));
  ds.add_core("generic_swingarm.shp", swingarm_shape(b));
  ds.add_core("generic_rider.shp", rider_shape(b));
  ds.add_core("front_wheel.shp", wheel_shape(b.front_wheel));
  ds.add_core("rear_wheel.shp", wheel_shape(b.rear_wheel));
}
