// The JPEG encoder core and stage: the header bytes and table positions, the
// line and MCU-row lifecycle (declared, open and short heights, restart
// markers), block coding, the forward DCT against T.81's definition, and
// the refusals. Every stream is also decoded by our decoder and libjpeg.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "jpeg_encode_support.h"
#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/codecs/rst_jpeg_encoder_entropy.h"
#include "raster/codecs/rst_jpeg_fdct.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/stream_decorator.h"

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

TEST(JpegEncoderLines, OpenHeightEndsAtCloseWithTheLinesReceived) {
  // Height 0: SOF says 0xFFFF until close; 37 lines of 8-line MCU rows end
  // with lines 38 to 40 repeating line 37, exactly as a declared height of
  // 40 with those lines codes them.
  EncodeSpec open = spec(21, 0);
  open.lines = 37;
  Bytes picture = test_picture(21, 37, 1);
  Encoded e = stage_encode(open, picture);
  ASSERT_EQ(e.info, 1);
  EXPECT_EQ(sof_height(e.before_close), 0xFFFF);
  EXPECT_EQ(e.close, 1);
  EXPECT_EQ(sof_height(e.bytes), 37);
  EXPECT_EQ(slice(e.bytes, e.bytes.size() - 2, 2), (Bytes{0xFF, 0xD9}));
  EncodeSpec declared = spec(21, 40);
  Encoded full = stage_encode(declared, picture);  // rows 38-40 keep line 37
  ASSERT_EQ(full.bytes.size(), e.bytes.size());
  auto list = header_segments(e.bytes);
  size_t at = size_t(find_segment(list, 0xC0)->payload) + 1;
  Bytes a = e.bytes, b = full.bytes;
  a[at] = a[at + 1] = b[at] = b[at + 1] = 0;
  EXPECT_EQ(a, b);
  expect_decodes(e, 21, 37, "open height");
}

TEST(JpegEncoderLines, DeclaredHeightEndsWithTheLastLine) {
  EncodeSpec s = spec(30, 13, kYcc);
  Encoded e = encode(s);
  ASSERT_EQ(e.info, 1);
  EXPECT_EQ(slice(e.before_close, e.before_close.size() - 2, 2), (Bytes{0xFF, 0xD9}));
  EXPECT_EQ(e.close, 1);
  EXPECT_EQ(e.bytes, e.before_close);  // close writes nothing more
  // One line more is refused and writes nothing.
  s.lines = 14;
  Encoded more = encode(s);
  EXPECT_EQ(more.line_results.back(), -3);
  EXPECT_EQ(more.bytes, e.bytes);
  expect_decodes(e, 30, 13, "declared");
}

TEST(JpegEncoderLines, ShortImageKeepsTheLinesReceivedInTheFrame) {
  EncodeSpec s = spec(12, 100);
  s.lines = 10;
  Encoded e = encode(s);
  EXPECT_EQ(sof_height(e.before_close), 100);
  EXPECT_EQ(e.close, 1);
  EXPECT_EQ(sof_height(e.bytes), 10);
  expect_decodes(e, 12, 10, "short");
}

TEST(JpegEncoderLines, RestartMarkersEndEveryIntervalButTheLast) {
  const struct {
    int32_t w, h;
    uint32_t format;
    uint8_t d[6];
    int32_t restart;
    int32_t lines;  // -1 all
    std::vector<int> markers;
  } cases[] = {
      // Default interval, three MCU rows: RST0 after row 1, RST1 after row 2.
      {16, 24, kGray, {1, 1, 1, 1, 1, 1}, 0, -1, {0xD0, 0xD1, 0xD9}},
      // Interval 1 on three MCUs by two rows, gray and 4:2:0.
      {24, 16, kGray, {1, 1, 1, 1, 1, 1}, 1, -1, {0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD9}},
      {48, 32, kYcc, {1, 2, 2, 1, 2, 2}, 1, -1, {0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD9}},
      // An interval across rows; the count wraps after RST7.
      {16, 40, kGray, {1, 1, 1, 1, 1, 1}, 1, -1, {0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD0, 0xD9}},
      {24, 16, kGray, {1, 1, 1, 1, 1, 1}, 4, -1, {0xD0, 0xD9}},
      // An open height closed at a row's end: no marker before EOI.
      {16, 0, kGray, {1, 1, 1, 1, 1, 1}, 0, 16, {0xD0, 0xD9}},
  };
  for (const auto& c : cases) {
    EncodeSpec s = spec(c.w, c.h, c.format);
    std::copy(c.d, c.d + 6, s.divisors);
    s.restart = c.restart;
    s.lines = c.lines;
    Bytes picture = test_picture(c.w, c.lines > 0 ? c.lines : c.h, channels_of(c.format));
    Encoded e = stage_encode(s, picture);
    ASSERT_EQ(e.info, 1);
    std::vector<int> markers;
    for (auto& m : scan_markers(e.bytes)) markers.push_back(m.first);
    std::string what = std::to_string(c.w) + "x" + std::to_string(c.h) + " restart " + std::to_string(c.restart);
    EXPECT_EQ(markers, c.markers) << what;
    expect_decodes(e, c.w, c.lines > 0 ? c.lines : c.h, what);
  }
}

TEST(JpegEncoderLines, OnePixelIsOnePaddedMcuOfOneInterval) {
  EncodeSpec s = spec(1, 1);
  Bytes pixel = {77};
  Encoded e = stage_encode(s, pixel);
  ASSERT_EQ(e.info, 1);
  EXPECT_EQ(e.params.restart_interval, 1);
  auto list = header_segments(e.bytes);
  const Segment* dri = find_segment(list, 0xDD);
  EXPECT_EQ(slice(e.bytes, dri->payload, 2), (Bytes{0, 1}));
  Decoded d = stage_decode(e.bytes);
  ASSERT_EQ(d.samples.size(), 1u);
  EXPECT_NEAR(d.samples[0], 77, 1);
  expect_decodes(e, 1, 1, "1 x 1");
}

TEST(JpegEncoderLines, SizesAtTheFrameLimit) {
  EncodeSpec wide = spec(65535, 1);
  Encoded e = stage_encode(wide, Bytes(65535, 200));
  EXPECT_EQ(e.info, 1);
  EXPECT_EQ(e.close, 1);
  // libjpeg stops at 65500; our decoder reads the frame.
  Decoded d = stage_decode(e.bytes);
  EXPECT_EQ(d.status, 1);
  EXPECT_EQ(d.width, 65535);
  EXPECT_EQ(d.samples, Bytes(65535, 200));
  EXPECT_EQ(encode(spec(65536, 1)).info, -2);
  EXPECT_EQ(encode(spec(8, 65536)).info, -2);
}

// Faults of the plain design that the stage refuses instead.
TEST(JpegEncoderLines, SixtyFiveThousandFiveHundredThirtySixthLineOfAnOpenHeightIsRefused) {
  // An open height takes 65535 lines (the frame's limit); the line after
  // that would code past EOI.
  EncodeSpec s = spec(8, 0);
  s.lines = 65536;
  Encoded e = stage_encode(s, Bytes(8, 90));
  ASSERT_EQ(e.info, 1);
  ASSERT_EQ(e.line_results.size(), 65536u);
  EXPECT_EQ(e.line_results[65534], 1);
  EXPECT_EQ(e.line_results[65535], -3);
  EXPECT_EQ(e.close, 1);
  EXPECT_EQ(slice(e.bytes, e.bytes.size() - 2, 2), (Bytes{0xFF, 0xD9}));
  EXPECT_EQ(e.bytes, e.before_close);
}

TEST(JpegEncoderLines, CloseWithoutLinesIsAFailure) {
  EncodeSpec s = spec(8, 0);
  s.lines = 0;
  Encoded e = encode(s);
  ASSERT_EQ(e.info, 1);
  EXPECT_EQ(e.close, -3);
  EXPECT_EQ(e.bytes, e.before_close);
}

TEST(JpegEncoderLines, RefusedParameters) {
  const struct {
    const char* what;
    int32_t w, h;
    uint32_t format;
    int32_t kind;
    uint8_t d[6];
  } cases[] = {
      {"width 0", 0, 8, kGray, 1, {1, 1, 1, 1, 1, 1}},
      {"16 bits per pixel", 8, 8, 0x100048, 8, {1, 1, 1, 1, 1, 1}},
      {"RGB under JFIF", 8, 8, kRgb, 1, {1, 1, 1, 1, 1, 1}},
      {"reverse gray under G3FAX", 8, 8, 0x80049, 4, {1, 1, 1, 1, 1, 1}},
      {"18 blocks per MCU", 8, 8, kYcc, 1, {1, 4, 4, 1, 4, 4}},
      {"divisor 3", 8, 8, kYcc, 1, {1, 3, 3, 1, 1, 1}},
      {"no full-size component", 8, 8, kYcc, 1, {2, 2, 2, 1, 1, 1}},
  };
  for (const auto& c : cases) {
    EncodeSpec s = spec(c.w, c.h, c.format, c.kind);
    std::copy(c.d, c.d + 6, s.divisors);
    Encoded e = encode(s);
    EXPECT_EQ(e.info, -2) << c.what;
    EXPECT_TRUE(e.bytes.empty()) << c.what;
    EXPECT_EQ(e.close, 1) << c.what;
  }
}

// Bits of a byte stream, stuffed zero bytes taken out.
std::string bits_of(const Bytes& b) {
  std::string s;
  for (size_t i = 0; i < b.size(); ++i) {
    for (int k = 7; k >= 0; --k) s += (b[i] >> k & 1) ? '1' : '0';
    if (b[i] == 0xFF && i + 1 < b.size() && b[i + 1] == 0) ++i;
  }
  return s;
}

std::string code_bits(uint32_t code, int length) {
  std::string s;
  for (int k = length - 1; k >= 0; --k) s += (code >> k & 1) ? '1' : '0';
  return s;
}

// A context coding with tables of 1 (quality 100) into memory.
struct BlockCoder {
  BlockCoder() {
    c = rst_jpeg_context_new();
    c->components = 1;
    stream = rstCreateStreamByBrenvoldOutputStorage(&out);
    c->stream = stream;
    EXPECT_EQ(rst_jpeg_prepare_qtables(c, 1, -100), 1);
    EXPECT_EQ(rst_jpeg_init_encoder_entropy(c), 1);
  }
  ~BlockCoder() {
    rst_jpeg_free_encoder_entropy(c);
    rst_jpeg_context_free(c);
    stream->close();
  }
  std::string code(int symbol, bool ac) const {
    const JpegHuffmanCode& h = (ac ? c->ac_tables : c->dc_tables)[0].codes[symbol];
    return code_bits(h.code, h.length);
  }
  std::string coded(const int32_t* block) {
    EXPECT_EQ(rst_jpeg_encode_block(c, block, &c->dc_tables[0], &c->ac_tables[0], 0, 0), 1);
    EXPECT_EQ(rst_jpeg_flush_bits(c), 1);
    std::string s = bits_of(memory_bytes(out));
    return s;
  }
  MemoryOutputStorage out;
  BrenvoldStream* stream;
  JpegCodecContext* c;
};

TEST(JpegEncoderBlocks, ZeroRunsAndEndOfBlock) {
  const uint8_t* zz = rst_jpeg_zigzag();
  {
    // DC 10; 35 zeros, then 5: two ZRL, symbol 3 x 16 + 3, then EOB.
    BlockCoder coder;
    for (int k = 0; k < 64; ++k) EXPECT_EQ(coder.c->qtables[0][k], 1);
    int32_t block[64] = {};
    block[0] = 10;
    block[zz[36]] = 5;
    std::string want = coder.code(4, false) + "1010" + coder.code(0xF0, true) + coder.code(0xF0, true) +
                       coder.code(0x33, true) + "101" + coder.code(0x00, true);
    std::string got = coder.coded(block);
    EXPECT_EQ(got.substr(0, want.size()), want);
    EXPECT_EQ(got.size(), (want.size() + 7) / 8 * 8);
    EXPECT_EQ(got.substr(want.size()), std::string(got.size() - want.size(), '1'));
  }
  {
    // Position 63 non-zero: no EOB. DC -3 has category 2 and bits 00.
    BlockCoder coder;
    int32_t block[64] = {};
    block[0] = -3;
    block[63] = -3;
    std::string want = coder.code(2, false) + "00" + coder.code(0xF0, true) + coder.code(0xF0, true) +
                       coder.code(0xF0, true) + coder.code(0xE2, true) + "00";
    std::string got = coder.coded(block);
    EXPECT_EQ(got.substr(0, want.size()), want);
    EXPECT_EQ(got.size(), (want.size() + 7) / 8 * 8);
  }
}

TEST(JpegEncoderBlocks, PaddedByteOfOnesIsStuffed) {
  BlockCoder coder;
  EXPECT_EQ(rst_jpeg_put_bits(coder.c, 0x7F, 7), 1);
  EXPECT_EQ(rst_jpeg_flush_bits(coder.c), 1);
  EXPECT_EQ(memory_bytes(coder.out), (Bytes{0xFF, 0x00}));
}

// T.81 A.3.3 in double precision, vertical frequency as row.
void reference_fdct(const int32_t* in, double* out) {
  for (int v = 0; v < 8; ++v)
    for (int u = 0; u < 8; ++u) {
      double sum = 0;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          sum += in[y * 8 + x] * std::cos((2 * x + 1) * u * M_PI / 16) * std::cos((2 * y + 1) * v * M_PI / 16);
      double cu = u ? 1 : M_SQRT1_2, cv = v ? 1 : M_SQRT1_2;
      out[v * 8 + u] = 0.25 * cu * cv * sum;
    }
}

TEST(JpegEncoderBlocks, ForwardDctAgainstTheDefinition) {
  // Each pass rounds its outputs to integers, which alone costs a quarter
  // level on average; uniform noise, which fills every frequency, shows the
  // most of it (0.37), smooth and regular blocks far less.
  std::mt19937 random(11);
  using Block = std::array<int32_t, 64>;
  std::vector<Block> noise, gradients, checkers;
  for (int n = 0; n < 200; ++n) {
    Block b;
    for (int32_t& v : b) v = int32_t(random() % 256) - 128;
    noise.push_back(b);
  }
  for (int dir = 0; dir < 3; ++dir) {
    Block b;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) b[y * 8 + x] = (dir == 0 ? x * 36 : dir == 1 ? y * 36 : (x + y) * 18) - 128;
    gradients.push_back(b);
  }
  for (int size : {1, 2, 4}) {
    Block b;
    for (int i = 0; i < 64; ++i) b[i] = ((i / 8 / size + i % 8 / size) % 2) ? 127 : -128;
    checkers.push_back(b);
  }
  // A first row flat at 0 (samples of 128) still goes through the transform.
  Block flat_first_row;
  for (int i = 0; i < 64; ++i) flat_first_row[i] = i < 8 ? 0 : int32_t(random() % 256) - 128;
  noise.push_back(flat_first_row);
  const struct {
    const char* what;
    const std::vector<Block>& blocks;
    double mean;
  } sets[] = {{"noise", noise, 0.4}, {"gradients", gradients, 0.1}, {"checkerboards", checkers, 0.3}};
  double means = 0;
  for (const auto& set : sets) {
    double total = 0;
    int count = 0;
    for (Block b : set.blocks) {
      double want[64];
      reference_fdct(b.data(), want);
      rst_jpeg_fdct(b.data());
      for (int k = 0; k < 64; ++k) {
        double d = std::abs(b[k] - want[k]);
        EXPECT_LE(d, 3.0) << set.what << " " << k;
        total += d;
        ++count;
      }
    }
    EXPECT_LT(total / count, set.mean) << set.what;
    means += total / count / 3;
  }
  EXPECT_LT(means, 0.3);
}

TEST(JpegEncoderLines, EveryAllocationOfTheSetUpFailsCleanly) {
  // Each allocation of info fails in turn: -1 before anything is written,
  // close still frees the stage; once none fails the stream is whole.
  bool whole = false;
  for (int nth = 1; nth < 40 && !whole; ++nth) {
    MemoryOutputStorage out;
    BrenvoldStream* stream = rstCreateStreamByBrenvoldOutputStorage(&out);
    RstInstanceTolvane* stage = rst_jpeg_create_encoder(stream, 1, 1);
    JpegEncoderParams p;
    p.image.width = 40;
    p.image.height = 16;
    p.image.format = kYcc;
    p.quality = -75;
    uint8_t d[6] = {1, 2, 2, 1, 2, 2};
    std::copy(d, d + 6, p.divisors);
    RstAllocFault::fail_nth(nth);
    int32_t info = stage->info(&p.image);
    RstAllocFault::clear();
    if (info == 1) {
      Bytes line(40 * 3, 100);
      for (int y = 0; y < 16; ++y) EXPECT_EQ(stage->line(line.data()), 1);
      whole = true;
    } else {
      // The memory output's own blocks fail as a write (-11).
      EXPECT_TRUE(info == -1 || info == -11) << nth << ": " << info;
      if (info == -1) {
        EXPECT_EQ(out.size(), 0) << nth;
      }
      EXPECT_EQ(stage->line(Bytes(120).data()), -2) << nth;
    }
    EXPECT_EQ(stage->close(), 1) << nth;
    stream->close();
    if (whole) {
      EXPECT_EQ(stage_decode(memory_bytes(out)).height, 16);
    }
  }
  EXPECT_TRUE(whole);
}

// An output that takes `budget` bytes; every write after that falls short.
class ShortOutput : public StreamDecorator<OutputStorage> {
 public:
  ShortOutput(OutputStorage* inner, int64_t budget) : StreamDecorator<OutputStorage>(inner), left_(budget) {}
  int32_t write(const void* buffer, int32_t count) override {
    int32_t n = int32_t(std::min<int64_t>(count, std::max<int64_t>(left_, 0)));
    n = StreamDecorator<OutputStorage>::write(buffer, n);
    left_ -= n;
    return n;
  }
  int32_t put(int32_t byte) override {
    if (left_ <= 0) return -1;
    --left_;
    return StreamDecorator<OutputStorage>::put(byte);
  }

 private:
  int64_t left_;
};

TEST(JpegEncoderLines, FailedWritesAreReportedNeverSuccess) {
  EncodeSpec s = spec(64, 64, kYcc);
  Bytes picture = test_picture(64, 64, 3);
  size_t whole = encode(s).bytes.size();
  for (int64_t budget : {int64_t{0}, int64_t{1}, int64_t{40}, int64_t{300}, int64_t{700}, int64_t(whole) - 1}) {
    MemoryOutputStorage memory;
    ShortOutput out(&memory, budget);
    BrenvoldStream* stream = rstCreateStreamByBrenvoldOutputStorage(&out);
    RstInstanceTolvane* stage = rst_jpeg_create_encoder(stream, 1, 1);
    JpegEncoderParams p;
    p.image.width = 64;
    p.image.height = 64;
    p.image.format = kYcc;
    p.quality = -75;
    int32_t worst = stage->info(&p.image);
    for (int y = 0; y < 64 && worst == 1; ++y) worst = std::min(worst, stage->line(picture.data() + y * 192));
    int32_t closed = stage->close();
    stream->close();
    EXPECT_TRUE(worst == -11 || closed == -11) << budget << ": " << worst << " " << closed;
    EXPECT_LE(memory.size(), budget);
  }
}

}  // namespace
