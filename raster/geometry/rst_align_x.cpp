// Side-by-side joining: the creates and the three line joins.
#include "raster/geometry/rst_align_x.h"

#include <climits>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_rle_line_ex.h"

namespace {

// An empty list or a missing node anywhere in it: -2 at where, before any
// input is looked at further.
bool all_present(const std::vector<RstRead*>& inputs, const char* where) {
  bool ok = !inputs.empty();
  for (RstRead* node : inputs) ok = ok && node;
  if (!ok) rst_report(RstCode::bad_argument, where);
  return ok;
}

bool same_colormap(const RstHeader& a, const RstHeader& b) {
  if (!a.colormap) return true;
  return b.colormap && (a.colormap.get() == b.colormap.get() || *a.colormap == *b.colormap);
}

// The layout the line joins rely on: bits, samples and data form.
bool same_layout(const RstHeader& a, const RstHeader& b) {
  return a.bits_per_sample == b.bits_per_sample && a.samples_per_pixel == b.samples_per_pixel &&
         a.data_form == b.data_form;
}

bool same_image_kind(const RstHeader& a, const RstHeader& b) {
  return same_layout(a, b) && a.height == b.height && a.color_type == b.color_type && a.sample_kind == b.sample_kind;
}

int64_t raw_line_bytes(const RstHeader& h, int64_t width) {
  return (width * h.samples_per_pixel * h.bits_per_sample + 7) >> 3;
}

// The joined width and line size, in 64 bits; false above 2^31 - 1. Raw
// inputs must deliver the line their header gives, run-line inputs at least
// a terminator.
bool joined_sizes(const std::vector<RstRead*>& inputs, int32_t& total_width, int32_t& line_size) {
  RstHeader first(inputs.front());
  int64_t total = 0;
  for (RstRead* node : inputs) {
    RstHeader h(node);
    if (h.width < 0 || h.bits_per_sample < 1 || h.samples_per_pixel < 1) return false;
    if (h.data_form == RstDataForm::rle ? node->line_size() < 8 : node->line_size() != raw_line_bytes(h, h.width))
      return false;
    total += h.width;
  }
  int64_t size = first.data_form == RstDataForm::rle ? ((total + 1) >> 1) * 8 + 8 : raw_line_bytes(first, total);
  if (total > INT32_MAX || size > INT32_MAX) return false;
  total_width = int32_t(total);
  line_size = int32_t(size);
  return true;
}

template <class Node>
RstRead* build(const std::vector<RstRead*>& inputs, RstCreateGuard& guard, const char* where) {
  int32_t total = 0, size = 0;
  if (!joined_sizes(inputs, total, size)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<Node>(inputs, total, size), guard);
}

}  // namespace

RstRead* RstAlignX::create(const std::vector<RstRead*>& inputs) {
  const char* where = "RstAlignX::create()";
  RstCreateGuard guard(inputs);
  if (!all_present(inputs, where)) return nullptr;
  if (inputs.size() == 1) return rst_create_end(inputs.front(), guard);
  RstHeader first(inputs.front());
  bool runs = first.data_form == RstDataForm::rle && first.bits_per_sample == 1 && first.samples_per_pixel == 1;
  bool ok = first.sample_kind == RstSampleKind::unsigned_int && (first.data_form == RstDataForm::raw || runs);
  for (size_t k = 1; ok && k < inputs.size(); ++k) {
    RstHeader h(inputs[k]);
    ok = same_image_kind(first, h) && same_colormap(first, h);
  }
  int32_t total = 0, size = 0;
  if (!ok || (first.bits_per_sample != 1 && first.bits_per_sample != 8) || !joined_sizes(inputs, total, size)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstRead* node = first.bits_per_sample == 1 ? RstAlignX1bits::create(inputs) : RstAlignX8bits::create(inputs);
  if (!node) return nullptr;
  return rst_create_end(node, guard);
}

RstAlignX::RstAlignX(const std::vector<RstRead*>& inputs, int32_t total_width, int32_t line_size)
    : RstCompose(inputs), total_width_(total_width), line_size_(line_size) {}

RstAlignX::~RstAlignX() { rst_free(widths_); }

bool RstAlignX::make_layout(int32_t min_scratch, const char* where) {
  const size_t count = input_count();
  int32_t largest = min_scratch;
  for (size_t k = 0; k < count; ++k) largest = input(k)->line_size() > largest ? input(k)->line_size() : largest;
  widths_ = static_cast<int32_t*>(rst_malloc(2 * count * sizeof(int32_t) + size_t(largest)));
  if (!widths_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  line_sizes_ = widths_ + count;
  scratch_ = reinterpret_cast<uint8_t*>(line_sizes_ + count);
  scratch_size_ = largest;
  for (size_t k = 0; k < count; ++k) {
    widths_[k] = RstHeader(input(k)).width;
    line_sizes_[k] = input(k)->line_size();
  }
  return true;
}

void RstAlignX::header(RstHeader& h) {
  input(0)->header(h);
  h.width = total_width_;
}

int RstAlignX::skip(int n) {
  if (n <= 0) return 0;
  int count = n;
  for (size_t k = 0; k < input_count(); ++k) count = input(k)->skip(count);
  return count;
}

void RstAlignX::reset() {
  for (size_t k = 0; k < input_count(); ++k) input(k)->reset();
}

RstRead* RstAlignX1bits::create(const std::vector<RstRead*>& inputs) {
  const char* where = "RstAlignX1bits::create()";
  RstCreateGuard guard(inputs);
  if (!all_present(inputs, where)) return nullptr;
  if (inputs.size() == 1) return rst_create_end(inputs.front(), guard);
  RstHeader first(inputs.front());
  if (first.bits_per_sample != 1 || first.samples_per_pixel != 1) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (first.data_form == RstDataForm::rle) {
    RstRead* node = RstAlignXRLE::create(inputs);
    return node ? rst_create_end(node, guard) : nullptr;
  }
  if (first.data_form != RstDataForm::raw) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  for (RstRead* node : inputs)
    if (!same_layout(first, RstHeader(node))) {
      rst_report(RstCode::unsupported_form, where);
      return nullptr;
    }
  return build<RstAlignX1bits>(inputs, guard, where);
}

bool RstAlignX1bits::initiate() { return make_layout(1, "RstAlignX1bits::initiate()"); }

int RstAlignX1bits::read(uint8_t* line) {
  uint64_t t = 0;  // bits placed
  for (size_t k = 0; k < input_count(); ++k) {
    const int32_t w = widths_[k], b = line_sizes_[k];
    uint8_t* out = line + t / 8;
    const unsigned a = unsigned(t % 8);
    if (a == 0) {
      // On a byte boundary: straight into the output line.
      if (input(k)->read(out) != b) return 0;
    } else {
      if (input(k)->read(scratch_) != b) return 0;
      const uint8_t* s = scratch_;
      if (b > 0) out[0] = uint8_t(out[0] | (s[0] >> a));
      for (int32_t i = 1; i < b; ++i) out[i] = uint8_t((s[i - 1] << (8 - a)) | (s[i] >> a));
      if (int64_t(8) * b < int64_t(w) + a) out[b] = uint8_t(s[b - 1] << (8 - a));
    }
    t += uint64_t(w);
    // The bits after the last pixel are cleared, so that the next input is
    // ORed into clear bits and the line ends clean.
    if (t % 8) line[t / 8] &= uint8_t(0xFF00 >> (t % 8));
  }
  return line_size_;
}

RstRead* RstAlignX8bits::create(const std::vector<RstRead*>& inputs) {
  const char* where = "RstAlignX8bits::create()";
  RstCreateGuard guard(inputs);
  if (!all_present(inputs, where)) return nullptr;
  if (inputs.size() == 1) return rst_create_end(inputs.front(), guard);
  RstHeader first(inputs.front());
  bool ok = first.bits_per_sample == 8;
  for (RstRead* node : inputs) ok = ok && same_layout(first, RstHeader(node));
  if (!ok) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return build<RstAlignX8bits>(inputs, guard, where);
}

int RstAlignX8bits::read(uint8_t* line) {
  size_t offset = 0;
  for (size_t k = 0; k < input_count(); ++k) {
    // A short line would shift every later input: it ends the image.
    RstRead* in = input(k);
    const int size = in->line_size();
    if (in->read(line + offset) != size) return 0;
    offset += size_t(size);
  }
  return line_size_;
}

RstRead* RstAlignXRLE::create(const std::vector<RstRead*>& inputs) {
  const char* where = "RstAlignXRLE::create()";
  RstCreateGuard guard(inputs);
  if (!all_present(inputs, where)) return nullptr;
  if (inputs.size() == 1) return rst_create_end(inputs.front(), guard);
  RstHeader first(inputs.front());
  bool ok = first.bits_per_sample == 1 && first.samples_per_pixel == 1 && first.data_form == RstDataForm::rle;
  for (size_t k = 1; ok && k < inputs.size(); ++k) ok = same_image_kind(first, RstHeader(inputs[k]));
  if (!ok) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return build<RstAlignXRLE>(inputs, guard, where);
}

bool RstAlignXRLE::initiate() { return make_layout(8, "RstAlignXRLE::initiate()"); }

int RstAlignXRLE::read(uint8_t* line) {
  RstRLELineEx out(line, 0, 8, line_size_);
  out.runs[0] = out.runs[1] = -1;
  for (size_t k = 0; k < input_count(); ++k) {
    int n = input(k)->read(scratch_);
    if (n <= 0) return 0;
    RstRLELineEx other(scratch_, widths_[k], n < scratch_size_ ? n : scratch_size_, scratch_size_);
    out.append(other);
  }
  return out.byte_count;
}
