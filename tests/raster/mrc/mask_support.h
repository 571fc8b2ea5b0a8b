// Masks for the labelling tests: a mask drawn in text or made at random, the
// sources that deliver it as 8-bit, packed 1-bit or run lines, the label
// images read back from both labelling nodes, and a flood fill that numbers
// the 8-connected components in the raster order of their first pixels.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "raster/codecs/rst_encode_rle_core.h"
#include "raster/core/rst_color_type.h"
#include "raster/geometry/line_source.h"

struct Mask {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> set;  // 1 for foreground, row by row
  bool at(int32_t x, int32_t y) const { return set[size_t(y) * size_t(width) + size_t(x)] != 0; }
};

// Rows of text; '#' marks foreground.
inline Mask draw(const std::vector<std::string>& rows) {
  Mask m;
  m.height = int32_t(rows.size());
  m.width = rows.empty() ? 0 : int32_t(rows[0].size());
  for (const std::string& r : rows)
    for (char c : r) m.set.push_back(c == '#');
  return m;
}

inline Mask random_mask(int32_t width, int32_t height, double density, uint32_t seed) {
  std::mt19937 rng(seed);
  std::bernoulli_distribution on(density);
  Mask m{width, height, {}};
  for (int32_t i = 0; i < width * height; ++i) m.set.push_back(on(rng));
  return m;
}

// 8-bit pixels: foreground is fg, background bg.
inline RstRead* source8(const Mask& m, uint8_t fg = 255, uint8_t bg = 0) {
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < m.height; ++y) {
    Bytes l(size_t(m.width));
    for (int32_t x = 0; x < m.width; ++x) l[size_t(x)] = m.at(x, y) ? fg : bg;
    lines.push_back(l);
  }
  return new LineSource(image_header(m.width, m.height, 8, 1, RstColorType::s_gray()), lines);
}

inline std::vector<Bytes> packed_rows(const Mask& m) {
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < m.height; ++y) {
    Bytes l(size_t((m.width + 7) / 8), 0);
    for (int32_t x = 0; x < m.width; ++x)
      if (m.at(x, y)) l[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    lines.push_back(l);
  }
  return lines;
}

inline RstRead* source1(const Mask& m) {
  return new LineSource(image_header(m.width, m.height, 1, 1, RstColorType::s_gray_reverse()), packed_rows(m));
}

inline RstRead* source_runs(const Mask& m) {
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < m.height; ++y) {
    Pairs runs;
    for (int32_t x = 0; x < m.width; ++x) {
      if (!m.at(x, y)) continue;
      int32_t f = x;
      while (x + 1 < m.width && m.at(x + 1, y)) ++x;
      runs.push_back({f, x});
    }
    lines.push_back(run_line(runs));
  }
  return rle_source(m.width, lines);
}

using Labels = std::vector<uint32_t>;  // row by row

// The label image of a raw 32-bit label node, read from its current row on.
inline Labels read_raw_labels(RstRead* node, int32_t width, int32_t height) {
  Labels out;
  Bytes line(size_t(width) * 4 + 16);
  for (int32_t y = 0; y < height; ++y) {
    int n = node->read(line.data());
    EXPECT_EQ(n, width * 4);
    if (n != width * 4) break;
    const auto* p = reinterpret_cast<const uint32_t*>(line.data());
    out.insert(out.end(), p, p + width);
  }
  return out;
}

// One valued-run row as (label, first, last) triples, terminator left out.
struct Triple {
  uint32_t label;
  int32_t first, last;
  bool operator==(const Triple&) const = default;
};
inline std::vector<Triple> triples(const Bytes& line) {
  std::vector<Triple> out;
  for (size_t k = 0; k + 12 <= line.size(); k += 12) {
    Triple t;
    std::memcpy(&t, line.data() + k, 12);
    if (t.first == -1) {
      EXPECT_EQ(k + 12, line.size()) << "bytes after the terminator";
      EXPECT_EQ(t.label, 0u);
      break;
    }
    out.push_back(t);
  }
  return out;
}

// The label image of a valued-run node, expanded to pixels.
inline Labels read_run_labels(RstRead* node, int32_t width, int32_t height) {
  Labels out(size_t(width) * size_t(height), 0);
  Bytes line(size_t(node->line_size()));
  for (int32_t y = 0; y < height; ++y) {
    int n = node->read(line.data());
    EXPECT_GE(n, 12);
    if (n < 12) break;
    int32_t next = 0;
    for (const Triple& t : triples(Bytes(line.begin(), line.begin() + n))) {
      EXPECT_LE(next, t.first);
      EXPECT_LE(t.first, t.last);
      EXPECT_LT(t.last, width);
      if (t.first < next || t.last >= width || t.first > t.last) break;
      for (int32_t x = t.first; x <= t.last; ++x) out[size_t(y) * size_t(width) + size_t(x)] = t.label;
      next = t.last + 2;  // runs are maximal
    }
  }
  return out;
}

// The reference: 8-connected flood fill, labels in raster order of first pixels.
inline Labels flood_fill(const Mask& m, uint32_t* count = nullptr) {
  Labels out(size_t(m.width) * size_t(m.height), 0);
  uint32_t next = 0;
  std::vector<std::pair<int32_t, int32_t>> stack;
  for (int32_t y = 0; y < m.height; ++y)
    for (int32_t x = 0; x < m.width; ++x) {
      if (!m.at(x, y) || out[size_t(y) * size_t(m.width) + size_t(x)]) continue;
      ++next;
      stack.push_back({x, y});
      out[size_t(y) * size_t(m.width) + size_t(x)] = next;
      while (!stack.empty()) {
        auto [px, py] = stack.back();
        stack.pop_back();
        for (int32_t dy = -1; dy <= 1; ++dy)
          for (int32_t dx = -1; dx <= 1; ++dx) {
            int32_t nx = px + dx, ny = py + dy;
            if (nx < 0 || ny < 0 || nx >= m.width || ny >= m.height || !m.at(nx, ny)) continue;
            uint32_t& l = out[size_t(ny) * size_t(m.width) + size_t(nx)];
            if (l) continue;
            l = next;
            stack.push_back({nx, ny});
          }
      }
    }
  if (count) *count = next;
  return out;
}

// A comb: a spine along the bottom row and teeth reaching up from it, so
// that every tooth is a provisional label until the last row joins them.
inline Mask comb(int32_t teeth, int32_t height) {
  Mask m{teeth * 2, height, {}};
  m.set.assign(size_t(m.width) * size_t(height), 0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < m.width; ++x)
      if (y == height - 1 || x % 2 == 0) m.set[size_t(y) * size_t(m.width) + size_t(x)] = 1;
  return m;
}

// Two interleaved square spirals one pixel wide, two pixels apart: long
// chains of provisional labels joined late.
inline Mask double_spiral(int32_t size) {
  Mask m{size, size, {}};
  m.set.assign(size_t(size) * size_t(size), 0);
  auto put = [&](int32_t x, int32_t y) {
    if (x >= 0 && y >= 0 && x < size && y < size) m.set[size_t(y) * size_t(size) + size_t(x)] = 1;
  };
  for (int32_t arm = 0; arm < 2; ++arm) {
    // Walks inwards: right, down, left, up, with the side shrinking by 4
    // every two turns so that the two arms stay two pixels apart.
    int32_t x = arm * 2, y = arm * 2, len = size - 1 - arm * 4;
    int32_t dirs[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    for (int32_t turn = 0; len > 0; ++turn) {
      auto [dx, dy] = std::pair{dirs[turn % 4][0], dirs[turn % 4][1]};
      for (int32_t k = 0; k < len; ++k, x += dx, y += dy) put(x, y);
      if (turn % 2 == 1) len -= 4;
      if (turn == 0) len -= 0;
    }
    put(x, y);
  }
  return m;
}
