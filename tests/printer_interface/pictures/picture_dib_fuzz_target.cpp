// The packed-bitmap fuzz entry, and the fixed-budget run of it in the test
// program.
#include "picture_dib_fuzz_target.h"

#include <cstring>
#include <vector>

#include "platform/gdi/screen_draw.h"
#include "platform/ui/win_window.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"
#include "printer_interface/pages/preview_controls.h"

namespace {

HWND g_control = nullptr;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

bool picture_dib_fuzz_setup() {
  g_control = CreateWindowExW(0, u"Static", u"", WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
  return g_control != nullptr;
}

void picture_dib_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return;
  pk::seams::SetDisplayDepth((data[0] & 1) ? 8 : 32);
  const SIZE_T bitmaps = pk::seams::LiveBitmaps(), palettes = pk::seams::LivePalettes(),
               dcs = pk::seams::LiveMemoryDcs(), blocks = pk::seams::GlobalLiveBlocks();
  // The record's bytes in a block of their own size, as the model hands them out.
  const size_t n = size - 1;
  auto* dib = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, n ? n : 1));
  Check(dib != nullptr);
  if (n) std::memcpy(dib, data + 1, n);
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
  HPALETTE palette = nullptr;
  HBITMAP bitmap =
      n >= sizeof(BITMAPINFOHEADER) ? CreateBitmapFromPackedDib(g_control, header, DWORD(n), &palette) : nullptr;
  if (HPALETTE other = n >= sizeof(BITMAPINFOHEADER) ? CreateDibPalette(header, DWORD(n)) : nullptr) {
    Check(GetPaletteEntries(other, 0, 0, nullptr) <= 256);
    DeleteObject(other);
  }
  if (bitmap) {
    BITMAP info{};
    Check(GetObjectW(bitmap, sizeof info, &info) != 0);
    if (info.bmWidth <= 256 && info.bmHeight <= 256) {
      HDC dc = CreateCompatibleDC(nullptr);
      HBITMAP target = CreateCompatibleBitmap(dc, 32, 32);
      HGDIOBJ old = SelectObject(dc, target);
      PictureEntry entry{bitmap, -3, 2};
      DrawPictureEntry(nullptr, dc, &entry, palette, TRUE);
      SelectObject(dc, old);
      DeleteObject(target);
      DeleteDC(dc);
    }
    DeleteObject(bitmap);
  }
  if (palette) DeleteObject(palette);
  GlobalFree(dib);
  Check(pk::seams::LiveBitmaps() == bitmaps && pk::seams::LivePalettes() == palettes &&
        pk::seams::LiveMemoryDcs() == dcs && pk::seams::GlobalLiveBlocks() == blocks);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(picture_dib_fuzz_setup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picture_dib_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

// A packed DIB of bits per pixel `bpp` and `colours` table entries, 5 x 3.
std::vector<uint8_t> Seed(uint8_t selector, uint16_t bpp, uint32_t colours) {
  std::vector<uint8_t> b = {selector};
  auto put = [&](uint32_t v, int k) {
    for (int i = 0; i < k; ++i) b.push_back(uint8_t(v >> (8 * i)));
  };
  put(40, 4), put(5, 4), put(3, 4), put(1, 2), put(bpp, 2), put(0, 4), put(0, 4), put(0, 4), put(0, 4), put(colours, 4),
      put(0, 4);
  const uint32_t table = bpp <= 8 ? (colours ? colours : 1u << bpp) : 0;
  for (uint32_t k = 0; k < table; ++k) put(k * 0x010203u | (k % 3 == 0 ? 0xFF00FF : 0), 4);
  const size_t stride = ((5 * bpp + 31) / 32) * 4;
  for (size_t k = 0; k < stride * 3; ++k) b.push_back(uint8_t(k * 37));
  return b;
}

TEST(PictureDibFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(picture_dib_fuzz_setup());
  const std::vector<std::vector<uint8_t> > seeds = {Seed(0, 24, 0), Seed(1, 8, 16), Seed(0, 8, 0), Seed(1, 4, 0),
                                                    Seed(0, 1, 2)};
  for (const auto& seed : seeds) picture_dib_fuzz_one(seed.data(), seed.size());
  std::mt19937 rng(9812);
  for (int iter = 0; iter < 200; ++iter) {
    std::vector<uint8_t> input = seeds[size_t(iter) % seeds.size()];
    if (iter % 5 == 0) input.resize(2 + rng() % (input.size() - 2));
    for (int e = 0; e < 1 + int(rng() % 4); ++e) input[1 + rng() % (input.size() - 1)] = uint8_t(rng());
    if (iter % 7 == 2 && input.size() > 33) input[33] = uint8_t(rng());  // biClrUsed
    picture_dib_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
