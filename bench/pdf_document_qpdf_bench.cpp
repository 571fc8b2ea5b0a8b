// Reading a document's skeleton beside libqpdf, on the same file in the same
// run: a 500-page image PDF (img2pdf of one JPEG, 500 times) rewritten by
// qpdf with object streams generated and with them disabled. Our side opens
// the file and reads the cross-reference chain, trailer, page table and
// information; qpdf's side is QPDF::processFile and
// QPDFPageDocumentHelper::getAllPages. With object streams every object our
// reader resolves decodes its object stream from the start again (there is
// no object cache), which the ratio ("x_peer") shows.
#include <benchmark/benchmark.h>
// qpdf's headers ask which PointerHolder API the program uses: the current.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_pair.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_file.h"
#include "raster/mrc/pdf/pdf_pool.h"

namespace {

std::string work_dir() {
  static const std::string dir = [] {
    std::string d = std::filesystem::temp_directory_path() / ("pk-pdfdoc-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    std::atexit([] {
      std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                  ("pk-pdfdoc-bench-" + std::to_string(getpid())));
    });
    return d;
  }();
  return dir;
}

// The 500-page file rewritten with the qpdf option; empty when the tools
// are missing.
std::string make_file(const char* option) {
  std::string dir = work_dir(), jpg = dir + "/page.jpg", base = dir + "/base.pdf";
  std::string out = dir + "/" + std::string(option + 2) + ".pdf";
  if (!std::filesystem::exists(base)) {
    std::string cmd = "convert -size 32x32 xc:gray '" + jpg + "' && img2pdf";
    for (int i = 0; i < 500; ++i) cmd += " '" + jpg + "'";
    cmd += " -o '" + base + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return "";
  }
  std::string cmd = std::string("qpdf ") + option + " '" + base + "' '" + out + "' >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0 ? out : "";
}

int32_t ours(const std::string& path) {
  PdfDocInfo info{};
  pdf_pool_create();
  pdf_file_open(path.c_str());
  pdf_core_begin();
  int32_t code = pdf_core_read_document(&info);
  pdf_core_end();
  pdf_file_close();
  pdf_pool_free();
  return code == 0 ? info.page_count : -1;
}

size_t peer(const std::string& path) {
  QPDF q;
  q.processFile(path.c_str());
  return QPDFPageDocumentHelper(q).getAllPages().size();
}

void read_beside_qpdf(benchmark::State& state, const char* option) {
  std::string path = make_file(option);
  if (path.empty()) {
    state.SkipWithError("img2pdf, qpdf or convert not installed");
    return;
  }
  if (ours(path) != 500 || peer(path) != 500) {
    state.SkipWithError("page counts differ from 500");
    return;
  }
  run_pair(
      state, [&] { benchmark::DoNotOptimize(ours(path)); }, [&] { benchmark::DoNotOptimize(peer(path)); });
}

void BM_ObjectStreamsGenerated(benchmark::State& state) { read_beside_qpdf(state, "--object-streams=generate"); }
void BM_ObjectStreamsDisabled(benchmark::State& state) { read_beside_qpdf(state, "--object-streams=disable"); }

}  // namespace

BENCHMARK(BM_ObjectStreamsGenerated)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjectStreamsDisabled)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
