// Height scaling of run lines.
#include "raster/geometry/rst_scale_height_rle.h"

#include <cstring>

#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_rle_line_merge.h"
#include "raster/geometry/rst_scale_check.h"
#include "raster/geometry/rst_run_walk.h"

RstRead* RstScaleHeightRLE::create(RstRead* source, int32_t height, Mode mode, const char* where) {
  RstScaleVerdict verdict = rst_scale_check(source, height, RstScaleAxis::height, where, rst_scale_bilevel_runs);
  if (verdict != RstScaleVerdict::build) return verdict == RstScaleVerdict::same ? source : nullptr;
  RstCreateGuard guard(source);
  RstRead* node = nullptr;
  switch (mode) {
    case Mode::or_: node = rst_create_end_node_or_drop(rst_new<RstScaleHeightRLEOR>(source, height), guard); break;
    case Mode::and_: node = rst_create_end_node_or_drop(rst_new<RstScaleHeightRLEAND>(source, height), guard); break;
    case Mode::nn: node = rst_create_end_node_or_drop(rst_new<RstScaleHeightRLENN>(source, height), guard); break;
  }
  return node;
}

RstScaleHeightRLE::RstScaleHeightRLE(RstRead* source, int32_t height) : RstProcess(source), height_(uint32_t(height)) {
  RstHeader h(source);
  width_ = h.width;
  step_ = height > 0 ? int32_t((uint64_t(uint32_t(h.height)) << 12) / uint32_t(height)) : 0;
  int32_t size = source->line_size(), bound = rst_rle_line_bound(h.width);
  line_size_ = size > bound ? size : bound;
}

RstScaleHeightRLE::~RstScaleHeightRLE() {
  rst_free(held_);
  rst_free(accumulator_);
}

void RstScaleHeightRLE::header(RstHeader& h) {
  RstProcess::header(h);
  h.height = int32_t(height_);
}

void RstScaleHeightRLE::reset() {
  source()->reset();
  consumed_ = 0;
  produced_ = 0;
  start();
}

int32_t RstScaleHeightRLE::read_source(uint8_t* line) {
  int n = source()->read(line);
  if (n <= 0) return 0;
  ++consumed_;
  return rst_clean_run_line(reinterpret_cast<int32_t*>(line), n, line_size_, width_);
}

void RstScaleHeightRLE::catch_up(uint32_t to) {
  if (to > consumed_) consumed_ += uint32_t(source()->skip(int(to - consumed_)));
}

// --- OR and AND ---

RstRead* RstScaleHeightRLEOR::create(RstRead* source, int32_t height) {
  return RstScaleHeightRLE::create(source, height, Mode::or_, "RstScaleHeightRLEOR::create()");
}

RstRead* RstScaleHeightRLEAND::create(RstRead* source, int32_t height) {
  return RstScaleHeightRLE::create(source, height, Mode::and_, "RstScaleHeightRLEAND::create()");
}

RstScaleHeightRLEOR::RstScaleHeightRLEOR(RstRead* source, int32_t height) : RstScaleHeightRLE(source, height) {
  allocate_combined();
  start_combined();
}

RstScaleHeightRLEAND::RstScaleHeightRLEAND(RstRead* source, int32_t height) : RstScaleHeightRLE(source, height) {
  allocate_combined();
  start_combined();
}

bool RstScaleHeightRLEOR::initiate() {
  if (has_combined()) return true;
  rst_report(RstCode::no_memory, "RstScaleHeightRLEOR::RstScaleHeightRLEOR()");
  return false;
}

bool RstScaleHeightRLEAND::initiate() {
  if (has_combined()) return true;
  rst_report(RstCode::no_memory, "RstScaleHeightRLEAND::RstScaleHeightRLEAND()");
  return false;
}

void RstScaleHeightRLE::allocate_combined() {
  reducing_ = step_ > 4096;
  // Failures are reported by initiate, once the node is whole and can be
  // ended by its create.
  held_ = static_cast<int32_t*>(rst_malloc(size_t(line_size_)));
  if (reducing_) accumulator_ = static_cast<int32_t*>(rst_malloc(size_t(line_size_)));
}

int RstScaleHeightRLE::read_combined(uint8_t* line, bool union_of_lines) {
  if (!count_line()) return 0;
  int32_t bytes = 0;
  if (!reducing_) {
    // The nearest line; a line shown again is copied from the held line.
    uint32_t want = uint32_t(position_) >> 12;
    if (want < consumed_) {
      std::memcpy(line, held_, size_t(held_bytes_));
      bytes = held_bytes_;
    } else {
      catch_up(want);
      bytes = read_source(line);
      if (!bytes) return 0;
      if ((uint32_t(position_ + step_) >> 12) < consumed_) {
        std::memcpy(held_, line, size_t(bytes));
        held_bytes_ = bytes;
      }
    }
  } else {
    // Source lines R(p) to R(p + step) - 1, R rounding to the nearest line.
    uint32_t first = uint32_t(position_ + 2048) >> 12, end = uint32_t(position_ + step_ + 2048) >> 12;
    while (consumed_ <= first) {
      bytes = read_source(line);
      if (!bytes) return 0;
    }
    const int32_t room = line_size_ / 8 - 1;
    while (consumed_ < end) {
      int32_t held = read_source(reinterpret_cast<uint8_t*>(held_));
      if (!held) return 0;
      RstRLELine caller(line, bytes), acc(accumulator_, 0), next(held_, held);
      acc.assign(caller);
      if (union_of_lines) rst_rle_union(acc, next, caller, room);
      else rst_rle_intersection(acc, next, caller, room);
      bytes = caller.byte_count;
    }
  }
  position_ += step_;
  return bytes;
}

// --- nearest line ---

RstRead* RstScaleHeightRLENN::create(RstRead* source, int32_t height) {
  return RstScaleHeightRLE::create(source, height, Mode::nn, "RstScaleHeightRLENN::create()");
}

RstScaleHeightRLENN::RstScaleHeightRLENN(RstRead* source, int32_t height) : RstScaleHeightRLE(source, height) {
  if (step_ < 4096) saved_ = static_cast<uint8_t*>(rst_malloc(size_t(line_size_)));
  RstScaleHeightRLENN::start();
}

RstScaleHeightRLENN::~RstScaleHeightRLENN() { rst_free(saved_); }

bool RstScaleHeightRLENN::initiate() {
  if (saved_ || step_ >= 4096) return true;
  rst_report(RstCode::no_memory, "RstScaleHeightRLENN::RstScaleHeightRLENN()");
  return false;
}

void RstScaleHeightRLENN::start() { position_ = step_ / 2; }

int RstScaleHeightRLENN::read(uint8_t* line) {
  if (!count_line()) return 0;
  uint32_t want = uint32_t(position_) >> 12;
  int32_t bytes;
  if (saved_ && want < consumed_) {
    std::memcpy(line, saved_, size_t(saved_bytes_));
    bytes = saved_bytes_;
  } else {
    catch_up(want);
    bytes = read_source(line);
    if (!bytes) return 0;
    if (saved_ && (uint32_t(position_ + step_) >> 12) < consumed_) {
      std::memcpy(saved_, line, size_t(bytes));
      saved_bytes_ = bytes;
    }
  }
  position_ += step_;
  return bytes;
}
