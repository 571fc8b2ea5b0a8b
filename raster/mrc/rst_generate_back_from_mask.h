// The pixel background of a mixed raster content page: RstExpandMask widens
// every mask pixel that has a set neighbour to a 5 x 5 square, and
// RstGenerateBackFromMask replaces each pixel under the expanded mask by the
// mean of the unselected pixels around it. RstFilterMaskRef is the windowed
// base over several sources, one outline-copy ring per source.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_compose.h"
#include "raster/core/rst_ring_buffer.h"
#include "raster/core/rst_window.h"
#include "raster/geometry/rst_filter.h"

// One outline-copy ring per source, all with one window, moved together.
class RstMultiRingBuffer {
 public:
  // A list that cannot be made: -2 (window list) or -1 (ring list); a ring
  // that cannot be made: -1; all "RstMultiRingBuffer::RstMultiRingBuffer()".
  // Building stops at the first ring that fails; complete() then is false.
  RstMultiRingBuffer(const std::vector<RstRead*>& sources, const RstWindow& window);
  ~RstMultiRingBuffer();
  RstMultiRingBuffer(const RstMultiRingBuffer&) = delete;
  RstMultiRingBuffer& operator=(const RstMultiRingBuffer&) = delete;

  // Every source has a ring that holds its rows.
  bool complete() const { return complete_; }
  // Advances every ring one line; false when any fails.
  bool advance();
  // Every ring refills from its source's first line.
  void restart();
  RstRingBuffer* ring(size_t i) const { return rings_[i]; }
  size_t count() const { return rings_.size(); }

 private:
  std::vector<const RstWindow*> windows_;
  std::vector<RstRingBuffer*> rings_;
  bool complete_ = false;
};

class RstFilterMaskRef : public RstCompose {
 public:
  RstFilterMaskRef(const std::vector<RstRead*>& inputs, const RstWindow& window);
  ~RstFilterMaskRef() override;
  void header(RstHeader& h) override;
  // Builds the rings; no memory for the multi ring: -1
  // "RstFilterMaskRef::initiate()". False as well when a ring could not be
  // made: the node has nothing to read from.
  bool initiate() override;
  int skip(int n) override;
  void reset() override;
  int line_size() override { return line_size_; }

 protected:
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t line_ = 0;
  int32_t line_size_ = 0;
  RstWindow window_;
  RstMultiRingBuffer* rings_ = nullptr;
};

class RstGenerateBackFromMask : public RstFilterMaskRef {
 public:
  // Any input missing: -2; an image other than 8 bits, 3 samples, sample
  // kind 0, raw, Lab without colormap, masks other than 8 bits, 1 sample,
  // sample kind 0, raw without colormap, or sizes that differ: -3; all
  // "RstGenerateBackFromMask::create()".
  static RstRead* create(RstRead* image, RstRead* expanded, RstRead* mask, const RstWindow& window);
  RstGenerateBackFromMask(const std::vector<RstRead*>& inputs, const RstWindow& window)
      : RstFilterMaskRef(inputs, window) {}
  int read(uint8_t* line) override;
};

class RstExpandMask : public RstFilter<1> {
 public:
  // No source: -2; a colormap, or not 8 bits, 1 sample, sample kind 0, raw:
  // -3; both "RstExpandMask::create()".
  static RstRead* create(RstRead* source);
  explicit RstExpandMask(RstRead* source);
  ~RstExpandMask() override;
  // No memory for the bands: -1 "RstExpandMask::initiate()".
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;

 private:
  // Moves the ring one line and builds the bands it brings in; false on a
  // short source line.
  bool advance();
  // The band of source line s from ring rows first .. first + 4.
  void build_band(int32_t s, int32_t first);
  uint8_t* band_row(int32_t s, int32_t r) const;

  uint8_t** band_lines_ = nullptr;  // 25 rows: five bands of five
  uint8_t* bands_ = nullptr;
};
