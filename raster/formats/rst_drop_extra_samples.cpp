// Extra sample dropping.
#include "raster/formats/rst_drop_extra_samples.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_tiles.h"

RstDropExtraSamples* RstDropExtraSamples::create(RstRead* source, int32_t keep) {
  const char* where = "RstDropExtraSamples::create()";
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  int32_t b = h.bits_per_sample;
  bool bits_ok = b == 1 || b == 2 || b == 4 || b == 8 || b == 16;
  if (h.data_form != RstDataForm::raw || !bits_ok || keep < 1 || h.samples_per_pixel <= keep || h.width <= 0) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_end(rst_new<RstDropExtraSamples>(source, keep), guard);
}

RstDropExtraSamples::~RstDropExtraSamples() { rst_free(row_); }

void RstDropExtraSamples::header(RstHeader& h) {
  RstProcess::header(h);
  h.samples_per_pixel = keep_;
}

int RstDropExtraSamples::line_size() {
  RstHeader h;
  header(h);
  return int(rst_raw_line_bytes(h));
}

bool RstDropExtraSamples::initiate() {
  row_size_ = source()->line_size();
  if (row_size_ <= 0) {
    rst_report(RstCode::unsupported_form, "RstDropExtraSamples::initiate()");
    return false;
  }
  row_ = static_cast<uint8_t*>(rst_malloc(size_t(row_size_)));
  if (!row_) {
    rst_report(RstCode::no_memory, "RstDropExtraSamples::initiate()");
    return false;
  }
  return true;
}

int RstDropExtraSamples::read(uint8_t* line) {
  if (!row_) return 0;
  int n = source()->read(row_);
  if (n != row_size_) return 0;
  RstHeader h(source());
  const int64_t width = h.width;
  const int32_t bits = h.bits_per_sample;
  const int32_t stored = h.samples_per_pixel;
  // Never past the source's row, whatever the header says.
  if ((int64_t{stored} * bits * width + 7) / 8 > row_size_) return 0;
  const int out_size = line_size();
  if (bits >= 8) {
    // Whole bytes: each pixel's first samples move down to their place.
    const size_t in_pixel = size_t(stored) * bits / 8, out_pixel = size_t(keep_) * bits / 8;
    for (int64_t x = 0; x < width; ++x) std::memmove(line + x * out_pixel, row_ + x * in_pixel, out_pixel);
  } else {
    // Packed samples, most significant bit first: copy the kept ones bit by bit.
    std::memset(line, 0, size_t(out_size));
    const int64_t in_pixel = int64_t{stored} * bits, out_pixel = int64_t{keep_} * bits;
    for (int64_t x = 0; x < width; ++x) {
      for (int64_t k = 0; k < out_pixel; ++k) {
        int64_t from = x * in_pixel + k, to = x * out_pixel + k;
        if (row_[from >> 3] & (0x80 >> (from & 7))) line[to >> 3] |= uint8_t(0x80 >> (to & 7));
      }
    }
  }
  return out_size;
}
