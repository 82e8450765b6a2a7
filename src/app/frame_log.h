// Measurement switch for the benchmarks, off unless the environment asks:
//   VELLORA_FRAME_LOG=FILE         one line per drawn frame (see frame_log.cpp)
//   VELLORA_EXIT_AFTER_FRAMES=N    end the program after N drawn frames
// When off, each hook is one test of a flag: no clock read, no allocation,
// and the program behaves exactly as without it.
#pragma once

namespace FrameLog {

// Reads the environment once; called by the entry before the loop.
void start();
// Around each drawn frame.
void beginFrame();
void endFrame();
// On an idle pass: the next frame's interval would span the rest, not a frame.
void rest();
// Around the frame thread's part of the library's changes in a pass; a
// change line is written when they changed the album list.
void beginChange();
void endChange(bool changed);
// Writes the texture summary and closes the file; needs the GL context and
// the texture table, so the entry calls it before releasing them.
void finish();

}  // namespace FrameLog
