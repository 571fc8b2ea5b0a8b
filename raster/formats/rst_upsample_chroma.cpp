// Chroma upsampling of subsampled YCbCr data units.
#include "raster/formats/rst_upsample_chroma.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

namespace {

template <class T>
T* make(RstRead* source, const char* where) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 8 || h.samples_per_pixel != 3 || h.data_form != RstDataForm::raw || h.colormap ||
      h.width < 0) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstOwner<T> owner(rst_new<T>(source));
  if (!owner) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  if (!owner->ok()) return nullptr;  // the code buffer has reported
  T* made = rst_create_end(owner);
  if (made) guard.disarm();
  return made;
}

}  // namespace

RstRead* RstUpsampleChroma::create(RstRead* source, uint32_t sampling) {
  const char* where = "RstUpsampleChroma::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 8 || h.samples_per_pixel != 3 || h.data_form != RstDataForm::raw || h.colormap) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  switch (sampling) {
    case sampling_none: return source;
    case sampling_422: return RstUpsampleChroma422::create(source);
    case sampling_420: return RstUpsampleChroma420::create(source);
    case sampling_411: return RstUpsampleChroma411::create(source);
    default: rst_report(RstCode::bad_argument, where); return nullptr;
  }
}

bool RstUpsampleChroma::initiate() {
  RstHeader h(RstProcess::source());
  width_ = uint32_t(h.width);
  line_bytes_ = uint32_t((uint64_t{uint32_t(h.samples_per_pixel)} * uint32_t(h.bits_per_sample) * width_ + 7) / 8);
  return true;
}

void RstUpsampleChroma::reset() {
  clear();
  buffered_line_ = 2;
  RstProcess::source()->reset();
}

RstUpsampleChroma422* RstUpsampleChroma422::create(RstRead* source) {
  return make<RstUpsampleChroma422>(source, "RstUpsampleChroma422::create()");
}

int RstUpsampleChroma422::read(uint8_t* line) {
  for (uint32_t k = 0; k < (width_ + 1) / 2; ++k) {
    uint8_t y0 = next_byte(), y1 = next_byte(), cb = next_byte(), cr = next_byte();
    put(line, 2 * k, y0, cb, cr);
    put(line, 2 * k + 1, y1, cb, cr);
  }
  return int(line_bytes_);
}

RstUpsampleChroma411* RstUpsampleChroma411::create(RstRead* source) {
  return make<RstUpsampleChroma411>(source, "RstUpsampleChroma411::create()");
}

int RstUpsampleChroma411::read(uint8_t* line) {
  for (uint32_t k = 0; k < (width_ + 3) / 4; ++k) {
    uint8_t y[4];
    for (uint8_t& v : y) v = next_byte();
    uint8_t cb = next_byte(), cr = next_byte();
    for (uint32_t i = 0; i < 4; ++i) put(line, 4 * k + i, y[i], cb, cr);
  }
  return int(line_bytes_);
}

RstUpsampleChroma420* RstUpsampleChroma420::create(RstRead* source) {
  return make<RstUpsampleChroma420>(source, "RstUpsampleChroma420::create()");
}

RstUpsampleChroma420::~RstUpsampleChroma420() {
  rst_free(line_buffers_[0]);
  rst_free(line_buffers_[1]);
}

bool RstUpsampleChroma420::initiate() {
  RstUpsampleChroma::initiate();
  size_t bytes = line_bytes_ ? line_bytes_ : 1;
  line_buffers_[0] = static_cast<uint8_t*>(rst_malloc(bytes));
  line_buffers_[1] = static_cast<uint8_t*>(rst_malloc(bytes));
  if (!line_buffers_[0] || !line_buffers_[1]) {
    rst_report(RstCode::no_memory, "RstUpsampleChroma420::initiate()");
    return false;
  }
  return true;
}

int RstUpsampleChroma420::read(uint8_t* line) {
  if (buffered_line_ >= 2) {
    for (uint32_t k = 0; k < (width_ + 1) / 2; ++k) {
      uint8_t y00 = next_byte(), y01 = next_byte(), y10 = next_byte(), y11 = next_byte();
      uint8_t cb = next_byte(), cr = next_byte();
      put(line_buffers_[0], 2 * k, y00, cb, cr);
      put(line_buffers_[0], 2 * k + 1, y01, cb, cr);
      put(line_buffers_[1], 2 * k, y10, cb, cr);
      put(line_buffers_[1], 2 * k + 1, y11, cb, cr);
    }
    buffered_line_ = 0;
  }
  std::memcpy(line, line_buffers_[buffered_line_], line_bytes_);
  ++buffered_line_;
  return int(line_bytes_);
}
