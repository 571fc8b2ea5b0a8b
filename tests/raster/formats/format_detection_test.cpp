// Format detection: page counts, the TIFF enable, the storage position kept
// or probed from, unrecognised data, argument checks, and pages refused for a
// step the library does not have yet.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "page_support.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_raster.h"

namespace {

class FormatDetection : public PageTest {
 protected:
  void SetUp() override {
    rows = bilevel_rows(24, 6);
    std::vector<PageSpec> pages;
    for (int i = 0; i < 4; ++i) pages.push_back(g4_page(24, rows, 4));
    four = pages_file(pages);
    one = pages_file({g4_page(24, rows, 4)});
  }
  Rows rows;
  std::vector<uint8_t> four, one;
};

TEST_F(FormatDetection, TiffPagesAreCountedAndDescribed) {
  ByteArrayInputStorage in(four.data(), int32_t(four.size()));
  std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 3));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->format.code, RstImageFormat::tiff);
  EXPECT_EQ(info->width, 24);
  EXPECT_EQ(info->height, 6);
  EXPECT_EQ(info->x_resolution, 200);
  EXPECT_EQ(info->y_resolution, 200);
  EXPECT_EQ(info->page_count(), 4u);
  EXPECT_EQ(info->page_count(), 4u);
  RstOwner<RstRead> page(RstReadRaster::create(&in, 4));
  ASSERT_TRUE(page);
  EXPECT_TRUE(read_lines(page.get(), 3) == rows);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(FormatDetection, TiffDisabledIsNotReported) {
  set_enable(RstFormatEnables::tiff, 0);
  ByteArrayInputStorage in(one.data(), int32_t(one.size()));
  EXPECT_EQ(RstImageInfo::create(&in, 1), nullptr);
  EXPECT_EQ(RstReadRaster::create(&in, 1), nullptr);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(FormatDetection, StoragePositionKeptOrProbedFrom) {
  ByteArrayInputStorage in(one.data(), int32_t(one.size()));
  ASSERT_EQ(in.seek(10), 10);
  std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
  ASSERT_TRUE(info);
  EXPECT_EQ(in.tell(), 10);
  EXPECT_EQ(info->page_count(), 1u);
  EXPECT_EQ(in.tell(), 10);
  // The reader probes from the position: no TIFF header there.
  EXPECT_EQ(RstReadRaster::create(&in, 1), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-12, "RstReadRaster::create()"}}));
  EXPECT_EQ(in.tell(), 10);
}

TEST_F(FormatDetection, UnrecognisedDataAndBadArguments) {
  std::vector<uint8_t> noise(300);
  std::mt19937 random(5);
  for (uint8_t& b : noise) b = uint8_t(random());
  ByteArrayInputStorage junk(noise.data(), int32_t(noise.size()));
  ByteArrayInputStorage tiff(one.data(), int32_t(one.size()));
  ByteArrayInputStorage closed(one.data(), int32_t(one.size()));
  closed.close();
  struct Case {
    const char* name;
    std::function<bool()> call;  // true when something was made
    std::vector<RstReport> reports;
  } cases[] = {
      {"info of random bytes",
       [&] { return std::unique_ptr<RstImageInfo>(RstImageInfo::create(&junk, 1)) != nullptr; },
       {}},
      {"reader of random bytes",
       [&] { return RstReadRaster::create(&junk, 1) != nullptr; },
       {{-12, "RstReadRaster::create()"}}},
      {"info of page 2 of one",
       [&] { return std::unique_ptr<RstImageInfo>(RstImageInfo::create(&tiff, 2)) != nullptr; },
       {}},
      {"info of page 0", [&] { return RstImageInfo::create(&tiff, 0) != nullptr; }, {{-2, "RstImageInfo::create()"}}},
      {"info without storage",
       [&] { return RstImageInfo::create(nullptr, 1) != nullptr; },
       {{-2, "RstImageInfo::create()"}}},
      {"info of a closed storage",
       [&] { return RstImageInfo::create(&closed, 1) != nullptr; },
       {{-2, "RstImageInfo::create()"}}},
      {"reader of page 0",
       [&] { return RstReadRaster::create(&tiff, 0) != nullptr; },
       {{-2, "RstReadRaster::create()"}}},
      {"reader without storage",
       [&] { return RstReadRaster::create(nullptr, 1) != nullptr; },
       {{-2, "RstReadRaster::create()"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    junk.rewind();
    tiff.rewind();
    EXPECT_FALSE(c.call());
    EXPECT_EQ(status.messages(), c.reports);
  }
}

TEST_F(FormatDetection, DecodeValuesNeedTheRangeCreator) {
  std::vector<uint8_t> bytes =
      strip_file(with(page_entries(8, 2, 8, 1, 1, 1, 2), {TiffEntry::typed(433, 10, {0, 1, 100, 1})}),
                 {std::vector<uint8_t>(16, 7)});
  ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
  rst_format_creators().convert_lab_range = nullptr;
  EXPECT_EQ(RstReadRaster::create(&in, 1), nullptr);
  EXPECT_TRUE(reported(-50, "RstReadRaster::create()"));
  rst_register_color_creators();
}

// An observer that throws as the default one does.
struct Throwing : RstObserver {
  void notify(void*, const int32_t* code, const char*) override { throw RstStatus(*code); }
};

TEST_F(FormatDetection, ThrowingReportsLeaveThePositionAndNoLeak) {
  // A TIFF whose first page has no length and no strips: its error report throws.
  TiffBuilder b;
  b.add_ifd({TiffEntry::longs(256, {8}), TiffEntry::longs(257, {0})});
  std::vector<uint8_t> broken = b.bytes;
  ByteArrayInputStorage in(broken.data(), int32_t(broken.size()));
  Throwing throwing;
  RstObserver* old = RstStatusContext::instance()->set_observer(&throwing);
  in.seek(6);
  bool thrown = false;
  try {
    delete RstImageInfo::create(&in, 1);
  } catch (const RstStatus&) {
    thrown = true;
  }
  EXPECT_EQ(in.tell(), 6);
  try {
    RstRead* r = RstReadRaster::create(&in, 1);
    if (r) r->end();
  } catch (const RstStatus&) {
    thrown = true;
  }
  RstStatusContext::instance()->set_observer(old);
  EXPECT_TRUE(thrown);
  EXPECT_EQ(in.tell(), 6);
}

}  // namespace
