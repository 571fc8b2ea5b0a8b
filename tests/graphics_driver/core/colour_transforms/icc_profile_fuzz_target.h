// The fuzz entry over ICC profile files: the bytes are the profile. The test
// program runs it for a fixed budget; in a clang build configured with
// -DPK_LIBFUZZER=ON the same file is the libFuzzer program `icc_profile_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz icc_profile_fuzz && build-fuzz/out/icc_profile_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Loads the profile, runs pixels through what it built and frees it. Any
// answer out of range traps, and so does a global block left behind.
void icc_profile_fuzz_one(const uint8_t* data, size_t size);
