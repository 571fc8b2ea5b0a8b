// RstMRCMaskedPaste: the composer's masked copy. Source S and 1-bit mask M,
// aligned with each other, lie on destination D at (x, y); wherever the mask
// bit is set the source pixel replaces the destination pixel. Offsets may be
// negative (the mask and source lose their left or top part). D and S are
// brought to one form first, as the opaque paste does it.
#pragma once

#include <cstdint>

#include "raster/core/rst_compose.h"

class RstMRCMaskedPaste : public RstCompose {
 public:
  // D itself (M and S ended) when the mask and source miss D; otherwise the
  // masked-copy node. Null on failure, the three left to the caller: an input
  // missing -2; a mask not 1 bit x 1 sample of raw lines, or D and S not of
  // one raw 1- or 8-bit form after conforming, -3; all
  // "RstMRCMaskedPaste::create()".
  static RstRead* create(RstRead* d, RstRead* m, RstRead* s, int32_t x, int32_t y);

  RstMRCMaskedPaste(RstRead* d, RstRead* m, RstRead* s, int32_t x, int32_t y);
  ~RstMRCMaskedPaste() override;
  void header(RstHeader& h) override;
  bool initiate() override;
  int read(uint8_t* line) override;
  void reset() override;
  int line_size() override { return line_size_; }

 private:
  // Passes the mask and source over the rows cut off above D.
  bool start_rows();

  int32_t line_size_ = 0;
  int32_t mask_line_size_ = 0;
  int32_t source_line_size_ = 0;
  int32_t bits_ = 1;
  int32_t bytes_per_pixel_ = 1;
  int32_t left_cut_ = 0;  // mask/source columns left of D
  int32_t top_cut_ = 0;   // mask/source rows above D
  int32_t dx_ = 0;        // first destination column and row covered
  int32_t dy_ = 0;
  int32_t cover_w_ = 0;
  int32_t cover_h_ = 0;
  int32_t row_ = 0;
  bool started_ = false;
  uint8_t* mask_line_ = nullptr;
  uint8_t* source_line_ = nullptr;
};
