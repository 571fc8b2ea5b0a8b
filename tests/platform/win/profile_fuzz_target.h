// The fuzz entry over private profile files: the bytes are the file; keys are
// read, one key is written and must read back as written. The test program
// runs it for a fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER
// defined, the same file is a libFuzzer target (see pk_add_fuzzer):
//   ./profile_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Returns false when the written key did not read back.
bool profile_fuzz_one(const uint8_t* data, size_t size);
