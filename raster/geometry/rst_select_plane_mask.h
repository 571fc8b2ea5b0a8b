// Selection by mask: of three inputs {mask, base, plane} of one size, each
// output pixel is the plane's where the mask is set and the base's elsewhere;
// the output has the base's header. The mask has 1 bit per pixel (most
// significant bit first) or 1 byte per pixel, where any value other than 0
// selects the plane (a mask byte is not a blend weight). RstSelectPlaneMask
// checks and dispatches by mask depth to RstSelectPlaneMask1 or
// RstSelectPlaneMask8, which dispatch by pixel size to the working nodes.
//
// Every create refuses with -3 an input that is not raw lines, a mask with a
// colormap, and a base and plane whose colormaps differ: indices of two
// palettes must not be mixed, and coded lines are not pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_compose.h"

class RstSelectPlaneMask : public RstCompose {
 public:
  // Not three non-null inputs: -2 "RstSelectPlaneMask()". Sizes that differ,
  // base or plane not 8 bits, a mask of more than one sample, base and plane
  // of other sample counts or colour types: -3; a mask neither 1 nor 8 bits:
  // -50; both "RstSelectPlaneMask::create()". Null on failure, the inputs
  // left to the caller.
  static RstRead* create(const std::vector<RstRead*>& inputs);

  explicit RstSelectPlaneMask(const std::vector<RstRead*>& inputs);
  ~RstSelectPlaneMask() override;
  // The base's header.
  void header(RstHeader& h) override;
  // No memory for the mask or the plane line: -1
  // "RstSelectPlaneMask::initiate()".
  bool initiate() override;
  // The mask skips n; the base and the plane as many as it did.
  int skip(int n) override;
  void reset() override;
  int line_size() override { return int(line_size_); }

 protected:
  RstRead* mask() const { return input(0); }
  RstRead* base() const { return input(1); }
  RstRead* plane() const { return input(2); }
  // Reads the three lines (the base into line); false on a short one.
  bool read_inputs(uint8_t* line);

  uint32_t line_size_ = 0;
  uint8_t* mask_line_ = nullptr;
  uint8_t* plane_line_ = nullptr;
  uint32_t width_ = 0;
  uint32_t mask_line_size_ = 0;
};

class RstSelectPlaneMask1 : public RstSelectPlaneMask {
 public:
  // Not three non-null inputs: -2 "RstSelectPlaneMask1()"; the checks of
  // RstSelectPlaneMask::create without the colour type, and a 1-bit mask:
  // -3; base pixels of other than 1, 3 or 4 samples: -50; both
  // "RstSelectPlaneMask1::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs);

  explicit RstSelectPlaneMask1(const std::vector<RstRead*>& inputs);

 protected:
  uint32_t tail_ = 0;  // pixels in the last, partial mask byte
};

class RstSelectPlaneMask8 : public RstSelectPlaneMask {
 public:
  // As RstSelectPlaneMask1::create for an 8-bit mask, with the where-texts
  // "RstSelectPlaneMask8()" and "RstSelectPlaneMask8::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs);

  // Not three non-null inputs: -2 "RstSelectPlaneMask8()".
  explicit RstSelectPlaneMask8(const std::vector<RstRead*>& inputs);
};

// The working nodes, P bytes per pixel.
template <int P>
class RstSelectPlaneMask1Of : public RstSelectPlaneMask1 {
 public:
  using RstSelectPlaneMask1::RstSelectPlaneMask1;
  int read(uint8_t* line) override;
};

template <int P>
class RstSelectPlaneMask8Of : public RstSelectPlaneMask8 {
 public:
  using RstSelectPlaneMask8::RstSelectPlaneMask8;
  int read(uint8_t* line) override;
};

// Each refuses not three non-null inputs with -2, and other sizes, depths or
// sample counts than its own with -3, both "<class>::create()".
class RstSelectPlane8Mask1 : public RstSelectPlaneMask1Of<1> {
 public:
  using RstSelectPlaneMask1Of<1>::RstSelectPlaneMask1Of;
  static RstRead* create(const std::vector<RstRead*>& inputs);
};
class RstSelectPlane24Mask1 : public RstSelectPlaneMask1Of<3> {
 public:
  using RstSelectPlaneMask1Of<3>::RstSelectPlaneMask1Of;
  static RstRead* create(const std::vector<RstRead*>& inputs);
};
class RstSelectPlane32Mask1 : public RstSelectPlaneMask1Of<4> {
 public:
  using RstSelectPlaneMask1Of<4>::RstSelectPlaneMask1Of;
  static RstRead* create(const std::vector<RstRead*>& inputs);
};
class RstSelectPlane8Mask8 : public RstSelectPlaneMask8Of<1> {
 public:
  using RstSelectPlaneMask8Of<1>::RstSelectPlaneMask8Of;
  static RstRead* create(const std::vector<RstRead*>& inputs);
};
class RstSelectPlane24Mask8 : public RstSelectPlaneMask8Of<3> {
 public:
  using RstSelectPlaneMask8Of<3>::RstSelectPlaneMask8Of;
  static RstRead* create(const std::vector<RstRead*>& inputs);
};
class RstSelectPlane32Mask8 : public RstSelectPlaneMask8Of<4> {
 public:
  using RstSelectPlaneMask8Of<4>::RstSelectPlaneMask8Of;
  static RstRead* create(const std::vector<RstRead*>& inputs);
};
