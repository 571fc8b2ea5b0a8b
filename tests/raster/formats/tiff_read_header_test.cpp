// Reading pages, page chains and SubIFDs into read-side headers, and the
// bounds that keep hostile files from looping, running on or nesting deep.
#include "raster/formats/rst_read_tiff_header.h"

#include <gtest/gtest.h>

#include <cstring>

#include "raster/core/rst_status_recorder.h"
#include "tiff_reader_support.h"

namespace {

class TiffReadHeaderTest : public RstStatusTest {};

// A file of `pages` pages chained in order, page i (0-based) 10 + i pixels wide.
TiffBuilder chain_file(uint32_t pages, bool big_endian = false) {
  TiffBuilder b(big_endian);
  uint32_t previous_next = 0;
  for (uint32_t i = 0; i < pages; ++i) {
    uint32_t at = b.add_ifd(with(basic_page(), {TiffEntry::longs(256, {10 + i})}));
    if (i > 0) b.patch32(previous_next, at);
    previous_next = b.last_next_field;
  }
  return b;
}

std::vector<uint32_t> widths_of_chain(RstReadTIFFHeader& first) {
  std::vector<uint32_t> widths;
  for (RstReadTIFFHeaderBase* p = &first; p; p = p->next_page) widths.push_back(p->tiff6_header()->image_width);
  return widths;
}

TEST_F(TiffReadHeaderTest, PagesOfAChain) {
  for (bool big : {false, true}) {
    TiffBuilder b = chain_file(2, big);
    ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
    struct Case {
      uint32_t page;
      int32_t status;
      uint32_t width;
    } cases[] = {{0, 1, 10}, {1, 1, 10}, {2, 1, 11}, {3, -206, 0}, {100, -206, 0}};
    for (const Case& c : cases) {
      in.seek(0);
      RstReadTIFFHeader h(&in, c.page, true, 3);
      EXPECT_EQ(h.status, c.status) << c.page;
      EXPECT_EQ(h.image_width, c.width) << c.page;
      EXPECT_EQ(h.byte_order, c.status > 0 ? b.byte_order() : 0x4949u);
    }
  }
  TiffBuilder none(false, 0);
  none.add_ifd(basic_page());
  ByteArrayInputStorage in(none.bytes.data(), int32_t(none.bytes.size()));
  for (uint32_t page : {0u, 1u, 2u}) {
    in.seek(0);
    RstReadTIFFHeader h(&in, page, true, 3);
    EXPECT_EQ(h.status, -206);
  }
  std::vector<uint8_t> not_tiff = {'I', 'M', 42, 0, 8, 0, 0, 0};
  ByteArrayInputStorage bad(not_tiff.data(), 8);
  RstReadTIFFHeader h(&bad, 3);
  EXPECT_EQ(h.status, -12);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(TiffReadHeaderTest, WholeChainIsLinkedFromTheFirstHeader) {
  TiffBuilder b = chain_file(3);
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  RstReadTIFFHeader h(&in, 3);
  EXPECT_EQ(widths_of_chain(h), (std::vector<uint32_t>{10, 11, 12}));
  EXPECT_EQ(h.status, 1);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(TiffReadHeaderTest, SubIFDsBecomeChildrenDespitePrivateTags) {
  TiffBuilder b;
  b.add_ifd(with(basic_page(), {TiffEntry::longs(330, {0, 0}), TiffEntry::longs(50000, {7})}));
  uint32_t sub_ifds_field = 8 + 2 + 12 * 6 + 8;
  uint32_t grandchild = b.add_ifd(with(basic_page(), {TiffEntry::longs(256, {3})}));
  uint32_t o1 = b.add_ifd(with(basic_page(), {TiffEntry::longs(256, {1}), TiffEntry::typed(330, 13, {grandchild})}));
  uint32_t o2 = b.add_ifd(with(basic_page(), {TiffEntry::longs(256, {2})}));
  uint32_t values = 0;
  std::memcpy(&values, b.bytes.data() + sub_ifds_field, 4);
  b.patch32(values, o1);
  b.patch32(values + 4, o2);
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  RstReadTIFFHeader h(&in, 3);
  ASSERT_EQ(h.children.size(), 2u);
  EXPECT_EQ(h.children[0]->tiff6_header()->image_width, 1u);
  EXPECT_EQ(h.children[1]->tiff6_header()->image_width, 2u);
  ASSERT_EQ(h.children[0]->children.size(), 1u);
  EXPECT_EQ(h.children[0]->children[0]->tiff6_header()->image_width, 3u);
  EXPECT_EQ(h.status, 1);
  // Read without SubIFDs there are no children.
  in.seek(0);
  RstReadTIFFHeader page(&in, 1, false, 3);
  EXPECT_TRUE(page.children.empty());
  // One IFD at a known offset.
  RstReadTIFFHeader one(&in, 0x4949, o1, true, 2);
  EXPECT_EQ(one.image_width, 1u);
  EXPECT_EQ(one.children.size(), 1u);
}

TEST_F(TiffReadHeaderTest, LoopingAndRunawayChainsEndWithWarning13) {
  struct Case {
    const char* name;
    uint32_t pages;         // chain length built
    int link_last_to;       // -1: none; else page index the last page's next points to
    uint32_t next_of_last;  // used when link_last_to is -2
    size_t pages_read;
  } cases[] = {
      {"self loop", 1, 0, 0, 1},
      {"two-cycle", 2, 0, 0, 2},
      {"loop back to the middle", 5, 2, 0, 5},
      {"next IFD past the end", 2, -2, 0x7FFFFF00u, 2},
      {"next IFD inside the file header", 2, -2, 4, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TiffBuilder b = chain_file(c.pages);
    uint32_t target = c.link_last_to >= 0 ? chain_offsets(b.bytes).at(size_t(c.link_last_to)) : c.next_of_last;
    b.patch32(b.last_next_field, target);
    ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
    RstReadTIFFHeader h(&in, 3);
    EXPECT_EQ(widths_of_chain(h).size(), c.pages_read);
    EXPECT_EQ(h.status, 13);
    EXPECT_TRUE(status.errors().empty());
    // Asking for a page beyond the loop finds no such page.
    in.seek(0);
    RstReadTIFFHeader beyond(&in, c.pages + 3, false, 3);
    EXPECT_EQ(beyond.status, -206);
  }
}

TEST_F(TiffReadHeaderTest, LongChainsStopAtThePageCapWithoutRecursion) {
  // 100,000 IFDs share their resolution values; the walk reads 65,536 pages
  // and the first header is destroyed without recursing along the chain.
  TiffBuilder b;
  uint32_t rational = b.add_bytes({200, 0, 0, 0, 1, 0, 0, 0});
  std::vector<TiffEntry> page = {TiffEntry::longs(256, {8}), TiffEntry::longs(257, {1}), TiffEntry::longs(273, {8}),
                                 TiffEntry::raw_entry(282, 5, 1, rational), TiffEntry::raw_entry(283, 5, 1, rational)};
  const uint32_t count = 100000;
  b.bytes.reserve(b.bytes.size() + count * 66);
  uint32_t first = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t at = b.add_ifd(page, uint32_t(b.bytes.size() + 66 + (b.bytes.size() % 2)));
    if (i == 0) first = at;
  }
  b.patch32(b.last_next_field, 0);
  b.set_first_ifd(first);
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  RstReadTIFFHeader h(&in, 3);
  size_t pages = 0;
  for (RstReadTIFFHeaderBase* p = &h; p; p = p->next_page) ++pages;
  EXPECT_EQ(pages, RstReadTIFFHeaderBase::max_pages);
  EXPECT_EQ(h.status, 13);
}

TEST_F(TiffReadHeaderTest, SubIFDsThatLeadBackOrNestTooDeepAreNotFollowed) {
  // A SubIFD pointing at its parent.
  TiffBuilder b;
  b.add_ifd(with(basic_page(), {TiffEntry::longs(330, {8})}));
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  RstReadTIFFHeader h(&in, 3);
  EXPECT_TRUE(h.children.empty());
  EXPECT_EQ(h.status, 13);

  // SubIFDs past the end of the data.
  TiffBuilder outside;
  outside.add_ifd(with(basic_page(), {TiffEntry::longs(330, {0x00FFFFF0u})}));
  ByteArrayInputStorage in2(outside.bytes.data(), int32_t(outside.bytes.size()));
  RstReadTIFFHeader h2(&in2, 3);
  EXPECT_TRUE(h2.children.empty());
  EXPECT_EQ(h2.status, 13);

  // A SubIFD nest 20 deep: 16 levels are read.
  TiffBuilder deep;
  std::vector<uint32_t> fields;
  for (int i = 0; i < 20; ++i) {
    uint32_t at = deep.add_ifd(with(basic_page(), {TiffEntry::longs(330, {0})}));
    fields.push_back(at + 2 + 12 * 6 + 8);
  }
  for (size_t i = 0; i + 1 < fields.size(); ++i) deep.patch32(fields[i], fields[i + 1] - (2 + 12 * 6 + 8));
  deep.patch32(fields.back(), 0x00FFFFF0u);
  ByteArrayInputStorage in3(deep.bytes.data(), int32_t(deep.bytes.size()));
  RstReadTIFFHeader h3(&in3, 3);
  int depth = 0;
  for (RstReadTIFFHeaderBase* p = &h3; !p->children.empty(); p = p->children[0]) ++depth;
  EXPECT_EQ(depth, RstReadTIFFHeaderBase::max_sub_ifd_depth);
  EXPECT_EQ(h3.status, 13);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(TiffReadHeaderTest, CutFilesAndMissingFirstIFD) {
  TiffBuilder b = chain_file(1);
  std::vector<uint8_t> seven(b.bytes.begin(), b.bytes.begin() + 7);
  ByteArrayInputStorage in7(seven.data(), 7);
  RstReadTIFFHeader h7(&in7, 3);
  EXPECT_EQ(h7.status, -12);
  EXPECT_TRUE(status.messages().empty());

  std::vector<uint8_t> cut(b.bytes.begin(), b.bytes.begin() + 8 + 2 + 12 * 3 + 6);
  ByteArrayInputStorage in_cut(cut.data(), int32_t(cut.size()));
  RstReadTIFFHeader h_cut(&in_cut, 3);
  ASSERT_FALSE(status.errors().empty());
  EXPECT_EQ(status.errors()[0], (RstReport{-11, "RstReadTIFFIFDEntry::read()"}));
  status.clear();

  TiffBuilder far(false, 0x7FFFFFF0u);
  far.add_ifd(basic_page());
  ByteArrayInputStorage in_far(far.bytes.data(), int32_t(far.bytes.size()));
  RstReadTIFFHeader h_far(&in_far, 3);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-11, "RstReadTIFFImageFileDirectory::read() - can't get # of IFD"}}));
  status.clear();
  TiffBuilder beyond(false, 0x90000000u);
  beyond.add_ifd(basic_page());
  ByteArrayInputStorage in_beyond(beyond.bytes.data(), int32_t(beyond.bytes.size()));
  RstReadTIFFHeader h_beyond(&in_beyond, 3);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-11, "RstReadTIFFImageFileDirectory::read() - can't get # of IFD"}}));
}

TEST(TiffReadHeaderThrowTest, AReportThrownMidChainLeaksNothing) {
  // With the default observer the third page's missing strips end the read by
  // an exception; the two pages read before it are freed on the way out.
  TiffBuilder b = chain_file(3);
  // Turn the third page's StripOffsets tag into a private tag.
  uint32_t third = chain_offsets(b.bytes).at(2);
  b.bytes[third + 2 + 12 * 2] = 0x50;
  b.bytes[third + 2 + 12 * 2 + 1] = 0xC3;
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  try {
    RstReadTIFFHeader h(&in, 3);
    ADD_FAILURE() << "no exception";
  } catch (const RstStatus& s) {
    EXPECT_EQ(s.code(), -13);
  }
}

}  // namespace
