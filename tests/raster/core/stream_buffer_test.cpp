// Storage buffers: what stays in memory and what reaches the inner storage,
// and randomized sequences that must give exactly what the bare storage gives.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

#include "raster/core/byte_array_storage.h"
#include "raster/core/input_storage_buffer.h"
#include "raster/core/memory_storage.h"
#include "raster/core/output_storage_buffer.h"
#include "rst_status_recorder.h"
#include "storage_test_support.h"

namespace {

using storage_test::pattern;

// Counts the calls that reach the storage it decorates.
struct CountingInput : StreamDecorator<InputStorage> {
  using StreamDecorator::StreamDecorator;
  int32_t read(void* b, int32_t n) override {
    ++reads;
    return StreamDecorator::read(b, n);
  }
  int32_t get() override {
    ++reads;
    return StreamDecorator::get();
  }
  int reads = 0;
};

std::vector<uint8_t> contents(MemoryOutputStorage& m) {
  auto in = std::make_unique<MemoryInputStorage>(m.blocks());
  std::vector<uint8_t> v(static_cast<size_t>(in->size()));
  if (!v.empty()) in->read(v.data(), static_cast<int32_t>(v.size()));
  return v;
}

TEST(InputStorageBuffer, RefillsInBlocksAndServesMovesFromMemory) {
  std::vector<uint8_t> data = pattern(40);
  ByteArrayInputStorage bytes(data.data(), 40);
  CountingInput inner(&bytes);
  InputStorageBuffer<> buf(&inner, 16);
  EXPECT_EQ(buf.capacity(), 16);
  for (int i = 0; i < 40; ++i) ASSERT_EQ(buf.get(), i);
  EXPECT_EQ(inner.reads, 3);
  EXPECT_EQ(buf.get(), -1);
  EXPECT_EQ(buf.get(), -1);

  ASSERT_TRUE(buf.rewind());
  uint8_t ten[10];
  ASSERT_EQ(buf.read(ten, 10), 10);
  EXPECT_EQ(buf.move(-4), -4);
  EXPECT_EQ(buf.tell(), 6);
  EXPECT_EQ(bytes.tell(), 16);
  inner.reads = 0;
  EXPECT_EQ(buf.seek(0), 0);
  EXPECT_EQ(buf.get(), 0);
  EXPECT_EQ(inner.reads, 0);
  EXPECT_EQ(buf.seek(6), 6);
  buf.close();  // gives back what was read ahead
  EXPECT_EQ(bytes.tell(), 6);
  EXPECT_FALSE(buf.is_closed());
  EXPECT_EQ(buf.get(), 6);
  EXPECT_EQ(bytes.get(), 7 + 15);  // refilled from 6: the inner storage stands at 22

  // Reads of at least the capacity pass straight through.
  ASSERT_TRUE(buf.rewind());
  inner.reads = 0;
  uint8_t big[20];
  EXPECT_EQ(buf.read(big, 20), 20);
  EXPECT_EQ(inner.reads, 1);
  EXPECT_EQ(big[19], 19);
  EXPECT_EQ(bytes.tell(), 20);
}

TEST(InputStorageBuffer, OverAStorageNotAtItsStart) {
  // Built over a storage at 5: the first step back must reach the inner bytes.
  std::vector<uint8_t> data = pattern(40);
  const struct {
    const char* name;
    std::function<bool(InputStorage&)> step;
    int32_t position;
  } cases[] = {
      {"rewind", [](InputStorage& s) { return s.rewind(); }, 0},
      {"seek(2)", [](InputStorage& s) { return s.seek(2) == 2; }, 2},
      {"move(-3)", [](InputStorage& s) { return s.move(-3) == -3; }, 2},
      {"unget", [](InputStorage& s) { return s.unget(); }, 4},
      {"seek_from_end(-36)", [](InputStorage& s) { return s.seek_from_end(-36) == -36; }, 4},
      {"seek(30)", [](InputStorage& s) { return s.seek(30) == 30; }, 30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ByteArrayInputStorage bytes(data.data(), 40);
    bytes.seek(5);
    InputStorageBuffer<> buf(&bytes, 16);
    EXPECT_EQ(buf.tell(), 5);
    ASSERT_TRUE(c.step(buf));
    EXPECT_EQ(buf.tell(), c.position);
    EXPECT_EQ(buf.get(), c.position);
  }
}

TEST(InputStorageBuffer, ShrinkingKeepsEveryByte) {
  std::vector<uint8_t> data = pattern(40);
  for (int32_t n : {0, 1, 4, 15, 16, 64}) {
    SCOPED_TRACE(n);
    ByteArrayInputStorage bytes(data.data(), 40);
    InputStorageBuffer<> buf(&bytes, 16);
    ASSERT_EQ(buf.get(), 0);  // 15 bytes held unread
    EXPECT_EQ(buf.set_capacity(n), n);
    EXPECT_EQ(buf.capacity(), n);
    EXPECT_EQ(bytes.tell(), 1 + std::min(n, 15));
    std::vector<uint8_t> rest(39);
    EXPECT_EQ(buf.read(rest.data(), 39), 39);
    EXPECT_EQ(rest, std::vector<uint8_t>(data.begin() + 1, data.end()));
    EXPECT_TRUE(buf.at_end());
  }
}

TEST(InputStorageBuffer, FlushFillsBehindTheUnreadBytes) {
  std::vector<uint8_t> data = pattern(40);
  ByteArrayInputStorage bytes(data.data(), 40);
  InputStorageBuffer<> buf(&bytes, 16);
  ASSERT_EQ(buf.skip(10), 10);  // 6 held unread
  EXPECT_TRUE(buf.flush());
  EXPECT_EQ(bytes.tell(), 26);
  for (int i = 10; i < 26; ++i) ASSERT_EQ(buf.get(), i);
  EXPECT_TRUE(buf.flush());
  EXPECT_EQ(bytes.tell(), 40);
  EXPECT_FALSE(buf.flush() && bytes.tell() != 40);
}

TEST(StorageBuffers, AreFoundByTheirMixIn) {
  std::vector<uint8_t> data = pattern(4);
  ByteArrayInputStorage bytes(data.data(), 4);
  MemoryOutputStorage mem(16);
  InputStorageBuffer<InputStorage, StreamDecorator<InputStorage>> in(&bytes, 16);
  OutputStorageBuffer<OutputStorage, StreamDecorator<OutputStorage>> out(&mem, 16);
  InputStorage* as_input = &in;
  OutputStorage* as_output = &out;
  ASSERT_NE(dynamic_cast<Bufferable*>(as_input), nullptr);
  ASSERT_NE(dynamic_cast<Bufferable*>(as_output), nullptr);
  EXPECT_EQ(dynamic_cast<Bufferable*>(static_cast<InputStorage*>(&bytes)), nullptr);
  EXPECT_EQ(dynamic_cast<Bufferable*>(as_output)->set_capacity(64), 64);
  EXPECT_EQ(out.capacity(), 64);
  EXPECT_FALSE(out.is_closed());
  EXPECT_EQ(in.size(), 4);
}

TEST(OutputStorageBuffer, HoldsSmallWritesAndPassesLargeOnes) {
  MemoryOutputStorage inner(64);
  {
    OutputStorageBuffer<> buf(&inner, 8);
    const uint8_t abc[] = {1, 2, 3};
    EXPECT_EQ(buf.write(abc, 3), 3);
    EXPECT_EQ(buf.write(abc, 3), 3);
    EXPECT_EQ(inner.size(), 0);
    EXPECT_EQ(buf.tell(), 6);
    EXPECT_EQ(buf.write(abc, 3), 3);
    EXPECT_EQ(inner.size(), 6);
  }
  EXPECT_EQ(inner.size(), 9);
  EXPECT_EQ(contents(inner), (std::vector<uint8_t>{1, 2, 3, 1, 2, 3, 1, 2, 3}));

  MemoryOutputStorage straight(64);
  OutputStorageBuffer<> buf(&straight, 8);
  std::vector<uint8_t> twenty = pattern(20);
  EXPECT_EQ(buf.write(twenty.data(), 20), 20);
  EXPECT_EQ(straight.size(), 20);
}

TEST(OutputStorageBuffer, MoveBackInsideTheBufferOverwrites) {
  MemoryOutputStorage inner(64);
  {
    OutputStorageBuffer<> buf(&inner, 8);
    std::vector<uint8_t> five = pattern(5, 10);
    ASSERT_EQ(buf.write(five.data(), 5), 5);
    EXPECT_EQ(buf.move(-2), -2);
    EXPECT_EQ(buf.put(0xEE), 0xEE);
    EXPECT_EQ(buf.tell(), 4);
    EXPECT_EQ(buf.move(10), 1);  // stops at the data's end
    EXPECT_EQ(inner.size(), 0);
  }
  EXPECT_EQ(contents(inner), (std::vector<uint8_t>{10, 11, 12, 0xEE, 14}));
}

TEST(OutputStorageBuffer, SkipZeroFillsOnlyBeyondTheData) {
  MemoryOutputStorage inner(64);
  std::vector<uint8_t> old = pattern(12, 0x40);
  ASSERT_EQ(inner.write(old.data(), 12), 12);
  ASSERT_TRUE(inner.rewind());
  {
    OutputStorageBuffer<> buf(&inner, 8);
    EXPECT_EQ(buf.put(1), 1);
    EXPECT_EQ(buf.skip(3), 3);  // over existing bytes: kept
    EXPECT_EQ(buf.put(2), 2);
    EXPECT_EQ(buf.skip(10), 10);  // 7 existing bytes, then 3 zeros
    EXPECT_EQ(buf.tell(), 15);
    EXPECT_EQ(buf.put(3), 3);
  }
  std::vector<uint8_t> want = old;
  want[0] = 1;
  want[4] = 2;
  want.insert(want.end(), {0, 0, 0, 3});
  EXPECT_EQ(contents(inner), want);
}

TEST(OutputStorageBuffer, ShrinkingAndHandingOverLoseNoByte) {
  MemoryOutputStorage inner(64);
  OutputStorageBuffer<> buf(&inner, 8);
  std::vector<uint8_t> data = pattern(30, 7);
  ASSERT_EQ(buf.write(data.data(), 6), 6);
  EXPECT_EQ(buf.set_capacity(2), 2);
  EXPECT_EQ(inner.size(), 6);
  ASSERT_EQ(buf.write(data.data() + 6, 1), 1);
  EXPECT_EQ(buf.set_capacity(16), 16);
  ASSERT_EQ(buf.write(data.data() + 7, 23), 23);
  ASSERT_EQ(buf.write(data.data(), 3), 3);  // buffered
  std::unique_ptr<InputStorage> in(buf.to_input_storage());
  ASSERT_TRUE(in);
  std::vector<uint8_t> got(33);
  EXPECT_EQ(in->read(got.data(), 33), 33);
  data.insert(data.end(), data.begin(), data.begin() + 3);
  EXPECT_EQ(got, data);
}

// Random operations on an input storage, run on a buffer and on the bare
// storage side by side; every result and every byte must agree.
void run_input_differential(int32_t capacity, int32_t start, uint32_t seed) {
  SCOPED_TRACE("capacity " + std::to_string(capacity) + " start " + std::to_string(start) + " seed " +
               std::to_string(seed));
  std::vector<uint8_t> data = pattern(300, 17);
  ByteArrayInputStorage inner(data.data(), 300), bare(data.data(), 300);
  inner.seek(start);
  bare.seek(start);
  InputStorageBuffer<> buf(&inner, capacity);
  std::mt19937 rng(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<uint8_t> a(64), b(64);
  for (int step = 0; step < 3000; ++step) {
    int op = pick(0, 12);
    SCOPED_TRACE("step " + std::to_string(step) + " op " + std::to_string(op));
    switch (op) {
      case 0: ASSERT_EQ(buf.get(), bare.get()); break;
      case 1: {
        int32_t n = pick(-1, 60);
        int32_t ra = buf.read(a.data(), n), rb = bare.read(b.data(), n);
        ASSERT_EQ(ra, rb);
        ASSERT_TRUE(std::equal(a.begin(), a.begin() + std::max(ra, 0), b.begin()));
        break;
      }
      case 2: {
        int32_t n = pick(-2, 70);
        ASSERT_EQ(buf.skip(n), bare.skip(n));
        break;
      }
      case 3: {
        int32_t n = pick(-60, 60);
        ASSERT_EQ(buf.move(n), bare.move(n));
        break;
      }
      case 4: {
        int32_t n = pick(0, 320);
        ASSERT_EQ(buf.seek(n), bare.seek(n));
        break;
      }
      case 5: {
        int32_t n = pick(-320, 0);
        ASSERT_EQ(buf.seek_from_end(n), bare.seek_from_end(n));
        break;
      }
      case 6: ASSERT_EQ(buf.rewind(), bare.rewind()); break;
      case 7: ASSERT_EQ(buf.seek_end(), bare.seek_end()); break;
      case 8: ASSERT_EQ(buf.unget(), bare.unget()); break;
      case 9: ASSERT_EQ(buf.at_end(), bare.at_end()); break;
      case 10: ASSERT_EQ(buf.size(), bare.size()); break;
      case 11:
        if (pick(0, 3) == 0) {
          buf.close();  // gives back the read-ahead
          ASSERT_EQ(inner.tell(), bare.tell());
        }
        break;
      case 12:
        if (pick(0, 7) == 0) buf.set_capacity(pick(0, 2) == 0 ? pick(0, 3) : capacity);
        break;
    }
    ASSERT_EQ(buf.tell(), bare.tell());
  }
}

TEST(InputStorageBuffer, RandomOperationsMatchTheBareStorage) {
  for (int32_t capacity : {1, 7, 16, 8192})
    for (uint32_t seed : {1u, 2u, 3u}) run_input_differential(capacity, 0, seed);
  for (int32_t capacity : {7, 16}) run_input_differential(capacity, 5, 9);
}

// Random writes, skips and moves through a buffer and on a bare memory
// storage; results agree at every step, contents once the buffer is gone.
void run_output_differential(int32_t capacity, int32_t prefill, uint32_t seed) {
  SCOPED_TRACE("capacity " + std::to_string(capacity) + " prefill " + std::to_string(prefill) + " seed " +
               std::to_string(seed));
  MemoryOutputStorage inner(32), bare(32);
  std::vector<uint8_t> old = pattern(static_cast<size_t>(prefill), 0x80);
  inner.write(old.data(), prefill);
  bare.write(old.data(), prefill);
  inner.seek(prefill / 3);
  bare.seek(prefill / 3);
  std::mt19937 rng(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  {
    OutputStorageBuffer<> buf(&inner, capacity);
    uint8_t next = 1;
    std::vector<uint8_t> src(64);
    for (int step = 0; step < 2000; ++step) {
      int op = pick(0, 8);
      SCOPED_TRACE("step " + std::to_string(step) + " op " + std::to_string(op));
      switch (op) {
        case 0:
          ASSERT_EQ(buf.put(next), bare.put(next));
          ++next;
          break;
        case 1: {
          int32_t n = pick(-1, 40);
          for (auto& c : src) c = next++;
          ASSERT_EQ(buf.write(src.data(), n), bare.write(src.data(), n));
          break;
        }
        case 2: {
          int32_t n = pick(-1, 30);
          ASSERT_EQ(buf.skip(n), bare.skip(n));
          break;
        }
        case 3: {
          int32_t n = pick(-40, 40);
          ASSERT_EQ(buf.move(n), bare.move(n));
          break;
        }
        case 4: {
          int32_t n = pick(0, 300);
          ASSERT_EQ(buf.seek(n), bare.seek(n));
          break;
        }
        case 5: ASSERT_EQ(buf.rewind(), bare.rewind()); break;
        case 6: ASSERT_EQ(buf.seek_end(), bare.seek_end()); break;
        case 7: ASSERT_EQ(buf.unput(), bare.unput()); break;
        case 8:
          if (pick(0, 9) == 0) buf.set_capacity(pick(0, 2) == 0 ? pick(0, 3) : capacity);
          break;
      }
      ASSERT_EQ(buf.tell(), bare.tell());
      if (bare.size() > 4000) {
        ASSERT_TRUE(bare.rewind());
        ASSERT_TRUE(buf.rewind());
      }
    }
  }
  EXPECT_EQ(inner.size(), bare.size());
  EXPECT_EQ(contents(inner), contents(bare));
}

TEST(OutputStorageBuffer, RandomOperationsMatchTheBareStorage) {
  for (int32_t capacity : {1, 7, 16, 8192})
    for (uint32_t seed : {1u, 2u}) {
      run_output_differential(capacity, 0, seed);
      run_output_differential(capacity, 45, seed + 10);
    }
}

}  // namespace
