// The raster operation tables (see raster_ops.h).
#include "graphics_driver/core/raster_ops.h"

#include "graphics_driver/job_output/tiff_job_record.h"

namespace {

// The ROP3 byte of R2_ codes 1..16.
constexpr BYTE kRop3OfMix[16] = {0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                                 0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};

uint32_t MixOfRop3(uint32_t rop3) {
  for (uint32_t i = 0; i < 16; ++i)
    if (kRop3OfMix[i] == rop3) return i + 1;
  return kR2CopyPen;
}

struct RopEntry {
  uint32_t code;
  char polarity, operation;
};

constexpr RopEntry kTwoOperand[] = {{3, 'i', 'o'},  {4, 'i', 'c'},  {7, 'i', 'e'},  {9, 'n', 'o'},
                                    {10, 'n', 'e'}, {12, 'i', 'a'}, {13, 'n', 'c'}, {15, 'n', 'a'}};

// Each three-operand code by its index byte; the full code has the index in
// its third byte.
constexpr RopEntry kThreeOperand[] = {
    {0x220326, 'i', 'o'}, {0x330008, 'i', 'c'}, {0x440328, 'i', 'a'}, {0xBB0226, 'i', 'a'}, {0x660046, 'i', 'e'},
    {0xE20746, 'i', 'e'}, {0x6A01E9, 'n', 'a'}, {0x9A0709, 'n', 'a'}, {0xA000C9, 'n', 'a'}, {0xEE0086, 'n', 'a'},
    {0x8800C6, 'n', 'o'}, {0xB8074A, 'n', 'o'}, {0xCC0020, 'n', 'c'},
};

}  // namespace

ROP4 MixToRop4(uint32_t mix) {
  const auto rop3 = [](uint32_t code) -> ROP4 { return kRop3OfMix[(code == 0 ? 16 : code) - 1]; };
  return rop3(mix & 0xF) | rop3((mix >> 8) & 0xF) << 8;
}

uint32_t RopToMix(ROP4 rop4) { return MixOfRop3((rop4 >> 8) & 0xFF) << 8 | MixOfRop3(rop4 & 0xFF); }

int MapRasterOp(JobOutputStream* stream, uint32_t type, uint32_t code) {
  if (!stream) return -1;
  if (type == kRopTwoOperand) {
    for (const RopEntry& e : kTwoOperand)
      if (e.code == code) SetRasterOp(stream, e.polarity, e.operation);
    return 0;
  }
  if (type != kRopThreeOperand) return -1;
  for (const RopEntry& e : kThreeOperand)
    if (e.code == code || e.code >> 16 == code) SetRasterOp(stream, e.polarity, e.operation);
  return 0;
}
