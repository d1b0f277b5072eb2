// The main loop: one rendered frame per pass and as many fixed steps as
// the real time that passed calls for.
#pragma once
#include <cstdio>

#include "core/app_state.h"

// Base engine volume for the watched bike before the Volume setting.
double engine_base_volume(bool paused, ViewMode view, bool menu_open, bool watched_live);

// Runs until the quit flag is set.
void run_main_loop(App& app, FILE* audio_recording);
