// The fuzz entry over what the document events read from outside: the
// application's DEVMODE, the stored paper margins (per-user value and the
// machine key a new per-user key is seeded from), the machine's default
// logon user, and the graphics driver's answers to the escapes. The test
// program runs it for a fixed budget; in a clang build configured with
// -DPK_LIBFUZZER=ON the same file is the libFuzzer program
// `document_event_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz document_event_fuzz && build-fuzz/out/document_event_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the default printer of the current machine root; false on failure.
bool document_event_fuzz_setup();
// The bytes are records of a target byte, a registry type byte (for stored
// values), a 16-bit little-endian length and the record's bytes. Targets: 0
// the per-user margin value of the DEVMODE's paper, 1 the machine's margin
// value of that paper (with the per-user key removed first), 2 the default
// logon user name, 3 a patch (16-bit offset, bytes) of the application's
// DEVMODE, 4 the application DEVMODE's buffer size (16 bits), 5 a patch of
// the driver's working DEVMODE, 6 the page mark query, 7 the page count.
// Every event then runs on a device context answering from them; a block or
// handle left behind, or a DEVMODE handed out and not freed, traps.
void document_event_fuzz_one(const uint8_t* data, size_t size);
void document_event_fuzz_teardown();
