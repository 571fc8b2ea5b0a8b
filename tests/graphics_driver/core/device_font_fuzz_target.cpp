// The fuzz entry of device font metrics blocks and glyph-set resources, and
// the fixed-budget run of it in the test program. The input is a metrics
// block as a model file's font record carries it: it is parsed for widths,
// built into a device font entry on a private heap, and read as a glyph-set
// resource; every read must stay inside the input and nothing may be left
// allocated. In a clang build configured with -DPK_LIBFUZZER=ON this file is
// the libFuzzer program `device_font_fuzz`.
#include <cstring>
#include <vector>

#include "graphics_driver/core/device_fonts.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void DeviceFontFuzzOne(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return;
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks(), heaps = pk::seams::LiveHeaps();
  // Exactly the input's bytes, so a read past them is seen.
  std::vector<BYTE> block(data, data + size);
  const BYTE* bytes = block.empty() ? nullptr : block.data();
  const uint32_t length = uint32_t(size);

  if (length > 6) {
    DeviceFontRecord font{};
    if (ParseDeviceFontBlock(bytes + 6, &font, length - 6) == 0)
      for (uint32_t code : {0u, 32u, 65u, 255u, 0x100u, 0x3042u, 0xFFFFu}) GetDeviceFontCharWidth(&font, code);
  }

  PdevState pdev{};
  pdev.heap = HeapCreate(0, 8192, 0);
  Check(pdev.heap != nullptr);
  if (DeviceFontEntry* entry = BuildDeviceFontEntry(&pdev, bytes, length)) {
    const IFIMETRICS* m = DeviceFontMetrics(entry);
    Check(entry->ifiOffset + m->cjThis <= entry->totalSize);
    Check(entry->rawOffset + entry->rawLength == entry->totalSize);
    for (uint32_t code : {32u, 128u, 0x2022u})
      if (entry->hasWidthRecord) GetDeviceFontCharWidth(&entry->widthRecord, code);
  }
  if (DeviceFontFace* face = BuildDeviceFontFace(&pdev, bytes, length)) Check(face->faceName[32] == 0);
  HeapDestroy(pdev.heap);

  if (FD_GLYPHSET* set = CopyGlyphSetResource(bytes, length)) {
    // Every run's last handle lies inside the copy (ASan checks the read).
    volatile HGLYPH last = 0;
    for (ULONG r = 0; r < set->cRuns; ++r)
      if (set->awcrun[r].cGlyphs) last = set->awcrun[r].phg[set->awcrun[r].cGlyphs - 1];
    (void)last;
    GlobalFree(set);
  }
  Check(pk::seams::GlobalLiveBlocks() == blocks && pk::seams::LiveHeaps() == heaps);
}

}  // namespace

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DeviceFontFuzzOne(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

#include "models/writer/ddd_writer.h"

namespace {

TEST(DeviceFontFuzz, FixedBudgetRunsClean) {
  ddd::FontMetrics m;
  m.face = "Orvalis Sans";
  m.family = "Orvalis";
  m.id = "1";
  m.first = 32;
  m.last = 40;
  m.widths.assign(9, 500);
  m.kerning = {{65, 86, -80}};
  m.ranges = {{0x100, 0x1FF, 700}};
  m.pairs = {{0x2022, 350}};
  m.arrays = {{0x300, {1, 2, 3}}};
  const ddd::Bytes seed = ddd::BuildFontMetricsBlock(m);
  DeviceFontFuzzOne(seed.data(), seed.size());
  std::mt19937 rng(7303);
  for (int iter = 0; iter < 400; ++iter) {
    std::vector<uint8_t> input(seed);
    if (iter % 5 == 0) input.resize(rng() % input.size());
    const int edits = 1 + int(rng() % 8);
    for (int e = 0; e < edits && !input.empty(); ++e) input[rng() % input.size()] = uint8_t(rng());
    DeviceFontFuzzOne(input.data(), input.size());
  }
}

}  // namespace
#endif
