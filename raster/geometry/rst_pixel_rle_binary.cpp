// AND and OR of run lines, and valued runs cut down to a run-line mask.
#include "raster/geometry/rst_pixel_rle_binary.h"

#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_pixel_pair.h"
#include "raster/geometry/rst_run_walk.h"

namespace {

// The checks of the bilevel merges, then the node.
template <class Node>
RstRead* create_merge(const std::vector<RstRead*>& inputs, const char* where) {
  RstCreateGuard guard(inputs);
  RstHeader a, b;
  if (!rst_check_pixel_vector(inputs, where, a, b)) return nullptr;
  bool forms = a.width == b.width && a.height == b.height && a.width >= 0 && a.samples_per_pixel == 1 &&
               b.samples_per_pixel == 1 && a.sample_kind == RstSampleKind::unsigned_int &&
               b.sample_kind == RstSampleKind::unsigned_int && a.bits_per_sample == 1 && b.bits_per_sample == 1 &&
               a.data_form == RstDataForm::rle && b.data_form == RstDataForm::rle && a.color_type == b.color_type;
  if (!forms) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<Node>(inputs), guard);
}

// The valued runs of a line as sorted runs inside the width: whole triples
// up to the first one starting at -1, clamped, empty ones dropped, a run
// starting inside covered columns trimmed. Runs of other values may touch.
class ValuedRunWalk {
 public:
  ValuedRunWalk(const int32_t* runs, int32_t bytes, int32_t width)
      : runs_(runs), triples_(bytes > 0 ? bytes / 12 : 0), last_column_(width - 1) {}

  bool next(uint32_t& value, int32_t& first, int32_t& last) {
    while (k_ < triples_) {
      const int32_t* t = runs_ + 3 * k_++;
      if (t[1] == -1) {
        triples_ = 0;
        break;
      }
      int32_t a = t[1] < covered_ ? covered_ : t[1];
      int32_t b = t[2] > last_column_ ? last_column_ : t[2];
      if (a > b) continue;
      value = uint32_t(t[0]);
      first = a;
      last = b;
      covered_ = b + 1;
      return true;
    }
    return false;
  }

 private:
  const int32_t* runs_;
  int32_t triples_;
  int32_t last_column_;
  int32_t k_ = 0;
  int32_t covered_ = 0;
};

}  // namespace

RstPixelBinaryOperationSameSizeRLECommon::RstPixelBinaryOperationSameSizeRLECommon(const std::vector<RstRead*>& inputs)
    : RstCompose(inputs) {
  if (RstRead* a = input(0)) {
    line_size_ = a->line_size();
    width_ = RstHeader(a).width;
  }
}

RstPixelBinaryOperationSameSizeRLECommon::~RstPixelBinaryOperationSameSizeRLECommon() {
  rst_free(a_runs_);
  rst_free(b_runs_);
}

void RstPixelBinaryOperationSameSizeRLECommon::header(RstHeader& h) { input(0)->header(h); }

bool RstPixelBinaryOperationSameSizeRLECommon::initiate() {
  a_size_ = line_size_ > 0 ? line_size_ : 0;
  b_size_ = input(1)->line_size();
  if (b_size_ < 0) b_size_ = 0;
  a_runs_ = static_cast<int32_t*>(rst_malloc(size_t(a_size_) + 4));
  b_runs_ = a_runs_ ? static_cast<int32_t*>(rst_malloc(size_t(b_size_) + 4)) : nullptr;
  if (!b_runs_) {
    rst_report(RstCode::no_memory, "RstPixelBinaryOperation::initiate()");
    return false;
  }
  return true;
}

bool RstPixelBinaryOperationSameSizeRLECommon::read_both() {
  a_bytes_ = input(0)->read(reinterpret_cast<uint8_t*>(a_runs_));
  if (a_bytes_ <= 0) return false;
  b_bytes_ = input(1)->read(reinterpret_cast<uint8_t*>(b_runs_));
  if (b_bytes_ <= 0) return false;
  // A source that claims more than its line holds is walked to its line.
  if (a_bytes_ > a_size_) a_bytes_ = a_size_;
  if (b_bytes_ > b_size_) b_bytes_ = b_size_;
  return true;
}

int RstPixelBinaryOperationSameSizeRLECommon::skip(int n) {
  if (n <= 0) return 0;
  int a = input(0)->skip(n);
  return input(1)->skip(a);
}

void RstPixelBinaryOperationSameSizeRLECommon::reset() {
  input(0)->reset();
  input(1)->reset();
}

int RstPixelBinaryOperationSameSizeRLE1::read(uint8_t* line) {
  if (line_size_ < 8 || !read_both()) return 0;
  return merge_runs(line);
}

RstRead* RstPixelAndSameSizeRLE1::create(const std::vector<RstRead*>& inputs) {
  return create_merge<RstPixelAndSameSizeRLE1>(inputs, "RstPixelAndSameSizeRLE1::create()");
}

int RstPixelAndSameSizeRLE1::merge_runs(uint8_t* line) {
  RstRunWalk wa(a_runs_, a_bytes_, width_), wb(b_runs_, b_bytes_, width_);
  RstRLELine out(line, 0);
  int32_t room = line_size_ / 8 - 1, written = 0;
  int32_t af = 0, al = 0, bf = 0, bl = 0;
  bool ha = wa.next(af, al), hb = wb.next(bf, bl);
  while (ha && hb) {
    // The common part of the two current runs; the one ending first moves on.
    int32_t start = af > bf ? af : bf, end = al < bl ? al : bl;
    bool advance_a = al <= bl, advance_b = bl <= al;
    if (advance_a) ha = wa.next(af, al);
    if (advance_b) hb = wb.next(bf, bl);
    if (start > end) continue;
    if (written == room) break;
    out.append(start, end);
    ++written;
  }
  out.end_line();
  return out.byte_count;
}

RstRead* RstPixelOrSameSizeRLE1::create(const std::vector<RstRead*>& inputs) {
  return create_merge<RstPixelOrSameSizeRLE1>(inputs, "RstPixelOrSameSizeRLE1::create()");
}

int RstPixelOrSameSizeRLE1::merge_runs(uint8_t* line) {
  RstRunWalk wa(a_runs_, a_bytes_, width_), wb(b_runs_, b_bytes_, width_);
  RstRLELine out(line, 0);
  int32_t room = line_size_ / 8 - 1, written = 0;
  int32_t af = 0, al = 0, bf = 0, bl = 0;
  bool ha = wa.next(af, al), hb = wb.next(bf, bl);
  while ((ha || hb) && written < room) {
    // The run starting first (A's on a tie) opens an output run ...
    int32_t start, end;
    if (ha && (!hb || af <= bf)) {
      start = af, end = al;
      ha = wa.next(af, al);
    } else {
      start = bf, end = bl;
      hb = wb.next(bf, bl);
    }
    // ... which takes every run of either list that overlaps or touches it.
    for (bool more = true; more;) {
      more = false;
      for (; ha && af <= end + 1; ha = wa.next(af, al), more = true)
        if (al > end) end = al;
      for (; hb && bf <= end + 1; hb = wb.next(bf, bl), more = true)
        if (bl > end) end = bl;
    }
    out.append(start, end);
    ++written;
  }
  out.end_line();
  return out.byte_count;
}

RstRead* RstPixelAndSameSizeRLEN32_RLE1::create(const std::vector<RstRead*>& inputs) {
  const char* where = "RstPixelAndSameSizeRLEN32_RLE1::create()";
  RstCreateGuard guard(inputs);
  RstHeader a, b;
  if (!rst_check_pixel_vector(inputs, where, a, b)) return nullptr;
  bool forms = a.width == b.width && a.height == b.height && a.width >= 0 && a.samples_per_pixel == 1 &&
               b.samples_per_pixel == 1 && a.sample_kind == RstSampleKind::unsigned_int &&
               b.sample_kind == RstSampleKind::unsigned_int && a.bits_per_sample == 32 &&
               a.data_form == RstDataForm::rle_n && b.bits_per_sample == 1 && b.data_form == RstDataForm::rle;
  if (!forms) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstPixelAndSameSizeRLEN32_RLE1>(inputs), guard);
}

int RstPixelAndSameSizeRLEN32_RLE1::read(uint8_t* line) {
  if (line_size_ < 12 || !read_both()) return 0;
  ValuedRunWalk wa(a_runs_, a_bytes_, width_);
  RstRunWalk wb(b_runs_, b_bytes_, width_);
  RstRLELineN<uint32_t> out(line, line_size_);
  uint32_t value = 0;
  int32_t af = 0, al = 0, bf = 0, bl = 0;
  bool ha = wa.next(value, af, al), hb = wb.next(bf, bl);
  while (ha && hb) {
    int32_t start = af > bf ? af : bf, end = al < bl ? al : bl;
    uint32_t label = value;
    bool advance_a = al <= bl, advance_b = bl <= al;
    if (advance_a) ha = wa.next(value, af, al);
    if (advance_b) hb = wb.next(bf, bl);
    if (start <= end && !out.append(label, start, end)) break;
  }
  return out.end_line();
}
