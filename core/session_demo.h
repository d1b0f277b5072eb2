// The session's demos: recording the race, placing a played demo's riders
// in the empty slots, posing them from their rings every step, and skip and
// rewind.
#pragma once
#include <string>

struct Session;
struct Track;

// At set-up, after the bikes: the riders simulated here are recorded.
void start_session_recording(Session& s, int demo_backups, const std::string& file_name);
// At set-up, before the bikes: the played demo's race length and start.
void take_demo_race(Session& s);
// At set-up, after the other bikes: the demo's riders in the empty slots.
void place_demo_riders(Session& s);
// Each step, first: ring-driven bikes posed for the current step.
void pose_replayed_bikes(Session& s, const Track& track);
// Each step, after the step count rose: record, then read the demo ahead.
void record_and_read_demo(Session& s);
// Each step, before anything moves: a skip or rewind asked for.
void handle_demo_seek(Session& s);
// At the end of a session: the last chunk written and the files closed.
void finish_session_demos(Session& s);
