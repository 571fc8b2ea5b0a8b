// The decoding stages of PDF stream data. Each installer puts its stage on
// top of the stream's chain; the stage's record lives in the current arena.
#pragma once

#include "raster/mrc/pdf/pdf_stream.h"
#include "raster/mrc/pdf/pdf_value.h"

// Hexadecimal pairs; white space skipped, ">" or the source's end ends the
// data, a last digit without partner is dropped, another byte raises 1.
void pdf_install_hex(PdfStream* s);
// Base-85 groups with "z" for four zero bytes; "~" ends the data.
void pdf_install_base85(PdfStream* s);
// Run-length data: literal runs and repeated bytes, 128 ends.
void pdf_install_run_length(PdfStream* s);
// LZW with the code width growing one code early (as in TIFF).
void pdf_install_lzw(PdfStream* s);
// Flate data through zlib; a data error raises 14, a decoder that cannot be
// set up 13.
void pdf_install_flate(PdfStream* s);
// The predictor of a Flate or LZW stream from its decode parameters:
// Predictor 1 (none), 2 (TIFF difference) or 10-15 (PNG filters by row).
// Parameters outside what is handled raise 20, ones not integers 2.
void pdf_install_predictor(PdfStream* s, const PdfList* parms);

// The largest predictor row the reader accepts, in bytes.
inline constexpr int64_t kPdfMaxPredictorRow = int64_t(1) << 24;
