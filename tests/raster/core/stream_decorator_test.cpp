// Decorators: windows over a stretch of another storage, byte-order and
// bit-order conversion, detaching, and storages over a shared parent that
// never move it for its other users.
#include <gtest/gtest.h>

#include <cstring>

#include "raster/core/bit_reverse.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/data_input.h"
#include "raster/core/data_output.h"
#include "raster/core/memory_storage.h"
#include "raster/core/nested_input_storage.h"
#include "storage_test_support.h"

namespace {

using storage_test::pattern;

TEST(NestedInputStorage, ShowsOnlyItsStretch) {
  std::vector<uint8_t> data = pattern(100);
  ByteArrayInputStorage inner(data.data(), 100);
  ASSERT_EQ(inner.seek(10), 10);
  NestedInputStorage w(&inner, 10);
  EXPECT_EQ(w.size(), 10);
  EXPECT_EQ(w.tell(), 0);
  EXPECT_EQ(w.get(), 10);
  EXPECT_EQ(w.seek(15), 10);
  EXPECT_EQ(w.get(), -1);
  EXPECT_TRUE(w.at_end());
  EXPECT_EQ(inner.tell(), 20);
  EXPECT_EQ(w.seek_from_end(-3), -3);
  EXPECT_EQ(w.tell(), 7);
  EXPECT_EQ(w.seek_from_end(-30), -10);
  EXPECT_EQ(w.seek_from_end(4), 0);
  EXPECT_EQ(w.tell(), 10);
  ASSERT_EQ(w.seek(2), 2);
  EXPECT_EQ(w.move(-5), -2);
  EXPECT_EQ(inner.tell(), 10);
  EXPECT_FALSE(w.unget());
  ASSERT_EQ(w.seek(4), 4);
  uint8_t buf[50];
  EXPECT_EQ(w.read(buf, 50), 6);
  EXPECT_EQ(buf[0], 14);
  EXPECT_EQ(buf[5], 19);
  EXPECT_TRUE(w.unget());
  EXPECT_EQ(w.get(), 19);
  ASSERT_TRUE(w.rewind());
  EXPECT_EQ(w.skip(50), 10);
  w.close();
  EXPECT_TRUE(w.is_closed());
  EXPECT_EQ(w.get(), -1);
  EXPECT_EQ(w.read(buf, 5), 0);
}

TEST(NestedInputStorage, WindowPastTheInnerEndReadsWhatIsThere) {
  std::vector<uint8_t> data = pattern(12);
  ByteArrayInputStorage inner(data.data(), 12);
  inner.seek(8);
  NestedInputStorage w(&inner, 10);
  uint8_t buf[10];
  EXPECT_EQ(w.read(buf, 10), 4);
  EXPECT_EQ(w.get(), -1);
  EXPECT_EQ(w.tell(), 4);
}

TEST(DataInput, ReadsValuesInEitherByteOrder) {
  const uint8_t bytes[] = {0x00, 0x00, 0x01, 0x02, 0x01, 0x02, 0x01, 0x02, 0x02, 0x01, 0xAA};
  ByteArrayInputStorage inner(bytes, sizeof bytes);
  DataInput<> in(&inner, 0);
  uint32_t v32 = 0;
  EXPECT_TRUE(in.read_value(&v32, 4));
  EXPECT_EQ(v32, 0x102u);
  uint16_t v16 = 0;
  EXPECT_TRUE(in.read_value(&v16, 2));
  EXPECT_EQ(v16, 0x0102);
  in.set_byte_order(1);
  EXPECT_TRUE(in.read_value(&v16, 2));
  EXPECT_EQ(v16, 0x0201);
  uint8_t raw[2];
  EXPECT_EQ(in.read(raw, 2), 2);  // plain reads are not converted
  EXPECT_EQ(raw[0], 0x02);
  EXPECT_FALSE(in.read_value(&v16, 2));  // one byte left
  // A sequential stream decorates the same way.
  ByteArrayInputStorage again(bytes + 4, 2);
  DataInput<InputStream> seq(&again, 0);
  EXPECT_TRUE(seq.read_value(&v16, 2));
  EXPECT_EQ(v16, 0x0102);
}

TEST(DataInput, CloseDetachesAndLeavesTheInnerStorage) {
  std::vector<uint8_t> data = pattern(8);
  ByteArrayInputStorage inner(data.data(), 8);
  DataInput<> in(&inner, 1);
  EXPECT_EQ(in.get(), 0);
  EXPECT_EQ(in.get(), 1);
  in.close();
  EXPECT_TRUE(in.is_closed());
  EXPECT_EQ(in.get(), -1);
  EXPECT_FALSE(inner.is_closed());
  EXPECT_EQ(inner.tell(), 2);
}

TEST(DataOutput, WritesValuesInEitherByteOrder) {
  uint8_t a[10] = {};
  ByteArrayOutputStorage inner(a, 10);
  DataOutput<> out(&inner, 0);
  const uint32_t v = 0x01020304;
  EXPECT_TRUE(out.write_value(&v, 4));
  EXPECT_EQ(v, 0x01020304u);  // the caller's value is left alone
  out.set_byte_order(1);
  EXPECT_TRUE(out.write_value(&v, 4));
  const uint8_t want[] = {1, 2, 3, 4, 4, 3, 2, 1};
  EXPECT_EQ(std::memcmp(a, want, 8), 0);
  EXPECT_FALSE(out.write_value(&v, 4));  // two bytes of room
  out.close();                           // an output decorator's close does nothing
  EXPECT_FALSE(out.is_closed());
  EXPECT_EQ(out.size(), 10);
}

TEST(BitReverse, MirrorsEveryByte) {
  const struct {
    uint8_t in, out;
  } cases[] = {{0x01, 0x80}, {0x0F, 0xF0}, {0xA5, 0xA5}, {0x00, 0x00}, {0xFF, 0xFF}, {0x12, 0x48}};
  for (const auto& c : cases) EXPECT_EQ(kBitReverseTable[c.in], c.out) << int(c.in);
  for (int b = 0; b < 256; ++b) {
    ASSERT_EQ(kBitReverseTable[kBitReverseTable[b]], b);
    for (int bit = 0; bit < 8; ++bit) ASSERT_EQ((b >> bit) & 1, (kBitReverseTable[b] >> (7 - bit)) & 1);
  }

  uint8_t a[3] = {};
  ByteArrayOutputStorage inner(a, 3);
  BitReverseOutput<> out(&inner);
  const uint8_t two[] = {0x01, 0x02};
  EXPECT_EQ(out.write(two, 2), 2);
  EXPECT_EQ(a[0], 0x80);
  EXPECT_EQ(a[1], 0x40);
  EXPECT_EQ(out.put(0x0F), 0xF0);
  EXPECT_EQ(out.write(two, 2), 0);  // full: stops at the first byte not taken

  const uint8_t bytes[] = {0x01, 0x0F, 0xA5};
  ByteArrayInputStorage src(bytes, 3);
  BitReverseInput<> in(&src);
  EXPECT_EQ(in.get(), 0x80);
  uint8_t got[4];
  EXPECT_EQ(in.read(got, 4), 2);
  EXPECT_EQ(got[0], 0xF0);
  EXPECT_EQ(got[1], 0xA5);
  EXPECT_EQ(in.get(), -1);
}

TEST(SharedParent, StoragesReadIndependentlyAndNeverMoveTheParent) {
  std::vector<uint8_t> data = pattern(100);
  ByteArrayInputStorage parent(data.data(), 100);
  ASSERT_EQ(parent.seek(50), 50);
  MoveInMoveOutInputStorage<> a(&parent);  // at the parent's position
  MoveInMoveOutInputStorage<> b(&parent, 10);
  EXPECT_EQ(a.tell(), 50);
  EXPECT_EQ(a.get(), 50);
  EXPECT_EQ(b.get(), 10);
  uint8_t buf[4];
  EXPECT_EQ(a.read(buf, 4), 4);
  EXPECT_EQ(buf[0], 51);
  EXPECT_EQ(b.read(buf, 4), 4);
  EXPECT_EQ(buf[0], 11);
  EXPECT_EQ(a.tell(), 55);
  EXPECT_EQ(b.tell(), 15);
  EXPECT_EQ(parent.tell(), 50);
  // Accesses that fall short (beyond the parent's end, or before its start)
  // put the parent back too.
  EXPECT_EQ(a.skip(60), 60);
  EXPECT_EQ(a.get(), -1);
  EXPECT_EQ(a.read(buf, 4), 0);
  EXPECT_EQ(parent.tell(), 50);
  EXPECT_EQ(b.move(-40), -40);
  EXPECT_EQ(b.get(), -1);
  EXPECT_EQ(parent.tell(), 50);
  // Reading near the end gets the bytes that are there.
  ASSERT_TRUE(a.seek_end());
  EXPECT_EQ(a.tell(), 100);
  EXPECT_EQ(a.move(-2), -2);
  EXPECT_EQ(a.read(buf, 4), 2);
  EXPECT_EQ(buf[1], 99);
  EXPECT_EQ(parent.tell(), 50);
  // Copies carry the position; unget steps the own position only.
  MoveInMoveOutInputStorage<> c(b);
  ASSERT_TRUE(c.rewind());
  EXPECT_FALSE(c.unget());
  EXPECT_EQ(c.get(), 0);
  EXPECT_TRUE(c.unget());
  EXPECT_EQ(c.tell(), 0);
  EXPECT_EQ(parent.tell(), 50);
}

TEST(SharedParent, WindowsOverOneParent) {
  std::vector<uint8_t> data = pattern(100);
  ByteArrayInputStorage parent(data.data(), 100);
  ASSERT_EQ(parent.seek(3), 3);
  MoveInMoveOutInputStorage<> shared(&parent, 0);
  SharedParentWindow w1(shared, 20, 30);
  SharedParentWindow w2(shared, 60, 64);
  EXPECT_FALSE(w1.is_closed());
  EXPECT_EQ(w1.size(), 10);
  EXPECT_EQ(w2.size(), 4);
  EXPECT_EQ(w1.get(), 20);
  EXPECT_EQ(w2.get(), 60);
  uint8_t buf[20];
  EXPECT_EQ(w2.read(buf, 20), 3);
  EXPECT_EQ(buf[2], 63);
  EXPECT_EQ(w1.seek(8), 8);
  EXPECT_EQ(w1.read(buf, 20), 2);
  EXPECT_EQ(buf[1], 29);
  EXPECT_EQ(w1.seek_from_end(-40), -10);
  EXPECT_EQ(w1.get(), 20);
  EXPECT_EQ(parent.tell(), 3);
  EXPECT_EQ(shared.tell(), 0);

  // A start beyond the parent's end cannot be reached: the window is closed.
  SharedParentWindow beyond(shared, 150, 160);
  EXPECT_TRUE(beyond.is_closed());
  EXPECT_EQ(beyond.get(), -1);
  EXPECT_EQ(beyond.read(buf, 4), 0);
  EXPECT_EQ(beyond.size(), 0);
  EXPECT_EQ(parent.tell(), 3);
  // A window ending at the parent's end is fine; one past it reads what is there.
  SharedParentWindow tail(shared, 95, 110);
  EXPECT_FALSE(tail.is_closed());
  EXPECT_EQ(tail.read(buf, 20), 5);
  EXPECT_EQ(parent.tell(), 3);
}

}  // namespace
