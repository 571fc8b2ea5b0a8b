// The TIFF-FX profile M page writer: layer images and their placement, the
// file's layout strip by strip, the refusals before anything is written,
// SubIFDs that point at the IFDs actually written, libtiff's decode of every
// layer, and pages read back by our profile M reader.
#include "raster/formats/rst_write_tiff_mrc.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "page_support.h"
#include "raster/codecs/rst_encode_ccitt.h"
#include "raster/codecs/rst_jbig_option.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/core/lines_test_nodes.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_write_tiff.h"
#include "raster/mrc/rst_make_mrc_layers.h"
#include "raster/mrc/rst_mrc_creators.h"
#include "tiff_write_support.h"

namespace {

using lines_test::LineSource;
using Bytes = std::vector<uint8_t>;

// An RGB page: a smooth photograph-like ground with dark text strokes.
Rows colour_rows(uint32_t width, uint32_t height, uint32_t seed = 1) {
  Rows rows(height, Bytes(size_t(width) * 3));
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* p = &rows[y][size_t(x) * 3];
      p[0] = uint8_t(150 + (x * 3 + seed * 17) % 100);
      p[1] = uint8_t(170 + (y * 2 + seed * 5) % 80);
      p[2] = uint8_t(200 + (x + y) % 50);
      // Strokes of "letters": 2-pixel bars in a grid.
      bool stroke = (y % 16) >= 4 && (y % 16) < 12 && ((x + seed) % 10) < 2;
      if (stroke) p[0] = p[1] = p[2] = uint8_t(20 + (x % 3) * 10);
    }
  return rows;
}

LineSource* colour_source(const Rows& rows, uint32_t width) {
  return new LineSource(image_header(int32_t(width), int32_t(rows.size()), 8, 3, RstColorType::s_rgb()), rows, nullptr);
}

Bytes bytes_of(MemoryOutputStorage& out) {
  Bytes b(size_t(out.size()));
  MemoryInputStorage in(out.blocks());
  in.read(b.data(), int32_t(b.size()));
  return b;
}

// What a run of the writer left: the file, each page's status and its
// planned and actual SubIFDs values.
struct Written {
  Bytes file;
  std::vector<int32_t> status;
  std::vector<std::vector<uint32_t>> planned, actual;
  std::vector<size_t> background_images, foreground_images;
};

Written write_pages(const std::vector<Rows>& pages, uint32_t width, const RstWriteTIFFMRCOption& option,
                    uint32_t order = 0x4949, const std::function<void(RstEncodeAndWriteTIFFMRC&)>& before = {}) {
  Written w;
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 0, order);
  for (const Rows& rows : pages) {
    RstRead* source = colour_source(rows, width);
    RstWrite* writer = RstWriteTIFFMRC::create(source, manager, &option);
    if (!writer) {
      source->end();
      w.status.push_back(RstStatusContext::instance()->last_status);
      break;
    }
    auto* mrc = dynamic_cast<RstEncodeAndWriteTIFFMRC*>(writer);
    if (mrc && before) before(*mrc);
    while (writer->write() != 0) {
    }
    w.status.push_back(writer->status());
    if (mrc) {
      w.planned.push_back(mrc->planned_sub_ifds);
      w.actual.push_back(mrc->actual_sub_ifds);
      w.background_images.push_back(mrc->background_images.size());
      w.foreground_images.push_back(mrc->foreground_images.size());
    }
    writer->end();
  }
  manager->close();
  w.file = bytes_of(out);
  return w;
}

// One IFD parsed from the bytes: SHORT, LONG and IFD values as numbers,
// RATIONAL values as numerator and denominator.
struct Ifd {
  uint32_t offset = 0;
  uint32_t next = 0;
  std::map<uint16_t, std::vector<uint32_t>> values;
  std::vector<uint32_t> get(uint16_t tag) const {
    auto it = values.find(tag);
    return it == values.end() ? std::vector<uint32_t>() : it->second;
  }
  uint32_t one(uint16_t tag) const {
    std::vector<uint32_t> v = get(tag);
    return v.empty() ? 0 : v[0];
  }
};

struct FileReader {
  const Bytes& f;
  bool le;
  uint32_t u16(size_t at) const {
    if (at + 2 > f.size()) return 0;
    return le ? uint32_t(f[at] | f[at + 1] << 8) : uint32_t(f[at] << 8 | f[at + 1]);
  }
  uint32_t u32(size_t at) const {
    if (at + 4 > f.size()) return 0;
    return le ? uint32_t(f[at]) | uint32_t(f[at + 1]) << 8 | uint32_t(f[at + 2]) << 16 | uint32_t(f[at + 3]) << 24
              : uint32_t(f[at]) << 24 | uint32_t(f[at + 1]) << 16 | uint32_t(f[at + 2]) << 8 | uint32_t(f[at + 3]);
  }
  Ifd ifd(uint32_t offset) const {
    Ifd d;
    d.offset = offset;
    uint32_t n = u16(offset);
    for (uint32_t i = 0; i < n; ++i) {
      size_t e = offset + 2 + 12 * size_t(i);
      uint16_t tag = uint16_t(u16(e)), type = uint16_t(u16(e + 2));
      uint32_t count = u32(e + 4);
      size_t size = type == 3 ? 2 : type == 5 ? 8 : 4;
      size_t at = size * count > 4 ? u32(e + 8) : e + 8;
      std::vector<uint32_t>& v = d.values[tag];
      for (uint32_t k = 0; k < count && k < 4096; ++k) {
        if (type == 3) v.push_back(u16(at + 2 * k));
        else if (type == 4 || type == 13) v.push_back(u32(at + 4 * k));
        else if (type == 5) {
          v.push_back(u32(at + 8 * k));
          v.push_back(u32(at + 8 * k + 4));
        }
      }
    }
    d.next = u32(offset + 2 + 12 * size_t(n));
    return d;
  }
  // The page IFDs in file order.
  std::vector<Ifd> pages() const {
    std::vector<Ifd> out;
    for (uint32_t at = u32(4); at != 0 && out.size() < 64; at = out.back().next) out.push_back(ifd(at));
    return out;
  }
  // A layer's images from its first IFD along the next-IFD chain.
  std::vector<Ifd> chain(uint32_t first) const {
    std::vector<Ifd> out;
    for (uint32_t at = first; at != 0 && out.size() < 4096; at = out.back().next) out.push_back(ifd(at));
    return out;
  }
};

// Page `page` of the file through format detection; empty when refused.
Rows read_page(const Bytes& file, uint32_t page = 1) {
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(RstReadRaster::create(&in, page));
  if (!node) return {};
  return read_lines(node.get());
}

uint32_t page_count(const Bytes& file) {
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
  return info ? info->page_count() : 0;
}

bool little(const Bytes& f) { return f.size() >= 2 && f[0] == 'I'; }

// The writer's own layers of a page: mask, background, foreground pulled
// from the layer makers over the same Lab page.
struct Layers {
  Rows mask, background, foreground;
};

Layers own_layers(const Rows& rows, uint32_t width, uint32_t mode, uint32_t strip_rows) {
  Layers l;
  RstRead* lab = rst_format_creators().transform_color_to(colour_source(rows, width), RstColorType::itu_lab());
  std::vector<RstRead*> nodes = mode == 0   ? RstMakeMRC3Layers::create_white_bg(lab, int32_t(strip_rows))
                                : mode == 1 ? RstMakeMRC2LayersFore::create(lab)
                                            : RstMakeMRC2LayersBack::create(lab);
  if (nodes.empty()) return l;
  std::vector<RstOwner<RstRead>> held;
  for (RstRead* n : nodes) held.emplace_back(n);
  l.mask = read_lines(nodes[0]);
  if (mode == 0) {
    l.background = read_lines(nodes[1]);
    l.foreground = read_lines(nodes[2]);
  } else if (mode == 1) {
    l.foreground = read_lines(nodes[1]);
  } else {
    l.background = read_lines(nodes[1]);
  }
  return l;
}

bool bit(const Bytes& row, uint32_t x) { return (row[x / 8] >> (7 - x % 8)) & 1; }

class WriteTiffMrc : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    rst_register_mrc_creators();
  }
};

RstWriteTIFFMRCOption mrc_option(uint32_t mode, uint32_t dpi, uint32_t rows, const RstCodingOption* mask,
                                 uint32_t background_reduction = 1, uint32_t foreground_reduction = 1,
                                 const RstCodingOption* background = nullptr,
                                 const RstCodingOption* foreground = nullptr) {
  return RstWriteTIFFMRCOption(mode, dpi, dpi, rows, mask, background, foreground, background_reduction,
                               foreground_reduction);
}

TEST_F(WriteTiffMrc, LayerImagesArePlacedAndReduced) {
  const uint32_t width = 200, height = 300;
  RstMMROption mmr(1, 0);
  RstWriteTIFFMRCOption option = mrc_option(0, 300, 128, &mmr, 2, 1);
  Written w = write_pages({colour_rows(width, height)}, width, option);
  ASSERT_EQ(w.status, std::vector<int32_t>{1});
  FileReader r{w.file, true};
  std::vector<Ifd> pages = r.pages();
  ASSERT_EQ(pages.size(), 1u);
  const Ifd& page = pages[0];
  EXPECT_EQ(page.one(254), 18u);
  EXPECT_EQ(page.get(34732), (std::vector<uint32_t>{2, 1}));
  ASSERT_EQ(page.get(330).size(), 2u);
  // Strips of 128, 128 and 44 rows; the last background stripe 22 rows.
  std::vector<Ifd> background = r.chain(page.get(330)[0]), foreground = r.chain(page.get(330)[1]);
  ASSERT_EQ(background.size(), 3u);
  ASSERT_EQ(foreground.size(), 3u);
  const uint32_t heights[] = {128, 128, 44};
  for (uint32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const Ifd& b = background[i];
    const Ifd& f = foreground[i];
    EXPECT_EQ(b.get(34732), (std::vector<uint32_t>{1, i + 1}));
    EXPECT_EQ(f.get(34732), (std::vector<uint32_t>{3, i + 1}));
    EXPECT_EQ(b.one(254), 0u);  // several images in the layer
    EXPECT_EQ(b.one(256), width / 2);
    EXPECT_EQ(b.one(257), heights[i] / 2);
    EXPECT_EQ(f.one(256), width);
    EXPECT_EQ(f.one(257), heights[i]);
    EXPECT_EQ(b.get(282), (std::vector<uint32_t>{150, 1}));
    EXPECT_EQ(f.get(282), (std::vector<uint32_t>{300, 1}));
    RstRational y = RstRational::from_double(128.0 * i / 300.0);
    EXPECT_EQ(b.get(287), (std::vector<uint32_t>{y.numerator, y.denominator}));
    EXPECT_EQ(f.get(287), (std::vector<uint32_t>{y.numerator, y.denominator}));
    EXPECT_EQ(b.one(262), 10u);
  }
  EXPECT_EQ(background.back().next, 0u);
  EXPECT_EQ(foreground.back().next, 0u);
}

TEST_F(WriteTiffMrc, OddStripeReducedWarnsOfItsHeight) {
  RstMMROption mmr(1, 0);
  RstWriteTIFFMRCOption option = mrc_option(0, 300, 127, &mmr, 2, 1);
  Written w = write_pages({colour_rows(64, 127)}, 64, option);
  ASSERT_EQ(w.status, std::vector<int32_t>{1});
  EXPECT_TRUE(
      reported(202, "create_children_vector() in writetiffmrc - child's height will not be the same as original."));
  FileReader r{w.file, true};
  std::vector<Ifd> background = r.chain(r.pages()[0].get(330)[0]);
  ASSERT_EQ(background.size(), 1u);
  EXPECT_EQ(background[0].one(257), 64u);
  EXPECT_EQ(background[0].one(254), 16u);  // the layer's only image
}

// Mode 1 keeps only the foreground, mode 2 only the background.
TEST_F(WriteTiffMrc, TwoLayerModesWriteOneSubIFD) {
  struct Case {
    uint32_t mode, layer;
  } cases[] = {{1, 3}, {2, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    RstMMROption mmr(1, 0);
    Written w = write_pages({colour_rows(96, 80)}, 96, mrc_option(c.mode, 200, 32, &mmr));
    ASSERT_EQ(w.status, std::vector<int32_t>{1});
    FileReader r{w.file, true};
    const Ifd page = r.pages()[0];
    ASSERT_EQ(page.get(330).size(), 1u);
    std::vector<Ifd> images = r.chain(page.get(330)[0]);
    ASSERT_EQ(images.size(), 3u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(images[i].get(34732), (std::vector<uint32_t>{c.layer, i + 1}));
  }
}

// Per strip: the strip's layer IFDs, the mask strip, the layer data; the
// first layer IFD right behind the page IFD; every IFD at an even offset;
// SubIFDs as written.
TEST_F(WriteTiffMrc, FileLayoutStripByStrip) {
  RstMMROption mmr(1, 0);
  RstEncodeJPEGOption jpeg(50, RstJPEGSampling::s420);
  for (uint32_t order : {0x4949u, 0x4D4Du}) {
    SCOPED_TRACE(order);
    Written w = write_pages({colour_rows(120, 100, 1), colour_rows(120, 100, 2), colour_rows(120, 100, 3)}, 120,
                            mrc_option(0, 200, 32, &mmr, 2, 1, &jpeg, nullptr), order);
    ASSERT_EQ(w.status, std::vector<int32_t>(3, 1));
    FileReader r{w.file, little(w.file)};
    std::vector<Ifd> pages = r.pages();
    ASSERT_EQ(pages.size(), 3u);
    for (uint32_t p = 0; p < 3; ++p) {
      SCOPED_TRACE(p);
      const Ifd& page = pages[p];
      EXPECT_EQ(page.offset % 2, 0u);
      EXPECT_EQ(page.get(34732), (std::vector<uint32_t>{2, p + 1}));
      std::vector<uint32_t> subs = page.get(330);
      ASSERT_EQ(subs.size(), 2u);
      EXPECT_EQ(w.planned[p], subs);
      EXPECT_EQ(w.actual[p], subs);
      std::vector<Ifd> bg = r.chain(subs[0]), fg = r.chain(subs[1]);
      std::vector<uint32_t> strips = page.get(273);
      ASSERT_EQ(strips.size(), 4u);
      ASSERT_EQ(bg.size(), 4u);
      ASSERT_EQ(fg.size(), 4u);
      EXPECT_GT(bg[0].offset, page.offset);
      EXPECT_LT(bg[0].offset, fg[0].offset);
      for (size_t s = 0; s < 4; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(bg[s].offset % 2, 0u);
        EXPECT_EQ(fg[s].offset % 2, 0u);
        EXPECT_LT(fg[s].offset, strips[s]);
        EXPECT_GT(bg[s].one(273), strips[s]);
        EXPECT_GT(fg[s].one(273), strips[s]);
        if (s + 1 < 4) {
          EXPECT_LT(bg[s].one(273), bg[s + 1].offset);
          EXPECT_LT(fg[s].one(273), strips[s + 1]);
        }
        EXPECT_EQ(bg[s].one(259), 7u);
        EXPECT_EQ(fg[s].one(259), 1u);
      }
    }
  }
}

// A layer option with an entry its child header did not plan: the SubIFDs
// value follows the IFD actually written.
TEST_F(WriteTiffMrc, SubIFDsFollowTheIFDsWritten) {
  RstMMROption mmr(1, 0);
  Written w =
      write_pages({colour_rows(64, 64)}, 64, mrc_option(0, 200, 32, &mmr), 0x4949, [](RstEncodeAndWriteTIFFMRC& node) {
        for (RstMRCChildRecord& r : node.background_images) r.option->software = "layer writer";
      });
  ASSERT_EQ(w.status, std::vector<int32_t>{1});
  ASSERT_EQ(w.planned[0].size(), 2u);
  EXPECT_NE(w.planned[0][1], w.actual[0][1]);
  FileReader r{w.file, true};
  std::vector<uint32_t> subs = r.pages()[0].get(330);
  EXPECT_EQ(subs, w.actual[0]);
  EXPECT_EQ(r.ifd(subs[1]).get(34732), (std::vector<uint32_t>{3, 1}));
  Rows page = read_page(w.file);
  EXPECT_EQ(page.size(), 64u);
}

// Refusals before anything is written.
TEST_F(WriteTiffMrc, RefusedBeforeAnythingIsWritten) {
  RstMMROption mmr(1, 0);
  RstMHOption mh(0, 0, 0, 0, 1);
  struct Case {
    const char* name;
    std::function<RstWriteTIFFMRCOption()> option;
    int32_t code;
    const char* where;
    bool bilevel;
  } cases[] = {
      {"resolutions differ",
       [&] {
         RstWriteTIFFMRCOption o = mrc_option(0, 200, 0, &mmr);
         o.y_resolution = RstRational{100, 1};
         return o;
       },
       -2, "RstEncodeAndWriteTIFFMRC::create() - X resolution != Y resolution.", false},
      {"mode 3", [&] { return mrc_option(3, 200, 0, &mmr); }, -2, "RstEncodeAndWriteTIFFMRC::create()", false},
      {"compression 2",
       [&] {
         RstWriteTIFFMRCOption o = mrc_option(1, 200, 0, &mmr);
         o.compression = RstTIFFCompression(2);
         return o;
       },
       0, "RstEncodeAndWriteTIFFMRC::create_encoder() - invalid compression is specified", false},
      {"bilevel source", [&] { return mrc_option(1, 200, 0, &mmr); }, -3, "RstWriteTIFFMRC::create().", true},
  };
  (void)mh;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    MemoryOutputStorage out;
    RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 0, 0x4949);
    RstWriteTIFFMRCOption option = c.option();
    RstRead* source =
        c.bilevel ? static_cast<RstRead*>(new LineSource(image_header(64, 8, 1, 1, RstColorType::s_gray_reverse()),
                                                         bilevel_rows(64, 8), nullptr))
                  : colour_source(colour_rows(64, 8), 64);
    EXPECT_EQ(RstWriteTIFFMRC::create(source, manager, &option), nullptr);
    source->end();
    EXPECT_TRUE(reported(c.code, c.where));
    manager->close();
    EXPECT_EQ(out.size(), 0);
  }
}

// Read back through format detection: with raw layers unreduced every page
// is mask ? foreground : background of the writer's own layers, the layer a
// two-layer mode leaves out one colour.
TEST_F(WriteTiffMrc, PagesReadBackAsTheirLayers) {
  struct Case {
    uint32_t mode;
    int mask;  // encode type: 0 none, 1 MH, 2 MR, 3 MMR, 6 T.85
    uint32_t order;
  } cases[] = {{0, 3, 0x4949}, {0, 0, 0x4D4D}, {1, 1, 0x4949}, {2, 2, 0x4D4D}, {0, 6, 0x4949}};
  const uint32_t width = 72, height = 90, strip = 32;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.mode << " " << c.mask);
    RstMHOption mh(1, 0, 1, 0, 0);
    RstMROption mr(1, 0, 0, 0, 4);
    RstMMROption mmr(1, 0);
    RstEncodeJBIGT85Option t85(128, 0, 0);
    const RstCodingOption* mask = c.mask == 1   ? static_cast<const RstCodingOption*>(&mh)
                                  : c.mask == 2 ? static_cast<const RstCodingOption*>(&mr)
                                  : c.mask == 3 ? static_cast<const RstCodingOption*>(&mmr)
                                  : c.mask == 6 ? static_cast<const RstCodingOption*>(&t85)
                                                : nullptr;
    std::vector<Rows> sources = {colour_rows(width, height, 1), colour_rows(width, height, 4),
                                 colour_rows(width, height, 9)};
    Written w = write_pages(sources, width, mrc_option(c.mode, 200, strip, mask), c.order);
    ASSERT_EQ(w.status, std::vector<int32_t>(3, 1));
    EXPECT_EQ(page_count(w.file), 3u);
    for (uint32_t p = 0; p < 3; ++p) {
      SCOPED_TRACE(p);
      Layers own = own_layers(sources[p], width, c.mode, strip);
      Rows page = read_page(w.file, p + 1);
      ASSERT_EQ(page.size(), height);
      ASSERT_EQ(own.mask.size(), height);
      std::vector<uint8_t> left_out;
      for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
          bool m = bit(own.mask[y], x);
          const Rows& layer = m ? own.foreground : own.background;
          const uint8_t* got = &page[y][size_t(x) * 3];
          if (layer.empty()) {
            if (left_out.empty()) left_out.assign(got, got + 3);
            ASSERT_TRUE(std::equal(got, got + 3, left_out.begin())) << x << "," << y;
            continue;
          }
          ASSERT_TRUE(std::equal(got, got + 3, &layer[y][size_t(x) * 3])) << x << "," << y;
        }
    }
  }
}

// RstWriteTIFF::create with a plain option that describes a mask page writes
// a page of mask and foreground.
TEST_F(WriteTiffMrc, GenericWriterTakesMaskPages) {
  RstWriteTIFFOption option(200, 200, 3, 32, nullptr);
  option.new_subfile_type = 18;
  option.image_layer = {2, 0};
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 0, 0x4949);
  RstWrite* writer = RstWriteTIFF::create(colour_source(colour_rows(64, 64), 64), manager, &option);
  ASSERT_NE(writer, nullptr);
  while (writer->write() != 0) {
  }
  EXPECT_EQ(writer->status(), 1);
  writer->end();
  manager->close();
  Bytes file = bytes_of(out);
  FileReader r{file, true};
  const Ifd page = r.pages()[0];
  EXPECT_EQ(page.one(259), 4u);
  ASSERT_EQ(page.get(330).size(), 1u);
  EXPECT_EQ(r.ifd(page.get(330)[0]).get(34732), (std::vector<uint32_t>{3, 1}));
  EXPECT_EQ(read_page(file).size(), 64u);
}

// An output failing after n bytes leaves a failure for every n below the
// file's size.
TEST_F(WriteTiffMrc, FailingOutputEndsThePageWithAFailure) {
  RstMMROption mmr(1, 0);
  RstWriteTIFFMRCOption option = mrc_option(0, 200, 8, &mmr);
  Rows rows = colour_rows(24, 20);
  Written whole = write_pages({rows}, 24, option);
  ASSERT_EQ(whole.status, std::vector<int32_t>{1});
  // Every count through the page's IFDs, then a step through the layer data.
  for (int64_t n = 0; n < int64_t(whole.file.size()); n += n < 600 ? 1 : 29) {
    SCOPED_TRACE(n);
    MemoryOutputStorage memory;
    FailingStorage out(&memory, n);
    RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 0, 0x4949);
    RstRead* source = colour_source(rows, 24);
    RstWrite* writer = RstWriteTIFFMRC::create(source, manager, &option);
    int32_t s = 0;
    if (writer) {
      while (writer->write() != 0) {
      }
      s = writer->status();
      writer->end();
    } else {
      source->end();
    }
    manager->close();
    EXPECT_LT(s, 1);
  }
}

// The rows of the current directory as libtiff decodes them.
Rows libtiff_rows(TIFF* tif) {
  uint32_t w = 0, h = 0, rps = 0;
  uint16_t bits = 1, spp = 1;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rps);
  if (rps > h) rps = h;
  size_t stride = (size_t(w) * bits * spp + 7) / 8;
  Rows rows;
  Bytes buffer(stride * rps);
  for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
    tmsize_t n = TIFFReadEncodedStrip(tif, s, buffer.data(), tmsize_t(buffer.size()));
    if (n < 0) return {};
    for (size_t r = 0; r < size_t(n) / stride && rows.size() < h; ++r)
      rows.emplace_back(buffer.begin() + long(r * stride), buffer.begin() + long((r + 1) * stride));
  }
  return rows;
}

// The rows of a P4 file.
Rows pbm_rows(const Bytes& pbm) {
  std::string head(pbm.begin(), pbm.begin() + long(std::min<size_t>(pbm.size(), 40)));
  unsigned w = 0, h = 0;
  int used = 0;
  if (std::sscanf(head.c_str(), "P4 %u %u%n", &w, &h, &used) != 2) return {};
  size_t stride = (w + 7) / 8, at = size_t(used) + 1;
  Rows rows;
  for (unsigned y = 0; y < h && at + stride <= pbm.size(); ++y, at += stride)
    rows.emplace_back(pbm.begin() + long(at), pbm.begin() + long(at + stride));
  return rows;
}

// A JPEG stream whose three components are named R, G and B in the frame
// and scan headers, so that djpeg hands the channels out unconverted.
Bytes channels_as_rgb(Bytes jpeg) {
  size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
    uint8_t marker = jpeg[at + 1];
    size_t length = size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
    if (marker == 0xC0 && at + 10 + 9 <= jpeg.size())
      for (size_t c = 0; c < 3; ++c) jpeg[at + 10 + 3 * c] = uint8_t("RGB"[c]);
    if (marker == 0xDA) {
      for (size_t c = 0; c < 3 && at + 5 + 2 * c < jpeg.size(); ++c) jpeg[at + 5 + 2 * c] = uint8_t("RGB"[c]);
      break;
    }
    at += 2 + length;
  }
  return jpeg;
}

// The rows of a P6 file.
Rows ppm_rows(const Bytes& ppm) {
  std::string head(ppm.begin(), ppm.begin() + long(std::min<size_t>(ppm.size(), 40)));
  unsigned w = 0, h = 0, maxval = 0;
  int used = 0;
  if (std::sscanf(head.c_str(), "P6 %u %u %u%n", &w, &h, &maxval, &used) != 3) return {};
  size_t at = size_t(used) + 1, stride = size_t(w) * 3;
  Rows rows;
  for (unsigned y = 0; y < h && at + stride <= ppm.size(); ++y, at += stride)
    rows.emplace_back(ppm.begin() + long(at), ppm.begin() + long(at + stride));
  return rows;
}

// The write_mrc tool beside the running test program.
std::string write_mrc_path() {
  std::string decode = harness_path();
  return decode.substr(0, decode.rfind('/') + 1) + "write_mrc";
}

std::string output_of(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  pclose(p);
  return out;
}

size_t count_of(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Files written by write_mrc from colour, gray and bilevel pages: tiffinfo
// lists every page and layer image without complaint; libtiff decodes every
// layer (T.85 masks through jbgtopbm, JPEG strips also through djpeg); the
// colour page's mask and unreduced raw layers equal the writer's own layers,
// JPEG layers stay close to them; our reader gives every page back.
TEST_F(WriteTiffMrc, PeerToolsReadWhatWriteMrcWrites) {
  std::string dir = temp_dir();
  ASSERT_TRUE(run("cd " + dir +
                  " && /usr/bin/convert -size 120x90 gradient:orange-navy -fill black -draw 'rectangle 10,20 50,30' "
                  "-draw 'rectangle 60,40 64,80' -draw 'rectangle 70,40 110,44' -density 200 -units PixelsPerInch "
                  "colour.png && /usr/bin/convert colour.png -colorspace gray gray.png && /usr/bin/convert colour.png "
                  "-threshold 50% -monochrome -compress group4 bilevel.tif"));
  Bytes colour_png = file_bytes(dir + "/colour.png");
  Rows colour = read_page(colour_png);
  ASSERT_EQ(colour.size(), 90u);
  struct Case {
    const char* args;
    uint32_t mode;
    uint16_t mask_compression;
    bool bg_jpeg, fg_jpeg;
    uint32_t bg_reduction, fg_reduction;
    uint32_t rows;
  } cases[] = {
      {"--mode 0 --mask none --rows 32", 0, 1, false, false, 1, 1, 32},
      {"--mode 0 --mask mh --rows 40 --order MM", 0, 3, false, false, 1, 1, 40},
      {"--mode 0 --mask mr --mr-k 2 --bg-jpeg 50,0x12201220 --fg-jpeg 90,0x11101110", 0, 3, true, true, 1, 1, 0},
      {"--mode 0 --mask mmr --rows 32 --bg-jpeg 75,0x12201110 --bg-reduction 2 --fg-reduction 4", 0, 4, true, false, 2,
       4, 32},
      {"--mode 1 --mask t85 --t85 16,0,0 --rows 32 --fg-jpeg 60,0x14401110 --order MM", 1, 9, false, true, 1, 1, 32},
      {"--mode 2 --mask mmr --rows 64 --bg-reduction 8", 2, 4, false, false, 8, 1, 64},
      {"--mode 2 --mask mh --bg-jpeg 80,0x12201220", 2, 3, true, false, 1, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    std::string file = dir + "/out.tif";
    ASSERT_TRUE(run(write_mrc_path() + " " + c.args + " " + file + " " + dir + "/colour.png " + dir + "/gray.png " +
                    dir + "/bilevel.tif"));
    std::string info = output_of("tiffinfo " + file + " 2>&1");
    EXPECT_EQ(count_of(info, "Subfile Type: multi-page document (18 = 0x12)"), 3u);
    for (int p = 1; p <= 3; ++p) EXPECT_EQ(count_of(info, "ImageLayer: 2," + std::to_string(p) + "\n"), 1u);
    EXPECT_EQ(count_of(info, "Warning"), 0u);
    EXPECT_EQ(count_of(info, "Error"), 0u);
    uint32_t layers = c.mode == 0 ? 2 : 1;
    uint32_t strips = c.rows ? (90 + c.rows - 1) / c.rows : 1;
    EXPECT_EQ(count_of(info, "Photometric Interpretation: ITU L*a*b*"), 3 * layers * strips) << info;

    Bytes written = file_bytes(file);
    EXPECT_EQ(page_count(written), 3u);
    for (uint32_t p = 1; p <= 3; ++p) EXPECT_EQ(read_page(written, p).size(), 90u);

    // The colour page's layers through libtiff.
    Layers own = own_layers(colour, 120, c.mode, c.rows ? c.rows : 90);
    TIFF* tif = TIFFOpen(file.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint16_t compression = 0;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    EXPECT_EQ(compression, c.mask_compression);
    Rows mask;
    if (compression != 9) {
      mask = libtiff_rows(tif);
    } else {
      // libtiff does not decode Compression 9: each strip through jbgtopbm.
      for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
        Bytes raw(size_t(TIFFRawStripSize(tif, s)));
        tmsize_t n = TIFFReadRawStrip(tif, s, raw.data(), tmsize_t(raw.size()));
        ASSERT_GT(n, 0);
        raw.resize(size_t(n));
        write_bytes(dir + "/strip.jbg", raw);
        ASSERT_TRUE(run("jbgtopbm " + dir + "/strip.jbg " + dir + "/strip.pbm"));
        Rows part = pbm_rows(file_bytes(dir + "/strip.pbm"));
        mask.insert(mask.end(), part.begin(), part.end());
      }
    }
    EXPECT_EQ(mask, own.mask);
    toff_t* subs = nullptr;
    uint16_t count = 0;
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_SUBIFD, &count, &subs));
    ASSERT_EQ(count, layers);
    std::vector<toff_t> firsts(subs, subs + count);
    for (size_t k = 0; k < firsts.size(); ++k) {
      bool background = c.mode == 2 || (c.mode == 0 && k == 0);
      const Rows& layer = background ? own.background : own.foreground;
      bool jpeg = background ? c.bg_jpeg : c.fg_jpeg;
      uint32_t reduction = background ? c.bg_reduction : c.fg_reduction;
      ASSERT_TRUE(TIFFSetSubDirectory(tif, firsts[k]));
      Rows image;
      do {
        Rows part;
        uint16_t h_sub = 1, v_sub = 1;
        TIFFGetFieldDefaulted(tif, TIFFTAG_YCBCRSUBSAMPLING, &h_sub, &v_sub);
        if (jpeg) {
          // Every strip is a whole JPEG stream that djpeg decodes.
          Bytes raw(size_t(TIFFRawStripSize(tif, 0)));
          tmsize_t n = TIFFReadRawStrip(tif, 0, raw.data(), tmsize_t(raw.size()));
          ASSERT_GT(n, 0);
          raw.resize(size_t(n));
          write_bytes(dir + "/strip.jpg", raw);
          ASSERT_TRUE(run("djpeg -pnm " + dir + "/strip.jpg > " + dir + "/strip.ppm"));
          // libtiff decodes Lab JPEG only without sub-sampling; the others
          // are taken from djpeg, told that the channels are no YCbCr.
          if (h_sub != 1 || v_sub != 1) {
            write_bytes(dir + "/lab.jpg", channels_as_rgb(raw));
            ASSERT_TRUE(run("djpeg -pnm " + dir + "/lab.jpg > " + dir + "/lab.ppm"));
            part = ppm_rows(file_bytes(dir + "/lab.ppm"));
          }
        }
        if (part.empty()) part = libtiff_rows(tif);
        ASSERT_FALSE(part.empty());
        image.insert(image.end(), part.begin(), part.end());
      } while (TIFFReadDirectory(tif));
      if (reduction != 1) continue;
      ASSERT_EQ(image.size(), layer.size());
      double total = 0;
      for (size_t y = 0; y < image.size(); ++y)
        for (size_t i = 0; i < image[y].size(); ++i) total += std::abs(int(image[y][i]) - int(layer[y][i]));
      double mean = total / double(image.size() * image[0].size());
      if (jpeg) EXPECT_LT(mean, 6.0) << k;
      else EXPECT_EQ(image, layer);
    }
    TIFFClose(tif);
  }
  run("rm -rf " + dir);
}

// A strip chain that hands its bytes out only when it ends (the JBIG
// writers) does not end the page after its first strip.
TEST_F(WriteTiffMrc, HeldStripsDoNotEndThePage) {
  Rows rows = bilevel_rows(64, 40);
  RstWriteTIFFOption option(200, 200, 6, 16, nullptr);
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 1, 0x4949);
  RstWrite* writer = RstWriteTIFF::create(
      new LineSource(image_header(64, 40, 1, 1, RstColorType::s_gray_reverse()), rows, nullptr), manager, &option);
  ASSERT_NE(writer, nullptr);
  while (writer->write() != 0) {
  }
  EXPECT_EQ(writer->status(), 1);
  writer->end();
  manager->close();
  Bytes file = bytes_of(out);
  FileReader r{file, true};
  const Ifd page = r.pages()[0];
  std::vector<uint32_t> counts = page.get(279);
  ASSERT_EQ(counts.size(), 3u);
  for (uint32_t c : counts) EXPECT_GT(c, 20u);
  EXPECT_EQ(read_page(file), rows);
}

// A layer writer that cannot be made for the second stripe of the second
// page ends that page with the writer's failure; no further strip starts,
// the layer chains still end with 0 and the first page stays readable.
TEST_F(WriteTiffMrc, RefusedLayerWriterEndsThePage) {
  RstMMROption mmr(1, 0);
  RstWriteTIFFMRCOption option = mrc_option(0, 200, 16, &mmr);
  std::vector<Rows> pages = {colour_rows(32, 40, 1), colour_rows(32, 40, 2)};
  Rows first = read_page(write_pages({pages[0]}, 32, option).file);
  ASSERT_EQ(first.size(), 40u);
  int page = 0;
  Written w = write_pages(pages, 32, option, 0x4949, [&](RstEncodeAndWriteTIFFMRC& node) {
    if (++page == 2) node.background_images[1].option->tile_width = 256;
  });
  ASSERT_EQ(w.status.size(), 2u);
  EXPECT_EQ(w.status[0], 1);
  ASSERT_FALSE(status.errors().empty());
  EXPECT_EQ(w.status[1], status.errors().back().code);  // the refusal's code
  EXPECT_LT(w.status[1], 1);
  FileReader r{w.file, true};
  std::vector<Ifd> ifds = r.pages();
  ASSERT_EQ(ifds.size(), 2u);
  std::vector<uint32_t> subs = ifds[1].get(330);
  ASSERT_EQ(subs.size(), 2u);
  EXPECT_EQ(r.chain(subs[0]).size(), 1u);  // the first stripe's image, ended with 0
  EXPECT_EQ(r.chain(subs[1]).size(), 1u);
  EXPECT_EQ(ifds[1].get(279)[2], 0u);  // the third strip never started
  EXPECT_EQ(read_page(w.file, 1), first);
}

}  // namespace

namespace {

// A source that stops before its header's height has failed (its nodes
// report why and return no line): the page must not pass as written.
TEST_F(WriteTiffMrc, SourceEndingEarlyFailsThePage) {
  RstMMROption mmr(1, 0);
  const Rows rows = colour_rows(24, 20);
  const Rows cut(rows.begin(), rows.begin() + 10);
  struct Case {
    const char* what;
    bool mrc;
  } cases[] = {{"raw gray strips", false}, {"profile M page", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryOutputStorage out;
    RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 0, 0x4949);
    RstWriteTIFFMRCOption mrc = mrc_option(1, 200, 8, &mmr);
    RstWriteTIFFOption plain(200, 200, 0, 8, nullptr);
    RstRead* source =
        c.mrc ? static_cast<RstRead*>(new LineSource(image_header(24, 20, 8, 3, RstColorType::s_rgb()), cut, nullptr))
              : new LineSource(image_header(24, 20, 8, 1, RstColorType::s_gray()), Rows(10, Bytes(24, 0x80)), nullptr);
    RstWrite* writer =
        c.mrc ? RstWriteTIFFMRC::create(source, manager, &mrc) : RstWriteTIFF::create(source, manager, &plain);
    ASSERT_NE(writer, nullptr);
    while (writer->write() != 0) {
    }
    EXPECT_LT(writer->status(), 1);
    writer->end();
    manager->close();
  }
}

}  // namespace

namespace {

// One page written with the n-th allocation of the page writer failing (0:
// none); the file and the page's status (0 when no writer was made).
struct FailedRun {
  Bytes file;
  int32_t status = 0;
  bool reached = false;
};

FailedRun write_failing(const Rows& rows, uint32_t width, const RstWriteTIFFMRCOption& option, int64_t n) {
  FailedRun run;
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 0, 0x4949);
  // An ITU Lab page: the writer takes it as it is, and the sweep is spent on
  // the writer's own allocations, not on building colour tables.
  RstRead* source =
      new LineSource(image_header(int32_t(width), int32_t(rows.size()), 8, 3, RstColorType::itu_lab()), rows, nullptr);
  if (n > 0) RstAllocFault::fail_nth(n);
  RstWrite* writer = RstWriteTIFFMRC::create(source, manager, &option);
  if (writer) {
    while (writer->write() > 0) {
    }
    run.status = writer->status();
    writer->end();
  } else {
    source->end();
  }
  run.reached = n > 0 && RstAllocFault::calls() >= n;
  RstAllocFault::clear();
  manager->close();
  run.file = bytes_of(out);
  return run;
}

// Every allocation of a small page fails in turn, in each layer mode: the
// page then fails, or its file is the one written without failure, and
// nothing is left behind (the leak check of the sanitizer build).
TEST_F(WriteTiffMrc, EveryAllocationFailureFailsThePageOrChangesNothing) {
  RstMMROption mmr(1, 0);
  // Two strips, the second shorter, so that every stripe is reduced.
  const uint32_t width = 16, height = 12;
  const Rows rows = colour_rows(width, height);
  struct Case {
    uint32_t mode, background_reduction, foreground_reduction;
  } cases[] = {{0, 2, 1}, {1, 1, 2}, {2, 2, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    RstWriteTIFFMRCOption option = mrc_option(c.mode, 200, 8, &mmr, c.background_reduction, c.foreground_reduction);
    const FailedRun whole = write_failing(rows, width, option, 0);
    ASSERT_EQ(whole.status, 1);
    int64_t n = 1;
    for (;; ++n) {
      status.clear();
      FailedRun run = write_failing(rows, width, option, n);
      if (!run.reached) {
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.file, whole.file);
        break;
      }
      if (run.status >= 1) {
        EXPECT_EQ(run.file, whole.file) << "allocation " << n << " failed, status " << run.status;
      }
    }
    EXPECT_GT(n, 20);
  }
}

}  // namespace
