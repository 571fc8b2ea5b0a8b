// RstReadRaw: uncompressed lines read at a fixed stride, top-down or bottom-up
// (the first stored line being the image's last), optionally bit-reversed
// (data stored least significant bit first). RstReadRawDepth16 reads lines of
// 16-bit values in a given byte order into native values.
#pragma once

#include <cstdint>

#include "raster/core/rst_read_data.h"

class RstReadRaw : public RstReadData {
 public:
  // Null storage, a stride of 0 or below, a negative size or more than
  // 2^31 - 1 stored bytes: -2 "RstReadCode::create()" (the text the
  // factory has always reported), null.
  static RstReadRaw* create(InputStorage* storage, const RstHeader& header, int32_t stride, bool bottom_up,
                            bool bit_reverse);

  bool initiate() override;
  // Seeks the line's own place, so lines never depend on earlier reads.
  int read(uint8_t* line) override;
  // Only counts lines; its moves detect the end of the data.
  int skip(int n) override;
  void reset() override { my_reset(); }
  int line_size() override { return line_size_; }
  // One read of a line's bytes from the input; the bytes that arrived.
  virtual int read_raw_line(uint8_t* line);

  int32_t stride() const { return stride_; }
  bool bottom_up() const { return bottom_up_; }

  // Use create().
  RstReadRaw(InputStorage* storage, const RstHeader& header, int32_t stride, bool bottom_up, bool bit_reverse);

 protected:
  // The checks of create, reported with where.
  static bool check(InputStorage* storage, const RstHeader& header, int32_t stride, const char* where);
  bool my_reset();

  int32_t stride_;
  int32_t line_size_;
  int64_t gap_;  // from a line's end to the next stored line's start
  bool bottom_up_;
  int32_t lines_left_ = 0;

 private:
  // Places the input at stored line k; false when it did not get there.
  bool seek_line(int32_t k);
};

class RstReadRawDepth16 : public RstReadRaw {
 public:
  // byte_order 1: little-endian data, any other value big-endian. Checks as
  // RstReadRaw::create.
  static RstReadRawDepth16* create(InputStorage* storage, const RstHeader& header, int32_t stride, int32_t byte_order,
                                   bool bottom_up, bool bit_reverse);

  // Width values, each converted to a native 16-bit value; stops at the first
  // value that does not arrive whole.
  int read_raw_line(uint8_t* line) override;

  // Use create().
  RstReadRawDepth16(InputStorage* storage, const RstHeader& header, int32_t stride, int32_t byte_order, bool bottom_up,
                    bool bit_reverse);

 private:
  int32_t byte_order_;
};
