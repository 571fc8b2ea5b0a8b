// Test support for the rotations and mirrors: packed images with a pixel-by-
// pixel reference turn, sources over them (raw or run lines), and netpbm
// files for the comparisons with pamflip.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "line_source.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_decode_rle.h"

// A packed raw image, line by line; 1-bit pixels most significant bit first.
struct Image {
  int32_t width = 0, height = 0, bits = 8, samples = 1;
  std::vector<Bytes> lines;

  size_t line_bytes() const { return (size_t(width) * size_t(bits) * size_t(samples) + 7) / 8; }
  size_t pixel_bytes() const { return size_t(samples); }  // 8-bit only
  // Bit of a 1-bit pixel, or a pointer to an 8-bit pixel's samples.
  bool bit(int32_t x, int32_t y) const { return (lines[size_t(y)][size_t(x) / 8] >> (7 - x % 8)) & 1; }
  void set_bit(int32_t x, int32_t y, bool v) {
    uint8_t& b = lines[size_t(y)][size_t(x) / 8];
    uint8_t m = uint8_t(0x80 >> (x % 8));
    b = v ? uint8_t(b | m) : uint8_t(b & ~m);
  }
  const uint8_t* px(int32_t x, int32_t y) const { return lines[size_t(y)].data() + size_t(x) * pixel_bytes(); }
  uint8_t* px(int32_t x, int32_t y) { return lines[size_t(y)].data() + size_t(x) * pixel_bytes(); }
  bool operator==(const Image&) const = default;
};

inline Image blank_image(int32_t w, int32_t h, int32_t bits, int32_t samples) {
  Image im{w, h, bits, samples, {}};
  im.lines.assign(size_t(h), Bytes(im.line_bytes(), 0));
  return im;
}

// Random pixels; for 1 bit the spare bits after the last pixel are random too
// unless clean_pad, so that a node that reads them shows.
inline Image random_image(int32_t w, int32_t h, int32_t bits, int32_t samples, uint32_t seed, bool clean_pad = false) {
  Image im = blank_image(w, h, bits, samples);
  std::mt19937 rng(seed);
  for (Bytes& l : im.lines)
    for (uint8_t& b : l) b = uint8_t(rng());
  if (clean_pad && bits == 1 && w % 8)
    for (Bytes& l : im.lines) l.back() &= uint8_t(0xFF << (8 - w % 8));
  return im;
}

// Sets the spare bits after the last 1-bit pixel to 0.
inline Image clean_pad(Image im) {
  if (im.bits == 1 && im.width % 8)
    for (Bytes& l : im.lines) l.back() &= uint8_t(0xFF << (8 - im.width % 8));
  return im;
}

// The reference, pixel by pixel, clockwise:
//   90: out(k, y) = src(y, H - 1 - k); 180: src(W - 1 - k, H - 1 - y);
//   270: src(W - 1 - y, k). Spare bits of the output are 0.
inline Image reference_turn(const Image& in, int angle) {
  const int32_t W = in.width, H = in.height;
  Image out = angle == 180 ? blank_image(W, H, in.bits, in.samples) : blank_image(H, W, in.bits, in.samples);
  for (int32_t y = 0; y < out.height; ++y)
    for (int32_t k = 0; k < out.width; ++k) {
      int32_t sx = 0, sy = 0;
      if (angle == 90) sx = y, sy = H - 1 - k;
      else if (angle == 180) sx = W - 1 - k, sy = H - 1 - y;
      else sx = W - 1 - y, sy = k;
      if (in.bits == 1) out.set_bit(k, y, in.bit(sx, sy));
      else std::memcpy(out.px(k, y), in.px(sx, sy), in.pixel_bytes());
    }
  return out;
}

inline Image reference_mirror_x(const Image& in) {
  Image out = blank_image(in.width, in.height, in.bits, in.samples);
  for (int32_t y = 0; y < in.height; ++y)
    for (int32_t x = 0; x < in.width; ++x) {
      if (in.bits == 1) out.set_bit(x, y, in.bit(in.width - 1 - x, y));
      else std::memcpy(out.px(x, y), in.px(in.width - 1 - x, y), in.pixel_bytes());
    }
  return out;
}

inline Image reference_mirror_y(const Image& in) {
  Image out = in;
  for (int32_t y = 0; y < in.height; ++y) out.lines[size_t(y)] = in.lines[size_t(in.height - 1 - y)];
  return out;
}

inline RstColorType* color_type_of(const Image& im) {
  if (im.bits == 1) return RstColorType::s_gray_reverse();
  return im.samples == 1 ? RstColorType::s_gray() : nullptr;
}

inline RstHeader header_of(const Image& im) {
  return image_header(im.width, im.height, im.bits, im.samples, color_type_of(im));
}

// A counting source over the image's lines.
inline LineSource* source_of(const Image& im) { return new LineSource(header_of(im), im.lines); }

// The image as run lines: the raw source through the run-line encoder.
inline RstRead* rle_source_of(const Image& im) { return RstEncodeRLE::create(source_of(im)); }

// Every line of a node as an image of the node's header.
inline Image image_of(RstRead* node) {
  RstHeader h(node);
  Image im{h.width, h.height, h.bits_per_sample, h.samples_per_pixel, pull(node)};
  return im;
}

// Every line of a run-line node painted into packed lines.
inline Image image_of_runs(RstRead* node) {
  RstRead* raw = RstDecodeRLE::create(node);
  EXPECT_NE(raw, nullptr);
  if (!raw) return {};
  Held<> held(raw);
  return image_of(raw);
}

// netpbm files: PBM (1 set bit = black, as our 1-bit lines), PGM, PPM and
// PAM with 4 channels.
inline std::string netpbm_bytes(const Image& im) {
  std::ostringstream os;
  if (im.bits == 1) os << "P4\n" << im.width << " " << im.height << "\n";
  else if (im.samples == 1) os << "P5\n" << im.width << " " << im.height << "\n255\n";
  else if (im.samples == 3) os << "P6\n" << im.width << " " << im.height << "\n255\n";
  else
    os << "P7\nWIDTH " << im.width << "\nHEIGHT " << im.height << "\nDEPTH " << im.samples
       << "\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  for (const Bytes& l : im.lines) os.write(reinterpret_cast<const char*>(l.data()), std::streamsize(l.size()));
  return os.str();
}

inline void write_netpbm(const Image& im, const std::string& path) {
  std::ofstream f(path, std::ios::binary);
  std::string s = netpbm_bytes(im);
  f.write(s.data(), std::streamsize(s.size()));
}

// Reads P4, P5, P6 or P7 (maxval 255); an empty image on failure.
inline Image read_netpbm(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  f >> magic;
  Image im;
  int32_t maxval = 1;
  if (magic == "P4" || magic == "P5" || magic == "P6") {
    f >> im.width >> im.height;
    if (magic != "P4") f >> maxval;
    im.bits = magic == "P4" ? 1 : 8;
    im.samples = magic == "P6" ? 3 : 1;
    f.get();
  } else if (magic == "P7") {
    std::string key;
    while (f >> key && key != "ENDHDR") {
      if (key == "WIDTH") f >> im.width;
      else if (key == "HEIGHT") f >> im.height;
      else if (key == "DEPTH") f >> im.samples;
      else if (key == "MAXVAL") f >> maxval;
      else std::getline(f, key);
    }
    f.get();
  } else {
    return {};
  }
  if (maxval != 1 && maxval != 255) return {};
  im.lines.assign(size_t(im.height), Bytes(im.line_bytes()));
  for (Bytes& l : im.lines) f.read(reinterpret_cast<char*>(l.data()), std::streamsize(l.size()));
  if (!f) return {};
  return im;
}

// pamflip with the given option over the image; an empty image on failure.
inline Image pamflip(const Image& im, const std::string& option, const std::string& tag) {
  std::string in = ::testing::TempDir() + "turn_" + tag + ".in";
  std::string out = ::testing::TempDir() + "turn_" + tag + ".out";
  write_netpbm(im, in);
  int rc = std::system(("pamflip " + option + " " + in + " > " + out + " 2>/dev/null").c_str());
  Image result = rc == 0 ? read_netpbm(out) : Image{};
  std::remove(in.c_str());
  std::remove(out.c_str());
  return result;
}

// The pamflip option of each turn: netpbm's -r90 turns counter-clockwise.
inline const char* pamflip_option(int angle) { return angle == 90 ? "-cw" : angle == 180 ? "-r180" : "-ccw"; }
