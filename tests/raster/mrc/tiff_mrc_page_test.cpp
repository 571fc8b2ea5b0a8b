// The TIFF-FX mixed raster content page: composed strips against libtiff's
// decode of every layer placed by hand, the default layers, the failures of
// the layer builders, hostile files, format detection and the
// mask-referenced variant.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <functional>
#include <memory>
#include <string>

#include "raster/core/rst_divide.h"
#include "raster/core/rst_image_info.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_tiff.h"
#include "raster/geometry/rst_clip.h"
#include "raster/geometry/rst_scale_mask_ref.h"
#include "raster/mrc/rst_mrc_creators.h"
#include "raster/mrc/rst_read_and_decode_tiff_mrc.h"
#include "raster/mrc/rst_read_tiff_mrc_child.h"
#include "tiff_mrc_fuzz_target.h"
#include "tiff_mrc_support.h"

namespace {

class TiffMrcPage : public MrcTest {
 protected:
  void SetUp() override {
    MrcTest::SetUp();
    rst_register_mrc_creators();
  }
  bool reported(int32_t code, const std::string& where) const {
    for (const RstReport& r : status.messages())
      if (r.code == code && r.where == where) return true;
    return false;
  }
  // Page `page` (1-based) of the file through the TIFF page reader.
  Rows read_page(const std::vector<uint8_t>& file, uint32_t page = 1, bool mask_referenced = false,
                 RstHeader* header = nullptr) {
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    std::unique_ptr<RstReadTIFFHeader, void (*)(RstReadTIFFHeader*)> h(RstReadTIFF::private_header(&in, page, 3),
                                                                       [](RstReadTIFFHeader* p) { rst_release(p); });
    if (!h) return {};
    RstOwner<RstRead> node(mask_referenced ? RstReadAndDecodeTIFFMRC::create(&in, h.get(), true)
                                           : RstReadTIFF::create(&in, h.get(), false));
    if (!node) return {};
    if (header) node->header(*header);
    return read_lines(node.get());
  }
};

Rows mask_rows(uint32_t width, uint32_t height, uint32_t seed) { return bilevel_rows(width, height, seed); }

MrcChild child(uint32_t layer, uint32_t width, uint32_t height, uint32_t seed) {
  MrcChild c;
  c.layer = layer;
  c.width = width;
  c.height = height;
  c.rows = lab_rows(width, height, seed);
  return c;
}

MrcChild at(MrcChild c, Ratio resolution, Ratio x, Ratio y) {
  c.x_resolution = c.y_resolution = resolution;
  c.x_position = x;
  c.y_position = y;
  return c;
}

MrcPage page_of(uint32_t width, uint32_t height, uint16_t compression, uint32_t rows_per_strip,
                std::vector<MrcChild> children, uint32_t seed = 1) {
  MrcPage p;
  p.width = width;
  p.height = height;
  p.mask_compression = compression;
  p.rows_per_strip = rows_per_strip;
  p.mask = mask_rows(width, height, seed);
  p.children = std::move(children);
  return p;
}

int max_difference(const Rows& a, const Rows& b) {
  if (a.size() != b.size()) return 256;
  int worst = 0;
  for (size_t y = 0; y < a.size(); ++y) {
    if (a[y].size() != b[y].size()) return 256;
    for (size_t i = 0; i < a[y].size(); ++i) worst = std::max(worst, std::abs(int(a[y][i]) - int(b[y][i])));
  }
  return worst;
}

}  // namespace

TEST_F(TiffMrcPage, ComposedPagesEqualTheOracle) {
  const Ratio r300{300, 1}, r150{150, 1}, r100{100, 1}, zero{0, 1};
  auto jpeg = [](MrcChild c, uint32_t rows_per_strip) {
    c.compression = COMPRESSION_JPEG;
    c.rows_per_strip = rows_per_strip;
    return c;
  };
  auto with_colour = [](MrcChild c, std::vector<uint32_t> colour) {
    c.default_color = std::move(colour);
    return c;
  };
  auto no_data = [](MrcChild c) {
    c.has_data = false;
    return c;
  };
  auto chained = [](MrcChild c) {
    c.chained = true;
    return c;
  };
  struct Case {
    const char* name;
    MrcPage page;
    int tolerance;
  } cases[] = {
      {"G4 mask, one strip, children at the page's resolution",
       page_of(40, 24, COMPRESSION_CCITTFAX4, 0,
               {at(child(1, 40, 24, 1), r300, zero, zero), at(child(3, 40, 24, 2), r300, zero, zero)}),
       0},
      {"G3 2-D mask, three strips, halved background and third foreground across strips",
       page_of(48, 30, COMPRESSION_CCITTFAX3, 10,
               {at(child(1, 24, 15, 3), r150, zero, zero), at(child(3, 6, 5, 4), r100, Ratio{1, 30}, Ratio{1, 20})}),
       0},
      {"uncompressed mask, five strips, overlapping bands with colours, no data, a chain",
       page_of(33, 25, COMPRESSION_NONE, 5,
               {at(with_colour(child(1, 20, 12, 5), {200, 140, 90}), r300, Ratio{2, 300}, Ratio{3, 300}),
                at(child(1, 10, 10, 6), r300, Ratio{10, 300}, Ratio{8, 300}),
                at(no_data(with_colour(child(3, 5, 4, 7), {20, 110, 70})), r300, zero, Ratio{20, 300}),
                chained(at(child(3, 16, 6, 8), r150, Ratio{1, 300}, Ratio{1, 100}))}),
       0},
      {"G4 mask, four strips, children without any place in some strips",
       page_of(20, 32, COMPRESSION_CCITTFAX4, 8, {at(child(3, 20, 6, 9), r300, zero, Ratio{17, 300})}), 0},
      {"JPEG children at the page's resolution and at half of it",
       page_of(
           48, 32, COMPRESSION_CCITTFAX4, 16,
           {jpeg(at(child(1, 48, 32, 10), r300, zero, zero), 16), jpeg(at(child(3, 24, 16, 11), r150, zero, zero), 8)}),
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    MrcLayout layout;
    std::vector<uint8_t> file = mrc_file({c.page}, &layout);
    Rows expected = oracle_page(file, c.page, layout, 0);
    ASSERT_EQ(expected.size(), c.page.height);
    RstHeader h;
    Rows got = read_page(file, 1, false, &h);
    EXPECT_TRUE(status.errors().empty()) << status.errors().front().where;
    EXPECT_EQ(h.width, int32_t(c.page.width));
    EXPECT_EQ(h.height, int32_t(c.page.height));
    EXPECT_EQ(h.bits_per_sample, 8);
    EXPECT_EQ(h.samples_per_pixel, 3);
    EXPECT_EQ(h.color_type, RstColorType::itu_lab());
    EXPECT_LE(max_difference(got, expected), c.tolerance);
  }
}

TEST_F(TiffMrcPage, StripsNoChildMeetsShowTheDefaultLayers) {
  // The only child lies in the last strip: the first two show white where
  // the mask is clear and black where it is set.
  MrcPage page =
      page_of(21, 18, COMPRESSION_CCITTFAX4, 6, {at(child(3, 21, 4, 3), Ratio{300, 1}, Ratio{0, 1}, Ratio{13, 300})});
  std::vector<uint8_t> file = mrc_file({page});
  Rows got = read_page(file);
  ASSERT_EQ(got.size(), 18u);
  for (uint32_t y = 0; y < 12; ++y)
    for (uint32_t x = 0; x < 21; ++x) {
      bool set = (page.mask[y][x / 8] >> (7 - x % 8)) & 1;
      std::vector<uint8_t> pixel(got[y].begin() + x * 3, got[y].begin() + x * 3 + 3);
      EXPECT_EQ(pixel, (set ? std::vector<uint8_t>{0, 128, 96} : std::vector<uint8_t>{255, 128, 96})) << x << "," << y;
    }
}

TEST_F(TiffMrcPage, ResetStartsAgainAtTheFirstStrip) {
  MrcPage page = page_of(16, 12, COMPRESSION_CCITTFAX4, 4,
                         {at(child(1, 8, 6, 2), Ratio{150, 1}, Ratio{0, 1}, Ratio{0, 1}),
                          at(child(3, 16, 3, 5), Ratio{300, 1}, Ratio{0, 1}, Ratio{5, 300})});
  std::vector<uint8_t> file = mrc_file({page});
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(RstReadTIFF::create(&in, nullptr, false));
  ASSERT_TRUE(node);
  Rows first = read_lines(node.get(), 0, 7);
  node->reset();
  Rows again = read_lines(node.get());
  ASSERT_EQ(again.size(), 12u);
  EXPECT_EQ(Rows(again.begin(), again.begin() + 7), first);
  node->reset();
  EXPECT_EQ(read_lines(node.get()), again);
}

TEST_F(TiffMrcPage, FailuresOfTheFactoryAndTheLayerBuilders) {
  MrcPage page = page_of(16, 8, COMPRESSION_CCITTFAX4, 0, {at(child(1, 16, 8, 1), Ratio{300, 1}, {}, {})});
  std::vector<uint8_t> file = mrc_file({page});
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  std::unique_ptr<RstReadTIFFHeader, void (*)(RstReadTIFFHeader*)> mask(RstReadTIFF::private_header(&in, 1, 3),
                                                                        [](RstReadTIFFHeader* p) { rst_release(p); });
  ASSERT_TRUE(mask);
  RstReadTIFFMRC::Storages storages;
  storages.push_back(std::make_unique<MoveInMoveOutInputStorage<>>(&in, 0));
  RstRect strip;
  strip.set(0, 0, 15, 7);
  RstRect empty;
  struct Case {
    const char* name;
    std::function<RstRead*()> call;
    RstReport report;
  } cases[] = {
      {"not a mask page",
       [&] {
         return RstReadTIFFMRC::create(&in, static_cast<RstReadTIFFHeader*>(mask->children.empty() ? nullptr : nullptr),
                                       0);
       },
       {-2, "RstReadTIFFMRC::create()"}},
      {"closed input",
       [&] {
         ByteArrayInputStorage closed(file.data(), int32_t(file.size()));
         closed.close();
         return RstReadTIFFMRC::create(&closed, mask.get(), 0);
       },
       {-2, "RstReadTIFFMRC::create()"}},
      {"factory without a mask page",
       [&] { return RstReadAndDecodeTIFFMRC::create(&in, nullptr, false); },
       {-2, "RstReadTIFFMRC::create()"}},
      {"child test: no child",
       [&] {
         return RstReadTIFFMRCChild::create(storages.front().get(), nullptr, strip, nullptr, 300, 300, false, strip);
       },
       {-2, "RstReadTIFFMRCChild::create()"}},
      {"child test: empty list",
       [&] { return RstReadTIFFMRCChild::create(storages, {}, strip, nullptr, 300, 300, false); },
       {-2, "RstReadTIFFMRCChild::create()"}},
      {"default layer of an empty rectangle",
       [&] { return RstReadTIFFMRCChild::create(empty, true); },
       {-2, "RstReadTIFFMRCChild::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    RstOwner<RstRead> node(c.call());
    EXPECT_FALSE(node);
    EXPECT_TRUE(reported(c.report.code, c.report.where));
  }
}

TEST_F(TiffMrcPage, HostileChildrenEndThePageWithTheFault) {
  const Ratio r300{300, 1}, zero{0, 1};
  struct Case {
    const char* name;
    MrcPage page;
    std::function<void(std::vector<uint8_t>&, const MrcLayout&)> spoil;
    size_t rows;  // delivered before the fault
    RstReport report;
  } cases[] = {
      {"DefaultImageColor of two values on three samples",
       page_of(16, 12, COMPRESSION_CCITTFAX4, 4, {[&] {
                 MrcChild c = at(child(1, 16, 4, 1), r300, zero, Ratio{4, 300});
                 c.default_color = {10, 20};
                 return c;
               }()}),
       {},
       4,
       {-3, "RstReadTIFFMRCChild::create()"}},
      {"zero child resolution",
       page_of(16, 12, COMPRESSION_CCITTFAX4, 4, {at(child(3, 16, 4, 1), zero, zero, Ratio{8, 300})}),
       {},
       0,
       {-3, "RstReadTIFFMRCChild::create()"}},
      {"zero denominator of a child position",
       page_of(16, 12, COMPRESSION_CCITTFAX4, 4, {at(child(3, 16, 4, 1), r300, zero, Ratio{8, 0})}),
       {},
       0,
       {-3, "RstReadTIFFMRCChild::create()"}},
      {"child IFD offset past the end",
       page_of(16, 12, COMPRESSION_CCITTFAX4, 4, {at(child(1, 16, 4, 1), r300, zero, zero)}),
       [](std::vector<uint8_t>& file, const MrcLayout& layout) {
         // The SubIFDs entry's one value is the child's offset: moved past the end.
         uint32_t offset = layout.child_offsets[0][0];
         for (size_t i = file.size() - 4; i-- > 0;)
           if (file[i] == 0x4A && file[i + 1] == 0x01) {  // tag 330
             uint32_t past = uint32_t(file.size() + 100);
             std::memcpy(&file[i + 8], &past, 4);
             break;
           }
         (void)offset;
       },
       0,
       {-2, "RstReadTIFFMRCChild::create()"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    MrcLayout layout;
    std::vector<uint8_t> file = mrc_file({c.page}, &layout);
    if (c.spoil) c.spoil(file, layout);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> node(RstReadTIFF::create(&in, nullptr, false));
    ASSERT_TRUE(node);
    EXPECT_EQ(read_lines(node.get()).size(), c.rows);
    EXPECT_TRUE(reported(c.report.code, c.report.where));
  }
}

TEST_F(TiffMrcPage, ChainLeadingBackIsReadOnce) {
  MrcPage page =
      page_of(16, 12, COMPRESSION_CCITTFAX4, 4,
              {at(child(1, 16, 12, 1), Ratio{300, 1}, {}, {}), at(child(3, 8, 6, 2), Ratio{150, 1}, {}, {})});
  page.children[1].chained = true;
  MrcLayout layout;
  std::vector<uint8_t> file = mrc_file({page}, &layout);
  Rows expected = oracle_page(file, page, layout, 0);
  // The chained child's next IFD leads back to the first child.
  TiffBuilder patch(false, 0);
  patch.bytes = file;
  uint32_t second = layout.child_offsets[0][1];
  uint16_t entries = uint16_t(file[second] | file[second + 1] << 8);
  patch.patch32(second + 2 + 12 * entries, layout.child_offsets[0][0]);
  status.clear();
  Rows got = read_page(patch.bytes);
  EXPECT_EQ(got, expected);
  EXPECT_TRUE(reported(13, "RstReadTIFFMRC::next_layer_headers()"));
}

TEST_F(TiffMrcPage, ZeroPageResolutionIsRefused) {
  for (Ratio r : {Ratio{0, 1}, Ratio{300, 0}}) {
    status.clear();
    MrcPage page = page_of(16, 8, COMPRESSION_CCITTFAX4, 0, {});
    page.y_resolution = r;
    std::vector<uint8_t> file = mrc_file({page});
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> node(RstReadTIFF::create(&in, nullptr, false));
    EXPECT_FALSE(node);
    EXPECT_TRUE(reported(-3, "RstReadTIFFMRC::create()"));
  }
}

TEST_F(TiffMrcPage, AllocationFailuresEndThePageCleanly) {
  MrcPage page = page_of(16, 8, COMPRESSION_CCITTFAX4, 4,
                         {at(child(1, 8, 4, 1), Ratio{150, 1}, {}, {}), at(child(3, 16, 8, 2), Ratio{300, 1}, {}, {})});
  std::vector<uint8_t> file = mrc_file({page});
  Rows whole = read_page(file);
  ASSERT_EQ(whole.size(), 8u);
  bool vector_failed = false;
  for (int64_t n = 1; n < 400; ++n) {
    status.clear();
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstAllocFault::fail_nth(n);
    RstOwner<RstRead> node(RstReadTIFF::create(&in, nullptr, false));
    Rows got = node ? read_lines(node.get()) : Rows{};
    RstAllocFault::clear();
    node.reset();
    // Whatever is delivered is the page's first rows. (A tag whose values
    // could not be read is left out by the tag reader, which reports it: the
    // header is then another page's.)
    ASSERT_LE(got.size(), whole.size());
    if (!reported(-1, "rst_read_tiff_ifd_entry_values()")) {
      EXPECT_EQ(got, Rows(whole.begin(), whole.begin() + long(got.size()))) << n << " " << [&] {
        std::string all;
        for (const RstReport& r : status.messages()) all += std::to_string(r.code) + " " + r.where + "; ";
        return all;
      }();
    }
    vector_failed |= reported(-1, "RstReadAndDecodeTIFFMRC::next_link()");
  }
  EXPECT_TRUE(vector_failed);
}

TEST_F(TiffMrcPage, PagesThroughFormatDetection) {
  MrcPage one = page_of(24, 16, COMPRESSION_CCITTFAX4, 8, {at(child(1, 12, 8, 1), Ratio{150, 1}, {}, {})}, 1);
  MrcPage two = page_of(32, 10, COMPRESSION_NONE, 5, {at(child(3, 32, 10, 2), Ratio{300, 1}, {}, {})}, 2);
  MrcLayout layout;
  std::vector<uint8_t> file = mrc_file({one, two}, &layout);
  const MrcPage* pages[] = {&one, &two};
  for (uint32_t p = 1; p <= 2; ++p) {
    SCOPED_TRACE(p);
    const MrcPage& page = *pages[p - 1];
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, p));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, int32_t(page.width));
    EXPECT_EQ(info->height, int32_t(page.height));
    EXPECT_EQ(info->bits_per_sample, 8);
    EXPECT_EQ(info->samples_per_pixel, 3);
    EXPECT_EQ(info->color_type, RstColorType::itu_lab());
    in.rewind();
    RstOwner<RstRead> node(RstReadRaster::create(&in, p));
    ASSERT_TRUE(node);
    RstHeader h(node.get());
    EXPECT_EQ(h.width, int32_t(page.width));
    EXPECT_EQ(h.height, int32_t(page.height));
    EXPECT_EQ(h.bits_per_sample, 8);
    EXPECT_EQ(h.samples_per_pixel, 3);
    EXPECT_EQ(h.color_type, RstColorType::itu_lab());
    EXPECT_EQ(read_lines(node.get()), oracle_page(file, page, layout, p - 1));
  }
}

TEST_F(TiffMrcPage, MaskReferencedScaling) {
  // At the page's resolution nothing is scaled: the same page as without.
  MrcPage same = page_of(
      24, 12, COMPRESSION_CCITTFAX4, 4,
      {at(child(1, 24, 12, 1), Ratio{300, 1}, {}, {}), at(child(3, 24, 6, 2), Ratio{300, 1}, {}, Ratio{3, 300})});
  std::vector<uint8_t> file = mrc_file({same});
  Rows plain = read_page(file);
  ASSERT_EQ(plain.size(), 12u);
  EXPECT_EQ(read_page(file, 1, true), plain);

  // A background of half the resolution over two strips: each strip's
  // background is the scaler's result for the child rows and mask rows of
  // that strip.
  MrcPage half = page_of(16, 16, COMPRESSION_CCITTFAX4, 8, {at(child(1, 8, 8, 3), Ratio{150, 1}, {}, {})});
  // A mask with no bit set shows the background alone.
  half.mask = Rows(16, std::vector<uint8_t>(2, 0));
  half.mask[3][0] = 0x80;
  MrcLayout layout;
  file = mrc_file({half}, &layout);
  status.clear();
  Rows got = read_page(file, 1, true);
  ASSERT_EQ(got.size(), 16u);
  std::string dir = temp_dir(), path = dir + "/half.tif";
  write_bytes(path, file);
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  ASSERT_TRUE(tif);
  Rows image = libtiff_decode(tif, layout.child_offsets[0][0]);
  TIFFClose(tif);
  std::remove(path.c_str());
  rmdir(dir.c_str());
  for (uint32_t s = 0; s < 2; ++s) {
    SCOPED_TRACE(s);
    std::vector<uint8_t> image_bytes, mask_bytes;
    for (uint32_t y = 4 * s; y < 4 * s + 4; ++y)
      image_bytes.insert(image_bytes.end(), image[y].begin(), image[y].end());
    for (uint32_t y = 8 * s; y < 8 * s + 8; ++y)
      mask_bytes.insert(mask_bytes.end(), half.mask[y].begin(), half.mask[y].end());
    RstOwner<RstRead> child_node(raw_source(image_bytes, 8, 4, 8, 3, RstColorType::itu_lab()));
    RstOwner<RstRead> mask_node(raw_source(mask_bytes, 16, 8, 1, 1, RstColorType::s_gray_reverse()));
    RstOwner<RstRead> scaled_node(RstScaleMaskRef::create(child_node.get(), mask_node.get(), 1));
    ASSERT_TRUE(scaled_node);
    child_node.release();
    mask_node.release();
    Rows want = read_lines(scaled_node.get());
    ASSERT_EQ(want.size(), 8u);
    for (uint32_t y = 0; y < 8; ++y) {
      const std::vector<uint8_t>& row = got[8 * s + y];
      bool set = (half.mask[8 * s + y][0] & 0x80) != 0;
      // The pixel under a set mask bit is the foreground's.
      std::vector<uint8_t> expected = want[y];
      if (set) expected[0] = 0, expected[1] = 128, expected[2] = 96;
      EXPECT_EQ(row, expected) << y;
    }
  }
}

TEST_F(TiffMrcPage, FuzzEntryRunsOverMutatedPages) {
  const Ratio r150{150, 1}, r300{300, 1};
  std::vector<std::vector<uint8_t>> seeds = {
      mrc_file({page_of(24, 16, COMPRESSION_CCITTFAX4, 8,
                        {at(child(1, 12, 8, 1), r150, {}, {}), at(child(3, 24, 4, 2), r300, {}, Ratio{5, 300})})}),
      mrc_file({page_of(16, 10, COMPRESSION_NONE, 5, {at(child(3, 16, 10, 3), r300, {}, {})}),
                page_of(16, 9, COMPRESSION_CCITTFAX3, 3, {at(child(1, 8, 5, 4), r150, {}, {})})}),
  };
  std::mt19937 random(76);
  for (const auto& seed : seeds) {
    for (int round = 0; round < 150; ++round) {
      std::vector<uint8_t> input(1, uint8_t(round & 3));
      input.insert(input.end(), seed.begin(), seed.end());
      int flips = 1 + int(random() % 4);
      for (int f = 0; f < flips; ++f) input[1 + random() % seed.size()] ^= uint8_t(1 + random() % 255);
      tiff_mrc_fuzz_one(input.data(), input.size());
    }
  }
  // The unmutated files read whole, also mask-referenced.
  for (const auto& seed : seeds) {
    std::vector<uint8_t> input(1, 2);
    input.insert(input.end(), seed.begin(), seed.end());
    EXPECT_GT(tiff_mrc_fuzz_one(input.data(), input.size()), 16);
  }
  // Seeds for the libFuzzer runs of this entry and of the page entry.
  if (const char* dir = std::getenv("PK_TIFF_MRC_SEEDS"))
    for (size_t i = 0; i < seeds.size(); ++i) {
      std::vector<uint8_t> input(1, 0);
      input.insert(input.end(), seeds[i].begin(), seeds[i].end());
      write_bytes(std::string(dir) + "/mrc" + std::to_string(i) + ".bin", input);
    }
}

TEST_F(TiffMrcPage, TiffinfoListsTheFixtureChains) {
  MrcPage page =
      page_of(24, 12, COMPRESSION_CCITTFAX4, 6,
              {at(child(1, 12, 6, 1), Ratio{150, 1}, {}, {}), at(child(3, 24, 4, 2), Ratio{300, 1}, {}, {})});
  MrcChild chained = at(child(3, 8, 4, 3), Ratio{300, 1}, {}, Ratio{6, 300});
  chained.chained = true;
  chained.default_color = {30, 120, 90};
  page.children.push_back(chained);
  std::string dir = temp_dir(), path = dir + "/fixture.tif", out = dir + "/info.txt";
  write_bytes(path, mrc_file({page}));
  ASSERT_TRUE(run("tiffinfo " + path + " > " + out + " 2>&1"));
  std::vector<uint8_t> bytes = file_bytes(out);
  std::string info(bytes.begin(), bytes.end());
  EXPECT_EQ(info.find("rror"), std::string::npos) << info;
  EXPECT_NE(info.find("ImageLayer: 2,1"), std::string::npos) << info;
  EXPECT_NE(info.find("SubIFD 0 of chain 0"), std::string::npos) << info;
  EXPECT_NE(info.find("SubIFD 1 of chain 1"), std::string::npos) << info;
  EXPECT_NE(info.find("ImageLayer: 1,1"), std::string::npos) << info;
  EXPECT_NE(info.find("ImageLayer: 3,1"), std::string::npos) << info;
  std::remove(path.c_str());
  std::remove(out.c_str());
  rmdir(dir.c_str());
}
