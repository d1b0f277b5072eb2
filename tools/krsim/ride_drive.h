// krsim ride's drivetrain, rut and roost part: the options that set the
// gearbox, brakes and wheelie aids, the script's throttle, clutch, brake
// and shift values handed to the bike, ruts dug behind it and roost thrown.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "bike/roost.h"

class KrsimArgs;
struct Bike;
struct Terrain;

struct RideDrive {
  bool auto_shift = false;
  bool stop_wheelies = false;  // both the throttle cut and the stoppie release
  bool antilock_given = false;
  bool front_antilock = true, rear_antilock = false;
  double erode = 0;  // 0..100
  bool erode_given = false;
  std::string surface;  // --flat: the data set's tile whose texture this names
  std::vector<float> heights_at_start;  // to tell what the ruts moved
  long ruts_dug = 0;
  bool roost = false;
  long roost_density = kDefaultRoostDensity;
  std::unique_ptr<RoostPool> pool;
};

// The script's values for the controls the bike acts on.
struct RideInputs {
  float throttle = 0, clutch_lever = 0, front_brake = 0, rear_brake = 0, shift = 0;
};

extern const char kRideDriveUsage[];

// When the current argument is one of these options, reads it: 1 taken,
// -1 refused (the message printed), 0 not one of them.
int ride_drive_option(KrsimArgs& a, RideDrive& d);
// Once the ground is there, before the bike is placed: the flat ground's
// surface from the track folder's "tileinfo". False after a message.
bool ride_drive_ground(RideDrive& d, Terrain& ground, bool flat, const std::string& track_folder);
// After the bike is placed: its setup options, the clutch let out, the pool.
void ride_drive_start(RideDrive& d, Bike& bike);
// Each step, before the contacts: the script's values on the bike (the
// clutch lever eased out as the game's controls do).
void ride_drive_controls(Bike& bike, const RideInputs& in);
// Around the world step, in the frame step's order.
void ride_drive_before_world_step(RideDrive& d, Bike& bike, const Terrain& ground, long step);
void ride_drive_after_world_step(RideDrive& d, Bike& bike, Terrain& ground);
void ride_drive_after_bike_step(RideDrive& d, const Terrain& ground);
// At the end, on standard error: what the ruts did to the ground.
void ride_drive_finish(const RideDrive& d, const Terrain& ground);
// Extra CSV columns: the header part (starting with a comma, or empty) and
// the row part.
const char* ride_drive_header(const RideDrive& d);
void ride_drive_print(const RideDrive& d);
