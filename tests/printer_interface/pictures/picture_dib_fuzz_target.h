// The fuzz entry over the packed bitmaps the device model hands the picture
// controls (conditional pictures and the device picture). The test program
// runs it for a fixed budget; in a clang build configured with
// -DPK_LIBFUZZER=ON the same file is the libFuzzer program `picture_dib_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz picture_dib_fuzz && build-fuzz/out/picture_dib_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Makes the control the pictures are made for.
bool picture_dib_fuzz_setup();
// Byte 0 bit 0 picks display depth 8 (else 32); the rest is a packed DIB
// made into a bitmap and a palette, then drawn with magenta cut out. A GDI
// object or block left behind traps.
void picture_dib_fuzz_one(const uint8_t* data, size_t size);
