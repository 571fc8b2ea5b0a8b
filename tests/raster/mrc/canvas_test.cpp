// The canvas model: shared links, clones that outlive their original, the
// failure rows of colours, links and masks, and clones under allocation
// failure.
#include <gtest/gtest.h>

#include "mrc_support.h"

namespace {

class Canvas : public MrcTest {};

RstMRCCanvas::Rect whole(uint32_t w, uint32_t h) { return {0, w - 1, 0, h - 1}; }

std::vector<uint8_t> ramp(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 5 + 1);
  return v;
}

}  // namespace

TEST_F(Canvas, TwoReadersOfOneLinkReadIndependently) {
  std::vector<uint8_t> pixels = ramp(6 * 4);
  RstMRCCanvas::RstLink link(raw_source(pixels, 6, 4, 8, 1, RstColorType::s_gray()));
  RstOwner<RstRead> a(link.reader()), b(link.reader());
  ASSERT_TRUE(a && b);
  std::vector<uint8_t> la(6), lb(6);
  ASSERT_EQ(a->read(la.data()), 6);
  ASSERT_EQ(a->read(la.data()), 6);
  ASSERT_EQ(b->read(lb.data()), 6);
  EXPECT_EQ(la, std::vector<uint8_t>(pixels.begin() + 6, pixels.begin() + 12));
  EXPECT_EQ(lb, std::vector<uint8_t>(pixels.begin(), pixels.begin() + 6));
  // A copy of the link reads the same source from its own start.
  RstMRCCanvas::RstLink copy(link);
  RstOwner<RstRead> c(copy.reader());
  EXPECT_EQ(pull(c.get()).lines.size(), 4u);
}

TEST_F(Canvas, CloneOutlivesItsOriginal) {
  std::vector<uint8_t> pixels = ramp(5 * 3), mask = {0xF8, 0x50, 0x08};
  RstMRCCanvas* original = RstMRCCanvas::create(5, 3, {{255}, RstColorType::default_gray(), 8});
  original->append(
      RstMRCCanvas::UnmaskedImage::create(raw_source(pixels, 5, 3, 8, 1, RstColorType::s_gray()), whole(5, 3)));
  original->append(RstMRCCanvas::MaskedColor::create(
      {{3}, RstColorType::default_gray(), 8}, raw_source(mask, 5, 3, 1, 1, RstColorType::s_gray()), whole(5, 3)));
  RstMRCCanvas* copy = original->clone();
  ASSERT_TRUE(copy);
  ASSERT_EQ(copy->objects().size(), 2u);
  RstScale::NearestNeighbor nn;
  Page from_original = compose(original->clone(), 1.0, nn);
  delete original;
  Page from_copy = compose(copy, 1.0, nn);
  ASSERT_EQ(from_copy.lines.size(), 3u);
  EXPECT_EQ(from_copy.lines, from_original.lines);
  EXPECT_EQ(from_copy.at(0, 0), 3);
  EXPECT_EQ(from_copy.at(0, 1), pixels[5]);
}

TEST_F(Canvas, FailureRows) {
  RstMRCCanvas::ConstantColor({255}, nullptr, 8);
  EXPECT_EQ(status.errors().back(), (RstReport{-2, "RstMRCCanvas::ConstantColor::ConstantColor()"}));
  RstMRCCanvas::ConstantColor few({1, 2}, RstColorType::s_rgb(), 8);
  EXPECT_EQ(few.values.size(), 2u);  // made either way
  RstMRCCanvas::ConstantColor({255}, RstColorType::s_gray(), 0);
  EXPECT_EQ(status.errors().size(), 3u);
  // More values than channels is fine.
  status.clear();
  RstMRCCanvas::ConstantColor more({1, 2, 3, 4}, RstColorType::s_gray(), 8);
  EXPECT_TRUE(status.errors().empty());
  std::vector<uint8_t> mbits(2, 0xFF);
  RstMRCCanvas::MaskedColor* accepted =
      RstMRCCanvas::MaskedColor::create(more, raw_source(mbits, 8, 2, 1, 1, RstColorType::s_gray()), whole(8, 2));
  EXPECT_TRUE(accepted);
  RstMRCCanvas::MRCObject::destroy(accepted);

  RstMRCCanvas::RstLink empty(nullptr);
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(empty.reader(), nullptr);
  EXPECT_EQ(status.errors().back(), (RstReport{-2, "RstMRCCanvas::RstLink::RstLink()"}));

  // An 8-bit mask is refused by both masked kinds; the nodes stay the caller's.
  std::vector<uint8_t> gray(16, 9);
  RstOwner<RstRead> image(raw_source(gray, 4, 4, 8, 1, RstColorType::s_gray()));
  RstOwner<RstRead> mask(raw_source(gray, 4, 4, 8, 1, RstColorType::s_gray()));
  EXPECT_EQ(RstMRCCanvas::MaskedImage::create(image.get(), mask.get(), whole(4, 4)), nullptr);
  EXPECT_EQ(status.errors().back(), (RstReport{-3, "RstMRCCanvas::MaskedImage::create()"}));
  EXPECT_EQ(RstMRCCanvas::MaskedColor::create(more, mask.get(), whole(4, 4)), nullptr);
  EXPECT_EQ(status.errors().back(), (RstReport{-3, "RstMRCCanvas::MaskedColor::create()"}));

  // Allocation failures of the canvas and its copy.
  RstMRCCanvas::ConstantColor white({255}, RstColorType::s_gray(), 8);
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(RstMRCCanvas::create(4, 4, white), nullptr);
  EXPECT_EQ(status.errors().back(), (RstReport{-1, "RstMRCCanvas::create()"}));
  std::unique_ptr<RstMRCCanvas> c(RstMRCCanvas::create(4, 4, white));
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(c->clone(), nullptr);
  EXPECT_EQ(status.errors().back(), (RstReport{-1, "RstMRCCanvas::clone()"}));
}

TEST_F(Canvas, CloneUnderAllocationFailureReturnsNoneAndLeaksNothing) {
  std::vector<uint8_t> pixels = ramp(16), mask(2, 0xF0);
  std::unique_ptr<RstMRCCanvas> c(RstMRCCanvas::create(8, 2, {{255}, RstColorType::s_gray(), 8}));
  for (int i = 0; i < 3; ++i) {
    c->append(RstMRCCanvas::MaskedImage::create(raw_source(pixels, 8, 2, 8, 1, RstColorType::s_gray()),
                                                raw_source(mask, 8, 2, 1, 1, RstColorType::s_gray()), whole(8, 2)));
  }
  ASSERT_EQ(c->objects().size(), 3u);
  // Every allocation of the copy in turn fails; each copy is whole or none.
  int failed = 0;
  for (int n = 1; n < 40; ++n) {
    status.clear();
    RstAllocFault::fail_nth(n);
    std::unique_ptr<RstMRCCanvas> copy(c->clone());
    RstAllocFault::clear();
    if (!copy) {
      ++failed;
      EXPECT_FALSE(status.errors().empty());
      continue;
    }
    EXPECT_EQ(copy->objects().size(), 3u);
  }
  EXPECT_GT(failed, 3);
  // The original still composes.
  RstScale::NearestNeighbor nn;
  Page p = compose(c.release(), 1.0, nn);
  ASSERT_EQ(p.lines.size(), 2u);
  EXPECT_EQ(p.at(0, 0), pixels[0]);
  EXPECT_EQ(p.at(7, 1), 255);
}
