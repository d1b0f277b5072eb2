// The off-course test of a multiplayer race: a rider who took much longer
// than the leader over the stretch to a gate left the course.
#pragma once
#include "race/race_record.h"
#include "track/timing_gates.h"

// The server's settings: a rider is off course when its time to a gate is
// at least the leader's time times `scale` plus `bias_seconds`.
struct OffCourseRule {
  double scale = 0;
  double bias_seconds = 0;
};

// The bias as a step count: the rule compares step counts.
double off_course_bias_steps(const OffCourseRule& rule);
// The test applies once the race has run for the bias.
bool off_course_due(const RaceRecord& race, const OffCourseRule& rule);

// The bike's time to gate g runs from its last step among the three gates
// before g (or the start) to its first step at or after g (or now). The
// leader's time is that of the first rider in the standings that passed g
// with steps at g - 1 and g. Without such a leader, or with settings that
// are not finite, nobody is off course.
bool is_off_course(const RaceRecord& race, const TimingGates& gates, RaceRiders riders, const BikeTiming& bike,
                   int g, const OffCourseRule& rule);
