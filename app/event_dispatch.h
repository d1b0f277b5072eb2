// The main loop's handling of one input event, and the view mode rules.
#pragma once
#include "app/app_state.h"
#include "app/controls.h"
#include "platform/event_queue.h"
#include "app/loop_parts.h"

// Digits of the top row arrive as characters.
constexpr int kDigitZero = '0';

void dispatch_event(LoopState& loop, const CommandLine& options, const LoopParts& parts,
                    ControlState* controls, const InputEvent& event);

// Tab: RiderView -> EditorView (with --editor) or OrbitCamera ->
// TrackCamera -> RiderView; EditorView -> OrbitCamera; TitleView stays.
ViewMode next_view(ViewMode mode, bool editor_enabled);

// The corrections made before each frame: a loaded track leaves the title,
// a live rider is shown from the rider's view, no bike means the track
// cameras and no track the title.
void fix_view_mode(LoopState& loop, const LoopParts& parts);

// Track camera for a digit: 1..9 pick that camera (the last one when there
// are fewer), 0 the free camera (-1); with no track cameras, the free one.
int track_camera_for_digit(int digit, int camera_count);
