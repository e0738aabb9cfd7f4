// The capture's sound: SDL's disk audio driver writes every block it plays
// to a file; the show's span is cut out of it into a WAV file.
#pragma once

#include <cstdint>
#include <string>

namespace gl4d {

// The format the layer expects on the disk driver: the demo's own
// (48000 Hz, signed 16-bit, stereo, 1024-frame blocks).
constexpr int kSoundRate = 48000;
constexpr int kSoundChannels = 2;
constexpr int kSoundBlockFrames = 1024;
constexpr int kSoundFrameBytes = 2 * kSoundChannels;

// rawPath holds, in order, the blocks played before the program's post-mix
// routine was installed (never seen by the layer), then the blocksSeen
// blocks that reached the layer, of which the first startupBlocks came
// before the show. Writes the first keepFrames sound frames of the show
// (fewer if the file ends sooner) to wavPath; *keptFrames says how many.
bool cutShowSound(const std::string &rawPath, const std::string &wavPath, std::uint64_t blocksSeen,
                  std::uint64_t startupBlocks, std::uint64_t keepFrames, std::uint64_t *keptFrames,
                  std::string *error);

}  // namespace gl4d
