// Binary pixel operations on raw lines: image B laid on image A at (x, y),
// every pixel of A that B covers replaced by A AND B, A OR B, A minus B or B
// itself. RstPixelBinaryOperation is the base of the nodes; its create is the
// way in for any pair of supported images at any offset, through a command
// that first brings the two to one form. The offset nodes read B only on the
// rows it covers; the same-size nodes combine whole lines.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_compose.h"

class RstPixelBinaryOperationCommand;

class RstPixelBinaryOperation : public RstCompose {
 public:
  // A with B laid on it at (x, y), either of them anywhere: A itself (B
  // ended) when B misses A, otherwise the command's create. A or B missing:
  // -2 "RstPixelBinaryOperation::create()"; no node from the command: -1
  // "rst_create_end()". Null on failure, A and B left to the caller.
  static RstRead* create(RstRead* a, RstRead* b, RstPixelBinaryOperationCommand& command, int32_t x, int32_t y);

  // Links inputs[0] (A) and inputs[1] (B).
  explicit RstPixelBinaryOperation(const std::vector<RstRead*>& inputs);
  ~RstPixelBinaryOperation() override;
  // A's header.
  void header(RstHeader& h) override;
  // Allocates B's line; -1 "RstPixelBinaryOperation::initiate()".
  bool initiate() override;
  void reset() override;
  int line_size() override { return line_size_; }

 protected:
  // Combines the B line held into A's line.
  virtual void apply_line(uint8_t* line) = 0;

  int line_size_ = 0;  // A's
  uint8_t* b_line_ = nullptr;
  int b_line_size_ = 0;
};

// B smaller than A, inside it at (x, y) with x, y >= 0. The constants of the
// line kernels are fixed here, when the node is built.
class RstPixelBinaryOperationDifferentSize : public RstPixelBinaryOperation {
 public:
  RstPixelBinaryOperationDifferentSize(const std::vector<RstRead*>& inputs, int32_t x, int32_t y);
  // A's line, B's combined in on the rows B covers (B is read on those only).
  int read(uint8_t* line) override;
  // A passes n rows, B the ones of them at row y or later.
  int skip(int n) override;
  void reset() override;

 protected:
  int32_t x_, y_;
  int32_t byte_offset_ = 0;  // first byte of A's line that B touches
  int32_t end_row_ = 0;      // first row below B
  int32_t byte_count_ = 0;   // 8-bit: bytes of B's line; 1-bit: B's whole bytes
  int32_t row_ = 0;          // next row of A
  int32_t rest_bits_ = 0;    // 1-bit: B's width % 8
  int32_t shift_ = 0;        // 1-bit: x % 8
  int32_t complement_ = 0;   // 8 - shift when shift is not 0
  int32_t touched_ = 0;      // 1-bit: bytes of A's line that B touches
  int32_t b_bytes_ = 0;      // 1-bit: bytes of B's pixels in its line
  uint8_t first_mask_ = 0;
  uint8_t second_mask_ = 0;
};

// B of A's size at (0, 0): whole lines combined byte by byte.
class RstPixelBinaryOperationSameSize : public RstPixelBinaryOperation {
 public:
  using RstPixelBinaryOperation::RstPixelBinaryOperation;
  int read(uint8_t* line) override;
  int skip(int n) override;
};
