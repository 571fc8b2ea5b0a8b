// Source bitmaps into the band: DrvBitBlt hands a source operation to the
// engine's halftoning, captures what comes back through DrvCopyBits and
// replays it with the caller's raster operation; DrvCopyBits outside that
// sequence draws at once; the stretch calls pick the engine's mode. Also the
// row helpers, colour detection and conversion on the way, the image turn
// and the down-scaler behind the capture.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "drawing_fixture.h"
#include "graphics_driver/core/bit_block_transfer.h"
#include "graphics_driver/core/bitmap_calls.h"
#include "graphics_driver/core/rotation_buffer.h"
#include "graphics_driver/core/source_image.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/win/win_error.h"
#include "platform/win/win_seams.h"

namespace {

using pk::test::DrawingTest;

// What the engine handed back through DrvCopyBits: the span mode then and
// the 1-bit rows at their destination.
struct Delivery {
  uint32_t spanMode;
  RECTL dest;
  std::vector<BYTE> bits;  // (width + 7) / 8 bytes a row
};
std::vector<Delivery>* g_deliveries = nullptr;
PdevState* g_pdev = nullptr;

BOOL RecordingCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                       POINTL* pptlSrc) {
  if (g_deliveries && psoSrc && prclDest && psoSrc->iBitmapFormat == BMF_1BPP) {
    Delivery d{g_pdev->jobOutput->work.spanMode, *prclDest, {}};
    const LONG w = prclDest->right - prclDest->left, h = prclDest->bottom - prclDest->top;
    const size_t rowBytes = (size_t(w) + 7) / 8;
    for (LONG y = 0; y < h; ++y) {
      const BYTE* row = static_cast<const BYTE*>(psoSrc->pvScan0) + ptrdiff_t(y) * psoSrc->lDelta;
      d.bits.insert(d.bits.end(), row, row + rowBytes);
    }
    g_deliveries->push_back(d);
  }
  return DrvCopyBits(psoDest, psoSrc, pco, pxlo, prclDest, pptlSrc);
}

class SourceImageTest : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    const DRVFN fns[] = {{INDEX_DrvRealizeBrush, reinterpret_cast<PFN>(&DrvRealizeBrush)},
                         {INDEX_DrvCopyBits, reinterpret_cast<PFN>(&RecordingCopyBits)}};
    device_ = pkgdi::CreateDevice(fns, 2, reinterpret_cast<DHPDEV>(pdev()));
    ASSERT_TRUE(EngAssociateSurface(hsurf_, device_, 0));
    g_deliveries = &deliveries_;
    g_pdev = pdev();
    Grey(0);
  }
  void TearDown() override {
    g_deliveries = nullptr;
    g_pdev = nullptr;
    FreeRotationBuffer(pdev()->rotationBuffer);
    pdev()->rotationBuffer = nullptr;
    pkgdi::DeleteDevice(device_);
    DrawingTest::TearDown();
  }

  // A 24-bit picture: a grey ramp, darker to the right and down.
  SURFOBJ* Ramp(LONG cx, LONG cy) {
    SURFOBJ* s = Bitmap(cx, cy, BMF_24BPP);
    for (LONG y = 0; y < cy; ++y) {
      BYTE* row = static_cast<BYTE*>(s->pvScan0) + ptrdiff_t(y) * s->lDelta;
      for (LONG x = 0; x < cx; ++x) std::memset(row + 3 * x, 255 - (x * 7 + y * 11) % 256, 3);
    }
    return s;
  }
  // A 1-bit source, every bit set, translated white then black (set = ink).
  SURFOBJ* InkBits(LONG cx, LONG cy) {
    SURFOBJ* s = Bitmap(cx, cy, BMF_1BPP);
    std::memset(s->pvScan0, 0xFF, size_t(s->lDelta) * cy);
    return s;
  }
  XLATEOBJ* WhiteBlack() { return Table({0xFFFFFF, 0x000000}); }
  BOOL Copy(SURFOBJ* src, XLATEOBJ* x, RECTL dest, POINTL from = {0, 0}, CLIPOBJ* clip = nullptr) {
    return DrvCopyBits(target_, src, clip, x, &dest, &from);
  }
  BOOL SourceBlt(SURFOBJ* src, RECTL dest, ROP4 rop4, CLIPOBJ* clip = nullptr, BRUSHOBJ* brush = nullptr,
                 XLATEOBJ* x = nullptr, POINTL from = {0, 0}) {
    return DrvBitBlt(target_, src, nullptr, clip, x ? x : KeepXlate(pkgdi::CreateXlateTrivial()), &dest, &from, nullptr,
                     brush, nullptr, rop4);
  }
  // The band as expected after the engine's delivery d (set bit = white) is
  // combined into it by f(band bit, white bit).
  template <typename F>
  void ExpectCombined(const std::vector<BYTE>& before, const Delivery& d, F f) {
    const LONG w = d.dest.right - d.dest.left;
    const size_t rowBytes = (size_t(w) + 7) / 8;
    for (uint32_t y = 0; y < 16; ++y)
      for (uint32_t x = 0; x < 64; ++x) {
        const bool was = (before[y * 8 + x / 8] >> (7 - x % 8)) & 1;
        bool want = was;
        if (LONG(x) >= d.dest.left && LONG(x) < d.dest.right && LONG(y) >= d.dest.top && LONG(y) < d.dest.bottom) {
          const size_t i = size_t(y - d.dest.top) * rowBytes + (x - d.dest.left) / 8;
          want = f(was, (d.bits[i] >> (7 - (x - d.dest.left) % 8)) & 1);
        }
        ASSERT_EQ(Ink(y, x), want) << "dot " << x << "," << y;
      }
  }
  int CountInk(uint32_t rows = 17) {
    int n = 0;
    for (uint32_t y = 0; y < rows; ++y)
      for (uint32_t x = 0; x < 64; ++x) n += Ink(y, x);
    return n;
  }
  void PreInk() {
    for (uint32_t y = 0; y <= 16; ++y)
      for (uint32_t i = 0; i < 8; ++i) Row(y)[i] = BYTE(0x5A ^ (y * 37 + i * 13));
  }
  std::vector<BYTE> BandBytes() { return std::vector<BYTE>(Row(0), Row(0) + 17 * 8); }

  HDEV device_ = nullptr;
  std::vector<Delivery> deliveries_;
};

TEST_F(SourceImageTest, SrcCopyCapturesTheHalftoneAndReplaysIt) {
  SURFOBJ* src = Ramp(16, 8);
  ASSERT_TRUE(SourceBlt(src, RECTL{8, 2, 24, 10}, 0xCCCC));
  // The engine was asked once, in HALFTONE with the driver's adjustment, and
  // delivered while the driver captured.
  const auto stretches = pkgdi::StretchCalls();
  ASSERT_EQ(stretches.size(), 1u);
  EXPECT_EQ(stretches[0].iMode, ULONG(HALFTONE));
  EXPECT_EQ(stretches[0].src.right, 16);
  EXPECT_EQ(stretches[0].src.bottom, 8);
  ASSERT_TRUE(stretches[0].hasColorAdjustment);
  EXPECT_EQ(stretches[0].ca.caSize, 24);
  EXPECT_EQ(stretches[0].ca.caRedGamma, 10000);
  EXPECT_EQ(stretches[0].ca.caReferenceWhite, 10000);
  EXPECT_EQ(stretches[0].ca.caContrast, 0);
  ASSERT_EQ(deliveries_.size(), 1u);
  EXPECT_EQ(deliveries_[0].spanMode, kSpanCapture);
  // Set band bits are the engine's black dots; nothing else changed.
  ExpectCombined(std::vector<BYTE>(17 * 8, 0), deliveries_[0], [](bool, bool white) { return !white; });
  EXPECT_GT(CountInk(), 0);
  EXPECT_EQ(Stream()->work.spanMode, kSpanIdle);
  EXPECT_EQ(Stream()->work.capturedImage, nullptr);
  EXPECT_TRUE(pkgdi::EngineCalls().empty());
}

TEST_F(SourceImageTest, SourceOperationsCombineByTheirBandOperation) {
  struct Case {
    ROP4 rop4;
    bool (*combine)(bool band, bool white);
  };
  const Case cases[] = {
      {0x8888, [](bool b, bool w) { return b || !w; }},  // SRCAND: n o
      {0xEEEE, [](bool b, bool w) { return b && !w; }},  // SRCPAINT: n a
      {0x6666, [](bool b, bool w) { return b != w; }},   // SRCINVERT: i e
      {0x3333, [](bool, bool w) { return w; }},          // NOTSRCCOPY: i c
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rop4);
    deliveries_.clear();
    PreInk();
    const std::vector<BYTE> before = BandBytes();
    ASSERT_TRUE(SourceBlt(Ramp(20, 9), RECTL{5, 3, 25, 12}, c.rop4));
    ASSERT_EQ(deliveries_.size(), 1u);
    ExpectCombined(before, deliveries_[0], c.combine);
    EXPECT_EQ(Stream()->work.capturedImage, nullptr);
  }
}

TEST_F(SourceImageTest, BlackAndWhiteSourceUnderWhiteBrushReplaysInExtraPasses) {
  // The capture as the engine delivers it (set bits white): 8 x 2 dots,
  // left half black. The caller's translation holds black, so the replay
  // inverts it into ink.
  const BYTE rows[2] = {0x0F, 0x0F};
  Stream()->work.spanMode = kSpanCapture;
  SURFOBJ* bw = Bitmap(8, 2, BMF_1BPP);
  for (int y = 0; y < 2; ++y) static_cast<BYTE*>(bw->pvScan0)[y * bw->lDelta] = rows[y];
  ASSERT_TRUE(Copy(bw, WhiteBlack(), RECTL{0, 0, 8, 2}));
  ASSERT_NE(Stream()->work.capturedImage, nullptr);
  Stream()->work.spanMode = kSpanReplay;
  Row(0)[0] = 0x3C;
  Row(1)[0] = 0x3C;
  RECTL target{0, 0, 8, 2};
  POINTL from{0, 0};
  ASSERT_EQ(RenderSourceBlt(pdev(), nullptr, bw, nullptr, SIZEL{8, 2}, &from, nullptr, &target, WhiteBlack(),
                            Solid(0xFFFFFF), nullptr, 2, 0xB8),
            1);
  // OR of the ink, then XOR of it: the source's dots end blank.
  EXPECT_EQ(Row(0)[0], 0x3C & 0x0F);
  EXPECT_EQ(Row(1)[0], 0x3C & 0x0F);
  EXPECT_EQ(Record()->ropPolarity, 1u);
  EXPECT_EQ(Record()->ropOperation, 3u);
  Stream()->work.spanMode = kSpanIdle;
  FreeStreamScratch(Stream());
}

TEST_F(SourceImageTest, DirectCopyOfOneBitSources) {
  // White then black: set bits are ink as they stand.
  ASSERT_TRUE(Copy(InkBits(16, 4), WhiteBlack(), RECTL{0, 0, 16, 4}));
  EXPECT_TRUE(InkedExactly(RECTL{0, 0, 16, 4}));
  // Black then white: inverted before it reaches the band.
  ASSERT_TRUE(Copy(InkBits(16, 4), Table({0x000000, 0xFFFFFF}), RECTL{0, 0, 16, 4}));
  EXPECT_TRUE(BandBlank());
  // A negative source origin narrows the image by the overhang, unshifted.
  ASSERT_TRUE(Copy(InkBits(16, 4), WhiteBlack(), RECTL{0, 0, 16, 4}, POINTL{-5, 0}));
  EXPECT_TRUE(InkedExactly(RECTL{0, 0, 11, 4}));
  // Above the bitmap: one row is left, drawn at the top.
  ASSERT_TRUE(Copy(InkBits(16, 4), WhiteBlack(), RECTL{0, 0, 16, 4}, POINTL{0, -3}));
  EXPECT_TRUE(Ink(0, 15));
  EXPECT_FALSE(Ink(1, 11));
  EXPECT_TRUE(Ink(3, 10));
  std::memset(Row(0), 0, 17 * 8);
  // Past the right or bottom edge nothing is left: nothing drawn, success.
  EXPECT_TRUE(Copy(InkBits(16, 16), WhiteBlack(), RECTL{0, 0, 16, 16}, POINTL{16 + 5, 0}));
  EXPECT_TRUE(Copy(InkBits(16, 16), WhiteBlack(), RECTL{0, 0, 16, 16}, POINTL{0, 16}));
  EXPECT_TRUE(BandBlank());
  EXPECT_EQ(Stream()->work.capturedImage, nullptr);
}

TEST_F(SourceImageTest, EveryClipBatchIsDrawn) {
  // Direct drawing: batches of 50; 51 one-dot rectangles.
  std::vector<RECTL> dots;
  for (LONG i = 0; i < 51; ++i) dots.push_back(RECTL{(i * 5) % 64, (i * 5) / 64, (i * 5) % 64 + 1, (i * 5) / 64 + 1});
  ASSERT_TRUE(Copy(InkBits(64, 16), WhiteBlack(), RECTL{0, 0, 64, 16}, POINTL{0, 0}, Clip(dots)));
  EXPECT_EQ(CountInk(), 51);
  for (const RECTL& d : dots) EXPECT_TRUE(Ink(uint32_t(d.top), uint32_t(d.left)));
  std::memset(Row(0), 0, 17 * 8);

  // The replay: batches of 300; 301 one-dot rectangles of a black image.
  dots.clear();
  for (LONG i = 0; i < 301; ++i) dots.push_back(RECTL{i % 64, i / 64, i % 64 + 1, i / 64 + 1});
  SURFOBJ* black = Bitmap(64, 16, BMF_24BPP);
  ASSERT_TRUE(SourceBlt(black, RECTL{0, 0, 64, 16}, 0xCCCC, Clip(dots)));
  EXPECT_EQ(CountInk(), 301);
  std::memset(Row(0), 0, 17 * 8);

  // One rectangle (DC_RECT).
  CLIPOBJ* one = Clip({RECTL{3, 2, 9, 5}});
  ASSERT_EQ(one->iDComplexity, DC_RECT);
  ASSERT_TRUE(SourceBlt(black, RECTL{0, 0, 64, 16}, 0xCCCC, one));
  EXPECT_TRUE(InkedExactly(RECTL{3, 2, 9, 5}));
}

TEST_F(SourceImageTest, ImageRotationTurnsLargeImagesClockwise) {
  pdev()->rotationBuffer = CreateRotationBuffer();
  pdev()->pipeline.feedRotation = 1;
  StreamWorkArea& work = Stream()->work;
  work.spanMode = kSpanCapture;
  SURFOBJ* src = Bitmap(100, 80, BMF_1BPP);
  // One dot at (3, 5).
  static_cast<BYTE*>(src->pvScan0)[5 * src->lDelta] = 0x10;
  ASSERT_TRUE(Copy(src, WhiteBlack(), RECTL{0, 0, 100, 80}));
  const CapturedImageHeader& h = work.capturedHeader;
  EXPECT_EQ(h.width, 80);
  EXPECT_EQ(h.rows, 100);
  EXPECT_EQ(h.left, 0);
  EXPECT_EQ(h.top, 80.0f);
  EXPECT_EQ(work.capturedImageBytes, 10u * 100);
  // Row 3, column 80 - 1 - 5.
  for (uint32_t i = 0; i < work.capturedImageBytes; ++i)
    EXPECT_EQ(work.capturedImage[i], i == 3 * 10 + 74 / 8 ? BYTE(0x80 >> (74 % 8)) : 0) << i;
  // The placement matrix turns with it: (a, 0, 0, d) -> (0, a, -d, 0).
  EXPECT_EQ(h.matrix[0], 0.0f);
  EXPECT_EQ(h.matrix[1], 1.0f);
  EXPECT_EQ(h.matrix[2], -1.0f);
  EXPECT_EQ(h.matrix[3], 0.0f);
  // 64 dots each way stay as they are.
  ASSERT_TRUE(Copy(Bitmap(64, 64, BMF_1BPP), WhiteBlack(), RECTL{0, 0, 64, 64}));
  EXPECT_EQ(h.width, 64);
  EXPECT_EQ(h.rows, 64);
  EXPECT_EQ(h.top, 0.0f);
  work.spanMode = kSpanIdle;
  FreeStreamScratch(Stream());
}

TEST_F(SourceImageTest, WhatTheDriverDoesNotDrawGoesToTheEngine) {
  // A masked blit: low byte 0xAA keeps the mask, which the engine's stretch
  // does not take.
  SURFOBJ* mask = Bitmap(8, 8, BMF_1BPP);
  RECTL dest{0, 0, 8, 8};
  POINTL at{0, 0};
  ASSERT_TRUE(DrvBitBlt(target_, Ramp(8, 8), mask, nullptr, KeepXlate(pkgdi::CreateXlateTrivial()), &dest, &at, &at,
                        nullptr, nullptr, 0xCCAA));
  // After a failed document start every bitmap call.
  pdev()->ddiFlags |= kDdiDocumentFailed;
  ASSERT_TRUE(SourceBlt(Ramp(8, 8), dest, 0xCCCC));
  ASSERT_TRUE(SourceBlt(Ramp(8, 8), dest, 0x8888));
  const auto calls = pkgdi::EngineCalls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].rop4, 0xCCAAu);
  EXPECT_TRUE(calls[0].hasMask);
  EXPECT_EQ(calls[1].rop4, 0xCCCCu);
  EXPECT_EQ(calls[2].rop4, 0x8888u);
  EXPECT_TRUE(BandBlank());
  EXPECT_EQ(Stream()->work.spanMode, kSpanIdle);
  EXPECT_EQ(Stream()->work.capturedImage, nullptr);
}

TEST_F(SourceImageTest, CopyBitsRoutesAndRefusals) {
  // A 24-bit source goes to the engine cut to the bitmap, the destination
  // shortened alike.
  ASSERT_TRUE(Copy(Ramp(10, 6), KeepXlate(pkgdi::CreateXlateTrivial()), RECTL{4, 2, 14, 8}, POINTL{3, 1}));
  auto stretches = pkgdi::StretchCalls();
  ASSERT_EQ(stretches.size(), 1u);
  EXPECT_EQ(stretches[0].iMode, ULONG(HALFTONE));
  EXPECT_EQ(stretches[0].src.left, 3);
  EXPECT_EQ(stretches[0].src.right, 10);
  EXPECT_EQ(stretches[0].src.bottom, 6);
  EXPECT_EQ(stretches[0].dest.right, 11);
  EXPECT_EQ(stretches[0].dest.bottom, 7);
  ASSERT_EQ(deliveries_.size(), 1u);
  EXPECT_EQ(deliveries_[0].spanMode, kSpanIdle);  // drawn at once
  EXPECT_FALSE(BandBlank());

  // A 1-bit source that is no plain bitmap erases the destination.
  SURFOBJ* device = InkBits(8, 8);
  device->iType = STYPE_DEVBITMAP;
  ASSERT_TRUE(Copy(device, WhiteBlack(), RECTL{0, 0, 8, 8}));
  device->iType = STYPE_BITMAP;
  auto calls = pkgdi::EngineCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].kind, pkgdi::EngineCall::EraseSurface);
  EXPECT_EQ(calls[0].iColor, 0xFFFFFFFFu);

  // A 1-bit source onto a destination that is not the device.
  SURFOBJ* other = Bitmap(8, 8, BMF_1BPP);
  other->dhpdev = reinterpret_cast<DHPDEV>(pdev());
  RECTL r{0, 0, 8, 8};
  POINTL p{0, 0};
  SetLastError(0);
  EXPECT_FALSE(DrvCopyBits(other, InkBits(8, 8), nullptr, WhiteBlack(), &r, &p));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  other->dhpdev = nullptr;

  // Missing arguments, in both branches.
  for (SURFOBJ* src : {InkBits(8, 8), Ramp(8, 8)}) {
    for (int missing = 0; missing < 3; ++missing) {
      SetLastError(0);
      EXPECT_FALSE(DrvCopyBits(target_, missing == 0 ? nullptr : src, nullptr, WhiteBlack(),
                               missing == 1 ? nullptr : &r, missing == 2 ? nullptr : &p))
          << missing;
      EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << missing;
    }
    SetLastError(0);
    EXPECT_FALSE(CopyBitsToDevice(nullptr, src, nullptr, nullptr, &r, &p));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  }
}

TEST_F(SourceImageTest, StretchModesFollowSetting1057) {
  RECTL dest{0, 0, 16, 8}, srcRect{0, 0, 8, 4};
  POINTL org{0, 0};
  struct Case {
    int setting;
    ULONG format;
    ULONG asked, sent;
  };
  const Case cases[] = {
      {0, BMF_24BPP, COLORONCOLOR, HALFTONE},     {0, BMF_1BPP, BLACKONWHITE, HALFTONE},
      {1, BMF_1BPP, HALFTONE, BLACKONWHITE},      {1, BMF_24BPP, HALFTONE, COLORONCOLOR},
      {1, BMF_24BPP, COLORONCOLOR, COLORONCOLOR},
  };
  for (const Case& c : cases) {
    Set(1057, c.setting);
    pkgdi::ClearEngineCalls();
    SURFOBJ* src = c.format == BMF_1BPP ? InkBits(8, 4) : Ramp(8, 4);
    XLATEOBJ* x = c.format == BMF_1BPP ? WhiteBlack() : KeepXlate(pkgdi::CreateXlateTrivial());
    EXPECT_TRUE(DrvStretchBlt(target_, src, nullptr, nullptr, x, nullptr, &org, &dest, &srcRect, nullptr, c.asked));
    const auto stretches = pkgdi::StretchCalls();
    ASSERT_GE(stretches.size(), 1u);
    EXPECT_EQ(stretches[0].iMode, c.sent) << c.setting << " " << c.format << " " << c.asked;
  }
  pkgdi::ClearEngineCalls();
  EXPECT_TRUE(DrvStretchBltROP(target_, Ramp(8, 4), nullptr, nullptr, KeepXlate(pkgdi::CreateXlateTrivial()), nullptr,
                               &org, &dest, &srcRect, nullptr, COLORONCOLOR, nullptr, 0x8888));
  ASSERT_GE(pkgdi::StretchCalls().size(), 1u);
  EXPECT_EQ(pkgdi::StretchCalls()[0].iMode, ULONG(HALFTONE));
  SetLastError(0);
  EXPECT_FALSE(
      DrvStretchBlt(target_, Ramp(8, 4), nullptr, nullptr, nullptr, nullptr, &org, &dest, nullptr, nullptr, HALFTONE));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(DrvStretchBltROP(target_, Ramp(8, 4), nullptr, nullptr, nullptr, nullptr, &org, &dest, nullptr, nullptr,
                                HALFTONE, nullptr, 0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(SourceImageTest, RowHelpers) {
  EXPECT_EQ(ClassifyXlate(nullptr, 24), 0u);
  XLATEOBJ* trivial = KeepXlate(pkgdi::CreateXlateTrivial());
  EXPECT_EQ(ClassifyXlate(trivial, 8), 0u);
  XLATEOBJ* identity = KeepXlate(pkgdi::CreateXlateRgb(PAL_BGR));
  EXPECT_EQ(ClassifyXlate(identity, 24), 2u);
  EXPECT_EQ(ClassifyXlate(identity, 32), 10u);
  // The trivial translation keeps the fourth byte: translated.
  EXPECT_EQ(ClassifyXlate(trivial, 32), 2u);
  EXPECT_EQ(ClassifyXlate(KeepXlate(pkgdi::CreateXlateRgb(PAL_RGB)), 24), 6u);
  XLATEOBJ* bitfields = KeepXlate(pkgdi::CreateXlateBitfields(0x7C00, 0x03E0, 0x001F));
  EXPECT_EQ(ClassifyXlate(bitfields, 16), 2u);

  const BYTE pixel16[2] = {0x00, 0x7C};
  BYTE out[6] = {9, 9, 9, 9, 9, 9};
  ConvertRowTo24(pixel16, out, bitfields, 2, 16, 1);
  EXPECT_EQ(out[0], 0x00);
  EXPECT_EQ(out[1], 0x00);
  EXPECT_EQ(out[2], 0xFF);
  const BYTE rgb[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ConvertRowTo24(rgb, out, nullptr, 6, 32, 2);
  EXPECT_EQ(std::vector<BYTE>(out, out + 6), (std::vector<BYTE>{3, 2, 1, 7, 6, 5}));
  ConvertRowTo24(rgb, out, nullptr, 10, 32, 2);
  EXPECT_EQ(std::vector<BYTE>(out, out + 6), (std::vector<BYTE>{1, 2, 3, 5, 6, 7}));

  const BYTE bits[2] = {0x0F, 0xF0};
  BYTE shifted[2] = {0x55, 0x55};
  ShiftBitsLeft(bits, shifted, 12, 4);
  EXPECT_EQ(shifted[0], 0xFF);
  EXPECT_EQ(shifted[1], 0x00);

  EXPECT_FALSE(IsInvertingXlate(nullptr));
  EXPECT_TRUE(IsInvertingXlate(trivial));
  EXPECT_TRUE(IsInvertingXlate(Table({0xFFFFFF, 0x808080, 0})));
  EXPECT_TRUE(IsInvertingXlate(Table({0, 0xFFFFFF})));
  EXPECT_FALSE(IsInvertingXlate(Table({0xFFFFFF, 0x000001})));
  EXPECT_TRUE(IsBlackWhitePalette(Table({0, 0xFFFFFF})));
  EXPECT_FALSE(IsBlackWhitePalette(Table({0xFFFFFF, 0})));
  EXPECT_FALSE(IsBlackWhitePalette(Table({0, 0xFFFFFF, 0})));

  const struct {
    ULONG format;
    uint32_t bits;
  } formats[] = {{BMF_1BPP, 1},   {BMF_4BPP, 4}, {BMF_8BPP, 8}, {BMF_16BPP, 16}, {BMF_24BPP, 24},
                 {BMF_32BPP, 32}, {BMF_4RLE, 0}, {BMF_8RLE, 0}, {0, 0},          {99, 0}};
  for (const auto& f : formats) EXPECT_EQ(BitsPerPixelOfFormat(f.format), f.bits) << f.format;
}

TEST_F(SourceImageTest, BlackWhiteSourceTest) {
  BRUSHOBJ* white = Solid(0xFFFFFF);
  SURFOBJ* eight = Bitmap(4, 2, BMF_8BPP);
  XLATEOBJ* two = Table({0x000000, 0xFFFFFF});
  static_cast<BYTE*>(eight->pvScan0)[1] = 1;
  EXPECT_EQ(IsBlackWhiteSource(eight, SIZEL{4, 2}, POINTL{0, 0}, two, white, nullptr, 2, 0xB8), 1);
  EXPECT_EQ(IsBlackWhiteSource(eight, SIZEL{4, 2}, POINTL{0, 0}, two, white, nullptr, 2, 0xCC), 0);
  EXPECT_EQ(IsBlackWhiteSource(eight, SIZEL{4, 2}, POINTL{0, 0}, two, nullptr, nullptr, 2, 0xB8), 0);
  // A pixel past the translation's two entries is neither black nor white.
  static_cast<BYTE*>(eight->pvScan0)[2] = 200;
  EXPECT_EQ(IsBlackWhiteSource(eight, SIZEL{4, 2}, POINTL{0, 0}, two, white, nullptr, 2, 0xE2), 0);
  EXPECT_EQ(IsBlackWhiteSource(InkBits(8, 1), SIZEL{8, 1}, POINTL{0, 0}, WhiteBlack(), white, nullptr, 2, 0xB8), 1);
  EXPECT_EQ(IsBlackWhiteSource(InkBits(8, 1), SIZEL{8, 1}, POINTL{0, 0}, Table({0xFFFFFF, 0x808080}), white, nullptr, 2,
                               0xB8),
            0);
  SURFOBJ* rgb = Bitmap(2, 1, BMF_24BPP);
  std::memset(rgb->pvScan0, 0xFF, 3);
  XLATEOBJ* trivial = KeepXlate(pkgdi::CreateXlateTrivial());
  EXPECT_EQ(IsBlackWhiteSource(rgb, SIZEL{2, 1}, POINTL{0, 0}, trivial, white, nullptr, 2, 0xB8), 1);
  static_cast<BYTE*>(rgb->pvScan0)[4] = 0x80;
  EXPECT_EQ(IsBlackWhiteSource(rgb, SIZEL{2, 1}, POINTL{0, 0}, trivial, white, nullptr, 2, 0xB8), 0);
}

TEST_F(SourceImageTest, ColourContentAndGreyConversion) {
  // A page being collected: one blue dot marks it as holding colour.
  PdevPipeline& p = pdev()->pipeline;
  p.pipelineFlags = 0xF;
  p.spoolState = 0x8001 | 0x04;
  p.spoolMode = 1;
  SURFOBJ* src = Bitmap(4, 4, BMF_24BPP);
  std::memset(src->pvScan0, 0xFF, size_t(src->lDelta) * 4);
  BYTE* px = static_cast<BYTE*>(src->pvScan0) + src->lDelta + 3;
  px[0] = 0xFF;  // blue
  px[1] = 0x00;
  px[2] = 0x00;
  StreamWorkArea& work = Stream()->work;
  work.spanMode = kSpanCapture;
  RECTL target{0, 0, 4, 4};
  RECTL copy = target;
  POINTL from{0, 0};
  XLATEOBJ* trivial = KeepXlate(pkgdi::CreateXlateTrivial());
  ASSERT_EQ(
      RenderBlt(target_, src, nullptr, nullptr, trivial, &target, &copy, &from, nullptr, nullptr, nullptr, 0xCCCC), 1);
  EXPECT_EQ(p.spoolMode, 2u);
  EXPECT_EQ(work.capturedHeader.kind, kImageKindRgb);
  EXPECT_EQ(work.capturedImageBytes, 4u * 4 * 3);

  // With the grey setting an RGB source reaches the capture as grey bytes.
  Set(270, 1);
  ASSERT_EQ(
      RenderBlt(target_, src, nullptr, nullptr, trivial, &target, &copy, &from, nullptr, nullptr, nullptr, 0xCCCC), 1);
  EXPECT_EQ(work.capturedHeader.kind, 3);
  EXPECT_EQ(work.capturedImageBytes, 4u * 4);
  work.spanMode = kSpanIdle;
  FreeStreamScratch(Stream());
}

TEST_F(SourceImageTest, LargeImagesShrinkThroughTheScaler) {
  Set(470, 1);
  Set(350, 300);
  Set(20, 600);
  Set(21, 600);
  SURFOBJ* src = Bitmap(1000, 1000, BMF_24BPP);
  for (LONG y = 0; y < 1000; ++y)
    std::memset(static_cast<BYTE*>(src->pvScan0) + ptrdiff_t(y) * src->lDelta, 0x80, 3000);
  StreamWorkArea& work = Stream()->work;
  work.spanMode = kSpanCapture;
  const size_t blocks = pk::seams::GlobalLiveBlocks();
  // The whole picture drawn 100 dots wide: 50 would be a ratio of 20.
  RECTL target{0, 0, 100, 100};
  POINTL from{0, 0};
  ASSERT_EQ(RenderSourceBlt(pdev(), nullptr, src, nullptr, SIZEL{1000, 1000}, &from, nullptr, &target,
                            KeepXlate(pkgdi::CreateXlateTrivial()), nullptr, nullptr, 2, 0xCC),
            1);
  EXPECT_EQ(work.capturedHeader.width, 72);
  EXPECT_EQ(work.capturedHeader.rows, 72);
  EXPECT_EQ(work.capturedImageBytes, 72u * 72 * 3);
  EXPECT_FLOAT_EQ(work.capturedHeader.matrix[0], 0.72f);
  EXPECT_FLOAT_EQ(work.capturedHeader.matrix[3], 0.72f);
  // Averages of a flat picture stay flat.
  EXPECT_EQ(work.capturedImage[0], 0x80);
  EXPECT_EQ(work.capturedImage[72 * 72 * 3 - 1], 0x80);
  // Only the capture is left: the scaler is freed.
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks + 1);
  work.spanMode = kSpanIdle;
  FreeStreamScratch(Stream());
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

}  // namespace
