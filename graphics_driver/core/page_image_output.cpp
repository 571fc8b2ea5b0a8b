// The page images at page end (see page_image_output.h).
#include "graphics_driver/core/page_image_output.h"

#include <cstring>

#include "graphics_driver/core/clip_cache.h"
#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/page_image_list.h"
#include "graphics_driver/core/rotation_buffer.h"
#include "graphics_driver/core/spool_file_state.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"

namespace {

constexpr uint32_t kRopThreeOperandType = 2;
constexpr uint32_t kRopSourceCopyIndex = 0xCC;
// Images must exceed this in both sides to be turned with the page.
constexpr uint32_t kSmallestTurned = 64;

PageImageCompressor gCompressor = nullptr;
const pk::seams::ResetHook gForgetCompressor([] { gCompressor = nullptr; });

// The clip the entry keeps becomes the band's clip.
bool SelectEntryClip(PdevState* pdev, const PageImageEntry& entry) {
  PageImageClip kept;
  std::memcpy(&kept, entry.header.bytes, sizeof kept);
  const bool hasRect = kept.rect.right > kept.rect.left && kept.rect.bottom > kept.rect.top;
  if (!kept.pathBlock && !hasRect) return UpdateClipState(pdev, nullptr, nullptr, nullptr, nullptr) == 1;
  CLIPOBJ clip{};
  clip.rclBounds = kept.rect;
  clip.iDComplexity = kept.pathBlock ? DC_COMPLEX : DC_RECT;
  const ClipPathCopy copy{kept.pathBlock, kept.pathBytes, kept.pathRecords};
  return UpdateClipState(pdev, &clip, nullptr, nullptr, kept.pathBlock ? &copy : nullptr) == 1;
}

// One entry out: 0 done, 1 the page failed, kCompressStopFlush.
int OutputEntry(PdevState* pdev, PageImageEntry* entry) {
  const PageImageDescriptor d = entry->descriptor;
  PageImageCompression fields;
  std::memcpy(&fields, d.compression, sizeof fields);
  BYTE* pixels = nullptr;
  HGLOBAL handle = nullptr;
  if (LockPageImage(entry, &pixels, &handle) != 0) return 1;
  // The image's bytes, never more than its block holds.
  uint32_t length = d.byteSize;
  if (length > GlobalSize(handle)) length = uint32_t(GlobalSize(handle));
  int result = 0;
  SelectRasterOp(pdev->imageStore, kRopThreeOperandType, kRopSourceCopyIndex);
  if (!SelectEntryClip(pdev, *entry)) result = 1;

  uint16_t width = d.width, rows = d.rows;
  BYTE* image = pixels;
  if (result == 0 && pdev->pipeline.feedRotation && width > kSmallestTurned && rows > kSmallestTurned) {
    const uint32_t bits = d.kind == kImageRgb ? 24 : d.bitsPerPixel;
    const uint64_t rowBytes = uint64_t(width) * bits / 8;
    BYTE* turned = nullptr;
    // A depth the rotation does not take cannot go out with the page.
    if (bits % 8 || rowBytes * rows > length ||
        RotateImage(pdev->rotationBuffer, width, rows, uint32_t(rowBytes), bits, pixels, 1, &turned) != 0) {
      result = 1;
    } else {
      image = turned;
      std::swap(width, rows);
    }
  }
  BYTE value1 = 0;
  DWORD value2 = 0;
  if (result == 0 && GetImageOutputValues(pdev->imageStore, &value1, &value2) != 0) result = 1;
  if (result == 0) {
    BYTE coder = 0;
    BYTE kind = BYTE(d.kind);
    CompressionRequest request{};
    request.candidate = fields.candidate;
    request.bitsPerPixel = BYTE(d.bitsPerPixel);
    request.width = width;
    request.height = rows;
    request.coderUsed = &coder;
    request.method = fields.method;
    request.colourKind = &kind;
    request.length = &length;
    request.tempFile = pdev->spoolFile ? &pdev->spoolFile->tempFile : nullptr;
    request.ropKind = fields.ropKind;
    request.ropCode = fields.ropCode;
    request.paletteMap = static_cast<const BYTE*>(entry->header.extraBuffer);
    request.reserved[0] = pdev->spoolFile ? pdev->spoolFile->pixelPacking : 1;
    request.reserved[1] = value1;
    request.reserved[2] = value2;
    request.binding =
        static_cast<CompressionDllBinding*>(pdev->compressionDll ? pdev->compressionDll : pdev->compressionState);
    const int answer = gCompressor ? gCompressor(pdev, &request, image) : CompressOutputImage(&request, image);
    if (answer == kCompressStopFlush) result = kCompressStopFlush;
  }
  UnlockPageImage(entry, pixels, handle);
  return result;
}

}  // namespace

void SetPageImageCompressor(PageImageCompressor compressor) { gCompressor = compressor; }

int FlushPageImage(PdevState* pdev, int keep) {
  if (!pdev) return -1;
  auto* list = static_cast<PageImageList*>(pdev->pageImages);
  if (!list || !list->first) return 0;
  if (FlushImageColours(pdev->colorConverter, list, keep) >= 0 && OutputPageImages(pdev) == 1) return 0;
  DrainPageImages(list);
  return -1;
}

int OutputPageImages(PdevState* pdev) {
  if (!pdev) return 0;
  auto* list = static_cast<PageImageList*>(pdev->pageImages);
  if (!list) return 1;
  bool allOut = true;
  while (list->first) {
    PageImageEntry* entry = list->first;
    const int result = OutputEntry(pdev, entry);
    RemovePageImage(list, entry, 1, 1);
    if (result == kCompressStopFlush) {
      DrainPageImages(list);
      return 0;
    }
    if (result != 0) allOut = false;
  }
  return allOut ? 1 : 0;
}
