// 16-bit pixels to three 8-bit samples.
#include "raster/formats/rst_unpack_pixel_16_to_24.h"

#include <climits>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

RstRead* RstUnpackPixel16To24::create(RstRead* source, uint32_t red_mask, uint32_t green_mask, uint32_t blue_mask) {
  const char* where = "RstUnpackPixel16To24::create";
  RstCreateGuard guard(source);
  uint16_t masks[3] = {uint16_t(red_mask), uint16_t(green_mask), uint16_t(blue_mask)};
  if (!source || (masks[0] & masks[1] & masks[2]) != 0 || (masks[0] | masks[1] | masks[2]) == 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.data_form != RstDataForm::raw || h.samples_per_pixel != 3 || h.width < 0 || int64_t{h.width} * 3 > INT_MAX) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_end(rst_new<RstUnpackPixel16To24>(source, masks), guard);
}

RstUnpackPixel16To24::RstUnpackPixel16To24(RstRead* source, const uint16_t masks[3]) : RstProcess(source) {
  for (int c = 0; c < 3; ++c) {
    masks_[c] = masks[c];
    int32_t low = 0, high = 15;
    if (masks[c] != 0) {
      while (low < 15 && !(masks[c] >> low & 1)) ++low;
      while (high > low && !(masks[c] >> high & 1)) --high;
    } else {
      high = low;
    }
    right_[c] = low;
    int32_t width = high - low + 1;
    left_[c] = width < 8 ? 8 - width : 0;
  }
}

RstUnpackPixel16To24::~RstUnpackPixel16To24() { rst_free(buffer_); }

void RstUnpackPixel16To24::header(RstHeader& h) {
  RstProcess::header(h);
  h.bits_per_sample = 8;
}

bool RstUnpackPixel16To24::initiate() {
  RstHeader h(source());
  pixels_ = h.width;
  line_size_ = 3 * pixels_;
  buffer_ = static_cast<uint16_t*>(rst_malloc(size_t(pixels_ > 0 ? pixels_ : 1) * 2));
  if (!buffer_) {
    rst_report(RstCode::no_memory, "RstUnpackPixel16To24::initiate()");
    return false;
  }
  return true;
}

int RstUnpackPixel16To24::read(uint8_t* line) {
  if (source()->read(reinterpret_cast<uint8_t*>(buffer_)) != source()->line_size()) return 0;
  for (int32_t i = 0; i < pixels_; ++i) {
    uint16_t pixel = buffer_[i];
    for (int c = 0; c < 3; ++c) line[3 * i + c] = uint8_t(((pixel & masks_[c]) >> right_[c]) << left_[c]);
  }
  return line_size_;
}

int RstUnpackPixel16To24::skip(int n) { return source()->skip(n); }

void RstUnpackPixel16To24::reset() { source()->reset(); }
