// Width scaling of run lines.
#include "raster/geometry/rst_scale_width_rle.h"

#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_mirror_x_rle.h"
#include "raster/geometry/rst_scale_check.h"
#include "raster/geometry/rst_run_walk.h"

RstRead* RstScaleWidthRLE::create(RstRead* source, int32_t width, Mode mode, const char* where) {
  RstScaleVerdict verdict = rst_scale_check(source, width, RstScaleAxis::width, where, rst_scale_bilevel_runs);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  int64_t target = width < 0 ? -int64_t(width) : int64_t(width);
  RstCreateGuard guard(source);
  RstRead* input = source;
  RstOwner<RstRead> mirror;
  if (width < 0) {
    input = RstMirrorXRLE::create(source);
    if (!input) return nullptr;
    mirror.attach(input);
  }
  RstScaleWidthRLE* node = nullptr;
  switch (mode) {
    case Mode::or_: node = rst_new<RstScaleWidthRLEOR>(input, int32_t(target)); break;
    case Mode::and_: node = rst_new<RstScaleWidthRLEAND>(input, int32_t(target)); break;
    case Mode::nn: node = rst_new<RstScaleWidthRLENN>(input, int32_t(target)); break;
  }
  // A node that was built holds the mirror and ends it with itself; without
  // one the owner ends it. Either way the pinned source stays the caller's.
  if (node) mirror.release();
  return rst_create_end_node_or_drop(node, guard);
}

RstRead* RstScaleWidthRLEOR::create(RstRead* source, int32_t width) {
  return RstScaleWidthRLE::create(source, width, Mode::or_, "RstScaleWidthRLEOR::create()");
}

RstRead* RstScaleWidthRLEAND::create(RstRead* source, int32_t width) {
  return RstScaleWidthRLE::create(source, width, Mode::and_, "RstScaleWidthRLEAND::create()");
}

RstRead* RstScaleWidthRLENN::create(RstRead* source, int32_t width) {
  return RstScaleWidthRLE::create(source, width, Mode::nn, "RstScaleWidthRLENN::create()");
}

RstScaleWidthRLE::RstScaleWidthRLE(RstRead* source, int32_t target) : RstProcess(source), target_(target) {
  RstHeader h(source);
  source_width_ = h.width;
  k_ = h.width > 0 ? (int64_t(target) << 12) / h.width : 0;
  output_size_ = rst_rle_line_bound(target);
  int32_t size = source->line_size();
  input_size_ = size > 8 ? size : 8;
  // A failure is reported by initiate, once the node is whole and can be
  // ended by its create.
  input_ = static_cast<int32_t*>(rst_malloc(size_t(input_size_)));
}

RstScaleWidthRLE::~RstScaleWidthRLE() { rst_free(input_); }

void RstScaleWidthRLE::header(RstHeader& h) {
  RstProcess::header(h);
  h.width = target_;
}

bool RstScaleWidthRLE::initiate() {
  if (input_) return true;
  rst_report(RstCode::no_memory, "RstScaleWidthRLE::RstScaleWidthRLE()");
  return false;
}

int RstScaleWidthRLE::read(uint8_t* line) {
  int n = source()->read(reinterpret_cast<uint8_t*>(input_));
  if (n <= 0) return 0;
  RstRunWalk walk(input_, n < input_size_ ? n : input_size_, source_width_);
  RstRLELine out(line, 0);
  const int64_t k = k_;
  const int32_t room = output_size_ / 8 - 1, last_column = target_ - 1;
  int32_t s = 0, e = 0;
  while (walk.next(s, e)) {
    // The half-open output span [a, b) of source columns s to e.
    int64_t a, b;
    if (k > 4096) {
      a = (s * k + 2048) >> 12;
      b = ((e + 1) * k + 2048) >> 12;
    } else if (mode_ == Mode::or_) {
      // Every column whose source columns include a set one.
      a = (s * k) >> 12;
      b = ((e * k) >> 12) + 1;
    } else if (mode_ == Mode::and_) {
      a = (s * k) >> 12;
      b = ((e + 1) * k) >> 12;
      if (b > 0 && (((e + 2) * k) >> 12) == b) --b;
    } else {
      a = (s * k + 2048) >> 12;
      b = ((e + 1) * k + 2048) >> 12;
    }
    if (b > last_column + 1) b = last_column + 1;
    if (b <= a) continue;
    // Joins a span touching the last one; a separate span needs room.
    bool joins = out.byte_count > 0 && a <= out.runs[out.byte_count / 4 - 1] + 1;
    if (!joins && out.byte_count / 8 >= room) break;
    out.append_merged(int32_t(a), int32_t(b - 1));
  }
  out.end_line();
  return out.byte_count;
}
