// Expands the catalogue rows into BikeInfo records with the values every
// bike shares, and finds rows by name.
#include "bike/bike_info.h"

#include "config/bike_models.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "bike/bike_catalogue.h"
#include "platform/log.h"

const float rider_skeleton[kSkeletonBones][3] = {
    {-1.456f, 0.875f, 0.01f}, {1.456f, 0.875f, 0.01f},  // forearms
    {-0.556f, 0.875f, 0.01f}, {0.556f, 0.875f, 0.01f},  // upper arms
    {-0.269f, -2.208f, 0.01f}, {0.269f, -2.208f, 0.01f},  // shins
    {-0.269f, -0.88f, 0.01f}, {0.269f, -0.88f, 0.01f},  // thighs
    {0.0f, -0.88f, 0.01f},                              // pelvis
};

namespace {

void set3(float out[3], float x, float y, float z) {
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

// Every bike is built on the same chassis, wheels and rider.
void fill_shared(BikeInfo& b) {
  b.front_wheel = {{0.0f, 1.09f, 1.11f}, 0.833333f, 0.333333f, 0.40625f, 0.5f, 0.15625f};
  b.rear_wheel = {{0.0f, 1.04f, 6.0f}, 0.75f, 0.333333f, 0.46875f, 0.5f, 0.3125f};
  set3(b.frame_position, 0.0f, 1.98f, 3.6f);
  set3(b.frame_box, 0.833333f, 1.66667f, 1.66667f);
  set3(b.fork_upper_position, 0.0f, 2.9f, 2.16f);
  set3(b.swingarm_position, 0.0f, 1.34f, 4.99f);
  set3(b.swingarm_pivot, 0.0f, 1.58f, 4.17f);
  set3(b.fork_lower_position, 0.0f, 1.77f, 1.59f);
  b.fork_leg_spacing = 0.833333f;
  b.fork_leg_length = 3.0f;
  b.fork_preload[0] = 0.0f;
  b.fork_preload[1] = 0.0833333f;
  b.fork_air_gap[0] = 0.416667f;
  b.fork_air_gap[1] = 0.25f;
  b.fork_compression_damping = 60.0f;
  b.fork_travel = 1.0f;
  b.shock_preload[0] = 0.0f;
  b.shock_preload[1] = 0.0275f;
  b.shock_compression_damping = 800.0f;
  b.swingarm_travel = 0.55f;
  b.linkage_ratio_top = 0.615385f;
  b.linkage_ratio_bottom = 0.615385f;

  set3(b.rider_slide_direction, 0.0f, 0.0833333f, 0.0833333f);
  set3(b.rider_mass_position, 0.0f, 4.5f, 4.12f);
  b.rider_slide_range[0] = -0.666667f;
  b.rider_slide_range[1] = 0.5f;

  b.frame_shape = "@generic_frame.shp";
  b.fork_upper_shape = "@generic_fork_upper.shp";
  b.fork_lower_shape = "@generic_fork_lower.shp";
  b.swingarm_shape = "@generic_swingarm.shp";
  b.front_wheel_shape = "@front_wheel.shp";
  b.rear_wheel_shape = "@rear_wheel.shp";
  b.rider_shape = "@generic_rider.shp";
  b.front_wheel_model = "@front_wheel.jm";
  b.rear_wheel_model = "@rear_wheel.jm";
  b.rider_head_model = "@rider_head.jm";
  b.rider_body_model = "@rider_body.jm";
  b.rider_body_fp_model = "@rider_body_fp.jm";
  b.rider_plate_model = "@rider_plate.jm";
  b.wheel_texture = "@wheels.png";
  b.rider_head_texture = "@rider_head.png";
  b.rider_body_texture = "@rider_body.png";

  RiderGeometry& r = b.rider;
  set3(r.head, 0.0f, 0.808383f, -0.943369f);
  set3(r.left_shoulder, -0.556f, 0.580375f, -0.654514f);
  set3(r.right_shoulder, 0.556f, 0.580375f, -0.654514f);
  set3(r.left_hip, -0.269f, -0.570887f, 0.670607f);
  set3(r.right_hip, 0.269f, -0.570887f, 0.670607f);
  set3(r.left_grip, -1.097f, 1.145f, 0.753f);
  set3(r.right_grip, 1.097f, 1.145f, 0.753f);
  set3(r.left_footpeg, -0.6f, -0.557f, 0.584f);
  set3(r.right_footpeg, 0.6f, -0.557f, 0.584f);
  r.upper_arm_length = 0.9f;
  r.forearm_length = 1.15f;
  r.thigh_length = 1.328f;
  r.shin_length = 1.701f;
  b.skeleton = rider_skeleton;
}

void fill_family(BikeInfo& b, const BikeFamilyValues& f) {
  b.frame_mass = f.frame_mass;
  b.fork_mass = f.fork_mass;
  b.fork_spring_rate[0] = f.fork_spring_rate[0];
  b.fork_spring_rate[1] = f.fork_spring_rate[1];
  b.fork_rebound_damping = f.fork_rebound_damping;
  b.swingarm_arm_mass = f.swingarm_arm_mass;
  b.shock_spring_rate[0] = f.shock_spring_rate[0];
  b.shock_spring_rate[1] = f.shock_spring_rate[1];
  b.shock_rebound_damping = f.shock_rebound_damping;
  b.rider_mass = f.rider_mass;
  b.engine_inertia = f.engine_inertia;
  b.driveline_stiffness = f.driveline_stiffness;
  b.driveline_damping = f.driveline_damping;
  b.downshift_rpm = f.downshift_rpm;
  b.upshift_rpm = f.upshift_rpm;
  b.max_rpm = f.max_rpm;
}

void fill_row(BikeInfo& b, const BikeRow& row) {
  b.name = row.name;
  b.bike_class = row.bike_class;
  const std::string part = std::string("@") + row.prefix;
  b.frame_model = part + "_frame.jm";
  b.fork_upper_model = part + "_fork_upper.jm";
  b.fork_lower_model = part + "_fork_lower.jm";
  b.swingarm_model = part + "_swingarm.jm";
  b.side_plates_model = part + "_side_plates.jm";
  b.front_plate_model = part + "_front_plate.jm";
  b.bike_texture = std::string("@") + (row.texture ? row.texture : row.prefix) + ".png";

  b.primary_ratio = row.primary_ratio;
  b.countershaft_teeth = row.countershaft_teeth;
  b.rear_sprocket_teeth = row.rear_sprocket_teeth;
  for (int g = 0; g < kGearSlots; g++) b.gear_ratios[g] = row.gear_ratios[g] > 0 ? row.gear_ratios[g] : -1.0f;
  if (row.max_rpm > 0) b.max_rpm = row.max_rpm;
}

std::vector<BikeInfo> build_catalogue() {
  int count = 0;
  const BikeRow* rows = bike_catalogue_rows(&count);
  std::vector<BikeInfo> out(static_cast<size_t>(count));
  for (int i = 0; i < count; i++) {
    BikeInfo& b = out[static_cast<size_t>(i)];
    const BikeFamilyValues& fam = bike_family_values(rows[i].family);
    fill_shared(b);
    fill_family(b, fam);
    fill_row(b, rows[i]);
    build_closed_throttle_map(fam, b.closed_throttle_torque);
    build_full_throttle_map(fam, rows[i].torque, b.full_throttle_torque);
  }
  return out;
}

const std::vector<BikeInfo>& catalogue() {
  static const std::vector<BikeInfo> rows = build_catalogue();
  return rows;
}

const BikeInfo* first_row_containing(const char* text) {
  for (const BikeInfo& b : catalogue())
    if (b.name.find(text) != std::string::npos) return &b;
  return nullptr;
}

}  // namespace

int bike_info_count() { return static_cast<int>(catalogue().size()); }

const BikeInfo* bike_info_at(int index) {
  if (index < 0 || index >= bike_info_count()) return nullptr;
  return &catalogue()[static_cast<size_t>(index)];
}


const BikeInfo* findBikeInfo(const char* name) {
  name = current_bike_name(name);
  if (!name) return nullptr;
  for (const BikeInfo& b : catalogue())
    if (b.name == name) return &b;
  return nullptr;
}

const BikeInfo* choose_bike_info(const char* name) {
  if (const BikeInfo* exact = findBikeInfo(name)) return exact;
  const char* wanted = name ? name : "";
  const BikeInfo* sub = nullptr;
  if (std::strstr(wanted, "125")) sub = first_row_containing("125");
  if (!sub) sub = first_row_containing("250f");
  if (!sub) sub = &catalogue().front();
  tarn_log("bike info for '%.20s' not found using '%.20s' instead\n", wanted, sub->name.c_str());
  return sub;
}

int bike_gear_count(const BikeInfo& info) {
  int n = 0;
  while (n < kGearSlots && info.gear_ratios[n] > 0) n++;
  return n;
}

float bike_total_ratio(const BikeInfo& info, int gear) {
  if (gear < 0 || gear >= kGearSlots || info.gear_ratios[gear] <= 0) return 0.0f;
  float final_drive = std::fmax(3.0f, std::floor(info.rear_sprocket_teeth)) /
                      std::fmax(3.0f, std::floor(info.countershaft_teeth));
  return info.gear_ratios[gear] * info.primary_ratio * final_drive;
}
