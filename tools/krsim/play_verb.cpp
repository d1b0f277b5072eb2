// krsim play: replays a demo with no window through the game's own session
// and frame step, printing each replayed bike's state.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bike/bike.h"
#include "bike/physics_world.h"
#include "bike/roll.h"
#include "bike/vec3.h"
#include "core/frame_step.h"
#include "core/session.h"
#include "core/session_setup.h"
#include "demo/demo.h"
#include "demo/demo_player.h"
#include "platform/messages.h"
#include "tools/krsim/krsim.h"
#include "track/track.h"

namespace {

const char kUsage[] =
    "usage: krsim play FILE.krdemo [--csv] [--every K] [--steps N] [--seek SECONDS]\n"
    "\n"
    "Plays a demo with no window: its track loads and its riders are posed from\n"
    "their recorded states every step, as in the game.\n"
    "\n"
    "  --csv          print every replayed bike's state every K steps, in the\n"
    "                 columns of krsim ride with the slot first\n"
    "  --every K      steps between rows (default 16)\n"
    "  --steps N      stop after N steps (default: the end of the demo)\n"
    "  --seek SECONDS jump there after the first step, backward (negative) or\n"
    "                 forward, then play on\n"
    "\n"
    "Without --csv it prints the demo's header and the standings at the end.\n";

void print_header() {
  std::printf("slot,step,t,x,y,z,speed,mph,roll,pitch,heading,fork,swingarm,front_load,rear_load,rpm,gear,clutch,"
              "crash,gates\n");
}

void print_row(int slot, long step, const Bike& bike, int gates) {
  dBodyID frame = bike.body[kBodyFrame];
  const Vec3 p = vec3_of(dBodyGetPosition(frame));
  const double speed = length(vec3_of(dBodyGetLinearVel(frame)));
  const dReal* r = dBodyGetRotation(frame);
  const Vec3 forward{-r[2], -r[6], -r[10]};
  const double pitch = std::asin(std::fmax(-1.0, std::fmin(1.0, forward.y)));
  const double heading = std::atan2(-forward.x, -forward.z);
  const double roll = roll_from_rotation(r, bike.last_roll);
  const double fork = -dJointGetSliderPosition(bike.joint[kJointForkSlider]);
  const double swingarm = dJointGetHingeAngle(bike.joint[kJointSwingarmPivot]);
  const double rpm = bike.drivetrain.engine_speed * 60 / (2 * kPi);
  std::printf("%d,%ld,%.4f,%.4f,%.4f,%.4f,%.4f,%.3f,%.4f,%.4f,%.4f,%.4f,%.4f,%.2f,%.2f,%.0f,%d,%.3f,%d,%d\n", slot, step,
              step * kStep, p.x, p.y, p.z, speed, speed / kMphToFeetPerSecond, roll, pitch, heading, fork, swingarm,
              0.0, 0.0, rpm, bike.controls.gear, bike.controls.clutch, bike.crash.timer, gates);
}

// The demo has nothing more to give once its file is read to the end and
// the clock has passed every state in the rings.
bool demo_over(const Session& s) {
  const DemoPlayer& p = demo_player();
  if (!demo_playing(p)) return true;
  if (!p.ended) return false;
  for (int i = 0; i < kSlotCount; ++i) {
    if (!s.slots[i].bike || s.slots[i].source != ReplayedSource) continue;
    const HistoryRing& ring = demo_history().slots[i];
    if (ring.entries[ring.newest].step >= s.race.race_step) return false;
  }
  return true;
}

}  // namespace

int krsim_play(const std::vector<std::string>& args) {
  KrsimArgs a("play", kUsage, args);
  std::string file;
  bool csv = false;
  long every = 16, steps = 0;
  double seek = 0;
  bool seeking = false;
  while (a.next()) {
    if (a.help_asked()) return a.help();
    if (a.is("--csv")) {
      csv = true;
    } else if (a.is("--every")) {
      if (!a.integer(every, 1, 1000000)) return 1;
    } else if (a.is("--steps")) {
      if (!a.integer(steps, 1, 1000000000)) return 1;
    } else if (a.is("--seek")) {
      if (!a.number(seek, -1e6, 1e6)) return 1;
      seeking = true;
    } else if (a.is_option()) {
      return a.unknown();
    } else if (file.empty()) {
      file = a.current();
    } else {
      return a.fail("one demo at a time");
    }
  }
  if (file.empty()) return a.fail("which demo? Give its file");

  std::string track;
  if (!open_demo_for_playback(file.c_str(), &track)) {
    for (const std::string& m : recent_messages()) std::fprintf(stderr, "%s\n", m.c_str());
    std::fprintf(stderr, "krsim play: '%s' is not a demo that can be played\n", file.c_str());
    return 1;
  }
  PhysicsWorld& world = physics_world();
  if (!physics_world_create(world)) {
    std::fprintf(stderr, "krsim play: the physics library did not start\n");
    return 1;
  }
  empty_slots(false);
  SessionRequest request;
  request.table = &slot_table();
  request.track = track;
  request.play_demo = true;
  request.line_skill = -1;
  if (!session_setup(request)) {
    for (const std::string& m : recent_messages()) std::fprintf(stderr, "%s\n", m.c_str());
    std::fprintf(stderr, "krsim play: the demo's track '%s' did not load\n", track.c_str());
    close_demo(demo_player());
    physics_world_destroy(world);
    return 1;
  }
  Session& s = current_session();
  const DemoHeader& h = demo_player().header;
  if (!csv) std::printf("demo: %s on %s, %zu riders, start step %d\n", file.c_str(), h.track.c_str(), h.riders.size(), h.start_step);
  else print_header();

  long run = 0;
  while ((steps == 0 || run < steps) && !demo_over(s)) {
    if (csv && run % every == 0) {
      for (int i = 0; i < kSlotCount; ++i) {
        const SessionSlot& slot = s.slots[i];
        if (slot.bike && slot.source == ReplayedSource) print_row(i, s.race.race_step, *slot.bike, slot.timing.gates_passed);
      }
    }
    frame_step();
    if (seeking && run == 0) {
      seek_demo(seek);
      frame_step();
      seeking = false;
    }
    ++run;
  }
  if (!csv) {
    std::printf("%4s %4s %4s %-16s %6s\n", "pos", "slot", "no.", "bike", "gates");
    int position = 0;
    for (const StandingsEntry& e : s.race.standings) {
      const SessionSlot& slot = s.slots[e.slot];
      std::printf("%4d %4d %4s %-16s %6d\n", ++position, e.slot, slot.number.c_str(), slot.model.c_str(), e.gates_passed);
    }
  }
  free_session();
  free_track();
  physics_world_destroy(world);
  std::fprintf(stderr, "ODE messages: %ld\n", physics_message_count());
  return 0;
}
