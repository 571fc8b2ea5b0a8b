// The TIFF page entry: the format enables, page numbers, run lines kept or
// painted, 1-bit colour widened, pages refused until their reading steps
// exist, and the argument checks.
#include <gtest/gtest.h>

#include <memory>

#include "page_support.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_tiff.h"

namespace {

struct HeaderRelease {
  void operator()(RstReadTIFFHeader* h) const { rst_release(h); }
};
using Header = std::unique_ptr<RstReadTIFFHeader, HeaderRelease>;

class ReadTIFFPage : public PageTest {
 protected:
  // Three pages: JBIG (no decoder needed to be refused), G4, G4.
  void SetUp() override {
    rows = bilevel_rows(32, 10);
    bytes = pages_file({{page_entries(32, 10, 1, 1, 0, 9, 10), {std::vector<uint8_t>(20, 0)}},
                        g4_page(32, rows, 4),
                        g4_page(32, bilevel_rows(32, 6, 3), 6)});
    in = std::make_unique<ByteArrayInputStorage>(bytes.data(), int32_t(bytes.size()));
  }
  // Probes read from the storage's position: each starts at the file's start.
  RstReadTIFFHeader* page_header(uint32_t page) {
    in->rewind();
    return RstReadTIFF::private_header(in.get(), page, 3);
  }
  Rows rows;
  std::vector<uint8_t> bytes;
  std::unique_ptr<ByteArrayInputStorage> in;
};

TEST_F(ReadTIFFPage, TiffDisabledGivesNothingSilently) {
  set_enable(RstFormatEnables::tiff, 0);
  EXPECT_EQ(page_header(2), nullptr);
  EXPECT_EQ((in->rewind(), RstReadTIFF::private_header(in.get(), 3)), nullptr);
  EXPECT_EQ((in->rewind(), RstReadTIFF::create(in.get(), nullptr, false)), nullptr);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(ReadTIFFPage, JbigDisabledRefusesOnlyJbigPages) {
  set_enable(RstFormatEnables::tiff_jbig, 0);
  EXPECT_EQ(page_header(1), nullptr);
  EXPECT_TRUE(status.errors().empty());
  Header g4(page_header(2));
  ASSERT_TRUE(g4);
  RstOwner<RstRead> page(RstReadTIFF::create(in.get(), g4.get(), false));
  ASSERT_TRUE(page);
  EXPECT_TRUE(read_lines(page.get(), 4) == rows);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ReadTIFFPage, PageNumbers) {
  status.clear();
  EXPECT_EQ(page_header(5), nullptr);
  EXPECT_TRUE(status.messages().empty());
  // Page 0: the first page with every page chained to it.
  Header first(page_header(0));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->compression.value(), 9u);
  int pages = 1;
  for (RstReadTIFFHeaderBase* p = first->next_page; p; p = p->next_page) ++pages;
  EXPECT_EQ(pages, 3);
  Header third(page_header(3));
  ASSERT_TRUE(third);
  EXPECT_EQ(third->image_length, 6u);
  EXPECT_EQ(third->next_page, nullptr);
}

TEST_F(ReadTIFFPage, RunLinesKeptOrPainted) {
  Header g4(page_header(2));
  ASSERT_TRUE(g4);
  RstOwner<RstRead> runs(RstReadTIFF::create(in.get(), g4.get(), true));
  ASSERT_TRUE(runs);
  EXPECT_EQ(RstHeader(runs.get()).data_form, RstDataForm::rle);
  RstOwner<RstRead> painted(RstReadTIFF::create(in.get(), g4.get(), false));
  ASSERT_TRUE(painted);
  RstHeader h(painted.get());
  EXPECT_EQ(h.data_form, RstDataForm::raw);
  EXPECT_EQ(h.bits_per_sample, 1);
  EXPECT_EQ(h.color_type, RstColorType::default_gray_reverse());
  EXPECT_TRUE(read_lines(painted.get(), 4) == rows);
  // The one-IFD form paints too.
  RstOwner<RstRead> one(RstReadTIFF::create(in.get(), g4.get()));
  ASSERT_TRUE(one);
  EXPECT_EQ(RstHeader(one.get()).data_form, RstDataForm::raw);
}

TEST_F(ReadTIFFPage, OneBitColourIsWidenedToBytes) {
  // Three 1-bit samples per pixel, four pixels in 12 bits a row.
  std::vector<uint8_t> bytes = libtiff_file([&](TIFF* tif) {
    page_tags(tif, 4, 2, 1, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE, 2);
    write_rows(tif, {{0x1D, 0x20}, {0xE2, 0xD0}});
  });
  ByteArrayInputStorage file(bytes.data(), int32_t(bytes.size()));
  RstOwner<RstRead> page(RstReadTIFF::create(&file, nullptr, false));
  ASSERT_TRUE(page);
  RstHeader h(page.get());
  EXPECT_EQ(h.bits_per_sample, 8);
  EXPECT_EQ(h.samples_per_pixel, 3);
  Rows expected = {{0, 0, 0, 255, 255, 255, 0, 255, 0, 0, 255, 0}, {255, 255, 255, 0, 0, 0, 255, 0, 255, 255, 0, 255}};
  EXPECT_EQ(read_lines(page.get(), 12), expected);
}

TEST_F(ReadTIFFPage, PagesWithoutTheirReadingStepsAreRefused) {
  struct Case {
    const char* name;
    std::vector<TiffEntry> entries;
  } cases[] = {
      {"MRC mask",
       with(page_entries(16, 2, 1, 1, 0, 4, 2), {TiffEntry::longs(254, {0x10}), TiffEntry::longs(34732, {2, 1})})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    std::vector<uint8_t> file = strip_file(c.entries, {std::vector<uint8_t>(24, 0)});
    ByteArrayInputStorage s(file.data(), int32_t(file.size()));
    Header h(RstReadTIFF::private_header(&s, 1, 3));
    ASSERT_TRUE(h);
    // The MRC page reader is registered by its own folder; without it the
    // page is refused.
    auto saved = rst_format_creators().read_tiff_mrc;
    rst_format_creators().read_tiff_mrc = nullptr;
    EXPECT_EQ(RstReadTIFF::create(&s, h.get(), false), nullptr);
    rst_format_creators().read_tiff_mrc = saved;
    EXPECT_TRUE(reported(-50, "RstReadTIFFMRC::create()"));
  }
}

TEST_F(ReadTIFFPage, ArgumentChecks) {
  struct Case {
    const char* name;
    std::function<void()> call;
    RstReport report;
  } cases[] = {
      {"create without input", [] { RstReadTIFF::create(nullptr, nullptr, false); }, {-2, "RstReadTIFF::create()"}},
      {"private header without input",
       [] { RstReadTIFF::private_header(nullptr, 1, 3); },
       {-2, "RstReadTIFF::private_header()"}},
      {"one IFD without header", [&] { RstReadTIFF::create(in.get(), nullptr); }, {-2, "RstReadTIFF::create()"}},
      {"create over no TIFF",
       [] {
         std::vector<uint8_t> junk(64, 'x');
         ByteArrayInputStorage s(junk.data(), 64);
         RstReadTIFF::create(&s, nullptr, false);
       },
       {-12, "RstReadTIFF::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    c.call();
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
  }
}

}  // namespace
