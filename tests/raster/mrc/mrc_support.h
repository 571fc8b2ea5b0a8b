// Test support for the canvas tests: object images turned into canvases,
// pages composed and pulled, and small sources of given pixels.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ims_builder.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "raster/geometry/rst_scale_command.h"
#include "raster/mrc/rst_compose_mrc_canvas.h"
#include "raster/mrc/rst_read_imt_to_mrc_canvas.h"

// A pulled page: its header and every line.
struct Page {
  RstHeader header;
  std::vector<std::vector<uint8_t> > lines;
  // Sample c of pixel (x, y): 8-bit samples, or 0/1 for a 1-bit page.
  int at(int x, int y, int c = 0) const {
    const std::vector<uint8_t>& l = lines[size_t(y)];
    if (header.bits_per_sample == 1) return (l[size_t(x) / 8] >> (7 - x % 8)) & 1;
    return l[size_t(x) * size_t(header.samples_per_pixel) + size_t(c)];
  }
};

inline Page pull(RstRead* node) {
  Page p;
  node->header(p.header);
  std::vector<uint8_t> line(size_t(node->line_size() > 0 ? node->line_size() : 1));
  for (int n = node->read(line.data()); n > 0; n = node->read(line.data())) {
    p.lines.emplace_back(line.begin(), line.begin() + n);
  }
  return p;
}

// A raw source of the given packed lines (stride bytes each); the bytes must
// outlive it.
inline RstRead* raw_source(const std::vector<uint8_t>& bytes, int32_t w, int32_t h, int32_t bits, int32_t samples,
                           RstColorType* type) {
  RstHeader hd;
  hd.width = w;
  hd.height = h;
  hd.bits_per_sample = bits;
  hd.samples_per_pixel = samples;
  hd.color_type = type;
  int32_t stride = (w * bits * samples + 7) / 8;
  return RstReadRawFromByteArray::create(bytes.data(), hd, stride, false, false);
}

class MrcTest : public RstStatusTest {
 protected:
  void SetUp() override {
    RstStatusTest::SetUp();
    rst_register_color_creators();
    rst_register_geometry_creators();
  }
};

// The canvas of an object image whose data lie in data; the storages live as
// long as the fixture that holds them.
struct ImsCanvas {
  std::vector<uint8_t> header_bytes;
  std::vector<uint8_t> data_bytes;
  std::unique_ptr<ByteArrayInputStorage> header_storage;
  std::unique_ptr<ByteArrayInputStorage> data_storage;
  RstMRCCanvas* build(const ImsImage& image, const ImsData& data) {
    header_bytes = image.bytes();
    data_bytes = data.bytes;
    header_storage = std::make_unique<ByteArrayInputStorage>(header_bytes);
    data_storage = std::make_unique<ByteArrayInputStorage>(data_bytes);
    return RstReadIMTToMRCCanvas::create(header_storage.get(), data_storage.get(), nullptr);
  }
};

// Composes (taking the canvas over) and pulls the page; an empty page when
// no node came back (the canvas is then deleted here).
inline Page compose(RstMRCCanvas* canvas, double m, RstScale::ScaleCommand& command) {
  RstOwner<RstComposeMRCCanvas> page(RstComposeMRCCanvas::create(canvas, m, command));
  if (!page) {
    delete canvas;
    return Page();
  }
  return pull(page.get());
}
