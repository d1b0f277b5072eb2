// krsim lines TRACK: makes the track's robot lines by riding it.
#include <cstdio>
#include <string>
#include <vector>

#include "bike/physics_world.h"
#include "core/line_maker.h"
#include "core/session.h"
#include "core/session_setup.h"
#include "tools/krsim/krsim.h"

namespace {

const char kUsage[] =
    "usage: krsim lines TRACK [--skill novice|amateur|expert|all] [--laps N] [--robots N]\n"
    "                   [--robot-laps N] [--output FILE]\n"
    "\n"
    "Makes the robots' lines of a track by riding it, for any track folder with\n"
    "timing gates. A rider follows a path through the gates at the skill's pace\n"
    "and every stretch between switch points that it rides cleanly becomes a\n"
    "line, recorded as the bike really went; then robots race on the lines to\n"
    "give them their runs and times. The lines file goes into the track's folder\n"
    "in the home folder (\"lines_novice\", \"lines_amateur\", \"lines_expert\"),\n"
    "where the game reads it first.\n"
    "\n"
    "  --skill SKILL   which lines file (default all three)\n"
    "  --laps N        laps the recording rider rides (default 3)\n"
    "  --robots N      robots racing on the lines afterwards (default 6)\n"
    "  --robot-laps N  laps of their race (default 4)\n"
    "  --output FILE   write there instead (one skill only)\n";

const char* const kSkills[] = {"novice", "amateur", "expert"};

}  // namespace

int krsim_lines(const std::vector<std::string>& args) {
  KrsimArgs a("lines", kUsage, args);
  LineMakerOptions o;
  int only = -1;
  long laps = 3, robots = 6, robot_laps = 4;
  while (a.next()) {
    if (a.help_asked()) return a.help();
    std::string text;
    if (a.is("--skill")) {
      if (!a.text(text)) return 1;
      only = -2;
      for (int k = 0; k < 3; ++k)
        if (text == kSkills[k]) only = k;
      if (text == "all") only = -1;
      if (only == -2) return a.fail("--skill wants novice, amateur, expert or all, not '%s'", text.c_str());
    } else if (a.is("--laps")) {
      if (!a.integer(laps, 1, 20)) return 1;
    } else if (a.is("--robots")) {
      if (!a.integer(robots, 0, 40)) return 1;
    } else if (a.is("--robot-laps")) {
      if (!a.integer(robot_laps, 1, 20)) return 1;
    } else if (a.is("--output")) {
      if (!a.text(o.output)) return 1;
    } else if (a.is_option()) {
      return a.unknown();
    } else if (o.track.empty()) {
      o.track = a.current();
    } else {
      return a.fail("one track at a time");
    }
  }
  if (o.track.empty()) return a.fail("which track? Give its folder name");
  if (!o.output.empty() && only < 0) return a.fail("--output needs one --skill");
  o.recording_laps = static_cast<int>(laps);
  o.robots = static_cast<int>(robots);
  o.robot_laps = static_cast<int>(robot_laps);

  if (!physics_world_create(physics_world())) {
    std::fprintf(stderr, "krsim lines: the physics library did not start\n");
    return 1;
  }
  int status = 0;
  for (int skill = 0; skill < 3 && status == 0; ++skill) {
    if (only >= 0 && skill != only) continue;
    o.skill = skill;
    LineMakerReport r;
    if (!make_lines(o, r)) {
      status = 1;
      break;
    }
    std::printf("%s %s: %d lines (%d points) over %d segments in %s; recording lap %.2f s; robots %d of %d "
                "finished, %d runs, %d failures; planned laps %.2f s first, %.2f s normal\n",
                o.track.c_str(), kSkills[skill], r.lines, r.points, r.segments, r.file.c_str(),
                r.recording_lap_seconds, r.robots_finished, o.robots, r.runs, r.failures, r.first_lap_plan,
                r.normal_lap_plan);
  }
  free_track();
  physics_world_destroy(physics_world());
  std::fprintf(stderr, "ODE messages: %ld\n", physics_message_count());
  return status;
}
