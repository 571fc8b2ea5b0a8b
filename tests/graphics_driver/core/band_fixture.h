// A job output stream whose TIFF record holds one band, 64 dots (8 bytes) wide
// unless told, with its spare row, for the band engine and the drawing code
// above it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/tiff_job_record.h"

namespace pk::test {

class BandFixture {
 public:
  BandFixture() : stream_(std::make_unique<JobOutputStream>()) { UseBand(0, 16); }
  ~BandFixture() { FreeStreamScratch(stream_.get()); }

  // A blank band of `rows` rows (plus the spare row) starting at page row
  // `top`; the drawing state stays.
  void UseBand(int32_t top, uint32_t rows, uint32_t widthDots = 64) {
    TiffJobRecord* r = Record();
    r->bytesPerRow = (widthDots + 7) / 8;
    band_.assign(size_t(r->bytesPerRow) * (rows + 1), 0);
    r->bandBuffer = band_.data();
    r->bandBufferSize = uint32_t(band_.size());
    r->bandTop = top;
    r->bandBottom = uint32_t(top) + rows;
    r->bandRows = rows;
    r->bandLeft = 0;
    r->bandRight = widthDots;
    r->bandWidth = widthDots;
    r->bandDirty = 0;
  }
  JobOutputStream* Stream() { return stream_.get(); }
  TiffJobRecord* Record() { return &stream_->tiffJob; }
  BYTE* Row(uint32_t y) { return band_.data() + size_t(y) * Record()->bytesPerRow; }
  // The bytes of band row y as hex, "1F F8 00 ...".
  std::string Hex(uint32_t y, uint32_t count = 0) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    const uint32_t n = count ? count : Record()->bytesPerRow;
    for (uint32_t i = 0; i < n; ++i) {
      if (i) s += ' ';
      s += digits[Row(y)[i] >> 4];
      s += digits[Row(y)[i] & 15];
    }
    return s;
  }
  bool Ink(uint32_t y, uint32_t x) { return (Row(y)[x / 8] >> (7 - x % 8)) & 1; }
  bool BandBlank() {
    for (BYTE b : band_)
      if (b) return false;
    return true;
  }
  void Grey(uint32_t grey) { Record()->penLevel = grey; }
  void Rop(char polarity, char operation) { SetRasterOp(Stream(), polarity, operation); }

 protected:
  std::unique_ptr<JobOutputStream> stream_;
  std::vector<BYTE> band_;
};

}  // namespace pk::test
