// The fuzz entry over the device description reader. The test program runs it
// for a fixed budget; in a clang build configured with -DPK_LIBFUZZER=ON the
// same file is the libFuzzer program `model_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz model_fuzz && build-fuzz/out/model_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Loads the bytes as a printer's primary description file (in the current
// machine root) and runs every model query over it: records of every type,
// header fields and texts, the string module, the default, feature and
// options of every setting id, the device picture, and a whole default
// settings build. Anything but a clear status traps, and so does a global
// block or handle left behind. Returns 1 when the model loaded.
int model_fuzz_one(const uint8_t* data, size_t size);
