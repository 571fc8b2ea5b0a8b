// Palette reduction: the inverse colour map against a plain exhaustive
// search, the nodes and their overloads, the 4-channel path, refusals and
// allocation failures.
#include "raster/color/rst_reduce_color.h"

#include <memory>
#include <random>

#include "color_test_support.h"
#include "raster/color/rst_apply_colormap.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/rst_status_recorder.h"

namespace {

class ReduceColor : public RstStatusTest {};

using Map = RstCountedPtr<RstColormap>;

Map map_of(const std::vector<uint32_t>& samples, int channels = 3) { return Map(colormap_of(8, channels, samples)); }

Map random_map(int entries, uint32_t seed, int channels = 3) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> s;
  for (int k = 0; k < entries * channels; ++k) s.push_back(rng() & 0xFF);
  return map_of(s, channels);
}

// The first smallest squared distance, searched the plain way.
int nearest(const RstColormap& map, int c0, int c1, int c2) {
  const uint8_t* d = map.data();
  int best = 0;
  long best_d = -1;
  for (int e = 0; e < map.entries(); ++e) {
    const uint8_t* p = d + e * map.channels();
    long dist = long(p[0] - c0) * (p[0] - c0) + long(p[1] - c1) * (p[1] - c1) + long(p[2] - c2) * (p[2] - c2);
    if (best_d < 0 || dist < best_d) best_d = dist, best = e;
  }
  return best;
}

RstRead* rgb_source(int32_t width, std::vector<Bytes> lines, int spp = 3, RstColorType* type = RstColorType::s_rgb(),
                    int bits = 8) {
  int32_t height = int32_t(lines.size());
  return new LineSource(image_header(width, height, bits, spp, type), std::move(lines));
}

Bytes random_pixels(size_t bytes, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(bytes);
  for (auto& v : b) v = uint8_t(rng());
  return b;
}

TEST_F(ReduceColor, TableEqualsAnExhaustiveSearchAtEveryCentre) {
  for (int entries : {16, 256}) {
    SCOPED_TRACE(entries);
    Map map = random_map(entries, uint32_t(entries));
    // A duplicated entry: the first of the two is the one found.
    std::memcpy(map->data() + 3 * 5, map->data() + 3 * 2, 3);
    RstColormapIndexTable table(map, 5);
    ASSERT_EQ(table.cell_count(), 32768);
    EXPECT_EQ(table.shift(), 3);
    EXPECT_EQ(table.first_shift(), 10);
    EXPECT_EQ(table.second_shift(), 5);
    EXPECT_EQ(table.colormap().get(), map.get());
    int mismatches = 0;
    bool five_seen = false;
    for (int j = 0; j < 32; ++j)
      for (int i = 0; i < 32; ++i)
        for (int k = 0; k < 32; ++k) {
          int c0 = 4 + 8 * j, c1 = 4 + 8 * i, c2 = 4 + 8 * k;
          int got = table.cells()[(j << 10) | (i << 5) | k];
          mismatches += got != nearest(*map, c0, c1, c2);
          five_seen |= got == 5;
          // Every colour of the cell looks the same cell up.
          EXPECT_EQ(table.cell_of(uint32_t(c0 - 4), uint32_t(c1 + 3), uint32_t(c2)),
                    uint32_t((j << 10) | (i << 5) | k));
        }
    EXPECT_EQ(mismatches, 0);
    EXPECT_FALSE(five_seen);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ReduceColor, FinderMeasuresEveryEntryAndKeepsTheLowestOfEqualDistances) {
  struct Case {
    const char* name;
    std::vector<uint32_t> entries;
    std::vector<int> colour;
    int expected;
  } cases[] = {
      {"exact entry", {0, 0, 0, 10, 20, 30, 255, 255, 255}, {10, 20, 30}, 1},
      {"tie, lower first", {0, 4, 4, 8, 4, 4}, {4, 4, 4}, 0},
      {"tie, lower second", {8, 4, 4, 0, 4, 4}, {4, 4, 4}, 0},
      {"duplicates", {9, 9, 9, 1, 1, 1, 1, 1, 1}, {0, 0, 0}, 1},
      {"last entry", {0, 0, 0, 0, 0, 0, 200, 0, 0}, {255, 0, 0}, 2},
      {"far outside the range", {0, 0, 0, 255, 255, 255}, {-100000, 40000, 40000}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstColormapIndexFinder finder(map_of(c.entries));
    EXPECT_EQ(finder.index(c.colour), c.expected);
  }
  EXPECT_TRUE(status.errors().empty());
  RstColormapIndexFinder finder(map_of({1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(finder.index({4, 5}), 0);
  EXPECT_EQ(finder.index({4, 5, 6, 7}), 0);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>(2, {-2, "RstColormapIndexTable::ColormapIndexFinder::index()"})));
  status.clear();
  RstColormapIndexFinder empty(map_of({}));
  EXPECT_EQ(empty.index({1, 2, 3}), 0);
  RstColormapIndexFinder four(map_of({1, 2, 3, 4}, 4));
  RstColormapIndexFinder none{Map()};
  EXPECT_EQ(status.errors(), (std::vector<RstReport>(2, {-2, "RstColormapIndexFinder::RstColormapIndexFinder()"})));
}

TEST_F(ReduceColor, APixelMapsToTheEntryNearestItsCellCentre) {
  // (1, 1, 1) is entry 0 itself, but its cell's centre (4, 4, 4) is entry 1.
  Map map = map_of({1, 1, 1, 4, 4, 4, 200, 0, 0});
  Held<> node(RstReduceColor8x3To8CCmap::create(rgb_source(3, {{1, 1, 1, 7, 0, 3, 200, 0, 0}}), map));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(first_line(node.get()), (Bytes{1, 1, 2}));
  // Two entries 4 away from the centre (4, 4, 4): the lower index is stored.
  Held<> tie(RstReduceColor8x3To8CCmap::create(rgb_source(1, {{5, 5, 5}}), map_of({8, 4, 4, 0, 4, 4})));
  ASSERT_NE(tie, nullptr);
  EXPECT_EQ(first_line(tie.get()), Bytes{0});
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ReduceColor, SixteenEntriesGiveIndicesBelowSixteenUnderTheirColormap) {
  Map map = random_map(16, 3);
  const int32_t width = 97;
  std::vector<Bytes> lines;
  for (uint32_t y = 0; y < 5; ++y) lines.push_back(random_pixels(3 * width, y));
  Held<> node(RstReduceColor8xNTo8CCmap::create(rgb_source(width, lines, 3, RstColorType::s_ycbcr()), map));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.width, width);
  EXPECT_EQ(h.height, 5);
  EXPECT_EQ(h.bits_per_sample, 8);
  EXPECT_EQ(h.samples_per_pixel, 1);
  EXPECT_EQ(h.data_form, RstDataForm::raw);
  EXPECT_EQ(h.color_type, RstColorType::s_ycbcr());
  ASSERT_TRUE(h.colormap);
  EXPECT_EQ(*h.colormap, *map);
  EXPECT_EQ(node->line_size(), width);
  auto out = pull(node.get());
  ASSERT_EQ(out.size(), 5u);
  for (size_t y = 0; y < out.size(); ++y)
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* p = &lines[y][3 * size_t(x)];
      ASSERT_EQ(out[y][size_t(x)], nearest(*map, (p[0] & ~7) + 4, (p[1] & ~7) + 4, (p[2] & ~7) + 4));
    }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ReduceColor, TwoHundredFiftySixEntriesReachIndex255) {
  std::vector<uint32_t> s(256 * 3, 0);
  for (uint32_t e = 0; e < 256; ++e) s[3 * e] = e, s[3 * e + 1] = 128, s[3 * e + 2] = 17;
  Map map = map_of(s);
  Held<> node(RstReduceColor8x3To8CCmap::create(rgb_source(2, {{255, 128, 17, 0, 0, 0}}), map));
  ASSERT_NE(node, nullptr);
  // Cell centres 252 and 4 on the first axis.
  EXPECT_EQ(first_line(node.get()), (Bytes{252, 4}));
  Held<> top(RstReduceColor8x3To8CCmap::create(rgb_source(1, {{255, 128, 17}}), map_of({0, 0, 0, 252, 132, 20})));
  std::vector<uint32_t> far(256 * 3, 0);
  far[255 * 3] = far[255 * 3 + 1] = far[255 * 3 + 2] = 255;
  Held<> last(RstReduceColor8x3To8CCmap::create(rgb_source(1, {{250, 250, 250}}), map_of(far)));
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(first_line(last.get()), Bytes{255});
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ReduceColor, OverloadsAgreeAndATableServesTwoNodes) {
  const int32_t width = 64;
  Bytes pixels = random_pixels(3 * width, 77);
  Map map = random_map(40, 9);
  Held<> counted(RstReduceColor8x3To8CCmap::create(rgb_source(width, {pixels}), map));
  Bytes expected = first_line(counted.get());
  ASSERT_EQ(expected.size(), size_t(width));
  {
    // The copy outlives the caller's colormap.
    auto* own = new RstColormap(8, 3, map->entries(), map->data());
    Held<> node(RstReduceColor8x3To8CCmap::create(rgb_source(width, {pixels}), *own));
    ASSERT_NE(node, nullptr);
    delete own;
    EXPECT_EQ(first_line(node.get()), expected);
    EXPECT_EQ(*RstHeader(node.get()).colormap, *map);
  }
  RstColormapIndexTable table(map, 5);
  Held<> a(RstReduceColor8x3To8CCmap::create(rgb_source(width, {pixels}), table));
  Held<> b(RstReduceColor8x3To8CCmap::create(rgb_source(width, {pixels}), table));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(first_line(a.get()), expected);
  EXPECT_EQ(first_line(b.get()), expected);
  EXPECT_EQ(RstHeader(a.get()).colormap.get(), map.get());
  Held<> front(RstReduceColor8xNTo8CCmap::create(rgb_source(width, {pixels}), map));
  EXPECT_EQ(first_line(front.get()), expected);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ReduceColor, SkipAndResetReachTheSource) {
  auto* src = new LineSource(image_header(1, 3, 8, 3, RstColorType::s_rgb()), {{0, 0, 0}, {255, 255, 255}, {0, 0, 0}});
  Held<> node(RstReduceColor8x3To8CCmap::create(src, map_of({0, 0, 0, 255, 255, 255})));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(src->skips, 1);
  EXPECT_EQ(first_line(node.get()), Bytes{1});
  node->reset();
  EXPECT_EQ(src->resets, 1);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{0}, {1}, {0}}));
}

TEST_F(ReduceColor, ZeroWidthReadsNothing) {
  Held<> node(RstReduceColor8x3To8CCmap::create(rgb_source(0, {{}, {}}), map_of({1, 2, 3})));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->line_size(), 0);
  Bytes line(8);
  EXPECT_EQ(node->read(line.data()), 0);
}

TEST_F(ReduceColor, ACellPerColourAtEightBits) {
  Map map = map_of({10, 200, 30, 11, 200, 30, 128, 128, 128});
  RstColormapIndexTable table(map, 8);
  ASSERT_EQ(table.cell_count(), 16777216);
  EXPECT_EQ(table.shift(), 0);
  std::mt19937 rng(5);
  for (int n = 0; n < 2000; ++n) {
    int c0 = int(rng() & 0xFF), c1 = int(rng() & 0xFF), c2 = int(rng() & 0xFF);
    ASSERT_EQ(table.index_of(uint32_t(c0), uint32_t(c1), uint32_t(c2)), nearest(*map, c0, c1, c2));
  }
  // Neighbours a cell of 2^5 would merge stay apart.
  EXPECT_EQ(table.index_of(10, 200, 30), 0);
  EXPECT_EQ(table.index_of(11, 200, 30), 1);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ReduceColor, TableRefusalsLeaveCellsZero) {
  struct Case {
    const char* name;
    Map map;
    int b;
  } cases[] = {
      {"b = 1", random_map(4, 1), 1},
      {"b = 9", random_map(4, 1), 9},
      {"no colormap", Map(), 5},
      {"4 channels", random_map(4, 1, 4), 5},
      {"16 bits", Map(colormap_of(16, 3, {1, 2, 3})), 5},
      {"no entries", map_of({}), 5},
      {"257 entries", random_map(257, 1), 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    RstColormapIndexTable table(c.map, c.b);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstColormapIndexTable::RstColormapIndexTable()"}}));
    for (int64_t i = 0; i < table.cell_count(); ++i) ASSERT_EQ(table.cells()[i], 0);
  }
  RstColormapIndexTable small(random_map(4, 1), 1);
  EXPECT_EQ(small.cell_count(), 8);
}

TEST_F(ReduceColor, Refusals) {
  const std::string front = "RstReduceColor8xNTo8CCmap::create()", three = "RstReduceColor8x3To8CCmap::create()",
                    four = "RstReduceColor8x4To8CCmap::create()";
  Map rgb16 = random_map(16, 2), cmyk16 = random_map(16, 2, 4);
  Map empty3 = map_of({}), empty4 = map_of({}, 4), big3 = random_map(257, 4), big4 = random_map(257, 4, 4);
  Map rgb256 = random_map(256, 4);
  auto three_src = [] { return rgb_source(2, {Bytes(6, 9)}); };
  auto four_src = [] { return rgb_source(2, {Bytes(8, 9)}, 4, RstColorType::s_cmyk()); };
  struct Case {
    const char* name;
    std::function<RstRead*(RstRead*)> make;
    std::function<RstRead*()> source;
    RstReport report;
  } cases[] = {
      {"front: 3-channel source, 4-channel colormap",
       [&](RstRead* s) { return RstReduceColor8xNTo8CCmap::create(s, *cmyk16); },
       three_src,
       {-2, front}},
      {"front: 16-bit source",
       [&](RstRead* s) { return RstReduceColor8xNTo8CCmap::create(s, *rgb16); },
       [] { return rgb_source(2, {Bytes(12, 9)}, 3, RstColorType::s_rgb(), 16); },
       {-3, front}},
      {"front: 2 samples",
       [&](RstRead* s) { return RstReduceColor8xNTo8CCmap::create(s, *rgb16); },
       [] { return rgb_source(2, {Bytes(4, 9)}, 2); },
       {-3, front}},
      {"front: no colormap",
       [&](RstRead* s) { return RstReduceColor8xNTo8CCmap::create(s, Map()); },
       three_src,
       {-2, front}},
      {"front: 0 entries",
       [&](RstRead* s) { return RstReduceColor8xNTo8CCmap::create(s, *empty3); },
       three_src,
       {-2, front}},
      {"front: 257 entries",
       [&](RstRead* s) { return RstReduceColor8xNTo8CCmap::create(s, big3); },
       three_src,
       {-2, front}},
      {"front: 0 CMYK entries",
       [&](RstRead* s) { return RstReduceColor8xNTo8CCmap::create(s, *empty4); },
       four_src,
       {-2, front}},
      {"front: 257 CMYK entries",
       [&](RstRead* s) { return RstReduceColor8xNTo8CCmap::create(s, *big4); },
       four_src,
       {-2, front}},
      {"3: 4 samples", [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, rgb16); }, four_src, {-3, three}},
      {"3: run lines",
       [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, rgb16); },
       [] {
         return new LineSource(image_header(2, 1, 8, 3, RstColorType::s_rgb(), RstDataForm::packbits), {Bytes(6, 9)});
       },
       {-3, three}},
      {"3: 4-channel colormap",
       [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, cmyk16); },
       three_src,
       {-2, three}},
      {"3 counted: 0 entries",
       [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, empty3); },
       three_src,
       {-2, three}},
      {"3 counted: 257 entries",
       [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, big3); },
       three_src,
       {-2, three}},
      {"3 reference: 0 entries",
       [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, *empty3); },
       three_src,
       {-2, three}},
      {"3 reference: 257 entries",
       [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, *big3); },
       three_src,
       {-2, three}},
      {"3 table: 0 entries",
       [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, RstColormapIndexTable(empty3, 5)); },
       three_src,
       {-2, three}},
      {"3 table: 257 entries",
       [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, RstColormapIndexTable(big3, 5)); },
       three_src,
       {-2, three}},
      {"4: 0 entries", [&](RstRead* s) { return RstReduceColor8x4To8CCmap::create(s, *empty4); }, four_src, {-2, four}},
      {"4: 257 entries", [&](RstRead* s) { return RstReduceColor8x4To8CCmap::create(s, *big4); }, four_src, {-2, four}},
      {"4: 3-channel colormap",
       [&](RstRead* s) { return RstReduceColor8x4To8CCmap::create(s, *rgb16); },
       four_src,
       {-2, four}},
      {"4: 3-channel source",
       [&](RstRead* s) { return RstReduceColor8x4To8CCmap::create(s, *cmyk16); },
       three_src,
       {-3, four}},
      {"4: labelled RGB",
       [&](RstRead* s) { return RstReduceColor8x4To8CCmap::create(s, *cmyk16); },
       [] { return rgb_source(2, {Bytes(8, 9)}, 4, RstColorType::s_rgb()); },
       {-3, three}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    RstRead* src = c.source();
    EXPECT_EQ(c.make(src), nullptr);
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors().back(), c.report);
    src->end();  // still the caller's
  }
  status.clear();
  EXPECT_EQ(RstReduceColor8xNTo8CCmap::create(nullptr, *rgb16), nullptr);
  EXPECT_EQ(RstReduceColor8x3To8CCmap::create(nullptr, rgb16), nullptr);
  EXPECT_EQ(RstReduceColor8x3To8CCmap::create(nullptr, *rgb16), nullptr);
  EXPECT_EQ(RstReduceColor8x4To8CCmap::create(nullptr, *cmyk16), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, front}, {-2, three}, {-2, three}, {-2, four}}));
  // 256 entries pass everywhere.
  status.clear();
  Held<> ok(RstReduceColor8xNTo8CCmap::create(three_src(), rgb256));
  EXPECT_NE(ok, nullptr);
  EXPECT_TRUE(status.errors().empty());
}

// The indices of the 3-channel reduction of the image and colormap, both
// taken to RGB by the library's own conversions.
Bytes reduced_in_rgb(const Bytes& cmyk_pixels, int32_t width, const RstColormap& cmyk_map) {
  Held<> image(
      RstTransformColorTo::create(rgb_source(width, {cmyk_pixels}, 4, RstColorType::s_cmyk()), RstColorType::s_rgb()));
  Bytes rgb = first_line(image.get());
  Bytes entries(cmyk_map.data(), cmyk_map.data() + cmyk_map.size());
  Held<> map_image(RstTransformColorTo::create(rgb_source(cmyk_map.entries(), {entries}, 4, RstColorType::s_cmyk()),
                                               RstColorType::s_rgb()));
  Bytes rgb_entries = first_line(map_image.get());
  Map rgb_map(new RstColormap(8, 3, cmyk_map.entries(), rgb_entries.data()));
  Held<> node(RstReduceColor8x3To8CCmap::create(rgb_source(width, {rgb}), rgb_map));
  return first_line(node.get());
}

TEST_F(ReduceColor, CMYKIsReducedInRGBUnderTheCallersColormap) {
  const int32_t width = 120;
  Map cmyk = random_map(24, 8, 4);
  Bytes pixels = random_pixels(4 * width, 21);
  // Some pixels are entries themselves.
  std::memcpy(pixels.data(), cmyk->data(), 4 * 24);
  Held<> node(RstReduceColor8xNTo8CCmap::create(rgb_source(width, {pixels, pixels}, 4, RstColorType::s_cmyk()), cmyk));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.color_type, RstColorType::s_cmyk());
  EXPECT_EQ(h.samples_per_pixel, 1);
  EXPECT_EQ(h.bits_per_sample, 8);
  ASSERT_TRUE(h.colormap);
  EXPECT_EQ(*h.colormap, *cmyk);
  EXPECT_NE(h.colormap.get(), cmyk.get());
  Bytes expected = reduced_in_rgb(pixels, width, *cmyk);
  ASSERT_EQ(expected.size(), size_t(width));
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{expected, expected}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ReduceColor, ExpansionGivesTheEntryOfEveryIndex) {
  const int32_t width = 50;
  Map map = random_map(30, 12);
  Bytes pixels = random_pixels(3 * width, 31);
  RstRead* reduced = RstReduceColor8x3To8CCmap::create(rgb_source(width, {pixels}), map);
  ASSERT_NE(reduced, nullptr);
  Bytes indices = first_line(reduced);
  reduced->reset();
  Held<> expanded(RstApplyColormap::create(reduced));
  ASSERT_NE(expanded, nullptr);
  Bytes colours = first_line(expanded.get());
  ASSERT_EQ(colours.size(), size_t(3 * width));
  for (int32_t x = 0; x < width; ++x)
    EXPECT_EQ(0, std::memcmp(&colours[3 * size_t(x)], map->data() + 3 * indices[size_t(x)], 3)) << x;
}

TEST_F(ReduceColor, AllocationFailures) {
  const int32_t width = 9;
  Bytes pixels = random_pixels(3 * width, 4), cmyk_pixels = random_pixels(4 * width, 5);
  Map map = random_map(12, 6), cmyk = random_map(12, 6, 4);
  Bytes expected;
  {
    Held<> node(RstReduceColor8x3To8CCmap::create(rgb_source(width, {pixels}), map));
    expected = first_line(node.get());
  }
  const std::vector<std::string> three = {
      "RstReduceColor8xNTo8C::RstReduceColor8xNTo8C()", "RstReduceColor8x3To8CCmap::create()",
      "RstColormapIndexTable::RstColormapIndexTable()", "RstCreateGuard::RstCreateGuard()", "RstColormap::init()"};
  auto src = [&] { return rgb_source(width, {pixels}); };
  check_allocation_failures(
      src, [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, map); }, {expected}, three);
  check_allocation_failures(
      src, [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, *map); }, {expected}, three);
  RstColormapIndexTable table(map, 5);
  check_allocation_failures(
      src, [&](RstRead* s) { return RstReduceColor8x3To8CCmap::create(s, table); }, {expected}, three);
  EXPECT_EQ(*map, *random_map(12, 6));
  Bytes cmyk_expected = reduced_in_rgb(cmyk_pixels, width, *cmyk);
  auto cmyk_src = [&] { return rgb_source(width, {cmyk_pixels}, 4, RstColorType::s_cmyk()); };
  std::vector<std::string> four = three;
  for (const char* w :
       {"RstReduceColor8x4To8CCmap::create()", "rst_create_end()", "RstTransformColorTo::create()",
        "RstTransformColorMatrix::create()", "RstTransformColorMatrix::initiate()", "RstTransformColormapTo::create()",
        "RstTransformColormapTo::initiate()", "RstReadRawFromByteArray::create()", "RstReinterpret::create()",
        "RstTransformColor::initiate()", "RstWriteColormap::create()", "RstWriteMemory::RstWriteMemory()",
        "RstWriteRaw::initiate()", "RstReadData::initiate()", "RstInputCreatingRead<Input,Reader>::create()"})
    four.push_back(w);
  check_allocation_failures(
      cmyk_src, [&](RstRead* s) { return RstReduceColor8xNTo8CCmap::create(s, *cmyk); }, {cmyk_expected}, four, 200);
  EXPECT_EQ(*cmyk, *random_map(12, 6, 4));
}

TEST_F(ReduceColor, AFailedLineBufferGivesNoNode) {
  // The recorder's observer returns instead of throwing: the create must not
  // hand out the node whose buffer is missing.
  RstColormapIndexTable table(random_map(8, 1), 5);
  bool seen = false;
  for (int64_t n = 1; n < 16 && !seen; ++n) {
    status.clear();
    RstRead* src = rgb_source(4, {Bytes(12, 1)});
    RstAllocFault::fail_nth(n);
    RstRead* node = RstReduceColor8x3To8CCmap::create(src, table);
    RstAllocFault::clear();
    seen = !status.errors().empty() &&
           status.errors().front() == RstReport{-1, "RstReduceColor8xNTo8C::RstReduceColor8xNTo8C()"};
    if (seen) {
      EXPECT_EQ(node, nullptr);
      EXPECT_EQ(first_line(src), Bytes(12, 1));  // still the caller's, and whole
    }
    if (node) node->end();
    else src->end();
  }
  EXPECT_TRUE(seen);
}

}  // namespace
