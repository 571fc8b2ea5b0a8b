// RstRotate90Block: quarter turns of 1-bit, 8-bit gray and 8-bit
// three-sample images by bands. The source is read b lines at a time; each
// band is turned tile by tile (b x b pixels) into a rotated image padded to
// whole tiles, from which the output lines are then copied. 1-bit tiles are
// 8, 16 or 32 pixels and are turned as 8 x 8 bit matrices; byte tiles are
// turned by blocks. The node holds its source until it is ended itself.
#pragma once

#include <cstdint>

#include "raster/core/rst_header.h"
#include "raster/geometry/rst_rotate90.h"

// The band checks: raw, 90 or 270 degrees (normalised), and 1 bit 1 sample
// with a band of 8 to 32, 8 bits 1 sample, or 8 bits 3 samples with a band of
// 8 to 4096. The last is true when any of the three is.
bool rst_rotate90_block_check1(const RstHeader& header, int angle, unsigned band);
bool rst_rotate90_block_check8(const RstHeader& header, int angle, unsigned band);
bool rst_rotate90_block_check24(const RstHeader& header, int angle, unsigned band);
bool rst_rotate90_block_check(const RstHeader& header, int angle, unsigned band);

class RstRotate90Block : public RstRotate90 {
 public:
  // Band 32 for 1-bit sources, 200 otherwise. No source: -2
  // "RstRotate90Block::create()".
  static RstRead* create(RstRead* source, int angle);
  // A source or band that fails the checks is turned by the plain rotation.
  static RstRead* create(RstRead* source, int angle, unsigned band);

  RstRotate90Block(RstRead* source, int32_t angle, unsigned band);
  ~RstRotate90Block() override;

  // Allocates the band buffer, the rotated image and one tile (all zeroed),
  // reads every band and turns it. No memory, or sizes beyond any buffer: -1;
  // fewer source lines than the header promises: -3;
  // "RstRotate90Block::initiate()".
  bool initiate() override;
  int read(uint8_t* line) override;

  // The rotated image, padded to whole tiles, and where its line 0 starts.
  const uint8_t* output() const { return output_; }
  const uint8_t* first_line() const { return first_line_; }
  uint32_t stride() const { return stride_; }
  uint32_t band() const { return band_; }
  // The slot the first band is read into (1-bit 90 degrees puts the filler
  // in front of the first band).
  uint32_t first_slot() const { return first_slot_; }
  // Padded source width and height, and bytes of one padded band line.
  uint32_t padded_width() const { return padded_width_; }
  uint32_t padded_height() const { return padded_height_; }

 protected:
  // Turns band m, whose lines are in image_, into output_.
  virtual void turn_band(uint32_t m) = 0;

  uint8_t* output_ = nullptr;
  uint32_t band_;
  uint8_t* first_line_ = nullptr;
  uint32_t stride_ = 0;
  uint8_t* tile_ = nullptr;
  uint32_t first_slot_ = 0;
  uint32_t padded_width_ = 0;     // W'
  uint32_t padded_height_ = 0;    // H'
  size_t padded_line_bytes_ = 0;  // P
};

// The depth fronts. No source or a failed check: -2 "<class>::create()";
// RstRotate90Block_1 brings a band of 8..32 to 8, 16 or 32 first.
class RstRotate90Block_1 : public RstRotate90Block {
 public:
  static RstRead* create(RstRead* source, int angle, unsigned band);
  using RstRotate90Block::RstRotate90Block;
};
class RstRotate90Block_8 : public RstRotate90Block {
 public:
  static RstRead* create(RstRead* source, int angle, unsigned band);
  using RstRotate90Block::RstRotate90Block;
};
class RstRotate90Block_24 : public RstRotate90Block {
 public:
  static RstRead* create(RstRead* source, int angle, unsigned band);
  using RstRotate90Block::RstRotate90Block;
};

// The angle classes: no source -2 "<class>::create"; the family's check
// fails -2 "<class>::create()".
#define RST_ROTATE90_BLOCK_CLASS(Depth, Angle)                                         \
  class RstRotate90Block_##Depth##_##Angle : public RstRotate90Block_##Depth {         \
   public:                                                                             \
    static RstRotate90Block_##Depth##_##Angle* create(RstRead* source, unsigned band); \
    RstRotate90Block_##Depth##_##Angle(RstRead* source, unsigned band)                 \
        : RstRotate90Block_##Depth(source, Angle, band) {}                             \
                                                                                       \
   protected:                                                                          \
    void turn_band(uint32_t m) override;                                               \
  };
RST_ROTATE90_BLOCK_CLASS(1, 90)
RST_ROTATE90_BLOCK_CLASS(1, 270)
RST_ROTATE90_BLOCK_CLASS(8, 90)
RST_ROTATE90_BLOCK_CLASS(8, 270)
RST_ROTATE90_BLOCK_CLASS(24, 90)
RST_ROTATE90_BLOCK_CLASS(24, 270)
#undef RST_ROTATE90_BLOCK_CLASS
