// Top-bottom mirroring of raw and run lines.
#include "raster/geometry/rst_mirror_y.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_whole_source_node.h"
#include "raster/geometry/rst_image_size.h"
#include "raster/geometry/rst_run_line_source.h"

namespace {

// Clamped advance shared by both nodes.
int advance(int32_t& next_line, int32_t height, int n) {
  if (n <= 0) return 0;
  int32_t left = height > next_line ? height - next_line : 0;
  if (n > left) n = left;
  next_line += n;
  return n;
}

}  // namespace

RstRead* RstMirrorY::create(RstRead* source) {
  if (!source) {
    rst_report(RstCode::bad_argument, "RstMirrorY::create()");
    return nullptr;
  }
  RstHeader h(source);
  if (h.sample_kind == RstSampleKind::unsigned_int && h.height >= 0) {
    if (h.data_form == RstDataForm::raw) {
      return rst_create_whole_source_node<RstMirrorY>(source);
    }
    if (h.data_form == RstDataForm::rle && h.bits_per_sample == 1 && h.samples_per_pixel == 1)
      return RstMirrorYRLE::create(source);
  }
  rst_report(RstCode::unsupported_form, "RstMirrorY::create()");
  return nullptr;
}

RstMirrorY::RstMirrorY(RstRead* source) : RstProcess(source), header_(source) { line_bytes_ = source->line_size(); }

RstMirrorY::~RstMirrorY() { rst_free(image_); }

bool RstMirrorY::initiate() {
  const int32_t height = header_.height;
  size_t bytes = 0;
  if (line_bytes_ < 0 || !rst_image_bytes(height, line_bytes_, bytes) ||
      !(image_ = static_cast<uint8_t*>(rst_malloc(bytes)))) {
    rst_report(RstCode::no_memory, "RstMirrorY::initiate()");
    return false;
  }
  // Line i goes to slot height - 1 - i: the buffer fills from its end.
  for (int32_t i = 0; i < height; ++i) {
    uint8_t* slot = image_ + size_t(height - 1 - i) * size_t(line_bytes_);
    if (source()->read(slot) != line_bytes_) {
      line_bytes_ = 0;
      rst_report(RstCode::unsupported_form, "RstMirrorY::initiate()");
      return false;
    }
  }
  return true;
}

int RstMirrorY::read(uint8_t* line) {
  if (next_line_ >= header_.height || line_bytes_ == 0) return 0;
  std::memcpy(line, image_ + size_t(next_line_) * size_t(line_bytes_), size_t(line_bytes_));
  ++next_line_;
  return line_bytes_;
}

int RstMirrorY::skip(int n) { return advance(next_line_, header_.height, n); }

RstMirrorYRLE* RstMirrorYRLE::create(RstRead* source) {
  if (!rst_check_run_line_source(source, "RstMirrorYRLE::create()")) return nullptr;
  if (RstHeader(source).height < 0) {
    rst_report(RstCode::unsupported_form, "RstMirrorYRLE::create()");
    return nullptr;
  }
  return rst_create_whole_source_node<RstMirrorYRLE>(source);
}

RstMirrorYRLE::RstMirrorYRLE(RstRead* source) : RstProcess(source), header_(source) {
  line_bytes_ = source->line_size();
  height_ = header_.height;
}

RstMirrorYRLE::~RstMirrorYRLE() {
  rst_free(image_);
  rst_free(lengths_);
  rst_free(offsets_);
}

bool RstMirrorYRLE::initiate() {
  const char* where = "RstMirrorYRLE::initiate()";
  size_t count_bytes = 0, offset_bytes = 0;
  if (!rst_image_bytes(height_, sizeof(int32_t), count_bytes) ||
      !rst_image_bytes(height_, sizeof(uint64_t), offset_bytes)) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  lengths_ = static_cast<int32_t*>(rst_malloc(count_bytes));
  offsets_ = lengths_ ? static_cast<uint64_t*>(rst_malloc(offset_bytes)) : nullptr;
  // Room for the ending pair even when the source claims less; such lines
  // are refused below.
  size_t line_room = size_t(line_bytes_ > 8 ? line_bytes_ : 8);
  RstOwner<uint8_t> line(offsets_ ? static_cast<uint8_t*>(rst_malloc(line_room)) : nullptr);
  if (!line) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  // The lines are kept at their own lengths in one block that grows by
  // doubling: a page of short lines takes little more than its runs.
  size_t capacity = 0, used = 0;
  for (int32_t i = 0; i < height_; ++i) {
    int n = source()->read(line.get());
    if (n <= 0 || n % 8 != 0 || n > line_bytes_) {
      rst_report(RstCode::unsupported_form, where);
      return false;
    }
    if (used + size_t(n) > capacity) {
      size_t grown = capacity < 4096 ? 4096 : capacity * 2;
      while (grown < used + size_t(n)) grown *= 2;
      uint8_t* bigger = static_cast<uint8_t*>(rst_malloc(grown));
      if (!bigger) {
        rst_report(RstCode::no_memory, where);
        return false;
      }
      if (used) std::memcpy(bigger, image_, used);
      rst_free(image_);
      image_ = bigger;
      capacity = grown;
    }
    std::memcpy(image_ + used, line.get(), size_t(n));
    offsets_[i] = used;
    lengths_[i] = n;
    used += size_t(n);
  }
  return true;
}

int RstMirrorYRLE::read(uint8_t* line) {
  if (next_line_ >= height_) return 0;
  int32_t i = height_ - 1 - next_line_;
  std::memcpy(line, image_ + offsets_[i], size_t(lengths_[i]));
  ++next_line_;
  return lengths_[i];
}

int RstMirrorYRLE::skip(int n) { return advance(next_line_, height_, n); }
