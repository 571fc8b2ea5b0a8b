// Constant-colour raster sources and the factory that picks one by data form.
#include "raster/core/rst_generate_constant_color_raster.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

namespace {
int64_t packed_line_bytes(const RstHeader& h) {
  return (int64_t{h.samples_per_pixel} * h.width * h.bits_per_sample + 7) >> 3;
}
}  // namespace

RstRead* RstGenerateConstantColorRaster::create(const RstHeader& header, const uint8_t* pixel) {
  if (header.data_form == RstDataForm::raw) return RstGenerateConstantColorRasterRaw::create(header, pixel);
  if (header.data_form == RstDataForm::rle) {
    if (header.bits_per_sample != 1 || header.samples_per_pixel != 1 || !pixel) {
      rst_report(RstCode::bad_argument, "RstGenerateConstantColorRaster::RstGenerateConstantColorRaster()");
      return nullptr;
    }
    return RstGenerateConstantColorRasterRLE::create(header, pixel[0]);
  }
  return nullptr;
}

RstGenerateConstantColorRasterRaw::RstGenerateConstantColorRasterRaw(const RstHeader& header, const uint8_t* pixel)
    : line_bytes_(static_cast<int32_t>(packed_line_bytes(header))), pixel_value_(pixel), header_(header) {}

RstGenerateConstantColorRasterRaw::~RstGenerateConstantColorRasterRaw() {
  rst_free(pixel_);
  rst_free(line_);
}

RstGenerateConstantColorRasterRaw* RstGenerateConstantColorRasterRaw::create(const RstHeader& header,
                                                                             const uint8_t* pixel) {
  const char* where = "RstGenerateConstantColorRasterRaw::create()";
  int32_t bits = header.bits_per_sample;
  if (!pixel || header.sample_kind != 0 || header.data_form != 0 || !header.color_type) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) {
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  bool sizes_ok = header.width >= 0 && header.height >= 0 && header.samples_per_pixel >= 1 &&
                  packed_line_bytes(header) <= std::numeric_limits<int32_t>::max();
  if (!sizes_ok) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  const RstColormap* colormap = header.colormap.get();
  if (colormap && pixel[0] >= colormap->entries()) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (bits == 2 || bits == 4) {
    // Samples are packed; a value needing more bits would spill into its
    // neighbour.
    for (int32_t s = 0; s < header.samples_per_pixel; ++s) {
      if (pixel[s] >> bits) {
        rst_report(RstCode::bad_argument, where);
        return nullptr;
      }
    }
  }
  RstOwner<RstGenerateConstantColorRasterRaw> owner(rst_new<RstGenerateConstantColorRasterRaw>(header, pixel));
  return rst_create_end(owner);
}

bool RstGenerateConstantColorRasterRaw::initiate() {
  const char* where = "RstGenerateConstantColorRasterRaw::initiate()";
  int32_t samples = header_.samples_per_pixel;
  line_bytes_ = static_cast<int32_t>(packed_line_bytes(header_));
  pixel_ = static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(samples)));
  if (!pixel_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  std::memcpy(pixel_, pixel_value_, static_cast<size_t>(samples));
  line_ = static_cast<uint8_t*>(rst_calloc(static_cast<size_t>(std::max(line_bytes_, 1))));
  if (!line_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  int32_t bits = header_.bits_per_sample;
  if (bits == 1) {
    // All ones or all zeros, the bits after the last pixel included.
    std::memset(line_, pixel_[0] ? 0xFF : 0x00, static_cast<size_t>(line_bytes_));
  } else if (bits == 8) {
    for (int32_t x = 0; x < header_.width; ++x)
      std::memcpy(line_ + static_cast<size_t>(x) * samples, pixel_, static_cast<size_t>(samples));
  } else {
    // 2 and 4 bits: samples packed most significant first, padding bits 0.
    int64_t bit = 0;
    for (int32_t x = 0; x < header_.width; ++x) {
      for (int32_t s = 0; s < samples; ++s, bit += bits) {
        int shift = 8 - bits - static_cast<int>(bit & 7);
        line_[bit >> 3] |= static_cast<uint8_t>(pixel_[s] << shift);
      }
    }
  }
  return true;
}

int RstGenerateConstantColorRasterRaw::read(uint8_t* line) {
  if (line_number_ >= header_.height) return 0;
  std::memcpy(line, line_, static_cast<size_t>(line_bytes_));
  ++line_number_;
  return line_bytes_;
}

int RstGenerateConstantColorRasterRaw::skip(int n) {
  if (n <= 0) return 0;
  int moved = std::min(n, header_.height - line_number_);
  line_number_ += moved;
  return moved;
}
