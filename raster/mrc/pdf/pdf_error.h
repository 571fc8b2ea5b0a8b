// Error codes of the PDF reader core and its error return. A function below an
// entry point reports a fault with pdf_raise; the entry point catches it,
// releases its memory and returns the code. No exception leaves the core.
#pragma once

#include <cstdint>

namespace PdfError {
inline constexpr int32_t syntax = 1;
inline constexpr int32_t type = 2;
inline constexpr int32_t range = 3;
inline constexpr int32_t overflow = 4;
inline constexpr int32_t underflow = 5;
inline constexpr int32_t line_too_long = 6;
inline constexpr int32_t missing = 7;
inline constexpr int32_t io = 11;
inline constexpr int32_t memory = 13;
inline constexpr int32_t damaged = 14;
inline constexpr int32_t rotation = 16;
inline constexpr int32_t unsupported = 20;
}  // namespace PdfError

// What pdf_raise throws; only the entry-point frame catches it.
struct PdfRaised {
  int32_t code;
};

// Stores the code and returns to the running entry point. While a text object
// is open only "unsupported" (20) is passed over and returns to the caller:
// every other fault ends the entry, since the work cannot go on without the
// value it failed to obtain.
void pdf_raise(int32_t code);
