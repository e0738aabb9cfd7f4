// Live frame pacing (--gl4d-max-fps): frames no closer than 1/N s apart.
#pragma once

namespace gl4d {

// After a frame is shown: waits until 1/maxFps s after the previous frame's
// slot. A late frame starts the count again, so frames never bunch up.
void paceLiveFrame(int maxFps);

}  // namespace gl4d
