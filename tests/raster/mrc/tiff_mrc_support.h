// Profile M fixtures for the MRC page tests: files of mask pages whose
// SubIFDs (and the IFDs chained after them) hold ITU Lab children, raw or
// JPEG, with positions, resolutions and DefaultImageColor; strips coded by
// libtiff. The oracle decodes every layer with libtiff and composes the page
// by the placement formulas, pixel by pixel.
#pragma once

#include <tiffio.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "mrc_support.h"
#include "raster/core/rst_color_type.h"
#include "raster/formats/page_support.h"
#include "raster/geometry/rst_scale.h"

struct Ratio {
  uint32_t n = 0, d = 1;
  double value() const { return double(n) / double(d); }
};

struct MrcChild {
  uint32_t layer = 1;  // 1 background, 3 foreground
  uint32_t width = 0, height = 0;
  Ratio x_resolution{300, 1}, y_resolution{300, 1};
  Ratio x_position{0, 1}, y_position{0, 1};  // inches
  std::vector<uint32_t> default_color;       // DefaultImageColor values
  bool has_data = true;
  uint16_t compression = COMPRESSION_NONE;  // or COMPRESSION_JPEG
  uint32_t rows_per_strip = 0;              // 0: one strip
  bool chained = false;                     // after the previous child, not a SubIFD
  Rows rows;                                // width x 3 bytes each
};

struct MrcPage {
  uint32_t width = 0, height = 0;
  Ratio x_resolution{300, 1}, y_resolution{300, 1};
  uint16_t mask_compression = COMPRESSION_CCITTFAX4;  // or CCITTFAX3 (2-D), NONE
  uint32_t rows_per_strip = 0;
  Rows mask;  // packed 1-bit rows
  std::vector<MrcChild> children;
};

// Where the writer put each page's children.
struct MrcLayout {
  std::vector<std::vector<uint32_t>> child_offsets;
};

// Lab rows of a smooth pattern that differs per seed.
inline Rows lab_rows(uint32_t width, uint32_t height, uint32_t seed) {
  Rows rows(height, std::vector<uint8_t>(size_t(width) * 3));
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      rows[y][x * 3] = uint8_t(40 + (x * 7 + y * 3 + seed * 31) % 180);
      rows[y][x * 3 + 1] = uint8_t(100 + (x + seed * 5) % 60);
      rows[y][x * 3 + 2] = uint8_t(80 + (y + seed * 11) % 50);
    }
  return rows;
}

inline std::vector<std::vector<uint8_t>> child_strips(const MrcChild& c) {
  uint32_t rps = c.rows_per_strip ? c.rows_per_strip : c.height;
  return coded_strips(c.width, 8, 3, PHOTOMETRIC_ITULAB, c.compression, rps, c.rows, [&](TIFF* tif) {
    if (c.compression == COMPRESSION_JPEG) {
      // Strips with their own tables, as a reader of one strip needs.
      TIFFSetField(tif, TIFFTAG_JPEGTABLESMODE, 0);
      TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
    }
  });
}

inline std::vector<TiffEntry> sorted(std::vector<TiffEntry> entries) {
  std::sort(entries.begin(), entries.end(), [](const TiffEntry& x, const TiffEntry& y) { return x.tag < y.tag; });
  return entries;
}

inline std::vector<uint8_t> mrc_file(const std::vector<MrcPage>& pages, MrcLayout* layout = nullptr) {
  TiffBuilder b(false, 0);
  uint32_t next_field = 4;
  if (layout) layout->child_offsets.assign(pages.size(), {});
  for (size_t p = 0; p < pages.size(); ++p) {
    const MrcPage& page = pages[p];
    uint32_t mask_rps = page.rows_per_strip ? page.rows_per_strip : page.height;
    auto mask_strips = coded_strips(page.width, 1, 1, PHOTOMETRIC_MINISWHITE, page.mask_compression, mask_rps,
                                    page.mask, [&](TIFF* tif) {
                                      if (page.mask_compression == COMPRESSION_CCITTFAX3)
                                        TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_2DENCODING);
                                    });
    std::vector<uint32_t> mask_offsets, mask_counts;
    for (const auto& s : mask_strips) {
      mask_offsets.push_back(b.add_bytes(s));
      mask_counts.push_back(uint32_t(s.size()));
    }
    std::vector<uint32_t> sub_ifds, child_at;
    uint32_t previous_next = 0;
    for (const MrcChild& c : page.children) {
      std::vector<TiffEntry> e = {TiffEntry::longs(254, {0x10}),
                                  TiffEntry::longs(256, {c.width}),
                                  TiffEntry::longs(257, {c.height}),
                                  TiffEntry::shorts(258, {8, 8, 8}),
                                  TiffEntry::shorts(259, {c.compression}),
                                  TiffEntry::shorts(262, {PHOTOMETRIC_ITULAB}),
                                  TiffEntry::shorts(277, {3}),
                                  TiffEntry::longs(278, {c.rows_per_strip ? c.rows_per_strip : c.height}),
                                  TiffEntry::rational(282, c.x_resolution.n, c.x_resolution.d),
                                  TiffEntry::rational(283, c.y_resolution.n, c.y_resolution.d),
                                  TiffEntry::rational(286, c.x_position.n, c.x_position.d),
                                  TiffEntry::rational(287, c.y_position.n, c.y_position.d),
                                  TiffEntry::shorts(296, {2}),
                                  TiffEntry::longs(34732, {c.layer, uint32_t(p + 1)})};
      if (!c.default_color.empty()) e.push_back(TiffEntry::shorts(434, c.default_color));
      if (c.has_data) {
        std::vector<uint32_t> at, counts;
        for (const auto& s : child_strips(c)) {
          at.push_back(b.add_bytes(s));
          counts.push_back(uint32_t(s.size()));
        }
        e.push_back(TiffEntry::longs(273, at));
        e.push_back(TiffEntry::longs(279, counts));
      }
      uint32_t at = b.add_ifd(sorted(e));
      if (c.chained && previous_next) b.patch32(previous_next, at);
      else sub_ifds.push_back(at);
      previous_next = b.last_next_field;
      child_at.push_back(at);
    }
    if (layout) layout->child_offsets[p] = child_at;
    std::vector<TiffEntry> m = {TiffEntry::longs(254, {0x10}),
                                TiffEntry::longs(256, {page.width}),
                                TiffEntry::longs(257, {page.height}),
                                TiffEntry::shorts(258, {1}),
                                TiffEntry::shorts(259, {page.mask_compression}),
                                TiffEntry::shorts(262, {PHOTOMETRIC_MINISWHITE}),
                                TiffEntry::longs(273, mask_offsets),
                                TiffEntry::shorts(277, {1}),
                                TiffEntry::longs(278, {mask_rps}),
                                TiffEntry::longs(279, mask_counts),
                                TiffEntry::rational(282, page.x_resolution.n, page.x_resolution.d),
                                TiffEntry::rational(283, page.y_resolution.n, page.y_resolution.d),
                                TiffEntry::shorts(296, {2}),
                                TiffEntry::longs(34732, {2, uint32_t(p + 1)})};
    if (page.mask_compression == COMPRESSION_CCITTFAX3) m.push_back(TiffEntry::longs(292, {GROUP3OPT_2DENCODING}));
    if (!sub_ifds.empty()) m.push_back(TiffEntry::longs(330, sub_ifds));
    uint32_t at = b.add_ifd(sorted(m));
    b.patch32(next_field, at);
    next_field = b.last_next_field;
  }
  return b.bytes;
}

// The order in which the page reader meets the children: the SubIFDs, then
// each child's chained IFD, children in the order met.
inline std::vector<size_t> reading_order(const MrcPage& page) {
  std::vector<size_t> order;
  for (size_t i = 0; i < page.children.size(); ++i)
    if (!page.children[i].chained || i == 0) order.push_back(i);
  for (size_t k = 0; k < order.size(); ++k) {
    size_t i = order[k];
    if (i + 1 < page.children.size() && page.children[i + 1].chained) order.push_back(i + 1);
  }
  return order;
}

// An 8-bit 3-sample image decoded by libtiff from the IFD at offset (page's
// mask when offset is 0: 1-bit rows).
inline Rows libtiff_decode(TIFF* tif, uint64_t offset) {
  if (offset && !TIFFSetSubDirectory(tif, offset)) return {};
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
  std::vector<uint8_t> buffer(stride * rps);
  for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
    tmsize_t n = TIFFReadEncodedStrip(tif, s, buffer.data(), tmsize_t(buffer.size()));
    if (n < 0) return {};
    for (size_t r = 0; r < size_t(n) / stride && rows.size() < h; ++r)
      rows.emplace_back(buffer.begin() + r * stride, buffer.begin() + (r + 1) * stride);
  }
  return rows;
}

// rows scaled by one of our scalers (the oracle's scaling of libtiff's decode).
inline Rows scaled(const Rows& rows, int32_t width, int32_t height, bool area_average) {
  std::vector<uint8_t> bytes;
  for (const auto& r : rows) bytes.insert(bytes.end(), r.begin(), r.end());
  int32_t w = int32_t(rows[0].size() / 3), h = int32_t(rows.size());
  RstOwner<RstRead> source(raw_source(bytes, w, h, 8, 3, RstColorType::itu_lab()));
  RstRead* s =
      area_average ? RstScalePP::create(source.get(), width, height) : RstScaleNN::create(source.get(), width, height);
  if (!s) return {};
  source.release();
  RstOwner<RstRead> node(s);
  Page p = pull(node.get());
  return p.lines;
}

// The page composed from libtiff's decode of every layer.
inline Rows oracle_page(const std::vector<uint8_t>& file, const MrcPage& page, const MrcLayout& layout, size_t p) {
  std::string dir = temp_dir();
  std::string path = dir + "/oracle.tif";
  write_bytes(path, file);
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  Rows out;
  if (!tif) return out;
  TIFFSetDirectory(tif, tdir_t(p));
  Rows mask = libtiff_decode(tif, 0);
  const uint8_t white[3] = {255, 128, 96}, black[3] = {0, 128, 96};
  Rows bg(page.height, std::vector<uint8_t>(size_t(page.width) * 3)), fg = bg;
  for (uint32_t y = 0; y < page.height; ++y)
    for (uint32_t x = 0; x < page.width; ++x)
      for (int c = 0; c < 3; ++c) {
        bg[y][x * 3 + c] = white[c];
        fg[y][x * 3 + c] = black[c];
      }
  double px = page.x_resolution.value(), py = page.y_resolution.value();
  for (size_t i : reading_order(page)) {
    const MrcChild& c = page.children[i];
    Rows& layer = c.layer == 1 ? bg : fg;
    int64_t top = int64_t(std::trunc(c.y_position.value() * py + 0.5));
    int64_t band_h = int64_t(std::trunc(c.height * py / c.y_resolution.value() + 0.5));
    uint8_t colour[3] = {uint8_t(c.layer == 1 ? 255 : 0), 128, 96};
    for (size_t s = 0; s < c.default_color.size() && s < 3; ++s) colour[s] = uint8_t(c.default_color[s]);
    for (int64_t y = std::max<int64_t>(top, 0); y < top + band_h && y < page.height; ++y)
      for (uint32_t x = 0; x < page.width; ++x)
        for (int k = 0; k < 3; ++k) layer[y][x * 3 + k] = colour[k];
    if (!c.has_data) continue;
    Rows image = libtiff_decode(tif, layout.child_offsets[p][i]);
    int64_t x0 = int64_t(std::round(c.x_position.value() * px)), y0 = int64_t(std::round(c.y_position.value() * py));
    int32_t w = int32_t(std::trunc(c.width * px / c.x_resolution.value() + 0.5));
    int32_t h = int32_t(std::trunc(c.height * py / c.y_resolution.value() + 0.5));
    if (w != int32_t(c.width) || h != int32_t(c.height)) image = scaled(image, w, h, c.layer == 1);
    for (int32_t y = 0; y < h && size_t(y) < image.size(); ++y)
      for (int32_t x = 0; x < w; ++x) {
        int64_t py_ = y0 + y, px_ = x0 + x;
        if (py_ >= top + band_h || py_ >= page.height || px_ >= page.width) continue;
        for (int k = 0; k < 3; ++k) layer[py_][px_ * 3 + k] = image[y][x * 3 + k];
      }
  }
  TIFFClose(tif);
  std::remove(path.c_str());
  rmdir(dir.c_str());
  out = bg;
  for (uint32_t y = 0; y < page.height && y < mask.size(); ++y)
    for (uint32_t x = 0; x < page.width; ++x)
      if ((mask[y][x / 8] >> (7 - x % 8)) & 1)
        for (int k = 0; k < 3; ++k) out[y][x * 3 + k] = fg[y][x * 3 + k];
  return out;
}
