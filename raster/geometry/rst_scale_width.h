// RstScaleWidth: the base of the width scalers. Each output line comes from
// one source line, so skip and reset go straight to the source; the header
// is the source's with the output width, which is never negative (a
// negative requested width mirrors).
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"
#include "raster/formats/rst_tiff_types.h"

class RstScaleWidth : public RstProcess {
 public:
  // The output width is |width|.
  RstScaleWidth(RstRead* source, int32_t width);
  // The output width is floor(source width * factor), exact.
  RstScaleWidth(RstRead* source, RstRational factor);

  void header(RstHeader& h) override;
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return int(output_line_size_); }

 protected:
  // Reads the next source line into buffer; false at the end of the source
  // or on a line of another size.
  bool read_source(uint8_t* buffer) { return source()->read(buffer) == int(source_line_size_); }

  uint32_t source_width_ = 0;
  uint32_t output_width_ = 0;
  uint32_t source_line_size_ = 0;
  uint32_t output_line_size_ = 0;

 private:
  void set_sizes(uint64_t output_width);
};
