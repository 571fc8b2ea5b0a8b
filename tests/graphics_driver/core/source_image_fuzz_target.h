// The fuzz entry over the source image reader, the down-scaler and the
// replay of a capture, which take bitmaps, origins, sizes and colour
// translations that applications choose. The test program runs it for a
// fixed budget; in a clang build configured with -DPK_LIBFUZZER=ON the same
// file is the libFuzzer program `source_image_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz source_image_fuzz && build-fuzz/out/source_image_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// The first bytes pick the bitmap (format, size, row order), its colour
// translation, the rectangle read and its origin, the packing, the scaler's
// sizes and a capture header; then come the bitmap's pixels and the
// capture's bytes. The reader, the black-and-white test, the scaler and the
// replay into an exactly sized band run on them; any access outside a
// buffer traps, and so does a block left behind.
void source_image_fuzz_one(const uint8_t* data, size_t size);
