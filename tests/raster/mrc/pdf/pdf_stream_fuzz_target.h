// The fuzz entry over opening PDF stream data and reading it through the
// filter chains. The test program runs it for a fixed budget; built with
// -fsanitize=fuzzer and PK_LIBFUZZER defined (cmake -DPK_LIBFUZZER=ON with
// clang), the same file is the libFuzzer target pdf_stream_fuzz:
//   ./pdf_stream_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// The first three bytes choose the stream dictionary (filter, decode
// parameters, Length) and how the data is read; the rest is the file from
// just after the keyword "stream". Returns the number of bytes delivered.
int64_t pdf_stream_fuzz_one(const uint8_t* data, size_t size);
