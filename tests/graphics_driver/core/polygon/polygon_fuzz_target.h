// The fuzz entry over the polygon geometry, whose points are the coordinates
// of the paths applications draw. The test program runs it for a fixed
// budget; in a clang build configured with -DPK_LIBFUZZER=ON the same file is
// the libFuzzer program `polygon_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz polygon_fuzz && build-fuzz/out/polygon_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// The first bytes pick the band (rows, width), the coordinate range (small,
// 16-bit or full 32-bit), the fill bounds, the run limit and an allocation
// to fail; then come the polygon's points and the segments and points to
// test against it. The band buffer is exactly its size, so any write outside
// it traps, and so does an answer out of range or a block left behind.
void polygon_fuzz_one(const uint8_t* data, size_t size);
