// The picture resource fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of packed DIBs and icon images of every
// depth.
#include "picture_resource_fuzz_target.h"

#include <cstring>
#include <random>
#include <vector>

#include "platform/gdi/screen_draw.h"
#include "platform/win/win_seams.h"

bool picture_resource_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return false;
  const bool icon = data[0] & 1;
  static const int kDepths[] = {32, 8, 16, 24};
  pk::seams::SetDisplayDepth(kDepths[(data[0] >> 1) & 3]);
  ++data;
  --size;
  // A copy of exactly the resource's bytes, so reads past it are caught.
  std::vector<uint8_t> bytes(data, data + size);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP target = CreateCompatibleBitmap(GetDC(nullptr), 40, 40);
  HGDIOBJ old = SelectObject(dc, target);
  bool made = false;
  if (icon) {
    if (HICON h = pk::gdi::IconFromImage(bytes.data(), bytes.size())) {
      made = DrawIcon(dc, 3, 3, h);
      DestroyIcon(h);
    }
  } else if (HBITMAP bm = pk::gdi::BitmapFromPackedDib(bytes.data(), bytes.size())) {
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ was = SelectObject(src, bm);
    made = BitBlt(dc, -2, -2, 60, 60, src, 1, 1, SRCCOPY);
    SelectObject(src, was);
    DeleteDC(src);
    DeleteObject(bm);
  }
  SelectObject(dc, old);
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
  bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi->bmiHeader.biWidth = 40;
  bi->bmiHeader.biHeight = 40;
  bi->bmiHeader.biBitCount = 8;
  std::vector<uint8_t> rows(40 * 40);
  GetDIBits(dc, target, 0, 40, rows.data(), bi, DIB_RGB_COLORS);
  DeleteObject(target);
  DeleteDC(dc);
  return made;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picture_resource_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(uint8_t(v >> (8 * k)));
}

// A DIB of w x h at `bpp` with a table of `colours` entries and patterned
// bits; `rows` is h, or 2h for an icon image whose mask follows.
std::vector<uint8_t> Dib(int w, int h, int bpp, int colours, bool iconImage, uint32_t compression = 0) {
  std::vector<uint8_t> out;
  Put(out, 40, 4);
  Put(out, uint32_t(w), 4);
  Put(out, uint32_t(iconImage ? 2 * h : h), 4);
  Put(out, 1, 2);
  Put(out, uint32_t(bpp), 2);
  Put(out, compression, 4);
  Put(out, 0, 4);
  Put(out, 0, 4);
  Put(out, 0, 4);
  Put(out, uint32_t(colours), 4);
  Put(out, 0, 4);
  if (compression == 3) {
    Put(out, 0xF800, 4);
    Put(out, 0x07E0, 4);
    Put(out, 0x001F, 4);
  }
  for (int i = 0; i < colours; ++i) Put(out, uint32_t(i * 0x010203), 4);
  const size_t stride = (size_t(w) * bpp + 31) / 32 * 4;
  for (size_t i = 0; i < stride * h; ++i) out.push_back(uint8_t(i * 37));
  if (iconImage)
    for (size_t i = 0; i < (size_t(w) + 31) / 32 * 4 * h; ++i) out.push_back(uint8_t(i * 11));
  return out;
}

}  // namespace

TEST(PictureResourceFuzzTest, FixedBudgetOfRandomAndMutatedPictures) {
  std::mt19937 rng(20261211);
  std::vector<std::vector<uint8_t> > seeds;
  for (bool iconImage : {false, true}) {
    seeds.push_back(Dib(5, 3, 1, 2, iconImage));
    seeds.push_back(Dib(7, 4, 4, 16, iconImage));
    seeds.push_back(Dib(9, 2, 8, 5, iconImage));
    seeds.push_back(Dib(3, 3, 16, 0, iconImage, 3));
    seeds.push_back(Dib(32, 32, 24, 0, iconImage));
    seeds.push_back(Dib(2, 2, 32, 0, iconImage));
  }
  int made = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::vector<uint8_t>& seed = seeds[rng() % seeds.size()];
    const bool iconImage = (&seed - seeds.data()) >= 6;
    std::vector<uint8_t> input{uint8_t((rng() & 6) | (iconImage ? 1 : 0))};
    input.insert(input.end(), seed.begin(), seed.end());
    if (round % 10 == 0) {
      input.resize(1 + rng() % 80);
      for (size_t i = 1; i < input.size(); ++i) input[i] = uint8_t(rng());
    } else if (round % 3) {
      for (int k = 1 + rng() % 4; k > 0; --k) input[1 + rng() % (input.size() - 1)] = uint8_t(rng());
    }
    if (rng() % 4 == 0) input.resize(1 + rng() % input.size());
    made += picture_resource_fuzz_one(input.data(), input.size());
  }
  EXPECT_GT(made, 300);
  EXPECT_EQ(pk::seams::LiveBitmaps(), 0u);
  EXPECT_EQ(pk::seams::LiveMemoryDcs(), 0u);
  EXPECT_EQ(pk::seams::LiveIcons(), 0u);
}
#endif
