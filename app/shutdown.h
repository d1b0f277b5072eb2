// Leaving the game: the server, the race records, the session, the
// devices, the configuration and the log, in that order.
#pragma once
#include <cstdio>

#include "app/app_state.h"

// Returns the exit status (0).
int shutdown_sequence(App& app, FILE* audio_recording);
