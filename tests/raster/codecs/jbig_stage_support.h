// Helpers of the JBIG writer and reader tests: images as line lists, writing
// them through the push writers into memory, reading code back through the
// reader nodes.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "jbig_support.h"
#include "raster/codecs/rst_push_write_jbig.h"
#include "raster/codecs/rst_read_jbig.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_header.h"

using JbigLines = std::vector<JbigBytes>;

inline RstHeader jbig_header(int32_t width, int32_t height, int32_t bits, int32_t samples, RstColorType* type) {
  RstHeader h;
  h.width = width;
  h.height = height;
  h.bits_per_sample = bits;
  h.samples_per_pixel = samples;
  h.data_form = RstDataForm::raw;
  h.color_type = type;
  return h;
}

inline int32_t jbig_line_bytes(const RstHeader& h) {
  return int32_t((int64_t{h.width} * h.bits_per_sample * h.samples_per_pixel + 7) / 8);
}

// Random lines of the header's size, unused low bits of the last byte clear.
inline JbigLines jbig_random_lines(const RstHeader& h, uint32_t seed) {
  std::mt19937 rng(seed);
  int64_t bits = int64_t{h.width} * h.bits_per_sample * h.samples_per_pixel;
  JbigLines lines(size_t(h.height), JbigBytes(size_t(jbig_line_bytes(h))));
  for (size_t y = 0; y < lines.size(); ++y) {
    // Runs of one value make the planes compress as real pages do.
    uint8_t value = uint8_t(rng());
    for (auto& b : lines[y]) {
      if (rng() % 8 == 0) value = uint8_t(rng());
      b = value;
    }
    if (bits % 8) lines[y].back() &= uint8_t(0xFF00 >> (bits % 8));
  }
  return lines;
}

// All bytes of a memory output.
inline JbigBytes jbig_bytes_of(MemoryOutputStorage& out) {
  std::unique_ptr<InputStorage> in(out.to_input_storage());
  JbigBytes bytes(size_t(in->size()));
  if (!bytes.empty()) in->read(bytes.data(), int32_t(bytes.size()));
  return bytes;
}

// Pushes the lines through a push writer (made by create over the output)
// and ends it; the bytes written, empty when create failed.
template <class Writer, class Option>
JbigBytes jbig_push(const RstHeader& h, const JbigLines& lines, const Option* option, bool reverse = false) {
  MemoryOutputStorage out;
  Writer* w = Writer::create(&out, h, option, reverse);
  if (!w) return {};
  for (const auto& line : lines) w->write(line.data());
  w->end();
  return jbig_bytes_of(out);
}

inline JbigBytes jbig_write_t85(const RstHeader& h, const JbigLines& lines, const RstEncodeJBIGT85Option* o = nullptr) {
  return jbig_push<RstPushWriteT85>(h, lines, o);
}

inline JbigBytes jbig_write_t43(const RstHeader& h, const JbigLines& lines, const RstEncodeJBIGT43Option* o = nullptr) {
  return jbig_push<RstPushWriteT43>(h, lines, o);
}

// What a reader node delivered: its header and every line until it said 0.
struct JbigRead {
  bool made = false;
  RstHeader header;
  JbigLines lines;
};

template <class Reader>
JbigRead jbig_read(const JbigBytes& code, int max_lines = 1 << 20) {
  JbigRead r;
  ByteArrayInputStorage in(code.data(), int32_t(code.size()));
  Reader* node = Reader::create(&in, nullptr);
  if (!node) return r;
  r.made = true;
  node->header(r.header);
  JbigBytes line(size_t(std::max(node->line_size(), 1)));
  while (int(r.lines.size()) < max_lines && node->read(line.data()) > 0) r.lines.push_back(line);
  node->end();
  return r;
}
