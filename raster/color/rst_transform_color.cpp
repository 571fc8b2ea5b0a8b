// The colour transformation node and the pipeline it builds from a chain.
#include "raster/color/rst_transform_color.h"

#include <climits>
#include <iterator>
#include <memory>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

RstTransformColor* RstTransformColor::create(RstRead* source, ColorTransformer* transformer, RstColorType* color_type) {
  const char* where = "RstTransformColor::create()";
  std::unique_ptr<ColorTransformer> owned(transformer);  // deleted on every failure
  RstCreateGuard guard(source);
  if (!source || !transformer) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.data_form != RstDataForm::raw) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstTransformColor* node = rst_new<RstTransformColor>(source, transformer, color_type);
  if (node) owned.release();  // the node deletes it from now on
  return rst_create_end_node_or_drop(node, guard);
}

RstRead* RstTransformColor::create_previous(RstRead* source, const RstColorTransformerChain& chain) {
  if (chain.size() < 2) return source;
  const char* where = "RstTransformColor::create_previous()";
  // Declared first, so that on failure the hidden nodes are ended while the
  // source is still pinned; the source then stays the caller's.
  RstCreateGuard outer(source);
  RstOwner<RstRead> made;  // the newest hidden node
  RstRead* current = source;
  for (auto it = chain.begin(), last = std::prev(chain.end()); it != last; ++it) {
    RstCreateGuard step(current);
    const RstColorTransformerChain::member& member = *it;
    if (!member || !member->usable()) {
      rst_report(RstCode::no_memory, where);
      return nullptr;
    }
    std::unique_ptr<ColorTransformer> clone(member->clone());
    if (!clone || !clone->usable()) {
      rst_report(RstCode::no_memory, where);
      return nullptr;
    }
    RstTransformColor* raw = rst_new<RstTransformColor>(current, clone.get(), nullptr);
    if (!raw) {
      rst_report(RstCode::no_memory, where);
      return nullptr;
    }
    clone.release();
    RstOwner<RstTransformColor> node(raw);
    if (!rst_create_end(node)) return nullptr;  // the owner ends the failed node
    // The new node holds the previous one: hand the hold over without ending.
    made.release();
    made.attach(raw);
    current = raw;
    step.disarm();
  }
  outer.disarm();
  made.release();
  return current;
}

RstTransformColor::RstTransformColor(RstRead* source, ColorTransformer* transformer, RstColorType* color_type)
    : RstProcess(source) {
  set_color_type(color_type);
  set_transformer(transformer);
}

RstTransformColor::RstTransformColor(RstRead* source, const RstColorTransformerChain& chain, RstColorType* color_type)
    : RstProcess(create_previous(source, chain)) {
  set_color_type(color_type);
  if (!chain.empty() && chain.back()) set_transformer(chain.back()->clone());
}

RstTransformColor::~RstTransformColor() {
  rst_free(input_line_);
  delete transformer_;
}

void RstTransformColor::set_color_type(RstColorType* color_type) {
  if (!color_type) {
    RstHeader h(source());
    color_type = h.color_type;
  }
  color_type_ = color_type;
}

void RstTransformColor::header(RstHeader& h) {
  RstProcess::header(h);
  if (transformer_) {
    h.bits_per_sample = transformer_->bits();
    h.samples_per_pixel = transformer_->channels();
    h.sample_kind = transformer_->sample_kind();
  }
  h.color_type = color_type_;
}

bool RstTransformColor::initiate() {
  const char* where = "RstTransformColor::initiate()";
  RstRead* src = source();
  if (!src) {
    // The chain constructor found no previous node.
    rst_report(RstCode::no_memory, where);
    return false;
  }
  RstHeader h(src);
  if (h.data_form != RstDataForm::raw) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  if (!transformer_ || !transformer_->usable() || input_line_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  int64_t in_bits = int64_t(transformer_->input_channels()) * transformer_->input_bits();
  int64_t out_bits = int64_t(transformer_->channels()) * transformer_->bits();
  int32_t in_size = src->line_size();
  if (in_bits <= 0 || out_bits <= 0 || in_bits > INT_MAX || out_bits > INT_MAX || in_size < 0) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  int64_t pixels = int64_t(in_size) * 8 / in_bits;
  int64_t out_size = (out_bits * pixels + 7) >> 3;
  if (pixels > int64_t(UINT_MAX) || out_size > INT32_MAX) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  input_pixel_bits_ = int(in_bits);
  output_pixel_bits_ = int(out_bits);
  output_line_size_ = int(out_size);
  input_line_size_ = in_size;
  input_line_ = static_cast<uint8_t*>(rst_malloc(size_t(in_size > 0 ? in_size : 1)));
  if (!input_line_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  return true;
}

int RstTransformColor::read(uint8_t* line) {
  int n = source()->read(input_line_);
  if (n <= 0) return 0;
  if (n > input_line_size_) n = input_line_size_;
  // The pixel count follows the bytes delivered: the spare bits of a
  // sub-byte line are transformed as pixels too.
  uint64_t pixels = uint64_t(n) * 8 / uint64_t(input_pixel_bits_);
  transformer_->transform(input_line_, line, unsigned(pixels));
  return int((pixels * uint64_t(output_pixel_bits_) + 7) >> 3);
}

int RstTransformColor::skip(int n) {
  RstRead* src = source();
  return src ? src->skip(n) : 0;
}

void RstTransformColor::reset() {
  if (RstRead* src = source()) src->reset();
}
