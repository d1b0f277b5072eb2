// The compiled-in catalogue of bike models: geometry, masses, suspension,
// drivetrain, rider geometry and the files that draw and collide each bike.
#pragma once
#include <string>

// Engine maps have one value per 500 rpm from 0 to 24500 rpm.
constexpr int kTorqueMapPoints = 50;
constexpr float kTorqueMapStepRpm = 500.0f;
// Gear slots; a ratio <= 0 marks a gear the bike does not have.
constexpr int kGearSlots = 6;
constexpr int kSkeletonBones = 9;

struct BikeWheelInfo {
  float position[3];
  float ring_radius;  // the tyre is a torus: ring radius and tube radius
  float tube_radius;
  float tyre_mass;
  float hub_radius;
  float hub_mass;
};

// Points relative to their body's BikeInfo position, in the creation pose.
struct RiderGeometry {
  float head[3];            // on the rider mass
  float left_shoulder[3];   // on the rider mass
  float right_shoulder[3];
  float left_hip[3];        // on the rider mass
  float right_hip[3];
  float left_grip[3];       // on the fork upper
  float right_grip[3];
  float left_footpeg[3];    // on the frame
  float right_footpeg[3];
  float upper_arm_length;
  float forearm_length;
  float thigh_length;
  float shin_length;
};

// One bike model. Lengths in feet, masses in slugs, torques in ft*lbf.
struct BikeInfo {
  std::string name;
  std::string bike_class;  // "450f", "250f", "250", "125" or "50"

  BikeWheelInfo front_wheel;
  BikeWheelInfo rear_wheel;

  float frame_position[3];
  float frame_mass;  // without the rider
  float frame_box[3];

  float fork_upper_position[3];
  float swingarm_position[3];
  float swingarm_pivot[3];
  float fork_lower_position[3];

  float fork_leg_spacing;
  float fork_leg_length;
  float fork_mass;  // both legs

  float fork_spring_rate[2];  // soft, hard (lbf/ft)
  float fork_preload[2];
  float fork_air_gap[2];      // at the lowest and the highest oil level
  float fork_compression_damping;
  float fork_rebound_damping;
  float fork_travel;

  float swingarm_arm_mass;  // each of the two arms
  float shock_spring_rate[2];
  float shock_preload[2];
  float shock_compression_damping;
  float shock_rebound_damping;
  float swingarm_travel;  // radians
  float linkage_ratio_top;
  float linkage_ratio_bottom;

  float primary_ratio;
  float countershaft_teeth;
  float rear_sprocket_teeth;
  float gear_ratios[kGearSlots];

  float engine_inertia;  // slug*ft^2
  float driveline_stiffness;
  float driveline_damping;
  float closed_throttle_torque[kTorqueMapPoints];
  float full_throttle_torque[kTorqueMapPoints];

  float downshift_rpm;
  float upshift_rpm;
  float max_rpm;  // shown only; the simulation does not use it

  float rider_slide_direction[3];  // frame coordinates

  float rider_mass_position[3];
  float rider_slide_range[2];
  float rider_mass;

  std::string frame_model;
  std::string frame_shape;
  std::string bike_texture;
  std::string fork_upper_model;
  std::string fork_upper_shape;
  std::string fork_lower_model;
  std::string fork_lower_shape;
  std::string swingarm_model;
  std::string swingarm_shape;
  std::string front_wheel_model;
  std::string front_wheel_shape;
  std::string rear_wheel_model;
  std::string rear_wheel_shape;
  std::string wheel_texture;
  std::string rider_head_model;
  std::string rider_head_texture;
  std::string rider_body_model;
  std::string rider_body_fp_model;
  std::string rider_shape;
  std::string rider_body_texture;
  std::string side_plates_model;
  std::string front_plate_model;
  std::string rider_plate_model;

  RiderGeometry rider;

  // Bind-pose bone centres of the rider body model; the same table for
  // every row (rider_skeleton below).
  const float (*skeleton)[3];
};

// Bone centres in the rider body model's coordinates: left and right
// forearm, left and right upper arm, left and right shin, left and right
// thigh, pelvis.
extern const float rider_skeleton[kSkeletonBones][3];

// The catalogue, in its fixed order.
int bike_info_count();
// Row index, or null past either end.
const BikeInfo* bike_info_at(int index);

// Older names (see config/bike_models.h) are replaced before lookup.

// The row whose display name equals name (after the old-name replacement),
// or null.
const BikeInfo* findBikeInfo(const char* name);

// The row a new bike is built from: the exact name, or else a substitute
// (names containing "125" get the first "125" row, anything else the first
// "250f" row, else the first row), logging the substitution. Never null.
const BikeInfo* choose_bike_info(const char* name);

// Number of gears: the slots with a ratio > 0, counted from first gear.
int bike_gear_count(const BikeInfo& info);
// Crank turns per rear-wheel turn in gear (0-based), with the sprockets
// rounded the way a bike's final drive is set up; 0 for a missing gear.
float bike_total_ratio(const BikeInfo& info, int gear);
