// RstWriteJPEGTolvaneHeader: the header record of the JPEG encoder stage.
// It turns an image header and a JPEG writer option into the encoder's
// parameters and loads the base quantisation tables the encoder scales.
#pragma once

#include "raster/codecs/rst_jpeg_encoder.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/codecs/rst_write_tolvane_header.h"
#include "raster/core/rst_counted_ptr.h"

class RstWriteJPEGTolvaneHeader : public RstWriteTolvaneHeaderBase {
 public:
  RstWriteJPEGTolvaneHeader(const RstHeader& header, const RstWriteJPEGOption& option);

  // The parameters; null when they could not be made (reported by init).
  JpegEncoderParams* record() const { return params_.get(); }
  // The six divisor bytes of a sampling code; false for a code outside the
  // four the encoder knows.
  static bool divisors(uint32_t sampling, uint8_t (&out)[6]);
  // Loads the option's quantisation tables as the process-wide base tables
  // (the first as luminance, a second as chrominance), or the defaults when
  // it carries none.
  static void load_base_tables(const RstJPEGOption& option);

 private:
  // Fills the record: -1 "RstWriteJPEGTolvaneHeader::init()" without memory,
  // -2 for a sampling code outside the four.
  void init();

  RstCountedPtr<JpegEncoderParams> params_;
  RstWriteJPEGOption option_;
};
