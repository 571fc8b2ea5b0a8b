// Valued-run label filters: the table-driven rewrite and its two tables.
#include "raster/mrc/rst_modify_label_rle.h"

#include <cstring>
#include <new>
#include <utility>

#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

bool RstModifyLabelRLE::is_label_image(RstRead* source) {
  RstHeader h(source);
  return h.bits_per_sample == 32 && h.samples_per_pixel == 1 && h.sample_kind == RstSampleKind::unsigned_int &&
         h.data_form == RstDataForm::rle_n && h.color_type == RstColorType::none();
}

RstModifyLabelRLE::RstModifyLabelRLE(RstRead* source, uint32_t max_label, bool renumber)
    : RstProcess(source), max_label_(max_label), renumber_(renumber) {}

RstModifyLabelRLE::~RstModifyLabelRLE() {
  rst_free(line_);
  rst_free(table_);
}

bool RstModifyLabelRLE::initiate() {
  const char* where = "RstModifyLabelRLE::initiate()";
  line_size_ = line_size();
  // Room for the terminator even when the source claims less.
  line_ = static_cast<uint8_t*>(rst_malloc(size_t(line_size_ > 12 ? line_size_ : 12)));
  if (!line_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  table_ = static_cast<uint32_t*>(rst_calloc((size_t(max_label_) + 1) * sizeof(uint32_t)));
  if (!table_) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  return renumber_ ? make_table_renumber() : make_table();
}

int RstModifyLabelRLE::read(uint8_t* out) {
  int n = static_cast<RstRead*>(source())->read(line_);
  if (n <= 0) return 0;
  const RstLabelRun<uint32_t> end{0, -1, -1};
  if (n == 12) {
    std::memcpy(out, &end, 12);
    return 12;
  }
  int32_t records = (n < line_size_ ? n : line_size_) / 12 - 1;
  int32_t written = 0;
  for (int32_t k = 0; k < records; ++k) {
    RstLabelRun<uint32_t> run;
    std::memcpy(&run, line_ + size_t(k) * 12, 12);
    if (run.first == -1) break;
    // A label beyond the table belongs to nothing that is kept.
    uint32_t label = run.label <= max_label_ ? table_[run.label] : 0;
    if (label == 0) continue;
    run.label = label;
    std::memcpy(out + size_t(written) * 12, &run, 12);
    ++written;
  }
  std::memcpy(out + size_t(written) * 12, &end, 12);
  return 12 * (written + 1);
}

// Dropping empty records.

RstRemoveLabelRLE* RstRemoveLabelRLE::create(RstRead* source, std::vector<RstLabelRect>* rects, bool renumber) {
  const char* where = "RstRemoveLabelRLE::create()";
  if (!source || !rects || rects->size() < 2) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!is_label_image(source)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstRemoveLabelRLE>(source, rects, renumber), guard);
}

RstRemoveLabelRLE::RstRemoveLabelRLE(RstRead* source, std::vector<RstLabelRect>* rects, bool renumber)
    : RstModifyLabelRLE(source, uint32_t(rects->size() - 1), renumber), rects_(rects) {}

bool RstRemoveLabelRLE::make_table() {
  uint32_t* t = table();
  uint32_t records = uint32_t(rects_->size() < size_t(max_label()) + 1 ? rects_->size() : size_t(max_label()) + 1);
  for (uint32_t i = 0; i < records; ++i) t[i] = (*rects_)[i].count != 0 ? i : 0;
  return true;
}

bool RstRemoveLabelRLE::make_table_renumber() {
  uint32_t* t = table();
  std::vector<RstLabelRect>& set = *rects_;
  uint32_t records = uint32_t(set.size() < size_t(max_label()) + 1 ? set.size() : size_t(max_label()) + 1);
  uint32_t kept = 0;
  for (uint32_t i = 0; i < records; ++i) {
    if (set[i].count == 0) {
      t[i] = 0;
      continue;
    }
    t[i] = ++kept;
    set[kept] = set[i];
  }
  try {
    set.resize(size_t(kept) + 1);
  } catch (const std::bad_alloc&) {
  }
  if (set.size() != size_t(kept) + 1) {
    rst_report(RstCode::no_memory, "RstRemoveLabelRLE::make_table_renumber()");
    return false;
  }
  return true;
}

// Keeping listed labels.

RstExtractLabelRLE* RstExtractLabelRLE::create(RstRead* source, const std::vector<uint32_t>& labels, uint32_t max_label,
                                               bool renumber) {
  const char* where = "RstExtractLabelRLE::create()";
  bool listed_fit = true;
  for (uint32_t l : labels) listed_fit = listed_fit && l <= max_label;
  if (!source || labels.empty() || max_label == 0 || !listed_fit) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!is_label_image(source)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  std::vector<uint32_t> copy;
  try {
    copy = labels;
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstExtractLabelRLE>(source, std::move(copy), max_label, renumber), guard);
}

RstExtractLabelRLE::RstExtractLabelRLE(RstRead* source, std::vector<uint32_t> labels, uint32_t max_label, bool renumber)
    : RstModifyLabelRLE(source, max_label, renumber), labels_(std::move(labels)) {}

bool RstExtractLabelRLE::make_table() {
  uint32_t* t = table();
  for (uint32_t l : labels_)
    if (l <= max_label()) t[l] = l;
  return true;
}

bool RstExtractLabelRLE::make_table_renumber() {
  uint32_t* t = table();
  for (size_t p = 0; p < labels_.size(); ++p)
    if (labels_[p] <= max_label()) t[labels_[p]] = uint32_t(p + 1);
  return true;
}
