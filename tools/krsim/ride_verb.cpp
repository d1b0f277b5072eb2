// krsim ride: bikes on a track or on flat ground, no session, driven by a
// script of control values, printing one bike's state as CSV and every
// crash as it happens.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bike/bike.h"
#include "bike/bike_contact.h"
#include "bike/bike_step.h"
#include "bike/contact_step.h"
#include "bike/physics_world.h"
#include "bike/roll.h"
#include "platform/messages.h"
#include "platform/units.h"
#include "tools/krsim/krsim.h"
#include "tools/krsim/ride_drive.h"
#include "track/track.h"

namespace {

const char kUsageHead[] =
    "usage: krsim ride [--track NAME | --flat] [--bike NAME] [--steps N] [--every K]\n"
    "                  [--script FILE] [--at X,Z,HEADING] [--bikes N [--heap]]\n"
    "                  [--watch B] [--auto-shift] [--stop-wheelies] [--antilock WHICH]\n"
    "                  [--erode AMOUNT] [--surface NAME] [--roost] [--roostfrequency N]\n"
    "\n"
    "Places bikes on the ground and steps them, printing the state of one of\n"
    "them as CSV on standard output: a header and then one row every K steps.\n"
    "\n"
    "  --track NAME    the track folder to ride on (default rabbithill); the bike\n"
    "                  starts in the first starting-gate slot\n"
    "  --flat          flat hard-pack ground 4096 ft across instead of a track; the\n"
    "                  bike starts in the middle facing -z\n"
    "  --bike NAME     the bike model, as the catalogue names it (default the first)\n"
    "  --steps N       steps of 1/128 s to run (default 1024)\n"
    "  --every K       steps between rows (default 16)\n"
    "  --script FILE   control values to apply, '-' for standard input\n"
    "  --at X,Z,HEADING  start there instead: feet, feet, radians about y\n"
    "  --bikes N       N bikes (1 to 160, default 1), all driven by the script: on a\n"
    "                  track in the first N starting-gate slots, elsewhere side by\n"
    "                  side 4 ft apart across the heading\n"
    "  --heap          drop the N bikes onto one another in a heap around the start\n"
    "                  instead\n"
    "  --watch B       the bike (0 to N-1, default 0) whose state the rows show\n";
// The drivetrain, rut and roost options follow (ride_drive.cpp).
const char kUsageTail[] =
    "\n"
    "Script lines are \"STEP name=value ...\": from step STEP on, each named control\n"
    "holds its value. Controls: steer -1..1, throttle 0..1, front_brake 0..1,\n"
    "rear_brake 0..1, shift -1..1, clutch 0..1, sit 0..1, back_up 0..1, lean -1..1.\n"
    "'#' starts a comment. The bike acts on throttle, both brakes, shift (above\n"
    "0.5 up, below -0.5 down, once per move away from 0) and clutch, the lever:\n"
    "0 at rest (engaged), 1 pulled in; it may be pulled in at once but lets out\n"
    "at most 4 per second. The other controls are kept for the rider's controls\n"
    "to come.\n"
    "\n"
    "Columns: step,t,x,y,z,speed,mph,roll,pitch,heading,fork,swingarm,front_load,\n"
    "rear_load,rpm,gear,clutch,crash,gates (and particles with roost). Loads are\n"
    "the tyres' ground contact forces in lbf, fork the fork's compression in ft,\n"
    "swingarm the pivot angle in radians, rpm the engine's, gear 1 for first,\n"
    "clutch its engagement (1 engaged), particles the roost particles in the\n"
    "air; columns of parts not built yet print 0.\n"
    "\n"
    "Each time a rider is thrown off, standard error gets \"step S: bike B crashed\n"
    "(trigger T)\": S as in the step column (the first row that can show it), B\n"
    "the bike's number, T what threw him: 1 upside down on the ground, 2 a track\n"
    "object, 3 moving off the seat too fast, 4 accelerated too hard.\n"
    "\n"
    "Exit status: 0 done, 1 bad argument, unknown bike, bad script or a track\n"
    "that does not load, 2 a bike state that is not a number (with the step).\n"
    "The last line on standard error counts the physics library's messages.\n";

struct ControlName {
  const char* name;
  float lowest, highest;
};
constexpr ControlName kControls[] = {
    {"steer", -1, 1}, {"throttle", 0, 1}, {"front_brake", 0, 1}, {"rear_brake", 0, 1}, {"shift", -1, 1},
    {"clutch", 0, 1}, {"sit", 0, 1},      {"back_up", 0, 1},     {"lean", -1, 1},
};
constexpr int kControlCount = sizeof kControls / sizeof kControls[0];
constexpr int kThrottle = 1, kFrontBrake = 2, kRearBrake = 3, kShift = 4, kClutch = 5;

struct ScriptEntry {
  long step;
  int control;
  float value;
};

// Reads the script; false after a message naming the line.
bool read_script(std::istream& in, const std::string& name, std::vector<ScriptEntry>& out) {
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string word;
    if (!(words >> word)) continue;
    long step;
    if (!krsim_parse_long(word, step) || step < 0) {
      std::fprintf(stderr, "krsim ride: %s line %d: '%s' is not a step number\n", name.c_str(), number, word.c_str());
      return false;
    }
    bool any = false;
    while (words >> word) {
      const size_t eq = word.find('=');
      const std::string key = word.substr(0, eq);
      int control = -1;
      for (int k = 0; k < kControlCount; ++k)
        if (key == kControls[k].name) control = k;
      if (eq == std::string::npos || control < 0) {
        std::fprintf(stderr, "krsim ride: %s line %d: '%s' is not name=value with a control name\n", name.c_str(),
                     number, word.c_str());
        return false;
      }
      double value;
      const ControlName& c = kControls[control];
      if (!krsim_parse_double(word.substr(eq + 1), value) || value < c.lowest || value > c.highest) {
        std::fprintf(stderr, "krsim ride: %s line %d: %s wants a number from %g to %g, not '%s'\n", name.c_str(),
                     number, c.name, c.lowest, c.highest, word.substr(eq + 1).c_str());
        return false;
      }
      out.push_back({step, control, float(value)});
      any = true;
    }
    if (!any) {
      std::fprintf(stderr, "krsim ride: %s line %d: step %ld sets no control\n", name.c_str(), number, step);
      return false;
    }
  }
  if (in.bad()) {
    std::fprintf(stderr, "krsim ride: can't read %s\n", name.c_str());
    return false;
  }
  return true;
}

// Flat hard-pack ground, 4096 ft across, 2 ft between samples like the
// shipped tracks.
void make_flat_ground(Terrain& g) {
  g.exponent = 10;
  g.size = (2 << g.exponent) + 1;
  g.spacing = 2;
  g.tile_size = 2 * g.spacing;
  g.world_size = float(g.size - 1) * g.spacing;
  g.heights.assign(size_t(g.size) * g.size, 0.0f);
  g.hmin = g.hmax = 0;
  g.tile_types.assign(kMaxTileTypes, TileType());
  g.tile_count = 1;
  g.tilemap.assign(size_t(1) << (2 * g.exponent), 0);
}

bool parse_at(const std::string& text, double out[3]) {
  std::string parts[3];
  size_t start = 0;
  for (int k = 0; k < 3; ++k) {
    const size_t comma = text.find(',', start);
    if ((k < 2) != (comma != std::string::npos)) return false;
    parts[k] = text.substr(start, k < 2 ? comma - start : std::string::npos);
    start = comma + 1;
  }
  for (int k = 0; k < 3; ++k)
    if (!krsim_parse_double(parts[k], out[k])) return false;
  return true;
}

bool bike_state_finite(const Bike& bike) {
  for (dBodyID b : bike.body) {
    const dReal* vectors[4] = {dBodyGetPosition(b), dBodyGetQuaternion(b), dBodyGetLinearVel(b),
                               dBodyGetAngularVel(b)};
    for (int v = 0; v < 4; ++v)
      for (int k = 0; k < (v == 1 ? 4 : 3); ++k)
        if (!std::isfinite(vectors[v][k])) return false;
  }
  return true;
}

double tyre_load(const WheelContact& w) { return w.joined ? dot(vec3_of(w.feedback.f1), w.normal) : 0.0; }

void print_header(const RideDrive& drive) {
  std::printf(
      "step,t,x,y,z,speed,mph,roll,pitch,heading,fork,swingarm,front_load,rear_load,rpm,gear,clutch,crash,gates%s\n",
      ride_drive_header(drive));
}

void print_row(long step, const Bike& bike, const RideDrive& drive) {
  dBodyID frame = bike.body[kBodyFrame];
  const Vec3 p = vec3_of(dBodyGetPosition(frame));
  const double speed = length(vec3_of(dBodyGetLinearVel(frame)));
  const dReal* r = dBodyGetRotation(frame);
  const Vec3 forward = -body_axis(r, 2);
  const double pitch = std::asin(std::fmax(-1.0, std::fmin(1.0, forward.y)));
  const double heading = std::atan2(-forward.x, -forward.z);
  const double roll = roll_from_rotation(r, bike.last_roll);
  const double fork = -dJointGetSliderPosition(bike.joint[kJointForkSlider]);
  const double swingarm = dJointGetHingeAngle(bike.joint[kJointSwingarmPivot]);
  const double rpm = bike.drivetrain.engine_speed * 60 / (2 * kPi);
  std::printf("%ld,%.4f,%.4f,%.4f,%.4f,%.4f,%.3f,%.4f,%.4f,%.4f,%.4f,%.4f,%.2f,%.2f,%.0f,%d,%.3f,%d,%d", step,
              step * kStep, p.x, p.y, p.z, speed, speed / kMphToFeetPerSecond, roll, pitch, heading, fork, swingarm,
              tyre_load(bike.wheel[0]), tyre_load(bike.wheel[1]), rpm, bike.controls.gear + 1, bike.controls.clutch,
              bike.crash.timer, 0);
  ride_drive_print(drive);
  std::printf("\n");
}

// The script's values for the controls the bike acts on.
RideInputs drive_inputs(const float controls[kControlCount]) {
  RideInputs in;
  in.throttle = controls[kThrottle];
  in.clutch_lever = controls[kClutch];
  in.front_brake = controls[kFrontBrake];
  in.rear_brake = controls[kRearBrake];
  in.shift = controls[kShift];
  return in;
}


struct RideOptions {
  std::string track = "rabbithill";
  bool flat = false;
  std::string bike;
  long steps = 1024;
  long every = 16;
  std::string script;
  bool at_given = false;
  double at[3] = {0, 0, 0};
  long bikes = 1;
  bool heap = false;
  long watch = 0;
  RideDrive drive;
};

// Bikes side by side across the heading, this far apart.
constexpr double kRowSpacing = 4;

// Puts the bikes in the starting-gate slots (`slots` given), in a heap, or
// in a row across the heading at `start`. False after a message when the
// track has too few slots.
bool place_bikes(const RideOptions& o, const std::vector<StartSlot>* slots, const Terrain& ground,
                 const double start[3], std::vector<Bike*>& bikes) {
  bool clear = true;
  if (o.heap) {
    clear = bikes_place_heap(bikes, ground, start[0], start[1], start[2]);
  } else if (slots) {
    if (slots->size() < bikes.size()) {
      std::fprintf(stderr, "krsim ride: track '%s' has %zu starting-gate slots, not %zu\n", o.track.c_str(),
                   slots->size(), bikes.size());
      return false;
    }
    for (size_t k = 0; k < bikes.size(); ++k) {
      const StartSlot& slot = (*slots)[k];
      clear &= bike_place(*bikes[k], ground, slot.position[0], slot.position[2], slot.angle);
    }
  } else {
    // Across a bike facing -z turned by the heading about y: its x axis.
    const double across_x = std::cos(start[2]), across_z = -std::sin(start[2]);
    for (size_t k = 0; k < bikes.size(); ++k) {
      const double offset = (double(k) - double(bikes.size() - 1) / 2) * kRowSpacing;
      clear &= bike_place(*bikes[k], ground, start[0] + across_x * offset, start[1] + across_z * offset, start[2]);
    }
  }
  if (!clear) std::fprintf(stderr, "krsim ride: a bike could not be placed clear of the ground\n");
  return true;
}

// "step S: bike B crashed (trigger T)" for each bike whose crash count rose.
void report_crashes(long step, const std::vector<Bike*>& bikes, std::vector<int>& counts) {
  for (size_t k = 0; k < bikes.size(); ++k) {
    const CrashState& crash = bikes[k]->crash;
    if (crash.count > counts[k]) std::fprintf(stderr, "step %ld: bike %zu crashed (trigger %d)\n", step, k, crash.trigger);
    counts[k] = crash.count;
  }
}

int run(RideOptions& o, const std::vector<ScriptEntry>& script) {
  Track& track = current_track();
  Terrain flat;
  Terrain* ground = &flat;
  const std::vector<StartSlot>* slots = nullptr;
  double start[3] = {0, 0, 0};
  if (o.flat) {
    make_flat_ground(flat);
    start[0] = start[1] = flat.world_size / 2;
  } else {
    track.folder = o.track;
    if (!track_load(track)) {
      for (const std::string& m : recent_messages()) std::fprintf(stderr, "%s\n", m.c_str());
      std::fprintf(stderr, "krsim ride: track '%s' did not load\n", o.track.c_str());
      return 1;
    }
    ground = &track.terrain;
    if (!o.at_given && !track.gates.start_slots.empty()) slots = &track.gates.start_slots;
    if (!o.at_given) {
      if (track.gates.start_slots.empty()) {
        std::fprintf(stderr, "krsim ride: track '%s' has no starting gate; give --at\n", o.track.c_str());
        track_unload(track);
        return 1;
      }
      const StartSlot& slot = track.gates.start_slots[0];
      start[0] = slot.position[0];
      start[1] = slot.position[2];
      start[2] = slot.angle;
    }
  }
  if (o.at_given) start[0] = o.at[0], start[1] = o.at[1], start[2] = o.at[2];
  if (!ride_drive_ground(o.drive, *ground, o.flat, o.track)) {
    if (!o.flat) track_unload(track);
    return 1;
  }

  const long messages_before = physics_message_count();
  PhysicsWorld world;
  if (!physics_world_create(world)) {
    std::fprintf(stderr, "krsim ride: the physics library did not start\n");
    return 1;
  }
  int status = 0;
  {
    std::vector<BikePtr> owned;
    std::vector<Bike*> bikes;
    for (long k = 0; k < o.bikes; ++k) {
      owned.push_back(bike_create(world, o.bike.c_str(), int(k)));
      bikes.push_back(owned.back().get());
    }
    if (!place_bikes(o, slots, *ground, start, bikes)) status = 1;
    const Bike& watched = *bikes[size_t(o.watch)];
    ContactScene scene;
    scene.ground = ground;
    std::vector<int> statue_touched;
    if (!o.flat) {
      scene.track = &track;
      statue_touched.assign(track.statues.size(), -1);
      scene.statue_touched_step = &statue_touched;
    }
    std::vector<int> crash_counts(bikes.size(), 0);
    RideDrive& drive = o.drive;
    for (Bike* bike : bikes) ride_drive_start(drive, *bike);
    float controls[kControlCount] = {};
    controls[kClutch] = 0;
    size_t next = 0;
    if (status == 0) {
      print_header(drive);
      print_row(0, watched, drive);
    }
    for (long step = 0; status == 0 && step < o.steps; ++step) {
      for (; next < script.size() && script[next].step <= step; ++next)
        controls[script[next].control] = script[next].value;
      for (Bike* bike : bikes) ride_drive_controls(*bike, drive_inputs(controls));
      scene.step = int(step);
      contacts_step(scene, bikes);
      for (Bike* bike : bikes) ride_drive_before_world_step(drive, *bike, *ground, step);
      physics_world_step(world);
      for (Bike* bike : bikes) ride_drive_after_world_step(drive, *bike, *ground);
      for (Bike* bike : bikes) bike_step(*bike, int(step));
      ride_drive_after_bike_step(drive, *ground);
      report_crashes(step + 1, bikes, crash_counts);
      for (size_t k = 0; k < bikes.size(); ++k)
        if (!bike_state_finite(*bikes[k])) {
          std::fprintf(stderr, "NaN in the state of bike %zu at step %ld\n", k, step + 1);
          status = 2;
        }
      if (status == 0 && (step + 1) % o.every == 0) print_row(step + 1, watched, drive);
    }
  }
  physics_world_destroy(world);
  ride_drive_finish(o.drive, *ground);
  if (!o.flat) track_unload(track);
  std::fflush(stdout);
  std::fprintf(stderr, "ODE messages: %ld\n", physics_message_count() - messages_before);
  return status;
}

}  // namespace

int krsim_ride(const std::vector<std::string>& args) {
  static const std::string usage = std::string(kUsageHead) + kRideDriveUsage + kUsageTail;
  KrsimArgs a("ride", usage.c_str(), args);
  RideOptions o;
  o.bike = bike_info_at(0)->name;
  bool track_given = false;
  while (a.next()) {
    if (a.help_asked()) return a.help();
    if (a.is("--track")) {
      if (!a.text(o.track)) return 1;
      track_given = true;
    } else if (a.is("--flat")) {
      o.flat = true;
    } else if (a.is("--bike")) {
      if (!a.text(o.bike)) return 1;
    } else if (a.is("--steps")) {
      if (!a.integer(o.steps, 0, 100000000)) return 1;
    } else if (a.is("--every")) {
      if (!a.integer(o.every, 1, 100000000)) return 1;
    } else if (a.is("--script")) {
      if (!a.text(o.script)) return 1;
    } else if (a.is("--bikes")) {
      if (!a.integer(o.bikes, 1, kSlotCount)) return 1;
    } else if (a.is("--heap")) {
      o.heap = true;
    } else if (a.is("--watch")) {
      if (!a.integer(o.watch, 0, kSlotCount - 1)) return 1;
    } else if (a.is("--at")) {
      std::string text;
      if (!a.text(text)) return 1;
      if (!parse_at(text, o.at)) return a.fail("--at wants X,Z,HEADING (three numbers), not '%s'", text.c_str());
      o.at_given = true;
    } else if (const int taken = ride_drive_option(a, o.drive)) {
      if (taken < 0) return 1;
    } else {
      return a.unknown();
    }
  }
  if (o.flat && track_given) return a.fail("--flat and --track exclude each other");
  if (o.watch >= o.bikes) return a.fail("--watch %ld wants --bikes %ld or more", o.watch, o.watch + 1);
  if (!findBikeInfo(o.bike.c_str())) return a.fail("unknown bike '%s'", o.bike.c_str());

  std::vector<ScriptEntry> script;
  if (!o.script.empty()) {
    bool ok;
    if (o.script == "-") {
      ok = read_script(std::cin, "standard input", script);
    } else {
      std::ifstream file(o.script);
      if (!file) {
        std::fprintf(stderr, "krsim ride: can't open script '%s'\n", o.script.c_str());
        return 1;
      }
      ok = read_script(file, o.script, script);
    }
    if (!ok) return 1;
  }
  // Entries apply in step order; lines for the same step keep their order.
  std::stable_sort(script.begin(), script.end(),
                   [](const ScriptEntry& x, const ScriptEntry& y) { return x.step < y.step; });
  return run(o, script);
}
