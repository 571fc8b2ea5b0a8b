// The JPEG encoder core and stage: the header bytes and table positions, the
// line and MCU-row lifecycle (declared, open and short heights, restart
// markers), block coding, the forward DCT against T.81's definition, and
// the refusals. Every stream is also decoded by our decoder and libjpeg.
#include <gtest/gtest.h>

#include <random>

#include "jpeg_encode_support.h"
#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/codecs/rst_jpeg_encoder_entropy.h"
#include "raster/codecs/rst_jpeg_fdct.h"

namespace {

constexpr uint32_t kGray = 0x80048, kYcc = 0x180028, kLab = 0x180027, kLstar = 0x80047, kRgb = 0x180008;

EncodeSpec spec(int32_t w, int32_t h, uint32_t format = kGray, int32_t kind = 1) {
  EncodeSpec s;
  s.width = w;
  s.height = h;
  s.format = format;
  s.kind = kind;
  return s;
}

Encoded encode(const EncodeSpec& s) {
  return stage_encode(s, test_picture(s.width, std::max(s.height, 1), channels_of(s.format)));
}

// Our decoder and libjpeg read the stream without complaint and agree.
void expect_decodes(const Encoded& e, int32_t width, int32_t height, const std::string& what) {
  Decoded ours = stage_decode(e.bytes);
  PeerDecoded peer = libjpeg_decode_counted(e.bytes);
  ASSERT_GE(ours.status, 1) << what;
  EXPECT_EQ(ours.warnings, 0) << what;
  ASSERT_EQ(peer.status, 1) << what;
  EXPECT_EQ(peer.libjpeg_warnings, 0) << what;
  EXPECT_EQ(ours.width, width) << what;
  EXPECT_EQ(ours.height, height) << what;
  EXPECT_EQ(peer.width, width) << what;
  EXPECT_EQ(peer.height, height) << what;
  EXPECT_LE(compare(ours, peer).max, 1) << what;
}

Bytes slice(const Bytes& b, size_t at, size_t n) { return Bytes(b.begin() + long(at), b.begin() + long(at + n)); }

TEST(JpegEncoderHeader, ApplicationSegmentByKind) {
  const struct {
    int32_t kind;
    uint32_t format;
    Bytes app;  // the bytes after SOI; empty: DQT follows at once
  } cases[] = {
      {1, kGray, {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x02, 0x01, 0x01, 0x2C, 0x00, 0x96, 0, 0}},
      {4, kLab, {0xFF, 0xE1, 0x00, 0x0C, 'G', '3', 'F', 'A', 'X', 0x00, 0x07, 0xCA, 0x01, 0x2C}},
      {4, kLstar, {0xFF, 0xE1, 0x00, 0x0C, 'G', '3', 'F', 'A', 'X', 0x00, 0x07, 0xCA, 0x01, 0x2C}},
      {8, kYcc, {}},
      {0, kLab, {0xFF, 0xE1, 0x00, 0x0C, 'G', '3', 'F', 'A', 'X', 0x00, 0x07, 0xCA, 0x01, 0x2C}},
      {0, kYcc, {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x02, 0x01, 0x01, 0x2C, 0x00, 0x96, 0, 0}},
      {0, kRgb, {}},
  };
  for (const auto& c : cases) {
    EncodeSpec s = spec(9, 9, c.format, c.kind);
    s.x_dpi = 300;
    s.y_dpi = 150;
    Encoded e = encode(s);
    std::string what = "kind " + std::to_string(c.kind) + " format " + std::to_string(c.format);
    ASSERT_EQ(e.info, 1) << what;
    ASSERT_GE(e.bytes.size(), 2 + c.app.size());
    EXPECT_EQ(slice(e.bytes, 0, 2), (Bytes{0xFF, 0xD8})) << what;
    EXPECT_EQ(slice(e.bytes, 2, c.app.size()), c.app) << what;
    EXPECT_EQ(slice(e.bytes, 2 + c.app.size(), 2), (Bytes{0xFF, 0xDB})) << what;
    expect_decodes(e, 9, 9, what);
  }
}

TEST(JpegEncoderHeader, SegmentsSamplingAndTablePositions) {
  const struct {
    uint8_t d[6];
    uint8_t sampling0;
  } cases[] = {
      {{1, 1, 1, 1, 1, 1}, 0x11}, {{1, 2, 2, 1, 1, 1}, 0x21}, {{1, 2, 2, 1, 2, 2}, 0x22}, {{1, 4, 4, 1, 1, 1}, 0x41}};
  for (const auto& c : cases) {
    EncodeSpec s = spec(40, 20, kYcc);
    std::copy(c.d, c.d + 6, s.divisors);
    Encoded e = encode(s);
    ASSERT_EQ(e.info, 1);
    const Bytes& b = e.bytes;
    auto list = header_segments(b);
    std::vector<int> codes;
    for (const Segment& g : list) codes.push_back(g.code);
    EXPECT_EQ(codes, (std::vector<int>{0xD8, 0xE0, 0xDB, 0xC4, 0xDD, 0xC0, 0xDA}));
    const Segment* sof = find_segment(list, 0xC0);
    ASSERT_EQ(sof->length, 15u);
    EXPECT_EQ(slice(b, sof->payload + 5, 10), (Bytes{3, 0, c.sampling0, 0, 1, 0x11, 1, 2, 0x11, 1}));
    const Segment* sos = find_segment(list, 0xDA);
    EXPECT_EQ(slice(b, sos->payload, sos->length), (Bytes{3, 0, 0x00, 1, 0x11, 2, 0x11, 0, 63, 0}));
    // The nine words: DQT identifier bytes, then the counts after each DHT
    // class byte.
    const int32_t* pos = e.params.table_positions;
    EXPECT_EQ(b[size_t(pos[0])], 0x00);
    EXPECT_EQ(b[size_t(pos[1])], 0x01);
    EXPECT_EQ(pos[1], pos[2]);
    EXPECT_EQ(pos[0] + 65, pos[1]);
    EXPECT_EQ(b[size_t(pos[3]) - 1], 0x00);
    EXPECT_EQ(b[size_t(pos[6]) - 1], 0x10);
    EXPECT_EQ(b[size_t(pos[4]) - 1], 0x01);
    EXPECT_EQ(b[size_t(pos[7]) - 1], 0x11);
    EXPECT_EQ(pos[4], pos[5]);
    EXPECT_EQ(pos[7], pos[8]);
    EXPECT_EQ(slice(b, size_t(pos[3]), 16),
              Bytes(rst_jpeg_k3_dc_luminance().bits, rst_jpeg_k3_dc_luminance().bits + 16));
    EXPECT_EQ(slice(b, size_t(pos[7]), 16),
              Bytes(rst_jpeg_k6_ac_chrominance().bits, rst_jpeg_k6_ac_chrominance().bits + 16));
    const Segment* dri = find_segment(list, 0xDD);
    ASSERT_NE(dri, nullptr);
    EXPECT_EQ(e.params.restart_interval, b[dri->payload] << 8 | b[dri->payload + 1]);
    expect_decodes(e, 40, 20, "sampling " + std::to_string(c.sampling0));
  }
}

TEST(JpegEncoderHeader, GrayWritesOneTableOfEachKindWhateverTheDivisors) {
  const uint8_t divisors[][6] = {{1, 1, 1, 1, 1, 1}, {1, 2, 2, 1, 2, 2}, {1, 4, 4, 1, 1, 1}};
  for (const auto& d : divisors) {
    EncodeSpec s = spec(20, 11);
    std::copy(d, d + 6, s.divisors);
    Encoded e = encode(s);
    ASSERT_EQ(e.info, 1);
    auto list = header_segments(e.bytes);
    EXPECT_EQ(find_segment(list, 0xDB)->length, 65u);
    const Segment* dht = find_segment(list, 0xC4);
    EXPECT_EQ(dht->length, 17u + 12 + 17 + 162);
    EXPECT_EQ(e.bytes[dht->payload], 0x00);
    EXPECT_EQ(e.bytes[dht->payload + 17 + 12], 0x10);
    const Segment* sof = find_segment(list, 0xC0);
    EXPECT_EQ(slice(e.bytes, sof->payload + 5, 4), (Bytes{1, 0, 0x11, 0}));
    const Segment* sos = find_segment(list, 0xDA);
    EXPECT_EQ(slice(e.bytes, sos->payload, sos->length), (Bytes{1, 0, 0x00, 0, 63, 0}));
    // Every position word names table 0 of its kind.
    const int32_t* pos = e.params.table_positions;
    EXPECT_EQ(pos[1], pos[0]);
    EXPECT_EQ(pos[5], pos[3]);
    EXPECT_EQ(pos[8], pos[6]);
    expect_decodes(e, 20, 11, "gray");
  }
}

}  // namespace
