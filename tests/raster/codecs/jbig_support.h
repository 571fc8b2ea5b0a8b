// Memory byte sink and source for the JBIG core, whole-image encode and
// decode over them, and PBM files for the peer checks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "raster/codecs/rst_jbig_context.h"

using JbigBytes = std::vector<uint8_t>;

// Every byte the encoder writes.
struct JbigSink {
  JbigBytes bytes;
  static void put(JbigCodecContext*, uint8_t byte, void* user);
};

// Bytes handed out in order; past the end error 4 and 0, counting the calls.
struct JbigSource {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  uint64_t calls = 0;
  static uint8_t get(JbigCodecContext* ctx, void* user);
};

std::unique_ptr<JbigCodecContext> jbig_new_context();

// Bit-planes of (xd + 7) / 8 bytes per line, MSB first, lines of each plane
// one after the other.
struct JbigImage {
  uint32_t xd = 0;
  uint32_t yd = 0;
  std::vector<JbigBytes> planes;
  uint32_t line_bytes() const { return (xd + 7) / 8; }
  uint8_t* line(uint32_t plane, uint32_t y) { return planes[plane].data() + size_t(y) * line_bytes(); }
  const uint8_t* line(uint32_t plane, uint32_t y) const { return planes[plane].data() + size_t(y) * line_bytes(); }
};

struct JbigEncodeParams {
  uint32_t l0 = 128;
  uint32_t options = 0;
  uint32_t order = 0;
  int32_t mode = 0;
};

// Encodes in the order rst_jbig_plane / rst_jbig_line announce.
JbigBytes jbig_encode(const JbigImage& image, const JbigEncodeParams& params);

struct JbigDecoded {
  int32_t error = 0;
  uint32_t lines = 0;  // lines returned before the error
  JbigImage image;
};

// Reads the header, then pulls every line the context announces and finishes.
JbigDecoded jbig_decode(const JbigBytes& data, int32_t mode = 0);

// Random bilevel planes with runs and some blank lines.
JbigImage jbig_random_image(uint32_t xd, uint32_t yd, uint32_t planes, uint32_t seed);

// PBM (P4) files and running jbigkit's tools.
bool jbig_read_pbm(const std::string& path, JbigImage* image);
bool jbig_write_pbm(const std::string& path, const JbigImage& image);
JbigBytes jbig_read_file(const std::string& path);
bool jbig_write_file(const std::string& path, const JbigBytes& bytes);
bool jbig_run(const std::string& command);
std::string jbig_temp_dir();
