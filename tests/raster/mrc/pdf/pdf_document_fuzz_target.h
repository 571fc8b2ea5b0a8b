// The fuzz entry over whole documents: open, read the document, resolve
// objects and read their stream data, close. The test program runs it for a
// fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined (cmake
// -DPK_LIBFUZZER=ON with clang), the same file is the libFuzzer target
// pdf_document_fuzz:
//   ./pdf_document_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// The input is the file. Returns the page count read, or -1 when reading the
// document failed.
int32_t pdf_document_fuzz_one(const uint8_t* data, size_t size);
