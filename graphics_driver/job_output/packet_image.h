// Image packets of the application layout escapes: the layout of a packet
// and its items, the bounds every item is checked against, and what the
// driver does with a packet's image (clip, raster operation, and a
// descriptor of the JPEG or PNG image handed to the image output hook).
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"

// The packet: u32 size at 0 (0: not bounded), then the header. Its fields
// are at these offsets from the header's start.
constexpr uint32_t kPacketHeaderAt = 4;
constexpr uint32_t kPacketHeaderBytes = 36;
constexpr uint32_t kHeaderItemOffset = 4;    // u32, from the packet's start
constexpr uint32_t kHeaderTotal = 8;         // u32, the whole packet's size
constexpr uint32_t kHeaderChunkOffset = 12;  // u32
constexpr uint32_t kHeaderChunkLength = 16;  // u32
constexpr uint32_t kHeaderPacketId = 20;     // u16
constexpr uint32_t kHeaderAngle = 22;        // u16, degrees
constexpr uint32_t kHeaderClipOffset = 32;   // u32, 0: no clip item

// The drawing item.
constexpr uint32_t kItemBytes = 32;
constexpr uint32_t kItemDestX = 4, kItemDestY = 6, kItemDestWidth = 8, kItemDestHeight = 10;
constexpr uint32_t kItemReservedA = 12, kItemReservedB = 14;
constexpr uint32_t kItemWidth = 16, kItemHeight = 18;
constexpr uint32_t kItemPixelOffset = 20;   // u32
constexpr uint32_t kItemBitmapOffset = 24;  // u32, a BITMAPINFOHEADER and its colours
constexpr uint32_t kItemRasterOp = 28;      // u32 ROP3 code; its u16 at 30 is the operation
constexpr uint32_t kItemRopCode = 30;

constexpr uint32_t kBitmapHeaderBytes = 40;
constexpr uint32_t kClipItemBytes = 8;  // i16 x, y, width, height
constexpr uint32_t kPacketSrcCopy = 0xCC0020;
constexpr uint32_t kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;

// Answers of the packet steps.
constexpr int kPacketRefused = -5;
constexpr int kPacketOutOfBounds = -4;

// What the image output hook receives (66 bytes).
#pragma pack(push, 1)
struct PacketImageDescriptor {
  uint32_t x, y;       // destination
  float placement[6];  // a, b, c, d, tx, ty of the turn and scale
  uint16_t width, height;
  uint16_t bits;
  uint16_t format;          // 5 JPEG, 4 24-bit PNG, 11 8-bit PNG with palette
  uint16_t fixedFormat[4];  // 1, 2, 1, 8
  uint16_t paletteEntries;  // 8-bit PNG only
  uint32_t paletteBytes;
  BYTE* palette;       // three bytes an entry, as stored in the RGBQUADs
  uint32_t totalSize;  // of the packet
};
#pragma pack(pop)
static_assert(sizeof(PacketImageDescriptor) == 66);

// The bytes of the packet that its items may use, B = min(S, cjIn) (S = 0:
// cjIn), after checking that the header, the drawing item and its bitmap
// header lie within them and, for a packet's first chunk, the clip item,
// the colour table and the pixel data offset too: 0, or -4 (kPacketOutOfBounds)
// when anything reaches past B or the size field is 1 to 3.
int CheckImagePacket(const BYTE* packet, uint32_t cjIn, uint32_t* bound);

// Flushes the page's images (FlushPageImage with keep): 1, -1 failed.
int FlushPageImages(PdevState* pdev);

// A chunk of a packet whose items lie within the first `bound` bytes: 0
// done (a chunk after the first draws nothing), -5 refused, -1 failed (or
// not JPEG or PNG), -4 for an item past the bound.
int DrawPacketImage(PdevState* pdev, const BYTE* packet, const BYTE* header, uint32_t bound);

// Builds the image's descriptor (placement by angle, format and palette)
// and hands it to the image output hook. The colour table and the pixel
// data are bounded by the bytes given: 0, -1 for another format or bit
// count, a table too short, or no memory.
int DescribePacketImage(PdevState* pdev, const BYTE* item, const BYTE* bitmapHeader, uint32_t colourTableBytes,
                        const BYTE* pixels, uint32_t pixelBytes, uint32_t totalSize, uint32_t angle);

// The image output hook: accepts every image (0). Drawing the image into
// the band is not done.
int OutputPacketImage(PdevState* pdev, const PacketImageDescriptor* descriptor, const BYTE* pixels,
                      uint32_t pixelBytes);
// A test may set a capture that sees what the hook receives.
using PacketImageCapture = void (*)(const PacketImageDescriptor& descriptor, const BYTE* pixels, uint32_t pixelBytes);
void SetPacketImageCapture(PacketImageCapture capture);
