// Opening the data of a stream object: where it starts after the keyword
// "stream", how long it is, and which decoding stage its "Filter" entry
// installs. DCT and CCITT image data gets no stage; it sets the process-wide
// compression kind instead, for the page objects to record.
#pragma once

#include "raster/mrc/pdf/pdf_stream.h"
#include "raster/mrc/pdf/pdf_value.h"

namespace PdfCompression {
inline constexpr int32_t raw = 0;
inline constexpr int32_t dct = 1;
inline constexpr int32_t ccitt_1d = 2;  // K = 0 or absent
inline constexpr int32_t ccitt_2d = 4;  // K < 0
}  // namespace PdfCompression

// From a stream whose keyword "stream" was just read and the stream's
// dictionary: the stream of its data with the filter installed. Raises 7
// without "Length", 2 when it is no integer, 20 for a filter that is not
// handled.
PdfStream* pdf_open_stream_data(PdfStream* file, const PdfList* dictionary);
// Installs the filter named by a "Filter" value with its "DecodeParms" on a
// stream, as pdf_open_stream_data does.
void pdf_install_filter(PdfStream* s, const PdfList* dictionary);
