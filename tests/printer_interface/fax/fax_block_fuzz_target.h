// The fuzz entry over what the fax helpers read from outside: a settings
// blob file with its fax block, and the temp file records any program of the
// user can write. The test program runs it for a fixed budget; in a clang
// build configured with -DPK_LIBFUZZER=ON the same file is the libFuzzer
// program `fax_block_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz fax_block_fuzz && build-fuzz/out/fax_block_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Makes the blob file in the temp folder of the current machine root.
bool fax_block_fuzz_setup();
// Byte 0 bit 0 clear: the rest is a blob file, after a valid head and
// extension when bit 1 is set; loaded with a fax object, whose block must
// make the same entries again. Bit 0 set: the rest is the data of a record
// "OrvaInfo_1" (and "OrvaInfo_2" of the same bytes), then cleaned up. A
// block left behind traps.
void fax_block_fuzz_one(const uint8_t* data, size_t size);
