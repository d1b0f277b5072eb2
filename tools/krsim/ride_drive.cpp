#include "tools/krsim/ride_drive.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "bike/bike.h"
#include "bike/drivetrain.h"
#include "bike/rider_input.h"
#include "bike/ruts.h"
#include "files/file_stream.h"
#include "tools/krsim/krsim.h"
#include "track/terrain.h"

const char kRideDriveUsage[] =
    "  --auto-shift    the automatic gearbox (Automatic Shifting)\n"
    "  --stop-wheelies cut the throttle in wheelies and let the front brake go in\n"
    "                  stoppies (Stop Wheelies: Yes); without it only the latter\n"
    "  --antilock WHICH  front (the default), rear, both or none\n"
    "  --erode AMOUNT  dig ruts behind the tyres, 0 (none, the default) to 100 as\n"
    "                  the game's option; larger amounts are cut to 100\n"
    "  --surface NAME  with --flat: the ground is the data set's tile of that name\n"
    "                  (hardpack, loose, sand, grass) from rabbithill's tileinfo;\n"
    "                  without it, a tile of the built-in defaults\n"
    "  --roost         throw roost at density 250 and add a 'particles' column\n"
    "  --roostfrequency N  the roost density, 0..1000, as the game's option\n";

int ride_drive_option(KrsimArgs& a, RideDrive& d) {
  if (a.is("--auto-shift")) {
    d.auto_shift = true;
    return 1;
  }
  if (a.is("--stop-wheelies")) {
    d.stop_wheelies = true;
    return 1;
  }
  if (a.is("--antilock")) {
    std::string which;
    if (!a.text(which)) return -1;
    if (which != "front" && which != "rear" && which != "both" && which != "none") {
      a.fail("--antilock wants front, rear, both or none, not '%s'", which.c_str());
      return -1;
    }
    d.antilock_given = true;
    d.front_antilock = which == "front" || which == "both";
    d.rear_antilock = which == "rear" || which == "both";
    return 1;
  }
  if (a.is("--erode")) {
    std::string value;
    if (!a.text(value)) return -1;
    double amount;
    if (!krsim_parse_double(value, amount)) {
      a.fail("--erode wants a number, not '%s'", value.c_str());
      return -1;
    }
    d.erode = std::clamp(amount, 0.0, kMaxErodeAmount);
    d.erode_given = true;
    return 1;
  }
  if (a.is("--surface")) {
    if (!a.text(d.surface)) return -1;
    return 1;
  }
  if (a.is("--roost")) {
    d.roost = true;
    return 1;
  }
  if (a.is("--roostfrequency")) {
    std::string value;
    if (!a.text(value)) return -1;
    long density;
    if (!krsim_parse_long(value, density)) {
      a.fail("--roostfrequency wants a whole number, not '%s'", value.c_str());
      return -1;
    }
    d.roost = true;
    d.roost_density = std::clamp(density, 0L, long(kMaxRoostDensity));
    return 1;
  }
  return 0;
}

bool ride_drive_ground(RideDrive& d, Terrain& ground, bool flat, const std::string& track_folder) {
  if (!d.surface.empty()) {
    if (!flat) {
      std::fprintf(stderr, "krsim ride: --surface is for --flat ground\n");
      return false;
    }
    const std::string path = "@" + track_folder + "/tileinfo";
    DataFilePtr f(open_data_file(path.c_str(), "rb"));
    if (!f) {
      std::fprintf(stderr, "krsim ride: can't open '%s'\n", path.c_str());
      return false;
    }
    Terrain tiles;
    tiles.exponent = 1;
    tileinfo_read(tiles, f.get());
    int found = -1;
    for (int k = 0; k < tiles.tile_count && found < 0; ++k) {
      std::string base = tile_base_name(tiles.tile_types[k].texture_name);
      base = base.substr(0, base.find('.'));
      if (base == d.surface) found = k;
    }
    if (found < 0) {
      std::fprintf(stderr, "krsim ride: no tile '%s' in '%s'\n", d.surface.c_str(), path.c_str());
      return false;
    }
    ground.tile_types[0] = tiles.tile_types[found];
  }
  if (d.erode > 0) d.heights_at_start = ground.heights;
  return true;
}

void ride_drive_start(RideDrive& d, Bike& bike) {
  unsigned& o = bike.setup.options;
  if (d.auto_shift) o |= kOptionAutoShift;
  if (d.stop_wheelies) o |= kOptionStopWheeliesThrottle | kOptionStopWheeliesBrake;
  if (d.antilock_given) {
    o &= ~(kOptionFrontAntilock | kOptionRearAntilock);
    if (d.front_antilock) o |= kOptionFrontAntilock;
    if (d.rear_antilock) o |= kOptionRearAntilock;
  }
  // The lever starts at rest: the clutch is engaged.
  bike.controls.clutch = 1;
  if (d.roost) {
    d.pool = std::make_unique<RoostPool>();
    roost_reset(*d.pool);
  }
}

void ride_drive_controls(Bike& bike, const RideInputs& in) {
  BikeControls& c = bike.controls;
  // The rider off the bike has no throttle.
  c.throttle = bike.crash.timer > 0 ? 0 : std::clamp(in.throttle, 0.0f, 1.0f);
  c.clutch = float(clutch_engagement(in.clutch_lever, c.clutch));
  c.front_brake = std::clamp(in.front_brake, 0.0f, 1.0f);
  c.rear_brake = std::clamp(in.rear_brake, 0.0f, 1.0f);
  shift(bike, in.shift > 0.5f ? 1 : in.shift < -0.5f ? -1 : 0);
}

void ride_drive_before_world_step(RideDrive& d, Bike& bike, const Terrain& ground, long step) {
  if (d.pool) roost_emit(*d.pool, bike, ground, int(d.roost_density), int(step), true);
}

void ride_drive_after_world_step(RideDrive& d, Bike& bike, Terrain& ground) {
  if (d.erode > 0) {
    ruts_record(bike, ground, d.erode);
    d.ruts_dug += ruts_apply(bike, ground, d.erode);
  }
}

void ride_drive_finish(const RideDrive& d, const Terrain& ground) {
  if (!d.erode_given) return;
  double lowest = 0, highest = 0;
  const size_t n = std::min(d.heights_at_start.size(), ground.heights.size());
  for (size_t k = 0; k < n; ++k) {
    const double change = double(ground.heights[k]) - d.heights_at_start[k];
    lowest = std::min(lowest, change);
    highest = std::max(highest, change);
  }
  std::fprintf(stderr, "Ruts: %ld dug, the ground lowered by up to %.3f ft and raised by up to %.3f ft\n", d.ruts_dug,
               std::fabs(lowest), highest);
}

void ride_drive_after_bike_step(RideDrive& d, const Terrain& ground) {
  if (d.pool) roost_move(*d.pool, ground);
}

const char* ride_drive_header(const RideDrive& d) { return d.roost ? ",particles" : ""; }

void ride_drive_print(const RideDrive& d) {
  if (d.pool) std::printf(",%d", d.pool->active_count);
}
