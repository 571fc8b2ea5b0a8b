// The fuzz entry over the colour stage's readers of application images. The
// test program runs it for a fixed budget; in a clang build configured with
// -DPK_LIBFUZZER=ON the same file is the libFuzzer program `image_colour_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz image_colour_fuzz && build-fuzz/out/image_colour_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// The first bytes pick the width, rows, bits per pixel, palette entry count,
// scan mode, run flags and row alignment; then come the palette and the
// pixels, each in a block of exactly its size (missing pixel bytes are 0).
// The image goes through the grey scans, the page colour set, the palette
// conversion and the quarter turn. Any answer out of range traps, and so does
// a global block left behind.
void image_colour_fuzz_one(const uint8_t* data, size_t size);
