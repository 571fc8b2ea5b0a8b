// The fuzz entry over the icon images of choice lists (option pictures read
// from device description files). The test programs of both settings builds
// run it for a fixed budget; in a clang build configured with
// -DPK_LIBFUZZER=ON the same file is the libFuzzer program `choice_icon_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz choice_icon_fuzz && build-fuzz/out/choice_icon_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// The first byte picks the display depth (8, 16, 24 or 32 bits); the rest is
// the packed DIB. An icon made must have a size of 1 to 32 pixels each way;
// anything left behind (icon, palette, global block) traps.
void choice_icon_fuzz_one(const uint8_t* data, size_t size);
