// Layers, bands and default layers of the strips of a TIFF-FX mixed raster
// content page.
#include "raster/mrc/rst_read_tiff_mrc_child.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "raster/color/rst_lab_range.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_generate_constant_color_raster.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_is_valid_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_clip.h"
#include "raster/geometry/rst_clip_height.h"
#include "raster/geometry/rst_pixel_binary_command.h"
#include "raster/geometry/rst_pixel_binary_operation.h"
#include "raster/geometry/rst_scale.h"
#include "raster/geometry/rst_scale_mask_ref.h"

namespace {

const char* const kWhere = "RstReadTIFFMRCChild::create()";
constexpr double kMaxRow = double(std::numeric_limits<int32_t>::max());

using ChildHeader = RstReadTIFFMRCChild::ChildHeader;

bool usable(const RstRational& r) { return r.numerator != 0 && r.denominator != 0; }
double value(const RstRational& r) { return double(r.numerator) / double(r.denominator); }

// Storage usable, a child of either layer, a rectangle to fill.
bool child_test(InputStorage* storage, ChildHeader* child, const RstRect& rect) {
  if (!rst_is_valid_storage(storage) || !child || rect.empty ||
      !(child->is_mrc_background() || child->is_mrc_foreground())) {
    rst_report(RstCode::bad_argument, kWhere);
    return false;
  }
  return true;
}

// Resolutions and positions are divided by or scaled with: a zero
// resolution or denominator leaves the child without a place on the page.
bool placeable(ChildHeader* child) {
  if (!usable(child->x_resolution) || !usable(child->y_resolution) || child->x_position.denominator == 0 ||
      child->y_position.denominator == 0) {
    rst_report(RstCode::unsupported_form, kWhere);
    return false;
  }
  return true;
}

// The layer colour of an Lab sample triple: L, then the a and b offsets of
// the default encoding.
void default_colour(uint8_t* colour, bool background) {
  const RstLabRange& range = RstLabRange::default_range();
  colour[0] = background ? 255 : 0;
  colour[1] = uint8_t(range.channel(1).offset);
  colour[2] = uint8_t(range.channel(2).offset);
}

// node = made over node when made; false (node kept) otherwise.
bool wrap(RstOwner<RstRead>& node, RstRead* made) {
  if (!made) return false;
  node.release();
  node.attach(made);
  return true;
}

// b laid opaquely on a at (x, y); the result replaces a.
bool paste(RstOwner<RstRead>& a, RstOwner<RstRead>& b, int32_t x, int32_t y) {
  RstPixelOpaqueCommand command;
  RstRead* made = RstPixelBinaryOperation::create(a.get(), b.get(), command, x, y);
  if (!made) return false;
  a.release();
  b.release();
  a.attach(made);
  return true;
}

}  // namespace

RstRead* RstReadTIFFMRCChild::create(const RstReadTIFFMRC::Storages& storages,
                                     const RstReadTIFFMRC::ChildList& children, const RstRect& strip, RstRead* mask,
                                     double x_resolution, double y_resolution, bool mask_referenced) {
  RstOwner<RstRead> mask_owner(mask);
  ChildHeader* first = children.empty() ? nullptr : children.front();
  if (!child_test(storages.empty() ? nullptr : storages.front().get(), first, strip)) return nullptr;
  RstOwner<RstRead> layer(create(strip, first->is_mrc_background()));
  if (!layer) return nullptr;

  // With mask-referenced scaling every band gets its own reader of the
  // strip's mask.
  RstDivide* divide = nullptr;
  RstOwner<RstRead> held;
  if (mask_referenced && mask_owner) {
    divide = RstDivide::create(mask_owner.get(), 0, 8);
    if (!divide) return nullptr;
    mask_owner.release();
    RstOwner<RstDivide> fan(divide);
    held.attach(divide->create_reader());
    if (!held) return nullptr;
    fan.release();  // the readers hold it now
  }

  for (size_t i = 0; i < children.size(); ++i) {
    ChildHeader* child = children[i];
    InputStorage* storage = i < storages.size() ? storages[i].get() : nullptr;
    if (!child_test(storage, child, strip) || !placeable(child)) return nullptr;
    double top = std::trunc(value(child->y_position) * y_resolution + 0.5);
    double height = std::trunc(double(child->image_length) * y_resolution / value(child->y_resolution) + 0.5);
    if (top + height - 1 > kMaxRow) {
      rst_report(RstCode::unsupported_form, kWhere);
      return nullptr;
    }
    if (height < 1) continue;
    RstRect band;
    band.set(0, uint32_t(top), strip.width() - 1, uint32_t(top + height - 1));
    RstRect common = band;
    common.intersect(strip);
    if (common.empty) continue;
    RstRead* band_mask = nullptr;
    if (divide) {
      band_mask = divide->create_reader();
      if (!band_mask) return nullptr;
    }
    RstOwner<RstRead> node(create(storage, child, band, band_mask, x_resolution, y_resolution, mask_referenced, strip));
    if (!node) return nullptr;
    if (!wrap(node, RstClipHeight::create(node.get(), int32_t(common.top - band.top), common.height()))) return nullptr;
    if (!paste(layer, node, int32_t(common.left - strip.left), int32_t(common.top - strip.top))) return nullptr;
  }
  return layer.release();
}

RstRead* RstReadTIFFMRCChild::create(InputStorage* storage, ChildHeader* child, const RstRect& band, RstRead* mask,
                                     double x_resolution, double y_resolution, bool mask_referenced,
                                     const RstRect& strip) {
  RstOwner<RstRead> mask_owner(mask);
  if (!child_test(storage, child, band) || !placeable(child)) return nullptr;
  const RstHeader* child_header = child->rst_header_ptr();
  if (!child_header) return nullptr;
  if (band.width() > kMaxRow || band.height() > kMaxRow || band.width() == 0 || band.height() == 0) {
    rst_report(RstCode::unsupported_form, kWhere);
    return nullptr;
  }
  RstHeader h(*child_header);
  h.width = int32_t(band.width());
  h.height = int32_t(band.height());
  h.data_form = RstDataForm::raw;

  // The band's colour: DefaultImageColor, one 16-bit value per sample, of
  // which the low byte is the sample.
  bool background = child->is_mrc_background();
  size_t samples = size_t(std::max(h.samples_per_pixel, 0));
  std::vector<uint8_t> colour(std::max<size_t>(samples, 3), 0);
  if (!child->default_image_color.empty()) {
    if (child->default_image_color.size() != samples) {
      rst_report(RstCode::unsupported_form, kWhere);
      return nullptr;
    }
    for (size_t s = 0; s < samples; ++s) colour[s] = uint8_t(child->default_image_color[s] & 0xFF);
  } else {
    default_colour(colour.data(), background);
  }
  RstOwner<RstRead> base(RstGenerateConstantColorRaster::create(h, colour.data()));
  if (!base) return nullptr;
  if (child->strip_offsets.empty() || child->strip_offsets.front() == 0) return base.release();

  // The child's place on the page.
  double x_scale = x_resolution / value(child->x_resolution);
  double y_scale = y_resolution / value(child->y_resolution);
  double x = std::round(value(child->x_position) * x_resolution);
  double y = std::round(value(child->y_position) * y_resolution);
  double width = std::trunc(double(child->image_width) * x_scale + 0.5);
  double height = std::trunc(double(child->image_length) * y_scale + 0.5);
  if (width > double(max_placed_width) || height > kMaxRow || x > kMaxRow || y > kMaxRow) {
    rst_report(RstCode::unsupported_form, kWhere);
    return nullptr;
  }
  int64_t at_x = int64_t(x) - int64_t(band.left), at_y = int64_t(y) - int64_t(band.top);
  // Too small to cover a pixel, or wholly outside the band: the base alone.
  if (width < 1 || height < 1 || at_x >= h.width || at_y >= h.height || at_x + int64_t(width) <= 0 ||
      at_y + int64_t(height) <= 0)
    return base.release();

  RstOwner<RstRead> image(RstReadTIFF::create(storage, child, false));
  if (!image) return nullptr;
  RstHeader ih(image.get());

  if (!mask_referenced) {
    mask_owner.reset();
    if (int32_t(width) != ih.width || int32_t(height) != ih.height) {
      RstRead* scaled = background ? RstScalePP::create(image.get(), int32_t(width), int32_t(height))
                                   : RstScaleNN::create(image.get(), int32_t(width), int32_t(height));
      if (!wrap(image, scaled)) return nullptr;
    }
    if (!paste(base, image, int32_t(at_x), int32_t(at_y))) return nullptr;
    return base.release();
  }

  // Mask-referenced scaling: the placed rectangle cut to the strip's rows
  // and the page's columns; the mask and the child cut to it alike, so that
  // the scaler sees mask and child in register.
  if (!mask_owner || strip.empty) return base.release();
  int64_t r0 = std::max<int64_t>(int64_t(y), strip.top);
  int64_t r1 = std::min<int64_t>(int64_t(y) + int64_t(height) - 1, strip.bottom);
  int64_t c0 = std::max<int64_t>(int64_t(x), strip.left);
  int64_t c1 = std::min<int64_t>(int64_t(x) + int64_t(width) - 1, strip.right);
  if (r1 < r0 || c1 < c0) return base.release();
  if (!wrap(mask_owner, RstClip::create(mask_owner.get(), int32_t(c0 - strip.left), int32_t(r0 - strip.top),
                                        uint32_t(c1 - c0 + 1), uint32_t(r1 - r0 + 1))))
    return nullptr;
  // Page rows and columns to child rows and columns, each bound truncated
  // after adding 0.5.
  auto child_bound = [](double page, double scale, int32_t limit) {
    return std::clamp<int64_t>(int64_t(std::trunc(page / scale + 0.5)), 0, limit);
  };
  int64_t k0 = child_bound(double(r0 - int64_t(y)), y_scale, ih.height - 1);
  int64_t k1 = std::max(child_bound(double(r1 + 1 - int64_t(y)), y_scale, ih.height), k0 + 1);
  int64_t j0 = child_bound(double(c0 - int64_t(x)), x_scale, ih.width - 1);
  int64_t j1 = std::max(child_bound(double(c1 + 1 - int64_t(x)), x_scale, ih.width), j0 + 1);
  if (!wrap(image, RstClip::create(image.get(), int32_t(j0), int32_t(k0), uint32_t(j1 - j0), uint32_t(k1 - k0))))
    return nullptr;
  RstRead* scaled = RstScaleMaskRef::create(image.get(), mask_owner.get(), background ? 1 : 0);
  if (!scaled) return nullptr;
  image.release();
  mask_owner.release();
  image.attach(scaled);
  if (!paste(base, image, int32_t(c0 - int64_t(band.left)), int32_t(r0 - int64_t(band.top)))) return nullptr;
  return base.release();
}

RstRead* RstReadTIFFMRCChild::create(const RstRect& rect, bool background) {
  if (rect.empty || rect.width() == 0 || rect.height() == 0 || rect.width() > kMaxRow || rect.height() > kMaxRow) {
    rst_report(RstCode::bad_argument, kWhere);
    return nullptr;
  }
  RstHeader h;
  h.width = int32_t(rect.width());
  h.height = int32_t(rect.height());
  h.bits_per_sample = 8;
  h.samples_per_pixel = 3;
  h.color_type = RstColorType::itu_lab();
  h.data_form = RstDataForm::raw;
  uint8_t colour[3];
  default_colour(colour, background);
  return RstGenerateConstantColorRaster::create(h, colour);
}
