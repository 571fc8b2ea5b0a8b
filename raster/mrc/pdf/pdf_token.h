// The tokenizer of the PDF reader core: character classes, blanks and
// comments, lines, and tokens. A token's text goes to the process-wide
// token buffer, zero-terminated; a literal string's length is kept apart
// since it may hold zero bytes. Every token is held to the buffer.
#pragma once

#include <cstdint>

#include "raster/mrc/pdf/pdf_stream.h"

namespace PdfToken {
inline constexpr int32_t end = -1;
inline constexpr int32_t invalid = 0;
inline constexpr int32_t keyword = 1;
inline constexpr int32_t integer = 2;
inline constexpr int32_t real = 3;
inline constexpr int32_t string = 4;
inline constexpr int32_t hex_string = 5;
inline constexpr int32_t name = 6;
inline constexpr int32_t open_array = 7;
inline constexpr int32_t close_array = 8;
inline constexpr int32_t open_dictionary = 9;
inline constexpr int32_t close_dictionary = 10;
inline constexpr int32_t open_brace = 11;
inline constexpr int32_t close_brace = 12;
}  // namespace PdfToken

// True for the bytes that are neither white space nor delimiters.
bool pdf_is_regular(int32_t c);

// Skips white space (bytes 0 to 32) and comments; the first other byte, or
// -1 at the end of the data.
int32_t pdf_skip_blanks(PdfStream* s);
// Reads a line into buffer, its end of line (CR LF or a lone CR stored as one
// LF) included, zero-terminated; the length stored. Raises 6 when the line
// does not fit capacity less the byte kept for the zero.
int32_t pdf_read_line(PdfStream* s, char* buffer, int32_t capacity);

// The next token's kind; its text in pdf_state().token, the byte count in
// pdf_state().token_length. Raises 1 for a byte no token starts with, a bad
// hexadecimal digit, a lone ">" and a token longer than the buffer holds.
int32_t pdf_next_token(PdfStream* s);

// The value of an integer or real token's text: decimal, a lone sign or
// point is 0. The integer saturates at the 32-bit limits.
int64_t pdf_token_integer64(const char* text);
int32_t pdf_token_integer(const char* text);
float pdf_token_real(const char* text);
