// The fuzz entry over the band engine and the brush realisation, which take
// coordinates, sizes and pattern bits that applications choose. The test
// program runs it for a fixed budget; in a clang build configured with
// -DPK_LIBFUZZER=ON the same file is the libFuzzer program `band_engine_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz band_engine_fuzz && build-fuzz/out/band_engine_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// The first bytes pick the band (rows, width, top), the drawing state, the
// brush bitmap's size and a pattern brush's format, size and table; then come
// the brush bitmap, the brush cell, the pattern's pixels and a list of drawing
// calls (spans, bitmap rows, clipped rows, saved areas) with their
// coordinates. The band buffer is exactly its size, so any write outside it
// traps, and so does an answer out of range or a block left behind.
void band_engine_fuzz_one(const uint8_t* data, size_t size);
