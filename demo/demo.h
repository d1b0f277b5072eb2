// Demo files: recording races into ".krdemo" files and playing them back,
// with ghosts, skip and rewind.
#pragma once
#include <string>

// Opens a demo to play; *track receives the track it was recorded on.
bool open_demo_for_playback(const char* file, std::string* track);
// Skips forward (+) or rewinds (-) the played demo by seconds.
void seek_demo(double seconds);
