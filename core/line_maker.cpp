#include "core/line_maker.h"

#include <cstdio>

#include "core/frame_step.h"
#include "core/session.h"
#include "core/session_setup.h"
#include "platform/messages.h"
#include "race/laps.h"
#include "robot/course_path.h"
#include "robot/drive.h"
#include "robot/line_plan.h"
#include "robot/lines_file.h"
#include "track/track.h"

namespace {

// Steps a rider may take over a lap before the maker gives up on it.
constexpr int kLapStepLimit = 5 * 60 * kStepsPerSecond;

bool everyone_done(const Session& s) {
  for (const RaceRider& r : s.riders)
    if (!r.timing->finished) return false;
  return true;
}

void count_lines(const LineTable& t, LineMakerReport& r) {
  r.segments = static_cast<int>(t.segments.size());
  r.lines = r.points = r.runs = r.failures = 0;
  for (const LineSlots& slots : t.segments)
    for (const Line& l : slots) {
      if (l.empty()) continue;
      ++r.lines;
      r.points += l.point_count();
      r.runs += l.runs;
      r.failures += l.failures;
    }
}

std::string output_of(const LineMakerOptions& o) {
  return o.output.empty() ? line_file_path(o.track, o.skill) : o.output;
}

// The first part: one rider with no personality follows the path through
// the gates; every stretch between switch points it rides cleanly becomes
// a line.
bool record_lines(const LineMakerOptions& o, LineMakerReport& report) {
  SlotKinds kinds{};
  kinds[0] = RobotSlot;
  SessionRequest request;
  request.table = &kinds;
  request.track = o.track;
  request.laps = o.recording_laps;
  request.line_skill = -1;
  if (!session_setup(request)) {
    std::fprintf(stderr, "make lines: track '%s' did not load\n", o.track.c_str());
    return false;
  }
  Session& s = current_session();
  const Track& track = current_track();
  if (track.gates.checkpoints.empty()) {
    std::fprintf(stderr, "make lines: track '%s' has no timing gates\n", o.track.c_str());
    return false;
  }
  SessionSlot& rider = s.slots[0];
  robot_state_reset(rider.robot, 0);  // no personality: its rides are recorded
  robot_start_reset(rider.robot);
  rider.robot.path = course_path(track.gates, track.terrain, rider.grid.x, rider.grid.z, o.recording_laps + 1,
                                 skill_pace(o.skill));
  // Learning fills the table that the session has for the track.
  const long limit = static_cast<long>(o.recording_laps + 1) * kLapStepLimit;
  for (long step = 0; step < limit && !everyone_done(s); ++step) frame_step();
  report.recording_lap_seconds = lap_time(s.race, track.gates, rider.timing, -1) * kStep;
  count_lines(s.lines, report);
  if (report.lines == 0) {
    std::fprintf(stderr, "make lines: the rider made no line on '%s'\n", o.track.c_str());
    return false;
  }
  return lines_write(s.lines, output_of(o).c_str());
}

// The second part: robots race on the lines, and their runs, times and
// falls become the lines' statistics.
bool race_on_lines(const LineMakerOptions& o, LineMakerReport& report) {
  if (o.robots <= 0) return true;
  SlotKinds kinds{};
  for (int i = 0; i < o.robots && i < kSlotCount; ++i) kinds[i] = RobotSlot;
  SessionRequest request;
  request.table = &kinds;
  request.track = o.track;
  request.laps = o.robot_laps;
  request.line_skill = -1;
  if (!session_setup(request)) return false;
  Session& s = current_session();
  lines_read(s.lines, output_of(o).c_str());
  for (int type = 0; type < kPlanTypes; ++type) plan_laps(s.lines, type);
  const long limit = static_cast<long>(o.robot_laps + 1) * kLapStepLimit;
  for (long step = 0; step < limit && !everyone_done(s); ++step) frame_step();
  report.robots_finished = 0;
  for (const RaceRider& r : s.riders) report.robots_finished += r.timing->finished ? 1 : 0;
  for (int type = 0; type < kPlanTypes; ++type) plan_laps(s.lines, type);
  report.first_lap_plan = s.lines.plans[2].first_lap;
  report.normal_lap_plan = s.lines.plans[2].normal_lap;
  count_lines(s.lines, report);
  return lines_write(s.lines, output_of(o).c_str());
}

}  // namespace

bool make_lines(const LineMakerOptions& o, LineMakerReport& report) {
  report = LineMakerReport();
  report.file = output_of(o);
  const bool ok = record_lines(o, report) && race_on_lines(o, report);
  free_session();
  return ok;
}
