// Dropping the extra samples of each pixel (an alpha channel, say) that a TIFF
// page stores beyond what its photometric interpretation needs: the page's
// rows are read with every stored sample and delivered with the first ones
// only, so that a reader of the page sees the picture, not the extras.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstDropExtraSamples : public RstReadDecorator {
 public:
  // Raw lines of 1, 2, 4, 8 or 16 bits with more samples than `keep` (>= 1).
  // No source: -2; any other layout: -3; both
  // "RstDropExtraSamples::create()".
  static RstDropExtraSamples* create(RstRead* source, int32_t keep);

  RstDropExtraSamples(RstRead* source, int32_t keep) : RstReadDecorator(source), keep_(keep) {}
  ~RstDropExtraSamples() override;
  void header(RstHeader& h) override;
  int line_size() override;
  bool initiate() override;
  // A row shorter than the source's line size gives 0.
  int read(uint8_t* line) override;

 private:
  int32_t keep_;
  uint8_t* row_ = nullptr;  // one source row
  int32_t row_size_ = 0;
};
