// krsim race: a whole race with no window, through the same session set-up
// and frame step as the game, with its standings and what it cost.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bike/physics_world.h"
#include "core/frame_step.h"
#include "core/session.h"
#include "core/session_setup.h"
#include "tools/krsim/audio_recording.h"
#include "demo/demo.h"
#include "platform/messages.h"
#include "race/laps.h"
#include "robot/lines_file.h"
#include "tools/krsim/krsim.h"
#include "track/track.h"

namespace {

const char kUsage[] =
    "usage: krsim race [--track NAME] [--riders N] [--kind KIND] [--laps N] [--minutes M]\n"
    "                  [--skill novice|amateur|expert] [--seed S] [--steps N] [--json]\n"
    "                  [--record FILE.krdemo] [--record-audio FILE]\n"
    "\n"
    "Runs a race with no window through the game's own session set-up and frame\n"
    "step, then prints the standings and what the race cost.\n"
    "\n"
    "  --track NAME   the track folder (default rabbithill)\n"
    "  --riders N     riders on the grid, 1..160 (default 40)\n"
    "  --kind KIND    what rides in them: robot (default), robot2 (two-strokes\n"
    "                 first), robot4 (four-strokes first) or human (the player's\n"
    "                 setup, riding with no input)\n"
    "  --laps N       laps of the race (default 3)\n"
    "  --minutes M    a timed race of M minutes plus the laps\n"
    "  --skill SKILL  the robots' lines file (default novice)\n"
    "  --seed S       the step count the roster and the session generator start\n"
    "                 from (default 0)\n"
    "  --steps N      stop after N steps even if riders are still racing (default:\n"
    "                 five minutes a lap and a minute more)\n"
    "  --json         print the result as one JSON object\n"
    "  --record FILE  record the race into a demo file (krsim play replays it)\n"
    "  --record-audio FILE  the engines as heard from the first rider, 8-bit\n"
    "                 unsigned stereo at 88320 samples a second, 690 a step\n"
    "                 (play it with: aplay -f U8 -c 2 -r 88320 FILE)\n"
    "\n"
    "The race ends when every rider has finished or the steps run out. Two runs\n"
    "with the same arguments give the same standings. The last line on standard\n"
    "error counts the physics library's messages.\n";

struct Options {
  std::string track = "rabbithill";
  long riders = 40;
  int kind = RobotSlot;
  long laps = 3;
  double minutes = 0;
  int skill = 0;
  long seed = 0;
  long steps = 0;
  bool json = false;
  std::string record;
  std::string record_audio;
};

int parse(const std::vector<std::string>& args, Options& o, bool& help) {
  KrsimArgs a("race", kUsage, args);
  help = false;
  while (a.next()) {
    if (a.help_asked()) {
      help = true;
      return a.help();
    }
    std::string text;
    if (a.is("--track")) {
      if (!a.text(o.track)) return 1;
    } else if (a.is("--riders")) {
      if (!a.integer(o.riders, 1, kSlotCount)) return 1;
    } else if (a.is("--kind")) {
      if (!a.text(text)) return 1;
      if (text == "robot") o.kind = RobotSlot;
      else if (text == "robot2") o.kind = TwoStrokeRobotSlot;
      else if (text == "robot4") o.kind = FourStrokeRobotSlot;
      else if (text == "human") o.kind = HumanSlot;
      else return a.fail("--kind wants robot, robot2, robot4 or human, not '%s'", text.c_str());
    } else if (a.is("--laps")) {
      if (!a.integer(o.laps, 1, 1000)) return 1;
    } else if (a.is("--minutes")) {
      if (!a.number(o.minutes, 0, 600)) return 1;
    } else if (a.is("--skill")) {
      if (!a.text(text)) return 1;
      if (text == "novice") o.skill = 0;
      else if (text == "amateur") o.skill = 1;
      else if (text == "expert") o.skill = 2;
      else return a.fail("--skill wants novice, amateur or expert, not '%s'", text.c_str());
    } else if (a.is("--seed")) {
      if (!a.integer(o.seed, 0, 1000000000)) return 1;
    } else if (a.is("--steps")) {
      if (!a.integer(o.steps, 1, 1000000000)) return 1;
    } else if (a.is("--record-audio")) {
      if (!a.text(o.record_audio)) return 1;
    } else if (a.is("--record")) {
      if (!a.text(o.record)) return 1;
    } else if (a.is("--json")) {
      o.json = true;
    } else {
      return a.unknown();
    }
  }
  return 0;
}

struct Standing {
  int position = 0, slot = 0, laps = 0;
  std::string number, bike;
  double best_lap = 0, total_time = 0;
  bool finished = false;
  int crashes = 0;
};

std::vector<Standing> standings_of(const Session& s, const Track& t) {
  std::vector<Standing> out;
  const bool final = s.race.results_final;
  const std::vector<StandingsEntry>& order = final ? s.race.final_standings : s.race.standings;
  for (const StandingsEntry& e : order) {
    const SessionSlot& slot = s.slots[e.slot];
    Standing st;
    st.position = static_cast<int>(out.size()) + 1;
    st.slot = e.slot;
    st.number = slot.number;
    st.bike = slot.model;
    st.laps = laps_completed(t.gates, e.gates_passed);
    st.best_lap = best_lap(s.race, t.gates, slot.timing) * kStep;
    // The final standings hold the penalised total; the live ones the step
    // of the last gate.
    const int last = e.last_gate_step;
    st.total_time = last > s.race.start_step ? (last - s.race.start_step) * kStep : 0;
    st.finished = slot.timing.finished;
    st.crashes = slot.bike ? slot.bike->crash.count : 0;
    out.push_back(st);
  }
  return out;
}

std::string json_text(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) continue;
    out += c;
  }
  return out + "\"";
}

struct Cost {
  long steps = 0;
  double wall = 0, physics = 0;
  int bikes = 0;
};

void print_text(const Options& o, const std::vector<Standing>& st, const Cost& c) {
  std::printf("race: %s, %ld riders, %ld laps%s\n", o.track.c_str(), o.riders, o.laps,
              o.minutes > 0 ? " after the time" : "");
  std::printf("%4s %4s %4s %-16s %4s %9s %10s %8s %7s\n", "pos", "slot", "no.", "bike", "laps", "best lap", "total",
              "finished", "crashes");
  for (const Standing& s : st) {
    std::printf("%4d %4d %4s %-16s %4d %9.3f %10.3f %8s %7d\n", s.position, s.slot, s.number.c_str(), s.bike.c_str(),
                s.laps, s.best_lap, s.total_time, s.finished ? "yes" : "no", s.crashes);
  }
  const double simulated = c.steps * kStep;
  std::printf("cost: %ld steps (%.1f s simulated) in %.3f s: %.2f times real time, %.1f us a step, %.2f us a bike-step, "
              "%.0f%% in the world step\n",
              c.steps, simulated, c.wall, c.wall > 0 ? simulated / c.wall : 0, c.steps ? c.wall * 1e6 / c.steps : 0,
              c.steps && c.bikes ? c.wall * 1e6 / (static_cast<double>(c.steps) * c.bikes) : 0,
              c.wall > 0 ? 100 * c.physics / c.wall : 0);
}

void print_json(const Options& o, const std::vector<Standing>& st, const Cost& c) {
  const double simulated = c.steps * kStep;
  std::printf("{\"track\": %s, \"riders\": %ld, \"steps\": %ld, \"wall_s\": %.6f, \"realtime_factor\": %.4f, "
              "\"us_per_step\": %.3f, \"us_per_bike_step\": %.4f, \"physics_share\": %.4f, \"standings\": [",
              json_text(o.track).c_str(), o.riders, c.steps, c.wall, c.wall > 0 ? simulated / c.wall : 0,
              c.steps ? c.wall * 1e6 / c.steps : 0,
              c.steps && c.bikes ? c.wall * 1e6 / (static_cast<double>(c.steps) * c.bikes) : 0,
              c.wall > 0 ? c.physics / c.wall : 0);
  for (size_t i = 0; i < st.size(); ++i) {
    const Standing& s = st[i];
    std::printf("%s{\"position\": %d, \"slot\": %d, \"number\": %s, \"bike\": %s, \"laps\": %d, \"best_lap_s\": %.4f, "
                "\"total_time_s\": %.4f, \"finished\": %s, \"crashes\": %d}",
                i ? ", " : "", s.position, s.slot, json_text(s.number).c_str(), json_text(s.bike).c_str(), s.laps,
                s.best_lap, s.total_time, s.finished ? "true" : "false", s.crashes);
  }
  std::printf("]}\n");
}

bool everyone_finished(const Session& s) {
  if (s.riders.empty()) return true;
  for (const RaceRider& r : s.riders)
    if (!r.timing->finished) return false;
  return true;
}

}  // namespace

int krsim_race(const std::vector<std::string>& args) {
  Options o;
  bool help;
  if (int status = parse(args, o, help); status != 0 || help) return status;

  PhysicsWorld& world = physics_world();
  if (!physics_world_create(world)) {
    std::fprintf(stderr, "krsim race: the physics library did not start\n");
    return 1;
  }
  Session& s = current_session();
  s.race.race_step = static_cast<int>(o.seed);
  SlotKinds kinds{};
  for (long i = 0; i < o.riders; ++i) kinds[i] = o.kind;
  SessionRequest request;
  request.table = &kinds;
  request.track = o.track;
  request.time_limit_steps = static_cast<int>(std::lround(o.minutes * 60 * kStepsPerSecond));
  request.laps = static_cast<int>(o.laps);
  request.line_skill = o.skill;
  request.record_demo = !o.record.empty();
  request.demo_file = o.record;
  if (!session_setup(request)) {
    for (const std::string& m : recent_messages()) std::fprintf(stderr, "%s\n", m.c_str());
    std::fprintf(stderr, "krsim race: track '%s' did not load\n", o.track.c_str());
    physics_world_destroy(world);
    return 1;
  }

  const long limit = o.steps ? o.steps : static_cast<long>((o.minutes * 60 + o.laps * 300 + 60) * kStepsPerSecond);
  Cost cost;
  cost.bikes = static_cast<int>(s.riders.size());
  const double physics_before = physics_step_seconds();
  const auto start = std::chrono::steady_clock::now();
  AudioRecording audio;
  if (!o.record_audio.empty() && !audio.open(o.record_audio)) {
    std::fprintf(stderr, "krsim race: can't write '%s'\n", o.record_audio.c_str());
    free_session();
    free_track();
    physics_world_destroy(world);
    return 1;
  }
  while (cost.steps < limit && !everyone_finished(s)) {
    frame_step();
    audio.step(s.watched_slot);
    ++cost.steps;
  }
  audio.close();
  cost.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  cost.physics = physics_step_seconds() - physics_before;

  if (!o.record.empty() && !demo_recording(demo_recorder())) {
    std::fprintf(stderr, "krsim race: could not record into '%s'\n", o.record.c_str());
  }
  const std::vector<Standing> st = standings_of(s, current_track());
  if (o.json) print_json(o, st, cost);
  else print_text(o, st, cost);
  free_session();
  free_track();
  physics_world_destroy(world);
  std::fprintf(stderr, "ODE messages: %ld\n", physics_message_count());
  return 0;
}
