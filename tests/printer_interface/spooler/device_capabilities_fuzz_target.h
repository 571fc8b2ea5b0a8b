// The fuzz entry over DrvDeviceCapabilities with an application's DEVMODE.
// The interface test program runs it for a fixed budget; in a clang build
// configured with -DPK_LIBFUZZER=ON the same file is the libFuzzer program
// `device_capabilities_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz device_capabilities_fuzz && build-fuzz/out/device_capabilities_fuzz -max_total_time=600
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the default printer of the current machine root with the library's
// module state set up; false when that fails.
bool device_capabilities_fuzz_setup();
// The first byte picks the capability index (0-35); the rest patches the
// printer's DEVMODE (pairs of a 16-bit offset and bytes, see the source),
// which is then passed in a buffer of exactly the sizes it declares. Every
// index is asked for its count and then for its answer into an output of
// exactly that many entries; the two answers must agree, and nothing may be
// left allocated.
void device_capabilities_fuzz_one(const uint8_t* data, size_t size);
void device_capabilities_fuzz_teardown();
