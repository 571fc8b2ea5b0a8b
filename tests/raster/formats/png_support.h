// Test support for the PNG reader: PNG files written by libpng into memory,
// a test-side libpng read with the reader's transformations, and PNM files
// as the netpbm tools print them.
#pragma once

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "page_support.h"

// The bytes libpng writes for the rows (packed as PNG stores them); `more`
// adds chunks before the image header is written.
inline std::vector<uint8_t> png_bytes(uint32_t width, uint32_t height, int depth, int color_type, bool interlaced,
                                      const Rows& rows, const std::function<void(png_structp, png_infop)>& more = {}) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, size_t n) {
        auto* o = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, width, height, depth, color_type, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (more) more(png, info);
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (const auto& r : rows) pointers.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// A chunk of the type with its CRC, put before the first IDAT.
inline std::vector<uint8_t> with_chunk(const std::vector<uint8_t>& file, const char* type,
                                       const std::vector<uint8_t>& data) {
  std::vector<uint8_t> chunk = {uint8_t(data.size() >> 24), uint8_t(data.size() >> 16), uint8_t(data.size() >> 8),
                                uint8_t(data.size())};
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
  crc = crc32(crc, data.data(), uInt(data.size()));
  for (int s = 24; s >= 0; s -= 8) chunk.push_back(uint8_t(crc >> s));
  size_t at = 8;
  while (at + 8 <= file.size() && std::string(file.begin() + long(at) + 4, file.begin() + long(at) + 8) != "IDAT") {
    uint32_t n = uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 | uint32_t(file[at + 2]) << 8 | file[at + 3];
    at += 12 + n;
  }
  std::vector<uint8_t> out(file.begin(), file.begin() + long(at));
  out.insert(out.end(), chunk.begin(), chunk.end());
  out.insert(out.end(), file.begin() + long(at), file.end());
  return out;
}

// What libpng itself delivers with the reader's transformations: the rows
// and the colour type, depth and channels after the update.
struct PngReference {
  Rows rows;
  int depth = 0, channels = 0, color_type = 0;
  bool ok = false;
};

inline PngReference png_reference(const std::vector<uint8_t>& file) {
  PngReference ref;
  struct Source {
    const std::vector<uint8_t>* bytes;
    size_t at;
  } src{&file, 0};
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, [](png_structp, png_const_charp) {});
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> pointers;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return ref;
  }
  png_set_read_fn(png, &src, [](png_structp p, png_bytep data, size_t n) {
    auto* s = static_cast<Source*>(png_get_io_ptr(p));
    if (s->at + n > s->bytes->size()) png_error(p, "short");
    std::copy(s->bytes->begin() + long(s->at), s->bytes->begin() + long(s->at + n), data);
    s->at += n;
  });
  png_read_info(png, info);
  int depth = png_get_bit_depth(png, info), type = png_get_color_type(png, info);
  png_set_strip_16(png);
  if (depth == 2 || depth == 4 || (depth == 1 && type == PNG_COLOR_TYPE_PALETTE)) png_set_packing(png);
  if (depth == 2 || depth == 4) png_set_expand(png);
  png_color_16p bkgd;
  if (png_get_bKGD(png, info, &bkgd)) {
    png_set_background(png, bkgd, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
  } else {
    png_color_16 white{0, 255, 255, 255, 255};
    png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
  }
  int intent;
  double gamma = 0.45455;
  if (!png_get_sRGB(png, info, &intent)) png_get_gAMA(png, info, &gamma);
  png_set_gamma(png, 2.2, gamma);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  uint32_t h = png_get_image_height(png, info);
  ref.rows.assign(h, std::vector<uint8_t>(png_get_rowbytes(png, info)));
  for (auto& r : ref.rows) pointers.push_back(r.data());
  png_read_image(png, pointers.data());
  ref.depth = png_get_bit_depth(png, info);
  ref.channels = png_get_channels(png, info);
  ref.color_type = png_get_color_type(png, info);
  ref.ok = true;
  png_destroy_read_struct(&png, &info, nullptr);
  return ref;
}

// A PNM file (P4, P5, P6) as one value per sample, row by row.
struct Pnm {
  int type = 0;
  uint32_t width = 0, height = 0, maxval = 1;
  std::vector<std::vector<uint32_t>> rows;
};

inline Pnm parse_pnm(const std::vector<uint8_t>& b) {
  Pnm p;
  size_t at = 0;
  auto token = [&]() {
    std::string t;
    while (at < b.size()) {
      if (b[at] == '#') {
        while (at < b.size() && b[at] != '\n') ++at;
      } else if (isspace(b[at])) {
        if (!t.empty()) break;
        ++at;
      } else {
        t += char(b[at++]);
      }
    }
    return t;
  };
  std::string magic = token();
  if (magic.size() != 2 || magic[0] != 'P') return p;
  p.type = magic[1] - '0';
  p.width = uint32_t(std::stoul(token()));
  p.height = uint32_t(std::stoul(token()));
  if (p.type != 4) p.maxval = uint32_t(std::stoul(token()));
  ++at;  // the one white-space byte before the raster
  uint32_t samples = p.type == 6 ? 3 : 1;
  for (uint32_t y = 0; y < p.height; ++y) {
    std::vector<uint32_t> row;
    if (p.type == 4) {
      size_t bytes = (p.width + 7) / 8;
      for (uint32_t x = 0; x < p.width; ++x)
        row.push_back(at + x / 8 < b.size() ? (b[at + x / 8] >> (7 - x % 8)) & 1 : 0);
      at += bytes;
    } else {
      for (uint32_t i = 0; i < p.width * samples; ++i) {
        uint32_t v = 0;
        if (p.maxval > 255) {
          v = at + 1 < b.size() ? uint32_t(b[at]) << 8 | b[at + 1] : 0;
          at += 2;
        } else {
          v = at < b.size() ? b[at] : 0;
          at += 1;
        }
        row.push_back(v);
      }
    }
    p.rows.push_back(row);
  }
  return p;
}

// Rows of a node as one 8-bit value per sample: 1-bit samples as 0 and 1,
// indices through the colormap to RGB.
inline std::vector<std::vector<uint32_t>> node_samples(RstRead* node) {
  RstHeader h(node);
  std::vector<std::vector<uint32_t>> out;
  for (const auto& line : read_lines(node)) {
    std::vector<uint32_t> row;
    for (int32_t x = 0; x < h.width; ++x) {
      if (h.bits_per_sample == 1) {
        row.push_back((line[size_t(x / 8)] >> (7 - x % 8)) & 1);
      } else if (h.colormap) {
        int entry = line[size_t(x)];
        for (int c = 0; c < 3; ++c)
          row.push_back(entry < h.colormap->entries() ? h.colormap->data()[3 * entry + c] : 0xFFFF);
      } else {
        for (int c = 0; c < h.samples_per_pixel; ++c)
          row.push_back(line[size_t(x) * size_t(h.samples_per_pixel) + size_t(c)]);
      }
    }
    out.push_back(row);
  }
  return out;
}

// A PNM's samples on the reader's scale: 16-bit by the high byte, smaller
// maxvals widened to 8 bits, PBM inverted to the reader's 1 = white.
inline std::vector<std::vector<uint32_t>> pnm_samples(const Pnm& p) {
  std::vector<std::vector<uint32_t>> out = p.rows;
  for (auto& row : out)
    for (uint32_t& v : row) {
      if (p.type == 4) v ^= 1;
      else if (p.maxval > 255) v >>= 8;
      else if (p.maxval < 255) v = v * 255 / p.maxval;
    }
  return out;
}

// Output of a shell command.
inline std::vector<uint8_t> command_output(const std::string& command) {
  std::vector<uint8_t> out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  uint8_t buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.insert(out.end(), buffer, buffer + n);
  pclose(p);
  return out;
}
