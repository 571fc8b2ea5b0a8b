// The JBIG header records, encoding stages and push writers: the BIH and the
// T.43 head byte for byte, the bit-planes, refusals, codec errors and
// failing targets, and incomplete images.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "jbig_stage_support.h"
#include "node_support.h"
#include "raster/codecs/rst_jbig_decoder.h"
#include "raster/codecs/rst_jbig_encoder_stages.h"
#include "raster/codecs/rst_jbig_header.h"
#include "raster/codecs/rst_jbig_stage.h"
#include "raster/core/rst_alloc.h"

namespace {

uint32_t be32(const JbigBytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

size_t count_of(const JbigBytes& b, const std::string& text) {
  JbigBytes s(text.begin(), text.end());
  size_t n = 0;
  for (auto it = b.begin(); (it = std::search(it, b.end(), s.begin(), s.end())) != b.end(); ++it) ++n;
  return n;
}

// The head our writers must write, spelled out segment by segment.
JbigBytes expected_head(uint8_t cs, std::vector<uint8_t> comps, bool gamut, const uint8_t* palette, char d = '3',
                        uint16_t dpi = 200) {
  JbigBytes b = {
      0xFF,         0xA8, 0xFF, 0xE1, 0x00, 0x12, 'G', uint8_t(d), 'F', 'A', 'X', 0x00, 0x07, 0xCD, uint8_t(dpi >> 8),
      uint8_t(dpi), 0x00, cs};
  b.insert(b.end(), comps.begin(), comps.end());
  if (gamut) {
    JbigBytes g = {0xFF, 0xE1, 0x00, 0x14,       'G',  uint8_t(d), 'F',  'A',  'X',  0x01, 0x00, 0x00,
                   0x00, 0x64, 0x00, 0x80,       0x00, 0x01,       0x00, 0x60, 0x00, 0x01, 0xFF, 0xE1,
                   0x00, 0x0C, 'G',  uint8_t(d), 'F',  'A',        'X',  0x02, 0x00, 0x44, 0x35, 0x30};
    b.insert(b.end(), g.begin(), g.end());
  }
  if (palette) {
    JbigBytes p = {0xFF, 0xE3, 0x00, 0x00, 0x03, 0x10, 'G',  uint8_t(d), 'F',
                   'A',  'X',  0x03, 0x00, 0x00, 0x00, 0x00, 0x01,       0x00};
    for (int i = 0; i < 256; ++i) p.insert(p.end(), {palette[i], palette[256 + i], palette[512 + i]});
    b.insert(b.end(), p.begin(), p.end());
  }
  JbigBytes end = {0xFF, 0xE1, 0x00, 0x08, 'G', uint8_t(d), 'F', 'A', 'X', 0xFF};
  b.insert(b.end(), end.begin(), end.end());
  return b;
}

// A 256-entry 8-bit Lab colormap, entry i = (i, 255 - i, i / 2).
RstCountedPtr<RstColormap> lab_map() {
  RstCountedPtr<RstColormap> map(new RstColormap(8, 3, 256));
  for (int i = 0; i < 256; ++i) {
    map->data()[3 * i] = uint8_t(i);
    map->data()[3 * i + 1] = uint8_t(255 - i);
    map->data()[3 * i + 2] = uint8_t(i / 2);
  }
  return map;
}

std::vector<uint8_t> planar(const RstColormap& map) {
  std::vector<uint8_t> p(768);
  for (int i = 0; i < 256; ++i)
    for (int c = 0; c < 3; ++c) p[256 * c + i] = map.data()[3 * i + c];
  return p;
}

TEST(JbigHeaderRecord, FreshRecordAndOneRelease) {
  static int destroyed = 0;
  struct Counted : RstJBIGT43Header {
    ~Counted() override { ++destroyed; }
  };
  RstJBIGT85Header t85;
  EXPECT_EQ(t85.status, 1);
  EXPECT_EQ(t85.width, 0);
  EXPECT_EQ(t85.height, 0);
  EXPECT_EQ(t85.header.width, 0);
  EXPECT_EQ(t85.header.color_type, nullptr);
  EXPECT_FALSE(t85.header.colormap);
  rst_release(new Counted);
  EXPECT_EQ(destroyed, 1);
  rst_release(nullptr);
}

TEST(JbigT85Writer, DefaultOptionWritesPlainBihAndStripesOf128) {
  RstHeader h = jbig_header(300, 300, 1, 1, RstColorType::default_gray_reverse());
  JbigLines lines = jbig_random_lines(h, 1);
  JbigBytes code = jbig_write_t85(h, lines);
  ASSERT_GE(code.size(), 20u);
  EXPECT_EQ(JbigBytes(code.begin(), code.begin() + 4), (JbigBytes{0, 0, 1, 0}));
  EXPECT_EQ(be32(code, 4), 300u);
  EXPECT_EQ(be32(code, 8), 300u);
  EXPECT_EQ(be32(code, 12), 128u);
  EXPECT_EQ(JbigBytes(code.begin() + 16, code.begin() + 20), (JbigBytes{0, 0, 0, 0}));
  // Three stripes, each closed by SDNORM (0xFF 0x02 cannot occur inside coded data).
  EXPECT_EQ(count_of(code, "\xFF\x02"), 3u);
  JbigDecoded back = jbig_decode(code);
  ASSERT_EQ(back.error, 0);
  for (uint32_t y = 0; y < 300; ++y)
    ASSERT_TRUE(std::equal(lines[y].begin(), lines[y].end(), back.image.line(0, y))) << y;
}

TEST(JbigT43Writer, EachClassWritesItsHeadByteForByte) {
  RstCountedPtr<RstColormap> map = lab_map();
  std::vector<uint8_t> pal = planar(*map);
  struct Case {
    RstColorType* type;
    int bits, samples;
    bool colormap;
    uint8_t cs;
    std::vector<uint8_t> comps;
    bool gamut;
    uint8_t planes;
  } cases[] = {
      {RstColorType::default_rgb(), 1, 3, false, 0x00, {3, 0, 0, 0}, false, 3},
      {RstColorType::default_cmyk(), 1, 3, false, 0x01, {3, 0, 0, 0}, false, 3},
      {RstColorType::default_cmyk(), 1, 4, false, 0x02, {4, 0, 0, 0}, false, 4},
      {RstColorType::itu_lab(), 8, 1, true, 0x10, {8, 0, 0, 0}, true, 8},
      {RstColorType::itu_lab(), 8, 3, false, 0x30, {8, 8, 8, 0}, true, 24},
      {RstColorType::default_lstar(), 8, 1, false, 0x20, {8, 0, 0, 0}, false, 8},
      {RstColorType::default_gray(), 8, 1, false, 0x20, {8, 0, 0, 0}, false, 8},
  };
  for (const Case& c : cases) {
    RstHeader h = jbig_header(37, 20, c.bits, c.samples, c.type);
    if (c.colormap) h.colormap = map;
    JbigBytes code = jbig_write_t43(h, jbig_random_lines(h, 2));
    JbigBytes head = expected_head(c.cs, c.comps, c.gamut, c.colormap ? pal.data() : nullptr);
    ASSERT_GT(code.size(), head.size() + 22) << int(c.cs);
    EXPECT_EQ(JbigBytes(code.begin(), code.begin() + long(head.size())), head) << int(c.cs);
    // The BIH follows: P planes, interleaved stripes (ILEAVE | SMID).
    EXPECT_EQ(code[head.size() + 2], c.planes) << int(c.cs);
    EXPECT_EQ(code[head.size() + 18], 3) << int(c.cs);
    EXPECT_EQ(JbigBytes(code.end() - 2, code.end()), (JbigBytes{0xFF, 0xA9})) << int(c.cs);
    if (c.colormap) {
      EXPECT_EQ(be32(code, 60), 784u);  // after the start, G3FAX0, gamut, illuminant, marker
    }
  }
}

TEST(JbigT43Writer, LabPlanesAreGrayCodedMostSignificantFirst) {
  RstHeader h = jbig_header(29, 9, 8, 3, RstColorType::itu_lab());
  JbigLines lines = jbig_random_lines(h, 3);
  JbigBytes code = jbig_write_t43(h, lines);
  size_t head = expected_head(0x30, {8, 8, 8, 0}, true, nullptr).size();
  JbigBytes bie(code.begin() + long(head), code.end() - 2);
  JbigDecoded planes = jbig_decode(bie, 3);
  ASSERT_EQ(planes.error, 0);
  ASSERT_EQ(planes.image.planes.size(), 24u);
  for (uint32_t y = 0; y < 9; ++y)
    for (uint32_t x = 0; x < 29; ++x)
      for (uint32_t c = 0; c < 3; ++c) {
        uint8_t v = lines[y][3 * x + c];
        uint8_t gray = v ^ (v >> 1);
        for (uint32_t k = 0; k < 8; ++k) {
          int bit = (planes.image.line(c * 8 + k, y)[x / 8] >> (7 - x % 8)) & 1;
          ASSERT_EQ(bit, (gray >> (7 - k)) & 1) << y << " " << x << " " << c << " " << k;
        }
      }
}

TEST(JbigT43Writer, OptionBitsDigitAndWholeImageOrder) {
  RstHeader h = jbig_header(40, 50, 8, 3, RstColorType::itu_lab());
  JbigLines lines = jbig_random_lines(h, 4);
  RstEncodeJBIGT43Option digit(128, 0, 300, 0x80);
  JbigBytes code = jbig_write_t43(h, lines, &digit);
  EXPECT_EQ(count_of(code, "G4FAX"), 4u);
  EXPECT_EQ(count_of(code, "G3FAX"), 0u);
  EXPECT_EQ(code[14] << 8 | code[15], 300);  // the header word is the resolution

  // Bit 0x01: every plane whole; nothing is coded before the last line.
  RstEncodeJBIGT43Option whole(16, 0, 200, 0x01);
  MemoryOutputStorage out;
  RstPushWriteT43* w = RstPushWriteT43::create(&out, h, &whole, false);
  ASSERT_NE(w, nullptr);
  int32_t head = out.tell();
  EXPECT_EQ(head, int32_t(expected_head(0x30, {8, 8, 8, 0}, true, nullptr).size() + 20));
  for (int y = 0; y < 49; ++y) w->write(lines[size_t(y)].data());
  EXPECT_EQ(out.tell(), head);
  w->write(lines[49].data());
  EXPECT_GT(out.tell(), head);
  w->end();
  JbigBytes bytes = jbig_bytes_of(out);
  EXPECT_EQ(bytes[size_t(head) - 2], 2);  // order: planes one after the other
}

TEST(JbigWriters, StagesIgnoreExtraLines) {
  for (bool t43 : {false, true}) {
    RstHeader h = t43 ? jbig_header(20, 5, 1, 3, RstColorType::default_rgb())
                      : jbig_header(20, 5, 1, 1, RstColorType::default_gray_reverse());
    JbigLines lines = jbig_random_lines(h, 5);
    MemoryOutputStorage out;
    BrenvoldStream* s = rstCreateStreamByBrenvoldOutputStorage(&out);
    RstInstanceTolvane* stage = t43 ? rst_jbig_t43_encoder_create(s, 0, 0, 0) : rst_jbig_t85_encoder_create(s, 0, 0, 0);
    RstWriteTolvaneHeader record(h, 200);
    ASSERT_EQ(stage->info(&record.record()->info), 1);
    for (auto& l : lines) ASSERT_EQ(stage->line(l.data()), 1);
    int32_t size = out.tell();
    EXPECT_EQ(stage->line(lines[0].data()), 1);
    EXPECT_EQ(out.tell(), size);
    EXPECT_EQ(stage->close(), 1);
    s->close();
  }
}

TEST(JbigWriters, CreateRefusals) {
  ReportLog log;
  MemoryOutputStorage open;
  MemoryOutputStorage closed;
  closed.close();
  RstHeader bilevel = jbig_header(8, 8, 1, 1, RstColorType::default_gray_reverse());
  RstHeader gray8 = jbig_header(8, 8, 8, 1, RstColorType::default_gray());
  RstHeader coded = bilevel;
  coded.data_form = RstDataForm::mmr;
  const char* t85 = "RstPushWriteT85:create()";
  EXPECT_EQ(RstPushWriteT85::create(nullptr, bilevel, nullptr, false), nullptr);
  EXPECT_TRUE(log.has(-2, t85));
  EXPECT_EQ(RstPushWriteT85::create(&closed, bilevel, nullptr, false), nullptr);
  EXPECT_EQ(RstPushWriteT85::create(&open, gray8, nullptr, false), nullptr);
  EXPECT_TRUE(log.has(-3, t85));
  EXPECT_EQ(RstPushWriteT85::create(&open, coded, nullptr, false), nullptr);
  EXPECT_EQ(log.count(-2) + log.count(-3), 4u);

  const char* t43 = "RstPushWriteT43::create()";
  struct Refused {
    RstColorType* type;
    int bits, samples;
  } refused[] = {{RstColorType::default_rgb(), 2, 3},   {RstColorType::default_rgb(), 8, 3},
                 {RstColorType::default_gray(), 16, 1}, {RstColorType::default_gray_reverse(), 8, 1},
                 {RstColorType::default_ycbcr(), 8, 3}, {RstColorType::itu_lab(), 16, 3},
                 {RstColorType::default_cmyk(), 8, 4}};
  for (const Refused& r : refused) {
    log.reports.clear();
    EXPECT_EQ(RstPushWriteT43::create(&open, jbig_header(8, 8, r.bits, r.samples, r.type), nullptr, false), nullptr);
    EXPECT_TRUE(log.has(-3, t43)) << r.bits << " " << r.samples;
  }
  log.reports.clear();
  EXPECT_EQ(RstPushWriteT43::create(&closed, gray8, nullptr, false), nullptr);
  EXPECT_TRUE(log.has(-2, t43));
  EXPECT_EQ(open.tell(), 0);
}

TEST(JbigWriters, ColormapOnOtherThanPaletteWritesNothing) {
  ReportLog log;
  RstHeader h = jbig_header(8, 8, 8, 1, RstColorType::default_gray());
  h.colormap = lab_map();
  MemoryOutputStorage out;
  EXPECT_EQ(RstPushWriteT43::create(&out, h, nullptr, false), nullptr);
  EXPECT_TRUE(log.has(-203, "RstPushWriteTolvane::initiate()"));
  EXPECT_EQ(out.size(), 0);
}

TEST(JbigWriters, CodecErrorsAreMapped) {
  struct Row {
    int32_t error, status;
  } rows[] = {{0, 1},   {1, -3},  {3, -3},  {4, -11}, {5, -11}, {7, -3},  {8, -3}, {9, -3},
              {10, -2}, {12, -2}, {13, -2}, {15, -2}, {16, -2}, {17, -2}, {19, -2}};
  for (const Row& r : rows) EXPECT_EQ(rst_jbig_stage_status(r.error), r.status) << r.error;

  // MX above 127 is the coder's error 16; a width above 32768 its error 13.
  ReportLog log;
  MemoryOutputStorage out;
  RstEncodeJBIGT85Option far(128, 200, 0);
  EXPECT_EQ(RstPushWriteT85::create(&out, jbig_header(8, 8, 1, 1, RstColorType::default_gray_reverse()), &far, false),
            nullptr);
  EXPECT_TRUE(log.has(-2, "RstPushWriteTolvane::initiate()"));
  log.reports.clear();
  EXPECT_EQ(RstPushWriteT43::create(&out, jbig_header(40000, 8, 1, 3, RstColorType::default_rgb()), nullptr, false),
            nullptr);
  EXPECT_TRUE(log.has(-2, "RstPushWriteTolvane::initiate()"));
}

TEST(JbigWriters, TargetFailingAfterAnyByteGivesIoFailure) {
  RstCountedPtr<RstColormap> map = lab_map();
  struct Case {
    RstHeader h;
    bool t43;
  } cases[] = {{jbig_header(40, 30, 1, 1, RstColorType::default_gray_reverse()), false},
               {jbig_header(12, 6, 8, 3, RstColorType::itu_lab()), true},
               {jbig_header(12, 6, 8, 1, RstColorType::itu_lab()), true}};
  cases[2].h.colormap = map;
  for (const Case& c : cases) {
    JbigLines lines = jbig_random_lines(c.h, 6);
    size_t total = c.t43 ? jbig_write_t43(c.h, lines).size() : jbig_write_t85(c.h, lines).size();
    for (size_t n = 0; n < total; ++n) {
      ReportLog log;
      JbigBytes space(n + 1);
      ByteArrayOutputStorage out(space.data(), int32_t(n));
      RstPushWriteTolvane* w =
          c.t43 ? static_cast<RstPushWriteTolvane*>(RstPushWriteT43::create(&out, c.h, nullptr, false))
                : RstPushWriteT85::create(&out, c.h, nullptr, false);
      if (w) {
        for (auto& l : lines) w->write(l.data());
        w->end();
      }
      EXPECT_EQ(log.count(-11), 1u) << n << " of " << total;
    }
  }
}

TEST(JbigWriters, SourceEndingEarlyIsReportedAtEnd) {
  for (bool t43 : {false, true}) {
    ReportLog log;
    RstHeader h = t43 ? jbig_header(64, 200, 8, 1, RstColorType::default_gray())
                      : jbig_header(64, 200, 1, 1, RstColorType::default_gray_reverse());
    JbigLines lines = jbig_random_lines(h, 7);
    lines.resize(160);
    JbigBytes code = t43 ? jbig_write_t43(h, lines) : jbig_write_t85(h, lines);
    EXPECT_TRUE(log.has(-3, "RstPushWriteTolvane::end()")) << t43;
    EXPECT_EQ(log.reports.size(), 1u);
    // No closing marker: the stream is not passed off as complete.
    ASSERT_GE(code.size(), 2u);
    EXPECT_NE(JbigBytes(code.end() - 2, code.end()), (JbigBytes{0xFF, 0xA9}));
  }
}

TEST(JbigWriters, PlaneBuffersAboveTheLimitAreRefusedBeforeAnyByte) {
  // 24 planes of 32768 pixels and 20000 rows coded whole: 1.9 GiB of buffers.
  ReportLog log;
  MemoryOutputStorage out;
  RstEncodeJBIGT43Option whole(128, 0, 200, 0x01);
  RstHeader h = jbig_header(32768, 20000, 8, 3, RstColorType::itu_lab());
  EXPECT_EQ(RstPushWriteT43::create(&out, h, &whole, false), nullptr);
  EXPECT_TRUE(log.has(-1, "RstPushWriteTolvane::initiate()"));
  EXPECT_LT(RstAllocFault::last_size(), size_t(1) << 30);
  EXPECT_EQ(out.size(), 0);
  // Interleaved, the same image needs only a stripe of rows.
  RstPushWriteT43* w = RstPushWriteT43::create(&out, h, nullptr, false);
  ASSERT_NE(w, nullptr);
  w->end();
}

}  // namespace
