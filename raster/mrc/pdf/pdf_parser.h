// The object parsers of the PDF reader core. The file parser reads whole
// objects (arrays and dictionaries built through the operand stack, "R"
// folded into references, streams recognised); the content parser returns one
// token-level object at a time for the content interpreter.
#pragma once

#include <cstdint>

#include "raster/mrc/pdf/pdf_stream.h"
#include "raster/mrc/pdf/pdf_value.h"

// Arrays and dictionaries nest at most this deep.
inline constexpr int32_t kPdfMaxNesting = 100;

// Parses one object into value and returns the token kind it began with. A
// keyword "R" gives a bare reference (kind 10 without a pair), "stream" a bare
// stream (kind 8 without data); "]", ">>" and the end of the data are
// returned with the value untouched but for an end-of-data kind. Raises 1
// for an unknown keyword, an invalid token or a brace, and inside an aggregate
// for the end of the data, a closing bracket of the other kind and nesting
// deeper than kPdfMaxNesting; 2 for a key that is no name or "R" after
// anything but two integers.
int32_t pdf_parse_file_object(PdfStream* s, PdfValue* value);

// A new value holding one complete object; kind 12 at the end of the data.
// A dictionary followed by the keyword "stream" in a stream read straight
// from the file becomes a stream object with its data opened. Raises 1 for
// a stray "]" or ">>", a bare "R" or "stream".
PdfValue* pdf_read_object(PdfStream* s);

// The next content object: "[" and "<<" give a bracket (kind 11) for the
// caller to push, "]" and ">>" pop the operand stack back to the bracket and
// give the array or dictionary; keywords give operators, or null inside a
// compatibility section. Raises 1 for an unknown keyword outside one, a stray
// "]" or ">>", a brace or an invalid token.
PdfValue* pdf_parse_content_object(PdfStream* s);
