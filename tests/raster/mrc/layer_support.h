// Test support for the layer generators: images held whole, the sources
// that deliver them, and brute-force references of every generator worked
// on whole images, without rings, fan-outs or rotating rows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/core/rst_color_type.h"
#include "raster/geometry/line_source.h"

// A namespace of its own: other test helpers of this folder share names.
namespace layer_test {

struct Img {
  int32_t w = 0, h = 0, c = 1;
  std::vector<uint8_t> px;
  Img() = default;
  Img(int32_t w, int32_t h, int32_t c, uint8_t v = 0) : w(w), h(h), c(c), px(size_t(w) * size_t(h) * size_t(c), v) {}
  uint8_t& at(int32_t x, int32_t y, int32_t k = 0) {
    return px[(size_t(y) * size_t(w) + size_t(x)) * size_t(c) + size_t(k)];
  }
  uint8_t at(int32_t x, int32_t y, int32_t k = 0) const {
    return px[(size_t(y) * size_t(w) + size_t(x)) * size_t(c) + size_t(k)];
  }
  bool operator==(const Img&) const = default;
};

inline void PrintTo(const Img& i, std::ostream* os) { *os << i.w << " x " << i.h << " x " << i.c; }

inline std::vector<Bytes> rows_of(const Img& i) {
  std::vector<Bytes> lines;
  const size_t row = size_t(i.w) * size_t(i.c);
  for (int32_t y = 0; y < i.h; ++y) lines.emplace_back(i.px.begin() + y * row, i.px.begin() + (y + 1) * row);
  return lines;
}

inline LineSource* source_of(const Img& i, RstColorType* type) {
  return new LineSource(image_header(i.w, i.h, 8, i.c, type), rows_of(i));
}
inline LineSource* lab_source(const Img& i) { return source_of(i, RstColorType::itu_lab()); }
inline LineSource* mask8_source(const Img& i) { return source_of(i, RstColorType::s_gray()); }

// A 1-bit mask: set where the 8-bit mask is 255.
inline LineSource* mask1_source(const Img& m) {
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < m.h; ++y) {
    Bytes l(size_t((m.w + 7) / 8), 0);
    for (int32_t x = 0; x < m.w; ++x)
      if (m.at(x, y) == 255) l[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    lines.push_back(l);
  }
  return new LineSource(image_header(m.w, m.h, 1, 1, RstColorType::s_gray_reverse()), lines);
}

// Every line of a node as an image of c channels; short when the node ends
// early.
inline Img pull_img(RstRead* node, int32_t w, int32_t c) {
  Img out(w, 0, c);
  for (const Bytes& l : pull(node)) {
    EXPECT_EQ(l.size(), size_t(w) * size_t(c));
    if (l.size() != size_t(w) * size_t(c)) break;
    out.px.insert(out.px.end(), l.begin(), l.end());
    ++out.h;
  }
  return out;
}

inline Img random_page(int32_t w, int32_t h, uint32_t seed) {
  std::mt19937 rng(seed);
  Img p(w, h, 3);
  for (uint8_t& v : p.px) v = uint8_t(rng());
  return p;
}

// 0/255 mask of the given density; clustered a little so that runs and
// neighbours of every length occur.
inline Img random_mask(int32_t w, int32_t h, double density, uint32_t seed) {
  std::mt19937 rng(seed);
  std::bernoulli_distribution on(density), repeat(0.5);
  Img m(w, h, 1);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const bool keep = x > 0 && repeat(rng);
      m.at(x, y) = keep ? m.at(x - 1, y) : (on(rng) ? 255 : 0);
    }
  return m;
}

// Thinning by runs: a run of 1 stays, of 2 keeps its second pixel, of 3 its
// middle, of 4 its third, of 5 or more loses two pixels at each end.
inline Img shrink_ref(const Img& m) {
  Img out(m.w, m.h, 1);
  for (int32_t y = 0; y < m.h; ++y)
    for (int32_t x = 0; x < m.w;) {
      if (m.at(x, y) != 255) {
        ++x;
        continue;
      }
      int32_t e = x;
      while (e + 1 < m.w && m.at(e + 1, y) == 255) ++e;
      const int32_t n = e - x + 1;
      int32_t from = x + 2, to = e - 2;
      if (n == 1) from = to = x;
      else if (n == 2) from = to = x + 1;
      else if (n == 3) from = to = x + 1;
      else if (n == 4) from = to = x + 2;
      for (int32_t k = from; k <= to; ++k) out.at(k, y) = 255;
      x = e + 1;
    }
  return out;
}

// Gap middles: a run starting at p > 0 after a zero marks p minus half the
// zeros counted since the previous such run start, pixel 0 left out.
inline Img move_mid_ref(const Img& m) {
  Img out(m.w, m.h, 1);
  for (int32_t y = 0; y < m.h; ++y) {
    int32_t since = 1;
    for (int32_t p = 1; p < m.w; ++p) {
      if (m.at(p, y) != 255 || m.at(p - 1, y) != 0) continue;
      int32_t zeros = 0;
      for (int32_t x = since; x < p; ++x) zeros += m.at(x, y) != 255;
      out.at(p - zeros / 2, y) = 255;
      since = p + 1;
    }
  }
  return out;
}

// The expansion: per source row a band of rows s - 2 .. s + 2 copied from the
// mask and overwritten, left to right, by the 5 x 5 square of each set pixel
// (255 with a set neighbour, else 0); the output ORs the bands.
inline Img expand_ref(const Img& m) {
  auto src = [&](int32_t x, int32_t y) -> uint8_t { return x < 0 || y < 0 || x >= m.w || y >= m.h ? 0 : m.at(x, y); };
  Img out(m.w, m.h, 1);
  for (int32_t s = -2; s < m.h + 2; ++s) {
    // band[r][x + 2] for rows s - 2 + r.
    std::vector<std::vector<uint8_t>> band(5, std::vector<uint8_t>(size_t(m.w) + 4, 0));
    for (int32_t r = 0; r < 5; ++r)
      for (int32_t x = -2; x < m.w + 2; ++x) band[r][size_t(x + 2)] = src(x, s - 2 + r);
    for (int32_t x = 0; x < m.w; ++x) {
      if (src(x, s) != 255) continue;
      uint8_t around = 0;
      for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx)
          if (dx || dy) around |= src(x + dx, s + dy);
      for (int32_t r = 0; r < 5; ++r)
        for (int32_t i = 0; i < 5; ++i) band[r][size_t(x + i)] = around == 255 ? 255 : 0;
    }
    for (int32_t r = 0; r < 5; ++r) {
      const int32_t y = s - 2 + r;
      if (y < 0 || y >= m.h) continue;
      for (int32_t x = 0; x < m.w; ++x) out.at(x, y) |= band[r][size_t(x + 2)];
    }
  }
  for (uint8_t& v : out.px) v = v == 255 ? 255 : 0;
  return out;
}

// The pixel background over clamped 5 x 5 neighbourhoods.
inline Img back_ref(const Img& page, const Img& expanded, const Img& mask) {
  Img out = page;
  auto cx = [&](int32_t x) { return std::clamp(x, 0, page.w - 1); };
  auto cy = [&](int32_t y) { return std::clamp(y, 0, page.h - 1); };
  for (int32_t y = 0; y < page.h; ++y) {
    uint8_t colour[3] = {255, 128, 96};
    for (int32_t x = 0; x < page.w; ++x) {
      if (expanded.at(x, y) != 255) continue;
      for (const Img* sel : {&expanded, &mask}) {
        uint32_t n = 0, sum[3] = {0, 0, 0};
        for (int32_t dy = -2; dy <= 2; ++dy)
          for (int32_t dx = -2; dx <= 2; ++dx) {
            const int32_t sx = cx(x + dx), sy = cy(y + dy);
            if (sel->at(sx, sy) != 0) continue;
            ++n;
            for (int k = 0; k < 3; ++k) sum[k] += page.at(sx, sy, k);
          }
        if (n == 0) continue;
        for (int k = 0; k < 3; ++k) colour[k] = uint8_t((sum[k] * 4096 / n + 2048) >> 12);
        break;
      }
      for (int k = 0; k < 3; ++k) out.at(x, y, k) = colour[k];
    }
  }
  return out;
}

// The foreground by its effect: coloured blocks carry the mean of their
// thinned pixels; a block between two coloured blocks takes the right one's
// colour when a middle lies between the left one and itself, else the left
// one's; blocks with a coloured block on one side only take that one's;
// rows without any are white; the columns after the last whole block repeat
// the last block; the rows after the last whole block row repeat the first
// image line there.
inline Img fore_ref(const Img& page, const Img& thin, const Img& middle, int32_t bw, int32_t bh,
                    const uint8_t white[3]) {
  Img out(page.w, page.h, 3);
  const int32_t nb = page.w / bw, nr = page.h / bh;
  for (int32_t k = 0; k < nr; ++k) {
    std::vector<int> coloured(size_t(nb), 0), mid(size_t(nb), 0);
    std::vector<std::array<uint8_t, 3>> colour(size_t(nb), std::array<uint8_t, 3>{});
    for (int32_t b = 0; b < nb; ++b) {
      uint32_t n = 0, sum[3] = {0, 0, 0};
      for (int32_t y = k * bh; y < (k + 1) * bh; ++y)
        for (int32_t x = b * bw; x < (b + 1) * bw; ++x) {
          mid[size_t(b)] |= middle.at(x, y) == 255;
          if (thin.at(x, y) != 255) continue;
          ++n;
          for (int c = 0; c < 3; ++c) sum[c] += page.at(x, y, c);
        }
      if (n == 0) continue;
      coloured[size_t(b)] = 1;
      for (int c = 0; c < 3; ++c) colour[size_t(b)][size_t(c)] = uint8_t((uint64_t(sum[c]) * 4096 / n + 2048) >> 12);
    }
    std::vector<std::array<uint8_t, 3>> block(size_t(nb), std::array<uint8_t, 3>{});
    bool any = false;
    for (int32_t b = 0; b < nb; ++b) {
      int32_t l = b, r = b;
      while (l >= 0 && !coloured[size_t(l)]) --l;
      while (r < nb && !coloured[size_t(r)]) ++r;
      if (l < 0 && r >= nb) continue;
      any = true;
      if (l < 0) block[size_t(b)] = colour[size_t(r)];
      else if (r >= nb || l == b) block[size_t(b)] = colour[size_t(l)];
      else {
        bool between = false;
        for (int32_t i = l + 1; i <= b; ++i) between |= mid[size_t(i)] != 0;
        block[size_t(b)] = between ? colour[size_t(r)] : colour[size_t(l)];
      }
    }
    for (int32_t x = 0; x < page.w; ++x) {
      const int32_t b = std::min(x / bw, nb - 1);
      for (int c = 0; c < 3; ++c) {
        const uint8_t v = any ? block[size_t(b)][size_t(c)] : white[c];
        for (int32_t y = k * bh; y < (k + 1) * bh; ++y) out.at(x, y, c) = v;
      }
    }
  }
  for (int32_t y = nr * bh; y < page.h; ++y)
    for (int32_t x = 0; x < page.w; ++x)
      for (int c = 0; c < 3; ++c) out.at(x, y, c) = page.at(x, nr * bh, c);
  return out;
}

// The block background worked on the whole extended page, in the node's
// order of steps: analysis of block row k + 1 before the filling of row k,
// one current colour throughout.
inline Img block_back_ref(const Img& page, const Img& mask, int32_t bw, int32_t bh, const std::vector<uint8_t>& white) {
  const int32_t c = page.c;
  const int32_t nbx = (page.w + bw - 1) / bw, nby = (page.h + bh - 1) / bh;
  const int32_t pw = nbx * bw, ph = nby * bh;
  Img img(pw, ph, c), msk(pw, ph, 1);
  for (int32_t y = 0; y < ph; ++y)
    for (int32_t x = 0; x < pw; ++x)
      for (int32_t k = 0; k < c; ++k) img.at(x, y, k) = x < page.w && y < page.h ? page.at(x, y, k) : white[size_t(k)];
  for (int32_t y = 0; y < page.h; ++y)
    for (int32_t x = 0; x < page.w; ++x) msk.at(x, y) = mask.at(x, y);
  const uint32_t size = uint32_t(bw * bh);
  auto mixed = [&](uint32_t n) { return n > 0 && n < size; };
  // counts[k + 1][b + 1], rows and slots with borders of 0 and white.
  std::vector<std::vector<uint32_t>> counts(size_t(nby) + 2, std::vector<uint32_t>(size_t(nbx) + 2, 0));
  std::vector<std::vector<std::vector<uint8_t>>> slots(size_t(nby) + 2,
                                                       std::vector<std::vector<uint8_t>>(size_t(nbx) + 2, white));
  std::vector<uint8_t> current = white;
  Img out = img;
  auto analyse = [&](int32_t k) {
    for (int32_t b = 0; b < nbx; ++b) {
      uint32_t n = 0;
      std::vector<double> mean(size_t(c), 0.0);
      for (int32_t y = k * bh; y < (k + 1) * bh; ++y)
        for (int32_t x = b * bw; x < (b + 1) * bw; ++x)
          if (msk.at(x, y) == 0) {
            ++n;
            for (int32_t q = 0; q < c; ++q) mean[size_t(q)] += img.at(x, y, q);
          }
      if (mixed(n)) {
        for (double& m : mean) m /= n;
        double best = 195075.0;
        for (int32_t y = k * bh; y < (k + 1) * bh; ++y)
          for (int32_t x = b * bw; x < (b + 1) * bw; ++x) {
            if (msk.at(x, y) != 0) continue;
            double d = 0;
            for (int32_t q = 0; q < c; ++q)
              d += (img.at(x, y, q) - mean[size_t(q)]) * (img.at(x, y, q) - mean[size_t(q)]);
            if (d < best) {
              best = d;
              for (int32_t q = 0; q < c; ++q) current[size_t(q)] = img.at(x, y, q);
            }
          }
        for (int32_t y = k * bh; y < (k + 1) * bh; ++y)
          for (int32_t x = b * bw; x < (b + 1) * bw; ++x)
            if (msk.at(x, y) == 255)
              for (int32_t q = 0; q < c; ++q) out.at(x, y, q) = current[size_t(q)];
      }
      slots[size_t(k) + 1][size_t(b) + 1] = current;
      counts[size_t(k) + 1][size_t(b) + 1] = n;
    }
  };
  auto fill = [&](int32_t k) {
    const size_t r = size_t(k) + 1;
    for (int32_t b = 0; b < nbx; ++b) {
      const size_t s = size_t(b) + 1;
      if (counts[r][s] != 0) continue;
      const std::pair<size_t, size_t> order[] = {{r, s - 1},     {r, s + 1},     {r - 1, s},     {r + 1, s},
                                                 {r - 1, s - 1}, {r - 1, s + 1}, {r + 1, s - 1}, {r + 1, s + 1}};
      std::vector<uint8_t> colour = slots[r][s - 1];
      for (auto [rr, ss] : order)
        if (mixed(counts[rr][ss])) {
          colour = slots[rr][ss];
          break;
        }
      current = colour;
      for (int32_t y = k * bh; y < (k + 1) * bh; ++y)
        for (int32_t x = b * bw; x < (b + 1) * bw; ++x)
          for (int32_t q = 0; q < c; ++q) out.at(x, y, q) = colour[size_t(q)];
    }
  };
  analyse(0);
  for (int32_t k = 0; k < nby; ++k) {
    if (k + 1 < nby) analyse(k + 1);
    fill(k);
  }
  Img cut(page.w, page.h, c);
  for (int32_t y = 0; y < page.h; ++y)
    for (int32_t x = 0; x < page.w; ++x)
      for (int32_t q = 0; q < c; ++q) cut.at(x, y, q) = out.at(x, y, q);
  return cut;
}

}  // namespace layer_test
