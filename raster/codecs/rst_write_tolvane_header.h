// The header records an encoding stage receives through its info operation:
// RstWriteTolvaneHeaderBase (an image header and its stage description) and
// RstWriteTolvaneHeader (the description, a flag word and the compression
// word of the header's data form).
#pragma once

#include <cstdint>

#include "raster/codecs/rst_header_tolvane.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_header.h"

class RstWriteTolvaneHeaderBase : public RstHeader {
 public:
  explicit RstWriteTolvaneHeaderBase(const RstHeader& header) : RstHeader(header), tolvane_(header) {}
  ~RstWriteTolvaneHeaderBase() override = default;

  const RstHeaderTolvane& tolvane() const { return tolvane_; }

 protected:
  RstHeaderTolvane tolvane_;
};

// What the stage's info receives. The colormap of info points at `planar`,
// so the record stands on its own wherever it is shared.
struct TolvaneHeaderRecord {
  TolvaneImageInfo info;
  uint32_t flags = 0;
  int32_t compression = 0;
  uint32_t reserved[3] = {0, 0, 0};
  uint8_t planar[RstHeaderTolvane::kPlanarBytes] = {};
};

// The compression word of a data form (-1 for a form without one).
int32_t rst_tolvane_compression_word(int32_t data_form, int32_t bits_per_sample);

class RstWriteTolvaneHeader : public RstWriteTolvaneHeaderBase {
 public:
  RstWriteTolvaneHeader(const RstHeader& header, uint32_t flags);

  // The record; null when it could not be made (reported by init).
  TolvaneHeaderRecord* record() const { return record_.get(); }

 private:
  // Builds the record: -1 "RstWriteTolvaneHeader::init()" without memory,
  // -3 for a colormap the description cannot carry.
  void init();

  RstCountedPtr<TolvaneHeaderRecord> record_;
  uint32_t flags_;
};
