// The stage byte streams over input and output storages, the colour codes of
// stage descriptions and the error stage.
#include <gtest/gtest.h>

#include <vector>

#include "node_support.h"
#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_stage.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_alloc.h"

namespace {

struct StreamCloser {
  void operator()(BrenvoldStream* s) const { s->close(); }
};
using StreamPtr = std::unique_ptr<BrenvoldStream, StreamCloser>;

TEST(StageStream, ReadIsAllOrNothingAndSeekChecksTheDistance) {
  std::vector<uint8_t> bytes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  ByteArrayInputStorage storage(bytes);
  StreamPtr s(rstCreateStreamByBrenvoldInputStorage(&storage));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->handle(), &storage);
  uint8_t buf[12];
  EXPECT_EQ(s->read(buf, 4, 3), 0);  // 12 bytes asked, 10 there
  EXPECT_EQ(s->seek(0, 0), 0);
  EXPECT_EQ(s->read(buf, 4, 2), 2);
  EXPECT_EQ(buf[7], 7);
  EXPECT_EQ(s->tell(), 8);
  EXPECT_EQ(s->seek(5, 1), -1);  // moves only 2
  EXPECT_EQ(s->tell(), 10);
  EXPECT_EQ(s->getc(), -1);
  EXPECT_EQ(s->seek(-3, 2), 0);
  EXPECT_EQ(s->getc(), 7);
  EXPECT_EQ(s->seek(1, 2), -1);
  EXPECT_EQ(s->seek(0, 3), -1);
  EXPECT_EQ(s->seek(4, 0), 0);
  EXPECT_EQ(s->read_available(buf, 12), 6);
  // The output side of an input stream answers with its failure values.
  EXPECT_EQ(s->write(buf, 1, 1), 0);
  EXPECT_EQ(s->putc(1), -1);
  EXPECT_EQ(s->put16(1), -1);
  EXPECT_EQ(s->put32(1), -1);
  EXPECT_EQ(s->flush(), 1);
}

TEST(StageStream, ValuesFollowTheByteOrder) {
  std::vector<uint8_t> bytes = {0x12, 0x34, 0x12, 0x34, 0xFF, 0xFF, 0xFF, 0xFF,
                                0xFF, 0xFF, 0x01, 0x02, 0x03, 0x04, 0xAB};
  ByteArrayInputStorage storage(bytes);
  StreamPtr s(rstCreateStreamByBrenvoldInputStorage(&storage));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->get_byte_order(), 0);  // big-endian when made
  EXPECT_EQ(s->set_byte_order(1), 0);
  EXPECT_EQ(s->get16(), 0x3412);
  EXPECT_EQ(s->set_byte_order(0), 1);
  EXPECT_EQ(s->get16(), 0x1234);
  EXPECT_EQ(s->get16(), 65535);  // a legal value, not the failure
  EXPECT_EQ(s->get32(), 0xFFFFFFFFLL);
  s->set_byte_order(1);
  EXPECT_EQ(s->get32(), 0x04030201LL);
  EXPECT_EQ(s->get16(), -1);  // one byte left
  EXPECT_EQ(s->get32(), -1);
}

TEST(StageStream, OutputWritesInTheByteOrder) {
  MemoryOutputStorage storage;
  StreamPtr s(rstCreateStreamByBrenvoldOutputStorage(&storage));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->put16(0x1234), 0x1234);
  EXPECT_EQ(s->set_byte_order(1), 0);
  EXPECT_EQ(s->get_byte_order(), 1);
  EXPECT_EQ(s->put16(0x1234), 0x1234);
  EXPECT_EQ(s->put32(0xA1B2C3D4u), 0xA1B2C3D4LL);
  EXPECT_EQ(s->putc(0x7F), 0x7F);
  const uint8_t block[3] = {9, 8, 7};
  EXPECT_EQ(s->write(block, 3, 1), 1);
  EXPECT_EQ(s->tell(), 12);
  EXPECT_EQ(s->seek(2, 0), 0);
  EXPECT_EQ(s->tell(), 2);
  // The input side answers with its failure values.
  uint8_t buf[2];
  EXPECT_EQ(s->read(buf, 1, 1), 0);
  EXPECT_EQ(s->getc(), -1);
  EXPECT_EQ(s->get16(), -1);
  EXPECT_EQ(s->get32(), -1);
  s.reset();
  std::unique_ptr<InputStorage> in(storage.to_input_storage());
  ASSERT_TRUE(in);
  std::vector<uint8_t> got(12);
  ASSERT_EQ(in->read(got.data(), 12), 12);
  EXPECT_EQ(got, (std::vector<uint8_t>{0x12, 0x34, 0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1, 0x7F, 9, 8, 7}));
}

TEST(StageStream, ShortWritesFail) {
  uint8_t target[3];
  ByteArrayOutputStorage storage(target, 3);
  StreamPtr s(rstCreateStreamByBrenvoldOutputStorage(&storage));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->put16(1), 1);
  EXPECT_EQ(s->put16(2), -1);
  EXPECT_EQ(s->put32(2), -1);
}

TEST(StageStream, FactoriesRefuseNullAndReportMissingMemory) {
  ReportLog log;
  EXPECT_EQ(rstCreateStreamByBrenvoldInputStorage(nullptr), nullptr);
  EXPECT_EQ(rstCreateStreamByBrenvoldOutputStorage(nullptr), nullptr);
  EXPECT_TRUE(log.reports.empty());
  ByteArrayInputStorage in(std::vector<uint8_t>{1});
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(rstCreateStreamByBrenvoldInputStorage(&in), nullptr);
  MemoryOutputStorage out;
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(rstCreateStreamByBrenvoldOutputStorage(&out), nullptr);
  RstAllocFault::clear();
  EXPECT_TRUE(log.has(-1, "rstCreateStreamByBrenvoldInputStorage()"));
  EXPECT_TRUE(log.has(-1, "rstCreateStreamByBrenvoldOutputStorage()"));
}

TEST(StageProtocol, ColourCodesBothWays) {
  const struct {
    uint16_t code;
    RstColorType* type;
  } cases[] = {
      {0x0008, RstColorType::default_rgb()},
      {0x0025, RstColorType::icc_lab()},
      {0x0027, RstColorType::itu_lab()},
      {0x0028, RstColorType::default_ycbcr()},
      {0x0047, RstColorType::icc_lstar()},
      {0x0048, RstColorType::default_gray()},
      {0x0049, RstColorType::default_gray_reverse()},
      {0x0060, RstColorType::default_cmyk()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TolvaneColorCode::from_color_type(c.type), c.code);
    EXPECT_EQ(TolvaneColorCode::to_color_type(c.code), c.type) << std::hex << c.code;
    // Only the low 16 bits of a format word count.
    EXPECT_EQ(TolvaneColorCode::to_color_type(0x00180000u | c.code), c.type);
  }
  EXPECT_EQ(TolvaneColorCode::from_color_type(RstColorType::hsl()), 0xFFFF);
  EXPECT_EQ(TolvaneColorCode::from_color_type(RstColorType::ntsc_rgb()), 0xFFFF);
  EXPECT_EQ(TolvaneColorCode::from_color_type(nullptr), 0xFFFF);
  EXPECT_EQ(TolvaneColorCode::to_color_type(0x1234), RstColorType::none());
  EXPECT_EQ(TolvaneColorCode::to_color_type(0xFFFF), RstColorType::none());
  EXPECT_EQ(RstColorType::none()->channels(), 0);
}

TEST(StageProtocol, ErrorInstanceAnswersItsCode) {
  RstInstanceTolvane* e = rst_create_error_instance(-14);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->status, -14);
  TolvaneImageInfo info;
  uint8_t line[4];
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(e->line(line), -14);
    EXPECT_EQ(e->info(&info), -14);
  }
  EXPECT_EQ(rst_close_instance(e), 1);
  EXPECT_EQ(rst_close_instance(nullptr), -2);
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(rst_create_error_instance(-1), nullptr);
  RstAllocFault::clear();
}

}  // namespace
