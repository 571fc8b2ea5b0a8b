// Side-by-side joining: 1-bit, 8-bit and run-line joins by table, the
// refusals and allocation failures of every create, short lines, skip and
// reset, the registered creator, and random netpbm images against
// pnmcat -lr byte for byte.
#include <cstdlib>
#include <random>
#include <string>

#include "raster/codecs/rst_encode_ccitt.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_tiff_strips.h"
#include "raster/formats/rst_read_tiles.h"
#include "raster/geometry/rst_align_x.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "turn_support.h"

namespace {

class AlignX : public RstStatusTest {};

RstRead* bits_source(int32_t width, std::vector<Bytes> lines) {
  return new LineSource(image_header(width, int32_t(lines.size()), 1, 1, RstColorType::s_gray_reverse()),
                        std::move(lines));
}

TEST_F(AlignX, OneNodeIsThatNode) {
  RstRead* a = bits_source(5, {{0xF8}});
  for (auto create : {&RstAlignX::create, &RstAlignX1bits::create, &RstAlignX8bits::create, &RstAlignXRLE::create})
    EXPECT_EQ(create({a}), a);
  a->end();
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(AlignX, BitsPackedAcrossBytes) {
  // Widths 5 and 6: 11 pixels in 2 bytes, the last 5 bits clear.
  Held<> node(RstAlignX::create({bits_source(5, {{0xA8}, {0xFF}}), bits_source(6, {{0xFC}, {0x54}})}));
  ASSERT_TRUE(node);
  EXPECT_EQ(RstHeader(node.get()).width, 11);
  EXPECT_EQ(node->line_size(), 2);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{0xAF, 0xE0}, {0xFA, 0xA0}}));
  // Byte-aligned, then shifted again: 8 + 3 + 9 pixels.
  Held<> three(RstAlignX::create({bits_source(8, {{0x81}}), bits_source(3, {{0xFF}}), bits_source(9, {{0x80, 0xFF}})}));
  ASSERT_TRUE(three);
  EXPECT_EQ(pull(three.get()), (std::vector<Bytes>{{0x81, 0xF0, 0x10}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(AlignX, RunLinesShiftedAndJoined) {
  struct Case {
    const char* name;
    Pairs a;
    Pairs b;
    Pairs out;
  } cases[] = {
      {"joined at the seam", {{2, 3}}, {{0, 1}}, {{2, 5}}},
      {"apart", {{2, 3}}, {{1, 1}}, {{2, 3}, {5, 5}}},
      {"empty line still shifts", {}, {{0, 0}}, {{4, 4}}},
      {"both empty", {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstAlignX::create({rle_source(4, {run_line(c.a)}), rle_source(5, {run_line(c.b)})}));
    ASSERT_TRUE(node);
    EXPECT_EQ(node->line_size(), rst_rle_line_bound(9));
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{run_line(c.out)});
  }
  // Three inputs, the middle one empty.
  Held<> node(RstAlignX::create(
      {rle_source(3, {run_line({{2, 2}})}), rle_source(2, {run_line({})}), rle_source(3, {run_line({{0, 2}})})}));
  EXPECT_EQ(pull(node.get()), std::vector<Bytes>{run_line({{2, 2}, {5, 7}})});
  // Untrusted lines: no terminator, runs out of order and past the width.
  const Pairs dirty = {{9, 40}, {-3, 1}, {6, 2}, {0, 3}, {4, 5}};
  Held<> bad(
      RstAlignX::create({rle_source(12, {run_line(dirty, false)}, 40), rle_source(12, {run_line(dirty, false)}, 40)}));
  ASSERT_TRUE(bad);
  EXPECT_EQ(pull(bad.get()), std::vector<Bytes>{run_line({{9, 11}, {21, 23}})});
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(AlignX, EightBitsOfAnySampleCount) {
  auto rgb = [](int32_t w, std::vector<Bytes> l) {
    return new LineSource(image_header(w, int32_t(l.size()), 8, 3, RstColorType::s_rgb()), std::move(l));
  };
  Held<> node(RstAlignX::create({rgb(1, {{1, 2, 3}, {4, 5, 6}}), rgb(2, {{7, 8, 9, 10, 11, 12}, {0, 0, 0, 1, 1, 1}})}));
  ASSERT_TRUE(node);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{1, 2, 3, 7, 8, 9, 10, 11, 12}, {4, 5, 6, 0, 0, 0, 1, 1, 1}}));
  // A short line of any input ends the image there.
  RstRead* a = new LineSource(image_header(2, 3, 8, 1, RstColorType::s_gray()), {{1, 2}, {3}, {5, 6}}, 2);
  RstRead* b = new LineSource(image_header(1, 3, 8, 1, RstColorType::s_gray()), {{9}, {8}, {7}});
  Held<> shortened(RstAlignX::create({a, b}));
  ASSERT_TRUE(shortened);
  EXPECT_EQ(pull(shortened.get()), (std::vector<Bytes>{{1, 2, 9}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(AlignX, SkipAndResetKeepInputsTogether) {
  auto* a = static_cast<LineSource*>(bits_source(5, {{0x08}, {0x10}, {0x20}, {0x40}}));
  auto* b = static_cast<LineSource*>(bits_source(3, {{0x20}, {0x40}, {0x80}, {0x00}}));
  Held<> node(RstAlignX::create({a, b}));
  ASSERT_TRUE(node);
  EXPECT_EQ(node->skip(0), 0);
  EXPECT_EQ(node->skip(2), 2);
  EXPECT_EQ(a->last_skip, 2);
  EXPECT_EQ(b->last_skip, 2);
  EXPECT_EQ(first_line(node.get()), Bytes{0x24});
  EXPECT_EQ(node->skip(5), 1);
  EXPECT_EQ(b->last_skip, 1);
  node->reset();
  EXPECT_EQ(a->resets, 1);
  EXPECT_EQ(b->resets, 1);
  EXPECT_EQ(pull(node.get()).size(), 4u);
}

TEST_F(AlignX, RefusalsOfEveryCreate) {
  using Create = RstRead* (*)(const std::vector<RstRead*>&);
  const struct {
    Create create;
    const char* where;
  } creates[] = {{&RstAlignX::create, "RstAlignX::create()"},
                 {&RstAlignX1bits::create, "RstAlignX1bits::create()"},
                 {&RstAlignX8bits::create, "RstAlignX8bits::create()"},
                 {&RstAlignXRLE::create, "RstAlignXRLE::create()"}};
  // An empty list and a missing node after the first: -2 before any input
  // is used.
  for (const auto& c : creates) {
    SCOPED_TRACE(c.where);
    status.clear();
    auto* a = static_cast<LineSource*>(bits_source(5, {{0}}));
    EXPECT_EQ(c.create({}), nullptr);
    EXPECT_EQ(c.create({a, nullptr}), nullptr);
    EXPECT_EQ(c.create({nullptr, a}), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>(3, {-2, c.where})));
    EXPECT_EQ(a->reads + a->skips + a->resets, 0);
    a->end();
  }
  // Forms the join cannot take, and inputs that differ.
  auto gray = [](int32_t w, int32_t h, int32_t bits, int32_t form = RstDataForm::raw) -> RstRead* {
    RstHeader hd = image_header(w, h, bits, 1, RstColorType::s_gray(), form);
    return new LineSource(hd, {});
  };
  const struct {
    const char* name;
    std::vector<RstRead*> inputs;
  } refused[] = {
      {"16 bits", {gray(4, 2, 16), gray(4, 2, 16)}},
      {"4 bits", {gray(4, 2, 4), gray(4, 2, 4)}},
      {"coded", {gray(4, 2, 1, RstDataForm::mmr), gray(4, 2, 1, RstDataForm::mmr)}},
      {"heights differ", {gray(4, 2, 8), gray(4, 3, 8)}},
      {"depths differ", {gray(4, 2, 8), gray(4, 2, 1)}},
      {"forms differ", {gray(4, 2, 1), gray(4, 2, 1, RstDataForm::rle)}},
      {"colour types differ",
       {gray(4, 2, 8), new LineSource(image_header(4, 2, 8, 1, RstColorType::s_gray_reverse()), {})}},
      {"too wide", {gray(INT32_MAX / 2 + 1, 2, 8), gray(INT32_MAX / 2 + 1, 2, 8)}},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.name);
    status.clear();
    EXPECT_EQ(RstAlignX::create(r.inputs), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstAlignX::create()"}}));
    for (RstRead* n : r.inputs) n->end();
  }
  // Colormaps must be equal.
  status.clear();
  RstHeader mapped = image_header(2, 1, 8, 1, RstColorType::s_rgb());
  mapped.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 3, 2));
  RstHeader other = mapped;
  other.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 3, 2));
  other.colormap->data()[0] = 1;
  RstRead* m1 = new LineSource(mapped, {});
  RstRead* m2 = new LineSource(other, {});
  EXPECT_EQ(RstAlignX::create({m1, m2}), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstAlignX::create()"}}));
  m1->end();
  m2->end();
}

TEST_F(AlignX, AllocationFailures) {
  Image a = random_image(13, 4, 1, 1, 5, true), b = random_image(7, 4, 1, 1, 6, true);
  Held<> ref(RstAlignX::create({source_of(a), source_of(b)}));
  std::vector<Bytes> joined = pull(ref.get());
  // The second input is made inside make(): the first is the source.
  check_allocation_failures([&] { return source_of(a); },
                            [&](RstRead* s) {
                              RstRead* second = source_of(b);
                              RstRead* node = RstAlignX::create({s, second});
                              if (!node) second->end();
                              return node;
                            },
                            joined,
                            {"RstAlignX1bits::initiate()", "rst_create_end()", "RstCreateGuard::RstCreateGuard()"});
  Held<> ref_runs(RstAlignX::create({rle_source_of(a), rle_source_of(b)}));
  std::vector<Bytes> runs = pull(ref_runs.get());
  check_allocation_failures(
      [&] { return rle_source_of(a); },
      [&](RstRead* s) {
        RstRead* plain = source_of(b);
        RstRead* second = RstEncodeRLE::create(plain);
        if (!second) {
          plain->end();
          return static_cast<RstRead*>(nullptr);
        }
        RstRead* node = RstAlignX::create({s, second});
        if (!node) second->end();
        return node;
      },
      runs,
      {"RstAlignXRLE::initiate()", "rst_create_end()", "RstCreateGuard::RstCreateGuard()", "RstEncodeRLE::initiate()"});
}

// ---- against pnmcat

Image pnmcat(const std::vector<Image>& images, const std::string& tag) {
  std::string cmd = "pnmcat -lr";
  std::vector<std::string> files;
  for (size_t i = 0; i < images.size(); ++i) {
    files.push_back(::testing::TempDir() + "alignx_" + tag + std::to_string(i));
    write_netpbm(images[i], files.back());
    cmd += " " + files.back();
  }
  std::string out = ::testing::TempDir() + "alignx_" + tag + ".out";
  int rc = std::system((cmd + " > " + out + " 2>/dev/null").c_str());
  Image result = rc == 0 ? read_netpbm(out) : Image{};
  for (const std::string& f : files) std::remove(f.c_str());
  std::remove(out.c_str());
  return result;
}

TEST_F(AlignX, RandomImagesEqualPnmcat) {
  std::mt19937 rng(9223);
  for (int trial = 0; trial < 12; ++trial) {
    int32_t bits = trial % 3 == 0 ? 8 : 1, samples = trial % 3 == 0 ? (trial % 2 ? 3 : 1) : 1;
    if (trial % 3 == 1) bits = 8, samples = 1;
    if (trial % 3 == 2) bits = 1;
    int32_t height = 1 + int32_t(rng() % 20);
    std::vector<Image> images;
    size_t count = 2 + rng() % 3;
    for (size_t i = 0; i < count; ++i)
      images.push_back(random_image(1 + int32_t(rng() % 30), height, bits, samples, uint32_t(rng()), true));
    SCOPED_TRACE("trial " + std::to_string(trial) + " bits " + std::to_string(bits));
    Image theirs = pnmcat(images, std::to_string(trial));
    ASSERT_GT(theirs.width, 0) << "pnmcat failed";
    std::vector<RstRead*> inputs;
    for (const Image& im : images) inputs.push_back(source_of(im));
    Held<> node(RstAlignX::create(inputs));
    ASSERT_TRUE(node);
    EXPECT_TRUE(image_of(node.get()) == theirs);
    if (bits != 1) continue;
    // The same bilevel images as run lines.
    std::vector<RstRead*> runs;
    for (const Image& im : images) runs.push_back(rle_source_of(im));
    Held<> joined(RstAlignX::create(runs));
    ASSERT_TRUE(joined);
    EXPECT_TRUE(image_of_runs(joined.release()) == theirs);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(AlignX, RegisteredCreatorJoins) {
  rst_register_geometry_creators();
  ASSERT_NE(rst_format_creators().align_x, nullptr);
  Image a = random_image(10, 5, 8, 1, 1), b = random_image(3, 5, 8, 1, 2);
  Held<> node(rst_format_creators().align_x({source_of(a), source_of(b)}));
  ASSERT_TRUE(node);
  EXPECT_TRUE(image_of(node.get()) == pnmcat({a, b}, "creator"));
}

// ---- the strip chain's bands

// Columns x .. x + width - 1 of rows y .. y + rows - 1, clear past the page.
Image tile_of(const Image& page, int32_t x, int32_t y, int32_t width, int32_t rows) {
  Image t = blank_image(width, rows, 1, 1);
  for (int32_t r = 0; r < rows; ++r)
    for (int32_t c = 0; c < width && x + c < page.width; ++c) t.set_bit(c, r, page.bit(x + c, y + r));
  return t;
}

// A tile's stored bytes: packed rows, or MMR code of them.
Bytes stored(const Image& tile, bool coded) {
  Bytes out;
  if (!coded) {
    for (const Bytes& l : tile.lines) out.insert(out.end(), l.begin(), l.end());
    return out;
  }
  Held<> code(RstEncodeMMR::create(source_of(tile), nullptr));
  EXPECT_TRUE(code);
  if (!code) return out;
  Bytes buffer(size_t(code->line_size()) + 64);
  for (int n; (n = code->read(buffer.data())) > 0;) out.insert(out.end(), buffer.begin(), buffer.begin() + n);
  return out;
}

// The page cut into bands of band_rows, each band into tiles of tile_width
// (the last one overhanging the page), all in one file, and the strip chain
// over it.
struct TiledPage {
  Bytes file;
  std::unique_ptr<ByteArrayInputStorage> input;
  RstRead* chain = nullptr;
  TiledPage(const Image& page, int32_t tile_width, int32_t band_rows, bool coded) {
    std::vector<uint32_t> offsets, counts, rows;
    file.assign(8, 0);  // offset 0 means "not given"
    for (int32_t y = 0; y < page.height; y += band_rows) {
      int32_t h = std::min(band_rows, page.height - y);
      for (int32_t x = 0; x < page.width; x += tile_width) {
        Bytes b = stored(tile_of(page, x, y, tile_width, h), coded);
        offsets.push_back(uint32_t(file.size()));
        counts.push_back(uint32_t(b.size()));
        rows.push_back(uint32_t(h));
        file.insert(file.end(), b.begin(), b.end());
      }
    }
    input = std::make_unique<ByteArrayInputStorage>(file);
    RstCountedPtr<RstTileSpecArray> specs(new RstTileSpecArray(offsets, counts, uint32_t(tile_width), rows));
    RstHeader h = image_header(page.width, page.height, 1, 1, RstColorType::s_gray_reverse(),
                               coded ? RstDataForm::mmr : RstDataForm::raw);
    if (!coded) {
      chain = RstReadRawTiles::create(input.get(), h, specs, false);
      return;
    }
    auto* node = new RstReadAndDecodeCodeTiles(input.get(), h, specs, RstCountedPtr<RstCodingOption>(), false);
    chain = node;
    EXPECT_TRUE(rst_initiate(node));
  }
};

TEST_F(AlignX, StripChainBandsJoinTiles) {
  rst_register_geometry_creators();
  Image page = clean_pad(random_image(50, 13, 1, 1, 3344));
  for (bool coded : {false, true})
    for (int32_t tile_width : {32, 24, 50}) {  // two, three and one tile a band
      SCOPED_TRACE(std::string(coded ? "MMR" : "raw") + " tiles of " + std::to_string(tile_width));
      TiledPage tiles(page, tile_width, 8, coded);
      TiledPage strips(page, page.width, 8, coded);
      ASSERT_TRUE(tiles.chain && strips.chain);
      Image from_tiles = coded ? image_of_runs(tiles.chain) : clean_pad(image_of(tiles.chain));
      Image from_strips = coded ? image_of_runs(strips.chain) : clean_pad(image_of(strips.chain));
      if (!coded) {
        tiles.chain->end();
        strips.chain->end();
      }
      EXPECT_TRUE(from_tiles == page);
      EXPECT_TRUE(from_strips == page);
    }
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace
