// Thin-stroke finding. RstSivraPatternMatch compares, at every pixel of an
// 8-bit gray image, the tone of a centre block with the four sides of a
// cross around it and paints 255 over the centre block where the centre
// stands out as a stroke does, or over a corner block where it stands out as
// a stroke's corner does. RstExtractLine runs it on a reduced copy of the
// image, spreads the hits and scales them back to the image's size.
#pragma once

#include <cstdint>

#include "raster/geometry/rst_filter.h"
#include "raster/geometry/rst_kernel.h"

// The limits of one stroke type: centre cells at the window minimum (mu),
// centre spread (t1), contrast (t2), side agreement (t3); type 1 or 2.
struct RstSivraMatchParams {
  uint8_t mu;
  uint8_t t1;
  uint8_t t2;
  uint8_t t3;
  uint8_t type;
};

class RstSivraPatternMatch : public RstFilter<1> {
 public:
  // Kernel cell codes.
  static constexpr int32_t kCentre = 255;  // 1 .. 4: inner sides above, below, left, right;
                                           // -1 .. -4: the outer cells beyond them; 0: unused

  // No source, no kernel or one without values, a kernel that is not square
  // and odd with its anchor at the centre, or lacks centre or inner side
  // cells, no border byte, no parameters or a type other than 1 and 2: -2;
  // not 8 bits, 1 sample, sample kind 0, raw and without colormap: -3; both
  // "RstSivraPatternMatch::create()". Outside the image the window sees the
  // border byte.
  static RstSivraPatternMatch* create(RstRead* source, const RstKernel* kernel, const uint8_t* border,
                                      const RstSivraMatchParams* params);

  RstSivraPatternMatch(RstRead* source, const RstKernel& kernel, uint8_t border, const RstSivraMatchParams& params);
  ~RstSivraPatternMatch() override;
  // No memory for the band or the cell table: -1
  // "RstSivraPatternMatch::initiate()".
  bool initiate() override;
  // width bytes of 0 and 255; 0 past the last line or on a short source line.
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override;

 private:
  struct Cell {
    int32_t row;
    int32_t column;
    int32_t code;
  };
  // Emits line next_ into out (null drops it); false at the end.
  bool next_line(uint8_t* out);
  // One match pass: the window moves down a line and that line's pixels are
  // matched. False when the source line came short.
  bool match_pass();
  void match_pixel(int32_t x, int32_t y);
  // Paints band rows r0..r1 and columns c0..c1 around pixel (x, y).
  void paint(int32_t x, int32_t y, int32_t r0, int32_t r1, int32_t c0, int32_t c1);

  RstKernel kernel_;
  RstSivraMatchParams params_;
  int32_t t_ = 0;           // paint reach: 1 or 2
  int32_t n_ = 0;           // band lines, 2t + 1
  int32_t band_width_ = 0;  // width + n - 1
  uint8_t* band_ = nullptr;
  Cell* cells_ = nullptr;  // the cells with a code, by group
  int32_t group_[9] = {};  // cells per group: centre, inner 1..4, outer 1..4
  int32_t cell_count_ = 0;
  int32_t next_ = 0;    // next output line
  int32_t passes_ = 0;  // match passes run: the next line to match
};

class RstExtractLine {
 public:
  // Kernel codes and limits of stroke types 1 and 2.
  static void kernel(uint8_t type, RstKernel& out);
  static RstSivraMatchParams parameters(uint8_t type);

  // No source, factor 0 or a type other than 1 and 2: -2; not 8 bits, 1
  // sample, sample kind 0, raw and without colormap: -3; both
  // "RstExtractLine::create()". A border flag other than 0 makes the
  // outside of the reduced image white (255), else black. The result has the
  // source's size; a failing step of the chain reports itself and leaves the
  // source to the caller.
  static RstRead* create(RstRead* source, uint32_t factor, uint8_t type, uint8_t border_flag);
};
