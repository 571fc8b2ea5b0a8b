// The front of the mixed raster content page reader: which child images a
// strip of the page needs, the storages that grow with them, the children
// read from SubIFDs and chains, and the entry checks.
#include <gtest/gtest.h>

#include <memory>

#include "page_support.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_tiff_mrc.h"

namespace {

// The front with the strip rows set by the test, as the strip loop sets them.
struct Front : RstReadTIFFMRC {
  using RstReadTIFFMRC::RstReadTIFFMRC;
  void rows(int32_t top, int32_t bottom) {
    strip_.top = top;
    strip_.bottom = bottom;
  }
};

struct ChildSpec {
  uint32_t layer;
  uint32_t length;
  uint32_t dpi;
  RstRational y_position;
  bool chained = false;  // after the previous child
};

using HeaderHolder = std::unique_ptr<RstReadTIFFHeader, void (*)(RstReadTIFFHeader*)>;

class TiffMrcFront : public PageTest {
 protected:
  // A mask page of the given rows and resolution with the children (headers
  // only) in its SubIFDs or chained after each other.
  void build(uint32_t length, uint32_t dpi, const std::vector<ChildSpec>& children, uint32_t first_layer = 2) {
    TiffBuilder b(false, 0);
    uint32_t strip = b.add_bytes(std::vector<uint8_t>(4, 0));
    std::vector<uint32_t> sub_ifds;
    uint32_t previous_next = 0;
    for (const ChildSpec& c : children) {
      uint32_t at = b.add_ifd({TiffEntry::longs(256, {100}), TiffEntry::longs(257, {c.length}),
                               TiffEntry::rational(282, c.dpi, 1), TiffEntry::rational(283, c.dpi, 1),
                               TiffEntry::rational(286, 0, 1),
                               TiffEntry::rational(287, c.y_position.numerator, c.y_position.denominator),
                               TiffEntry::longs(34732, {c.layer, 1})});
      if (c.chained && previous_next) b.patch32(previous_next, at);
      else sub_ifds.push_back(at);
      previous_next = b.last_next_field;
    }
    std::vector<TiffEntry> mask = {TiffEntry::longs(254, {0x10}),    TiffEntry::longs(256, {100}),
                                   TiffEntry::longs(257, {length}),  TiffEntry::shorts(259, {4}),
                                   TiffEntry::longs(273, {strip}),   TiffEntry::longs(279, {4}),
                                   TiffEntry::rational(282, dpi, 1), TiffEntry::rational(283, dpi, 1)};
    if (!sub_ifds.empty()) mask.push_back(TiffEntry::longs(330, sub_ifds));
    mask.push_back(TiffEntry::longs(34732, {first_layer, 1}));
    b.set_first_ifd(b.add_ifd(mask));
    bytes = b.bytes;
    in = std::make_unique<ByteArrayInputStorage>(bytes.data(), int32_t(bytes.size()));
    header = HeaderHolder(RstReadTIFF::private_header(in.get(), 1, 3), [](RstReadTIFFHeader* h) { rst_release(h); });
  }
  std::vector<uint8_t> bytes;
  std::unique_ptr<ByteArrayInputStorage> in;
  HeaderHolder header{nullptr, [](RstReadTIFFHeader* h) { rst_release(h); }};
};

}  // namespace

TEST_F(TiffMrcFront, ChildrenMeetTheStripsTheirRowsReach) {
  struct Case {
    const char* name;
    uint32_t page_rows, page_dpi, strip_rows;
    ChildSpec child;
    int32_t first_row, last_row;  // the child's page rows
  } cases[] = {
      {"825 rows at 75 dpi on a 3300-row 300-dpi page", 3300, 300, 100, {1, 825, 75, {0, 1}}, 0, 3299},
      {"foreground from 5 inches on a 200-dpi page", 2200, 200, 128, {3, 200, 200, {5, 1}}, 1000, 1199},
      {"half a row rounds up", 64, 300, 8, {1, 5, 150, {1, 600}}, 1, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    build(c.page_rows, c.page_dpi, {c.child});
    ASSERT_TRUE(header);
    Front front(in.get(), header.get());
    bool background = c.child.layer == 1;
    for (uint32_t top = 0; top < c.page_rows; top += c.strip_rows) {
      int32_t bottom = int32_t(std::min(top + c.strip_rows, c.page_rows)) - 1;
      front.rows(int32_t(top), bottom);
      RstReadTIFFMRC::ChildList mine, other;
      EXPECT_TRUE(background ? front.next_background_headers(mine) : front.next_foreground_headers(mine));
      EXPECT_TRUE(background ? front.next_foreground_headers(other) : front.next_background_headers(other));
      bool meets = bottom >= c.first_row && int32_t(top) <= c.last_row;
      EXPECT_EQ(mine.size(), meets ? 1u : 0u) << top;
      EXPECT_TRUE(other.empty());
    }
    EXPECT_EQ(front.child_count(), 1u);
  }
}

TEST_F(TiffMrcFront, StoragesGrowToTheMostChildrenOneStripNeeds) {
  // Two foreground children share rows 10 to 19; a third stands alone.
  build(60, 300, {{3, 20, 300, {0, 1}}, {3, 10, 300, {10, 300}}, {3, 10, 300, {40, 300}}, {1, 60, 300, {0, 1}}});
  ASSERT_TRUE(header);
  Front front(in.get(), header.get());
  struct Step {
    int32_t top, bottom;
    size_t foreground, storages;
  } steps[] = {{0, 9, 1, 1}, {10, 19, 2, 2}, {20, 39, 0, 2}, {40, 59, 1, 2}, {0, 59, 3, 3}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.top);
    front.rows(s.top, s.bottom);
    RstReadTIFFMRC::ChildList fg, bg;
    front.next_foreground_headers(fg);
    front.next_background_headers(bg);
    EXPECT_EQ(fg.size(), s.foreground);
    EXPECT_EQ(front.foreground_storages().size(), s.storages);
    EXPECT_EQ(bg.size(), 1u);
    EXPECT_EQ(front.background_storages().size(), 1u);
  }
}

TEST_F(TiffMrcFront, ChainedChildIsListedOnTheFirstCall) {
  build(40, 300, {{3, 40, 300, {0, 1}}, {3, 40, 300, {0, 1}, true}, {1, 40, 300, {0, 1}}});
  ASSERT_TRUE(header);
  Front front(in.get(), header.get());
  front.rows(0, 39);
  RstReadTIFFMRC::ChildList fg;
  front.next_foreground_headers(fg);
  ASSERT_EQ(fg.size(), 2u);
  EXPECT_EQ(front.child_count(), 3u);
  // SubIFDs first (the chained child's offset is not among them), then the chain.
  EXPECT_TRUE(fg[0]->chain_followed);
  EXPECT_EQ(fg[1]->image_layer, (std::vector<uint32_t>{3, 1}));
  // Nothing is read twice.
  front.next_foreground_headers(fg);
  EXPECT_EQ(fg.size(), 2u);
  EXPECT_EQ(front.child_count(), 3u);
}

TEST_F(TiffMrcFront, EntryChecks) {
  // The factory is the MRC folder's; the front's checks come first.
  build(40, 300, {}, 1);
  ASSERT_TRUE(header);
  status.clear();
  EXPECT_EQ(RstReadTIFFMRC::create(in.get(), header.get(), 0), nullptr);
  EXPECT_TRUE(reported(-2, "RstReadTIFFMRC::create()"));

  build(40, 300, {});
  ASSERT_TRUE(header);
  EXPECT_TRUE(RstReadTIFFMRC::is_mrc(in.get(), header.get()));
  EXPECT_FALSE(RstReadTIFFMRC::is_mrc(nullptr, header.get()));
  // Without the MRC folder's page reader a mask page is refused, not read
  // as a plain bilevel page.
  auto saved = rst_format_creators().read_tiff_mrc;
  rst_format_creators().read_tiff_mrc = nullptr;
  status.clear();
  EXPECT_EQ(RstReadTIFF::create(in.get(), header.get(), false), nullptr);
  EXPECT_TRUE(reported(-50, "RstReadTIFFMRC::create()"));
  rst_format_creators().read_tiff_mrc = saved;
}
