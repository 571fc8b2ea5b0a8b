// Composing canvases: background alone, pastes at 1.0, skipped objects, the
// first paint's depth, masked colours, canvas ownership, the decoder table,
// refused magnifications, and the canvas model's own rules.
#include <gtest/gtest.h>

#include <cmath>

#include "mrc_support.h"
#include "raster/codecs/rst_byte_decode.h"
#include "raster/codecs/rst_pack_bits.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/geometry/rst_decode_rle.h"

namespace {

class Compose : public MrcTest {};

RstMRCCanvas::ConstantColor gray8(uint8_t v) { return {{v}, RstColorType::default_gray(), 8}; }

RstMRCCanvas::Rect rect(uint32_t l, uint32_t t, uint32_t w, uint32_t h) { return {l, l + w - 1, t, t + h - 1}; }

// An unmasked image that counts its destruction.
struct CountedImage : RstMRCCanvas::UnmaskedImage {
  CountedImage(RstRead* image, const RstMRCCanvas::Rect& r, int* gone) : UnmaskedImage(image, r), gone(gone) {}
  ~CountedImage() override { ++*gone; }
  int* gone;
};

std::vector<uint8_t> ramp(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + 3);
  return v;
}

}  // namespace

TEST_F(Compose, EmptyCanvasGivesTheBackgroundAlone) {
  Page p = compose(RstMRCCanvas::create(37, 23, gray8(200)), 1.0, *std::make_unique<RstScale::NearestNeighbor>());
  ASSERT_EQ(p.lines.size(), 23u);
  EXPECT_EQ(p.header.width, 37);
  for (const auto& l : p.lines) EXPECT_EQ(l, std::vector<uint8_t>(37, 200));
}

TEST_F(Compose, WholeCanvasObjectIsPastedUnscaled) {
  std::vector<uint8_t> pixels = ramp(12 * 5);
  RstMRCCanvas* c = RstMRCCanvas::create(12, 5, gray8(255));
  c->append(
      RstMRCCanvas::UnmaskedImage::create(raw_source(pixels, 12, 5, 8, 1, RstColorType::s_gray()), rect(0, 0, 12, 5)));
  RstScale::NearestNeighbor nn;
  Page p = compose(c, 1.0, nn);
  ASSERT_EQ(p.lines.size(), 5u);
  for (int y = 0; y < 5; ++y)
    EXPECT_EQ(p.lines[size_t(y)], std::vector<uint8_t>(pixels.begin() + y * 12, pixels.begin() + y * 12 + 12));
}

TEST_F(Compose, ObjectRoundingToNothingIsSkipped) {
  std::vector<uint8_t> dark(4, 10), mid(100, 90);
  RstMRCCanvas* c = RstMRCCanvas::create(10, 10, gray8(255));
  // At 0.2 the first object is 0.4 pixels wide: skipped; the second covers
  // the 2 x 2 page.
  c->append(
      RstMRCCanvas::UnmaskedImage::create(raw_source(dark, 2, 2, 8, 1, RstColorType::s_gray()), rect(0, 0, 2, 2)));
  c->append(
      RstMRCCanvas::UnmaskedImage::create(raw_source(mid, 10, 10, 8, 1, RstColorType::s_gray()), rect(0, 0, 10, 10)));
  RstScale::NearestNeighbor nn;
  Page p = compose(c, 0.2, nn);
  ASSERT_EQ(p.lines.size(), 2u);
  for (const auto& l : p.lines) EXPECT_EQ(l, std::vector<uint8_t>(2, 90));
}

TEST_F(Compose, FirstBilevelImageThresholdsTheWhiteBackground) {
  // One black pixel (1 = black) in a 8 x 2 bilevel image at (4, 1).
  std::vector<uint8_t> bits = {0x80, 0x00};
  RstMRCCanvas* c = RstMRCCanvas::create(16, 4, gray8(255));
  c->append(RstMRCCanvas::UnmaskedImage::create(raw_source(bits, 8, 2, 1, 1, RstColorType::s_gray_reverse()),
                                                rect(4, 1, 8, 2)));
  RstScale::NearestNeighbor nn;
  Page p = compose(c, 1.0, nn);
  ASSERT_EQ(p.lines.size(), 4u);
  EXPECT_EQ(p.header.bits_per_sample, 1);
  EXPECT_EQ(p.header.color_type, RstColorType::s_gray_reverse());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 16; ++x) EXPECT_EQ(p.at(x, y), x == 4 && y == 1 ? 1 : 0) << x << "," << y;
}

TEST_F(Compose, MaskedColourPaintsOnlyTheSetBits) {
  std::vector<uint8_t> base = ramp(8 * 3), mask = {0xA5, 0x0F, 0xF0};
  RstMRCCanvas* c = RstMRCCanvas::create(8, 3, gray8(255));
  c->append(
      RstMRCCanvas::UnmaskedImage::create(raw_source(base, 8, 3, 8, 1, RstColorType::s_gray()), rect(0, 0, 8, 3)));
  c->append(RstMRCCanvas::MaskedColor::create(gray8(7), raw_source(mask, 8, 3, 1, 1, RstColorType::s_gray()),
                                              rect(0, 0, 8, 3)));
  RstScale::NearestNeighbor nn;
  Page p = compose(c, 1.0, nn);
  ASSERT_EQ(p.lines.size(), 3u);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 8; ++x) {
      bool set = (mask[size_t(y)] >> (7 - x)) & 1;
      EXPECT_EQ(p.at(x, y), set ? 7 : base[size_t(y * 8 + x)]) << x << "," << y;
    }
}

TEST_F(Compose, PageNodeOwnsTheCanvasAFailedOneLeavesIt) {
  int gone = 0;
  std::vector<uint8_t> pixels(16, 1);
  RstMRCCanvas* c = RstMRCCanvas::create(4, 4, gray8(255));
  c->append(new CountedImage(raw_source(pixels, 4, 4, 8, 1, RstColorType::s_gray()), rect(0, 0, 4, 4), &gone));
  RstScale::NearestNeighbor nn;
  RstComposeMRCCanvas* page = RstComposeMRCCanvas::create(c, 1.0, nn);
  ASSERT_TRUE(page);
  EXPECT_TRUE(page->owns_canvas());
  EXPECT_EQ(gone, 0);
  page->end();
  EXPECT_EQ(gone, 1);

  // An object of a data form without decoder: the composition fails and the
  // canvas stays the caller's, whole.
  std::vector<uint8_t> code(32, 0);
  ByteArrayInputStorage storage(code);
  RstHeader h;
  h.width = 4;
  h.height = 4;
  h.bits_per_sample = 1;
  h.samples_per_pixel = 1;
  h.data_form = RstDataForm::jpeg2000;
  h.color_type = RstColorType::s_gray();
  gone = 0;
  c = RstMRCCanvas::create(4, 4, gray8(255));
  c->append(new CountedImage(RstReadCode::create(&storage, h, 32, false), rect(0, 0, 4, 4), &gone));
  EXPECT_EQ(RstComposeMRCCanvas::create(c, 1.0, nn), nullptr);
  EXPECT_EQ(status.errors().front(), (RstReport{-50, "RstComposeMRCCanvas::MRCObjectVisitor::decode()"}));
  EXPECT_EQ(status.errors().back(), (RstReport{-1, "RstComposeMRCCanvas::create()"}));
  EXPECT_EQ(gone, 0);
  ASSERT_EQ(c->objects().size(), 1u);
  delete c;
  EXPECT_EQ(gone, 1);
}

TEST_F(Compose, DecoderByDataForm) {
  std::vector<uint8_t> code(64, 0);
  struct Row {
    int32_t form;
    bool (*is)(RstRead*);
  };
  auto rle_top = [](RstRead* n) { return dynamic_cast<RstDecodeRLE*>(n) != nullptr; };
  const Row rows[] = {
      {RstDataForm::raw, nullptr},
      {RstDataForm::mh, rle_top},
      {RstDataForm::mr, rle_top},
      {RstDataForm::mmr, rle_top},
      {RstDataForm::byte_encode, [](RstRead* n) { return dynamic_cast<RstByteDecode*>(n) != nullptr; }},
      {RstDataForm::packbits, [](RstRead* n) { return dynamic_cast<RstUnPackBits*>(n) != nullptr; }},
      {RstDataForm::rle, rle_top},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.form);
    ByteArrayInputStorage storage(code);
    RstHeader h;
    h.width = 8;
    h.height = 2;
    h.bits_per_sample = 1;
    h.samples_per_pixel = 1;
    h.data_form = r.form;
    h.color_type = RstColorType::s_gray();
    RstRead* source = r.form == RstDataForm::raw ? RstReadRawFromByteArray::create(code.data(), h, 1, false, false)
                                                 : RstReadCode::create(&storage, h, 64, false);
    ASSERT_TRUE(source);
    RstRead* node = source;
    EXPECT_TRUE(RstComposeMRCCanvas::MRCObjectVisitor::decode(node));
    if (r.is) {
      EXPECT_NE(node, source);
      EXPECT_TRUE(r.is(node));
    } else {
      EXPECT_EQ(node, source);
    }
    node->end();
  }
  // Forms without a decoder.
  for (int32_t form : {5, 7, 8, 11, 13}) {
    status.clear();
    ByteArrayInputStorage storage(code);
    RstHeader h;
    h.width = 8;
    h.height = 2;
    h.bits_per_sample = 1;
    h.samples_per_pixel = 1;
    h.data_form = form;
    RstRead* node = RstReadCode::create(&storage, h, 64, false);
    RstRead* before = node;
    EXPECT_FALSE(RstComposeMRCCanvas::MRCObjectVisitor::decode(node));
    EXPECT_EQ(node, before);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstComposeMRCCanvas::MRCObjectVisitor::decode()"}}));
    node->end();
  }
}

TEST_F(Compose, RefusedSizesAndMagnifications) {
  RstScale::NearestNeighbor nn;
  std::unique_ptr<RstMRCCanvas> c(RstMRCCanvas::create(100, 80, gray8(255)));
  for (double m : {0.0, -1.0, 1e12, 0.001, std::nan("")}) {
    SCOPED_TRACE(m);
    status.clear();
    EXPECT_EQ(RstComposeMRCCanvas::create(c.get(), m, nn), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstComposeMRCCanvas::create()"}}));
  }
  status.clear();
  EXPECT_EQ(RstComposeMRCCanvas::create(nullptr, 10, 10, nn), nullptr);
  EXPECT_EQ(RstComposeMRCCanvas::create(c.get(), 0, 10, nn), nullptr);
  EXPECT_EQ(status.errors().size(), 2u);
  // An object whose pixels or target dwarf the page is refused, not ground
  // through line by line.
  for (bool huge_source : {false, true}) {
    SCOPED_TRACE(huge_source);
    status.clear();
    std::vector<uint8_t> code(64, 0);
    ByteArrayInputStorage storage(code);
    RstHeader h;
    h.width = huge_source ? 268435464 : 8;
    h.height = 8;
    h.bits_per_sample = 1;
    h.samples_per_pixel = 1;
    h.data_form = RstDataForm::mmr;
    h.color_type = RstColorType::s_gray();
    std::unique_ptr<RstMRCCanvas> big(RstMRCCanvas::create(40, 30, gray8(255)));
    RstMRCCanvas::Rect r = huge_source ? rect(0, 0, 12, 12) : rect(0, 0, 1000000, 1000000);
    big->append(RstMRCCanvas::MaskedColor::create(gray8(0), RstReadCode::create(&storage, h, 64, false), r));
    EXPECT_EQ(RstComposeMRCCanvas::create(big.get(), 0.5, nn), nullptr);
    EXPECT_EQ(status.errors().front(), (RstReport{-3, "RstComposeMRCCanvas::MRCObjectVisitor::scale()"}));
  }
  // The magnification form rounds the canvas size.
  Page p = compose(c.release(), 0.505, nn);
  EXPECT_EQ(p.header.width, 51);
  EXPECT_EQ(p.header.height, 40);
}
