// Demos for the whole program: the history rings of every slot, the demo
// being recorded and the one being played, and the Skip and Rewind
// requests of the controls.
#pragma once
#include <string>

#include "demo/demo_player.h"
#include "demo/demo_recorder.h"
#include "demo/history_ring.h"

// The program's rings, recorder and player; they live from start-up to
// shutdown.
HistoryRings& demo_history();
DemoRecorder& demo_recorder();
DemoPlayer& demo_player();

// Opens a demo to play (the command line's demo file) before any slot is
// taken; *track receives the track it was recorded on. False, with a
// message, when it cannot be played.
bool open_demo_for_playback(const char* file, std::string* track);
// The Skip (+) and Rewind (-) controls: asks to move the played demo by
// seconds. Requests add up until the race step takes them.
void seek_demo(double seconds);
// The seconds asked for since the last call (0 when none), cleared.
double take_demo_seek_request();
