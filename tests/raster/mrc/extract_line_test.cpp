// Line extraction: the pattern match on uniform pages, a one-pixel line and
// a white page's edge; a brute-force transcription of the match rule, the
// corner table and the painting blocks over random small images for both
// stroke types; the chain's size for every factor; and the refusals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "gray_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_extract_line.h"

namespace {

class ExtractLine : public RstStatusTest {};

RstRead* match(const Gray& g, uint8_t type, uint8_t border) {
  RstKernel k;
  RstExtractLine::kernel(type, k);
  RstSivraMatchParams p = RstExtractLine::parameters(type);
  return RstSivraPatternMatch::create(gray_source(g), &k, &border, &p);
}

// The match written out cell by cell from its rules, over the image padded
// with the border byte; every pass from line 0 to the last line + t.
std::vector<uint8_t> reference(const Gray& g, uint8_t type, uint8_t border) {
  static const int kT1[5][5] = {
      {0, 0, -1, 0, 0}, {0, 0, 1, 0, 0}, {-3, 3, 255, 4, -4}, {0, 0, 2, 0, 0}, {0, 0, -2, 0, 0}};
  static const int kT2[7][7] = {{0, 0, -1, -1, -1, 0, 0},      {0, 0, 1, 1, 1, 0, 0},
                                {-3, 3, 255, 255, 255, 4, -4}, {-3, 3, 255, 255, 255, 4, -4},
                                {-3, 3, 255, 255, 255, 4, -4}, {0, 0, 2, 2, 2, 0, 0},
                                {0, 0, -2, -2, -2, 0, 0}};
  const int k = type == 1 ? 5 : 7, half = (k - 1) / 2, t = type == 1 ? 1 : 2, n = 2 * t + 1;
  const int mu = type == 1 ? 1 : 4, t1 = type == 1 ? 70 : 120, t2 = type == 1 ? 10 : 30, t3 = 100;
  auto code = [&](int r, int c) { return type == 1 ? kT1[r][c] : kT2[r][c]; };
  std::vector<uint8_t> out(g.px.size(), 0);
  auto paint = [&](int x, int y, int r0, int r1, int c0, int c1) {
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) {
        int yy = y - t + r, xx = x - t + c;
        if (yy >= 0 && yy < g.height && xx >= 0 && xx < g.width) out[size_t(yy * g.width + xx)] = 255;
      }
  };
  for (int y = 0; y < g.height + t; ++y)
    for (int x = 0; x < g.width; ++x) {
      auto pix = [&](int r, int c) {
        int yy = y - half + r, xx = x - half + c;
        if (yy < 0 || yy >= g.height || xx < 0 || xx >= g.width) return int(border);
        return int(g.px[size_t(yy * g.width + xx)]);
      };
      int V = 1000;
      for (int r = 0; r < k; ++r)
        for (int c = 0; c < k; ++c)
          if (code(r, c) != 0) V = std::min(V, pix(r, c));
      int E = 0, SC = 0, NC = 0, XC = 0, S[5] = {}, N[5] = {}, O[5] = {}, P[5] = {};
      for (int r = 0; r < k; ++r)
        for (int c = 0; c < k; ++c) {
          int cd = code(r, c), v = pix(r, c);
          if (cd == 255) {
            E += v == V;
            SC += v;
            ++NC;
            XC = std::max(XC, v);
          } else if (cd > 0) {
            S[cd] += v;
            ++N[cd];
          } else if (cd < 0) {
            O[-cd] += v;
            ++P[-cd];
          }
        }
      if (E >= mu) continue;
      int C = SC / NC;
      if (XC - C > t1 || C <= t2 || V >= 255 - t2) continue;
      int m[5];
      for (int s = 1; s <= 4; ++s) m[s] = S[s] / N[s];
      int d = 1;
      for (int s = 2; s <= 4; ++s)
        if (m[s] < m[d]) d = s;
      int M = m[d];
      bool tie = false;
      int run = 255;
      for (int s = 1; s <= 4; ++s) {
        if (m[s] < run) {
          run = m[s];
          tie = false;
        } else if (run != 0) {
          tie = true;
        }
      }
      if (M >= 255 - t2 || C <= M + t2) continue;
      if (tie) d = 4;
      int opp[5] = {0, 2, 1, 4, 3};
      int u = m[d], o = m[opp[d]];
      if (C > o && C - o > t2 && std::abs(u - o) <= t3) {
        paint(x, y, 1, n - 2, 1, n - 2);
        continue;
      }
      int a, b, Q, R;
      enum { UL, UR, LL, LR } corner;
      const int K1 = k - 1, K2 = k - 2;
      if (d == 1) {
        a = (pix(K1, 1) + O[2]) / (P[2] + 1);
        b = (pix(K1, K2) + O[2]) / (P[2] + 1);
        if (a < b) {
          Q = (pix(K2, 1) + S[3] + S[2] + SC) / (N[3] + N[2] + NC + 1), R = (pix(1, 1) + S[1]) / (N[1] + 1),
          corner = LL;
        } else {
          Q = (pix(K2, K2) + S[4] + S[2] + SC) / (N[4] + N[2] + NC + 1), R = (pix(1, K2) + S[1]) / (N[1] + 1),
          corner = LR;
        }
      } else if (d == 2) {
        a = (pix(0, 1) + O[1]) / (P[1] + 1);
        b = (pix(0, K2) + O[1]) / (P[1] + 1);
        if (a < b) {
          Q = (pix(1, 1) + S[1] + S[3] + SC) / (N[1] + N[3] + NC + 1), R = (pix(K2, 1) + S[2]) / (N[2] + 1),
          corner = UL;
        } else {
          Q = (pix(1, K2) + S[1] + S[4] + SC) / (N[1] + N[4] + NC + 1), R = (pix(K2, K2) + S[2]) / (N[2] + 1),
          corner = UR;
        }
      } else if (d == 3) {
        a = (pix(1, K1) + O[4]) / (P[4] + 1);
        b = (pix(K2, K1) + O[4]) / (P[4] + 1);
        if (a < b) {
          Q = (pix(1, K2) + S[1] + S[4] + SC) / (N[1] + N[4] + NC + 1), R = (pix(1, 1) + S[3]) / (N[3] + 1),
          corner = UR;
        } else {
          Q = (pix(K2, K2) + S[4] + S[2] + SC) / (N[4] + N[2] + NC + 1), R = (pix(K2, 1) + S[3]) / (N[3] + 1),
          corner = LR;
        }
      } else {
        a = (pix(1, 0) + O[3]) / (P[3] + 1);
        b = (pix(K2, 0) + O[3]) / (P[3] + 1);
        if (a < b) {
          Q = (pix(1, 1) + S[3] + S[1] + SC) / (N[1] + N[3] + NC + 1), R = (pix(1, 1) + S[4]) / (N[4] + 1), corner = UL;
        } else {
          Q = (pix(K2, 1) + S[3] + S[2] + SC) / (N[3] + N[2] + NC + 1), R = (pix(K2, 1) + S[4]) / (N[4] + 1),
          corner = LL;
        }
      }
      int Pv = a < b ? a : b;
      if (!(Q > Pv && Q - Pv > t2 && std::abs(R - Pv) <= t3)) continue;
      switch (corner) {
        case UL: paint(x, y, 0, n - 2, 0, n - 2); break;
        case UR: paint(x, y, 0, n - 2, 1, n - 1); break;
        case LL: paint(x, y, 1, n - 1, 0, n - 2); break;
        case LR: paint(x, y, 1, n - 1, 1, n - 1); break;
      }
    }
  return out;
}

TEST_F(ExtractLine, UniformImagesGiveNothing) {
  for (uint8_t value : {0, 77, 255})
    for (uint8_t type : {1, 2})
      for (uint8_t border : {0, 255}) {
        Gray g{9, 8, std::vector<uint8_t>(72, value)};
        Held<> m(match(g, type, border));
        ASSERT_TRUE(m);
        std::vector<uint8_t> out = pixels(m.get());
        // Away from a contrasting border every centre cell is the window's
        // minimum.
        EXPECT_EQ(out, reference(g, type, border)) << int(value) << " " << int(type) << " " << int(border);
        if (value == border) {
          EXPECT_EQ(out, std::vector<uint8_t>(72, 0));
        }
      }
}

TEST_F(ExtractLine, OnePixelLinePaintsExactlyTheLine) {
  Gray g{12, 7, std::vector<uint8_t>(84, 0)};
  for (int x = 2; x <= 9; ++x) g.px[size_t(3 * 12 + x)] = 255;
  Held<> m(match(g, 1, 0));
  ASSERT_TRUE(m);
  EXPECT_EQ(pixels(m.get()), g.px);
}

TEST_F(ExtractLine, WhiteBorderFindsNoStrokeAlongAWhitePage) {
  for (uint8_t type : {1, 2})
    for (uint32_t factor : {1u, 2u, 5u}) {
      Gray g{40, 30, std::vector<uint8_t>(1200, 255)};
      Held<> e(RstExtractLine::create(gray_source(g), factor, type, 1));
      ASSERT_TRUE(e);
      EXPECT_EQ(pixels(e.get()), std::vector<uint8_t>(1200, 0)) << int(type) << " " << factor;
    }
}

TEST_F(ExtractLine, MatchEqualsItsTranscriptionOnRandomImages) {
  std::mt19937 rng(165);
  const uint8_t levels[] = {0, 0, 30, 128, 200, 255, 255};
  int painted = 0;
  for (int round = 0; round < 60; ++round) {
    Gray g{1 + int32_t(rng() % 24), 1 + int32_t(rng() % 16), {}};
    bool smooth = round % 2 == 1;
    for (int32_t i = 0; i < g.width * g.height; ++i)
      g.px.push_back(smooth ? uint8_t(rng()) : levels[rng() % sizeof levels]);
    for (uint8_t type : {1, 2})
      for (uint8_t border : {0, 255}) {
        SCOPED_TRACE(testing::Message() << g.width << " x " << g.height << " type " << int(type) << " border "
                                        << int(border));
        Held<> m(match(g, type, border));
        ASSERT_TRUE(m);
        std::vector<uint8_t> expected = reference(g, type, border);
        std::vector<uint8_t> out = pixels(m.get());
        EXPECT_EQ(out, expected);
        for (uint8_t v : out) painted += v == 255;
        // Reset and skip leave the node as reads would.
        m->reset();
        if (g.height > 3) {
          EXPECT_EQ(m->skip(3), 3);
          Bytes line = first_line(m.get());
          EXPECT_EQ(line, Bytes(expected.begin() + 3 * g.width, expected.begin() + 4 * g.width));
        }
      }
  }
  EXPECT_GT(painted, 1000);  // the cases reach the painting rules
}

TEST_F(ExtractLine, ResultKeepsTheSourceSize) {
  std::mt19937 rng(12);
  Gray g{37, 29, {}};
  for (int i = 0; i < 37 * 29; ++i) g.px.push_back(uint8_t(rng() % 2 ? 255 : 0));
  for (uint32_t factor = 1; factor <= 12; ++factor)
    for (uint8_t type : {1, 2}) {
      Held<> e(RstExtractLine::create(gray_source(g), factor, type, 0));
      ASSERT_TRUE(e) << factor;
      RstHeader h(e.get());
      EXPECT_EQ(h.width, 37);
      EXPECT_EQ(h.height, 29);
      std::vector<Bytes> lines = pull(e.get());
      EXPECT_EQ(lines.size(), 29u) << factor;
      for (const Bytes& l : lines) {
        EXPECT_EQ(l.size(), 37u);
        for (uint8_t v : l) EXPECT_TRUE(v == 0 || v == 255);
      }
    }
}

TEST_F(ExtractLine, RefusesBadArguments) {
  Gray g{4, 4, std::vector<uint8_t>(16, 0)};
  struct Case {
    const char* name;
    std::function<RstRead*(RstRead*)> make;
    RstReport report;
    bool source = true;
    int32_t bits = 8;
  } cases[] = {
      {"no source",
       [](RstRead*) { return RstExtractLine::create(nullptr, 1, 1, 0); },
       {-2, "RstExtractLine::create()"}},
      {"factor 0", [](RstRead* s) { return RstExtractLine::create(s, 0, 1, 0); }, {-2, "RstExtractLine::create()"}},
      {"type 3", [](RstRead* s) { return RstExtractLine::create(s, 1, 3, 0); }, {-2, "RstExtractLine::create()"}},
      {"1 bit",
       [](RstRead* s) { return RstExtractLine::create(s, 1, 1, 0); },
       {-3, "RstExtractLine::create()"},
       true,
       1},
      {"no kernel",
       [](RstRead* s) {
         uint8_t b = 0;
         RstSivraMatchParams p = RstExtractLine::parameters(1);
         RstKernel empty;
         return RstSivraPatternMatch::create(s, &empty, &b, &p);
       },
       {-2, "RstSivraPatternMatch::create()"}},
      {"no border",
       [](RstRead* s) {
         RstKernel k;
         RstExtractLine::kernel(1, k);
         RstSivraMatchParams p = RstExtractLine::parameters(1);
         return RstSivraPatternMatch::create(s, &k, nullptr, &p);
       },
       {-2, "RstSivraPatternMatch::create()"}},
      {"kernel without sides",
       [](RstRead* s) {
         const int32_t codes[9] = {0, 0, 0, 0, 255, 0, 0, 0, 0};
         RstKernel k;
         k.set(3, 3, 1, 1, codes);
         uint8_t b = 0;
         RstSivraMatchParams p = RstExtractLine::parameters(1);
         return RstSivraPatternMatch::create(s, &k, &b, &p);
       },
       {-2, "RstSivraPatternMatch::create()"}},
      {"type 0",
       [](RstRead* s) {
         RstKernel k;
         RstExtractLine::kernel(1, k);
         uint8_t b = 0;
         RstSivraMatchParams p = RstExtractLine::parameters(1);
         p.type = 0;
         return RstSivraPatternMatch::create(s, &k, &b, &p);
       },
       {-2, "RstSivraPatternMatch::create()"}},
      {"match of 1 bit",
       [](RstRead* s) {
         RstKernel k;
         RstExtractLine::kernel(2, k);
         uint8_t b = 0;
         RstSivraMatchParams p = RstExtractLine::parameters(2);
         return static_cast<RstRead*>(RstSivraPatternMatch::create(s, &k, &b, &p));
       },
       {-3, "RstSivraPatternMatch::create()"},
       true,
       1},
  };
  for (const Case& c : cases) {
    RstStatusRecorder status;
    Held<> src(c.bits == 8 ? gray_source(g) : source1(Mask{4, 4, std::vector<uint8_t>(16, 0)}));
    EXPECT_EQ(c.make(src.get()), nullptr) << c.name;
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{c.report})) << c.name;
  }
}

}  // namespace
