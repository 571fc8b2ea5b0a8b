// Test support for the binary pixel operations: a pixel-by-pixel reference of
// And, Or, Sub and Paste of B laid on A at any offset, typed sources over
// test images, and the four operations reached by command and by dispatcher.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster/geometry/rst_paste.h"
#include "raster/geometry/rst_pixel_and.h"
#include "raster/geometry/rst_pixel_binary_command.h"
#include "raster/geometry/rst_pixel_or.h"
#include "raster/geometry/rst_pixel_sub.h"
#include "turn_support.h"

enum class PixelOp { and_op, or_op, sub, paste };

inline const char* op_name(PixelOp op) {
  return op == PixelOp::and_op ? "And" : op == PixelOp::or_op ? "Or" : op == PixelOp::sub ? "Sub" : "Paste";
}

inline uint8_t op_sample(PixelOp op, uint8_t a, uint8_t b) {
  switch (op) {
    case PixelOp::and_op: return uint8_t(a & b);
    case PixelOp::or_op: return uint8_t(a | b);
    case PixelOp::sub: return b < a ? uint8_t(a - b) : uint8_t(0);
    default: return b;
  }
}

inline bool op_bit(PixelOp op, bool a, bool b) {
  switch (op) {
    case PixelOp::and_op: return a && b;
    case PixelOp::or_op: return a || b;
    case PixelOp::sub: return a && !b;
    default: return b;
  }
}

// A with every pixel under B (at x, y, any sign) replaced; padding bits and
// pixels outside B stay A's.
inline Image reference_op(const Image& a, const Image& b, int32_t x, int32_t y, PixelOp op) {
  Image out = a;
  for (int32_t j = 0; j < b.height; ++j)
    for (int32_t i = 0; i < b.width; ++i) {
      int32_t ax = x + i, ay = y + j;
      if (ax < 0 || ay < 0 || ax >= a.width || ay >= a.height) continue;
      if (a.bits == 1) {
        out.set_bit(ax, ay, op_bit(op, a.bit(ax, ay), b.bit(i, j)));
      } else {
        for (int32_t s = 0; s < a.samples; ++s) out.px(ax, ay)[s] = op_sample(op, a.px(ax, ay)[s], b.px(i, j)[s]);
      }
    }
  return out;
}

// Bilevel: reverse gray (1 is black); 8-bit by channels gray, RGB, CMYK.
inline RstColorType* typed_color(const Image& im) {
  if (im.bits == 1) return RstColorType::s_gray_reverse();
  return im.samples == 1 ? RstColorType::s_gray() : im.samples == 3 ? RstColorType::s_rgb() : RstColorType::s_cmyk();
}

inline LineSource* typed_source(const Image& im, RstColorType* type = nullptr) {
  return new LineSource(image_header(im.width, im.height, im.bits, im.samples, type ? type : typed_color(im)),
                        im.lines);
}

// The operation by command: the node, or null after the reports.
inline RstRead* by_command(RstRead* a, RstRead* b, PixelOp op, int32_t x, int32_t y) {
  RstPixelAndCommand and_command;
  RstPixelOrCommand or_command;
  RstPixelSubCommand sub_command;
  RstPixelOpaqueCommand paste_command;
  RstPixelBinaryOperationCommand& command =
      op == PixelOp::and_op  ? static_cast<RstPixelBinaryOperationCommand&>(and_command)
      : op == PixelOp::or_op ? static_cast<RstPixelBinaryOperationCommand&>(or_command)
      : op == PixelOp::sub   ? static_cast<RstPixelBinaryOperationCommand&>(sub_command)
                             : static_cast<RstPixelBinaryOperationCommand&>(paste_command);
  return RstPixelBinaryOperation::create(a, b, command, x, y);
}

// The operation by its dispatcher.
inline RstRead* by_dispatcher(const std::vector<RstRead*>& inputs, PixelOp op, int32_t x, int32_t y) {
  switch (op) {
    case PixelOp::and_op: return RstPixelAnd::create(inputs, x, y);
    case PixelOp::or_op: return RstPixelOr::create(inputs, x, y);
    case PixelOp::sub: return RstPixelSub::create(inputs, x, y);
    default: return RstPaste::create(inputs, x, y);
  }
}

#ifdef PK_HAVE_LEPTONICA
#include <leptonica/allheaders.h>

// A 1- or 8-bit, one-sample image as a Leptonica image, byte by byte.
inline PIX* pix_of(const Image& im) {
  PIX* pix = pixCreate(im.width, im.height, im.bits);
  if (!pix) return nullptr;
  l_int32 wpl = pixGetWpl(pix);
  for (int32_t y = 0; y < im.height; ++y) {
    l_uint32* line = pixGetData(pix) + size_t(y) * size_t(wpl);
    for (size_t i = 0; i < im.line_bytes(); ++i) SET_DATA_BYTE(line, i, im.lines[size_t(y)][i]);
  }
  return pix;
}

// A Leptonica image back as bytes; the spare bits of 1-bit lines as they are.
inline Image image_of_pix(PIX* pix) {
  Image im = blank_image(pixGetWidth(pix), pixGetHeight(pix), pixGetDepth(pix), 1);
  l_int32 wpl = pixGetWpl(pix);
  for (int32_t y = 0; y < im.height; ++y) {
    l_uint32* line = pixGetData(pix) + size_t(y) * size_t(wpl);
    for (size_t i = 0; i < im.line_bytes(); ++i) im.lines[size_t(y)][i] = uint8_t(GET_DATA_BYTE(line, i));
  }
  return im;
}
#endif
