// The driver's path stroking into a 5,000-dot band beside cairo's aliased
// one-dot stroke on an A1 surface of the same size, on the same segments:
// 10,000 cosmetic segments in random directions, and a 2,000-segment dashed
// polyline (style {2, 1} at 600 dpi: 48-dot dashes, 24-dot gaps). Each
// segment goes through the same drawing step DrawPath takes for it. "x_peer"
// is ours over cairo's.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <memory>
#include <random>
#include <vector>

#include "bench_pair.h"
#include "graphics_driver/core/path_drawing.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/tiff_job_record.h"

namespace {

constexpr int32_t kBand = 5000;

// Segment ends in random directions, each segment up to 400 dots long.
std::vector<POINTL> RandomPoints(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int32_t> start(200, kBand - 200), step(-200, 200);
  std::vector<POINTL> pts;
  for (size_t i = 0; i < n; ++i) {
    const int32_t x = start(rng), y = start(rng);
    pts.push_back({x, y});
    pts.push_back({x + step(rng), y + step(rng)});
  }
  return pts;
}

std::vector<POINTL> Polyline(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int32_t> at(100, kBand - 100);
  std::vector<POINTL> pts;
  for (size_t i = 0; i <= n; ++i) pts.push_back({at(rng), at(rng)});
  return pts;
}

struct Band {
  std::unique_ptr<JobOutputStream> stream = std::make_unique<JobOutputStream>();
  std::vector<BYTE> bits;
  Band() {
    TiffJobRecord* r = &stream->tiffJob;
    r->bytesPerRow = (kBand + 7) / 8;
    bits.assign(size_t(r->bytesPerRow) * (kBand + 1), 0);
    r->bandBuffer = bits.data();
    r->bandBufferSize = uint32_t(bits.size());
    r->bandTop = 0;
    r->bandBottom = kBand;
    r->bandRows = kBand;
    r->bandRight = r->bandWidth = kBand;
  }
};

struct Cairo {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A1, kBand, kBand);
  cairo_t* cr = cairo_create(surface);
  Cairo() {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, 1.0);
  }
  ~Cairo() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
};

void BM_CosmeticSegments10000(benchmark::State& state) {
  const std::vector<POINTL> pts = RandomPoints(10000, 7);
  Band band;
  Cairo cairo;
  const RECTL bounds{0, 0, kBand, kBand};
  run_pair(
      state,
      [&] {
        for (size_t i = 0; i + 1 < pts.size(); i += 2)
          DrawWideSegment(band.stream.get(), PolySegment{pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y}, bounds, 1);
      },
      [&] {
        for (size_t i = 0; i + 1 < pts.size(); i += 2) {
          cairo_move_to(cairo.cr, pts[i].x + 0.5, pts[i].y + 0.5);
          cairo_line_to(cairo.cr, pts[i + 1].x + 0.5, pts[i + 1].y + 0.5);
        }
        cairo_stroke(cairo.cr);
        cairo_surface_flush(cairo.surface);
      });
}

void BM_DashedPolyline2000(benchmark::State& state) {
  const std::vector<POINTL> pts = Polyline(2000, 11);
  std::vector<FLOAT_LONG> entries(2);
  entries[0].l = 2;
  entries[1].l = 1;
  Band band;
  Cairo cairo;
  const double dashes[2] = {48.0, 24.0};
  cairo_set_dash(cairo.cr, dashes, 2, 0);
  const RECTL bounds{0, 0, kBand, kBand};
  run_pair(
      state,
      [&] {
        LineStyle style;
        style.entries = entries.data();
        style.count = 2;
        style.scale = 600 / 25;
        for (size_t i = 0; i + 1 < pts.size(); ++i)
          DrawStyledSegment(band.stream.get(), PolySegment{pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y}, bounds, 1,
                            &style);
      },
      [&] {
        cairo_move_to(cairo.cr, pts[0].x + 0.5, pts[0].y + 0.5);
        for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cairo.cr, pts[i].x + 0.5, pts[i].y + 0.5);
        cairo_stroke(cairo.cr);
        cairo_surface_flush(cairo.surface);
      });
}

}  // namespace

BENCHMARK(BM_CosmeticSegments10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DashedPolyline2000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
