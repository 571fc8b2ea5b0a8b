// Image packets of the layout escape 0x1072 as an application lays them
// out: the size field, the header, the drawing item, the bitmap header with
// its colours, an optional clip item and the pixel data, each field
// settable so that a test can make a packet lie about itself.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics_driver/job_output/packet_image.h"

namespace pk::test {

struct PacketSpec {
  // The size field: kWholeBlock for the built block's size.
  static constexpr uint32_t kWholeBlock = 0xFFFFFFFF;
  uint32_t sizeField = kWholeBlock;
  uint32_t total = 1000;
  uint32_t chunkOffset = 0, chunkLength = 1000;
  uint16_t id = 0, angle = 0;
  uint32_t rop = kPacketSrcCopy;
  uint16_t destX = 0, destY = 0, destWidth = 0, destHeight = 0;
  uint16_t reservedA = 0, reservedB = 0;
  uint16_t width = 200, height = 100;
  int32_t bitmapWidth = -1, bitmapHeight = -1;  // -1: the item's
  uint32_t compression = kBiJpeg;
  uint16_t bitCount = 24;
  uint32_t coloursUsed = 0;
  uint32_t quads = 0;  // colour entries stored after the bitmap header
  bool clip = false;
  int16_t clipRect[4] = {0, 0, 0, 0};
  uint32_t pixelBytes = 16;
  // Offsets put in place of the built ones (-1: keep).
  int64_t itemAt = -1, bitmapAt = -1, pixelAt = -1, clipAt = -1;
};

inline void PutLe(std::vector<uint8_t>& b, size_t at, uint32_t v, size_t n) {
  for (size_t i = 0; i < n; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// Header at 4, drawing item at 40, bitmap header at 72, its colours at 112,
// then the clip item and the pixels.
inline std::vector<uint8_t> BuildPacket(const PacketSpec& s) {
  const uint32_t item = 40, bitmap = 72, quads = 112;
  const uint32_t clip = quads + 4 * s.quads;
  const uint32_t pixels = clip + (s.clip ? kClipItemBytes : 0);
  std::vector<uint8_t> b(pixels + s.pixelBytes, 0);
  PutLe(b, 0, s.sizeField == PacketSpec::kWholeBlock ? uint32_t(b.size()) : s.sizeField, 4);
  const size_t h = kPacketHeaderAt;
  PutLe(b, h + kHeaderItemOffset, s.itemAt >= 0 ? uint32_t(s.itemAt) : item, 4);
  PutLe(b, h + kHeaderTotal, s.total, 4);
  PutLe(b, h + kHeaderChunkOffset, s.chunkOffset, 4);
  PutLe(b, h + kHeaderChunkLength, s.chunkLength, 4);
  PutLe(b, h + kHeaderPacketId, s.id, 2);
  PutLe(b, h + kHeaderAngle, s.angle, 2);
  PutLe(b, h + kHeaderClipOffset, s.clipAt >= 0 ? uint32_t(s.clipAt) : s.clip ? clip : 0, 4);
  PutLe(b, item + kItemDestX, s.destX, 2);
  PutLe(b, item + kItemDestY, s.destY, 2);
  PutLe(b, item + kItemDestWidth, s.destWidth, 2);
  PutLe(b, item + kItemDestHeight, s.destHeight, 2);
  PutLe(b, item + kItemReservedA, s.reservedA, 2);
  PutLe(b, item + kItemReservedB, s.reservedB, 2);
  PutLe(b, item + kItemWidth, s.width, 2);
  PutLe(b, item + kItemHeight, s.height, 2);
  PutLe(b, item + kItemPixelOffset, s.pixelAt >= 0 ? uint32_t(s.pixelAt) : pixels, 4);
  PutLe(b, item + kItemBitmapOffset, s.bitmapAt >= 0 ? uint32_t(s.bitmapAt) : bitmap, 4);
  PutLe(b, item + kItemRasterOp, s.rop, 4);
  PutLe(b, bitmap, 40, 4);
  PutLe(b, bitmap + 4, uint32_t(s.bitmapWidth < 0 ? s.width : s.bitmapWidth), 4);
  PutLe(b, bitmap + 8, uint32_t(s.bitmapHeight < 0 ? s.height : s.bitmapHeight), 4);
  PutLe(b, bitmap + 12, 1, 2);
  PutLe(b, bitmap + 14, s.bitCount, 2);
  PutLe(b, bitmap + 16, s.compression, 4);
  PutLe(b, bitmap + 32, s.coloursUsed, 4);
  // Colour i is blue i, green 255 - i, red i / 2, reserved 0xAA.
  for (uint32_t i = 0; i < s.quads; ++i) {
    b[quads + 4 * i] = uint8_t(i);
    b[quads + 4 * i + 1] = uint8_t(255 - i);
    b[quads + 4 * i + 2] = uint8_t(i / 2);
    b[quads + 4 * i + 3] = 0xAA;
  }
  if (s.clip)
    for (int i = 0; i < 4; ++i) PutLe(b, clip + 2 * i, uint16_t(s.clipRect[i]), 2);
  for (uint32_t i = 0; i < s.pixelBytes; ++i) b[pixels + i] = uint8_t(0x40 + i);
  return b;
}

}  // namespace pk::test
