// Memory, byte-array and consecutive storages: growth in blocks shared with
// the input made from them, the fixed array's limits, running out of memory,
// and reading parts one after another.
#include <gtest/gtest.h>

#include <memory>

#include "raster/core/byte_array_storage.h"
#include "raster/core/consecutive_input_storage.h"
#include "raster/core/memory_storage.h"
#include "rst_status_recorder.h"
#include "storage_test_support.h"

namespace {

using storage_test::pattern;

class MemoryStorage : public RstStatusTest {};

TEST_F(MemoryStorage, ByteArrayOutputStopsAtTheArraysEnd) {
  uint8_t a[4] = {9, 9, 9, 9};
  ByteArrayOutputStorage out(a, 4);
  EXPECT_EQ(out.size(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out.put(0x100 + i), i);
  EXPECT_EQ(out.put(7), -1);
  ASSERT_EQ(out.seek(2), 2);
  std::vector<uint8_t> ten = pattern(10, 0x50);
  EXPECT_EQ(out.write(ten.data(), 10), 2);
  EXPECT_EQ(out.seek(1), 1);
  EXPECT_EQ(out.skip(10), 3);
  EXPECT_EQ(out.seek_from_end(-9), -4);
  EXPECT_EQ((std::vector<uint8_t>(a, a + 4)), (std::vector<uint8_t>{0, 1, 0x50, 0x51}));
  std::unique_ptr<InputStorage> in(out.to_input_storage());
  EXPECT_TRUE(out.is_closed());
  ASSERT_TRUE(in);
  EXPECT_EQ(in->size(), 4);
  EXPECT_EQ(in->get(), 0);
}

TEST_F(MemoryStorage, GrowsInBlocksAndOutlivesItsWriter) {
  std::vector<uint8_t> data = pattern(10000, 3);
  std::unique_ptr<InputStorage> in;
  {
    MemoryOutputStorage out(8192);
    ASSERT_FALSE(out.is_closed());
    EXPECT_EQ(out.write(data.data(), 10000), 10000);
    EXPECT_EQ(out.size(), 10000);
    EXPECT_EQ(out.blocks()->block_count(), 2);
    in.reset(out.to_input_storage());
    EXPECT_TRUE(out.is_closed());
  }
  ASSERT_TRUE(in);
  std::vector<uint8_t> got(20000);
  EXPECT_EQ(in->read(got.data(), 20000), 10000);
  got.resize(10000);
  EXPECT_EQ(got, data);
  EXPECT_EQ(in->seek(8191), 8191);
  EXPECT_EQ(in->get(), data[8191]);
  EXPECT_EQ(in->get(), data[8192]);
}

TEST_F(MemoryStorage, SkipAppendsZerosAndOverwritingKeepsTheSize) {
  MemoryOutputStorage out(16);
  std::vector<uint8_t> data = pattern(100, 1);
  ASSERT_EQ(out.write(data.data(), 100), 100);
  EXPECT_EQ(out.skip(5), 5);
  EXPECT_EQ(out.size(), 105);
  ASSERT_EQ(out.seek(10), 10);
  EXPECT_EQ(out.skip(20), 20);  // inside the data: bytes kept
  EXPECT_EQ(out.put(0xEE), 0xEE);
  EXPECT_EQ(out.size(), 105);
  EXPECT_EQ(out.seek_from_end(-2), -2);
  EXPECT_EQ(out.skip(6), 6);  // two existing bytes, four new zeros
  EXPECT_EQ(out.size(), 109);
  std::unique_ptr<InputStorage> in(out.to_input_storage());
  std::vector<uint8_t> got(109);
  ASSERT_EQ(in->read(got.data(), 109), 109);
  std::vector<uint8_t> want = data;
  want[30] = 0xEE;
  want.resize(109, 0);
  EXPECT_EQ(got, want);
}

TEST_F(MemoryStorage, RunningOutOfMemoryGivesShortCountsNeverAnException) {
  // The list itself: the storage behaves as closed.
  RstAllocFault::fail_nth(1);
  MemoryOutputStorage none(8);
  EXPECT_TRUE(none.is_closed());
  EXPECT_EQ(none.put(1), -1);
  EXPECT_EQ(none.write("abc", 3), 0);
  EXPECT_EQ(none.skip(3), 0);
  EXPECT_EQ(none.size(), 0);
  EXPECT_EQ(none.to_input_storage(), nullptr);
  // The list's count: the list is dropped rather than leaked.
  RstAllocFault::fail_nth(2);
  MemoryOutputStorage uncounted(8);
  EXPECT_TRUE(uncounted.is_closed());

  // A block, then the growth of the block vector: writing stops short there
  // and goes on once memory is back.
  std::vector<uint8_t> data = pattern(20);
  for (int64_t nth : {1, 4}) {
    SCOPED_TRACE(nth);
    MemoryOutputStorage out(4);
    RstAllocFault::fail_nth(nth);  // 1: first block; 4: vector growth for the second block
    int32_t first = out.write(data.data(), 8);
    EXPECT_EQ(first, nth == 1 ? 0 : 4);
    EXPECT_EQ(out.size(), first);
    EXPECT_EQ(out.write(data.data() + first, 20 - first), 20 - first);
    EXPECT_EQ(out.size(), 20);
    EXPECT_EQ(out.blocks()->block_count(), 5);
  }
  MemoryOutputStorage out(4);
  ASSERT_EQ(out.write(data.data(), 4), 4);
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(out.put(5), -1);
  EXPECT_EQ(out.tell(), 4);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(MemoryStorage, BlockListOverInitialBytes) {
  const uint8_t segment[] = {'E', 'x', 'i', 'f', 0};
  MemoryBlockListPtr list(MemoryBlockList::create(5, segment));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->size(), 5);
  MemoryInputStorage in(list);
  char got[8] = {};
  EXPECT_EQ(in.read(got, 8), 5);
  EXPECT_STREQ(got, "Exif");
  EXPECT_EQ(MemoryBlockList::create(0), nullptr);
  RstAllocFault::fail_nth(2);  // the list, then its block
  EXPECT_EQ(MemoryBlockList::create(5, segment), nullptr);
  MemoryInputStorage empty{MemoryBlockListPtr()};
  EXPECT_TRUE(empty.is_closed());
  EXPECT_EQ(empty.get(), -1);
  EXPECT_EQ(empty.size(), 0);
}

TEST_F(MemoryStorage, ByteArraySourceCopiesOrBorrows) {
  std::vector<uint8_t> bytes = pattern(6, 0x20);
  for (bool copy : {false, true}) {
    SCOPED_TRACE(copy);
    ByteArrayInputSource src{bytes.data(), 6, copy ? &bytes : nullptr};
    std::unique_ptr<InputStorage> in(src.create_input());
    ASSERT_TRUE(in);
    bytes[0] = 0x99;
    EXPECT_EQ(in->get(), copy ? 0x20 : 0x99);
    bytes[0] = 0x20;
    EXPECT_EQ(in->size(), 6);
  }
  ByteArrayInputSource src{nullptr, 0, &bytes};
  for (int64_t nth : {1, 2}) {  // the storage, then its copy
    RstAllocFault::fail_nth(nth);
    EXPECT_EQ(src.create_input(), nullptr);
  }
}

TEST_F(MemoryStorage, ConsecutivePartsReadAsOne) {
  ByteArrayInputStorage ab(reinterpret_cast<const uint8_t*>("AB"), 2);
  ByteArrayInputStorage cde(reinterpret_cast<const uint8_t*>("CDE"), 3);
  ConsecutiveInputStorage both({&ab, &cde});
  EXPECT_EQ(both.size(), 5);
  std::string got;
  for (int i = 0; i < 3; ++i) got += static_cast<char>(both.get());
  EXPECT_EQ(both.tell(), 3);
  EXPECT_EQ(both.move(-2), -2);
  EXPECT_EQ(both.tell(), 1);
  EXPECT_EQ(both.get(), 'B');
  for (int i = 0; i < 3; ++i) got += static_cast<char>(both.get());
  EXPECT_EQ(got, "ABCCDE");
  EXPECT_EQ(both.get(), -1);
  EXPECT_EQ(both.get(), -1);
  EXPECT_TRUE(both.seek_end());
  EXPECT_EQ(both.move(-1), -1);
  EXPECT_EQ(both.get(), 'E');
  ASSERT_TRUE(both.rewind());
  char buf[8] = {};
  EXPECT_EQ(both.read(buf, 8), 5);
  EXPECT_STREQ(buf, "ABCDE");
  both.close();
  EXPECT_TRUE(both.is_closed());
  EXPECT_EQ(both.get(), -1);
}

}  // namespace
