// The fuzz entry over what document properties read from an application:
// its DEVMODE (any bytes within the sizes it declares) and the header handed
// to DrvDocumentPropertySheets without sheet information. The test program
// runs it for a fixed budget; in a clang build configured with
// -DPK_LIBFUZZER=ON the same file is the libFuzzer program
// `document_properties_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz document_properties_fuzz && build-fuzz/out/document_properties_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the default printer of the current machine root; false on failure.
bool document_properties_fuzz_setup();
// Byte 0 picks the mode, byte 1 the header size given to the sheet callback;
// the rest patch the printer's DEVMODE as (16-bit offset, length byte,
// bytes) records, and the DEVMODE's buffer ends where its sizes say. An
// answer other than 1, 2, -1 or the size, a write past the output, or a
// block or handle left behind traps.
void document_properties_fuzz_one(const uint8_t* data, size_t size);
void document_properties_fuzz_teardown();
