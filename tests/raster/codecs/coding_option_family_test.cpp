// The JPEG and JBIG coding options and the JPEG table records they share:
// encode types and clones of every option class, the lifetime of shared
// tables, and the reported allocation failures.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <tuple>
#include <typeinfo>
#include <string>

#include "node_support.h"
#include "raster/codecs/rst_coding_option.h"
#include "raster/codecs/rst_jbig_option.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/codecs/rst_jpeg_tables.h"
#include "raster/core/rst_alloc.h"

namespace {

// A table set with a quantisation table in slot 0 and one Huffman table in
// each of slot 1 (DC) and slot 2 (AC).
RstJPEGTables make_tables() {
  uint8_t q[64];
  for (int k = 0; k < 64; ++k) q[k] = static_cast<uint8_t>(k + 1);
  RstJPEGQTableArray qa;
  qa[0].reset(new RstJPEGQTable(q, true));
  RstHuffmanTableArray dc, ac;
  dc[1].reset(new RstHuffmanTable());
  dc[1]->add(0, 0, 2);
  ac[2].reset(new RstHuffmanTable());
  ac[2]->add(1, 0b10, 2);
  return RstJPEGTables(qa, dc, ac);
}

TEST(CodingOptionFamily, ClonesKeepClassEncodeTypeAndFields) {
  RstEncodeJPEGOption ejpeg(33, RstJPEGSampling::s422);
  ejpeg.down_sampling_mode = 2;
  RstJPEGTables set = make_tables();
  RstJPEGOption jpeg(&set, RstColorType::s_ycbcr());
  RstEncodeJBIGT85Option t85(128, 8, 0x48);
  RstEncodeJBIGT43Option t43(64, 0, 200, 0x81);
  RstMROption mr(1, 0, 0, 1, 2);

  struct Case {
    const RstCodingOption* option;
    int32_t type;
    const char* clone_where;
  };
  const Case cases[] = {
      {&mr, 2, "RstMROption::clone()"},
      {&jpeg, 4, "RstJPEGOption::clone()"},
      {&ejpeg, 4, "RstEncodeJPEGOption::clone()"},
      {&t85, 6, "RstEncodeJBIGT85Option::clone()"},
      {&t43, 7, "RstEncodeJBIGT43Option::clone()"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clone_where);
    EXPECT_EQ(c.option->encode_type(), c.type);
    std::unique_ptr<RstCodingOption> copy(c.option->clone());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->encode_type(), c.type);
    EXPECT_EQ(typeid(*copy), typeid(*c.option));

    ReportLog log;
    RstAllocFault::fail_nth(1);
    EXPECT_EQ(c.option->clone(), nullptr);
    RstAllocFault::clear();
    EXPECT_TRUE(log.has(-1, c.clone_where));
  }

  std::unique_ptr<RstCodingOption> c1(mr.clone()), c2(ejpeg.clone()), c3(t85.clone()), c4(t43.clone());
  auto* mr2 = dynamic_cast<RstMROption*>(c1.get());
  EXPECT_EQ(mr2->k, 2);
  EXPECT_EQ(mr2->eol, 1);
  auto* e2 = dynamic_cast<RstEncodeJPEGOption*>(c2.get());
  EXPECT_EQ(std::tie(e2->quality, e2->sampling, e2->down_sampling_mode),
            std::tie(ejpeg.quality, ejpeg.sampling, ejpeg.down_sampling_mode));
  EXPECT_FALSE(e2->tables);
  EXPECT_EQ(e2->color_type, nullptr);
  auto* t85b = dynamic_cast<RstEncodeJBIGT85Option*>(c3.get());
  EXPECT_EQ(std::tie(t85b->l0, t85b->mx, t85b->options), std::tie(t85.l0, t85.mx, t85.options));
  auto* t43b = dynamic_cast<RstEncodeJBIGT43Option*>(c4.get());
  EXPECT_EQ(std::tie(t43b->l0, t43b->mx, t43b->header_word, t43b->options),
            std::tie(t43.l0, t43.mx, t43.header_word, t43.options));
  EXPECT_EQ(RstEncodeJPEGOption(75, RstJPEGSampling::s420).down_sampling_mode, 1);
}

// A JPEG option copies the arrays of the set it is given (sharing the tables);
// its clone gets a set of its own over the same tables, while the encoder
// option's clone shares the set itself. Tables outlive the option released
// first (ASan checks the reads).
TEST(CodingOptionFamily, TableSetsAreSharedAndOutliveTheirSource) {
  RstJPEGTables set = make_tables();
  RstJPEGQTable* q = set.quantization[0].get();
  EXPECT_EQ(set.quantization[0].use_count(), 1);
  auto source = std::make_unique<RstJPEGOption>(&set, RstColorType::s_rgb());
  ASSERT_TRUE(source->tables);
  EXPECT_EQ(source->tables->quantization[0].get(), q);
  EXPECT_EQ(set.quantization[0].use_count(), 2);
  EXPECT_EQ(source->tables->dc[1].get(), set.dc[1].get());
  EXPECT_EQ(source->tables->ac[2].get(), set.ac[2].get());
  EXPECT_FALSE(source->tables->dc[0]);
  EXPECT_EQ(source->tables->ac.slot_count(), 4);

  std::unique_ptr<RstCodingOption> plain(source->clone());
  auto* plain_jpeg = dynamic_cast<RstJPEGOption*>(plain.get());
  ASSERT_TRUE(plain_jpeg && plain_jpeg->tables);
  EXPECT_NE(plain_jpeg->tables.get(), source->tables.get()) << "a set of its own";
  EXPECT_EQ(plain_jpeg->tables->quantization[0].get(), q);
  EXPECT_EQ(plain_jpeg->color_type, RstColorType::s_rgb());

  RstEncodeJPEGOption encode(90, RstJPEGSampling::s444);
  static_cast<RstJPEGOption&>(encode) = *source;  // assignment shares the set and copies the colour type
  EXPECT_EQ(encode.tables.get(), source->tables.get());
  EXPECT_EQ(encode.quality, 90);
  std::unique_ptr<RstCodingOption> shared(encode.clone());
  auto* shared_jpeg = dynamic_cast<RstEncodeJPEGOption*>(shared.get());
  EXPECT_EQ(shared_jpeg->tables.get(), source->tables.get()) << "the encoder option's clone shares the set";
  EXPECT_EQ(source->tables.use_count(), 3);

  source.reset();
  encode = RstEncodeJPEGOption(1, 0);
  EXPECT_EQ(shared_jpeg->tables.use_count(), 1);
  EXPECT_EQ(shared_jpeg->tables->quantization[0]->at(0, 1), 2u) << "zig-zag value 1 is at row 0, column 1";
  EXPECT_EQ(shared_jpeg->tables->dc[1]->entries()[0].length, 2u);
  EXPECT_EQ(plain_jpeg->tables->ac[2]->entries()[0].code, 0b10u);
  EXPECT_EQ(set.quantization[0].use_count(), 3);
}

TEST(CodingOptionFamily, TableRecordsPlaceValuesAndReportNoMemory) {
  uint16_t wide[64];
  for (int k = 0; k < 64; ++k) wide[k] = static_cast<uint16_t>(1000 + k);
  RstJPEGQTable natural(wide, false), zigzag(wide, true);
  const uint8_t* zz = RstJPEGQTable::zigzag_order();
  for (int k = 0; k < 64; ++k) {
    EXPECT_EQ(natural.values()[k], 1000u + k);
    EXPECT_EQ(zigzag.values()[zz[k]], 1000u + k);
  }
  EXPECT_EQ(zigzag.at(1, 0), 1002u) << "the third zig-zag value goes down the first column";
  EXPECT_EQ(zigzag.at(7, 7), 1063u);
  EXPECT_TRUE(zigzag.owns_values());
  unsigned int borrowed[64] = {};
  RstBlock<unsigned int, 8> view(borrowed);
  EXPECT_FALSE(view.owns_values());
  EXPECT_EQ(RstJPEGQTableArray(2).slot_count(), 2);

  ReportLog log;
  struct Case {
    std::function<bool()> make;  // true when the record came out usable
    const char* where;
  };
  const Case cases[] = {
      {[&] { return RstJPEGQTable(wide, true).ok(); }, "RstBlock::RstBlock()"},
      {[] { return RstHuffmanTableArray(4).ok(); }, "RstHuffmanTableArray::RstHuffmanTableArray()"},
      {[] { return RstJPEGQTableArray(4).ok(); }, "RstJPEGQTableArray::RstJPEGQTableArray()"},
  };
  for (const Case& c : cases) {
    RstAllocFault::fail_nth(1);
    EXPECT_FALSE(c.make()) << c.where;
    RstAllocFault::clear();
    EXPECT_TRUE(log.has(-1, c.where)) << c.where;
  }

  RstJPEGTables set = make_tables();
  for (int nth : {1, 2}) {  // the set, then its count
    RstAllocFault::fail_nth(nth);
    RstJPEGOption option(&set, nullptr);
    RstAllocFault::clear();
    EXPECT_FALSE(option.tables) << nth;
  }
  EXPECT_EQ(log.count(-1), 3u + 2u);
  EXPECT_TRUE(log.has(-1, "RstJPEGOption::RstJPEGOption()"));
  EXPECT_EQ(set.quantization[0].use_count(), 1) << "nothing leaked a reference";
}

TEST(CodingOptionFamily, SamplingCodesMapToSubsampling) {
  struct Case {
    uint32_t code;
    int32_t h, v;
  };
  const Case cases[] = {{0x11101110, 1, 1}, {0x12201110, 2, 1}, {0x12201220, 2, 2}, {0x14401110, 4, 1}};
  for (const Case& c : cases) {
    const RstJPEGSampling::Entry* e = RstJPEGSampling::find(c.code);
    ASSERT_TRUE(e);
    EXPECT_EQ(std::tie(e->horizontal, e->vertical), std::tie(c.h, c.v));
    EXPECT_EQ(RstJPEGSampling::find(c.h, c.v), e);
  }
  EXPECT_EQ(RstJPEGSampling::find(0x12201221u), nullptr);
  EXPECT_EQ(RstJPEGSampling::find(1, 2), nullptr);
}

}  // namespace
