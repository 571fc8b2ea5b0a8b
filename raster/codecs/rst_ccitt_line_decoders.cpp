// One- and two-dimensional CCITT line decoding. Every run written is checked
// against the line width and against the run before it, so that a line never
// exceeds the run-line bound whatever the data says.
#include "raster/codecs/rst_ccitt_line_decoders.h"

#include "raster/codecs/rst_ccitt_codes.h"
#include "raster/core/rst_status_context.h"

namespace {

constexpr int32_t kNoCode = -9999;
constexpr int32_t kModeEnd = -9998;

}  // namespace

int32_t rst_ccitt_decode_run(RstBitsGettableCodeBuffer& bits, RstHuffmanCursor& cursor, int32_t limit) {
  int32_t sum = 0;
  for (;;) {
    int32_t v = cursor.lookup(bits);
    if (v < 0) return v;
    sum += v;
    // Make-up codes may repeat: stop before the sum can overflow.
    if (sum > limit) return RST_CCITT_RUN_TOO_LONG;
    if (v <= 63) return sum;
  }
}

RstDecodeCCITT1DLine::RstDecodeCCITT1DLine(int32_t w)
    : black(&RstDecodeCCITTBWTables::black_huffman_table, -1, -1),
      white(&RstDecodeCCITTBWTables::white_huffman_table, -1, -1),
      width(w) {}

RstCCITTLineResult RstDecodeCCITT1DLine::decode_line(RstBitsGettableCodeBuffer& bits, RstRLELine& out) {
  int32_t a0 = 0;
  RstHuffmanCursor* failed = nullptr;
  int32_t failed_value = 0;
  if (width <= 0) {
    out.end_line();
    return {1, 0};
  }
  for (;;) {
    int32_t r = rst_ccitt_decode_run(bits, white, width);
    if (r < 0) {
      if (r == RST_CCITT_RUN_TOO_LONG) {
        out.end_line();
        return {-4, a0};
      }
      failed = &white;
      failed_value = r;
      break;
    }
    int32_t b = a0 + r;
    if (b == width) break;
    if (b > width) {
      out.end_line();
      return {-4, a0};
    }
    r = rst_ccitt_decode_run(bits, black, width);
    if (r < 0) {
      if (r == RST_CCITT_RUN_TOO_LONG) {
        out.end_line();
        return {-4, a0};
      }
      failed = &black;
      failed_value = r;
      break;
    }
    int32_t e = b + r;
    if (e > width) {
      out.end_line();
      return {-4, a0};
    }
    // A white run of 0 makes this run touch the one before: extend it.
    if (r > 0) out.append_merged(b, e - 1);
    a0 = e;
    if (a0 >= width) break;
  }
  out.end_line();
  if (!failed) return {1, 0};
  saved_code = failed->looked_at;
  saved_code_length = failed->code_length;
  eol_taken = failed_value == RST_CCITT_EOL_VALUE;
  if (failed->at_end && !eol_taken) return {-11, 0};
  if (failed->looked_at == 1 || failed->looked_at == 0) return {-201, 0};
  return {-4, 0};
}

int32_t RstDecodeCCITT1DLine::find_eol(RstBitsGettableCodeBuffer& bits) {
  // The failing code was the EOL itself and has been consumed already.
  if (eol_taken) {
    clear_saved();
    return 1;
  }
  int32_t zeros = 0;
  for (;;) {
    int32_t b = bits.take_bit();
    if (b < 0) return zeros > 0 ? -4 : -11;
    if (b == 0) {
      ++zeros;
    } else {
      if (zeros >= 11) {
        clear_saved();
        return 1;
      }
      zeros = 0;
    }
  }
}

int32_t RstDecodeCCITT1DLineMR::find_eol(RstBitsGettableCodeBuffer& bits) {
  for (;;) {
    int32_t s = RstDecodeCCITT1DLine::find_eol(bits);
    if (s != 1) return -11;
    if (!bits.fill(1)) return -11;
    if (bits.peek(1) == 1) return 1;
  }
}

RstCCITTLineResult RstDecodeCCITT1DLine::get_eol(RstBitsGettableCodeBuffer& bits) {
  // The end of the data before a line is left to the caller to report.
  if (!bits.fill(12)) return {-11, width};
  uint32_t pattern = bits.peek(12);
  if (pattern == 1) {
    bits.drop(12);
    return {1, 0};
  }
  if (pattern != 0)
    rst_report(RstCode::recoverable_decode, "RstDecodeCCITT1DLine::get_eol() - can't find eol, but try to search eol.");
  clear_saved();
  // The plain search: fill bits before the EOL of a two-dimensional line
  // must not make the search pass over that line to the next tag bit 1.
  int32_t s = RstDecodeCCITT1DLine::find_eol(bits);
  if (s != 1) return {s, width};
  return pattern == 0 ? RstCCITTLineResult{1, 0} : RstCCITTLineResult{4, width};
}

RstDecodeCCITT2DLine::RstDecodeCCITT2DLine(int32_t w)
    : width(w),
      mode(&RstDecodeCCITTBWTables::mode_huffman_table, kModeEnd, kNoCode),
      black(&RstDecodeCCITTBWTables::black_huffman_table, -1, -1),
      white(&RstDecodeCCITTBWTables::white_huffman_table, -1, -1) {}

RstCCITTLineResult RstDecodeCCITT2DLine::decode_line(RstBitsGettableCodeBuffer& bits, RstRLELine& out,
                                                     RstCPList& reference) {
  int32_t a0 = -1;
  int32_t color = RST_WHITE;
  int32_t start = 0;
  int32_t status = 1;
  eol_taken = false;
  reference.restart();
  while (a0 < width) {
    int32_t v = mode.lookup(bits);
    if (v < -3) {
      if (mode.at_end) status = -11;
      else status = mode.looked_at == 0 ? -201 : -4;
      break;
    }
    if (v <= 3) {
      int32_t a1 = reference.find_b1(a0, color) + v;
      // a1 may neither go back before a0 (nor before column 0 at the
      // line start) nor beyond the line.
      if ((v < 0 && a1 < (a0 > 0 ? a0 : 0)) || a1 > width) {
        status = -4;
        break;
      }
      if (color == RST_BLACK) {
        if (a1 - 1 >= start) out.append_merged(start, a1 - 1);
        color = RST_WHITE;
      } else {
        start = a1;
        color = RST_BLACK;
      }
      a0 = a1;
    } else if (v == 5) {
      a0 = reference.find_b2(a0, color);
    } else {
      if (a0 < 0) a0 = 0;
      RstHuffmanCursor& c1 = color == RST_WHITE ? white : black;
      RstHuffmanCursor& c2 = color == RST_WHITE ? black : white;
      int32_t r1 = rst_ccitt_decode_run(bits, c1, width);
      int32_t r2 = r1 < 0 ? r1 : rst_ccitt_decode_run(bits, c2, width);
      if (r1 < 0 || r2 < 0) {
        eol_taken = (r1 < 0 ? r1 : r2) == RST_CCITT_EOL_VALUE;
        if ((r1 < 0 ? c1 : c2).at_end && !eol_taken) {
          status = -11;
        } else {
          status = -4;
        }
        break;
      }
      if (color == RST_BLACK) {
        if (a0 + r1 + r2 > width) {
          status = -4;
          break;
        }
        if (a0 + r1 - 1 >= start) out.append_merged(start, a0 + r1 - 1);
        a0 += r1 + r2;
        start = a0;
      } else {
        if (a0 + r1 >= width) break;
        if (a0 + r1 + r2 > width) {
          status = -4;
          break;
        }
        if (r2 > 0) out.append_merged(a0 + r1, a0 + r1 + r2 - 1);
        a0 += r1 + r2;
      }
    }
  }
  // A black run still open when the line ends reaches its last pixel.
  if (status == 1 && color == RST_BLACK && start <= width - 1) out.append_merged(start, width - 1);
  out.end_line();
  if (status != 1) {
    saved_code = mode.looked_at;
    saved_code_length = mode.code_length;
  }
  return {status, a0 < 0 ? 0 : a0};
}

bool rst_ccitt_check_eols(RstBitsGettableCodeBuffer& bits, int32_t groups) {
  for (int32_t i = 0; i < groups; ++i) {
    if (!bits.fill(12) || bits.peek(12) != 1) return false;
    bits.drop(12);
  }
  return true;
}

bool rst_ccitt_check_eols_tagged(RstBitsGettableCodeBuffer& bits, int32_t groups) {
  for (int32_t i = 0; i < groups; ++i) {
    if (!bits.fill(13) || bits.peek(13) != 3) return false;
    bits.drop(13);
  }
  return true;
}
