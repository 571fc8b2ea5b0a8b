// The fuzz entry over the readers of incoming DEVMODEs. The test programs of
// both settings builds run it for a fixed budget; in a clang build configured
// with -DPK_LIBFUZZER=ON the same file is the libFuzzer program `devmode_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz devmode_fuzz && build-fuzz/out/devmode_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the default printer of the current machine root and its model, and
// builds the model's default blocks; false when any of it fails.
bool devmode_fuzz_setup();
// Runs the bytes as a DEVMODE of whatever sizes it claims (in a buffer of
// exactly those bytes) through the merge into the defaults and the incoming
// conversion, as a printer settings block through its conversion, and as the
// spooler's stored DEVMODE of the printer through the default DEVMODE road.
// Anything but a clear answer traps, and so does a global block left behind.
void devmode_fuzz_one(const uint8_t* data, size_t size);
// Closes what the setup opened.
void devmode_fuzz_teardown();
