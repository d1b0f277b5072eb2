// The robots in the session: their lines learned from every rider through
// the gate crossings, and each robot's controls every step from the auto
// pilot, before its bike's own step.
#pragma once

struct Session;

// What the auto pilot sees of a bike's frame.
struct RiderFrame;
struct Bike;
RiderFrame rider_frame(const Bike& bike);

// Points the race rules' line learning at the session's robots and lines.
void install_line_learning(Session& s);
// The robot in the slot takes its controls for this step.
void drive_robot(Session& s, int slot);
