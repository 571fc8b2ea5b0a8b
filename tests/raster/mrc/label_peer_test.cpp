// Labelling of real masks against Leptonica's connected components
// (connectivity 8): the eight ITU charts and a 600-dpi page of text rendered
// by Ghostscript. The number of components and the multiset of (bounding box,
// pixel count) must be the same for both rectangle makers.
#ifdef PK_HAVE_LEPTONICA

#include <leptonica/allheaders.h>

#include <algorithm>
#include <array>
#include <fstream>

#include "mask_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/charts.h"
#include "raster/mrc/rst_label_rect.h"
#include "raster/mrc/rst_remove_label.h"

namespace {

class LabelPeer : public RstStatusTest {};

using Component = std::array<uint32_t, 5>;  // left, top, right, bottom, count

PIX* to_pix(const PnmImage& img) {
  PIX* pix = pixCreate(img.width, img.height, 1);
  l_uint32* data = pixGetData(pix);
  int32_t wpl = pixGetWpl(pix), stride = img.stride();
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t i = 0; i < stride; ++i)
      SET_DATA_BYTE(data + size_t(y) * size_t(wpl), i, img.rows[size_t(y) * size_t(stride) + size_t(i)]);
  return pix;
}

std::vector<Component> leptonica_components(const PnmImage& img) {
  PIX* pix = to_pix(img);
  PIXA* pixa = nullptr;
  BOXA* boxa = pixConnComp(pix, &pixa, 8);
  std::vector<Component> out;
  for (l_int32 i = 0; i < boxaGetCount(boxa); ++i) {
    l_int32 x, y, w, h, n = 0;
    boxaGetBoxGeometry(boxa, i, &x, &y, &w, &h);
    PIX* c = pixaGetPix(pixa, i, L_CLONE);
    pixCountPixels(c, &n, nullptr);
    pixDestroy(&c);
    out.push_back({uint32_t(x), uint32_t(y), uint32_t(x + w - 1), uint32_t(y + h - 1), uint32_t(n)});
  }
  boxaDestroy(&boxa);
  pixaDestroy(&pixa);
  pixDestroy(&pix);
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<Component> ours(const std::vector<RstLabelRect>& rects) {
  std::vector<Component> out;
  for (size_t i = 1; i < rects.size(); ++i)
    out.push_back({rects[i].left, rects[i].top, rects[i].right, rects[i].bottom, rects[i].count});
  std::sort(out.begin(), out.end());
  return out;
}

// A P4 file whose header may carry comments (Ghostscript writes one).
bool read_pbm(const std::string& path, PnmImage& img) {
  std::ifstream f(path, std::ios::binary);
  std::string token[3];
  for (std::string& t : token) {
    f >> std::ws;
    while (f.peek() == '#') {
      std::string comment;
      std::getline(f, comment);
      f >> std::ws;
    }
    f >> t;
  }
  f.get();
  if (!f || token[0] != "P4") return false;
  img.magic = "P4";
  img.width = std::stoi(token[1]);
  img.height = std::stoi(token[2]);
  img.rows.assign(size_t(img.stride()) * size_t(img.height), 0);
  f.read(reinterpret_cast<char*>(img.rows.data()), std::streamsize(img.rows.size()));
  return size_t(f.gcount()) == img.rows.size();
}

void check_against_leptonica(const PnmImage& img, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(img.magic, "P4");
  std::vector<Bytes> rows;
  for (int32_t y = 0; y < img.height; ++y)
    rows.emplace_back(img.rows.begin() + std::ptrdiff_t(y) * img.stride(),
                      img.rows.begin() + std::ptrdiff_t(y + 1) * img.stride());
  std::vector<Component> want = leptonica_components(img);
  EXPECT_GT(want.size(), 10u);
  RstHeader h = image_header(img.width, img.height, 1, 1, RstColorType::s_gray_reverse());
  {
    std::vector<RstLabelRect> rects;
    uint32_t count = 0;
    Held<> node(RstGetLabelRectInfoRLE::create(new LineSource(h, rows), &count, &rects));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(count, want.size());
    EXPECT_TRUE(ours(rects) == want) << "valued runs";
  }
  {
    std::vector<RstLabelRect> rects;
    uint32_t count = 0;
    Held<> node(RstGetLabelRectInfo::create(new LineSource(h, rows), 0, &count, &rects));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(count, want.size());
    EXPECT_TRUE(ours(rects) == want) << "raw labels";
  }
}

TEST_F(LabelPeer, ItuCharts) {
  int checked = 0;
  for (int n = 1; n <= 8; ++n) {
    std::string path = chart_file(n);
    if (path.empty()) continue;
    PnmImage img;
    ASSERT_TRUE(read_pnm(path, img));
    check_against_leptonica(img, "chart " + std::to_string(n));
    ++checked;
  }
  if (checked == 0) GTEST_SKIP() << "jbgtopbm or the jbigkit test data missing";
  EXPECT_TRUE(status.errors().empty());
}

// Components kept by RstRemoveArea with thresholds {a, a, a} against
// Leptonica's selection by size (width and height at least a) and by area
// (at least a pixels): the same pixels stay set.
TEST_F(LabelPeer, RemoveAreaKeepsWhatLeptonicaSelects) {
  int checked = 0;
  for (int n = 1; n <= 8; ++n) {
    std::string path = chart_file(n);
    if (path.empty()) continue;
    PnmImage img;
    ASSERT_TRUE(read_pnm(path, img));
    std::vector<Bytes> rows;
    for (int32_t y = 0; y < img.height; ++y)
      rows.emplace_back(img.rows.begin() + std::ptrdiff_t(y) * img.stride(),
                        img.rows.begin() + std::ptrdiff_t(y + 1) * img.stride());
    RstHeader h = image_header(img.width, img.height, 1, 1, RstColorType::s_gray_reverse());
    PIX* pix = to_pix(img);
    for (uint32_t a : {5u, 20u, 80u}) {
      SCOPED_TRACE("chart " + std::to_string(n) + ", threshold " + std::to_string(a));
      std::vector<RstLabelRect*> rects;
      uint32_t count = 0;
      const uint32_t thresholds[3] = {a, a, a};
      RstRead* labels = RstGetLabelRectInfo::create(new LineSource(h, rows), 0, &count, &rects);
      ASSERT_NE(labels, nullptr);
      Held<> node(RstRemoveArea::create(labels, &rects, thresholds, false, nullptr));
      ASSERT_NE(node, nullptr);
      Labels kept = read_raw_labels(node.get(), img.width, img.height);
      for (RstLabelRect* r : rects) delete r;
      PIX* by_size = pixSelectBySize(pix, l_int32(a), l_int32(a), 8, L_SELECT_IF_BOTH, L_SELECT_IF_GTE, nullptr);
      PIX* want = pixSelectByArea(by_size, l_float32(a), 8, L_SELECT_IF_GTE, nullptr);
      size_t differ = 0;
      for (int32_t y = 0; y < img.height; ++y) {
        const l_uint32* line = pixGetData(want) + size_t(y) * size_t(pixGetWpl(want));
        for (int32_t x = 0; x < img.width; ++x)
          differ += (GET_DATA_BIT(line, x) != 0) != (kept[size_t(y) * size_t(img.width) + size_t(x)] != 0);
      }
      EXPECT_EQ(differ, 0u);
      pixDestroy(&want);
      pixDestroy(&by_size);
    }
    pixDestroy(&pix);
    ++checked;
  }
  if (checked == 0) GTEST_SKIP() << "jbgtopbm or the jbigkit test data missing";
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LabelPeer, TextPageAt600Dpi) {
  if (std::system("gs --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "ghostscript missing";
  std::string dir = ::testing::TempDir();
  std::string ps = dir + "mrc_text_page_" + std::to_string(getpid()) + ".ps";
  std::string pbm = dir + "mrc_text_page_" + std::to_string(getpid()) + ".pbm";
  {
    std::ofstream f(ps);
    f << "%!PS\n/Times-Roman findfont 11 scalefont setfont\n";
    const char* words[] = {"Mixed", "raster", "content", "splits", "a",   "page",       "into", "layers;", "glyphs,",
                           "dots",  "(i, j)", "and",     "rules",  "are", "components", "of",   "the",     "mask."};
    for (int line = 0; line < 20; ++line) {
      f << "36 " << (230 - line * 11) << " moveto (";
      for (int k = 0; k < 12; ++k) f << words[(line * 5 + k) % 18] << ' ';
      f << ") show\n";
    }
    f << "/Helvetica-Bold findfont 18 scalefont setfont 36 10 moveto (Quality 600 dpi) show\n";
    f << "20 5 moveto 340 5 lineto stroke\nshowpage\n";
  }
  PnmImage img;
  std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pbmraw -r600 -g3000x2000 -sOutputFile=" + pbm + " " + ps;
  bool made = std::system(cmd.c_str()) == 0 && read_pbm(pbm, img);
  std::remove(ps.c_str());
  std::remove(pbm.c_str());
  ASSERT_TRUE(made) << cmd;
  check_against_leptonica(img, "text page");
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace

#endif  // PK_HAVE_LEPTONICA
