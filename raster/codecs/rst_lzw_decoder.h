// The LZW decoding stage: GIF data (length-prefixed sub-blocks, codes least
// significant bit first), TIFF data (early change of the code width, codes
// most significant bit first unless asked otherwise) and plain LZW, with codes
// of up to 12 bits. Its line operation delivers lines of line-bytes bytes.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_stage.h"

namespace RstLzwVariant {
inline constexpr int32_t tiff = 1;  // early change
inline constexpr int32_t gif = 7;   // sub-blocks, least significant bit first
// Any other value: plain LZW.
}  // namespace RstLzwVariant

// A decoding stage over the stream (not owned, positioned at the first code
// byte, or at the first sub-block's size byte for GIF), delivering line_count
// lines of line_bytes bytes from first_line on; a range beyond the
// description's height is cut to it. The description is copied with its
// height replaced by the lines delivered. Codes start at min_code_bits + 1
// bits (3 for 1). lsb 1 reads codes least significant bit first (GIF always
// does). Returns an error instance: -2 for a null stream or description, a
// first line below 0, a count, line size or height below 1, or minimum code
// bits outside 1..11; -1 without memory.
// A line returns 1, or -3 once the data has ended (end code, a code that is
// not in the table, the end of the stream or of the GIF sub-blocks, a full
// table without a clear code); every later line fails too. The bytes decoded
// before the end stay in the failing line.
RstInstanceTolvane* rst_lzw_create_decoder(BrenvoldStream* stream, int32_t first_line, int32_t line_count,
                                           const TolvaneImageInfo* info, int32_t line_bytes, int32_t min_code_bits,
                                           int32_t variant, int32_t lsb);
