// RstRotate90: rotation by a multiple of 90 degrees, clockwise. The front
// sends run lines to RstRotate90RLE, flagged quarter turns of 1-bit and 8-bit
// gray or three-sample images to the band rotation (RstRotate90Block), and
// the rest to the plain rotations here: one depth front per pixel kind
// (RstRotate90_1, _8, _24, _32) and one class per depth and angle. A plain
// rotation reads its whole source while it is created, ends it, and builds
// each output line from the image in memory:
//   90:  output line y, pixel k = src(y, H - 1 - k)
//   180: output line y, pixel k = src(W - 1 - k, H - 1 - y)
//   270: output line y, pixel k = src(W - 1 - y, k)
// 1-bit lines are most significant bit first; the bits after the last pixel
// of an output line are 0.
#pragma once

#include <cstdint>

#include "raster/core/rst_header.h"
#include "raster/core/rst_process.h"

// The angle brought into 0..359.
inline int32_t rst_normalize_angle(int angle) {
  int32_t a = int32_t(angle % 360);
  return a < 0 ? a + 360 : a;
}

class RstRotate90 : public RstProcess {
 public:
  // The source itself for angle 0 (normalised; nothing is reported). No
  // source, or an angle that is not a multiple of 90: -2; a source that none
  // of the rotations takes: -50; "RstRotate90::create()".
  static RstRead* create(RstRead* source, int angle, bool block);

  RstRotate90(RstRead* source, int32_t angle);
  ~RstRotate90() override;

  void header(RstHeader& h) override { h = header_; }
  // Reads the whole source and ends it. No memory (or a size beyond any
  // buffer): -1; a source line of another length: -3; "RstRotate90::initiate()".
  bool initiate() override;
  int skip(int n) override;
  void reset() override { next_line_ = 0; }
  int line_size() override;

 protected:
  // The image buffer, from rst_malloc; where when it cannot be had.
  bool allocate_image(size_t bytes, const char* where);
  // The output line's number when one is left (then counted), else -1.
  int32_t take_line();

  uint8_t* image_ = nullptr;
  uint32_t next_line_ = 0;
  RstHeader header_;
  int32_t line_bytes_ = 0;
  int32_t source_height_ = 0;
  int32_t source_line_bytes_ = 0;
  int32_t angle_;
};

// The depth fronts: the source itself for angle 0; no source or an angle not
// a multiple of 90: -2; a header not raw of the front's depth: -3; both
// reported as "<class>::create()".
class RstRotate90_1 : public RstRotate90 {
 public:
  static RstRead* create(RstRead* source, int angle);
  using RstRotate90::RstRotate90;
};
class RstRotate90_8 : public RstRotate90 {
 public:
  static RstRead* create(RstRead* source, int angle);
  using RstRotate90::RstRotate90;
};
class RstRotate90_24 : public RstRotate90 {
 public:
  static RstRead* create(RstRead* source, int angle);
  using RstRotate90::RstRotate90;
};
class RstRotate90_32 : public RstRotate90 {
 public:
  static RstRead* create(RstRead* source, int angle);
  using RstRotate90::RstRotate90;
};

// The angle classes: no source -2 "<class>::create"; a header not of the
// family -3 "<class>::create()".
class RstRotate90_1_90 : public RstRotate90_1 {
 public:
  static RstRotate90_1_90* create(RstRead* source);
  explicit RstRotate90_1_90(RstRead* source) : RstRotate90_1(source, 90) {}
  int read(uint8_t* line) override;
};
class RstRotate90_1_180 : public RstRotate90_1 {
 public:
  static RstRotate90_1_180* create(RstRead* source);
  explicit RstRotate90_1_180(RstRead* source) : RstRotate90_1(source, 180) {}
  ~RstRotate90_1_180() override;
  // Also builds the bit-reversal table: -1 "RstRotate90_1_180::initiate()".
  bool initiate() override;
  int read(uint8_t* line) override;

 private:
  uint8_t* reverse_table_ = nullptr;
};
class RstRotate90_1_270 : public RstRotate90_1 {
 public:
  static RstRotate90_1_270* create(RstRead* source);
  explicit RstRotate90_1_270(RstRead* source) : RstRotate90_1(source, 270) {}
  int read(uint8_t* line) override;
};

#define RST_ROTATE90_ANGLE_CLASS(Depth, Angle)                                                      \
  class RstRotate90_##Depth##_##Angle : public RstRotate90_##Depth {                                \
   public:                                                                                          \
    static RstRotate90_##Depth##_##Angle* create(RstRead* source);                                  \
    explicit RstRotate90_##Depth##_##Angle(RstRead* source) : RstRotate90_##Depth(source, Angle) {} \
    int read(uint8_t* line) override;                                                               \
  };
RST_ROTATE90_ANGLE_CLASS(8, 90)
RST_ROTATE90_ANGLE_CLASS(8, 180)
RST_ROTATE90_ANGLE_CLASS(8, 270)
RST_ROTATE90_ANGLE_CLASS(24, 90)
RST_ROTATE90_ANGLE_CLASS(24, 180)
RST_ROTATE90_ANGLE_CLASS(24, 270)
RST_ROTATE90_ANGLE_CLASS(32, 90)
RST_ROTATE90_ANGLE_CLASS(32, 180)
RST_ROTATE90_ANGLE_CLASS(32, 270)
#undef RST_ROTATE90_ANGLE_CLASS
