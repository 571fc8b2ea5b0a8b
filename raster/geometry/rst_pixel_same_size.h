// The same-size binary pixel operations: B of A's size at (0, 0), whole lines
// combined byte by byte, padding bits of bilevel lines included. Run lines go
// to the run-line nodes; a bilevel subtract is the And with B inverted.
#pragma once

#include <vector>

#include "raster/geometry/rst_pixel_binary_operation.h"

class RstPixelAndSameSize : public RstPixelBinaryOperationSameSize {
 public:
  // Vector not of two present inputs: -2; headers not equal (size, depth,
  // channels, unsigned, raw or run lines, colour type, no colormap): -3;
  // "RstPixelAndSameSize::create()". Any depth is combined byte by byte.
  static RstRead* create(const std::vector<RstRead*>& inputs);
  using RstPixelBinaryOperationSameSize::RstPixelBinaryOperationSameSize;

 protected:
  void apply_line(uint8_t* line) override;
};

class RstPixelOrSameSize : public RstPixelBinaryOperationSameSize {
 public:
  // As RstPixelAndSameSize::create; "RstPixelOrSameSize::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs);
  using RstPixelBinaryOperationSameSize::RstPixelBinaryOperationSameSize;

 protected:
  void apply_line(uint8_t* line) override;
};

class RstPixelSubSameSize : public RstPixelBinaryOperationSameSize {
 public:
  // Vector not of two present inputs, or a depth other than 1 and 8: -2;
  // headers not equal, or 8-bit run lines: -3;
  // "RstPixelSubSameSize::create()". 8-bit samples: A - B, 0 where B is not
  // below A; 1-bit: A AND NOT B, run lines included.
  static RstRead* create(const std::vector<RstRead*>& inputs);
  using RstPixelBinaryOperationSameSize::RstPixelBinaryOperationSameSize;

 protected:
  void apply_line(uint8_t* line) override;
};
