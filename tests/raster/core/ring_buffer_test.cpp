// Ring buffers: the window of rows after each advance for both border
// policies, checked on small cases and as a property over random images,
// windows and anchors; refilling after lines-read is set back to 0; refused
// sources and windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "lines_test_nodes.h"
#include "raster/core/rst_node_handle.h"
#include "raster/core/rst_ring_buffer.h"
#include "rst_status_recorder.h"

using namespace lines_test;

namespace {

class RingBuffer : public RstStatusTest {};

Bytes row(const RstRingBuffer& ring, int r) { return Bytes(ring.line(r), ring.line(r) + ring.row_bytes()); }

// Source line k of width w with one sample: bytes 10k + x.
LineSource* ramp_source(int32_t width, int32_t height) {
  std::vector<Bytes> lines;
  for (int32_t k = 0; k < height; ++k) {
    Bytes l;
    for (int32_t x = 0; x < width; ++x) l.push_back(static_cast<uint8_t>(10 * k + x));
    lines.push_back(l);
  }
  return new LineSource(raw_header(width, height), std::move(lines), nullptr);
}

// Line k of the ramp widened by `left` and `right` copies of its edge pixels.
Bytes widened(int k, int width, int left, int right) {
  Bytes b(static_cast<size_t>(left), static_cast<uint8_t>(10 * k));
  for (int x = 0; x < width; ++x) b.push_back(static_cast<uint8_t>(10 * k + x));
  b.insert(b.end(), static_cast<size_t>(right), static_cast<uint8_t>(10 * k + width - 1));
  return b;
}

}  // namespace

TEST_F(RingBuffer, OnePixelWindowHoldsOneLinePerAdvance) {
  RstNodeHandle<LineSource> source(ramp_source(3, 3));
  RstRingBufferOutlineCopy ring(source.get(), {1, 1, 0, 0});
  ASSERT_TRUE(ring.valid());
  EXPECT_EQ(ring.row_bytes(), 3);
  for (int k = 0; k < 3; ++k) {
    ASSERT_TRUE(ring.advance());
    EXPECT_EQ(ring.lines_read(), static_cast<uint32_t>(k + 1));
    EXPECT_EQ(row(ring, 0), widened(k, 3, 0, 0));
  }
}

TEST_F(RingBuffer, OutlineCopyRepeatsEdgeLinesAndPixels) {
  RstNodeHandle<LineSource> source(ramp_source(4, 3));
  RstRingBufferOutlineCopy ring(source.get(), {5, 5, 2, 2});
  ASSERT_TRUE(ring.valid());
  ASSERT_TRUE(ring.advance());
  for (int r : {0, 1, 2}) EXPECT_EQ(row(ring, r), widened(0, 4, 2, 2)) << r;
  EXPECT_EQ(row(ring, 3), widened(1, 4, 2, 2));
  EXPECT_EQ(row(ring, 4), widened(2, 4, 2, 2));
  ASSERT_TRUE(ring.advance());
  ASSERT_TRUE(ring.advance());
  EXPECT_EQ(row(ring, 2), widened(2, 4, 2, 2));
  EXPECT_EQ(row(ring, 3), widened(2, 4, 2, 2));
  EXPECT_EQ(row(ring, 4), widened(2, 4, 2, 2));
}

TEST_F(RingBuffer, ConstantFillSurroundsTheImageWithTheFillPixel) {
  std::vector<Bytes> lines(2, Bytes{1, 2, 3, 4, 5, 6});
  RstNodeHandle<LineSource> source(new LineSource(raw_header(2, 2, 8, 3), lines, nullptr));
  const uint8_t white[3] = {255, 255, 255};
  RstRingBufferConstantFill ring(source.get(), {5, 5, 2, 2}, white);
  ASSERT_TRUE(ring.valid());
  ASSERT_TRUE(ring.advance());
  Bytes border(6, 255);
  EXPECT_EQ(row(ring, 0), Bytes(18, 255));
  EXPECT_EQ(row(ring, 1), Bytes(18, 255));
  for (int r : {2, 3}) {
    Bytes expected = border;
    expected.insert(expected.end(), lines[0].begin(), lines[0].end());
    expected.insert(expected.end(), border.begin(), border.end());
    EXPECT_EQ(row(ring, r), expected) << r;
  }
  EXPECT_EQ(row(ring, 4), Bytes(18, 255));
}

TEST_F(RingBuffer, WindowRowsMatchClampedOrFilledSourcePixels) {
  std::mt19937 random(20261210);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int round = 0; round < 300; ++round) {
    int w = pick(1, 9), h = pick(1, 9), spp = std::vector<int>{1, 3, 4}[static_cast<size_t>(pick(0, 2))];
    RstWindow window{pick(1, 7), pick(1, 7), 0, 0};
    window.anchor_x = pick(0, window.width - 1);
    window.anchor_y = pick(0, window.height - 1);
    bool fill = round % 2 == 1;
    SCOPED_TRACE(testing::Message() << "image " << w << "x" << h << "x" << spp << " window " << window.width << "x"
                                    << window.height << " anchor " << window.anchor_x << "," << window.anchor_y
                                    << (fill ? " fill" : " outline"));
    std::vector<Bytes> lines;
    for (int k = 0; k < h; ++k) {
      Bytes l;
      for (int i = 0; i < w * spp; ++i) l.push_back(static_cast<uint8_t>(pick(0, 254)));
      lines.push_back(l);
    }
    RstNodeHandle<LineSource> source(new LineSource(raw_header(w, h, 8, spp), lines, nullptr));
    const uint8_t fill_pixel[4] = {255, 255, 255, 255};
    std::unique_ptr<RstRingBuffer> ring;
    if (fill) ring = std::make_unique<RstRingBufferConstantFill>(source.get(), window, fill_pixel);
    else ring = std::make_unique<RstRingBufferOutlineCopy>(source.get(), window);
    ASSERT_TRUE(ring->valid());
    for (int pass = 0; pass < 2; ++pass) {
      for (int y = 0; y < h; ++y) {
        ASSERT_TRUE(ring->advance());
        for (int r = 0; r < window.height; ++r) {
          for (int x = 0; x < w; ++x) {
            for (int j = 0; j < window.width; ++j) {
              int sx = x - window.anchor_x + j, sy = y - window.anchor_y + r;
              bool outside = sx < 0 || sx >= w || sy < 0 || sy >= h;
              sx = std::clamp(sx, 0, w - 1);
              sy = std::clamp(sy, 0, h - 1);
              for (int s = 0; s < spp; ++s) {
                int expected =
                    fill && outside ? 255 : lines[static_cast<size_t>(sy)][static_cast<size_t>(sx * spp + s)];
                ASSERT_EQ(ring->line(r)[(x + j) * spp + s], expected)
                    << "pass " << pass << " y " << y << " row " << r << " x " << x << " column " << j;
              }
            }
          }
        }
      }
      // A filter that restarts resets its source and sets lines-read to 0:
      // the next advance fills the window again.
      source->reset();
      ring->set_lines_read(0);
    }
  }
}

TEST_F(RingBuffer, RefusesOtherDepthsAndWindowsWithoutTheirAnchor) {
  struct Case {
    RstHeader header;
    RstWindow window;
    RstReport report;
  };
  RstHeader coded = raw_header(4, 2);
  coded.data_form = 1;
  const Case cases[] = {
      {raw_header(4, 2, 16), {3, 3, 1, 1}, {-3, "RstRingBuffer::RstRingBuffer()"}},
      {raw_header(4, 2, 1), {3, 3, 1, 1}, {-3, "RstRingBuffer::RstRingBuffer()"}},
      {coded, {3, 3, 1, 1}, {-3, "RstRingBuffer::RstRingBuffer()"}},
      {raw_header(4, 2), {3, 3, 3, 1}, {-2, "RstRingBuffer::RstRingBuffer()"}},
      {raw_header(4, 2), {3, 3, 1, -1}, {-2, "RstRingBuffer::RstRingBuffer()"}},
      {raw_header(4, 2), {0, 3, 0, 1}, {-2, "RstRingBuffer::RstRingBuffer()"}},
      {raw_header(0, 2), {3, 3, 1, 1}, {-2, "RstRingBuffer::RstRingBuffer()"}},
  };
  for (const Case& c : cases) {
    status.clear();
    RstNodeHandle<LineSource> source(new LineSource(c.header, {}, nullptr));
    RstRingBufferOutlineCopy ring(source.get(), c.window);
    EXPECT_FALSE(ring.valid());
    EXPECT_FALSE(ring.advance());
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
  }
  status.clear();
  RstNodeHandle<LineSource> source(ramp_source(4, 2));
  const uint8_t fill = 0;
  RstAllocFault::fail_nth(3);  // the fill pixel's copy
  RstRingBufferConstantFill ring(source.get(), {3, 3, 1, 1}, &fill);
  RstAllocFault::clear();
  EXPECT_FALSE(ring.valid());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstRingBufferConstantFill::RstRingBufferConstantFill()"}}));
}

TEST_F(RingBuffer, AShortSourceLineStopsTheAdvance) {
  RstNodeHandle<LineSource> source(new LineSource(raw_header(4, 3), {Bytes(4, 1), Bytes(2, 2)}, nullptr));
  RstRingBufferOutlineCopy ring(source.get(), {1, 2, 0, 0});
  ASSERT_TRUE(ring.valid());
  EXPECT_FALSE(ring.advance());
}
