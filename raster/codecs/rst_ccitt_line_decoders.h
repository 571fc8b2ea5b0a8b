// The line decoders of CCITT coding: one-dimensional lines (modified
// Huffman runs, with the EOL search that resynchronises after a fault) and
// two-dimensional lines (modes against a reference line). Each decodes one
// line into a run line and gives back (status, position).
#pragma once

#include <cstdint>

#include "raster/codecs/rst_ccitt_bits.h"
#include "raster/codecs/rst_rle_line.h"

// Outcome of decoding one line: status 1 good, -4 bad code or a run out of
// the line, -201 an EOL or fill bits where a code was due, -11 the data ended;
// the position is the column the decoder had reached.
struct RstCCITTLineResult {
  int32_t status;
  int32_t position;
};

// Run decoding shared by both line decoders: codes of one colour summed until
// a terminating code. A failure value (negative) or, when the sum passes the
// limit, RST_CCITT_RUN_TOO_LONG.
inline constexpr int32_t RST_CCITT_RUN_TOO_LONG = -2;
int32_t rst_ccitt_decode_run(RstBitsGettableCodeBuffer& bits, RstHuffmanCursor& cursor, int32_t limit);

class RstDecodeCCITT1DLine {
 public:
  explicit RstDecodeCCITT1DLine(int32_t width);
  virtual ~RstDecodeCCITT1DLine() = default;

  bool ok() const { return black.ok() && white.ok(); }

  RstCCITTLineResult decode_line(RstBitsGettableCodeBuffer& bits, RstRLELine& out);

  // Searches the next EOL (any number of zeros, then a 1) and takes it;
  // 1 found, -4 or -11 when the data ends.
  virtual int32_t find_eol(RstBitsGettableCodeBuffer& bits);

  // The EOL before a line: (1, 0) found; (4, width) found after other bits
  // (reported); the search's failure when the data ends.
  RstCCITTLineResult get_eol(RstBitsGettableCodeBuffer& bits);

  // The code on which the last line failed; eol_taken when that code was
  // an EOL the run decoder already consumed.
  void clear_saved() {
    saved_code = 0;
    saved_code_length = 0;
    eol_taken = false;
  }

  uint32_t saved_code = 0;
  RstHuffmanCursor black;
  RstHuffmanCursor white;
  int32_t width;
  int32_t saved_code_length = 0;
  bool eol_taken = false;
};

class RstDecodeCCITT1DLineMH : public RstDecodeCCITT1DLine {
 public:
  using RstDecodeCCITT1DLine::RstDecodeCCITT1DLine;
};

// For two-dimensional T.4 data: the EOL searched for is one followed by the
// tag bit 1 (peeked, left in place), where a one-dimensional line begins.
class RstDecodeCCITT1DLineMR : public RstDecodeCCITT1DLine {
 public:
  using RstDecodeCCITT1DLine::RstDecodeCCITT1DLine;
  int32_t find_eol(RstBitsGettableCodeBuffer& bits) override;
};

class RstDecodeCCITT2DLine {
 public:
  explicit RstDecodeCCITT2DLine(int32_t width);

  bool ok() const { return mode.ok() && black.ok() && white.ok(); }

  RstCCITTLineResult decode_line(RstBitsGettableCodeBuffer& bits, RstRLELine& out, RstCPList& reference);

  int32_t width;
  uint32_t saved_code = 0;
  int32_t saved_code_length = 0;
  bool eol_taken = false;  // a run code of horizontal mode was an EOL, consumed
  RstHuffmanCursor mode;
  RstHuffmanCursor black;
  RstHuffmanCursor white;
};

// End codes: RTC of one-dimensional data (two more EOLs), EOFB (two EOLs)
// and RTC of two-dimensional data (groups of EOL and tag bit 1). Groups found
// are consumed; true when all were found.
bool rst_ccitt_check_eols(RstBitsGettableCodeBuffer& bits, int32_t groups);
bool rst_ccitt_check_eols_tagged(RstBitsGettableCodeBuffer& bits, int32_t groups);
