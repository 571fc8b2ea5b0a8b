// DrvTextOut drawing 5,000 glyphs of DejaVu Sans at an em of 50 dots into a
// 5,000-dot band, beside cairo showing the same glyphs of the same FreeType
// face, unantialiased, on an A1 surface of the same size at the same
// baseline points. "x_peer" is ours over cairo's.
#include <benchmark/benchmark.h>
#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_pair.h"
#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/gdi/engine_host.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/model/device_model.h"

namespace {

constexpr int32_t kBand = 5000;
constexpr int kGlyphs = 5000;
constexpr LONG kEm = 50;

// A PDEV of the default printer of a fresh machine root drawing into one
// blank band of kBand x kBand dots.
struct Device {
  std::unique_ptr<PdevState> pdev = std::make_unique<PdevState>();
  std::unique_ptr<JobOutputStream> stream = std::make_unique<JobOutputStream>();
  std::vector<BYTE> settings = std::vector<BYTE>(kPrinterSettingsBlockSize, 0);
  std::vector<BYTE> bits;
  HANDLE printer = nullptr;
  DeviceModel* model = nullptr;
  ColorCounter* counter = nullptr;
  SURFOBJ surface{};
  bool ready = false;

  Device() {
    pk::seams::UseTemporaryMachineRoot();
    if (!OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &printer, nullptr) || !(model = OpenDeviceModel(printer))) return;
    PdevState* p = pdev.get();
    p->signature = p->trailerSignature = kPdevSignature;
    p->printerSettings = settings.data();
    p->printer = printer;
    p->primaryModelFile = model->primary;
    p->secondaryModelFile = model->secondary;
    p->heap = HeapCreate(0, 0, 0);
    if (BuildDefaultSettings(model, &p->devmode, settings.data(), PK_DEFAULT_PRINTER_NAME) != 1) return;
    TiffJobRecord* r = &stream->tiffJob;
    r->bytesPerRow = (kBand + 7) / 8;
    bits.assign(size_t(r->bytesPerRow) * (kBand + 1), 0);
    r->bandBuffer = bits.data();
    r->bandBufferSize = uint32_t(bits.size());
    r->bandBottom = r->bandRows = kBand;
    r->bandRight = r->bandWidth = kBand;
    p->jobOutput = stream.get();
    p->imageStore = CreateImageStore(p, 0);
    if (!p->imageStore || CreateColorConverter(&p->colorConverter, &p->devmode, nullptr, nullptr) != 0 ||
        CreateColorCounter(&counter) != 0) {
      return;
    }
    p->colorCounter = counter;
    surface.dhpdev = reinterpret_cast<DHPDEV>(p);
    ready = true;
  }
  ~Device() {
    PdevState* p = pdev.get();
    if (p->imageStore) FreeImageStore(p->imageStore);
    FreeColorConverter(&p->colorConverter);
    FreeColorCounter(&counter);
    if (p->heap) HeapDestroy(p->heap);
    if (model) CloseDeviceModel(model);
    if (printer) ClosePrinter(printer);
  }
};

void BM_TextOut(benchmark::State& state) {
  Device device;
  pkgdi::FontRequest request;
  request.emDots = kEm;
  FONTOBJ* font = pkgdi::CreateTrueTypeFont(request);
  if (!device.ready || !font) {
    state.SkipWithError("no default printer or DejaVu Sans");
    if (font) pkgdi::DeleteFont(font);
    return;
  }
  // 50 lines of 100 letters, 48 dots apart, lines 95 dots apart.
  std::vector<pkgdi::StringGlyph> glyphs;
  std::u16string text;
  std::vector<cairo_glyph_t> cairoGlyphs;
  for (int i = 0; i < kGlyphs; ++i) {
    const char16_t ch = char16_t(u'a' + i % 26);
    const POINTL at{20 + (i % 100) * 48, 60 + (i / 100) * 95};
    const HGLYPH hg = pkgdi::FontGlyphIndex(font, ch);
    glyphs.push_back(pkgdi::StringGlyph{hg, at});
    text += ch;
    cairoGlyphs.push_back(cairo_glyph_t{hg, double(at.x), double(at.y)});
  }
  STROBJ* string = pkgdi::CreateString(font, glyphs, text, SO_HORIZONTAL, 0, RECTL{0, 0, kBand, kBand}, 0);
  BRUSHOBJ* black = pkgdi::CreateSolidBrush(0x000000);
  POINTL origin{0, 0};

  FT_Library library = nullptr;
  FT_Face face = nullptr;
  const std::string path = pkgdi::FontFolder() + "/DejaVuSans.ttf";
  FT_Init_FreeType(&library);
  FT_New_Face(library, path.c_str(), 0, &face);
  cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(face, 0);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A1, kBand, kBand);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
  cairo_set_font_options(cr, options);
  cairo_set_font_face(cr, cairoFace);
  cairo_set_font_size(cr, kEm);

  const BOOL drawn =
      DrvTextOut(&device.surface, string, font, nullptr, nullptr, nullptr, black, nullptr, &origin, 0x0D0D);
  if (!drawn) state.SkipWithError("DrvTextOut failed");
  if (drawn)
    run_pair(
        state,
        [&] {
          benchmark::DoNotOptimize(
              DrvTextOut(&device.surface, string, font, nullptr, nullptr, nullptr, black, nullptr, &origin, 0x0D0D));
        },
        [&] {
          cairo_show_glyphs(cr, cairoGlyphs.data(), int(cairoGlyphs.size()));
          cairo_surface_flush(surface);
        });

  cairo_font_options_destroy(options);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  cairo_font_face_destroy(cairoFace);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  pkgdi::DeleteBrush(black);
  pkgdi::DeleteString(string);
  pkgdi::DeleteFont(font);
}

}  // namespace

BENCHMARK(BM_TextOut)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
