// The MRC canvas: colours, links to sources, the three object kinds, and the
// canvas with its copy (a copy shares every source through new readers).
#include "raster/mrc/rst_mrc_canvas.h"

#include <new>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

namespace {

bool is_bilevel_mask(RstRead* mask) {
  RstHeader h(mask);
  return h.bits_per_sample == 1 && h.samples_per_pixel == 1;
}

// A heap copy of an object whose links all came through; null otherwise.
template <class T>
RstMRCCanvas::MRCObject* copy_object(const T& object) {
  T* copy = rst_new<T>(object);
  if (!copy) return nullptr;
  if (!copy->links_complete()) {
    delete copy;
    return nullptr;
  }
  return copy;
}

}  // namespace

RstMRCCanvas::ConstantColor::ConstantColor(const std::vector<uint8_t>& values, RstColorType* type, int32_t bits)
    : values(values), color_type(type), bits(bits) {
  if (!type || values.size() < static_cast<size_t>(type->channels()) || bits == 0) {
    rst_report(RstCode::bad_argument, "RstMRCCanvas::ConstantColor::ConstantColor()");
  }
}

RstMRCCanvas::RstLink::RstLink(RstRead* source) {
  if (!source) {
    rst_report(RstCode::bad_argument, "RstMRCCanvas::RstLink::RstLink()");
    return;
  }
  divide_ = RstDivideNoBuffer::create(source);
  if (!divide_) return;
  own_ = divide_->create_reader();
  if (!own_) {
    // Without a reader nothing would release the fan-out; the source goes
    // with it.
    RstDivide* divide = divide_;
    divide_ = nullptr;
    divide->end();
  }
}

RstMRCCanvas::RstLink::RstLink(const RstLink& other) : divide_(other.divide_) {
  if (divide_) own_ = divide_->create_reader();
  if (!own_) divide_ = nullptr;
}

RstMRCCanvas::RstLink::~RstLink() {
  if (!own_) return;
  try {
    own_->end();
  } catch (const RstStatus&) {
  }
}

RstRead* RstMRCCanvas::RstLink::reader() const { return own_ ? divide_->create_reader() : nullptr; }

RstMRCCanvas::UnmaskedImage* RstMRCCanvas::UnmaskedImage::create(RstRead* image, const Rect& rect) {
  if (!image) {
    rst_report(RstCode::bad_argument, "RstMRCCanvas::UnmaskedImage::create()");
    return nullptr;
  }
  RstCreateGuard guard(image);
  if (!rst_initiate(image)) return nullptr;
  UnmaskedImage* object = rst_new<UnmaskedImage>(image, rect);
  if (!object) {
    rst_report(RstCode::no_memory, "RstMRCCanvas::UnmaskedImage::create()");
    return nullptr;
  }
  guard.disarm();
  if (object->image_.empty()) {
    delete object;
    return nullptr;
  }
  return object;
}

RstMRCCanvas::MRCObject* RstMRCCanvas::UnmaskedImage::clone() const { return copy_object(*this); }

int RstMRCCanvas::UnmaskedImage::accept(ObjectVisitor& visitor) { return visitor.visit_unmasked_image(*this); }

RstMRCCanvas::MaskedImage* RstMRCCanvas::MaskedImage::create(RstRead* image, RstRead* mask, const Rect& rect) {
  const char* where = "RstMRCCanvas::MaskedImage::create()";
  if (!image || !mask) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstCreateGuard guard(image, mask);
  if (!is_bilevel_mask(mask)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (!rst_initiate(image) || !rst_initiate(mask)) return nullptr;
  MaskedImage* object = rst_new<MaskedImage>(image, mask, rect);
  if (!object) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  guard.disarm();
  if (object->image_.empty() || object->mask_.empty()) {
    delete object;
    return nullptr;
  }
  return object;
}

RstMRCCanvas::MRCObject* RstMRCCanvas::MaskedImage::clone() const { return copy_object(*this); }

int RstMRCCanvas::MaskedImage::accept(ObjectVisitor& visitor) { return visitor.visit_masked_image(*this); }

RstMRCCanvas::MaskedColor* RstMRCCanvas::MaskedColor::create(const ConstantColor& color, RstRead* mask,
                                                             const Rect& rect) {
  const char* where = "RstMRCCanvas::MaskedColor::create()";
  if (!mask) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstCreateGuard guard(mask);
  if (!is_bilevel_mask(mask)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (!rst_initiate(mask)) return nullptr;
  MaskedColor* object = rst_new<MaskedColor>(color, mask, rect);
  if (!object) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  guard.disarm();
  if (object->mask_.empty()) {
    delete object;
    return nullptr;
  }
  return object;
}

RstMRCCanvas::MRCObject* RstMRCCanvas::MaskedColor::clone() const { return copy_object(*this); }

int RstMRCCanvas::MaskedColor::accept(ObjectVisitor& visitor) { return visitor.visit_masked_color(*this); }

RstMRCCanvas* RstMRCCanvas::create(uint32_t width, uint32_t height, const ConstantColor& background) {
  RstMRCCanvas* canvas = rst_new<RstMRCCanvas>(width, height, background);
  if (!canvas) rst_report(RstCode::no_memory, "RstMRCCanvas::create()");
  return canvas;
}

RstMRCCanvas::RstMRCCanvas(const RstMRCCanvas& other)
    : Cloneable<RstMRCCanvas>(), width_(other.width_), height_(other.height_), background_(other.background_) {
  // Clones go to a list of their own first, so that a failure leaves no half
  // list behind.
  std::vector<MRCObject*> clones;
  bool failed = false;
  try {
    clones.reserve(other.objects_.size());
  } catch (const std::bad_alloc&) {
    failed = true;
  }
  for (size_t i = 0; !failed && i < other.objects_.size(); ++i) {
    MRCObject* copy = other.objects_[i]->clone();
    if (copy) {
      clones.push_back(copy);
    } else {
      failed = true;
    }
  }
  if (failed) {
    for (MRCObject* copy : clones) MRCObject::destroy(copy);
    complete_ = false;
    rst_report(RstCode::no_memory, "RstMRCCanvas::RstMRCCanvas()");
    return;
  }
  objects_ = std::move(clones);
}

RstMRCCanvas::~RstMRCCanvas() {
  for (MRCObject* object : objects_) MRCObject::destroy(object);
}

RstMRCCanvas* RstMRCCanvas::clone() const {
  RstMRCCanvas* copy = rst_new<RstMRCCanvas>(*this);
  if (!copy) {
    rst_report(RstCode::no_memory, "RstMRCCanvas::clone()");
    return nullptr;
  }
  if (!copy->complete_) {
    // A copy without every object would compose a different page.
    delete copy;
    return nullptr;
  }
  return copy;
}

bool RstMRCCanvas::append(MRCObject* object) {
  if (!object) return false;
  try {
    objects_.push_back(object);
  } catch (const std::bad_alloc&) {
    MRCObject::destroy(object);
    return false;
  }
  return true;
}
