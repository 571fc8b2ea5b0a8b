// The CCITT line coders behind the MH, MR and MMR encoder nodes: each takes
// one run line at a time (through read_line, which its node supplies) and
// appends its T.4 or T.6 code to the caller's buffer, with EOLs, fill bits and
// the end-of-page code as the coding option asks. The bits of a partly filled
// byte are carried from one line to the next.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_coding_option.h"
#include "raster/codecs/rst_encode_buffer.h"
#include "raster/codecs/rst_huffman_table.h"
#include "raster/core/rst_counted_ptr.h"

using RstCCITTBitWriter = RstBitsPuttableEncodeBufferT<RstEncodeBuffer>;

// One code word, right-aligned.
struct RstCCITTCodeWord16 {
  uint16_t code = 0;
  uint8_t length = 0;
};

// The run codes of one colour by direct index: terminating codes 0 to 63 and
// make-up codes 64 to 2560 (index length / 64).
struct RstCCITTRunCodes {
  RstCCITTCodeWord16 terminating[64];
  RstCCITTCodeWord16 makeup[41];
};

// Writes white and black runs with the shared T.4 tables.
class RstEncodeCCITT1DLineCore {
 public:
  explicit RstEncodeCCITT1DLineCore(int32_t width);
  virtual ~RstEncodeCCITT1DLineCore() = default;

  // False when a code table could not be had (reported by the tables).
  bool ok() const { return ok_; }

  virtual void put_eol(RstCCITTBitWriter& w) const = 0;
  // Six EOLs.
  void put_rtc(RstCCITTBitWriter& w) const {
    for (int i = 0; i < 6; ++i) put_eol(w);
  }
  // A run of length pixels in colour 0 (white) or 1 (black): 2560 codes as
  // needed, a make-up code, then always the terminating code.
  void put_run(RstCCITTBitWriter& w, int32_t length, int32_t color) const {
    const RstCCITTRunCodes& c = runs_[color];
    while (length >= 2560) {
      w.put_bits(c.makeup[40].code, c.makeup[40].length);
      length -= 2560;
    }
    if (length >= 64) {
      const RstCCITTCodeWord16& m = c.makeup[length >> 6];
      w.put_bits(m.code, m.length);
      length &= 63;
    }
    w.put_bits(c.terminating[length].code, c.terminating[length].length);
  }
  // One-dimensional coding of a line given by its changing elements
  // (strictly increasing, an even count, the first a change to black);
  // false when a code did not fit.
  bool code_line(RstCCITTBitWriter& w, const int32_t* changes, int32_t count) const;

  int32_t width;
  RstCountedPtr<RstHuffmanTable> white_table;
  int32_t white_2560 = 0;  // entry position of run 2560
  RstCountedPtr<RstHuffmanTable> black_table;
  int32_t black_2560 = 0;

 private:
  RstCCITTRunCodes runs_[2];
  bool ok_ = true;
};

// EOL alone before each line.
class RstEncodeCCITT1DLineCoreMH : public RstEncodeCCITT1DLineCore {
 public:
  using RstEncodeCCITT1DLineCore::RstEncodeCCITT1DLineCore;
  void put_eol(RstCCITTBitWriter& w) const override { w.put_bits(1, 12); }
};

// EOL and tag bit 1 (the line is coded one-dimensionally).
class RstEncodeCCITT1DLineCoreMR : public RstEncodeCCITT1DLineCore {
 public:
  using RstEncodeCCITT1DLineCore::RstEncodeCCITT1DLineCore;
  void put_eol(RstCCITTBitWriter& w) const override { w.put_bits(3, 13); }
};

// Two-dimensional coding against a reference line.
class RstEncodeCCITT2DLine {
 public:
  // Without the mode table: -1 "RstEncodeCCITT2DLine::RstEncodeCCITT2DLine()".
  explicit RstEncodeCCITT2DLine(int32_t width);

  bool ok() const { return ok_ && runs_.ok(); }
  // EOL and tag bit 0 (the line is coded two-dimensionally).
  void put_eol(RstCCITTBitWriter& w) const { w.put_bits(2, 13); }
  // End of facsimile block: two EOLs.
  void put_eofb(RstCCITTBitWriter& w) const { w.put_bits(0x001001, 24); }
  // Codes the line a against the reference line b, both given by their
  // changing elements; false when a code did not fit.
  bool code_line(RstCCITTBitWriter& w, const int32_t* a, int32_t na, const int32_t* b, int32_t nb) const;

  int32_t pass_position = 0;        // entry of value 5 in the mode table
  int32_t horizontal_position = 0;  // entry of value 4
  int32_t width;
  RstCountedPtr<RstHuffmanTable> mode_table;

 private:
  RstEncodeCCITT1DLineCoreMH runs_;  // the run codes of horizontal mode
  RstCCITTCodeWord16 modes_[9];      // VL3 .. VR3, horizontal, pass
  bool ok_ = true;
};

// The line counter, run buffer, coded-line bound and carried bits shared by
// the three coders.
class RstEncodeRLEToCCITTBW {
 public:
  // bits_per_pixel: 5 for one-dimensional, 7 for two-dimensional coding.
  RstEncodeRLEToCCITTBW(int32_t width, int32_t height, int32_t bits_per_pixel);
  virtual ~RstEncodeRLEToCCITTBW();
  RstEncodeRLEToCCITTBW(const RstEncodeRLEToCCITTBW&) = delete;
  RstEncodeRLEToCCITTBW& operator=(const RstEncodeRLEToCCITTBW&) = delete;

  // Codes the next line into out (bound() bytes): the whole bytes written,
  // 0 once every line is coded. After the last line the end code and the
  // last partial byte are written too. A line that cannot be coded is
  // reported (0 with the coder's encode_line text) and ends the page.
  virtual int32_t encode_line(uint8_t* out) = 0;
  // Writes the end code (when asked and not yet written) and the pending
  // byte, and ends the page; the bytes written.
  virtual int32_t finish(uint8_t* out) = 0;
  // Passes over n lines without coding them, at most up to the height; the
  // number passed.
  virtual int skip(int n);
  // Starts the page again: no lines done, no carried bits.
  virtual void reset();
  // The run buffer and the coded-line bound; out of memory: -1
  // "RstEncodeRLEToCCITTBW::init()".
  virtual bool init();
  // Reads the next source line into the run buffer; its bytes.
  virtual int32_t read_line(uint8_t* runs) = 0;

  bool all_done() const { return lines_done_ >= height_; }
  // Lines were coded (or skipped) but the page has not been closed: a skip
  // to the height leaves the end code and the carried bits to write.
  bool page_open() const { return !page_ended_ && lines_done_ > 0; }
  int32_t bound() const { return bound_; }
  int32_t lines_done() const { return lines_done_; }
  // The run buffer holds at least this many bytes (set before init).
  void set_run_capacity(int32_t bytes) { run_capacity_ = bytes; }

 protected:
  // Counts the line and reads it; its changing elements into changes_, or
  // false when the source had no line (reported as warning 3 with where).
  bool next_line(const char* where);
  // The common end of encode_line and finish: overflow reporting, carried
  // bits, the page end.
  int32_t close_line(RstCCITTBitWriter& w, bool last, const char* where);

  uint8_t* run_buffer_ = nullptr;
  int32_t run_capacity_ = 0;
  int32_t bound_ = 0;
  uint8_t pending_ = 0;
  int32_t pending_bits_ = 0;
  int32_t lines_done_ = 0;
  int32_t width_;
  int32_t height_;
  int32_t bits_per_pixel_;
  bool page_ended_ = false;     // the end code has been written
  int32_t* changes_ = nullptr;  // changing elements of the current line
  int32_t change_count_ = 0;
};

class RstEncodeMHLine : public RstEncodeRLEToCCITTBW {
 public:
  RstEncodeMHLine(int32_t width, int32_t height, const RstMHOption& option);

  int32_t encode_line(uint8_t* out) override;
  int32_t finish(uint8_t* out) override;
  bool init() override;

 protected:
  RstEncodeCCITT1DLineCoreMH core_;
  RstMHOption option_;
};

// The reference line of two-dimensional coding (empty: all white).
class RstEncodeMMRAndMRLineBase : public RstEncodeRLEToCCITTBW {
 public:
  RstEncodeMMRAndMRLineBase(int32_t width, int32_t height);
  ~RstEncodeMMRAndMRLineBase() override;

  void reset() override;
  // The base's buffers, then the reference line; out of memory for it: -1
  // "RstEncodeCCITT2D::init()".
  bool init() override;

 protected:
  // The line just coded becomes the reference.
  void swap_reference();

  int32_t* reference_ = nullptr;
  int32_t reference_count_ = 0;
};

class RstEncodeMRLine : public RstEncodeMMRAndMRLineBase {
 public:
  RstEncodeMRLine(int32_t width, int32_t height, const RstMROption& option);

  int32_t encode_line(uint8_t* out) override;
  int32_t finish(uint8_t* out) override;
  void reset() override;
  bool init() override;

 protected:
  int32_t two_d_due_ = 0;  // 2-D lines before the next 1-D one; < 0: no more 1-D
  RstEncodeCCITT1DLineCoreMR core_;
  RstEncodeCCITT2DLine core_2d_;
  RstMROption option_;
};

class RstEncodeMMRLine : public RstEncodeMMRAndMRLineBase {
 public:
  RstEncodeMMRLine(int32_t width, int32_t height, const RstMMROption& option);

  int32_t encode_line(uint8_t* out) override;
  int32_t finish(uint8_t* out) override;
  bool init() override;

 protected:
  RstEncodeCCITT2DLine core_2d_;
  RstMMROption option_;
};
