// The extraction fuzz target, shared by the libFuzzer build and the replay
// driver of the test suite.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes `data` as shaders.zip in a scratch working directory (made at the
// first call), runs muExtrFile2 and returns its result. Aborts if anything
// other than the table's members was written, then clears the extracted files.
int extractArchiveBytes(const uint8_t *data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
