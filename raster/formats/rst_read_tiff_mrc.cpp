// The MRC page reader front: the entry checks, the page state and the choice
// of the child images each strip needs.
#include "raster/formats/rst_read_tiff_mrc.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_is_valid_storage.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_tiff_file_structure.h"

namespace {

const char* const kCreateWhere = "RstReadTIFFMRC::create()";
const char* const kLayersWhere = "RstReadTIFFMRC::next_layer_headers()";

bool rational_usable(const RstRational& r) { return r.numerator != 0 && r.denominator != 0; }
double value(const RstRational& r) { return double(r.numerator) / double(r.denominator); }

}  // namespace

RstReadTIFFMRC::RstReadTIFFMRCChildHeader::RstReadTIFFMRCChildHeader(InputStorage* input, uint32_t byte_order,
                                                                     uint32_t offset)
    : RstReadTIFFHeader(input, byte_order, offset, false, 2) {}

bool RstReadTIFFMRC::is_mrc(InputStorage* input, RstReadTIFFHeader* header) {
  return rst_is_valid_storage(input) && header && header->is_mrc_mask();
}

RstRead* RstReadTIFFMRC::create(InputStorage* input, RstReadTIFFHeader* header, int flag) {
  if (!is_mrc(input, header)) {
    rst_report(RstCode::bad_argument, kCreateWhere);
    return nullptr;
  }
  // Resolutions are divided by when children are placed: a page without
  // them cannot be composed.
  if (!rational_usable(header->x_resolution) || !rational_usable(header->y_resolution)) {
    rst_report(RstCode::unsupported_form, kCreateWhere);
    return nullptr;
  }
  if (header->is_tiled()) {
    rst_report(RstCode::unsupported_option, kCreateWhere);
    return nullptr;
  }
  uint32_t bits = header->bits_per_sample.empty() ? 0 : header->bits_per_sample[0];
  uint64_t composed_row = uint64_t(header->image_width) * 3;
  if (bits != 1 || header->samples_per_pixel != 1 || header->image_width == 0 || header->image_length == 0 ||
      header->image_length > uint32_t(std::numeric_limits<int32_t>::max()) ||
      composed_row > uint64_t(std::numeric_limits<int32_t>::max())) {
    rst_report(RstCode::unsupported_form, kCreateWhere);
    return nullptr;
  }
  auto make = rst_format_creators().read_tiff_mrc;
  if (!make) {
    rst_report(RstCode::unsupported_option, kCreateWhere);
    return nullptr;
  }
  return make(input, header, flag != 0);
}

RstReadTIFFMRC::RstReadTIFFMRC(InputStorage* input, RstReadTIFFHeader* header)
    : mrc_input_(input),
      x_resolution_(header->x_resolution),
      y_resolution_(header->y_resolution),
      byte_order_(header->byte_order),
      sub_ifds_(header->sub_ifds) {
  strip_.right = int32_t(std::min<uint32_t>(header->image_width, uint32_t(std::numeric_limits<int32_t>::max()))) - 1;
  std::unique_ptr<MoveInMoveOutInputStorage<>> first(rst_new<MoveInMoveOutInputStorage<>>(input, 0));
  if (first) {
    background_storages_.push_back(std::move(first));
    first.reset(rst_new<MoveInMoveOutInputStorage<>>(input, 0));
    if (first) foreground_storages_.push_back(std::move(first));
  }
  if (foreground_storages_.empty()) rst_report(RstCode::no_memory, "RstReadTIFFMRC::RstReadTIFFMRC()");
}

RstReadTIFFMRC::~RstReadTIFFMRC() = default;

bool RstReadTIFFMRC::layer_intersects(const RstReadTIFFMRCChildHeader& child, Layer which) const {
  bool of_layer = which == Layer::background ? child.is_mrc_background() : child.is_mrc_foreground();
  if (strip_.empty) return false;
  // A child that was not read, or has no place on the page, is taken by
  // every strip, whose build then refuses it: the page never shows it at a
  // made-up place nor quietly without it.
  if (child.status <= 0) return true;
  if (!rational_usable(child.y_resolution) || child.y_position.denominator == 0 ||
      !rational_usable(child.x_resolution) || child.x_position.denominator == 0)
    return of_layer;
  double p = value(y_resolution_);
  double top = std::floor(p * value(child.y_position) + 0.5);
  double bottom = std::floor(p * double(child.image_length) / value(child.y_resolution) + 0.5) + top - 1;
  double left = 0, right = double(strip_.right) - double(strip_.left);
  double l = std::max(left, double(strip_.left)), r = std::min(right, double(strip_.right));
  double t = std::max(top, double(strip_.top)), b = std::min(bottom, double(strip_.bottom));
  if (r < l || b < t) return false;
  return of_layer;
}

RstReadTIFFMRC::RstReadTIFFMRCChildHeader* RstReadTIFFMRC::read_child(Storages& storages, uint32_t offset,
                                                                      bool& complete) {
  if (storages.empty()) {
    complete = false;
    return nullptr;
  }
  if (children_.size() >= max_children || offsets_read_.count(offset)) {
    rst_report(13, kLayersWhere);
    return nullptr;
  }
  std::unique_ptr<RstReadTIFFMRCChildHeader> child(
      rst_new<RstReadTIFFMRCChildHeader>(storages.front().get(), byte_order_, offset));
  // An IFD outside the data leaves a child that cannot be read: its strip
  // reports it.
  if (child && (!rst_tiff_ifd_offset_usable(*storages.front(), offset) || child->ifd.entries.empty()))
    child->status = RstCode::io_failure;
  try {
    if (!child) throw std::bad_alloc();
    offsets_read_.insert(offset);
    children_.push_back(std::move(child));
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kLayersWhere);
    complete = false;
    return nullptr;
  }
  return children_.back().get();
}

bool RstReadTIFFMRC::list_child(ChildList& out, Storages& storages, RstReadTIFFMRCChildHeader* child, Layer which) {
  if (!layer_intersects(*child, which)) return true;
  try {
    out.push_back(child);
    if (out.size() > storages.size()) {
      std::unique_ptr<MoveInMoveOutInputStorage<>> more(rst_new<MoveInMoveOutInputStorage<>>(mrc_input_, 0));
      if (!more) throw std::bad_alloc();
      storages.push_back(std::move(more));
    }
  } catch (const std::bad_alloc&) {
    if (out.size() > storages.size()) out.pop_back();
    rst_report(RstCode::no_memory, kLayersWhere);
    return false;
  }
  return true;
}

bool RstReadTIFFMRC::next_layer_headers(ChildList& out, Storages& storages, Layer which) {
  ChildList result;
  bool complete = true;
  // 1. The children read before.
  for (auto& child : children_)
    if (!list_child(result, storages, child.get(), which)) {
      complete = false;
      break;
    }
  // 2. Every SubIFD not read yet.
  while (sub_ifds_read_ < sub_ifds_.size()) {
    uint32_t offset = sub_ifds_[sub_ifds_read_++];
    RstReadTIFFMRCChildHeader* child = read_child(storages, offset, complete);
    if (!complete) break;
    if (!child) {
      if (children_.size() >= max_children) break;
      continue;
    }
    if (!list_child(result, storages, child, which)) {
      complete = false;
      break;
    }
  }
  // 3. The IFDs chained after children, including those this step reads.
  for (size_t i = 0; i < children_.size(); ++i) {
    RstReadTIFFMRCChildHeader* parent = children_[i].get();
    uint32_t next = parent->ifd.next_ifd_offset;
    if (next == 0 || parent->chain_followed) continue;
    parent->chain_followed = 1;
    RstReadTIFFMRCChildHeader* child = read_child(storages, next, complete);
    if (!complete) break;
    if (!child) continue;
    if (!list_child(result, storages, child, which)) {
      complete = false;
      break;
    }
  }
  out = std::move(result);
  return complete;
}

void RstReadTIFFMRC::rewind() {
  if (!strip_.empty) strip_.top = 0;
}
