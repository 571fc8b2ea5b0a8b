// The fuzz entry of the stamp text page over what it reads from outside: a
// stamp stored in the user's registry (any bytes, any size) and the working
// DEVMODE an application handed in. The page test program runs it for a
// fixed budget; in a clang build configured with -DPK_LIBFUZZER=ON the same
// file is the libFuzzer program `stamp_record_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz stamp_record_fuzz && build-fuzz/out/stamp_record_fuzz -max_total_time=600
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the default printer of the current machine root with the library's
// module state, its model, default settings and a sheet around them; false
// when that fails.
bool stamp_record_fuzz_setup();
// Input: a control byte (bit 0 apply mode 1, else 0; bit 1 apply the stored
// stamp by name, else none; bit 2 store the value with the size of the
// input's next part, else 308 bytes), the stored value, then patches of the
// working DEVMODE (a 16-bit little-endian offset, a length byte and the
// bytes). The record is built from the DEVMODE, compared with the store,
// the stored stamp applied and the record built again; texts must come back
// terminated within their fields, samples within 64 characters, and nothing
// may be left allocated.
void stamp_record_fuzz_one(const uint8_t* data, size_t size);
void stamp_record_fuzz_teardown();
