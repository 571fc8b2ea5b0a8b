// A PDF page opened, converted to a canvas and composed to its last line,
// beside poppler's page renderer at the same resolution in the same run: a
// 300-dpi A4 JPEG page made by img2pdf and a 600-dpi A4 G4 page made by
// tiff2pdf. Our side reads the image data where it lies in the file and
// decodes it once; poppler parses and renders the page.
#include <benchmark/benchmark.h>
#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_pair.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "raster/geometry/rst_scale_command.h"
#include "raster/mrc/rst_compose_mrc_canvas.h"
#include "raster/mrc/rst_read_pdf_to_mrc_canvas.h"

namespace {

std::string work_dir() {
  static const std::string dir = [] {
    std::string d = std::filesystem::temp_directory_path() / ("pk-pdfpage-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    std::atexit([] {
      std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                  ("pk-pdfpage-bench-" + std::to_string(getpid())));
    });
    return d;
  }();
  return dir;
}

// The page file; empty when the tools are missing.
std::string make_file(bool g4) {
  std::string dir = work_dir();
  std::string pdf = dir + (g4 ? "/g4.pdf" : "/jpeg.pdf");
  if (std::filesystem::exists(pdf)) return pdf;
  std::string cmd =
      g4 ? "cd '" + dir +
               "' && /usr/bin/convert -size 4960x7016 xc:white -fill black -draw 'circle 2480,3508 2480,1000' "
               "-pointsize 120 -draw \"text 300,600 'Sample page'\" -monochrome pbm:page.pbm && pnmtotiff -g4 "
               "-xresolution 600 -yresolution 600 page.pbm > page.tif && tiff2pdf -o g4.pdf page.tif"
         : "cd '" + dir +
               "' && /usr/bin/convert -size 2480x3508 plasma:fractal -seed 7 -density 300 -units PixelsPerInch "
               "-quality 85 page.jpg && img2pdf -o jpeg.pdf page.jpg";
  return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0 ? pdf : "";
}

int64_t ours(const std::string& path) {
  FileInputStorage file;
  if (!file.open(path)) return -1;
  RstOwner<RstReadPDFToMRCCanvasImpl> node(RstReadPDFToMRCCanvasImpl::create(&file, 1));
  if (!node) return -1;
  RstScale::Linear linear;
  RstRead* page = RstComposeMRCCanvas::create(node->make(), 1.0, linear);
  if (!page) return -1;
  RstHeader h;
  page->header(h);
  int64_t lines = h.height;
  pull_all(page);
  return lines;
}

int64_t peer(const std::string& path, double dpi) {
  std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
  if (!doc) return -1;
  std::unique_ptr<poppler::page> p(doc->create_page(0));
  poppler::page_renderer renderer;
  poppler::image im = renderer.render_page(p.get(), dpi, dpi);
  benchmark::DoNotOptimize(im.const_data());
  return im.height();
}

void page_beside_poppler(benchmark::State& state, bool g4, double dpi) {
  rst_register_color_creators();
  rst_register_geometry_creators();
  std::string path = make_file(g4);
  if (path.empty()) {
    state.SkipWithError("convert, img2pdf, pnmtotiff or tiff2pdf not installed");
    return;
  }
  int64_t a = ours(path), b = peer(path, dpi);
  if (a <= 0 || a != b) {
    state.SkipWithError("the pages differ in height");
    return;
  }
  run_pair(
      state, [&] { benchmark::DoNotOptimize(ours(path)); }, [&] { benchmark::DoNotOptimize(peer(path, dpi)); });
}

void BM_JpegPage300(benchmark::State& state) { page_beside_poppler(state, false, 300); }
void BM_G4Page600(benchmark::State& state) { page_beside_poppler(state, true, 600); }

}  // namespace

BENCHMARK(BM_JpegPage300)->UseManualTime()->Unit(benchmark::kMillisecond);
// poppler scales a 600-dpi bilevel page slowly: a few iterations suffice.
BENCHMARK(BM_G4Page600)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
