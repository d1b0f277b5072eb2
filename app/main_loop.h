// The main loop: one rendered frame per pass and as many fixed steps as
// the real time that passed calls for.
#pragma once
#include <cstdio>

#include "app/app_state.h"
#include "app/controls.h"
#include "app/frame_pacing.h"
#include "app/loop_parts.h"

// Base engine volume for the watched bike before the Volume setting.
double engine_base_volume(bool paused, ViewMode view, bool menu_open, bool watched_live);

// What one pass of the loop works with: the subsystems, the clock it paces
// by and reads event moments from, the audio recording (or null) and the
// sit/dab toggle carried between steps.
struct LoopContext {
  const LoopParts* parts;
  const PacingClock* clock;
  FILE* audio_recording = nullptr;
  SitToggle sit;
};

// One pass: draw, update the engine sounds, pace, then the steps due.
void run_frame(App& app, LoopContext& context);
// One fixed step: the events stamped up to its moment, the controls, the
// network and the frame step.
void run_one_step(App& app, LoopContext& context);

// Runs until the quit flag is set.
void run_main_loop(App& app, FILE* audio_recording);
