#include "core/frame_step.h"

#include "core/session.h"

void frame_step() {
  if (!track_loaded()) return;
  ++current_session().step_count;
}
