// RstRotate90RLE: quarter and half turns of bilevel run lines (data form 15)
// without painting pixels. One pass over the source builds the run list of
// every output line in an RstEdgeList (one EdgeVector per output line); the
// lists are then served as run lines. A column's runs grow in place while the
// source is read, so a vertical stroke costs one run whatever its length.
// Source runs are not trusted: only the whole pairs a read returned are
// walked, runs are clamped to the width, and runs that start inside or right
// after the previous one of their line are merged into it.
#pragma once

#include <cstdint>

#include "raster/core/rst_header.h"
#include "raster/core/rst_process.h"

// The run list under construction for one output line.
class EdgeVector {
 public:
  EdgeVector() = default;
  ~EdgeVector();
  EdgeVector(const EdgeVector&) = delete;
  EdgeVector& operator=(const EdgeVector&) = delete;

  // Appends the run (start, last). items grows by at least 128 ints, doubling
  // as it gets large; when it cannot grow: -1 "EdgeVector::push()", false.
  bool push(int32_t first, int32_t end);
  // Extends the open run with position r, or closes it and opens one at r.
  bool extend(int32_t r) {
    if (open && r <= last + 1) {
      if (r > last) last = r;
      return true;
    }
    bool pushed = !open || push(start, last);
    open = true;
    start = last = r;
    return pushed;
  }
  // Pushes the open run, if any.
  bool close() {
    if (!open) return true;
    open = false;
    return push(start, last);
  }
  // Reverses the order of the runs and maps each (s, e) to (b - e, b - s).
  void turn(int32_t b);

  uint32_t count = 0;  // ints in items, two per run
  bool open = false;
  int32_t start = 0;
  int32_t last = 0;
  int32_t* items = nullptr;
  uint32_t capacity = 0;  // ints items can hold
};

// One EdgeVector per output line, all empty at construction. When the array
// cannot be had: -1 "RstEdgeList::RstEdgeList()" and size() is 0.
class RstEdgeList {
 public:
  explicit RstEdgeList(uint32_t count);
  ~RstEdgeList();
  RstEdgeList(const RstEdgeList&) = delete;
  RstEdgeList& operator=(const RstEdgeList&) = delete;

  bool ok() const { return !failed_; }
  uint32_t size() const { return count_; }
  EdgeVector& operator[](uint32_t i) { return vectors_[i]; }
  EdgeVector* data() { return vectors_; }

 private:
  uint32_t count_ = 0;
  EdgeVector* vectors_ = nullptr;
  bool failed_ = false;
};

class RstRotate90RLE : public RstProcess {
 public:
  // The source itself for angle 0 (normalised), null without report when
  // there is none. No source, or an angle not a multiple of 90: -2; not 1 bit,
  // 1 sample, run lines: -3; "RstRotate90RLE::create()".
  static RstRead* create(RstRead* source, int angle);

  RstRotate90RLE(RstRead* source, int32_t angle);
  ~RstRotate90RLE() override;

  // The source's header with the output width and height.
  void header(RstHeader& h) override;
  // Builds the edge list and ends the source. No memory for the list: -1
  // "RstRotate90RLE::initiate()"; for its vectors: -1
  // "RstEdgeList::RstEdgeList()"; see the builders. A source ending early
  // fails without a report.
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { next_line_ = 0; }
  // The run-line bound of the output width.
  int line_size() override;

  // The builders. No memory for the line buffer: -1 at
  // "RstRotate90RLE::rotate90()" (rotate180, rotate270); a run that cannot be
  // stored: -1 "EdgeVector::push()". False on any failure.
  bool rotate90();
  bool rotate180();
  bool rotate270();

 private:
  // Reads every source line and hands its cleaned runs to take(r, first,
  // last); false when a line is missing or take fails.
  template <class Take>
  bool walk_source(const char* where, Take take);

  RstHeader header_;
  int32_t out_width_ = 0;
  int32_t out_height_ = 0;
  int32_t angle_;
  int32_t next_line_ = 0;
  RstEdgeList* edges_ = nullptr;
};
