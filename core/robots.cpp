#include "core/robots.h"

#include <cmath>

#include "bike/bike.h"
#include "bike/presence.h"
#include "bike/roll.h"
#include "core/session.h"
#include "race/line_learning.h"
#include "robot/drive.h"
#include "robot/line_learning.h"
#include "robot/line_pick.h"
#include "track/track.h"

namespace {

Session* session_of(void* context) { return static_cast<Session*>(context); }

void sample(void* context, int slot) {
  Session& s = *session_of(context);
  SessionSlot& r = s.slots[slot];
  if (!r.bike) return;
  record_sample(s.lines.map, r.robot, rider_frame(*r.bike), r.timing.gates_passed, r.timing.crash_mark,
                s.race.race_step, s.race.start_step);
}

void crossed(void* context, int slot, const BikeTiming& timing, int gate, int expected) {
  Session& s = *session_of(context);
  SessionSlot& r = s.slots[slot];
  if (!r.bike) return;
  LineCrossing c;
  c.gate = gate;
  c.expected = expected;
  c.gate_steps = timing.gate_steps;
  c.race_step = s.race.race_step;
  c.start_step = s.race.start_step;
  c.crash_mark = timing.crash_mark;
  c.frame = rider_frame(*r.bike);
  learn_at_gate(s.lines, r.robot, c);
}

void finished(void* context, int slot) {
  Session& s = *session_of(context);
  if (s.slots[slot].source == RobotSource) robot_finish_fade(s.slots[slot].robot);
}

// The robot's lead over the second rider at the last gate both passed, in
// seconds; 0 when it does not lead.
double lead_seconds(const Session& s, int slot) {
  const std::vector<StandingsEntry>& st = s.race.standings;
  if (st.size() < 2 || st[0].slot != slot) return 0;
  const BikeTiming& a = s.slots[st[0].slot].timing;
  const BikeTiming& b = s.slots[st[1].slot].timing;
  int g = std::min(a.gates_passed, b.gates_passed) - 1;
  for (; g >= 0; --g) {
    if (g < static_cast<int>(a.gate_steps.size()) && g < static_cast<int>(b.gate_steps.size()) && a.gate_steps[g] >= 0 &&
        b.gate_steps[g] >= 0)
      return (b.gate_steps[g] - a.gate_steps[g]) * kStep;
  }
  return 0;
}

std::vector<OtherBike> others_than(const Session& s, int slot) {
  std::vector<OtherBike> out;
  for (int i = 0; i < kSlotCount; ++i) {
    const Bike* b = s.slots[i].bike.get();
    if (i == slot || !b || !bike_present(*b)) continue;
    OtherBike o;
    const dReal* p = dBodyGetPosition(b->body[kBodyFrame]);
    const dReal* v = dBodyGetLinearVel(b->body[kBodyFrame]);
    for (int k = 0; k < 3; ++k) o.position[k] = p[k], o.velocity[k] = v[k];
    out.push_back(o);
  }
  return out;
}

void wait_at_the_gate(Bike& b) {
  BikeControls& c = b.controls;
  c.throttle = 0;
  c.front_brake = c.rear_brake = 1;
  c.sit = b.crash.timer > 0 ? 0 : 1;
  c.steer = 0;
}

}  // namespace

RiderFrame rider_frame(const Bike& b) {
  RiderFrame f;
  const dReal* p = dBodyGetPosition(b.body[kBodyFrame]);
  const dReal* v = dBodyGetLinearVel(b.body[kBodyFrame]);
  const dReal* r = dBodyGetRotation(b.body[kBodyFrame]);
  for (int i = 0; i < 3; ++i) {
    f.position[i] = p[i];
    f.velocity[i] = v[i];
    f.heading[i] = -r[4 * i + 2];
  }
  f.speed = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  f.lean = roll_from_rotation(r, b.last_roll);
  f.airborne = !(b.wheel[0].depth > 0) && !(b.wheel[1].depth > 0);
  return f;
}

void install_line_learning(Session& s) {
  LineLearning ops{};
  ops.context = &s;
  ops.record_sample = sample;
  ops.crossed = crossed;
  ops.finished = finished;
  set_line_learning(&ops);
}

void drive_robot(Session& s, int slot) {
  SessionSlot& r = s.slots[slot];
  Bike& bike = *r.bike;
  int last_gate = s.race.start_step;
  if (r.timing.gates_passed > 0 && static_cast<int>(r.timing.gate_steps.size()) >= r.timing.gates_passed &&
      r.timing.gate_steps[r.timing.gates_passed - 1] >= 0)
    last_gate = r.timing.gate_steps[r.timing.gates_passed - 1];
  robot_crash_check(s.lines, r.robot, r.timing.crash_mark, r.timing.gates_passed, last_gate, s.race.race_step);

  const std::vector<OtherBike> others = others_than(s, slot);
  DriveContext ctx;
  ctx.race_step = s.race.race_step;
  ctx.start_step = s.race.start_step;
  ctx.countdown_steps = s.race.countdown_steps;
  ctx.ground = &current_track().terrain;
  ctx.others = &others;
  ctx.random = &s.random;

  DriveInputs in;
  in.frame = rider_frame(bike);
  in.race_step = s.race.race_step;
  in.start_step = s.race.start_step;
  in.lead_seconds = lead_seconds(s, slot);
  const PathStep path = follow_path(s.lines, r.robot, in);
  if (robot_start_step(bike, r.robot, ctx)) return;
  if (path.hold_controls) return;
  if (!path.has_path) {
    wait_at_the_gate(bike);
    return;
  }
  robot_ride(bike, r.robot, path.position, ctx);
}
