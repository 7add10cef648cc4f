// The recorder's steps. The host's samples arrive in the state's variable records (the gauge's
// callback looks them up); everything here works on the state alone.
#pragma once

#include "recorder/recorder_state.h"

// The pilot's clicks: start a recording on the card's first step, fly the step again, go on to
// the next, stop. Each acts only where it means something (start when not recording, the others
// while recording).
void recorder_start(recorder_state& r);
void recorder_repeat_step(recorder_state& r);
void recorder_skip_step(recorder_state& r);
void recorder_stop(recorder_state& r);

// Once a frame, after the samples: the card's progress and cue, this frame's row, and a write of
// the buffered rows when a second has passed or the buffer is nearly full.
void recorder_frame(recorder_state& r);

// The seconds left of the step being flown.
double step_seconds_left(const recorder_state& r);
