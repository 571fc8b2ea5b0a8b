// The commands of the binary pixel operations: a command brings A and B to
// one form (colormaps expanded, B clipped to the part on A, one depth and
// colour type, never losing A's) and calls its operation's dispatcher. A
// command holds no data; callers make one on the stack.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"

class RstPixelBinaryOperationCommandBasic {
 public:
  // Both images through the colormap expansion (a node without colormap
  // stays as it is).
  virtual void expand_colormap(RstRead*& a, RstRead*& b);
  // 1 bit with 1 sample, or 8 bits with 1, 3 or 4 samples; unsigned; raw or
  // run lines.
  virtual bool is_supported(RstHeader h);

  // Brings B (or A, when A is the one with less) to the other's depth and
  // colour type; true when A was replaced.
  bool change_depth_color(RstRead*& a, RstRead*& b);

 protected:
  ~RstPixelBinaryOperationCommandBasic() = default;
};

class RstPixelBinaryOperationCommand : public RstPixelBinaryOperationCommandBasic {
 public:
  virtual ~RstPixelBinaryOperationCommand() = default;
  // The operation node of A and B at (x, y); null on failure, A and B left
  // to the caller.
  virtual RstRead* create(RstRead* a, RstRead* b, int32_t x, int32_t y) = 0;
  // B clipped to the part that lies on A, the offset made non-negative, then
  // change_depth_color. False when a step fails; the images and offsets are
  // then left as the steps before it made them.
  virtual bool unify_attribute(RstRead*& a, RstRead*& b, int32_t& x, int32_t& y);

 protected:
  using Dispatch = RstRead* (*)(const std::vector<RstRead*>& inputs, int32_t x, int32_t y);
  // The steps every command's create takes, with its dispatcher.
  RstRead* create_with(RstRead* a, RstRead* b, int32_t x, int32_t y, const char* where, Dispatch dispatch);
};

class RstPixelAndCommand : public RstPixelBinaryOperationCommand {
 public:
  RstRead* create(RstRead* a, RstRead* b, int32_t x, int32_t y) override;
};

class RstPixelOpaqueCommand : public RstPixelBinaryOperationCommand {
 public:
  // Indices are kept when both images are of one depth and channel count
  // over the same or equal colormaps: the pasted indices mean the same.
  void expand_colormap(RstRead*& a, RstRead*& b) override;
  RstRead* create(RstRead* a, RstRead* b, int32_t x, int32_t y) override;
};

class RstPixelOrCommand : public RstPixelBinaryOperationCommand {
 public:
  RstRead* create(RstRead* a, RstRead* b, int32_t x, int32_t y) override;
};

class RstPixelSubCommand : public RstPixelBinaryOperationCommand {
 public:
  RstRead* create(RstRead* a, RstRead* b, int32_t x, int32_t y) override;
};
