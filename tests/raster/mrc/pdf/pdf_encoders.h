// Reference encoders for the PDF stream filters, written from the filters'
// definitions: what the tests feed the reader's decoding stages.
#pragma once

#include <cstdint>
#include <string>

namespace pdf_test {

// Two upper-case digits a byte, ended by ">".
std::string hex_encode(const std::string& data);
// Groups of five digits, "z" for four zero bytes, a short last group, "~>".
std::string ascii85_encode(const std::string& data);
// Literal runs and repeats of up to 128 bytes, ended by 128.
std::string run_length_encode(const std::string& data);
// LZW with the early width change: a clear code first, the end code last.
// The table restarts as libtiff's encoder does it (a clear once entry 4093
// is made), or with fill_table once the decoder has made entry 4095.
std::string lzw_encode(const std::string& data, bool fill_table = false);
// zlib data (with its header and checksum).
std::string flate_encode(const std::string& data);
// PNG filtering of rows of row_bytes bytes with pixel_bytes left distance:
// each row gets the filter byte `filter`, or filters 0..4 in turn when -1.
std::string png_predict(const std::string& data, int row_bytes, int pixel_bytes, int filter);
// The TIFF horizontal difference for 8-bit samples of `colors` per pixel.
std::string tiff_predict(const std::string& data, int row_bytes, int colors);

}  // namespace pdf_test
