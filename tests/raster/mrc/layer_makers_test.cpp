// The layer makers and the three splits: block sizes by mode, the order of
// the checks, the dark-neutral selection, the makers' layers against the
// brute-force generators, the split vectors, and pages split and put back
// together exactly.
#include <gmock/gmock.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "halvex_test_page.h"
#include "layer_support.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_make_layers.h"
#include "raster/mrc/rst_make_mrc_layers.h"

namespace {

using namespace layer_test;

class LayerMakers : public RstStatusTest {};

const uint8_t kLabWhite[3] = {255, 128, 96};

// The mask dilated by a 3 x 3 square, the outside clear.
Img dilate(const Img& m) {
  Img out(m.w, m.h, 1);
  for (int32_t y = 0; y < m.h; ++y)
    for (int32_t x = 0; x < m.w; ++x)
      for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) {
          const int32_t sx = x + dx, sy = y + dy;
          if (sx >= 0 && sy >= 0 && sx < m.w && sy < m.h && m.at(sx, sy) == 255) out.at(x, y) = 255;
        }
  return out;
}

// A 1-bit mask as run lines.
LineSource* mask_runs(const Img& m) {
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < m.h; ++y) {
    std::vector<int32_t> runs;
    for (int32_t x = 0; x < m.w; ++x) {
      if (m.at(x, y) != 255) continue;
      int32_t e = x;
      while (e + 1 < m.w && m.at(e + 1, y) == 255) ++e;
      runs.push_back(x);
      runs.push_back(e);
      x = e;
    }
    runs.push_back(-1);
    runs.push_back(-1);
    Bytes l(runs.size() * 4);
    std::memcpy(l.data(), runs.data(), l.size());
    lines.push_back(l);
  }
  return new LineSource(image_header(m.w, m.h, 1, 1, RstColorType::s_gray_reverse(), RstDataForm::rle), lines);
}

TEST_F(LayerMakers, ForegroundBlockSizeFollowsTheMode) {
  const Img page = random_page(70, 50, 3);
  const Img mask = random_mask(70, 50, 0.05, 4);
  const Img thin = shrink_ref(mask), middle = move_mid_ref(mask);
  for (auto [mode, block] : {std::pair{1, 8}, std::pair{8, 32}, std::pair{4, 16}, std::pair{0, 16}}) {
    SCOPED_TRACE(::testing::Message() << "mode " << mode);
    Held<> layer(RstMakeFore::create(lab_source(page), mask1_source(mask), mode));
    ASSERT_TRUE(layer);
    RstHeader h(layer.get());
    EXPECT_EQ(h.color_type, RstColorType::itu_lab());
    EXPECT_EQ(pull_img(layer.get(), 70, 3), fore_ref(page, thin, middle, block, block, kLabWhite));
  }
}

TEST_F(LayerMakers, BackgroundsEqualTheirGenerators) {
  const Img page = random_page(45, 37, 5);
  const Img mask = random_mask(45, 37, 0.2, 6);
  const Img pixel = back_ref(page, expand_ref(mask), mask);
  const Img block = block_back_ref(page, dilate(mask), 16, 16, {255, 128, 96});
  struct Case {
    const char* what;
    int32_t mode;
    bool runs;
    const Img* want;
  } cases[] = {{"pixel, raw mask", 0, false, &pixel},
               {"pixel, run lines", 0, true, &pixel},
               {"block, raw mask", 1, false, &block},
               {"block, run lines", 1, true, &block}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RstRead* m = c.runs ? mask_runs(mask) : mask1_source(mask);
    Held<> layer(RstMakeBack::create(lab_source(page), m, c.mode));
    ASSERT_TRUE(layer);
    EXPECT_EQ(pull_img(layer.get(), 45, 3), *c.want);
  }
}

TEST_F(LayerMakers, MakersCheckInOrder) {
  const Img page(8, 8, 3), m(8, 8, 1), low(8, 7, 1);
  auto ycbcr = [&] { return source_of(page, RstColorType::s_ycbcr()); };
  struct Case {
    const char* what;
    bool fore;
    RstRead *image, *mask;
    int32_t mode, code;  // code 1: a node
  } cases[] = {
      {"fore without mask", true, lab_source(page), nullptr, 4, -2},
      {"fore with a mask one line short", true, lab_source(page), mask1_source(low), 4, -3},
      {"fore with run lines", true, lab_source(page), mask_runs(m), 4, -3},
      {"fore on YCbCr", true, ycbcr(), mask1_source(m), 4, 1},
      {"fore on ICC Lab", true, source_of(page, RstColorType::icc_lab()), mask1_source(m), 4, 1},
      {"back without image", false, nullptr, mask1_source(m), 0, -2},
      {"back with a mask one line short, mode 2", false, lab_source(page), mask1_source(low), 2, -3},
      {"back with a mask one line short, mode 0", false, lab_source(page), mask1_source(low), 0, -3},
      {"back in mode 2", false, lab_source(page), mask1_source(m), 2, -2},
      {"back on YCbCr, mode 0", false, ycbcr(), mask1_source(m), 0, -3},
      {"back on YCbCr, mode 1", false, ycbcr(), mask1_source(m), 1, 1},
      {"back on gray, mode 1", false, source_of(Img(8, 8, 1), RstColorType::s_gray()), mask1_source(m), 1, 1},
      {"back on RGB, mode 1", false, source_of(page, RstColorType::s_rgb()), mask1_source(m), 1, -3},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    status.clear();
    RstRead* node =
        c.fore ? RstMakeFore::create(c.image, c.mask, c.mode) : RstMakeBack::create(c.image, c.mask, c.mode);
    if (c.code == 1) {
      ASSERT_TRUE(node);
      EXPECT_TRUE(status.errors().empty());
      EXPECT_EQ(pull_img(node, 8, RstHeader(node).samples_per_pixel).h, 8);
      node->end();
      continue;
    }
    EXPECT_EQ(node, nullptr);
    EXPECT_THAT(status.errors(),
                ::testing::ElementsAre(RstReport{c.code, c.fore ? "RstMakeFore::create()" : "RstMakeBack::create()"}));
    for (RstRead* n : {c.image, c.mask})
      if (n) n->end();
  }
}

TEST_F(LayerMakers, RunLineMaskIsDecodedBeforeModeZeroChecksTheImage) {
  // With the first allocation failing, the decoder made for a run-line mask
  // fails before the image is judged; a raw mask reaches the image check.
  const Img page(8, 8, 3), m(8, 8, 1);
  for (bool runs : {true, false}) {
    SCOPED_TRACE(runs ? "run lines" : "raw");
    status.clear();
    Held<> image(source_of(page, RstColorType::s_ycbcr()));
    Held<> mask(runs ? mask_runs(m) : mask1_source(m));
    RstAllocFault::fail_nth(1);
    EXPECT_EQ(RstMakeBack::create(image.get(), mask.get(), 0), nullptr);
    RstAllocFault::clear();
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors().front().code, runs ? -1 : -3);
    if (!runs) {
      EXPECT_THAT(status.errors(), ::testing::ElementsAre(RstReport{-3, "RstMakeBack::create()"}));
    }
  }
}

TEST_F(LayerMakers, DarkNeutralSelection) {
  struct Case {
    uint8_t l, a, b, want;
  } cases[] = {{154, 128, 96, 255}, {155, 128, 96, 0}, {100, 128, 121, 0},   {100, 110, 90, 255}, {0, 128, 71, 0},
               {0, 103, 96, 0},     {0, 104, 96, 255}, {150, 130, 100, 255}, {150, 160, 100, 0}};
  Img page(int32_t(std::size(cases)), 1, 3);
  for (size_t i = 0; i < std::size(cases); ++i) {
    page.px[i * 3] = cases[i].l;
    page.px[i * 3 + 1] = cases[i].a;
    page.px[i * 3 + 2] = cases[i].b;
  }
  Held<> node(RstConvertBits24To8::create(lab_source(page), 155, 25, 0, 255));
  ASSERT_TRUE(node);
  RstHeader h(node.get());
  EXPECT_EQ(h.samples_per_pixel, 1);
  EXPECT_EQ(h.color_type, RstColorType::icc_lstar());
  const Img out = pull_img(node.get(), page.w, 1);
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(out.px[i], cases[i].want) << int(cases[i].l) << " " << int(cases[i].a) << " " << int(cases[i].b);

  status.clear();
  Held<> rgb(source_of(page, RstColorType::s_rgb()));
  EXPECT_EQ(RstConvertBits24To8::create(rgb.get(), 155, 25, 0, 255), nullptr);
  EXPECT_EQ(RstConvertBits24To8::create(nullptr, 155, 25, 0, 255), nullptr);
  EXPECT_THAT(status.errors(), ::testing::ElementsAre(RstReport{-3, "RstConvertBits24To8::create()"},
                                                      RstReport{-2, "RstConvertBits24To8::create()"}));
}

// Splits.

using Split = std::function<std::vector<RstRead*>(RstRead*)>;

struct Entry {
  const char* where;
  Split split;
  size_t layers;
  int32_t back_mode, fore_block;  // of the three-layer splits
};

const Entry kEntries[] = {
    {"RstMakeMRC3Layers::create()", [](RstRead* s) { return RstMakeMRC3Layers::create_white_bg(s, 0); }, 3, 1, 16},
    {"RstMakeMRC3Layers::create()", [](RstRead* s) { return RstMakeMRC3Layers::create(s, RstMRCParam(16, 1, 0)); }, 3,
     0, 8},
    {"RstMakeMRC2LayersFore::create()", [](RstRead* s) { return RstMakeMRC2LayersFore::create(s); }, 2, 0, 0},
    {"RstMakeMRC2LayersBack::create()", [](RstRead* s) { return RstMakeMRC2LayersBack::create(s); }, 2, 0, 0},
};

void end_all(const std::vector<RstRead*>& nodes) {
  for (RstRead* n : nodes) n->end();
}

TEST_F(LayerMakers, SplitsRefuseOtherPages) {
  const Img page(8, 8, 3), m(8, 8, 1);
  for (const Entry& e : kEntries) {
    SCOPED_TRACE(e.where);
    struct Case {
      RstRead* source;
      int32_t code;
    } cases[] = {{mask1_source(m), -3},
                 {source_of(page, RstColorType::s_rgb()), -3},
                 {source_of(page, RstColorType::icc_lab()), -3},
                 {nullptr, -1}};
    for (const Case& c : cases) {
      status.clear();
      EXPECT_TRUE(e.split(c.source).empty());
      EXPECT_THAT(status.errors(), ::testing::ElementsAre(RstReport{c.code, e.where}));
      if (c.source) {
        // Still the caller's, and whole.
        EXPECT_EQ(pull(c.source).size(), 8u);
        c.source->end();
      }
    }
  }
}

TEST_F(LayerMakers, SplitsReturnTheirLayersInOrder) {
  // Dark text-like strokes on a coloured page.
  Img page(40, 24, 3);
  for (int32_t y = 0; y < 24; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      const bool ink = (x % 9 < 2 && y > 3 && y < 20) || (y == 10 && x > 4);
      const uint8_t px[3] = {uint8_t(ink ? 30 : 230), uint8_t(ink ? 128 : 140), uint8_t(ink ? 96 : 110)};
      for (int k = 0; k < 3; ++k) page.at(x, y, k) = px[k];
    }
  for (const Entry& e : kEntries) {
    SCOPED_TRACE(e.where);
    std::vector<RstRead*> layers = e.split(lab_source(page));
    ASSERT_EQ(layers.size(), e.layers);
    EXPECT_TRUE(status.errors().empty());
    const RstHeader mask(layers[0]);
    EXPECT_EQ(mask.bits_per_sample, 1);
    EXPECT_EQ(mask.samples_per_pixel, 1);
    EXPECT_EQ(mask.width, 40);
    EXPECT_EQ(mask.height, 24);
    for (size_t i = 1; i < layers.size(); ++i) {
      const RstHeader h(layers[i]);
      EXPECT_EQ(h.width, 40);
      EXPECT_EQ(h.height, 24);
      EXPECT_EQ(h.bits_per_sample, 8);
      EXPECT_EQ(h.samples_per_pixel, 3);
      EXPECT_EQ(h.color_type, RstColorType::itu_lab());
    }
    // Layers read in any order, each whole; ending them one by one frees
    // the shared buffers.
    std::vector<std::vector<Bytes>> whole(layers.size());
    for (size_t i = layers.size(); i-- > 0;) whole[i] = pull(layers[i]);
    for (size_t i = 0; i < layers.size(); ++i) EXPECT_EQ(whole[i].size(), 24u) << "layer " << i;
    // Read line by line in turn, as a writer of stripes does, they give the
    // same lines.
    for (RstRead* l : layers) l->reset();
    for (size_t y = 0; y < 24; ++y)
      for (size_t i = 0; i < layers.size(); ++i) {
        Bytes line(size_t(layers[i]->line_size()));
        ASSERT_EQ(layers[i]->read(line.data()), int(whole[i][y].size())) << "layer " << i << " line " << y;
        line.resize(whole[i][y].size());
        EXPECT_EQ(line, whole[i][y]) << "layer " << i << " line " << y;
      }
    // The three-layer splits' colour layers are the makers' over the page
    // and the split's own mask.
    if (e.layers == 3) {
      for (RstRead* l : layers) l->reset();
      const Img bits = pull_img(layers[0], 5, 1);  // 1-bit: 5 bytes a line
      Img m(40, 24, 1);
      for (int32_t y = 0; y < 24; ++y)
        for (int32_t x = 0; x < 40; ++x) m.at(x, y) = (bits.at(x / 8, y) >> (7 - x % 8)) & 1 ? 255 : 0;
      const Img back =
          e.back_mode == 1 ? block_back_ref(page, dilate(m), 16, 16, {255, 128, 96}) : back_ref(page, expand_ref(m), m);
      EXPECT_EQ(pull_img(layers[1], 40, 3), back);
      EXPECT_EQ(pull_img(layers[2], 40, 3),
                fore_ref(page, shrink_ref(m), move_mid_ref(m), e.fore_block, e.fore_block, kLabWhite));
    }
    end_all(layers);
  }
  // The fast text-and-photo mask: (150, 130, 100) in, a = 160 out.
  Img two(2, 1, 3);
  two.px = {150, 130, 100, 150, 160, 100};
  std::vector<RstRead*> layers = RstMakeMRC2LayersBack::create(lab_source(two));
  ASSERT_EQ(layers.size(), 2u);
  EXPECT_EQ(pull(layers[0]), (std::vector<Bytes>{{0x80}}));
  end_all(layers);
}

// Raw 8-bit gray text drawn by ImageMagick without antialiasing; empty when
// it cannot draw.
std::vector<uint8_t> draw_text(int32_t w, int32_t h, const std::string& text) {
  const std::string path = ::testing::TempDir() + "layer_text_" + std::to_string(::getpid()) + ".gray";
  const std::string command = "/usr/bin/convert -size " + std::to_string(w) + "x" + std::to_string(h) +
                              " xc:white +antialias -font DejaVu-Sans -pointsize 22 -fill black -annotate +6+26 '" +
                              text + "' -annotate +6+60 '" + text + "' -annotate +140+88 'Ok.' -depth 8 gray:" + path;
  std::vector<uint8_t> out;
  if (std::system(command.c_str()) == 0) {
    std::ifstream in(path, std::ios::binary);
    out.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::remove(path.c_str());
  if (out.size() != size_t(w) * size_t(h)) out.clear();
  return out;
}

Img text_page(const std::vector<uint8_t>& ink, int32_t w, int32_t h, const uint8_t text[3], const uint8_t paper[3]) {
  Img page(w, h, 3);
  for (int32_t i = 0; i < w * h; ++i)
    for (int k = 0; k < 3; ++k) page.px[size_t(i) * 3 + size_t(k)] = ink[size_t(i)] < 128 ? text[k] : paper[k];
  return page;
}

// The page put back together: mask ? foreground : background.
Img recompose(const std::vector<Bytes>& mask, const Img& fore, const Img& back) {
  Img out = back;
  for (int32_t y = 0; y < out.h; ++y)
    for (int32_t x = 0; x < out.w; ++x)
      if ((mask[size_t(y)][size_t(x / 8)] >> (7 - x % 8)) & 1)
        for (int k = 0; k < 3; ++k) out.at(x, y, k) = fore.at(x, y, k);
  return out;
}

TEST_F(LayerMakers, ColourTextSplitPutsThePageBackExactly) {
  const int32_t w = 240, h = 96;  // a multiple of 16 lines
  const std::vector<uint8_t> ink = draw_text(w, h, "Colour text, 1 ink.");
  ASSERT_FALSE(ink.empty()) << "ImageMagick could not draw the text";
  ASSERT_GT(std::count(ink.begin(), ink.end(), 0), 500);
  const uint8_t red[3] = {90, 175, 140};
  const Img page = text_page(ink, w, h, red, kLabWhite);
  std::vector<RstRead*> layers = RstMakeMRC2LayersFore::create(lab_source(page));
  ASSERT_EQ(layers.size(), 2u);
  const std::vector<Bytes> mask = pull(layers[0]);
  ASSERT_EQ(mask.size(), size_t(h));
  const Img fore = pull_img(layers[1], w, 3);
  const Img white = text_page(std::vector<uint8_t>(size_t(w * h), 255), w, h, red, kLabWhite);
  EXPECT_EQ(recompose(mask, fore, white), page);
  end_all(layers);
}

TEST_F(LayerMakers, TextOnPaperSplitPutsThePageBackExactly) {
  const int32_t w = 240, h = 100;
  const std::vector<uint8_t> ink = draw_text(w, h, "Black text on paper");
  ASSERT_FALSE(ink.empty()) << "ImageMagick could not draw the text";
  ASSERT_GT(std::count(ink.begin(), ink.end(), 0), 500);
  const uint8_t black[3] = {0, 128, 96}, paper[3] = {225, 140, 112};
  const Img page = text_page(ink, w, h, black, paper);
  std::vector<RstRead*> layers = RstMakeMRC2LayersBack::create(lab_source(page));
  ASSERT_EQ(layers.size(), 2u);
  // Read the background first: the mask is read again through its cache.
  const Img back = pull_img(layers[1], w, 3);
  const std::vector<Bytes> mask = pull(layers[0]);
  ASSERT_EQ(mask.size(), size_t(h));
  EXPECT_EQ(recompose(mask, text_page(std::vector<uint8_t>(size_t(w * h), 0), w, h, black, paper), back), page);
  end_all(layers);
}

TEST_F(LayerMakers, ThreeLayerSplitOnASyntheticPage) {
  // The Halvex test page: text in three colours, boxed text, a photograph.
  const int32_t w = 1000, h = 720;
  const std::string path = ::testing::TempDir() + "layer_page_" + std::to_string(::getpid()) + ".rgb";
  const std::string command = halvex_test_page_command("rgb:" + path);
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::vector<uint8_t> rgb;
  {
    std::ifstream in(path, std::ios::binary);
    rgb.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::remove(path.c_str());
  ASSERT_EQ(rgb.size(), size_t(w) * h * 3);
  Img page(w, h, 3);
  page.px = rgb;
  RstRead* lab = RstTransformColorTo::create(source_of(page, RstColorType::s_rgb()), RstColorType::itu_lab());
  ASSERT_TRUE(lab);
  std::vector<RstRead*> layers = RstMakeMRC3Layers::create_white_bg(lab, 256);
  ASSERT_EQ(layers.size(), 3u);
  const std::vector<Bytes> mask = pull(layers[0]);
  ASSERT_EQ(mask.size(), size_t(h));
  size_t set = 0;
  for (const Bytes& l : mask) {
    ASSERT_EQ(l.size(), size_t((w + 7) / 8));
    for (uint8_t b : l) set += size_t(__builtin_popcount(b));
  }
  EXPECT_GT(set, 1000u);
  EXPECT_LT(set, size_t(w) * h / 4);
  for (size_t i = 1; i < 3; ++i) {
    const RstHeader hd(layers[i]);
    EXPECT_EQ(hd.color_type, RstColorType::itu_lab());
    EXPECT_EQ(pull_img(layers[i], w, 3).h, h) << "layer " << i;
  }
  EXPECT_TRUE(status.errors().empty());
  end_all(layers);
}

}  // namespace
