// Test support for the JPEG header tests: JPEG streams written byte by byte
// (markers, segments with their lengths, the standard tables), the output of
// the libjpeg-turbo and exiftool command-line tools, and the shell helpers
// they run through.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// ITU-T T.81 Table K.3 (luminance DC) and K.5 (luminance AC), as BITS and
// HUFFVAL.
inline const Bytes kDcBits = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
inline const Bytes kDcValues = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
inline const Bytes kAcBits = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
inline const Bytes kAcValues = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
    0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
    0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

struct JpegBytes {
  Bytes b;

  JpegBytes& raw(const Bytes& bytes) {
    b.insert(b.end(), bytes.begin(), bytes.end());
    return *this;
  }
  JpegBytes& marker(uint8_t code) { return raw({0xFF, code}); }
  JpegBytes& soi() { return marker(0xD8); }
  JpegBytes& eoi() { return marker(0xD9); }
  // A marker and a segment whose length field counts the payload and itself.
  JpegBytes& segment(uint8_t code, const Bytes& payload) {
    size_t n = payload.size() + 2;
    raw({0xFF, code, uint8_t(n >> 8), uint8_t(n)});
    return raw(payload);
  }
  // One 8-bit table of values base, base + 1, ... in zig-zag order.
  static Bytes qtable(uint8_t id, uint8_t base = 1) {
    Bytes t{id};
    for (int k = 0; k < 64; ++k) t.push_back(uint8_t(base + k));
    return t;
  }
  static Bytes htable(uint8_t class_and_id, const Bytes& bits, const Bytes& values) {
    Bytes t{class_and_id};
    t.insert(t.end(), bits.begin(), bits.end());
    t.insert(t.end(), values.begin(), values.end());
    return t;
  }
  JpegBytes& dqt(uint8_t id = 0, uint8_t base = 1) { return segment(0xDB, qtable(id, base)); }
  JpegBytes& dht_dc(uint8_t id = 0) { return segment(0xC4, htable(id, kDcBits, kDcValues)); }
  JpegBytes& dht_ac(uint8_t id = 0) { return segment(0xC4, htable(0x10 | id, kAcBits, kAcValues)); }
  JpegBytes& tables() { return dqt().dht_dc().dht_ac(); }
  // SOF0 with components 1.. of sampling 0x11 and table 0.
  JpegBytes& sof(uint16_t height, uint16_t width, uint8_t components, uint8_t precision = 8, uint8_t code = 0xC0) {
    Bytes p{precision, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), components};
    for (uint8_t c = 1; c <= components; ++c) p.insert(p.end(), {c, 0x11, 0});
    return segment(code, p);
  }
  JpegBytes& sos(uint8_t components = 1) {
    Bytes p{components};
    for (uint8_t c = 1; c <= components; ++c) p.insert(p.end(), {c, 0x00});
    p.insert(p.end(), {0, 63, 0});
    return segment(0xDA, p);
  }
  JpegBytes& jfif(uint8_t units, uint16_t x, uint16_t y, uint8_t major = 1, const Bytes& thumbnail = {0, 0}) {
    Bytes p{'J', 'F', 'I', 'F', 0, major, 2, units, uint8_t(x >> 8), uint8_t(x), uint8_t(y >> 8), uint8_t(y)};
    p.insert(p.end(), thumbnail.begin(), thumbnail.end());
    return segment(0xE0, p);
  }
  JpegBytes& jfxx(const Bytes& extension) {
    Bytes p{'J', 'F', 'X', 'X', 0};
    p.insert(p.end(), extension.begin(), extension.end());
    return segment(0xE0, p);
  }
  JpegBytes& g3fax(uint16_t version, uint16_t resolution) {
    return segment(0xE1, {'G', '3', 'F', 'A', 'X', 0, uint8_t(version >> 8), uint8_t(version), uint8_t(resolution >> 8),
                          uint8_t(resolution)});
  }
  JpegBytes& comment(const std::string& text) { return segment(0xFE, Bytes(text.begin(), text.end())); }
  // A whole header: SOI, tables, frame, scan, a few coded bytes and EOI.
  JpegBytes& frame_and_scan(uint16_t height = 16, uint16_t width = 16, uint8_t components = 1) {
    return sof(height, width, components).sos(1).raw({0x12, 0x34}).eoi();
  }
};

inline Bytes file_bytes_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::string jpeg_temp_dir() {
  char pattern[] = "/tmp/pk_jpeg_XXXXXX";
  const char* made = mkdtemp(pattern);
  return made ? made : "/tmp";
}

// Runs a shell command (output dropped); true when it exits with 0.
inline bool shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// The standard output of a shell command (standard error joined).
inline std::string shell_output(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  pclose(p);
  return out;
}

// A PPM test picture of ImageMagick's (plasma, rose, ...), the same in every run.
inline bool make_picture(const std::string& path, const std::string& source, int width, int height) {
  return shell("/usr/bin/convert -seed 7 -size " + std::to_string(width) + "x" + std::to_string(height) + " " + source +
               " -depth 8 ppm:'" + path + "'");
}
