// The fuzz entry over the readers of the stamp and favourites stores. The
// test programs of both settings builds run it for a fixed budget; in a clang
// build configured with -DPK_LIBFUZZER=ON the same file is the libFuzzer
// program `stamp_favorite_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz stamp_favorite_fuzz && build-fuzz/out/stamp_favorite_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the default printer of the current machine root and its model; false
// when either fails.
bool stamp_favorite_fuzz_setup();
// The bytes are records of a target byte, a registry type byte, a 16-bit
// little-endian length, a name byte and the value's bytes. The stamp store
// and the favourites key are cleared, then each record stores a value: a
// stamp (named by the name byte, or by the first bytes of the value), the
// "Stamp Version", or one of the favourite values of favourite 1 or 2, the
// index or the position. Then every reader runs: the stamp name list, count,
// read, comparison and limit checks, the favourites' loads and the index.
// Anything but a clear answer traps, and so does a global block or handle
// left behind or a text handed out without its terminator.
void stamp_favorite_fuzz_one(const uint8_t* data, size_t size);
void stamp_favorite_fuzz_teardown();
