// The fuzz entry over the conflict engine. The test program runs it for a
// fixed budget; in a clang build configured with -DPK_LIBFUZZER=ON the same
// file is the libFuzzer program `conflict_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz conflict_fuzz && build-fuzz/out/conflict_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// The first 48 bytes (when there are that many) are the values of settings
// an application's DEVMODE and the stored settings carry (papers, sources,
// sizes, scaling, flags); the rest is a printer's primary description file.
// Every setting the engine knows is checked in every mode, with its current
// value and a value from the input; the resolutions of each result are
// written; the scaled paper fit is checked. Anything but a clear status
// traps, and so does a global block or handle left behind. Returns 1 when
// the model loaded.
int conflict_fuzz_one(const uint8_t* data, size_t size);
