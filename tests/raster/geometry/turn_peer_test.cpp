// Rotations and mirrors on real data, byte for byte against netpbm's pamflip
// (90 = -cw, 270 = -ccw, 180 = -r180, mirrors -lr and -tb) and, for the ITU
// charts, Leptonica's pixRotateOrth: random PBM, PGM, PPM and 4-channel PAM
// through the plain, band and run-line routes, and the identities of four
// quarter turns and of two mirrors.
#include <string>

#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_mirror_x.h"
#include "raster/geometry/rst_mirror_y.h"
#include "raster/geometry/rst_rotate90.h"
#include "raster/geometry/rst_rotate90_block.h"
#include "raster/geometry/rst_rotate90_rle.h"
#include "turn_support.h"

#ifdef PK_HAVE_LEPTONICA
#include <leptonica/allheaders.h>
#endif

namespace {

enum class Route { plain, band, runs };

const char* route_name(Route r) { return r == Route::plain ? "plain" : r == Route::band ? "band" : "runs"; }

// The image turned through one route; 180 degrees and sources the band
// rotation does not take go plain through the front.
Image turn(const Image& im, int angle, Route route) {
  if (route == Route::runs) {
    RstRead* node = RstRotate90::create(rle_source_of(im), angle, false);
    EXPECT_NE(node, nullptr);
    EXPECT_NE(dynamic_cast<RstRotate90RLE*>(node), nullptr);
    return node ? image_of_runs(node) : Image{};
  }
  Held<> node(RstRotate90::create(source_of(im), angle, route == Route::band));
  EXPECT_NE(node, nullptr);
  return node ? image_of(node.get()) : Image{};
}

class TurnPeer : public RstStatusTest {};

TEST_F(TurnPeer, RandomImagesMatchPamflip) {
  struct Kind {
    int32_t bits, samples;
  } kinds[] = {{1, 1}, {8, 1}, {8, 3}, {8, 4}};
  std::mt19937 rng(41);
  int n = 0;
  for (const Kind& k : kinds)
    for (int i = 0; i < 3; ++i) {
      int32_t w = 1 + int32_t(rng() % 70), h = 1 + int32_t(rng() % 70);
      if (k.bits == 1) w |= 1;  // odd widths leave spare bits
      Image im = random_image(w, h, k.bits, k.samples, rng(), k.bits == 1);
      std::string tag = std::to_string(n++);
      for (int angle : {90, 180, 270}) {
        Image peer = pamflip(im, pamflip_option(angle), tag);
        ASSERT_EQ(peer.width, angle == 180 ? w : h) << "pamflip failed";
        for (Route route : {Route::plain, Route::band, Route::runs}) {
          if (route == Route::runs && k.bits != 1) continue;
          SCOPED_TRACE(testing::Message() << k.bits << "x" << k.samples << " " << w << " x " << h << " by " << angle
                                          << ", " << route_name(route));
          EXPECT_EQ(turn(im, angle, route), peer);
        }
      }
      Image lr = pamflip(im, "-lr", tag), tb = pamflip(im, "-tb", tag);
      Held<> x(RstMirrorX::create(k.bits == 1 && i == 0 ? rle_source_of(im) : source_of(im)));
      ASSERT_NE(x, nullptr);
      EXPECT_EQ(k.bits == 1 && i == 0 ? image_of_runs(x.release()) : image_of(x.get()), lr);
      Held<> y(RstMirrorY::create(k.bits == 1 && i == 1 ? rle_source_of(im) : source_of(im)));
      ASSERT_NE(y, nullptr);
      EXPECT_EQ(k.bits == 1 && i == 1 ? image_of_runs(y.release()) : image_of(y.get()), tb);
    }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(TurnPeer, QuarterTurnsAndMirrorsGiveTheInputBack) {
  std::mt19937 rng(43);
  for (int32_t samples : {1, 3}) {
    for (int32_t bits : {1, 8}) {
      if (bits == 1 && samples != 1) continue;
      Image im = random_image(1 + int32_t(rng() % 60), 1 + int32_t(rng() % 60), bits, samples, rng(), true);
      for (Route route : {Route::plain, Route::band, Route::runs}) {
        if (route == Route::runs && bits != 1) continue;
        SCOPED_TRACE(testing::Message() << bits << "x" << samples << ", " << route_name(route));
        Image t = im;
        for (int i = 0; i < 4; ++i) t = turn(t, 90, route);
        EXPECT_EQ(t, im);
        EXPECT_EQ(turn(turn(im, 270, route), 90, route), im);
        EXPECT_EQ(turn(turn(im, 180, route), 180, route), im);
      }
      Held<> xx(RstMirrorX::create(RstMirrorX::create(source_of(im))));
      Held<> yy(RstMirrorY::create(RstMirrorY::create(source_of(im))));
      ASSERT_NE(xx, nullptr);
      ASSERT_NE(yy, nullptr);
      EXPECT_EQ(image_of(xx.get()), im);
      EXPECT_EQ(image_of(yy.get()), im);
    }
  }
}

#ifdef PK_HAVE_LEPTONICA
// Leptonica's quarter turns (clockwise) of a 1-bit image, its words filled
// and read back byte by byte.
Image leptonica_turn(const Image& im, int angle) {
  PIX* pix = pixCreate(im.width, im.height, 1);
  if (!pix) return {};
  l_int32 wpl = pixGetWpl(pix);
  for (int32_t y = 0; y < im.height; ++y) {
    l_uint32* line = pixGetData(pix) + size_t(y) * size_t(wpl);
    for (size_t i = 0; i < im.line_bytes(); ++i) SET_DATA_BYTE(line, i, im.lines[size_t(y)][i]);
  }
  PIX* turned = pixRotateOrth(pix, angle / 90);
  pixDestroy(&pix);
  if (!turned) return {};
  Image out = blank_image(pixGetWidth(turned), pixGetHeight(turned), 1, 1);
  wpl = pixGetWpl(turned);
  for (int32_t y = 0; y < out.height; ++y) {
    l_uint32* line = pixGetData(turned) + size_t(y) * size_t(wpl);
    for (size_t i = 0; i < out.line_bytes(); ++i) out.lines[size_t(y)][i] = uint8_t(GET_DATA_BYTE(line, i));
  }
  pixDestroy(&turned);
  return clean_pad(out);
}
#endif

class ChartTurn : public ::testing::TestWithParam<int> {};

TEST_P(ChartTurn, MatchesPamflipAndLeptonica) {
  RstStatusRecorder status;
  std::string n = std::to_string(GetParam());
  std::string pbm = ::testing::TempDir() + "turn_ccitt" + n + ".pbm";
  ASSERT_EQ(std::system(("jbgtopbm /usr/share/jbigkit-testdata/ccitt" + n + ".jbg " + pbm).c_str()), 0);
  Image chart = read_netpbm(pbm);
  std::remove(pbm.c_str());
  ASSERT_EQ(chart.bits, 1);
  ASSERT_GT(chart.height, 0);
  for (int angle : {90, 180, 270}) {
    SCOPED_TRACE(angle);
    Image peer = pamflip(chart, pamflip_option(angle), "ccitt" + n);
    ASSERT_GT(peer.height, 0);
#ifdef PK_HAVE_LEPTONICA
    EXPECT_TRUE(leptonica_turn(chart, angle) == peer) << "Leptonica and pamflip differ";
#endif
    for (Route route : {Route::plain, Route::band, Route::runs}) {
      SCOPED_TRACE(route_name(route));
      EXPECT_TRUE(turn(chart, angle, route) == peer);
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

INSTANTIATE_TEST_SUITE_P(Charts, ChartTurn, ::testing::Range(1, 9));

}  // namespace
