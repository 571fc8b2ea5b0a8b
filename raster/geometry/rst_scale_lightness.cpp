// Lightness-keeping reduction (see rst_scale_lightness.h).
#include "raster/geometry/rst_scale_lightness.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_mirror_x.h"
#include "raster/geometry/rst_scale.h"
#include "raster/geometry/rst_scale_check.h"

namespace {

const char kCreate[] = "RstScaleLightness::create()";
const char kNodeCreate[] = "RstScaleLightness8xNR<T>::create()";
const char kNodeCreat[] = "RstScaleLightness8xNR<T>::creat()";
const char kNodeConstructor[] = "RstScaleLightness8xNR<T>::RstScaleLightness8xNR()";

// Replaces the node an owner holds by the one built over it; false (the owner
// keeping the old node) when none was built.
bool step(RstOwner<RstRead>& held, RstRead* next) {
  if (!next) return false;
  if (next != held.get()) {
    held.release();
    held.attach(next);
  }
  return true;
}

// The 8-bit pipeline: prescale, fan-out, gray copy, reduction.
RstRead* reduce_8bit(RstRead* source, const RstHeader& h, int32_t width, int32_t height, bool minimum) {
  RstFormatCreators& creators = rst_format_creators();
  if (!creators.transform_color_to || !creators.apply_colormap) {
    rst_report(RstCode::unsupported_option, kCreate);
    return nullptr;
  }
  uint32_t m = uint32_t(h.height) > uint32_t(height) ? uint32_t(h.height) : uint32_t(height);
  uint32_t abs_width = width < 0 ? 0u - uint32_t(width) : uint32_t(width);

  // The prescale only enlarges, so that the reduction only reduces.
  RstOwner<RstRead> mirrored;
  RstRead* prescale_source = source;
  int32_t prescale_width = h.width;
  if (uint32_t(h.width) < abs_width) {
    prescale_width = width;
  } else if (width < 0) {
    RstRead* mirror = RstMirrorX::create(source);
    if (!mirror) return nullptr;
    mirrored.attach(mirror);
    prescale_source = mirror;
  }
  RstRead* prescaled = RstScaleNN::create(prescale_source, prescale_width, int32_t(m));
  if (!prescaled) return nullptr;
  // One owner holds the top of the chain built so far (none: the source).
  RstOwner<RstRead> held;
  if (prescaled != prescale_source) {
    mirrored.release();
    held.attach(prescaled);
  } else {
    held.attach(mirrored.release());
  }

  RstDivide* divide = RstDivideOneBuffer::create(prescaled);
  if (!divide) return nullptr;
  held.release();
  RstOwner<RstDivide> fan(divide);
  RstOwner<RstRead> image(RstDivideReader::create(divide));
  if (!image) return nullptr;
  fan.release();  // the readers hold it now
  RstOwner<RstRead> gray(RstDivideReader::create(divide));
  if (!gray) return nullptr;
  if (!step(gray, creators.transform_color_to(gray.get(), RstColorType::s_gray()))) return nullptr;
  if (!step(gray, creators.apply_colormap(gray.get()))) return nullptr;

  std::vector<RstRead*> inputs{image.get(), gray.get()};
  RstRead* node = minimum
                      ? RstScaleLightness8xNR<std::less<unsigned char>>::create(inputs, abs_width, uint32_t(height))
                      : RstScaleLightness8xNR<std::greater<unsigned char>>::create(inputs, abs_width, uint32_t(height));
  if (!node) return nullptr;
  image.release();
  gray.release();
  return node;
}

}  // namespace

RstRead* RstScaleLightness::create(RstRead* source, int32_t width, int32_t height, bool minimum) {
  RstCreateGuard guard(source);
  if (!source || width == 0 || height <= 0) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  RstHeader h(source);
  RstRead* result = nullptr;
  if (h.bits_per_sample == 1) {
    // 0 is black in gray: the darkest pixel survives an AND; in any other
    // bilevel type (1 is black) an OR.
    bool gray = h.color_type && h.color_type->is_gray();
    result = (gray == minimum) ? RstScaleAND::create(source, width, height) : RstScaleOR::create(source, width, height);
  } else if (h.bits_per_sample == 8) {
    result = reduce_8bit(source, h, width, height, minimum);
  } else {
    rst_report(RstCode::unsupported_form, kCreate);
    return nullptr;
  }
  if (!result) return nullptr;
  return rst_create_end(result, guard);
}

template <class T>
RstRead* RstScaleLightness8xNR<T>::create(const std::vector<RstRead*>& inputs, uint32_t width, uint32_t height) {
  RstCreateGuard guard(inputs);
  if (inputs.size() != 2 || width == 0 || height == 0 || !inputs[0] || !inputs[1]) {
    rst_report(RstCode::bad_argument, kNodeCreate);
    return nullptr;
  }
  RstHeader image(inputs[0]), gray(inputs[1]);
  if (uint32_t(image.width) == width && uint32_t(image.height) == height) {
    inputs[1]->end();
    return rst_create_end(inputs[0], guard);
  }
  if (width > uint32_t(image.width) || height > uint32_t(image.height)) {
    rst_report(RstCode::bad_argument, kNodeCreat);
    return nullptr;
  }
  bool forms = image.width == gray.width && image.height == gray.height && image.data_form == RstDataForm::raw &&
               gray.data_form == RstDataForm::raw && image.bits_per_sample == 8 && gray.bits_per_sample == 8 &&
               gray.samples_per_pixel == 1 && !gray.colormap && gray.color_type == RstColorType::s_gray() &&
               image.samples_per_pixel > 0;
  if (!forms) {
    rst_report(RstCode::unsupported_form, kNodeCreat);
    return nullptr;
  }
  if (image.width >= kRstScaleMaxSize || image.height >= kRstScaleMaxSize) {
    rst_report(RstCode::unsupported_form, kNodeCreate);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstScaleLightness8xNR<T>>(inputs, width, height), guard);
}

template <class T>
RstScaleLightness8xNR<T>::RstScaleLightness8xNR(const std::vector<RstRead*>& inputs, uint32_t width, uint32_t height)
    : RstCompose(inputs), width_(width), height_(height) {
  RstRead* image = input(0);
  RstRead* gray = input(1);
  header_ = RstHeader(image);
  channels_ = uint32_t(header_.samples_per_pixel);
  uint32_t image_width = uint32_t(header_.width);
  row_step_ = (int64_t(header_.height) << 12) / int64_t(height);
  header_.width = int32_t(width);
  header_.height = int32_t(height);
  image_size_ = image->line_size();
  gray_size_ = gray->line_size();
  if (image_size_ <= 0 || gray_size_ <= 0) return;
  image_line_ = static_cast<uint8_t*>(rst_malloc(size_t(image_size_)));
  gray_line_ = static_cast<uint8_t*>(rst_malloc(size_t(gray_size_)));
  best_ = static_cast<uint8_t*>(rst_malloc(width));
  columns_ = static_cast<uint32_t*>(rst_malloc((size_t(width) + 1) * sizeof(uint32_t)));
  if (!columns_) return;
  uint64_t column_step = (uint64_t(image_width) << 12) / width;
  for (uint64_t i = 0; i <= width; ++i) columns_[i] = uint32_t((2048 + i * column_step) >> 12);
}

template <class T>
RstScaleLightness8xNR<T>::~RstScaleLightness8xNR() {
  rst_free(image_line_);
  rst_free(gray_line_);
  rst_free(best_);
  rst_free(columns_);
}

template <class T>
void RstScaleLightness8xNR<T>::header(RstHeader& h) {
  h = header_;
}

template <class T>
bool RstScaleLightness8xNR<T>::initiate() {
  if (image_line_ && gray_line_ && best_ && columns_) return true;
  rst_report(RstCode::no_memory, kNodeConstructor);
  return false;
}

template <class T>
int RstScaleLightness8xNR<T>::read(uint8_t* line) {
  if (produced_ >= height_) return 0;
  RstRead* image = input(0);
  RstRead* gray = input(1);
  if (image->read(image_line_) != image_size_ || gray->read(gray_line_) != gray_size_) return 0;
  T better;
  // The first row of the block decides every column.
  for (uint32_t i = 0; i < width_; ++i) {
    uint32_t j = columns_[i];
    best_[i] = gray_line_[j];
    for (uint32_t k = columns_[i] + 1; k < columns_[i + 1]; ++k)
      if (better(gray_line_[k], best_[i])) {
        best_[i] = gray_line_[k];
        j = k;
      }
    std::memcpy(line + size_t(i) * channels_, image_line_ + size_t(j) * channels_, channels_);
  }
  // Every further row of the block replaces what it beats.
  int64_t last = (row_position_ + row_step_ + 2048) >> 12;
  for (int64_t f = ((row_position_ + 2048) >> 12) + 1; f < last; ++f) {
    if (image->read(image_line_) != image_size_ || gray->read(gray_line_) != gray_size_) return 0;
    for (uint32_t i = 0; i < width_; ++i) {
      bool taken = false;
      uint32_t j = 0;
      for (uint32_t k = columns_[i]; k < columns_[i + 1]; ++k)
        if (better(gray_line_[k], best_[i])) {
          best_[i] = gray_line_[k];
          j = k;
          taken = true;
        }
      if (taken) std::memcpy(line + size_t(i) * channels_, image_line_ + size_t(j) * channels_, channels_);
    }
  }
  row_position_ += row_step_;
  ++produced_;
  return line_size();
}

template <class T>
void RstScaleLightness8xNR<T>::reset() {
  input(0)->reset();
  input(1)->reset();
  row_position_ = 0;
  produced_ = 0;
}

template <class T>
int RstScaleLightness8xNR<T>::line_size() {
  return int(channels_ * width_);
}

template class RstScaleLightness8xNR<std::less<unsigned char>>;
template class RstScaleLightness8xNR<std::greater<unsigned char>>;
