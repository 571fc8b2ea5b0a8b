// The JBIG reader nodes and decoding stages: what our writers wrote reads
// back, the end of an image, resets, faults in the data and refused heads.
#include <gtest/gtest.h>

#include "jbig_stage_support.h"
#include "node_support.h"
#include "raster/codecs/rst_jbig_decoder_stages.h"
#include "raster/core/rst_alloc.h"

namespace {

RstCountedPtr<RstColormap> lab_map() {
  RstCountedPtr<RstColormap> map(new RstColormap(8, 3, 256));
  for (int i = 0; i < 768; ++i) map->data()[i] = uint8_t(i * 7);
  return map;
}

void put32(JbigBytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

TEST(JbigReaders, T85WriterOutputReadsBack) {
  struct Case {
    int32_t width, height;
    RstEncodeJBIGT85Option option;
  } cases[] = {{1, 1, {128, 0, 0}},       {7, 30, {128, 0, 0}},      {1001, 70, {32, 0, 0x08}},
               {64, 129, {128, 0, 0x40}}, {250, 64, {5, 127, 0x48}}, {33, 40, {1, 0, 0x20}}};
  for (const Case& c : cases) {
    RstHeader h = jbig_header(c.width, c.height, 1, 1, RstColorType::default_gray_reverse());
    JbigLines lines = jbig_random_lines(h, uint32_t(c.width));
    JbigRead r = jbig_read<RstReadJBIGT85>(jbig_write_t85(h, lines, &c.option));
    ASSERT_TRUE(r.made) << c.width;
    EXPECT_EQ(r.header.width, c.width);
    EXPECT_EQ(r.header.height, c.height);
    EXPECT_EQ(r.header.bits_per_sample, 1);
    EXPECT_EQ(r.header.samples_per_pixel, 1);
    EXPECT_EQ(r.header.data_form, RstDataForm::raw);
    EXPECT_EQ(r.header.color_type, RstColorType::default_gray_reverse());
    EXPECT_EQ(r.lines, lines) << c.width;
  }
}

TEST(JbigReaders, T43WriterOutputReadsBackInEveryForm) {
  RstCountedPtr<RstColormap> map = lab_map();
  struct Case {
    RstColorType* type;
    int bits, samples;
    bool colormap;
    RstColorType* read_as;
  } cases[] = {
      {RstColorType::default_rgb(), 1, 3, false, RstColorType::default_rgb()},
      {RstColorType::default_cmyk(), 1, 3, false, RstColorType::default_cmy()},
      {RstColorType::default_cmyk(), 1, 4, false, RstColorType::default_cmyk()},
      {RstColorType::itu_lab(), 8, 1, true, RstColorType::itu_lab()},
      {RstColorType::itu_lab(), 8, 3, false, RstColorType::itu_lab()},
      {RstColorType::default_gray(), 8, 1, false, RstColorType::default_lstar()},
      {RstColorType::default_lstar(), 8, 1, false, RstColorType::default_lstar()},
  };
  for (const Case& c : cases)
    for (uint32_t options : {0u, 1u, 0x88u}) {
      RstHeader h = jbig_header(45, 37, c.bits, c.samples, c.type);
      if (c.colormap) h.colormap = map;
      JbigLines lines = jbig_random_lines(h, options + 9);
      RstEncodeJBIGT43Option o(16, 0, 200, options);
      JbigRead r = jbig_read<RstReadJBIGT43>(jbig_write_t43(h, lines, &o));
      ASSERT_TRUE(r.made) << c.bits << " " << c.samples;
      EXPECT_EQ(r.header.width, 45);
      EXPECT_EQ(r.header.height, 37);
      EXPECT_EQ(r.header.bits_per_sample, c.bits);
      EXPECT_EQ(r.header.samples_per_pixel, c.samples);
      EXPECT_EQ(r.header.color_type, c.read_as);
      EXPECT_EQ(bool(r.header.colormap), c.colormap);
      if (c.colormap) {
        EXPECT_TRUE(*r.header.colormap == *map);
      }
      EXPECT_EQ(r.lines, lines) << c.bits << " " << c.samples << " options " << options;
    }
}

// A T.85 image of 10 lines whose BIH says YD 0xFFFFFFFF, ended by NEWLEN.
JbigBytes open_ended_t85() {
  RstHeader h = jbig_header(40, 10, 1, 1, RstColorType::default_gray_reverse());
  RstEncodeJBIGT85Option vlength(4, 0, 0x20);
  JbigBytes code = jbig_write_t85(h, jbig_random_lines(h, 11), &vlength);
  put32(code, 8, 0xFFFFFFFF);
  code.insert(code.end(), {0xFF, 0x05, 0, 0, 0, 10});
  return code;
}

TEST(JbigReaders, ImageEndsAtItsLastLine) {
  JbigBytes code = open_ended_t85();
  ByteArrayInputStorage in(code.data(), int32_t(code.size()));
  RstReadJBIGT85* node = RstReadJBIGT85::create(&in, nullptr);
  ASSERT_NE(node, nullptr);
  RstHeader h(node);
  EXPECT_EQ(h.height, 0x7FFFFFFF);
  uint8_t line[5];
  for (int y = 0; y < 10; ++y) ASSERT_EQ(node->read(line), 5) << y;
  EXPECT_EQ(node->read(line), 0);
  EXPECT_EQ(node->read(line), 0);
  node->end();

  // T.43: past the last line the node says 0 and leaves the buffer alone.
  RstHeader g = jbig_header(9, 3, 8, 1, RstColorType::default_gray());
  JbigBytes t43 = jbig_write_t43(g, jbig_random_lines(g, 12));
  ByteArrayInputStorage in43(t43.data(), int32_t(t43.size()));
  RstReadJBIGT43* node43 = RstReadJBIGT43::create(&in43, nullptr);
  ASSERT_NE(node43, nullptr);
  uint8_t l9[9];
  for (int y = 0; y < 3; ++y) ASSERT_EQ(node43->read(l9), 9);
  std::fill(l9, l9 + 9, 0x5A);
  EXPECT_EQ(node43->read(l9), 0);
  EXPECT_EQ(std::count(l9, l9 + 9, 0x5A), 9);
  node43->end();
}

TEST(JbigReaders, ResetDeliversTheFirstLineAgain) {
  RstHeader b = jbig_header(70, 50, 1, 1, RstColorType::default_gray_reverse());
  RstHeader c = jbig_header(20, 50, 8, 3, RstColorType::itu_lab());
  JbigLines bl = jbig_random_lines(b, 13), cl = jbig_random_lines(c, 14);
  JbigBytes bc = jbig_write_t85(b, bl), cc = jbig_write_t43(c, cl);
  ByteArrayInputStorage bin(bc.data(), int32_t(bc.size())), cin(cc.data(), int32_t(cc.size()));
  RstRead* nodes[] = {RstReadJBIGT85::create(&bin, nullptr), RstReadJBIGT43::create(&cin, nullptr)};
  const JbigLines* wanted[] = {&bl, &cl};
  for (int i = 0; i < 2; ++i) {
    ASSERT_NE(nodes[i], nullptr);
    JbigBytes line(size_t(nodes[i]->line_size()));
    for (int y = 0; y < 33; ++y) ASSERT_GT(nodes[i]->read(line.data()), 0);
    nodes[i]->reset();
    for (size_t y = 0; y < 50; ++y) {
      ASSERT_GT(nodes[i]->read(line.data()), 0);
      ASSERT_EQ(line, (*wanted[i])[y]) << i << " " << y;
    }
    nodes[i]->end();
  }
}

TEST(JbigReaders, DataCutInsideAStripeEndsWithOneWarning) {
  for (bool t43 : {false, true}) {
    ReportLog log;
    RstHeader h = t43 ? jbig_header(100, 60, 1, 3, RstColorType::default_rgb())
                      : jbig_header(100, 60, 1, 1, RstColorType::default_gray_reverse());
    JbigLines lines = jbig_random_lines(h, 15);
    RstEncodeJBIGT85Option o85(20, 0, 0);
    RstEncodeJBIGT43Option o43(20, 0, 200, 0);
    JbigBytes code = t43 ? jbig_write_t43(h, lines, &o43) : jbig_write_t85(h, lines, &o85);
    code.resize(code.size() * 2 / 3);
    JbigRead r = t43 ? jbig_read<RstReadJBIGT43>(code) : jbig_read<RstReadJBIGT85>(code);
    ASSERT_TRUE(r.made);
    ASSERT_GE(r.lines.size(), 20u);
    ASSERT_LT(r.lines.size(), 60u);
    for (size_t y = 0; y < r.lines.size(); ++y) EXPECT_EQ(r.lines[y], lines[y]) << y;
    EXPECT_EQ(log.reports.size(), 1u);
    EXPECT_TRUE(log.has(4, t43 ? "RstReadJBIGT43::read()" : "RstReadJBIGT85::read()"));
  }
}

// T.43 data of a 16 x 4 image: the head given, then the BIE of P planes.
JbigBytes t43_with_head(const JbigBytes& head, uint8_t planes) {
  JbigImage image = jbig_random_image(16, 4, planes, 3);
  JbigBytes code = head;
  JbigBytes bie = jbig_encode(image, {128, 0, 3, 3});
  code.insert(code.end(), bie.begin(), bie.end());
  code.insert(code.end(), {0xFF, 0xA9});
  return code;
}

JbigBytes g3fax0(uint8_t cs, std::vector<uint8_t> comps, uint16_t length = 0x12) {
  JbigBytes b = {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length), 'G', '3', 'F', 'A', 'X', 0, 0x07, 0xCD, 0, 200,
                 0,    cs};
  b.insert(b.end(), comps.begin(), comps.end());
  b.resize(b.size() + (length - 0x12 + 0u), 0);
  return b;
}

JbigBytes palette_segment(uint32_t length, uint16_t wide, uint32_t entries, size_t data) {
  JbigBytes b = {0xFF, 0xE3, 0, 0, 0, 0, 'G', '3', 'F', 'A', 'X', 3, uint8_t(wide >> 8), uint8_t(wide), 0, 0, 0, 0};
  put32(b, 2, length);
  put32(b, 14, entries);
  for (size_t i = 0; i < data; ++i) b.push_back(uint8_t(0x10 + i));
  return b;
}

const JbigBytes kEnd = {0xFF, 0xE1, 0x00, 0x08, 'G', '3', 'F', 'A', 'X', 0xFF};

JbigBytes join(std::initializer_list<JbigBytes> parts) {
  JbigBytes b;
  for (const auto& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

TEST(JbigReaders, HeadsWithoutAStage) {
  const JbigBytes start = {0xFF, 0xA8};
  struct Case {
    const char* what;
    JbigBytes head;
    uint8_t planes;
  } cases[] = {
      {"no start marker", join({{0xFF, 0xA9}, g3fax0(0x20, {8, 0, 0, 0}), kEnd}), 8},
      {"bare BIH", {}, 1},
      {"G3FAX0 of 19 bytes", join({start, g3fax0(0x20, {8, 0, 0, 0}, 0x13), kEnd}), 8},
      {"not G3FAX", join({start, JbigBytes{0xFF, 0xE1, 0, 8, 'G', '3', 'F', 'A', 'Y', 0}, kEnd}), 8},
      {"other marker", join({start, JbigBytes{0xFF, 0xE2, 0, 8, 'G', '3', 'F', 'A', 'X', 0}, kEnd}), 8},
      {"no G3FAX0", join({start, kEnd}), 3},
      {"300 palette entries", join({start, g3fax0(0x10, {8, 0, 0, 0}), palette_segment(916, 0, 300, 900), kEnd}), 8},
      {"components 8 8 8 over P 8", join({start, g3fax0(0x30, {8, 8, 8, 0}), kEnd}), 8},
      {"gray of 4 bits", join({start, g3fax0(0x20, {4, 0, 0, 0}), kEnd}), 4},
      {"palette of 256 in 100 bytes", join({start, g3fax0(0x10, {8, 0, 0, 0}), palette_segment(100, 0, 256, 82), kEnd}),
       8},
      {"palette form without palette", join({start, g3fax0(0x10, {8, 0, 0, 0}), kEnd}), 8},
      {"colour space 0x40", join({start, g3fax0(0x40, {8, 0, 0, 0}), kEnd}), 8},
      {"length below the identifier", join({start, JbigBytes{0xFF, 0xE1, 0, 4, 'G', '3', 'F', 'A', 'X', 0}, kEnd}), 8},
  };
  for (const Case& c : cases) {
    ReportLog log;
    JbigBytes code = t43_with_head(c.head, c.planes);
    ByteArrayInputStorage in(code.data(), int32_t(code.size()));
    EXPECT_EQ(RstReadJBIGT43::create(&in, nullptr), nullptr) << c.what;
    EXPECT_TRUE(log.has(-1, "RstReadJBIGT43")) << c.what;
    EXPECT_TRUE(log.has(-12, "RstReadJBIGT43::create()")) << c.what;
    EXPECT_EQ(in.tell(), 0) << c.what;
  }
}

TEST(JbigReaders, PaletteEntriesOf16BitsKeepTheirHighBits) {
  JbigBytes pal = palette_segment(16 + 6 * 2, 1, 2, 0);
  for (uint16_t v : {0x0FFFu, 0x0123u, 0x0ABCu, 0x0010u, 0x0F00u, 0x0000u})
    pal.insert(pal.end(), {uint8_t(v >> 8), uint8_t(v)});
  JbigBytes code = t43_with_head(join({{0xFF, 0xA8}, g3fax0(0x10, {8, 0, 0, 0}), pal, kEnd}), 8);
  JbigRead r = jbig_read<RstReadJBIGT43>(code);
  ASSERT_TRUE(r.made);
  ASSERT_TRUE(r.header.colormap);
  const uint8_t* d = r.header.colormap->data();
  EXPECT_EQ(JbigBytes(d, d + 9), (JbigBytes{0xFF, 0x12, 0xAB, 0x01, 0xF0, 0x00, 0, 0, 0}));
  EXPECT_EQ(r.lines.size(), 4u);
}

TEST(JbigReaders, EveryAllocationRefusedEndsCleanly) {
  RstHeader h = jbig_header(20, 8, 8, 1, RstColorType::itu_lab());
  h.colormap = lab_map();
  JbigBytes code = jbig_write_t43(h, jbig_random_lines(h, 16));
  for (int64_t n = 1;; ++n) {
    ReportLog log;
    ByteArrayInputStorage in(code.data(), int32_t(code.size()));
    RstAllocFault::fail_nth(n);
    RstReadJBIGT43Header* header = RstReadJBIGT43::private_header(&in);
    bool hit = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    if (header) {
      // A header that says 1 has its stage and its colormap.
      EXPECT_EQ(header->status, 1);
      EXPECT_NE(header->stage(), nullptr);
      EXPECT_TRUE(header->header.colormap);
      rst_release(header);
    } else {
      EXPECT_FALSE(log.reports.empty()) << n;
    }
    if (!hit) break;
  }
}

TEST(JbigReaders, CreateRefusals) {
  ReportLog log;
  EXPECT_EQ(RstReadJBIGT85::create(nullptr, nullptr), nullptr);
  EXPECT_TRUE(log.has(-2, "RstReadJBIGT85::create()"));
  EXPECT_EQ(RstReadJBIGT43::private_header(nullptr), nullptr);
  EXPECT_TRUE(log.has(-2, "RstReadJBIGT43"));
  JbigBytes junk = {0, 0, 2, 0, 0, 0, 0, 8, 0, 0, 0, 8, 0, 0, 0, 8, 0, 0, 0, 0};  // P 2 in a T.85 entity
  ByteArrayInputStorage in(junk.data(), int32_t(junk.size()));
  EXPECT_EQ(RstReadJBIGT85::create(&in, nullptr), nullptr);
  EXPECT_TRUE(log.has(-1, "RstReadJBIGT85::private_header()"));
  EXPECT_TRUE(log.has(-12, "RstReadJBIGT85::create()"));
}

TEST(JbigReaders, StageLimitsItsLinesAndRefusesHugePlanes) {
  RstHeader h = jbig_header(30, 20, 1, 1, RstColorType::default_gray_reverse());
  JbigBytes code = jbig_write_t85(h, jbig_random_lines(h, 17));
  ByteArrayInputStorage in(code.data(), int32_t(code.size()));
  RstInstanceTolvane* stage = rst_jbig_t85_decoder_create(&in, 5);
  ASSERT_NE(stage, nullptr);
  TolvaneImageInfo info;
  stage->info(&info);
  EXPECT_EQ(info.height, 5);
  EXPECT_EQ(info.format, 0x10049u);
  uint8_t line[4];
  for (int y = 0; y < 5; ++y) EXPECT_EQ(stage->line(line), 1);
  EXPECT_EQ(stage->line(line), 0);
  stage->close();

  // 24 planes of 32768 x 0x7FFFFFFF coded whole: far above the plane limit.
  JbigBytes huge =
      join({{0xFF, 0xA8}, g3fax0(0x30, {8, 8, 8, 0}), kEnd, JbigBytes{0,    0,    24, 0, 0, 0,   0x80, 0, 0x7F, 0xFF,
                                                                      0xFF, 0xFF, 0,  0, 0, 128, 0,    0, 2,    0}});
  ByteArrayInputStorage hin(huge.data(), int32_t(huge.size()));
  EXPECT_EQ(rst_jbig_t43_decoder_create(&hin, 0x7FFFFFFF), nullptr);
  EXPECT_EQ(hin.tell(), 0);
}

}  // namespace
