// The band engine's fuzz entry, and the fixed-budget run of it in the test
// program.
#include "band_engine_fuzz_target.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/brushes.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "platform/gdi/engine_host.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"

namespace {

constexpr size_t kHead = 20;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Reads bytes from the input, zeros once it runs out.
struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  void Take(void* out, size_t n) {
    const size_t have = at < size ? std::min(n, size - at) : 0;
    std::memcpy(out, data + at, have);
    std::memset(static_cast<uint8_t*>(out) + have, 0, n - have);
    at += n;
  }
  uint8_t Byte() {
    uint8_t b;
    Take(&b, 1);
    return b;
  }
  int16_t Short() {
    int16_t v;
    Take(&v, 2);
    return v;
  }
};

// A pattern brush of the input's format and size realised for a PDEV that
// only carries its signatures.
void RealiseOnePattern(Reader& in, const uint8_t* head) {
  static const ULONG kFormats[] = {BMF_1BPP, BMF_4BPP, BMF_8BPP, BMF_16BPP, BMF_24BPP, BMF_32BPP, 7};
  const ULONG format = kFormats[head[14] % 7];
  const LONG width = 1 + head[15] % 24, rows = 1 + head[16] % 12;
  const size_t live = pkgdi::LiveEngineObjects();
  auto pdev = std::make_unique<PdevState>();
  pdev->signature = pdev->trailerSignature = kPdevSignature;
  SURFOBJ target{};
  target.dhpdev = reinterpret_cast<DHPDEV>(pdev.get());
  SURFOBJ* pattern = pkgdi::CreateBitmap(SIZEL{width, rows}, format == 7 ? BMF_8BPP : format, head[17] & 1);
  Check(pattern != nullptr);
  in.Take(pattern->pvBits, pattern->cjBits);
  if (format == 7) pattern->iBitmapFormat = 7;  // no format a pattern can have
  std::vector<ULONG> table(head[18] % 20);
  for (ULONG& c : table) in.Take(&c, 3);
  XLATEOBJ* xlate = head[19] & 1 ? pkgdi::CreateXlateBitfields(0x7C00, 0x03E0, 0x001F)
                                 : pkgdi::CreateXlateTable(table.data(), ULONG(table.size()));
  Check(xlate != nullptr);
  BRUSHOBJ* brush = pkgdi::CreatePatternBrush(pattern, xlate);
  Check(brush != nullptr);
  const BOOL realised = RealizeBrush(brush, &target, pattern, nullptr, xlate, 6);
  Check(realised == (format != 7 ? TRUE : FALSE));
  if (realised) {
    const auto* r = static_cast<const RealizedBrush*>(brush->pvRbrush);
    Check(r->width == width && r->rows == rows && r->iHatch == 6);
    Check(r->format == (format >= BMF_16BPP ? ULONG(BMF_24BPP) : format));
    for (uint32_t i = 0; i <= r->paletteCount; ++i) RealizedBrushColour(r, i);
  }
  pkgdi::DeleteBrush(brush);
  pkgdi::DeleteXlate(xlate);
  pkgdi::DeleteBitmap(pattern);
  Check(pkgdi::LiveEngineObjects() == live);
}

}  // namespace

void band_engine_fuzz_one(const uint8_t* data, size_t size) {
  if (size < kHead) return;
  const SIZE_T live = pk::seams::GlobalLiveBlocks();
  Reader in{data, size, kHead};
  auto stream = std::make_unique<JobOutputStream>();
  TiffJobRecord* r = &stream->tiffJob;

  // The band: rows plus the spare row, exactly as large as its rows.
  const uint32_t rows = 1 + data[0] % 40;
  const uint32_t rowBytes = 1 + data[1] % 16;
  std::vector<uint8_t> band(size_t(rowBytes) * (rows + 1));
  r->bandBuffer = band.data();
  r->bandBufferSize = uint32_t(band.size());
  r->bytesPerRow = rowBytes;
  r->bandTop = int32_t(data[2]) * 7;
  r->bandBottom = uint32_t(r->bandTop) + rows;
  r->bandLeft = 0;
  r->bandRight = rowBytes * 8 - data[3] % 8;
  r->ropPolarity = data[4] % 4;
  r->ropOperation = data[5] % 6;
  r->penLevel = data[6];
  r->brushLevel = data[7];
  r->imageKind = data[8] % 14;
  r->flag479 = data[9] & 1;
  r->option1042 = (data[9] >> 1) & 1;
  r->setting285 = int8_t(data[10]) * 2;
  for (auto& b : band) b = in.Byte();

  // The brush bitmap (GlobalAlloc'd, as the brush selection makes it) and
  // the brush cell.
  const uint32_t bitmapWidth = data[11] % 41, bitmapRows = data[12] % 11;
  const size_t bitmapBytes = size_t((bitmapWidth + 7) / 8) * bitmapRows;
  if (bitmapBytes) {
    stream->work.brushBitmap = static_cast<BYTE*>(GlobalAlloc(GPTR, bitmapBytes));
    Check(stream->work.brushBitmap != nullptr);
    in.Take(stream->work.brushBitmap, bitmapBytes);
  }
  stream->work.brushBitmapWidthBits = bitmapWidth;
  stream->work.brushBitmapRows = bitmapRows;
  in.Take(stream->work.brushCell, sizeof stream->work.brushCell);

  RealiseOnePattern(in, data);

  // The calls read the input from its start again, so that every input has
  // calls of its own.
  in.at = kHead;
  const uint32_t calls = data[13] % 32;
  for (uint32_t i = 0; i < calls; ++i) {
    const uint8_t kind = in.Byte();
    // Coordinates around the band, with now and then one far outside it.
    const int32_t far = (kind & 0xE0) == 0xE0 ? in.Short() * 1000 : 0;
    const int32_t x = int8_t(in.Byte()) * 2 + far, y = int32_t(in.Byte() % (rows + 3)) - 1;
    const int32_t width = (in.Short() & 0x1FF) - 64;
    const int32_t clipLeft = int8_t(in.Byte()) * 2, clipRight = int8_t(in.Byte()) * 2;
    const int mode = in.Byte() & 1;
    switch (kind % 5) {
      case 0:
      case 1: {
        const int result = FillSpan(stream.get(), x, y, width);
        Check(result == 0 || result == 1);
        break;
      }
      case 2:
      case 3: {
        // The source row holds exactly the bytes its width needs.
        const int32_t w = width & 0x3FF;
        std::vector<uint8_t> source(size_t(w + 7) / 8 + (w == 0));
        in.Take(source.data(), source.size() - (w == 0));
        const int result =
            kind % 5 == 2 ? DrawBitmapRow(stream.get(), x, y, w, 1, source.data(), 0, mode)
                          : DrawBitmapRowClipped(stream.get(), x, y, w, 1, source.data(), 0, clipLeft, clipRight, mode);
        Check(result == 0 || result == 1);
        break;
      }
      default: {
        const int saved = SaveBandArea(stream.get(), POINTL{x, y}, POINTL{x + width, y + int8_t(clipLeft)});
        Check(saved == 0 || saved == 1);
        stream->work.spanMode = saved == 1 && (clipRight & 1) ? kSpanXorSaved : kSpanIdle;
        break;
      }
    }
  }
  FreeStreamScratch(stream.get());
  if (stream->work.brushBitmap) GlobalFree(stream->work.brushBitmap);
  Check(pk::seams::GlobalLiveBlocks() == live);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  band_engine_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

// The fixed budget: random inputs of every size up to a long list of calls.
TEST(BandEngineFuzz, FixedBudgetRunsClean) {
  std::mt19937 rng(41);
  for (int iter = 0; iter < 4000; ++iter) {
    std::vector<uint8_t> input(kHead + rng() % 2000);
    for (auto& b : input) b = static_cast<uint8_t>(rng());
    band_engine_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
