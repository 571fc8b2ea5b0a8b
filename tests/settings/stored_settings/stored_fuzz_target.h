// The fuzz entry over the readers of stored settings. The test programs of
// both settings builds run it for a fixed budget; in a clang build configured
// with -DPK_LIBFUZZER=ON the same file is the libFuzzer program `stored_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz stored_fuzz && build-fuzz/out/stored_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the default printer of the current machine root and its model; false
// when either fails.
bool stored_fuzz_setup();
// The bytes are records of a target byte, a registry type byte, a 16-bit
// little-endian length and the value's bytes. Every target (chunk sizes and
// chunks of the chunked values and of the settings blob in printer data, the
// printer id, the per-user blob and user fields, a blob file) is first
// stored empty, then the records are stored as given, and every reader of
// them runs: chunked values, the printer settings block, the font
// substitution text, the settings blob from its three places and the user
// fields. Anything but a clear answer traps, and so does a global block or
// handle left behind.
void stored_fuzz_one(const uint8_t* data, size_t size);
void stored_fuzz_teardown();
