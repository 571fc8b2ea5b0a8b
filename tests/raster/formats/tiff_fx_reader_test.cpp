// TIFF-FX tags, Decode pairs, the global parameters IFD, strip rows from
// StripRowCounts and the tile specs of read pages.
#include "raster/formats/rst_tiff_fx_reader.h"

#include <gtest/gtest.h>

#include "raster/core/rst_status_recorder.h"
#include "tiff_reader_support.h"

namespace {

class TiffFXReaderTest : public RstStatusTest {};

// A page whose GlobalParametersIFD names a second IFD of `globals`.
std::unique_ptr<RstReadTIFFHeader> page_with_globals(const std::vector<TiffEntry>& globals,
                                                     std::vector<uint8_t>* keep) {
  TiffBuilder b;
  b.add_ifd(with(basic_page(), {TiffEntry::longs(400, {0})}));
  uint32_t field = 8 + 2 + 12 * 6 + 8;
  uint32_t g = b.add_ifd(globals);
  b.patch32(field, g);
  *keep = b.bytes;
  ByteArrayInputStorage in(keep->data(), int32_t(keep->size()));
  return std::make_unique<RstReadTIFFHeader>(&in, 3);
}

const std::vector<TiffEntry> profile_s_globals = {TiffEntry::longs(401, {0}), TiffEntry::typed(402, 1, {1}),
                                                  TiffEntry::longs(403, {2}), TiffEntry::ascii(404, "1998", 1),
                                                  TiffEntry::typed(405, 1, {0})};

TEST_F(TiffFXReaderTest, GlobalParametersIFD) {
  std::vector<uint8_t> bytes;
  auto h = page_with_globals(profile_s_globals, &bytes);
  RstTIFFGlobalParameters* g = h->get_global_parameters();
  ASSERT_TRUE(g);
  EXPECT_EQ(g->profile_type, 0u);
  EXPECT_EQ(g->fax_profile, 1u);
  EXPECT_EQ(g->coding_methods, 2u);
  EXPECT_EQ(g->version_year, (std::vector<uint8_t>{'1', '9', '9', '8'}));
  EXPECT_EQ(g->mode_number, 0);
  EXPECT_EQ(h->status, 1);
  EXPECT_TRUE(status.messages().empty());

  // ModeNumber as SHORT is tolerated.
  auto globals = with(profile_s_globals, {TiffEntry::shorts(405, {3})});
  h = page_with_globals(globals, &bytes);
  ASSERT_TRUE(h->get_global_parameters());
  EXPECT_EQ(h->get_global_parameters()->mode_number, 3);
  EXPECT_EQ(status.messages(), (std::vector<RstReport>{{13, "RstTIFFIFDReader::check_tag_type()"}}));

  // Any other tag there: no record at all.
  status.clear();
  h = page_with_globals(with(profile_s_globals, {TiffEntry::longs(999, {1})}), &bytes);
  EXPECT_FALSE(h->get_global_parameters());
  EXPECT_EQ(h->status, 1);
  EXPECT_TRUE(status.messages().empty());

  // An unreadable global parameters IFD is not reported.
  TiffBuilder b;
  b.add_ifd(with(basic_page(), {TiffEntry::longs(400, {0})}));
  b.patch32(8 + 2 + 12 * 6 + 8, uint32_t(b.bytes.size()) - 2);
  b.bytes.push_back(0);
  b.bytes.push_back(0);
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  RstReadTIFFHeader empty(&in, 3);
  EXPECT_FALSE(empty.get_global_parameters());
  EXPECT_TRUE(status.messages().empty());

  // One outside the data is not followed; the first header keeps warning 13.
  auto outside = read_ifd(with(basic_page(), {TiffEntry::longs(400, {0x7FFFFFF0u})}), 3);
  EXPECT_FALSE(outside->get_global_parameters());
  TiffBuilder o;
  o.add_ifd(with(basic_page(), {TiffEntry::longs(400, {0x7FFFFFF0u})}));
  ByteArrayInputStorage in_o(o.bytes.data(), int32_t(o.bytes.size()));
  RstReadTIFFHeader far(&in_o, 3);
  EXPECT_EQ(far.status, 13);
  EXPECT_FALSE(far.get_global_parameters());
}

TEST_F(TiffFXReaderTest, FaxLayerAndColourTags) {
  auto h =
      read_ifd(with(basic_page(), {TiffEntry::shorts(326, {5}), TiffEntry::shorts(327, {2}), TiffEntry::longs(328, {3}),
                                   TiffEntry::shorts(346, {1}), TiffEntry::shorts(434, {255, 128}),
                                   TiffEntry::shorts(34732, {2, 1}), TiffEntry::longs(254, {0x10})}),
               2);
  EXPECT_EQ(h->bad_fax_lines, 5);
  EXPECT_EQ(h->clean_fax_data, 2);
  EXPECT_EQ(h->consecutive_bad_fax_lines, 3);
  EXPECT_EQ(h->indexed, 1);
  EXPECT_EQ(h->default_image_color, (std::vector<uint16_t>{255, 128}));
  EXPECT_EQ(h->image_layer, (std::vector<uint32_t>{2, 1}));
  EXPECT_TRUE(h->is_mrc_mask());
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(TiffFXReaderTest, DecodePairs) {
  struct Case {
    std::vector<uint32_t> values;  // numerator, denominator, ...
    std::vector<RstDecodePair> pairs;
  } cases[] = {
      {{0, 1, 100, 1, uint32_t(-128), 1, 127, 1, uint32_t(-128), 1, 127, 1},
       {{{0, 1}, {100, 1}}, {{-128, 1}, {127, 1}}, {{-128, 1}, {127, 1}}}},
      {{0, 1, 100, 1, uint32_t(-85), 1, 85, 1, 7, 2}, {{{0, 1}, {100, 1}}, {{-85, 1}, {85, 1}}}},
  };
  for (const Case& c : cases) {
    auto h = read_ifd(with(basic_page(), {TiffEntry::typed(433, 10, c.values)}), 2);
    EXPECT_EQ(h->decode, c.pairs);
  }
  EXPECT_TRUE(status.messages().empty());
  // Decode values past the end of the data are refused before sizing.
  auto h = read_ifd(with(basic_page(), {TiffEntry::raw_entry(433, 10, 0x20000000u, 8)}), 2);
  EXPECT_TRUE(h->decode.empty());
  EXPECT_EQ(status.messages(), (std::vector<RstReport>{{13, "RstReadTIFFHeader::read_decode_values()"}}));
}

TEST_F(TiffFXReaderTest, StripRowsAndTileSpecsOfReadPages) {
  struct Case {
    const char* name;
    std::vector<TiffEntry> extra;
    std::vector<uint32_t> rows;
    std::vector<RstReport> reports;
  } cases[] = {
      {"StripRowCounts",
       {TiffEntry::longs(273, {8, 20, 40}), TiffEntry::longs(279, {1, 2, 3}), TiffEntry::longs(257, {100}),
        TiffEntry::longs(278, {7}), TiffEntry::longs(559, {10, 20, 5})},
       {10, 20, 5},
       {}},
      {"RowsPerStrip",
       {TiffEntry::longs(273, {8, 20, 40, 60}), TiffEntry::longs(279, {1, 2, 3, 4}), TiffEntry::longs(257, {100}),
        TiffEntry::longs(278, {30})},
       {30, 30, 30, 10},
       {}},
      {"StripRowCounts shorter than the strips",
       {TiffEntry::longs(273, {8, 20, 40}), TiffEntry::longs(279, {1, 2, 3}), TiffEntry::longs(257, {100}),
        TiffEntry::longs(278, {40}), TiffEntry::longs(559, {10, 20})},
       {40, 40, 20},
       {{13, "RstReadTIFFHeader::tile_specs()"}}},
      {"StripRowCounts adding up past the page",
       {TiffEntry::longs(273, {8, 20, 40}), TiffEntry::longs(279, {1, 2, 3}), TiffEntry::longs(257, {25}),
        TiffEntry::longs(278, {10}), TiffEntry::longs(559, {10, 20, 30})},
       {10, 15, 0},
       {}},
      {"surplus strips",
       {TiffEntry::longs(273, {8, 20, 40, 60}), TiffEntry::longs(279, {1, 2, 3, 4}), TiffEntry::longs(257, {10}),
        TiffEntry::longs(278, {8})},
       {8, 2, 0, 0},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    auto h = read_ifd(with(basic_page(), c.extra), 2);
    status.clear();
    RstCountedPtr<RstTileSpecArray> specs = h->tile_specs();
    ASSERT_TRUE(specs);
    ASSERT_EQ(specs->size(), h->strip_offsets.size());
    std::vector<uint32_t> rows;
    for (uint32_t i = 0; i < specs->size(); ++i) {
      rows.push_back((*specs)[i].rows);
      EXPECT_EQ((*specs)[i].offset, h->strip_offsets[i]);
      EXPECT_EQ((*specs)[i].byte_count, h->strip_byte_counts[i]);
      EXPECT_EQ((*specs)[i].width, 16u);
    }
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(status.messages(), c.reports);
  }
  auto jpeg = read_ifd(
      with(basic_page(), {TiffEntry::shorts(259, {6}), TiffEntry::longs(513, {8}), TiffEntry::longs(514, {700}),
                          TiffEntry::longs(273, {8, 300}), TiffEntry::longs(279, {100, 100})}),
      2);
  RstCountedPtr<RstTileSpecArray> specs = jpeg->tile_specs();
  ASSERT_TRUE(specs);
  ASSERT_EQ(specs->size(), 1u);
  EXPECT_EQ((*specs)[0], (RstTileSpec{700, 16, 8, 8}));
  RstTIFFFXHeader none(0x4949);
  specs = none.tile_specs();
  ASSERT_TRUE(specs);
  EXPECT_EQ(specs->size(), 0u);
}

}  // namespace
