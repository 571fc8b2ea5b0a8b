// The rectangle makers over both labelling nodes.
#include "raster/mrc/rst_label_rect.h"

#include <memory>
#include <new>

#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/mrc/rst_labeling_create.h"

namespace {

bool fill_initial(std::vector<RstLabelRect>* rects, uint32_t count, const RstHeader& h) {
  try {
    rects->clear();
    rects->resize(size_t(count) + 1, RstLabelRect{uint32_t(h.width), 0, uint32_t(h.height), 0, 0});
  } catch (const std::bad_alloc&) {
    rects->clear();
  }
  return rects->size() == size_t(count) + 1;
}

void add_pixels(RstLabelRect& r, uint32_t first, uint32_t last, uint32_t y) {
  if (first < r.left) r.left = first;
  if (last > r.right) r.right = last;
  if (y < r.top) r.top = y;
  if (y > r.bottom) r.bottom = y;
  r.count += last - first + 1;
}

}  // namespace

RstGetLabelRectInfo::RstGetLabelRectInfo(RstRead* source, uint8_t target, uint32_t* count_out,
                                         std::vector<RstLabelRect>* rects)
    : RstLabeling(source, target, count_out), rects_(rects) {
  release_ = false;
}

RstGetLabelRectInfo* RstGetLabelRectInfo::create(RstRead* source, uint8_t target, uint32_t* count_out,
                                                 std::vector<RstLabelRect>* rects) {
  const char* where = "RstGetLabelRectInfo::create()";
  if (!source || !rects) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  bool eight = h.bits_per_sample == 8 && h.data_form == RstDataForm::raw;
  bool one = h.bits_per_sample == 1 && (h.data_form == RstDataForm::raw || h.data_form == RstDataForm::rle);
  if (!(eight || one) || h.samples_per_pixel != 1 || h.sample_kind != RstSampleKind::unsigned_int || h.width < 0 ||
      h.height < 0) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstGetLabelRectInfo* node = rst_create_labeling_node<RstGetLabelRectInfo>(
      source, one && h.data_form == RstDataForm::raw, target, count_out, rects);
  // The records are filled and every row holds its final labels.
  rst_release_upstream(node);
  return node;
}

RstGetLabelRectInfo* RstGetLabelRectInfo::create(RstRead* source, uint8_t target, uint32_t* count_out,
                                                 std::vector<RstLabelRect*>* rects) {
  const char* where = "RstGetLabelRectInfo::create()";
  if (!rects) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  std::vector<RstLabelRect> own;
  RstGetLabelRectInfo* node = nullptr;
  {
    RstCreateGuard guard(source);
    node = hand_out(create(source, target, count_out, &own), own, rects, guard);
  }
  rst_release_upstream(node);
  return node;
}

RstGetLabelRectInfo* RstGetLabelRectInfo::hand_out(RstGetLabelRectInfo* node, const std::vector<RstLabelRect>& own,
                                                   std::vector<RstLabelRect*>* rects, RstCreateGuard& guard) {
  const char* where = "RstGetLabelRectInfo::create()";
  for (RstLabelRect* r : *rects) delete r;
  rects->clear();
  if (!node) {
    rst_report(RstCode::no_memory, "rst_create_end()");
    return nullptr;
  }
  // From here the node is ours to end when the records cannot be handed out.
  RstOwner<RstGetLabelRectInfo> owner(node);
  try {
    rects->resize(own.size(), nullptr);
  } catch (const std::bad_alloc&) {
  }
  if (rects->size() != own.size()) {
    rects->clear();
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  for (size_t i = 0; i < own.size(); ++i) {
    (*rects)[i] = rst_new<RstLabelRect>(own[i]);
    if (!(*rects)[i]) {
      for (RstLabelRect* r : *rects) delete r;
      rects->clear();
      rst_report(RstCode::no_memory, where);
      return nullptr;
    }
  }
  guard.disarm();
  return owner.release();
}

bool RstGetLabelRectInfo::initiate() {
  if (!RstLabeling::initiate()) return false;
  if (!fill_initial(rects_, count_, header_)) {
    rst_report(RstCode::no_memory, "RstGetLabelRectInfo::initiate()");
    return false;
  }
  // One pass finalises every row and fills the records.
  RstLabelRect* rects = rects_->data();
  int32_t w = header_.width;
  for (int32_t y = 0; y < header_.height; ++y) {
    uint32_t* row = row_labels(y);
    rows_finalized_ = y + 1;
    for (int32_t x = 0; x < w; ++x) {
      if (row[x] == 0) continue;
      uint32_t label = table_[row[x]];
      row[x] = label;
      add_pixels(rects[label], uint32_t(x), uint32_t(x), uint32_t(y));
    }
  }
  return true;
}

bool RstGetLabelRectInfoRLE::initiate(RstLabelingRLE* labels, uint32_t count, std::vector<RstLabelRect>* rects) {
  RstHeader h(labels);
  if (!fill_initial(rects, count, h)) {
    rst_report(RstCode::no_memory, "RstGetLabelRectInfoRLE::initiate()");
    return false;
  }
  RstRLELineN<uint32_t> line;
  line.capacity = h.width;
  if (!line.new_buf()) return false;
  // The caller's line holds every run a row can have.
  int32_t size = labels->line_size();
  if (size_t(size) > size_t(line.capacity + 1) * 12) return false;
  RstLabelRect* out = rects->data();
  for (int32_t y = 0; y < h.height; ++y) {
    int n = labels->read(reinterpret_cast<uint8_t*>(line.items));
    if (n <= 0) return false;
    for (int32_t k = 0; k < n / 12; ++k) {
      const RstLabelRun<uint32_t>& r = line.items[k];
      if (r.first == -1) break;
      if (r.label == 0 || r.label > count) continue;
      add_pixels(out[r.label], uint32_t(r.first), uint32_t(r.last), uint32_t(y));
    }
  }
  return true;
}

RstLabelingRLE* RstGetLabelRectInfoRLE::create(RstRead* source, uint32_t* count_out, std::vector<RstLabelRect>* rects) {
  const char* where = "RstGetLabelRectInfoRLE::create()";
  if (!source || !rects) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 1 || h.samples_per_pixel != 1 || h.sample_kind != RstSampleKind::unsigned_int ||
      (h.data_form != RstDataForm::raw && h.data_form != RstDataForm::rle) || h.width < 0 || h.height < 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  uint32_t count = 0;
  RstLabelingRLE* node = nullptr;
  {
    RstCreateGuard guard(source);
    node = RstLabelingRLE::create(source, &count);
    if (!node) return nullptr;
    RstOwner<RstLabelingRLE> owner(node);
    if (!initiate(node, count, rects)) return nullptr;
    node->reset();
    owner.release();
    guard.disarm();
  }
  rst_release_upstream(node);
  if (count_out) *count_out = count;
  return node;
}
