// Area-averaging scaling of 8-bit raw images: every source pixel (or line)
// is a cell 4096 wide in 20.12 fixed point, every output pixel an interval
// of |step| = source size * 4096 / target size, and an output value is the
// mean of the cells its interval covers, weighted by each overlap.
// Enlargements (and a mirror to the same width) blend at most two cells
// (RstScaleWidthPPE, RstScaleHeightPPE); other reductions sum partial first
// and last cells and the whole cells between (RstScaleWidthPPR,
// RstScaleHeightPPR); whole factors go to the integer-factor reducers.
// Sums are 64-bit, so that no ratio overflows them.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/geometry/rst_scale_height.h"
#include "raster/geometry/rst_scale_width.h"

class RstScaleWidthPP : public RstScaleWidth {
 public:
  // The source itself for its own width, whatever its layout. No source or
  // width 0: -2 "RstScaleWidthPP::create()"; |width| at least the source
  // width: RstScaleWidthPPE; a mirror or a ratio that is not whole:
  // RstScaleWidthPPR; a whole factor: RstScaleWidthIAR.
  static RstRead* create(RstRead* source, int32_t width);

  RstScaleWidthPP(RstRead* source, int32_t width);
  ~RstScaleWidthPP() override;

 protected:
  // False after a report when the line buffer is missing.
  bool buffer_made();

  int32_t step_ = 0;  // 20.12, negative for a mirror
  uint8_t* buffer_ = nullptr;
};

class RstScaleWidthPPE : public RstScaleWidthPP {
 public:
  // The source itself for its own width. No source or width 0, or |width|
  // below the source width: -2; not 8-bit raw pixels of 1, 3 or 4 samples
  // without a colormap: -3; "RstScaleWidthPPE::create()".
  static RstRead* create(RstRead* source, int32_t width);

  RstScaleWidthPPE(RstRead* source, int32_t width, uint32_t channels);
  ~RstScaleWidthPPE() override;
  bool initiate() override;

 protected:
  template <class T>
  static RstRead* create_variant(RstRead* source, int32_t width, const char* where, bool (*layout)(const RstHeader&));
  template <uint32_t C>
  int blend(uint8_t* line);

  uint32_t* offsets_ = nullptr;  // byte offset of each output pixel's left cell
  int32_t* weights_ = nullptr;   // its share in 4096ths
};

class RstScaleWidthPPE8 : public RstScaleWidthPPE {
 public:
  // As the front for 1-byte pixels; also a size of 2^19 or more or beyond
  // 4096:1: -3; "RstScaleWidthPPE8::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthPPE8(RstRead* source, int32_t width) : RstScaleWidthPPE(source, width, 1) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthPPE24 : public RstScaleWidthPPE {
 public:
  // "RstScaleWidthPPE24::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthPPE24(RstRead* source, int32_t width) : RstScaleWidthPPE(source, width, 3) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthPPE32 : public RstScaleWidthPPE {
 public:
  // "RstScaleWidthPPE32::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthPPE32(RstRead* source, int32_t width) : RstScaleWidthPPE(source, width, 4) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthPPR : public RstScaleWidthPP {
 public:
  // The source itself for its own width. No source or width 0, or |width|
  // above the source width: -2; not 8-bit raw pixels of 1, 3 or 4 samples
  // without a colormap: -3; "RstScaleWidthPPR::create()".
  static RstRead* create(RstRead* source, int32_t width);

  // Resizes table to 2 * |width| entries: per output pixel the overlap of
  // its interval with its first cell and with its last (0 when it ends on a
  // cell boundary). Width 0: -2; a size of 2^19 or more, a source width of
  // 0 or a step of 0: -3; no memory: -1; all "RstScaleWidthPPR::make_table()"
  // and false.
  static bool make_table(uint32_t source_width, int32_t width, std::vector<int32_t>& table);

  RstScaleWidthPPR(RstRead* source, int32_t width);
  bool initiate() override;

 protected:
  template <class T>
  static RstRead* create_variant(RstRead* source, int32_t width, const char* where, bool (*layout)(const RstHeader&));
  template <uint32_t C>
  int average(uint8_t* line);

  int32_t first_start_ = 0;  // interval of output pixel 0, 20.12
  int32_t first_end_ = 0;
  std::vector<int32_t> table_;
  int32_t requested_width_ = 0;
};

class RstScaleWidthPPR8 : public RstScaleWidthPPR {
 public:
  // As the front for 1-byte pixels; also a size of 2^19 or more or beyond
  // 4096:1: -3; "RstScaleWidthPPR8::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthPPR8(RstRead* source, int32_t width) : RstScaleWidthPPR(source, width) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthPPR24 : public RstScaleWidthPPR {
 public:
  // "RstScaleWidthPPR24::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthPPR24(RstRead* source, int32_t width) : RstScaleWidthPPR(source, width) {}
  int read(uint8_t* line) override;
};

class RstScaleWidthPPR32 : public RstScaleWidthPPR {
 public:
  // "RstScaleWidthPPR32::create()".
  static RstRead* create(RstRead* source, int32_t width);
  RstScaleWidthPPR32(RstRead* source, int32_t width) : RstScaleWidthPPR(source, width) {}
  int read(uint8_t* line) override;
};

class RstScaleHeightPP : public RstScaleHeight {
 public:
  // The source itself for its own height. No source, a height of 0 or
  // below: -2 "RstScaleHeightPP::create()"; taller: RstScaleHeightPPE;
  // shorter by a ratio that is not whole: RstScaleHeightPPR; by a whole
  // factor: RstScaleHeightIAR.
  static RstRead* create(RstRead* source, int32_t height);

  RstScaleHeightPP(RstRead* source, int32_t height);
  ~RstScaleHeightPP() override;
  bool initiate() override;
  // step := source height * 4096 / output height; position := 0.
  void start() override;

 protected:
  // Skips the source up to line `to` and reads it into the line buffer;
  // false on a short line.
  bool fetch_line(uint32_t to);

  uint8_t* buffer_ = nullptr;
};

class RstScaleHeightPPE : public RstScaleHeightPP {
 public:
  // The source itself for its own height. No source, a height of 0 or
  // below, or not taller: -2; not 8-bit raw or a colormap, a size of 2^19 or
  // more, or beyond 4096:1: -3; "RstScaleHeightPPE::create()".
  static RstRead* create(RstRead* source, int32_t height);
  RstScaleHeightPPE(RstRead* source, int32_t height) : RstScaleHeightPP(source, height) {}
  int read(uint8_t* line) override;
};

class RstScaleHeightPPR : public RstScaleHeightPP {
 public:
  // As RstScaleHeightPPE::create for a shorter height;
  // "RstScaleHeightPPR::create()".
  static RstRead* create(RstRead* source, int32_t height);
  RstScaleHeightPPR(RstRead* source, int32_t height) : RstScaleHeightPP(source, height) {}
  ~RstScaleHeightPPR() override;
  // The accumulator is allocated by the first read and kept; no memory:
  // -1 "RstScaleHeightPPR::read()" and 0.
  int read(uint8_t* line) override;

 private:
  uint64_t* sums_ = nullptr;
};
