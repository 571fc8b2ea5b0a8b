// The behaviour every input storage shares, run over each kind: files, byte
// arrays, memory, consecutive parts, windows, decorators and input buffers.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "raster/core/byte_array_storage.h"
#include "raster/core/consecutive_input_storage.h"
#include "raster/core/data_input.h"
#include "raster/core/empty_input_storage.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/input_storage_buffer.h"
#include "raster/core/memory_storage.h"
#include "raster/core/nested_input_storage.h"
#include "storage_test_support.h"

namespace {

using storage_test::pattern;

// One storage over given bytes, with whatever it is built on.
struct Built {
  std::vector<std::unique_ptr<InputStorage>> keep;  // destroyed last to first
  std::unique_ptr<storage_test::TempDir> dir;
  std::vector<uint8_t> backing;
  InputStorage* storage = nullptr;
  ~Built() {
    while (!keep.empty()) keep.pop_back();
  }
};

struct Kind {
  const char* name;
  std::function<void(Built&, const std::vector<uint8_t>&)> build;
};

template <class T, class... A>
T* add(Built& b, A&&... args) {
  auto p = std::make_unique<T>(std::forward<A>(args)...);
  T* raw = p.get();
  b.keep.push_back(std::move(p));
  return raw;
}

const std::vector<Kind>& kinds() {
  static const std::vector<Kind> all = {
      {"file",
       [](Built& b, const std::vector<uint8_t>& d) {
         b.dir = std::make_unique<storage_test::TempDir>();
         auto* f = add<FileInputStorage>(b);
         ASSERT_TRUE(f->open(b.dir->write("data.bin", d)));
         b.storage = f;
       }},
      {"byte array (borrowed)",
       [](Built& b, const std::vector<uint8_t>& d) {
         b.backing = d;
         b.storage = add<ByteArrayInputStorage>(b, b.backing.data(), static_cast<int32_t>(b.backing.size()));
       }},
      {"byte array (copy)",
       [](Built& b, const std::vector<uint8_t>& d) { b.storage = add<ByteArrayInputStorage>(b, d); }},
      {"memory",
       [](Built& b, const std::vector<uint8_t>& d) {
         MemoryOutputStorage out(4);  // several blocks for ten bytes
         ASSERT_EQ(out.write(d.data(), static_cast<int32_t>(d.size())), static_cast<int32_t>(d.size()));
         b.keep.emplace_back(out.to_input_storage());
         b.storage = b.keep.back().get();
       }},
      {"consecutive",
       [](Built& b, const std::vector<uint8_t>& d) {
         b.backing = d;
         std::vector<InputStorage*> parts;
         for (size_t at = 0; at < d.size(); at += 3) {
           size_t n = std::min<size_t>(3, d.size() - at);
           parts.push_back(add<ByteArrayInputStorage>(b, b.backing.data() + at, static_cast<int32_t>(n)));
         }
         b.storage = add<ConsecutiveInputStorage>(b, parts);
       }},
      {"window",
       [](Built& b, const std::vector<uint8_t>& d) {
         b.backing = pattern(7, 0xE0);
         b.backing.insert(b.backing.end(), d.begin(), d.end());
         b.backing.resize(b.backing.size() + 9, 0xEE);
         auto* inner = add<ByteArrayInputStorage>(b, b.backing.data(), static_cast<int32_t>(b.backing.size()));
         inner->seek(7);
         b.storage = add<NestedInputStorage>(b, inner, static_cast<int32_t>(d.size()));
       }},
      {"shared-parent window",
       [](Built& b, const std::vector<uint8_t>& d) {
         b.backing = pattern(5, 0xE0);
         b.backing.insert(b.backing.end(), d.begin(), d.end());
         b.backing.resize(b.backing.size() + 4, 0xEE);
         auto* parent = add<ByteArrayInputStorage>(b, b.backing.data(), static_cast<int32_t>(b.backing.size()));
         MoveInMoveOutInputStorage<> shared(parent, 0);
         b.storage = add<SharedParentWindow>(b, shared, 5, 5 + static_cast<int32_t>(d.size()));
       }},
      {"data input",
       [](Built& b, const std::vector<uint8_t>& d) {
         auto* inner = add<ByteArrayInputStorage>(b, d);
         b.storage = add<DataInput<>>(b, inner, 0);
       }},
      {"input buffer over bytes",
       [](Built& b, const std::vector<uint8_t>& d) {
         auto* inner = add<ByteArrayInputStorage>(b, d);
         b.storage = add<InputStorageBuffer<>>(b, inner, 4);
       }},
      {"input buffer over a file",
       [](Built& b, const std::vector<uint8_t>& d) {
         b.dir = std::make_unique<storage_test::TempDir>();
         auto* f = add<FileInputStorage>(b);
         ASSERT_TRUE(f->open(b.dir->write("data.bin", d)));
         b.storage = add<InputStorageBuffer<>>(b, f, 3);
       }},
  };
  return all;
}

class EveryStorage : public ::testing::TestWithParam<size_t> {
 protected:
  void SetUp() override {
    kinds()[GetParam()].build(built, bytes);
    ASSERT_NE(built.storage, nullptr);
    s = built.storage;
  }
  const std::vector<uint8_t> bytes = pattern(10, 0x40);
  Built built;
  InputStorage* s = nullptr;
};

TEST_P(EveryStorage, ReadsItsBytesAndReportsItsSize) {
  EXPECT_FALSE(s->is_closed());
  EXPECT_EQ(s->size(), 10);
  EXPECT_EQ(s->tell(), 0);
  std::vector<uint8_t> got(16, 0);
  EXPECT_EQ(s->get(), 0x40);
  EXPECT_EQ(s->read(got.data(), 16), 9);
  got.resize(9);
  EXPECT_EQ(got, std::vector<uint8_t>(bytes.begin() + 1, bytes.end()));
  EXPECT_TRUE(s->at_end());
  EXPECT_EQ(s->seek(4), 4);
  EXPECT_FALSE(s->at_end());
  EXPECT_EQ(s->get(), 0x44);
  EXPECT_EQ(s->skip(3), 3);
  EXPECT_EQ(s->tell(), 8);
  EXPECT_EQ(s->seek_from_end(-3), -3);
  EXPECT_EQ(s->tell(), 7);
  EXPECT_EQ(s->get(), 0x47);
  EXPECT_TRUE(s->rewind());
  EXPECT_EQ(s->get(), 0x40);
  EXPECT_TRUE(s->seek_end());
  EXPECT_EQ(s->tell(), 10);
  EXPECT_EQ(s->move(-1), -1);
  EXPECT_EQ(s->get(), 0x49);
}

TEST_P(EveryStorage, MovesStopAtTheEnds) {
  ASSERT_EQ(s->seek(3), 3);
  EXPECT_EQ(s->move(0), 0);
  EXPECT_EQ(s->tell(), 3);
  ASSERT_EQ(s->seek(2), 2);
  EXPECT_EQ(s->move(-5), -2);
  EXPECT_EQ(s->tell(), 0);
  EXPECT_EQ(s->seek(20), 10);
  EXPECT_EQ(s->tell(), 10);
  EXPECT_EQ(s->seek(6), 6);
  EXPECT_EQ(s->move(50), 4);
  EXPECT_EQ(s->seek_from_end(-40), -10);
  EXPECT_EQ(s->tell(), 0);
}

TEST_P(EveryStorage, EndOfDataIsNoError) {
  ASSERT_TRUE(s->seek_end());
  uint8_t b[4];
  EXPECT_EQ(s->get(), -1);
  EXPECT_EQ(s->get(), -1);
  EXPECT_EQ(s->read(b, 4), 0);
  EXPECT_EQ(s->skip(4), 0);
  EXPECT_EQ(s->tell(), 10);
  ASSERT_TRUE(s->rewind());
  EXPECT_FALSE(s->unget());
  EXPECT_EQ(s->tell(), 0);
  EXPECT_EQ(s->get(), 0x40);
  EXPECT_TRUE(s->unget());
  EXPECT_EQ(s->tell(), 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryStorage, ::testing::Range<size_t>(0, kinds().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           std::string n = kinds()[info.param].name;
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

TEST(EmptyInputStorage, HasNoBytesAndStaysOpen) {
  EmptyInputStorage e;
  uint8_t b[2];
  EXPECT_FALSE(e.is_closed());
  EXPECT_EQ(e.get(), -1);
  EXPECT_EQ(e.read(b, 2), 0);
  EXPECT_EQ(e.skip(3), 0);
  EXPECT_EQ(e.move(-3), 0);
  EXPECT_EQ(e.seek(5), 0);
  EXPECT_EQ(e.seek_from_end(-5), 0);
  EXPECT_EQ(e.size(), 0);
  EXPECT_TRUE(e.rewind());
  EXPECT_TRUE(e.seek_end());
  EXPECT_TRUE(e.at_end());
}

}  // namespace
