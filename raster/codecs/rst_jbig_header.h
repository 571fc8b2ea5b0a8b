// The private header records of JBIG-coded images: RstJBIGHeader (size, the
// status of the reading, the image header) and its bilevel (T.85) and colour
// (T.43) kinds, which the JBIG readers derive from and fill.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jbig_option.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_private_header.h"

// Type definitions of T.43 code; no data.
class RstJBIGT43Types {};

class RstJBIGHeader : public RstPrivateHeader {
 public:
  RstJBIGHeader() = default;
  ~RstJBIGHeader() override = default;
  RstJBIGHeader(const RstJBIGHeader&) = delete;
  RstJBIGHeader& operator=(const RstJBIGHeader&) = delete;

  int32_t width = 0;
  int32_t height = 0;
  // 1 read; below 1 the failure of the reading (-1 when no decoder was made).
  int32_t status = 1;
  RstHeader header;
};

class RstJBIGT85Header : public RstJBIGHeader, public RstJBIGTypes {
 public:
  ~RstJBIGT85Header() override = default;
};

class RstJBIGT43Header : public RstJBIGHeader, public RstJBIGT43Types, public RstJBIGTypes {
 public:
  ~RstJBIGT43Header() override = default;
};
