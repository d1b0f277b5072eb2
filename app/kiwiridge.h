// The program's entry: start-up, the main loop and shutdown.
#pragma once

// Returns the exit status: 0 after a normal run, --open-home or missing
// game data; 1 after a command-line error, no tracks or no window.
int kiwiridge_main(int argc, char** argv);
