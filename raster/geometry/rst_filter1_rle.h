// Dilation and erosion of bilevel run-line images by a (2n + 1) x (2n + 1)
// square. Each source line is widened (or narrowed) by n on both sides as it
// enters a window of 2n + 1 lines; an output line is the union (or the
// intersection) of the window's lines. Lines are never expanded to pixels:
// a line costs time in its runs, and the window's lines are recycled by
// moving pointers. Both treat the outside of the image as clear, so an
// erosion eats the border; for gray-typed sources (set bits white) the
// erosion goes through the complement, where the outside counts as set.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstFilter1RLE : public RstProcess {
 public:
  // amount: what each new line is passed to sifht_x with (+n or -n).
  RstFilter1RLE(RstRead* source, uint32_t n, int32_t amount);
  ~RstFilter1RLE() override;

  // Allocates the window storage, the window and the work line; no memory:
  // -1 "RstFilter1RLE::initiate()", false.
  bool initiate() override;
  // The next output line; its bytes, 0 at the end or when a source line
  // inside the image does not come.
  int read(uint8_t* line) override;
  // Up to k lines passed, the last line always left to read; the count.
  int skip(int k) override;
  void reset() override;
  int line_size() override { return line_size_; }

 protected:
  // One window line: a run line in the storage and its byte count.
  struct Slot {
    int32_t* runs;
    int32_t bytes;
  };
  // The horizontal step on a freshly read window line.
  virtual void filter_line(Slot& slot) = 0;
  // The window's lines joined into out; its byte count.
  virtual int32_t merge_window(uint8_t* out) = 0;

  // The lines at slot from and after it, read (and filtered) or empty.
  bool load_slot(uint64_t slot, int64_t source_line);
  void set_empty(Slot& slot) const;
  // Fills the window for the next output line; false when a source line
  // inside the image did not come.
  bool fill_window();
  // Every slot moves up one, the top one goes to the bottom.
  void rotate();

  uint32_t n_;
  uint64_t window_lines_;  // 2n + 1
  int32_t amount_;
  int32_t line_size_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t y_ = 0;
  uint8_t* storage_ = nullptr;
  Slot* window_ = nullptr;
  int32_t* work_ = nullptr;
  int32_t work_bytes_ = 0;
};

class RstExpansionFilter1RLE : public RstFilter1RLE {
 public:
  // No source or n = 0: -2; not 1 bit, 1 sample, unsigned run lines: -3;
  // "RstExpansionFilter1RLE::create()". Null on failure, the source left
  // to the caller.
  static RstRead* create(RstRead* source, uint32_t n);
  RstExpansionFilter1RLE(RstRead* source, uint32_t n)
      : RstFilter1RLE(source, n, int32_t(n > INT32_MAX ? INT32_MAX : n)) {}

 protected:
  void filter_line(Slot& slot) override;
  int32_t merge_window(uint8_t* out) override;
};

class RstShrinkFilter1RLE : public RstFilter1RLE {
 public:
  // As the dilation, "RstShrinkFilter1RLE::create()". A source of the gray
  // colour type (set bits white) is eroded as the complement of the dilated
  // complement.
  static RstRead* create(RstRead* source, uint32_t n);
  RstShrinkFilter1RLE(RstRead* source, uint32_t n)
      : RstFilter1RLE(source, n, -int32_t(n > INT32_MAX ? INT32_MAX : n)) {}

 protected:
  void filter_line(Slot& slot) override;
  int32_t merge_window(uint8_t* out) override;
};
