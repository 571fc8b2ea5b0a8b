// The source image reader's fuzz entry, and the fixed-budget run of it in
// the test program.
#include "source_image_fuzz_target.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "graphics_driver/core/source_image.h"
#include "graphics_driver/core/source_image_rows.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "platform/gdi/engine_host.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"

namespace {

constexpr size_t kHead = 24;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  uint8_t Byte() { return at < size ? data[at++] : (at++, 0); }
  int8_t Signed() { return static_cast<int8_t>(Byte()); }
};

constexpr ULONG kFormats[] = {BMF_1BPP, BMF_4BPP, BMF_8BPP, BMF_16BPP, BMF_24BPP, BMF_32BPP};

XLATEOBJ* MakeXlate(uint8_t kind, Reader& in) {
  switch (kind % 6) {
    case 0: return nullptr;
    case 1: return pkgdi::CreateXlateTrivial();
    case 2: {
      std::vector<ULONG> table(in.Byte() % 20);
      for (ULONG& c : table) c = ULONG(in.Byte()) * 0x010101u ^ (ULONG(in.Byte()) << 16);
      return pkgdi::CreateXlateTable(table.data(), ULONG(table.size()));
    }
    case 3: return pkgdi::CreateXlateBitfields(0x7C00, 0x03E0, 0x001F);
    case 4: return pkgdi::CreateXlateRgb(PAL_RGB);
    default: return pkgdi::CreateXlateRgb(PAL_BGR);
  }
}

}  // namespace

void source_image_fuzz_one(const uint8_t* data, size_t size) {
  if (size < kHead) return;
  const size_t live = pk::seams::GlobalLiveBlocks();
  Reader in{data, size};
  const ULONG format = kFormats[in.Byte() % 6];
  const LONG cx = 1 + in.Byte() % 48, cy = 1 + in.Byte() % 40;
  const bool topDown = in.Byte() & 1;
  XLATEOBJ* pxlo = MakeXlate(in.Byte(), in);
  const POINTL origin{in.Signed() % 60, in.Signed() % 50};
  const SIZEL rect{in.Signed() % 60, in.Signed() % 50};
  const uint32_t packing = in.Byte() % 3 == 0 ? 1 : 8;
  const uint32_t scaledWidth = in.Byte() % 50, scaledHeight = in.Byte() % 50;
  const uint8_t scalerOn = in.Byte() & 1;

  SURFOBJ* pso = pkgdi::CreateBitmap(SIZEL{cx, cy}, format, topDown);
  if (!pso) {
    if (pxlo) pkgdi::DeleteXlate(pxlo);
    return;
  }
  for (LONG y = 0; y < cy; ++y) {
    BYTE* row = static_cast<BYTE*>(pso->pvScan0) + ptrdiff_t(y) * pso->lDelta;
    const LONG n = pso->lDelta < 0 ? -pso->lDelta : pso->lDelta;
    for (LONG i = 0; i < n; ++i) row[i] = in.Byte();
  }

  // The black-and-white test of the rectangle as the caller gives it.
  BRUSHOBJ brush{0xFFFFFF, nullptr, 0};
  const int bw = IsBlackWhiteSource(pso, rect, origin, pxlo, &brush, nullptr, 2, 0xB8);
  Check(bw == 0 || bw == 1);

  // The reader, through the scaler when its sizes are taken.
  const uint32_t p = BitsPerPixelOfFormat(format);
  const uint32_t c = p >= 16 ? 24 : p == 4 && packing != 1 ? 8 : p;
  ImageScalerRecord scaler{};
  if (scalerOn && rect.cx > 0 && rect.cy > 0) {
    scaler.scaler = CreateScaler();
    Check(scaler.scaler != nullptr);
    SetScalerResolution(scaler.scaler, kScalerKindArea, 600, 600, 300);
    if (SetScalerSizes(scaler.scaler, uint32_t(rect.cx), uint32_t(rect.cy), scaledWidth, scaledHeight) == 1) {
      scaler.on = 1;
      scaler.scaledWidth = scaledWidth;
      scaler.scaledHeight = scaledHeight;
    }
  }
  HGLOBAL handle = nullptr;
  BYTE* rows = ReadSourceRect(pso, rect, origin, pxlo, c, &handle, &scaler, packing);
  if (rows) {
    const bool scaled = scaler.on && p >= 16;
    const size_t w = scaled ? scaledWidth : size_t(rect.cx), h = scaled ? scaledHeight : size_t(rect.cy);
    const size_t bytes = (c * w + 7) / 8 * h;
    uint32_t sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum += rows[i];
    Check(sum <= bytes * 255);
    FreeSourceRect(handle);
  }
  if (scaler.scaler) FreeScaler(scaler.scaler);

  // A capture of any header replayed into a 40 x 24 band.
  auto stream = std::make_unique<JobOutputStream>();
  auto pdev = std::make_unique<PdevState>();
  pdev->jobOutput = stream.get();
  std::vector<BYTE> band(5 * 25);
  TiffJobRecord* r = &stream->tiffJob;
  r->bytesPerRow = 5;
  r->bandBuffer = band.data();
  r->bandBufferSize = uint32_t(band.size());
  r->bandBottom = 24;
  r->bandRows = 24;
  r->bandRight = r->bandWidth = 40;
  r->ropOperation = 1 + in.Byte() % 4;
  r->ropPolarity = 1 + (in.Byte() & 1);
  StreamWorkArea& work = stream->work;
  const uint32_t captureBytes = in.Byte();
  work.capturedImage = static_cast<BYTE*>(GlobalAlloc(GPTR, captureBytes + 1));
  Check(work.capturedImage != nullptr);
  for (uint32_t i = 0; i < captureBytes; ++i) work.capturedImage[i] = in.Byte();
  work.capturedImageBytes = captureBytes;
  work.capturedHeader.left = in.Signed();
  work.capturedHeader.top = float(in.Signed());
  work.capturedHeader.width = uint16_t(in.Byte() | (in.Byte() & 1) << 8);
  work.capturedHeader.rows = in.Byte();
  CLIPOBJ* clip = nullptr;
  if (in.Byte() & 1) {
    std::vector<RECTL> rects;
    for (int i = in.Byte() % 8; i > 0; --i) {
      const LONG l = in.Signed() % 50, t = in.Signed() % 30;
      rects.push_back(RECTL{l, t, l + in.Byte() % 30, t + in.Byte() % 20});
    }
    clip = pkgdi::CreateClip(pkgdi::Region::FromRects(rects));
  }
  Check(ReplayCapturedImage(pdev.get(), clip, in.Byte() & 1 ? kReplayClipBatch : kDirectClipBatch) == 1);
  if (clip) pkgdi::DeleteClip(clip);
  FreeStreamScratch(stream.get());

  pkgdi::DeleteBitmap(pso);
  if (pxlo) pkgdi::DeleteXlate(pxlo);
  Check(pk::seams::GlobalLiveBlocks() == live);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  source_image_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

// The fixed budget: random inputs of every size up to whole bitmaps.
TEST(SourceImageFuzz, FixedBudgetRunsClean) {
  std::mt19937 rng(64);
  for (int iter = 0; iter < 2000; ++iter) {
    std::vector<uint8_t> input(kHead + rng() % 4000);
    for (auto& b : input) b = static_cast<uint8_t>(rng());
    source_image_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
