// Test support for the GIF reader: GIF files giflib writes into memory from
// rows of indices, and giflib's own decoding of a file's first image.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "page_support.h"

struct GifSpec {
  uint32_t width = 0, height = 0;
  std::vector<GifColorType> colors;  // the table (a power of two, 2..256)
  bool global = true;                // else a local table only
  bool interlaced = false;
  bool extensions = false;   // comment and application extension first
  std::vector<Rows> frames;  // each height rows of width indices
};

inline std::vector<uint8_t> gif_bytes(const GifSpec& s) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* g = EGifOpen(
      &out,
      [](GifFileType* f, const GifByteType* b, int n) {
        auto* o = static_cast<std::vector<uint8_t>*>(f->UserData);
        o->insert(o->end(), b, b + n);
        return n;
      },
      &error);
  if (!g) return {};
  EGifSetGifVersion(g, true);
  ColorMapObject* map = GifMakeMapObject(int(s.colors.size()), s.colors.data());
  EGifPutScreenDesc(g, int(s.width), int(s.height), 8, 0, s.global ? map : nullptr);
  if (s.extensions) {
    const char comment[] = "made by the test";
    EGifPutExtension(g, COMMENT_EXT_FUNC_CODE, int(sizeof comment - 1), comment);
    EGifPutExtensionLeader(g, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(g, 11, "NETSCAPE2.0");
    const uint8_t loop[3] = {1, 0, 0};
    EGifPutExtensionBlock(g, 3, loop);
    EGifPutExtensionTrailer(g);
  }
  for (const Rows& frame : s.frames) {
    EGifPutImageDesc(g, 0, 0, int(s.width), int(s.height), s.interlaced, s.global ? nullptr : map);
    std::vector<uint32_t> order;
    if (s.interlaced) {
      const uint32_t start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int p = 0; p < 4; ++p)
        for (uint32_t y = start[p]; y < s.height; y += step[p]) order.push_back(y);
    } else {
      for (uint32_t y = 0; y < s.height; ++y) order.push_back(y);
    }
    for (uint32_t y : order) {
      std::vector<uint8_t> row = frame[y];
      EGifPutLine(g, row.data(), int(s.width));
    }
  }
  EGifCloseFile(g, &error);
  GifFreeMapObject(map);
  return out;
}

// giflib's rows of the first image (DGifSlurp deinterlaces) and its table.
struct GifDecoded {
  Rows rows;
  std::vector<GifColorType> colors;
  bool ok = false;
};

inline GifDecoded giflib_first_image(const std::vector<uint8_t>& file) {
  GifDecoded d;
  struct Source {
    const std::vector<uint8_t>* bytes;
    size_t at;
  } src{&file, 0};
  int error = 0;
  GifFileType* g = DGifOpen(
      &src,
      [](GifFileType* f, GifByteType* b, int n) {
        auto* s = static_cast<Source*>(f->UserData);
        int k = int(std::min<size_t>(size_t(n), s->bytes->size() - s->at));
        std::copy(s->bytes->begin() + long(s->at), s->bytes->begin() + long(s->at) + k, b);
        s->at += size_t(k);
        return k;
      },
      &error);
  if (!g) return d;
  if (DGifSlurp(g) == GIF_OK && g->ImageCount > 0) {
    const SavedImage& im = g->SavedImages[0];
    uint32_t w = uint32_t(im.ImageDesc.Width), h = uint32_t(im.ImageDesc.Height);
    for (uint32_t y = 0; y < h; ++y)
      d.rows.emplace_back(im.RasterBits + size_t(y) * w, im.RasterBits + size_t(y + 1) * w);
    ColorMapObject* map = im.ImageDesc.ColorMap ? im.ImageDesc.ColorMap : g->SColorMap;
    if (map) d.colors.assign(map->Colors, map->Colors + map->ColorCount);
    d.ok = true;
  }
  DGifCloseFile(g, &error);
  return d;
}

// Rows of indices that differ from row to row, below `colors`.
inline Rows index_rows(uint32_t width, uint32_t height, uint32_t colors, uint32_t seed = 1) {
  Rows rows(height, std::vector<uint8_t>(width));
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) rows[y][x] = uint8_t((x * 7 + y * 13 + seed * (x / 5)) % colors);
  return rows;
}

inline std::vector<GifColorType> gif_colors(uint32_t n, bool black_first = true) {
  std::vector<GifColorType> c(n);
  for (uint32_t i = 0; i < n; ++i) c[i] = {uint8_t(i * 255 / (n - 1)), uint8_t(255 - i * 3), uint8_t(i * 97)};
  if (!black_first) c[0] = {255, 255, 255};
  if (black_first) c[0] = {0, 0, 0};
  return c;
}
