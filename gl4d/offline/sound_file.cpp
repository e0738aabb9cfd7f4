// Cutting the show's span out of the disk driver's file.
#include "gl4d/offline/sound_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace gl4d {

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;

void put16(std::vector<unsigned char> &b, unsigned v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
void put32(std::vector<unsigned char> &b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

// The 44-byte header of a PCM WAV file of dataBytes bytes.
std::vector<unsigned char> wavHeader(std::uint32_t dataBytes) {
  std::vector<unsigned char> h;
  auto tag = [&h](const char *t) { h.insert(h.end(), t, t + 4); };
  tag("RIFF");
  put32(h, 36 + dataBytes);
  tag("WAVE");
  tag("fmt ");
  put32(h, 16);
  put16(h, 1);  // PCM
  put16(h, kSoundChannels);
  put32(h, kSoundRate);
  put32(h, kSoundRate * kSoundFrameBytes);
  put16(h, kSoundFrameBytes);
  put16(h, 16);
  tag("data");
  put32(h, dataBytes);
  return h;
}

}  // namespace

bool cutShowSound(const std::string &rawPath, const std::string &wavPath, std::uint64_t blocksSeen,
                  std::uint64_t startupBlocks, std::uint64_t keepFrames, std::uint64_t *keptFrames,
                  std::string *error) {
  constexpr std::uint64_t blockBytes = static_cast<std::uint64_t>(kSoundBlockFrames) * kSoundFrameBytes;
  File in(std::fopen(rawPath.c_str(), "rb"), std::fclose);
  if (!in) {
    *error = "the sound file " + rawPath + " cannot be read";
    return false;
  }
  std::fseek(in.get(), 0, SEEK_END);
  const long size = std::ftell(in.get());
  const std::uint64_t bytes = size > 0 ? static_cast<std::uint64_t>(size) : 0;
  if (bytes % blockBytes != 0 || bytes / blockBytes < blocksSeen || startupBlocks > blocksSeen) {
    *error = "the sound file (" + std::to_string(bytes) + " bytes) does not match the " +
             std::to_string(blocksSeen) + " blocks of 1024 frames the program mixed: the show cannot be placed in it";
    return false;
  }
  const std::uint64_t start = (bytes / blockBytes - blocksSeen + startupBlocks) * blockBytes;
  const std::uint64_t frames = std::min(keepFrames, (bytes - start) / kSoundFrameBytes);
  const std::uint64_t dataBytes = frames * kSoundFrameBytes;
  if (dataBytes > 0xFFFFFFFFull - 36) {
    *error = "the sound is too long for a WAV file";
    return false;
  }
  File out(std::fopen(wavPath.c_str(), "wb"), std::fclose);
  if (!out) {
    *error = "cannot write " + wavPath;
    return false;
  }
  const std::vector<unsigned char> header = wavHeader(static_cast<std::uint32_t>(dataBytes));
  bool ok = std::fwrite(header.data(), 1, header.size(), out.get()) == header.size();
  std::fseek(in.get(), static_cast<long>(start), SEEK_SET);
  std::vector<unsigned char> buffer(1 << 16);
  for (std::uint64_t left = dataBytes; ok && left > 0;) {
    const size_t n = static_cast<size_t>(std::min<std::uint64_t>(left, buffer.size()));
    ok = std::fread(buffer.data(), 1, n, in.get()) == n && std::fwrite(buffer.data(), 1, n, out.get()) == n;
    left -= n;
  }
  if (std::fclose(out.release()) != 0) ok = false;
  if (!ok) {
    *error = "cannot copy the sound into " + wavPath;
    return false;
  }
  *keptFrames = frames;
  return true;
}

}  // namespace gl4d
