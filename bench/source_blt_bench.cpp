// The replay of a captured 2,000 x 2,000 1-bit source image into a band of
// the same size with SRCCOPY and SRCAND, beside Leptonica's pixRasterop
// (PIX_SRC, PIX_SRC | PIX_DST) on the same bits; and the down-scaler
// shrinking a 3,000 x 2,000 24-bit image to 1,000 x 667, beside Leptonica's
// pixScaleAreaMap. "x_peer" is ours over Leptonica's.
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <cstring>
#include <memory>
#include <vector>

#include "bench_pair.h"
#include "graphics_driver/core/source_image.h"
#include "graphics_driver/job_output/image_scaler.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/win/win_memory.h"

namespace {

constexpr int32_t kSide = 2000;
constexpr uint32_t kRowBytes = kSide / 8;

// A PDEV whose stream holds one blank band of kSide x kSide dots and a
// capture of the same size.
struct Replay {
  std::unique_ptr<JobOutputStream> stream = std::make_unique<JobOutputStream>();
  std::unique_ptr<PdevState> pdev = std::make_unique<PdevState>();
  std::vector<BYTE> band;
  Replay() {
    TiffJobRecord* r = &stream->tiffJob;
    r->bytesPerRow = kRowBytes;
    band.assign(size_t(kRowBytes) * (kSide + 1), 0x33);
    r->bandBuffer = band.data();
    r->bandBufferSize = uint32_t(band.size());
    r->bandBottom = kSide;
    r->bandRows = kSide;
    r->bandRight = r->bandWidth = kSide;
    StreamWorkArea& w = stream->work;
    w.capturedImage = static_cast<BYTE*>(GlobalAlloc(GPTR, size_t(kRowBytes) * kSide));
    for (size_t i = 0; i < size_t(kRowBytes) * kSide; ++i) w.capturedImage[i] = BYTE(i * 2654435761u >> 24);
    w.capturedImageBytes = kRowBytes * kSide;
    w.capturedHeader.width = kSide;
    w.capturedHeader.rows = kSide;
    pdev->jobOutput = stream.get();
  }
  ~Replay() { FreeStreamScratch(stream.get()); }
};

// The same bits in Leptonica's word order (most significant bit leftmost).
PIX* PixOf(const BYTE* bits) {
  PIX* pix = pixCreate(kSide, kSide, 1);
  for (int y = 0; y < kSide; ++y) {
    l_uint32* line = pixGetData(pix) + size_t(y) * pixGetWpl(pix);
    for (uint32_t i = 0; i < kRowBytes; ++i) SET_DATA_BYTE(line, int(i), bits[size_t(y) * kRowBytes + i]);
  }
  return pix;
}

void RunReplay(benchmark::State& state, char operation, int leptOp) {
  Replay replay;
  SetRasterOp(replay.stream.get(), 'n', operation);
  PIX* src = PixOf(replay.stream->work.capturedImage);
  PIX* dst = pixCreate(kSide, kSide, 1);
  run_pair(
      state, [&] { benchmark::DoNotOptimize(ReplayCapturedImage(replay.pdev.get(), nullptr)); },
      [&] { benchmark::DoNotOptimize(pixRasterop(dst, 0, 0, kSide, kSide, leptOp, src, 0, 0)); });
  pixDestroy(&src);
  pixDestroy(&dst);
}

void BM_ReplaySrcCopy(benchmark::State& state) { RunReplay(state, 'c', PIX_SRC); }
void BM_ReplaySrcAnd(benchmark::State& state) { RunReplay(state, 'o', PIX_SRC | PIX_DST); }

void BM_ScaleDown24(benchmark::State& state) {
  constexpr uint32_t kW = 3000, kH = 2000, kTW = 1000, kTH = 667;
  std::vector<BYTE> image(size_t(kW) * 3 * kH);
  for (size_t i = 0; i < image.size(); ++i) image[i] = BYTE(i * 2654435761u >> 24);
  PIX* pix = pixCreate(kW, kH, 32);
  for (uint32_t y = 0; y < kH; ++y) {
    l_uint32* line = pixGetData(pix) + size_t(y) * pixGetWpl(pix);
    const BYTE* p = image.data() + size_t(y) * kW * 3;
    for (uint32_t x = 0; x < kW; ++x) composeRGBPixel(p[3 * x + 2], p[3 * x + 1], p[3 * x], line + x);
  }
  std::vector<BYTE> out(size_t(kTW) * 3 * kTH);
  run_pair(
      state,
      [&] {
        ImageScaler* s = CreateScaler();
        SetScalerResolution(s, kScalerKindArea, 600, 600, 300);
        SetScalerSizes(s, kW, kH, kTW, kTH);
        uint32_t made = 0;
        for (uint32_t y = 0; y < kH; ++y)
          if (PushScalerRow(s, image.data() + size_t(y) * kW * 3, kW * 3, 24) > 0 && made < kTH)
            GetScaledRow(s, out.data() + size_t(made++) * kTW * 3, kTW * 3);
        FreeScaler(s);
        benchmark::DoNotOptimize(out.data());
      },
      [&] {
        PIX* scaled = pixScaleAreaMap(pix, float(kTW) / kW, float(kTH) / kH);
        pixDestroy(&scaled);
      });
  pixDestroy(&pix);
}

}  // namespace

BENCHMARK(BM_ReplaySrcCopy)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaySrcAnd)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleDown24)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
