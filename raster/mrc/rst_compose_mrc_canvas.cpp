// Composing an MRC canvas: the background node, one painting step per object
// (decode, scale, conform, paint), and the page node that owns the canvas.
#include "raster/mrc/rst_compose_mrc_canvas.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "raster/codecs/rst_byte_decode.h"
#include "raster/codecs/rst_decode_ccitt.h"
#include "raster/codecs/rst_pack_bits.h"
#include "raster/codecs/rst_read_jbig.h"
#include "raster/codecs/rst_read_jpeg23.h"
#include "raster/color/rst_apply_colormap.h"
#include "raster/color/rst_convert_bits.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_generate_constant_color_raster.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_process_bridge.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_convert_bits8_to1.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/geometry/rst_pixel_binary_command.h"
#include "raster/geometry/rst_pixel_binary_operation.h"
#include "raster/geometry/rst_pixel_conditional.h"
#include "raster/geometry/rst_scale.h"

namespace {

const char kCreate[] = "RstComposeMRCCanvas::create()";

int32_t last_status() {
  RstStatusContext* context = RstStatusContext::instance();
  return context ? context->last_status : RstCode::good;
}

// The status bracket's start: the last status becomes 1, the old one is kept.
int32_t open_bracket() {
  RstStatusContext* context = RstStatusContext::instance();
  return context ? context->exchange_status(RstCode::good) : RstCode::good;
}

// node = made, when one was made; the node it replaces now belongs to it.
bool replace(RstRead*& node, RstRead* made) {
  if (!made) return false;
  node = made;
  return true;
}

// The same for a node held by an owner.
bool replace(RstOwner<RstRead>& owner, RstRead* made) {
  if (!made) return false;
  if (made != owner.get()) {
    owner.release();
    owner.attach(made);
  }
  return true;
}

// A step that may put nodes in place of the owner's node: the owner follows.
template <class Step>
bool through(RstOwner<RstRead>& owner, Step step) {
  RstRead* node = owner.get();
  bool done = step(node);
  if (node != owner.get()) {
    owner.release();
    owner.attach(node);
  }
  return done;
}

bool fits_size(int64_t v) { return v > 0 && v <= std::numeric_limits<int32_t>::max(); }

int32_t clamp_position(double v) {
  if (!(v > -2147483648.0)) return std::numeric_limits<int32_t>::min();
  if (!(v < 2147483647.0)) return std::numeric_limits<int32_t>::max();
  return int32_t(v);
}

}  // namespace

RstComposeMRCCanvas::~RstComposeMRCCanvas() {
  if (owns_canvas_) delete canvas_;
}

RstComposeMRCCanvas* RstComposeMRCCanvas::create(RstMRCCanvas* canvas, double magnification,
                                                 RstScale::ScaleCommand& command) {
  if (!canvas || !(magnification > 0)) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  // Sides that round to nothing or beyond a 32-bit size make no page.
  double w = std::trunc(double(canvas->width()) * magnification + 0.5);
  double h = std::trunc(double(canvas->height()) * magnification + 0.5);
  if (!(w >= 1 && w <= 2147483647.0) || !(h >= 1 && h <= 2147483647.0)) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  return create(canvas, int32_t(w), int32_t(h), command);
}

RstComposeMRCCanvas* RstComposeMRCCanvas::create(RstMRCCanvas* canvas, int32_t width, int32_t height,
                                                 RstScale::ScaleCommand& command) {
  if (!canvas || width <= 0 || height <= 0 || canvas->width() == 0 || canvas->height() == 0) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  const RstMRCCanvas::ConstantColor& background = canvas->background();
  RstHeader h;
  h.width = width;
  h.height = height;
  h.bits_per_sample = background.bits;
  h.samples_per_pixel = int32_t(background.values.size());
  h.color_type = background.color_type;
  h.data_form = RstDataForm::raw;
  RstRead* node = RstGenerateConstantColorRaster::create(h, background.values.data());
  if (!node) {
    rst_report(RstCode::no_memory, kCreate);
    return nullptr;
  }
  MRCObjectVisitor visitor(node, command, double(width) / canvas->width(), double(height) / canvas->height());
  for (RstMRCCanvas::MRCObject* object : canvas->objects()) {
    if (object->accept(visitor) <= 0) {
      rst_report(RstCode::no_memory, kCreate);
      return nullptr;
    }
  }
  RstRead* composite = visitor.take_composite();
  if (!composite) return nullptr;
  RstOwner<RstComposeMRCCanvas> page(rst_new<RstComposeMRCCanvas>(composite, canvas));
  if (!page) {
    composite->end();
    rst_report(RstCode::no_memory, kCreate);
    return nullptr;
  }
  return rst_create_end(page);
}

RstComposeMRCCanvas::MRCObjectVisitor::MRCObjectVisitor(RstRead* background, RstScale::ScaleCommand& command, double sx,
                                                        double sy)
    : composite_(background), command_(command), sx_(sx), sy_(sy) {
  RstHeader h(background);
  page_area_ = int64_t(h.width) * h.height;
}

RstComposeMRCCanvas::MRCObjectVisitor::~MRCObjectVisitor() = default;

bool RstComposeMRCCanvas::MRCObjectVisitor::oversized(const Target& t) const {
  // Objects may reach past the page, but not by orders of magnitude: the
  // scalers produce every pixel of the target, on the page or not.
  const double limit = std::max(64.0 * double(page_area_), 16777216.0);
  if (double(t.w) * double(t.h) <= limit) return false;
  rst_report(RstCode::unsupported_form, "RstComposeMRCCanvas::MRCObjectVisitor::scale()");
  return true;
}

bool RstComposeMRCCanvas::MRCObjectVisitor::oversized(RstRead* source) const {
  RstHeader h(source);
  const double canvas_area = double(page_area_) / (sx_ * sy_);
  const double limit = std::max(64.0 * canvas_area, 16777216.0);
  if (double(h.width) * double(h.height) <= limit) return false;
  rst_report(RstCode::unsupported_form, "RstComposeMRCCanvas::MRCObjectVisitor::scale()");
  return true;
}

RstRead* RstComposeMRCCanvas::MRCObjectVisitor::take_composite() { return composite_.release(); }

RstComposeMRCCanvas::MRCObjectVisitor::Target RstComposeMRCCanvas::MRCObjectVisitor::target(
    const RstMRCCanvas::Rect& rect) const {
  Target t;
  t.w = int64_t(std::min(std::trunc(double(uint32_t(rect.right - rect.left + 1)) * sx_ + 0.5), 9.0e18));
  t.h = int64_t(std::min(std::trunc(double(uint32_t(rect.bottom - rect.top + 1)) * sy_ + 0.5), 9.0e18));
  // Halves away from zero.
  t.x = clamp_position(std::round(double(rect.left) * sx_));
  t.y = clamp_position(std::round(double(rect.top) * sy_));
  return t;
}

int RstComposeMRCCanvas::MRCObjectVisitor::finish(int32_t kept, bool painted) {
  first_paint_ = false;
  int32_t now = last_status();
  if (!painted) {
    // A chain that failed to link is no page.
    composite_.reset();
    return now <= 0 ? now : RstCode::no_memory;
  }
  if (now >= 1) {
    RstStatusContext* context = RstStatusContext::instance();
    if (context) context->exchange_status(kept);
  }
  return now;
}

bool RstComposeMRCCanvas::MRCObjectVisitor::decode(RstRead*& node) {
  switch (RstHeader(node).data_form) {
    case RstDataForm::raw: return true;
    case RstDataForm::mh:
      return replace(node, RstDecodeMH::create(node, nullptr)) && replace(node, RstDecodeRLE::create(node));
    case RstDataForm::mr:
      return replace(node, RstDecodeMR::create(node, nullptr)) && replace(node, RstDecodeRLE::create(node));
    case RstDataForm::mmr:
      return replace(node, RstDecodeMMR::create(node, nullptr)) && replace(node, RstDecodeRLE::create(node));
    case RstDataForm::jpeg: {
      auto reader = [](InputStorage* storage) { return RstReadJPEG23::create(storage, nullptr, nullptr); };
      return replace(node, RstReadProcessBridge<RstReadJPEG23>::create(node, reader, nullptr));
    }
    case RstDataForm::jbig: return replace(node, RstReadProcessBridge<RstReadJBIGT85>::create(node));
    case RstDataForm::byte_encode: return replace(node, RstByteDecode::create(node));
    case RstDataForm::packbits: return replace(node, RstUnPackBits::create(node));
    case RstDataForm::rle: return replace(node, RstDecodeRLE::create(node));
    default: rst_report(RstCode::unsupported_option, "RstComposeMRCCanvas::MRCObjectVisitor::decode()"); return false;
  }
}

bool RstComposeMRCCanvas::MRCObjectVisitor::scale(RstRead*& image, int64_t w, int64_t h) {
  RstHeader hi(image);
  if (hi.width == w && hi.height == h) return true;
  if (!fits_size(w) || !fits_size(h)) {
    rst_report(RstCode::unsupported_form, "RstComposeMRCCanvas::MRCObjectVisitor::scale()");
    return false;
  }
  return replace(image, command_.scale(image, int32_t(w), int32_t(h)));
}

bool RstComposeMRCCanvas::MRCObjectVisitor::scale_mask(RstRead*& mask, int64_t w, int64_t h, RstRead* composite,
                                                       RstRead* painted) {
  RstHeader hm(mask);
  if (hm.width == w && hm.height == h) return true;
  if (!fits_size(w) || !fits_size(h)) {
    rst_report(RstCode::unsupported_form, "RstComposeMRCCanvas::MRCObjectVisitor::scale_mask()");
    return false;
  }
  if (std::max(RstHeader(composite).bits_per_sample, RstHeader(painted).bits_per_sample) == 8) {
    // Averaged as 8-bit values, then diffused back to 1 bit: edges of a
    // reduced mask keep their weight.
    return replace(mask, RstConvertBits1To8::create(mask, 0, 255)) &&
           replace(mask, RstScalePP::create(mask, int32_t(w), int32_t(h))) &&
           replace(mask, RstConvertBits8To1EDType1::create(mask));
  }
  return replace(mask, RstScaleNN::create(mask, int32_t(w), int32_t(h)));
}

bool RstComposeMRCCanvas::MRCObjectVisitor::conform(RstOwner<RstRead>& painted) {
  if (first_paint_) {
    RstHeader hc(composite_.get()), hp(painted.get());
    if (hc.bits_per_sample == 1 && hp.bits_per_sample == 8 &&
        !replace(composite_, RstConvertBits1To8::create(composite_.get(), 0, 255)))
      return false;
    if (!replace(composite_, RstTransformColorTo::create(composite_.get(), hp.color_type, nullptr))) return false;
  }
  return replace(composite_, RstApplyColormap::create(composite_.get())) &&
         replace(painted, RstApplyColormap::create(painted.get()));
}

bool RstComposeMRCCanvas::MRCObjectVisitor::depth(RstRead* painted) {
  if (!first_paint_) return true;
  if (RstHeader(composite_.get()).bits_per_sample <= RstHeader(painted).bits_per_sample) return true;
  return replace(composite_, RstConvertBits8To1Threshold::create(composite_.get(), 127));
}

int RstComposeMRCCanvas::MRCObjectVisitor::visit_unmasked_image(RstMRCCanvas::UnmaskedImage& object) {
  if (!composite_) return RstCode::no_memory;
  Target t = target(object.rect);
  if (t.w <= 0 || t.h <= 0) return last_status();
  if (oversized(t)) return RstCode::unsupported_form;
  RstOwner<RstRead> image(object.image_reader());
  if (!image) return last_status();
  if (oversized(image.get())) return RstCode::unsupported_form;
  int32_t kept = open_bracket();
  bool ok = through(image, [](RstRead*& n) { return decode(n); }) &&
            through(image, [&](RstRead*& n) { return scale(n, t.w, t.h); }) && conform(image) && depth(image.get());
  if (ok) {
    RstPixelOpaqueCommand opaque;
    RstRead* painted = RstPixelBinaryOperation::create(composite_.get(), image.get(), opaque, t.x, t.y);
    ok = painted != nullptr;
    if (ok) {
      image.release();  // linked into the paste, or ended by it
      replace(composite_, painted);
    }
  }
  return finish(kept, ok);
}

int RstComposeMRCCanvas::MRCObjectVisitor::visit_masked_image(RstMRCCanvas::MaskedImage& object) {
  if (!composite_) return RstCode::no_memory;
  Target t = target(object.rect);
  if (t.w <= 0 || t.h <= 0) return last_status();
  if (oversized(t)) return RstCode::unsupported_form;
  RstOwner<RstRead> mask(object.mask_reader());
  RstOwner<RstRead> image(object.image_reader());
  if (!mask || !image) return last_status();
  if (oversized(mask.get()) || oversized(image.get())) return RstCode::unsupported_form;
  int32_t kept = open_bracket();
  if (RstHeader(mask.get()).bits_per_sample != 1) {
    rst_report(RstCode::unsupported_form, "RstComposeMRCCanvas::visit_masked_image()");
    return finish(kept, false);
  }
  bool ok = through(mask, [](RstRead*& n) { return decode(n); }) &&
            through(image, [](RstRead*& n) { return decode(n); }) &&
            through(image, [&](RstRead*& n) { return scale(n, t.w, t.h); }) && conform(image) && depth(image.get()) &&
            through(mask, [&](RstRead*& n) { return scale_mask(n, t.w, t.h, composite_.get(), image.get()); });
  if (ok) {
    RstPixelConditionalOPCommand<RstPixelOperator::Opaque> command;
    RstRead* painted =
        RstPixelConditionalOperation::create(composite_.get(), mask.get(), image.get(), command, t.x, t.y);
    ok = painted != nullptr;
    if (ok) {
      mask.release();
      image.release();
      replace(composite_, painted);
    }
  }
  return finish(kept, ok);
}

int RstComposeMRCCanvas::MRCObjectVisitor::visit_masked_color(RstMRCCanvas::MaskedColor& object) {
  if (!composite_) return RstCode::no_memory;
  Target t = target(object.rect);
  if (t.w <= 0 || t.h <= 0) return last_status();
  if (oversized(t)) return RstCode::unsupported_form;
  RstOwner<RstRead> mask(object.mask_reader());
  if (!mask) return last_status();
  if (oversized(mask.get())) return RstCode::unsupported_form;
  int32_t kept = open_bracket();
  if (RstHeader(mask.get()).bits_per_sample != 1) {
    rst_report(RstCode::unsupported_form, "RstComposeMRCCanvas::visit_masked_color()");
    return finish(kept, false);
  }
  bool ok = through(mask, [](RstRead*& n) { return decode(n); });
  RstOwner<RstRead> color;
  if (ok && !fits_size(t.w)) {
    rst_report(RstCode::unsupported_form, "RstComposeMRCCanvas::MRCObjectVisitor::scale_mask()");
    ok = false;
  }
  if (ok && !fits_size(t.h)) {
    rst_report(RstCode::unsupported_form, "RstComposeMRCCanvas::MRCObjectVisitor::scale_mask()");
    ok = false;
  }
  if (ok) {
    const RstMRCCanvas::ConstantColor& c = object.color();
    RstHeader h;
    h.width = int32_t(t.w);
    h.height = int32_t(t.h);
    h.bits_per_sample = std::max(c.bits, RstHeader(composite_.get()).bits_per_sample);
    h.samples_per_pixel = int32_t(c.values.size());
    h.color_type = c.color_type;
    h.data_form = RstDataForm::raw;
    color.attach(RstGenerateConstantColorRaster::create(h, c.values.data()));
    ok = color && conform(color) &&
         through(mask, [&](RstRead*& n) { return scale_mask(n, t.w, t.h, composite_.get(), color.get()); });
  }
  if (ok) {
    RstPixelConditionalOPCommand<RstPixelOperator::Opaque> command;
    RstRead* painted =
        RstPixelConditionalOperation::create(composite_.get(), mask.get(), color.get(), command, t.x, t.y);
    ok = painted != nullptr;
    if (ok) {
      mask.release();
      color.release();
      replace(composite_, painted);
    }
  }
  return finish(kept, ok);
}
