// The fuzz entry over the texts the conflict messages make of the settings
// an application's DEVMODE and the printer settings block carry. The test
// program runs it for a fixed budget; in a clang build configured with
// -DPK_LIBFUZZER=ON the same file is the libFuzzer program
// `conflict_texts_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz conflict_texts_fuzz && build-fuzz/out/conflict_texts_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the default printer of the current machine root, its model and the
// resource module, and builds the default settings; false when that fails.
bool conflict_texts_fuzz_setup();
// The bytes are patches of the default settings: a 16-bit little-endian
// offset into the DEVMODE followed by the printer settings block, a length
// byte and the bytes, then a last record that names the settings of a
// conflict (list-1 keys, paper check bits and a proposed value). Every text
// builder runs over the patched settings: names, value texts with and
// without sizes, a name with its value, lists, the refusal and ask messages
// and the scaled paper texts. A text without its terminator within its block
// traps, and so does a global block left behind.
void conflict_texts_fuzz_one(const uint8_t* data, size_t size);
void conflict_texts_fuzz_teardown();
