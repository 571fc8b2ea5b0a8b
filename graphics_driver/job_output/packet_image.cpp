// Image packets of the layout escapes (see packet_image.h).
#include "graphics_driver/job_output/packet_image.h"

#include <algorithm>
#include <cstring>

#include "graphics_driver/core/clip_cache.h"
#include "graphics_driver/core/escape_items.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/page_image_output.h"
#include "graphics_driver/core/raster_ops.h"
#include "graphics_driver/job_output/placement_matrix.h"
#include "platform/gdi/gdi_palette_icon.h"
#include "platform/win/win_memory.h"

namespace {

PacketImageCapture g_capture = nullptr;

constexpr uint32_t kPaletteMaxEntries = 256;

// The entries of an 8-bit image's palette: colours used when 1 to 255, else 256.
uint32_t PaletteEntries(const BYTE* bitmapHeader) {
  const uint32_t used = ItemU32(bitmapHeader, offsetof(BITMAPINFOHEADER, biClrUsed));
  return used >= 1 && used <= 255 ? used : kPaletteMaxEntries;
}

bool IsPaletted(const BYTE* bitmapHeader) {
  return ItemU32(bitmapHeader, offsetof(BITMAPINFOHEADER, biCompression)) == kBiPng &&
         ItemU16(bitmapHeader, offsetof(BITMAPINFOHEADER, biBitCount)) == 8;
}

// The bytes from `offset` to the bound (0 when the offset is past it).
uint32_t RoomFrom(uint32_t offset, uint32_t bound) { return offset < bound ? bound - offset : 0; }

}  // namespace

int CheckImagePacket(const BYTE* packet, uint32_t cjIn, uint32_t* bound) {
  // The header is checked against the block before its size field is read.
  if (!packet || !bound || cjIn < kPacketHeaderAt + kPacketHeaderBytes) return kPacketOutOfBounds;
  const uint32_t size = ItemU32(packet, 0);
  if (size >= 1 && size <= 3) return kPacketOutOfBounds;
  const uint32_t b = size == 0 ? cjIn : std::min(size, cjIn);
  const BYTE* header = GetBoundedEscapeItem(packet, kPacketHeaderAt, kPacketHeaderBytes, b);
  if (!header) return kPacketOutOfBounds;
  const BYTE* item = GetBoundedEscapeItem(packet, ItemU32(header, kHeaderItemOffset), kItemBytes, b);
  if (!item) return kPacketOutOfBounds;
  const uint32_t bitmapAt = ItemU32(item, kItemBitmapOffset);
  const BYTE* bitmapHeader = GetBoundedEscapeItem(packet, bitmapAt, kBitmapHeaderBytes, b);
  if (!bitmapHeader) return kPacketOutOfBounds;
  // Only a packet's first chunk reads the rest.
  if (ItemU32(header, kHeaderChunkOffset) == 0) {
    const uint32_t clipAt = ItemU32(header, kHeaderClipOffset);
    if (clipAt != 0 && !GetBoundedEscapeItem(packet, clipAt, kClipItemBytes, b)) return kPacketOutOfBounds;
    if (!GetBoundedEscapeItem(packet, ItemU32(item, kItemPixelOffset), 1, b)) return kPacketOutOfBounds;
    if (IsPaletted(bitmapHeader) &&
        uint64_t(bitmapAt) + kBitmapHeaderBytes + uint64_t(PaletteEntries(bitmapHeader)) * sizeof(RGBQUAD) > b)
      return kPacketOutOfBounds;
  }
  *bound = b;
  return 0;
}

int FlushPageImages(PdevState* pdev) { return FlushPageImage(pdev, 1) == 0 ? 1 : -1; }

int DrawPacketImage(PdevState* pdev, const BYTE* packet, const BYTE* header, uint32_t bound) {
  if (!pdev || !packet || !header) return -1;
  const BYTE* item = GetBoundedEscapeItem(packet, ItemU32(header, kHeaderItemOffset), kItemBytes, bound);
  if (!item) return kPacketOutOfBounds;
  const uint32_t bitmapAt = ItemU32(item, kItemBitmapOffset);
  const BYTE* bitmapHeader = GetBoundedEscapeItem(packet, bitmapAt, kBitmapHeaderBytes, bound);
  if (!bitmapHeader) return kPacketOutOfBounds;

  // 1. The item's reserved words, the bitmap's size and the turn.
  const uint16_t width = ItemU16(item, kItemWidth), height = ItemU16(item, kItemHeight);
  const int32_t bitmapWidth = int32_t(ItemU32(bitmapHeader, offsetof(BITMAPINFOHEADER, biWidth)));
  const int32_t bitmapHeight = int32_t(ItemU32(bitmapHeader, offsetof(BITMAPINFOHEADER, biHeight)));
  const uint16_t angle = ItemU16(header, kHeaderAngle);
  if (ItemU16(item, kItemReservedA) != 0 || ItemU16(item, kItemReservedB) != 0 || bitmapWidth != width ||
      bitmapHeight != height || (angle != 0 && angle != 90 && angle != 180 && angle != 270))
    return kPacketRefused;

  // 2. Only JPEG and PNG images are taken.
  const uint32_t compression = ItemU32(bitmapHeader, offsetof(BITMAPINFOHEADER, biCompression));
  if (compression != kBiJpeg && compression != kBiPng) return -1;

  // 3. A later chunk of the packet draws nothing.
  if (ItemU32(header, kHeaderChunkOffset) != 0) return 0;

  // 4. The clip: the packet's rectangle, or the whole logical page after a
  // reset of the clip state.
  RECTL rect{};
  const uint32_t clipAt = ItemU32(header, kHeaderClipOffset);
  if (clipAt != 0) {
    const BYTE* clipItem = GetBoundedEscapeItem(packet, clipAt, kClipItemBytes, bound);
    if (!clipItem) return kPacketOutOfBounds;
    const int32_t x = int16_t(ItemU16(clipItem, 0)), y = int16_t(ItemU16(clipItem, 2));
    rect = RECTL{x, y, x + int16_t(ItemU16(clipItem, 4)), y + int16_t(ItemU16(clipItem, 6))};
  } else {
    if (UpdateClipForRectangle(pdev, nullptr, nullptr) != 1) return -1;
    LayoutInput in;
    if (BuildLayoutInput(&pdev->currentPage, &in) != 0) return -1;
    const auto truncated = [](float v) { return int32_t(std::clamp(v, -1.0e9f, 1.0e9f)); };
    rect.right = truncated(in.pageRight) - truncated(in.pageLeft) + 1;
    rect.bottom = truncated(in.pageBottom) - truncated(in.pageTop) + 1;
  }
  CLIPOBJ clip{};
  clip.iDComplexity = DC_RECT;
  clip.rclBounds = rect;
  if (UpdateClipForRectangle(pdev, &clip, nullptr) != 1) return -1;

  // 5. The item's raster operation.
  if (SelectRasterOp(pdev->imageStore, kRopThreeOperand, ItemU16(item, kItemRopCode)) != 0) return -1;

  // 6. The image's description.
  const uint32_t pixelAt = ItemU32(item, kItemPixelOffset);
  const BYTE* pixels = GetBoundedEscapeItem(packet, pixelAt, 1, bound);
  if (!pixels) return kPacketOutOfBounds;
  const uint32_t tableAt = bitmapAt + kBitmapHeaderBytes;
  return DescribePacketImage(pdev, item, bitmapHeader, RoomFrom(tableAt, bound), pixels, RoomFrom(pixelAt, bound),
                             ItemU32(header, kHeaderTotal), angle) == 0
             ? 0
             : -1;
}

int DescribePacketImage(PdevState* pdev, const BYTE* item, const BYTE* bitmapHeader, uint32_t colourTableBytes,
                        const BYTE* pixels, uint32_t pixelBytes, uint32_t totalSize, uint32_t angle) {
  if (!item || !bitmapHeader) return -1;
  auto* d = static_cast<PacketImageDescriptor*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(PacketImageDescriptor)));
  if (!d) return -1;
  d->x = ItemU16(item, kItemDestX);
  d->y = ItemU16(item, kItemDestY);
  d->width = ItemU16(item, kItemWidth);
  d->height = ItemU16(item, kItemHeight);

  // 1. The scale from the destination to the image.
  const uint16_t destWidth = ItemU16(item, kItemDestWidth), destHeight = ItemU16(item, kItemDestHeight);
  float sx = 1, sy = 1;
  if (destWidth != 0 && destHeight != 0) {
    sx = float(d->width) / float(destWidth);
    sy = float(d->height) / float(destHeight);
  }
  // 2. The placement of the turn.
  const float w = d->width, h = d->height;
  const float byAngle[4][6] = {
      {sx, 0, 0, sy, 0, 0}, {0, -sy, sx, 0, 0, h}, {-sx, 0, 0, -sy, w, h}, {0, sy, -sx, 0, w, 0}};
  int r = 0;
  if (angle % 90 != 0 || angle > 270) r = -1;
  else std::memcpy(d->placement, byAngle[angle / 90], sizeof d->placement);

  // 3. The format, and the palette of an 8-bit PNG.
  const uint32_t compression = ItemU32(bitmapHeader, offsetof(BITMAPINFOHEADER, biCompression));
  const uint16_t bitCount = ItemU16(bitmapHeader, offsetof(BITMAPINFOHEADER, biBitCount));
  const uint16_t fixedFormat[4] = {1, 2, 1, 8};
  std::memcpy(d->fixedFormat, fixedFormat, sizeof fixedFormat);
  if (compression == kBiJpeg) {
    d->bits = 4;
    d->format = 5;
  } else if (compression == kBiPng && bitCount == 24) {
    d->bits = 8;
    d->format = 4;
  } else if (compression == kBiPng && bitCount == 8) {
    d->bits = 8;
    d->format = 11;
    const uint32_t entries = PaletteEntries(bitmapHeader);
    if (uint64_t(entries) * sizeof(RGBQUAD) > colourTableBytes) r = -1;
    BYTE* palette = r == 0 ? static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, entries * 3)) : nullptr;
    if (!palette) r = -1;
    else {
      const BYTE* quads = bitmapHeader + kBitmapHeaderBytes;
      for (uint32_t i = 0; i < entries; ++i) std::memcpy(palette + 3 * i, quads + 4 * i, 3);
      d->palette = palette;
      d->paletteEntries = uint16_t(entries);
      d->paletteBytes = entries * 3;
    }
  } else {
    r = -1;
  }
  d->totalSize = totalSize;

  // 4. The hook takes the descriptor; it and the palette go afterwards.
  if (r == 0) r = OutputPacketImage(pdev, d, pixels, pixelBytes) == 0 ? 0 : -1;
  if (d->palette) GlobalFree(d->palette);
  GlobalFree(d);
  return r;
}

int OutputPacketImage(PdevState*, const PacketImageDescriptor* descriptor, const BYTE* pixels, uint32_t pixelBytes) {
  if (g_capture && descriptor) g_capture(*descriptor, pixels, pixelBytes);
  return 0;
}

void SetPacketImageCapture(PacketImageCapture capture) { g_capture = capture; }
