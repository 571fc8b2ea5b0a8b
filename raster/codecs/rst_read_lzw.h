// RstReadLZW23: the reader node that decodes LZW-coded raster data (data
// forms LZW) into raw lines through the LZW stage: TIFF data (early change)
// or GIF data (sub-blocks). It answers its header, line size and height from
// the header it was made with, not from the stage's description.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_header_tolvane.h"
#include "raster/codecs/rst_read_tolvane.h"

class RstReadLZW23 : public RstReadRasterTolvane {
 public:
  // The node over the storage's data from its position on: lines of
  // line_bytes bytes (at least the packed raw line) under the header, whose
  // data form must be LZW. code_size 1 to 8 (the minimum code bits), lsb
  // first 0 or 1, tiff_variant nonzero for TIFF data, 0 for GIF data.
  // Null after reporting -2 (arguments) or -3 (header) with
  // "RstReadLZW23::create()".
  static RstReadLZW23* create(InputStorage* storage, const RstHeader& header, int32_t line_bytes, int32_t code_size,
                              int32_t lsb_first, int32_t tiff_variant);

  RstReadLZW23(InputStorage* storage, const RstHeader& header, int32_t line_bytes, int32_t code_size, int32_t lsb_first,
               int32_t tiff_variant);

  // The given header with the data form raw.
  void header(RstHeader& h) override { h = header_lzw_; }
  // The line bytes given at creation.
  int line_size() override { return line_bytes_; }

 protected:
  // Its own header stands; the stage only returns what it was given.
  bool describe() override;
  RstInstanceTolvane* create_stage() override;

 private:
  RstHeaderTolvane header_lzw_;  // also keeps the description's colormap alive
  int32_t line_bytes_;
  int32_t code_size_;
  int32_t lsb_first_;
  int32_t tiff_variant_;
};
