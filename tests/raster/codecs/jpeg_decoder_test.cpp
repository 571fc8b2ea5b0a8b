// The JPEG decoder core and stage on streams written byte by byte: header
// cases, the bit reader, block decoding at full and reduced size, the sound
// handling of hostile segments and data, preloaded tables that the stream
// may not change, and the quality scaling and resampler choices of the
// shared core.
#include <gtest/gtest.h>

#include "jpeg_decode_support.h"
#include "node_support.h"
#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/codecs/rst_jpeg_decoder_entropy.h"
#include "raster/codecs/rst_jpeg_decoder_markers.h"
#include "raster/codecs/rst_jpeg_idct.h"
#include "raster/codecs/rst_jpeg_resample.h"
#include "raster/codecs/rst_read_jpeg23.h"
#include "raster/core/rst_alloc.h"

namespace {

// Huffman-coded bits with 0xFF bytes stuffed, padded with 1-bits.
struct BitWriter {
  Bytes out;
  uint32_t acc = 0;
  int n = 0;
  void put(uint32_t value, int length) {
    for (int i = length - 1; i >= 0; --i) {
      acc = acc << 1 | ((value >> i) & 1);
      if (++n == 8) {
        out.push_back(uint8_t(acc));
        if (acc == 0xFF) out.push_back(0);
        acc = 0;
        n = 0;
      }
    }
  }
  Bytes done() {
    while (n) put(1, 1);
    return out;
  }
};

// The standard luminance tables as the decoder builds them.
struct StandardCodes {
  JpegHuffmanInfo dc, ac;
  StandardCodes() {
    rst_jpeg_build_huffman_info(&dc, kDcBits.data(), kDcValues.data(), 16);
    rst_jpeg_build_huffman_info(&ac, kAcBits.data(), kAcValues.data(), 256);
  }
  ~StandardCodes() {
    rst_jpeg_free_huffman_info(&dc);
    rst_jpeg_free_huffman_info(&ac);
  }
  void symbol(BitWriter& w, const JpegHuffmanInfo& t, int s) const { w.put(t.codes[s].code, t.codes[s].length); }
  // A DC difference (category and bits).
  void dc_value(BitWriter& w, int v) const {
    int s = 0;
    while ((v < 0 ? -v : v) >> s) ++s;
    symbol(w, dc, s);
    if (s) w.put(uint32_t(v < 0 ? v + (1 << s) - 1 : v), s);
  }
};

// A gray stream of the standard tables, quantisation values 1, 2, ... and the
// given coded data.
Bytes gray_stream(const Bytes& entropy, uint16_t height = 8, uint16_t width = 8, bool eoi = true) {
  JpegBytes j;
  j.soi().dqt(0, 1).dht_dc().dht_ac().sof(height, width, 1).sos(1).raw(entropy);
  if (eoi) j.eoi();
  return j.b;
}

// A context reading the bytes directly (header mode).
struct Parsed {
  ByteArrayInputStorage storage;
  BrenvoldStream* stream;
  JpegCodecContext* c;
  int32_t status;
  explicit Parsed(const Bytes& b, bool check = true) : storage(b) {
    stream = rstCreateStreamByBrenvoldInputStorage(&storage);
    c = rst_jpeg_context_new();
    c->stream = stream;
    c->table_check = check;
    status = rst_jpeg_read_header(c);
  }
  ~Parsed() {
    rst_jpeg_context_free(c);
    stream->close();
  }
};

TEST(JpegHeader, Cases) {
  JpegBytes garbage_first;
  garbage_first.raw({0x00, 0x11}).soi().tables().frame_and_scan();
  EXPECT_EQ(Parsed(garbage_first.b).status, -12);

  JpegBytes garbage_between;
  garbage_between.soi().dqt().raw({0x12, 0x34, 0x00}).dht_dc().dht_ac().frame_and_scan();
  EXPECT_EQ(Parsed(garbage_between.b).status, 100);

  JpegBytes fax;
  fax.soi().g3fax(1994, 200).tables().sof(16, 16, 3).sos(3).raw({0x12}).eoi();
  Parsed f(fax.b);
  EXPECT_EQ(f.status, 1);
  EXPECT_EQ(f.c->x_resolution, 200);
  EXPECT_EQ(f.c->y_resolution, 200);
  EXPECT_EQ(f.c->header_kind, 4);
  EXPECT_EQ(f.c->format, 0x180027u);

  JpegBytes two_tables;
  Bytes payload = JpegBytes::qtable(0);
  Bytes second = JpegBytes::qtable(1, 3);
  payload.insert(payload.end(), second.begin(), second.end());
  two_tables.soi().segment(0xDB, payload).dht_dc().dht_ac().frame_and_scan();
  EXPECT_EQ(Parsed(two_tables.b).c->qtable_count, 2);
  payload.insert(payload.end(), 8, 0x55);  // length 140: the rest is left to the marker search
  JpegBytes longer;
  longer.soi().segment(0xDB, payload).dht_dc().dht_ac().frame_and_scan();
  Parsed l(longer.b);
  EXPECT_EQ(l.status, 100);
  EXPECT_EQ(l.c->qtable_count, 2);
  EXPECT_EQ(l.c->qtables[1][0], 3);

  JpegBytes comments;
  comments.soi().comment("first").comment("second").tables().frame_and_scan();
  Parsed cm(comments.b);
  EXPECT_STREQ(cm.c->comment, "first\r\nsecond");
}

TEST(JpegHeader, DnlGivesTheHeightAndThePositionReturns) {
  JpegBytes j;
  j.soi().tables().sof(0, 16, 1).sos(1).raw({0x12, 0x34}).segment(0xDC, {0x01, 0xE0}).eoi();
  Parsed p(j.b);
  EXPECT_EQ(p.status, 100);
  EXPECT_EQ(p.c->frame_height, 480);
  EXPECT_EQ(p.stream->tell(), int32_t(j.b.size() - 2 - 6 - 2));  // at the coded data
  JpegBytes none;
  none.soi().tables().sof(0, 16, 1).sos(1).raw({0x12, 0x34}).eoi();
  EXPECT_EQ(Parsed(none.b).status, -3);
}

// Frames, scans, tables and segment lengths the decoder refuses, each with
// its code.
TEST(JpegHeader, HostileSegmentsAreRefused) {
  auto frame = [](const Bytes& sof_payload, uint8_t code = 0xC0) {
    JpegBytes j;
    j.soi().tables().segment(code, sof_payload).sos(1).raw({0}).eoi();
    return j.b;
  };
  auto scan = [](const Bytes& sos_payload, uint8_t frame_code = 0xC0) {
    JpegBytes j;
    j.soi().tables().sof(8, 8, 1, 8, frame_code).segment(0xDA, sos_payload).raw({0}).eoi();
    return j.b;
  };
  auto tables = [](const Bytes& dht) {
    JpegBytes j;
    j.soi().dqt().segment(0xC4, dht).dht_ac().sof(8, 8, 1).sos(1).raw({0}).eoi();
    return j.b;
  };
  Bytes seventeen(16, 0), oversubscribed(16, 0);
  seventeen[1] = 17;
  oversubscribed[0] = 3;
  Bytes big_symbol = kDcValues;
  big_symbol[11] = 16;
  const struct {
    const char* name;
    Bytes stream;
    int32_t want;
  } cases[] = {
      {"five components", frame({8, 0, 8, 0, 8, 5, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0, 4, 0x11, 0, 5, 0x11, 0}), -14},
      {"arithmetic", frame({8, 0, 8, 0, 8, 1, 1, 0x11, 0}, 0xC9), -14},
      {"precision 12", frame({12, 0, 8, 0, 8, 1, 1, 0x11, 0}), -3},
      {"no components", frame({8, 0, 8, 0, 8, 0}), -3},
      {"two components", frame({8, 0, 8, 0, 8, 2, 1, 0x11, 0, 2, 0x11, 0}), -14},
      {"four components", frame({8, 0, 8, 0, 8, 4, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0, 4, 0x11, 0}), -14},
      {"factor 0", frame({8, 0, 8, 0, 8, 3, 1, 0x11, 0, 2, 0x01, 0, 3, 0x11, 0}), -3},
      {"divisor 3", frame({8, 0, 8, 0, 8, 3, 1, 0x31, 0, 2, 0x11, 0, 3, 0x11, 0}), -14},
      {"width 0", frame({8, 0, 8, 0, 0, 1, 1, 0x11, 0}), -3},
      {"same ids", frame({8, 0, 8, 0, 8, 3, 1, 0x11, 0, 1, 0x11, 0, 3, 0x11, 0}), -3},
      {"frame length", frame({8, 0, 8, 0, 8, 1, 1, 0x11, 0, 0, 0}), -3},
      {"undefined table", frame({8, 0, 8, 0, 8, 1, 1, 0x11, 2}), -3},
      {"no scan components", scan({0, 0, 63, 0}), -3},
      {"scan length", scan({1, 1, 0, 0, 63, 0, 0}), -3},
      {"Se 64", scan({1, 1, 0, 0, 64, 0}), -3},
      {"Ss above Se", scan({1, 1, 0, 5, 4, 0}, 0xC2), -3},
      {"progressive DC with Se", scan({1, 1, 0, 0, 5, 0}, 0xC2), -3},
      {"Al 14", scan({1, 1, 0, 0, 0, 0x0E}, 0xC2), -3},
      {"unknown component", scan({1, 9, 0, 0, 63, 0}), -3},
      {"missing Huffman table", scan({1, 1, 0x22, 0, 63, 0}), -3},
      {"BITS sum 17 in DC", tables([&] {
         Bytes t{0x00};
         t.insert(t.end(), seventeen.begin(), seventeen.end());
         t.insert(t.end(), 17, 1);
         return t;
       }()),
       -3},
      {"over-subscribed", tables([&] {
         Bytes t{0x00};
         t.insert(t.end(), oversubscribed.begin(), oversubscribed.end());
         t.insert(t.end(), {0, 1, 2});
         return t;
       }()),
       -3},
      {"DC symbol 16", tables(JpegBytes::htable(0x00, kDcBits, big_symbol)), -3},
      {"values beyond the segment", tables(JpegBytes::htable(0x00, kDcBits, {0, 1, 2})), -3},
      {"table class 2", tables(JpegBytes::htable(0x20, kDcBits, kDcValues)), -3},
  };
  for (const auto& k : cases) EXPECT_EQ(Parsed(k.stream).status, k.want) << k.name;
  // Lengths below what their readers take.
  for (uint8_t code : {0xE0, 0xE1, 0xDD, 0xFE, 0xDB, 0xC4, 0xE5}) {
    JpegBytes j;
    j.soi().raw({0xFF, code, 0, 1}).tables().frame_and_scan();
    EXPECT_EQ(Parsed(j.b).status, -3) << int(code);
  }
  // The code table builder refuses more symbols than slots directly.
  JpegHuffmanInfo info;
  EXPECT_EQ(rst_jpeg_huffman_codes(&info, seventeen.data(), Bytes(17, 1).data(), 16), -2);
  EXPECT_EQ(rst_jpeg_build_huffman_info(&info, oversubscribed.data(), Bytes{0, 1, 2}.data(), 16), -2);
  rst_jpeg_free_huffman_info(&info);
}

// A JPEG-coded JFXX thumbnail whose stream holds another one is read one
// level deep; its size comes from the header that parsed.
TEST(JpegHeader, NestedJfxxIsReadOnce) {
  JpegBytes inner;
  inner.soi().jfxx({0x10, 0xFF, 0xD8}).tables().sof(12, 20, 1).sos(1).eoi();
  Bytes ext{0x10};
  for (int level = 0; level < 3; ++level) {
    JpegBytes wrap;
    wrap.soi().jfxx(level == 0 ? Bytes{0x10, 0xFF, 0xD8} : ext).tables().sof(12, 20, 1).sos(1).eoi();
    ext = Bytes{0x10};
    ext.insert(ext.end(), wrap.b.begin(), wrap.b.end());
  }
  JpegBytes outer;
  outer.soi().jfxx(ext).tables().frame_and_scan(16, 16, 1);
  Parsed p(outer.b);
  EXPECT_EQ(p.status, 100);
  EXPECT_EQ(p.c->thumbnail.width, 20);
  EXPECT_EQ(p.c->thumbnail.height, 12);
  EXPECT_EQ(p.c->header_kind, 1);
}

// Stuffed zeros are data 0xFF; a marker ends the data: zero bits follow,
// never its 0xFF.
TEST(JpegBits, StuffingAndMarkers) {
  Bytes b{0xFF, 0x00, 0x12, 0xFF, 0xD9};
  ByteArrayInputStorage storage(b);
  BrenvoldStream* stream = rstCreateStreamByBrenvoldInputStorage(&storage);
  JpegCodecContext* c = rst_jpeg_context_new();
  c->stream = stream;
  c->coded_left = int64_t(b.size());
  ASSERT_EQ(rst_jpeg_init_decoder_entropy(c, 8), 1);
  EXPECT_EQ(rst_jpeg_get_bits(c, 8), 0xFF);
  EXPECT_EQ(rst_jpeg_get_bits(c, 8), 0x12);
  EXPECT_EQ(rst_jpeg_get_bits(c, 8), 0);
  EXPECT_EQ(c->pending_marker, 0xD9);
  EXPECT_EQ(c->decode_status, 1);
  EXPECT_EQ(rst_jpeg_get_bits(c, 8), 0);
  EXPECT_EQ(c->decode_status, kJpegMarkerMet);  // 16 zero bits consumed
  EXPECT_EQ(rst_jpeg_read_marker(c), 0xD9);
  rst_jpeg_context_free(c);
  stream->close();
}

TEST(JpegDecode, DcOnlyBlockIsFlatAndItsEighthIsDcOverEight) {
  StandardCodes k;
  BitWriter w;
  k.dc_value(w, 40);
  k.symbol(w, k.ac, 0x00);
  Bytes s = gray_stream(w.done());
  Decoded full = stage_decode(s);
  ASSERT_EQ(full.status, 100);
  for (uint8_t v : full.samples) EXPECT_EQ(v, 128 + 5);
  Decoded eighth = stage_decode(s, 8);
  ASSERT_EQ(eighth.width, 1);
  EXPECT_EQ(eighth.samples[0], 128 + 5);
}

TEST(JpegDecode, CorruptAndEndingData) {
  StandardCodes k;
  // An AC run past position 63.
  BitWriter run;
  k.dc_value(run, 0);
  for (int i = 0; i < 4; ++i) k.symbol(run, k.ac, 0xF0);
  EXPECT_EQ(stage_decode(gray_stream(run.done())).status, -3);
  // A DC predictor beyond 16 bits is corrupt data, not a huge sample.
  for (int blocks : {16, 17}) {
    BitWriter big;
    for (int i = 0; i < blocks; ++i) {
      k.dc_value(big, 2047);
      k.symbol(big, k.ac, 0x00);
    }
    EXPECT_EQ(stage_decode(gray_stream(big.done(), 8, uint16_t(blocks * 8))).status, blocks == 16 ? 100 : -3);
  }
  // The largest predictor times the largest AAN-scaled multiplier passes 32
  // bits: held there, the stream still decodes (and no product overflows).
  BitWriter huge;
  for (int i = 0; i < 16; ++i) {
    k.dc_value(huge, 2047);
    k.symbol(huge, k.ac, 0x00);
  }
  JpegBytes coarse;
  coarse.soi().dqt(0, 255).dht_dc().dht_ac().sof(8, 128, 1).sos(1).raw(huge.done()).eoi();
  EXPECT_EQ(stage_decode(coarse.b).status, 100);
  // Data that simply ends: -3 once 16 zero bits were taken.
  BitWriter one;
  k.dc_value(one, 8);
  k.symbol(one, k.ac, 0x00);
  EXPECT_EQ(stage_decode(gray_stream(one.done(), 8, 16, false)).status, -3);
  // Data ended by a marker: the missing block is mid-grey, the first line
  // warns once, the others are good.
  Decoded cut = stage_decode(gray_stream(one.out, 16, 16));
  ASSERT_EQ(cut.status, 100);
  EXPECT_EQ(cut.warnings, 1);
  EXPECT_EQ(cut.at(0, 0, 0), 129);
  EXPECT_EQ(cut.at(15, 0, 0), 128);
  EXPECT_EQ(cut.at(15, 15, 0), 128);
}

TEST(JpegStage, CreationCases) {
  Bytes good = gray_stream({0x00}, 8, 8);
  // Not starting with SOI: -12 and the stream where it was.
  Bytes bad = good;
  bad[1] = 0xD9;
  ByteArrayInputStorage storage(bad);
  BrenvoldStream* stream = rstCreateStreamByBrenvoldInputStorage(&storage);
  stream->seek(0, 0);
  RstInstanceTolvane* stage = rst_jpeg_create_decoder(stream, 0, nullptr, 0xFFFF, 0xFFFF, 0, 8, 100, 0, 1);
  EXPECT_EQ(stage->status, -12);
  EXPECT_EQ(stream->tell(), 0);
  stage->close();
  stream->close();
  // Colour codes and scales.
  EXPECT_EQ(stage_decode(good, 1, 0, 0x60).status, 100);  // one component: gray whatever was asked
  JpegBytes cmyk;
  cmyk.soi().tables().sof(8, 8, 4).sos(4).raw({0}).eoi();
  EXPECT_EQ(stage_decode(cmyk.b, 1, 0, 0x60).status, -14);
  EXPECT_EQ(stage_decode(good, 3).status, -2);
  JpegBytes prog;
  prog.soi().tables().sof(8, 8, 1, 8, 0xC2).segment(0xDA, {1, 1, 0x00, 0, 0, 0}).raw({0x00}).eoi();
  EXPECT_EQ(stage_decode(prog.b, 2).status, -2);
  EXPECT_EQ(stage_decode(prog.b, 1, 1).status, -2);
  EXPECT_EQ(stage_decode(prog.b).status, 100);
}

// Hostile progressive frames: a coefficient store too large is refused
// before anything that size is allocated; a thousand and first scan is
// corrupt data.
TEST(JpegStage, ProgressiveLimits) {
  JpegBytes huge;
  huge.soi().tables().sof(65535, 65535, 1, 8, 0xC2).segment(0xDA, {1, 1, 0x00, 0, 0, 0}).raw({0x00}).eoi();
  EXPECT_LT(huge.b.size(), 400u);
  Decoded d = stage_decode(huge.b);
  EXPECT_EQ(d.status, -1);
  EXPECT_LT(RstAllocFault::last_size(), size_t(1) << 30);
  JpegBytes many;
  many.soi().tables().sof(8, 8, 1, 8, 0xC2).segment(0xDA, {1, 1, 0x00, 0, 0, 0x01}).raw({0x00});
  for (int i = 0; i < 5000; ++i) many.segment(0xDA, {1, 1, 0x00, 0, 0, 0x10}).raw({0x00});
  many.eoi();
  EXPECT_EQ(stage_decode(many.b).status, -3);
}

// Tables preloaded from a holder are borrowed: a DQT with id 9 and a DHT in
// the stream leave the holder's arrays as they were.
TEST(JpegStage, PreloadedTablesAreNeverChanged) {
  JpegBytes only_tables;
  only_tables.soi().tables().eoi();
  ByteArrayInputStorage table_storage(only_tables.b);
  RstReadJPEGHeader header(&table_storage, true);
  RstJPEGOption* option = header.create_option(nullptr);
  ASSERT_TRUE(option);
  JpegCodecContext* holder = RstReadJPEG23::create_jpeg_tables(option);
  ASSERT_TRUE(holder);
  EXPECT_EQ(holder->qtable_count, 4);
  int32_t q0 = holder->qtables[0][0];
  JpegHuffmanInfo* dc = holder->dc_tables;
  StandardCodes k;
  BitWriter w;
  k.dc_value(w, 16);
  k.symbol(w, k.ac, 0x00);
  JpegBytes j;
  j.soi().dqt(9, 7).dqt(0, 50).dht_dc().sof(8, 8, 1).sos(1).raw(w.done()).eoi();
  ByteArrayInputStorage storage(j.b);
  BrenvoldStream* stream = rstCreateStreamByBrenvoldInputStorage(&storage);
  RstInstanceTolvane* stage =
      rst_jpeg_create_decoder(stream, 0, holder, 0xFFFF, 0xFFFF, 0, 8, int64_t(j.b.size()), 0, 1);
  ASSERT_GE(stage->status, 1);
  uint8_t line[8];
  EXPECT_EQ(stage->line(line), 1);
  EXPECT_EQ(line[0], 128 + 16 * 50 / 8);  // the stream's table 0
  stage->close();
  stream->close();
  EXPECT_EQ(holder->qtable_count, 4);
  EXPECT_EQ(holder->qtables[0][0], q0);
  EXPECT_EQ(holder->dc_tables, dc);
  rst_jpeg_free_preloaded_huffman(holder);
  delete option;
}

TEST(JpegCore, EncoderTablesEqualCjpeg) {
  std::string dir = jpeg_temp_dir();
  ASSERT_TRUE(make_picture(dir + "/p.ppm", "plasma:fractal", 16, 16));
  rst_jpeg_default_base_qtables();
  for (int quality : {60, 90}) {
    ASSERT_TRUE(
        shell("cjpeg -baseline -quality " + std::to_string(quality) + " -outfile " + dir + "/q.jpg " + dir + "/p.ppm"));
    Parsed file(file_bytes_of(dir + "/q.jpg"));
    JpegCodecContext* c = rst_jpeg_context_new();
    c->components = 3;
    ASSERT_EQ(rst_jpeg_prepare_qtables(c, 1, -quality), 1);
    ASSERT_EQ(c->qtable_count, 2);
    for (int t = 0; t < 2; ++t)
      for (int i = 0; i < 64; ++i)
        EXPECT_EQ(c->qtables[t][i], file.c->qtables[t][i]) << quality << " " << t << " " << i;
    ASSERT_EQ(rst_jpeg_prepare_qtables(c, 1, 0), 1);
    for (int i = 0; i < 64; ++i) {
      EXPECT_EQ(c->qtables[0][i], std::min(255, 2 * rst_jpeg_k1_luminance[i]));
      EXPECT_EQ(c->qtables[1][i], std::min(255, 2 * rst_jpeg_k2_chrominance[i]));
    }
    rst_jpeg_context_free(c);
  }
  shell("rm -rf '" + dir + "'");
}

// Pattern tests, and per pattern and scale the transform and resampler of
// each component.
TEST(JpegCore, TransformAndResamplerChoices) {
  const struct {
    uint8_t h0, v0, h1, v1;  // block factors of luminance and chroma
    int scale;
    int chroma_reduction;
    JpegResampler chroma;
    const char* name;
  } cases[] = {
      {1, 1, 1, 1, 1, 1, nullptr, "444/1"},
      {2, 2, 1, 1, 1, 1, rst_jpeg_replicate_hv, "420/1"},
      {2, 1, 1, 1, 1, 1, rst_jpeg_replicate_h, "422/1"},
      {1, 2, 1, 1, 1, 1, rst_jpeg_replicate_v, "440/1"},
      {2, 2, 1, 1, 2, 1, nullptr, "420/2"},
      {2, 1, 1, 1, 4, 2, rst_jpeg_average_v, "422/4"},
      {4, 1, 1, 1, 2, 1, rst_jpeg_average_v_replicate_h, "411/2"},
      {4, 1, 1, 1, 4, 1, rst_jpeg_average_v, "411/4"},
      {2, 2, 1, 1, 8, 4, nullptr, "420/8"},
  };
  for (const auto& k : cases) {
    JpegCodecContext* c = rst_jpeg_context_new();
    c->components = 3;
    c->hmax = k.h0;
    c->vmax = k.v0;
    c->comp[0].h = k.h0;
    c->comp[0].v = k.v0;
    for (int i = 1; i < 3; ++i) {
      c->comp[i].h = k.h1;
      c->comp[i].v = k.v1;
    }
    for (int i = 0; i < 3; ++i) {
      c->divisors[i] = uint8_t(k.h0 / c->comp[i].h);
      c->divisors[3 + i] = uint8_t(k.v0 / c->comp[i].v);
    }
    c->scale = k.scale;
    ASSERT_EQ(rst_jpeg_select_idct(c), 1);
    rst_jpeg_select_resamplers(c, 0);
    EXPECT_EQ(c->comp[0].out_scale, k.scale) << k.name;
    EXPECT_EQ(c->comp[0].resampler, nullptr) << k.name;
    EXPECT_EQ(c->comp[1].out_scale, k.chroma_reduction) << k.name;
    EXPECT_EQ(c->comp[1].resampler, k.chroma) << k.name;
    rst_jpeg_context_free(c);
  }
  JpegCodecContext* c = rst_jpeg_context_new();
  const uint8_t patterns[4][6] = {{1, 1, 1, 1, 1, 1}, {1, 2, 2, 1, 1, 1}, {1, 2, 2, 1, 2, 2}, {1, 4, 4, 1, 1, 1}};
  for (int p = 0; p < 4; ++p) {
    std::memcpy(c->divisors, patterns[p], 6);
    EXPECT_EQ(rst_jpeg_is_444(c) + 2 * rst_jpeg_is_422(c) + 4 * rst_jpeg_is_420(c) + 8 * rst_jpeg_is_411(c), 1 << p);
  }
  c->scale = 3;
  EXPECT_EQ(rst_jpeg_select_idct(c), -2);
  rst_jpeg_context_free(c);
}

TEST(JpegCore, ResamplerOutputs) {
  uint8_t memory[4 * 8] = {};
  const uint8_t source[2][4] = {{10, 20, 30, 40}, {50, 60, 70, 80}};
  auto load = [&](int w, int r) {
    std::memset(memory, 0, sizeof memory);
    for (int y = 0; y < r; ++y)
      for (int x = 0; x < w; ++x) memory[y * 8 + x] = source[y][x];
    JpegPlane p;
    p.start = p.row = memory;
    p.stride = 8;
    p.width = w;
    p.rows = r;
    return p;
  };
  JpegPlane s = load(2, 2), t;
  rst_jpeg_replicate_hv(s, t, 2, 2, 4, 4);
  EXPECT_EQ(Bytes(memory, memory + 4), (Bytes{10, 10, 20, 20}));
  EXPECT_EQ(Bytes(memory + 24, memory + 28), (Bytes{50, 50, 60, 60}));
  s = load(4, 2);
  rst_jpeg_average_h(s, t, 2, 1, 2, 2);
  EXPECT_EQ(Bytes(memory, memory + 2), (Bytes{15, 35}));
  s = load(4, 2);
  rst_jpeg_average_v(s, t, 1, 2, 4, 1);
  EXPECT_EQ(Bytes(memory, memory + 4), (Bytes{30, 40, 50, 60}));
  s = load(4, 2);
  rst_jpeg_average_hv(s, t, 2, 2, 2, 1);
  EXPECT_EQ(Bytes(memory, memory + 2), (Bytes{35, 55}));
  s = load(4, 2);
  rst_jpeg_average_8(s, t, 4, 2, 1, 1);
  EXPECT_EQ(memory[0], (10 + 20 + 30 + 40 + 50 + 60 + 70 + 80) >> 3);
  s = load(4, 2);
  rst_jpeg_pick_hv(s, t, 2, 2, 2, 1);
  EXPECT_EQ(Bytes(memory, memory + 2), (Bytes{10, 30}));
  s = load(4, 2);
  rst_jpeg_average_v_replicate_h(s, t, 2, 2, 8, 1);
  EXPECT_EQ(Bytes(memory, memory + 8), (Bytes{30, 30, 40, 40, 50, 50, 60, 60}));
}

}  // namespace
