// The masked copy: the pixels of a source S copied into a destination D
// wherever a 1-bit mask M is set, M and S laid on D at (x, y) (any sign). M
// and S are aligned with each other: mask pixel (i, j) selects source pixel
// (i, j), which goes to D's pixel (x + i, y + j). A command first brings D
// and S to one attribute; the dispatcher clips M and S to D and builds the
// node for 1-bit or 8-bit pixels. The result has D's size and (conformed)
// attribute.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_compose.h"

namespace RstPixelOperator {
// The source pixel replaces the destination pixel.
struct Opaque {};
}  // namespace RstPixelOperator

class RstPixelConditionalOperationCommand {
 public:
  virtual ~RstPixelConditionalOperationCommand() = default;
  // The masked-copy node of inputs {D, M, S} at (x, y), or D itself; null
  // after a report, the inputs left to the caller. With conform set, D and S
  // are brought to one attribute first.
  virtual RstRead* create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y, bool conform) = 0;
};

template <class OPBin>
class RstPixelConditionalOPCommand : public RstPixelConditionalOperationCommand {
 public:
  // Not three present inputs: -2; no memory: -1; both
  // "RstPixelConditionalOPCommand<OPBin>::create()".
  RstRead* create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y, bool conform) override;
};

class RstPixelConditionalOperation : public RstCompose {
 public:
  // S copied into D under M at (x, y): D itself (M and S ended) when they
  // miss D, otherwise the command's create. A missing image: -2; no memory:
  // -1; both "RstPixelConditionalOperation::create()". Null on failure, the
  // inputs left to the caller.
  static RstRead* create(RstRead* d, RstRead* m, RstRead* s, RstPixelConditionalOperationCommand& command, int32_t x,
                         int32_t y);
  // M and S, of which the common part is w0 x h0, touch D's pixels when laid
  // at (x, y). Worked in 64 bits, so that no offset overflows.
  static bool overlaps(const RstHeader& d, const RstHeader& m, const RstHeader& s, int32_t x, int32_t y);

  // inputs {D, M, S}: M and S clipped to their part on D, x and y >= 0.
  RstPixelConditionalOperation(const std::vector<RstRead*>& inputs, int32_t x, int32_t y);
  ~RstPixelConditionalOperation() override;
  void header(RstHeader& h) override;
  // Allocates the mask and source lines; -1
  // "RstPixelConditionalOperation::initiate()".
  bool initiate() override;
  // D's line with S copied in on the rows M covers; 0 on a short line.
  int read(uint8_t* line) override;
  // D passes k rows; M and S the ones of them they cover.
  int skip(int k) override;
  void reset() override;
  int line_size() override { return int(dest_bytes_); }

 protected:
  // S's pixels copied into line where the mask line held is set.
  virtual void apply(uint8_t* line) = 0;

  int32_t row_ = 0;
  uint8_t* mask_line_ = nullptr;
  uint8_t* source_line_ = nullptr;
  uint32_t dest_bytes_ = 0;
  uint32_t mask_bytes_ = 0;
  uint32_t source_bytes_ = 0;
  uint32_t mask_height_ = 0;
  uint32_t mask_width_ = 0;
  int32_t x_ = 0;
  int32_t y_ = 0;
};

// The dispatcher: M and S clipped to D, then the node for D's depth.
template <class OPBin>
class RstPixelConditionalOP {
 public:
  // Not three present inputs: -2 "RstPixelConditionalOP<OPBin>::create()";
  // D itself when M and S miss D; a 1-bit D failing the input check: -2
  // "RstPixelConditionalOP1<OPBin>::create()"; other depths than 1 and 8: -1
  // "rst_create_end()".
  static RstRead* create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y);
};

// 1-bit pixels, a byte at a time with the shifts fixed when built.
template <class OPBin>
class RstPixelConditionalOP1 : public RstPixelConditionalOperation {
 public:
  RstPixelConditionalOP1(const std::vector<RstRead*>& inputs, int32_t x, int32_t y);

 protected:
  void apply(uint8_t* line) override;

 private:
  uint32_t offset_;  // first byte of D's line the mask touches
  uint32_t shift_;   // x % 8
  uint8_t high_;     // 255 >> shift: the bits of a byte right of the shift
  uint8_t tail_;     // the mask bits of the last mask byte that are pixels
  bool spills_;      // the shifted mask reaches one byte further
};

// 8-bit samples, 1 to 4 of them per pixel.
template <class OPBin>
class RstPixelConditionalOP8 : public RstPixelConditionalOperation {
 public:
  // Not the input check with 8 bits: -2 "RstPixelConditionalOP8<OPBin>::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y, int32_t samples);
  RstPixelConditionalOP8(const std::vector<RstRead*>& inputs, int32_t x, int32_t y, int32_t samples);

 protected:
  void apply(uint8_t* line) override;

 private:
  uint32_t samples_;
};
