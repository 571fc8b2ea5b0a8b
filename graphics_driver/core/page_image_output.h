// The page images at page end: the colour library stage, then the output of
// every image; on failure the list is drained so that no image outlives its
// page.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/job_output/image_compression.h"
#include "platform/gdi/ddi_types.h"

// What an entry keeps about its clip in its header's first bytes: the clip
// rectangle and, for a complex clip, a copy of its outline path.
#pragma pack(push, 1)
struct PageImageClip {
  RECTL rect;             // empty: no clip
  const void* pathBlock;  // null: the rectangle alone
  int32_t pathBytes;
  int32_t pathRecords;
};
// The compression fields of an entry's descriptor.
struct PageImageCompression {
  uint32_t candidate;  // 1: the image may be compressed
  BYTE method;
  BYTE ropKind;
  uint32_t ropCode;
};
#pragma pack(pop)
static_assert(sizeof(PageImageClip) == 32 && sizeof(PageImageCompression) == 10);

// 0 done, -1 failed.
int FlushPageImage(PdevState* pdev, int keep);
// Hands every entry, front to back, to the image output and removes it: 1
// when every entry went out, else 0. An answer of the compression that stops
// the flush drains the list.
int OutputPageImages(PdevState* pdev);

// Tests stand in for the compression to see each image as it reaches it
// (null: CompressOutputImage).
using PageImageCompressor = int (*)(PdevState* pdev, CompressionRequest* request, BYTE* pixels);
void SetPageImageCompressor(PageImageCompressor compressor);
