// The bilevel coding options, the entry-by-entry code table, and the
// allocation failures of the decoders' buffers.
#include "raster/codecs/rst_coding_option.h"

#include <memory>

#include "ccitt_support.h"
#include "raster/codecs/rst_huffman_table.h"
#include "raster/core/rst_alloc.h"

namespace {

TEST(CodingOption, FieldsEncodeTypesAndClones) {
  RstMHOption mh(1, 1, 0, 1, 1);
  RstMROption mr(1, 0, 1, 1, 4);
  RstMMROption mmr(0, 1);
  EXPECT_EQ(mh.encode_type(), 1);
  EXPECT_EQ(mr.encode_type(), 2);
  EXPECT_EQ(mmr.encode_type(), 3);
  EXPECT_EQ(mr.eol, 1) << "two-dimensional coding always has EOLs";
  EXPECT_EQ(mr.reserved, 1);
  EXPECT_EQ(mr.byte_align, 1);
  EXPECT_EQ(mr.k, 4);

  std::unique_ptr<RstCodingOption> c1(mh.clone()), c2(mr.clone()), c3(mmr.clone());
  auto* mh2 = dynamic_cast<RstMHOption*>(c1.get());
  auto* mr2 = dynamic_cast<RstMROption*>(c2.get());
  auto* mmr2 = dynamic_cast<RstMMROption*>(c3.get());
  ASSERT_TRUE(mh2 && mr2 && mmr2);
  EXPECT_EQ(dynamic_cast<RstMROption*>(c1.get()), nullptr) << "an MH clone is not an MR option";
  EXPECT_EQ(std::tie(mh2->end_code, mh2->uncompressed_mode, mh2->eol, mh2->reserved, mh2->byte_align),
            std::tie(mh.end_code, mh.uncompressed_mode, mh.eol, mh.reserved, mh.byte_align));
  EXPECT_EQ(std::tie(mr2->end_code, mr2->eol, mr2->byte_align, mr2->k),
            std::tie(mr.end_code, mr.eol, mr.byte_align, mr.k));
  EXPECT_EQ(std::tie(mmr2->end_code, mmr2->uncompressed_mode), std::tie(mmr.end_code, mmr.uncompressed_mode));

  ReportLog log;
  struct Case {
    const RstCodingOption* option;
    const char* where;
  };
  const Case cases[] = {{&mh, "RstMHOption::clone()"}, {&mr, "RstMROption::clone()"}, {&mmr, "RstMMROption::clone()"}};
  for (const Case& c : cases) {
    RstAllocFault::fail_nth(1);
    EXPECT_EQ(c.option->clone(), nullptr);
    RstAllocFault::clear();
    EXPECT_TRUE(log.has(-1, c.where));
  }
}

TEST(HuffmanTable, AddIndexesValuesAndCopiesShareEntries) {
  RstHuffmanTable t;
  EXPECT_TRUE(t.add(5, 0b101, 3));
  EXPECT_TRUE(t.add(-7, 0b0, 1));
  EXPECT_TRUE(t.add(2, 0b11, 2));
  EXPECT_EQ(t.entry_count(), 3);
  EXPECT_EQ(t.value_index_size(), 6);
  EXPECT_EQ(t.position_of(5), 0);
  EXPECT_EQ(t.position_of(2), 2);
  EXPECT_EQ(t.position_of(-7), 1) << "negative values are found by search";
  EXPECT_EQ(t.position_of(3), -1);
  EXPECT_TRUE(t.bits().empty());
  RstHuffmanTable copy(t);
  EXPECT_EQ(&copy.entries(), &t.entries());

  ReportLog log;
  RstAllocFault::fail_nth(1);
  RstHuffmanTable broken;
  RstAllocFault::clear();
  EXPECT_FALSE(broken.ok());
  EXPECT_TRUE(log.has(-1, "RstHuffmanTable::RstHuffmanTable()"));
  RstHuffmanTable grows;
  RstAllocFault::fail_nth(1);
  EXPECT_FALSE(grows.add(1, 1, 1));
  RstAllocFault::clear();
  EXPECT_TRUE(log.has(-1, "RstHuffmanTable::add()"));
}

// The decoder node, its code buffer and its reference line are allocated in
// turn; a failure of either buffer reports and no node is made.
TEST(CCITTDecode, BufferAllocationFailuresFailCreate) {
  RstDecodeCCITTBWTables::mode_huffman_table(-9999);
  RstDecodeCCITTBWTables::black_huffman_table(-9999);
  RstDecodeCCITTBWTables::white_huffman_table(-9999);
  struct Case {
    int nth;
    const char* where;
  };
  const Case cases[] = {
      {1, "rst_create_end()"}, {2, "RstCodeBuffer::RstCodeBuffer()"}, {3, "RstDecodeCCITT2D::initiate()"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    ReportLog log;
    auto* src = new ChunkSource(make_header(16, 2, RstDataForm::mmr), {}, 64);
    RstAllocFault::fail_nth(c.nth);
    EXPECT_EQ(RstDecodeMMR::create(src, nullptr), nullptr);
    RstAllocFault::clear();
    EXPECT_TRUE(log.has(-1, c.where));
    src->end();
  }
}

}  // namespace
