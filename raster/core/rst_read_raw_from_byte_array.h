// RstReadRawFromByteArray: a raw reader over a caller's bytes, and
// RstReadColormap: a one-line raw reader over the packed entries of a header's
// colormap. Both read through a borrowing storage that the node owns; the
// caller's bytes are never freed by the node and must outlive it.
#pragma once

#include <cstdint>

#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"

class RstReadRawFromByteArray {
 public:
  // No bytes, a stride of 0 or below, a negative height or stride x height
  // 0 or above 2^31 - 1: -2 "RstReadRawFromByteArray::create()", null.
  static RstRead* create(const void* bytes, const RstHeader& header, int32_t stride, bool bottom_up, bool bit_reverse);
};

class RstReadColormap {
 public:
  // Width = the colormap's entries, height 1, its bits and channels, raw,
  // no colormap, the header's colour type. No colormap: -2
  // "RstReadColormap::create()", null.
  static RstRead* create(const RstHeader& header);
};
