// Bikes ridden on a long flat field by a control law, step by step, with
// readings of their engines and wheels.
#pragma once
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "bike/drivetrain.h"
#include "files/file_stream.h"
#include "platform/units.h"
#include "tests/bike/bike_fixture.h"
#include "track/tileinfo.h"

constexpr double kRpm = 60 / (2 * kPi);  // rad/s to rpm

// Where a torque curve falls to zero: the first crossing from positive to
// zero or below at or after `from_point`, interpolated in rpm.
inline double zero_crossing_rpm(const float* map, int from_point) {
  for (int i = std::max(from_point, 1); i < kTorqueMapPoints; ++i) {
    if (map[i - 1] > 0 && map[i] <= 0) return kTorqueMapStepRpm * (i - 1 + map[i - 1] / (map[i - 1] - map[i]));
  }
  return -1;
}

inline int peak_point(const float* map) { return int(std::max_element(map, map + kTorqueMapPoints) - map); }

class RideWorld : public BikeWorld {
 protected:
  void SetUp() override {
    BikeWorld::SetUp();
    ground = plane_ground(0, 0, 0, 9);  // 2048 ft across
  }
  // Near the +z edge facing -z, with the whole field ahead, clutch out.
  Bike& at_start(const char* name = "crf450(2013)") {
    Bike& b = make(name);
    EXPECT_TRUE(bike_place(b, ground, centre(), ground.world_size - 30, 0));
    b.controls.clutch = 1;
    return b;
  }
  // Steps with the controls set by `controls` before each step.
  void ride(int n, const std::function<void()>& controls) {
    for (int k = 0; k < n; ++k) {
      controls();
      step();
    }
  }
};

inline double speed_of(const Bike& b) { return length(velocity_of(b)); }

// A wheel's rolling speed over the ground: spin times the tyre's radius
// less its squash (positive rolling forward).
inline double rolling_speed(const Bike& b, int wheel) {
  const WheelContact& w = b.wheel[wheel];
  const Vec3 spin = unrotate(dBodyGetRotation(w.body), vec3_of(dBodyGetAngularVel(w.body)));
  return -spin.x * (w.ring_radius + w.tube_radius - w.depth);
}

// The tile types the generated tracks ride on (rabbithill's "tileinfo"),
// and the index of the one whose ground texture is named `surface`
// ("hardpack", "loose", "sand", "grass"), -1 for none.
inline std::vector<TileType> generated_tile_types() {
  Terrain tiles;
  tiles.method = MethodHardwareCopy;  // textures by name only
  tiles.exponent = 1;
  DataFilePtr f(open_data_file((std::string(KR_GAME_DIR) + "/rabbithill/tileinfo").c_str(), "rb"));
  if (f) tileinfo_read(tiles, f.get());
  tiles.tile_types.resize(size_t(tiles.tile_count));
  return tiles.tile_types;
}
inline int tile_named(const std::vector<TileType>& types, const std::string& surface) {
  for (size_t k = 0; k < types.size(); ++k)
    if (types[k].texture_name == "@ground/" + surface + ".png") return int(k);
  return -1;
}
