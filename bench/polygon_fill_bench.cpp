// The driver's even-odd polygon fill into a 5,000-dot band beside cairo's
// aliased even-odd fill on an A1 surface of the same size, on the same
// outlines: a 200-point star and a 1,000-point wavy outline. "x_peer" is
// ours over cairo's.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench_pair.h"
#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/tiff_job_record.h"

namespace {

constexpr int32_t kBand = 5000;

std::vector<POINTL> Star() {
  std::vector<POINTL> pts;
  for (int i = 0; i < 200; ++i) {
    const double a = 2 * M_PI * i / 200, r = i % 2 ? 900.0 : 2400.0;
    pts.push_back({int32_t(std::lround(2500 + r * std::cos(a))), int32_t(std::lround(2500 + r * std::sin(a)))});
  }
  return pts;
}

std::vector<POINTL> Wavy() {
  std::vector<POINTL> pts;
  for (int i = 0; i < 1000; ++i) {
    const double a = 2 * M_PI * i / 1000, r = 2000.0 + 300.0 * std::sin(25 * a);
    pts.push_back({int32_t(std::lround(2500 + r * std::cos(a))), int32_t(std::lround(2500 + r * std::sin(a)))});
  }
  return pts;
}

// A stream whose TIFF record holds one blank band of kBand x kBand dots.
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

void CairoFill(cairo_t* cr, const std::vector<POINTL>& pts) {
  cairo_move_to(cr, pts[0].x, pts[0].y);
  for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].x, pts[i].y);
  cairo_close_path(cr);
  cairo_fill(cr);
}

void RunFill(benchmark::State& state, const std::vector<POINTL>& pts) {
  Band band;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A1, kBand, kBand);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  const RECTL bounds{0, 0, kBand, kBand};
  run_pair(
      state,
      [&] { benchmark::DoNotOptimize(FillPolygon(band.stream.get(), pts.data(), uint32_t(pts.size()), &bounds, 0)); },
      [&] {
        CairoFill(cr, pts);
        cairo_surface_flush(surface);
      });
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

void BM_FillStar200(benchmark::State& state) { RunFill(state, Star()); }
void BM_FillWavy1000(benchmark::State& state) { RunFill(state, Wavy()); }

}  // namespace

BENCHMARK(BM_FillStar200)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillWavy1000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
