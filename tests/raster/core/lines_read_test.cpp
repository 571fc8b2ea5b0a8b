// Raw line readers: line order in both directions over array and file
// storages, skip, windows, buffer sizes, 16-bit values, short data, the
// factories over caller arrays and colormaps, and refused arguments.
#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "lines_test_nodes.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_input_owning_read.h"
#include "raster/core/rst_node_handle.h"
#include "raster/core/rst_read_raw.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "rst_status_recorder.h"
#include "storage_test_support.h"

using namespace lines_test;

namespace {

// height stored lines of stride bytes; stored line k is filled with 10 + k
// up to the line size and with 0xEE after it.
Bytes stored_image(int32_t height, int32_t line_size, int32_t stride) {
  Bytes b;
  for (int32_t k = 0; k < height; ++k)
    for (int32_t i = 0; i < stride; ++i) b.push_back(i < line_size ? static_cast<uint8_t>(10 + k) : 0xEE);
  return b;
}

std::vector<int> expected_order(int32_t height, bool bottom_up) {
  std::vector<int> v;
  for (int32_t y = 0; y < height; ++y) v.push_back(10 + (bottom_up ? height - 1 - y : y));
  return v;
}

// A storage that cannot go back to its start.
class NoRewindStorage : public ByteArrayInputStorage {
 public:
  using ByteArrayInputStorage::ByteArrayInputStorage;
  bool rewind() override { return false; }
};

class LinesRead : public RstStatusTest {};

}  // namespace

TEST_F(LinesRead, DeliversStoredLinesInOrderInBothDirections) {
  struct Case {
    bool bottom_up;
    int32_t width;
    int32_t stride;
    bool file;
  };
  const Case cases[] = {
      {false, 5, 5, false}, {true, 5, 5, false}, {false, 5, 8, false},    {true, 5, 8, false},
      {false, 5, 8, true},  {true, 5, 8, true},  {false, 7, 10000, true}, {true, 7, 10000, true},
  };
  storage_test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "bottom_up " << c.bottom_up << " stride " << c.stride << " file " << c.file);
    const int32_t height = 4;
    Bytes data = stored_image(height, c.width, c.stride);
    std::unique_ptr<InputStorage> storage;
    if (c.file) {
      auto f = std::make_unique<FileInputStorage>();
      ASSERT_TRUE(f->open(dir.write("img.raw", data)));
      storage = std::move(f);
    } else {
      storage = std::make_unique<ByteArrayInputStorage>(data.data(), static_cast<int32_t>(data.size()));
    }
    RstNodeHandle<RstReadRaw> reader(
        RstReadRaw::create(storage.get(), raw_header(c.width, height), c.stride, c.bottom_up, false));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->line_size(), c.width);
    std::vector<Bytes> lines = pull(reader.get());
    EXPECT_EQ(firsts(lines), expected_order(height, c.bottom_up));
    for (const Bytes& l : lines) EXPECT_EQ(l, Bytes(static_cast<size_t>(c.width), l[0]));
    Bytes line(static_cast<size_t>(c.width));
    EXPECT_EQ(reader->read(line.data()), 0);
    reader->reset();
    EXPECT_EQ(firsts(pull(reader.get(), 1)), std::vector<int>{expected_order(height, c.bottom_up)[0]});
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(LinesRead, SkipOnlyCountsAndTheNextReadFindsItsLine) {
  struct Case {
    bool bottom_up;
    int32_t height;
    int first_reads;
    int skip;
    int skipped;
    std::vector<int> then;  // stored line numbers read after the skip
  };
  const Case cases[] = {
      {false, 5, 1, 2, 2, {3, 4}},
      {true, 5, 1, 2, 2, {1, 0}},
      {false, 5, 0, 10, 5, {}},
      // The image's last line is passed too (bottom-up it is stored first).
      {true, 4, 0, 4, 4, {}},
      {true, 4, 1, 3, 3, {}},
      {true, 4, 2, 1, 1, {0}},
      {false, 4, 0, 0, 0, {0, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "bottom_up " << c.bottom_up << " skip " << c.skip);
    Bytes data = stored_image(c.height, 3, 6);
    ByteArrayInputStorage storage(data.data(), static_cast<int32_t>(data.size()));
    RstNodeHandle<RstReadRaw> reader(RstReadRaw::create(&storage, raw_header(3, c.height), 6, c.bottom_up, false));
    ASSERT_TRUE(reader);
    pull(reader.get(), c.first_reads);
    EXPECT_EQ(reader->skip(c.skip), c.skipped);
    std::vector<int> then;
    for (int v : firsts(pull(reader.get()))) then.push_back(v - 10);
    EXPECT_EQ(then, c.then);
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(LinesRead, ReadsFromTheStoragePositionThroughAWindow) {
  Bytes data(8, 0x55);
  Bytes image = stored_image(3, 4, 4);
  data.insert(data.end(), image.begin(), image.end());
  ByteArrayInputStorage storage(data.data(), static_cast<int32_t>(data.size()));
  ASSERT_EQ(storage.seek(8), 8);
  RstNodeHandle<RstReadRaw> reader(RstReadRaw::create(&storage, raw_header(4, 3), 4, true, false));
  ASSERT_TRUE(reader);
  EXPECT_EQ(firsts(pull(reader.get())), (std::vector<int>{12, 11, 10}));
  reader->reset();
  EXPECT_EQ(firsts(pull(reader.get())), (std::vector<int>{12, 11, 10}));
}

TEST_F(LinesRead, BuffersWholeStridesWithin8192Bytes) {
  Bytes data(20000);
  ByteArrayInputStorage storage(data.data(), static_cast<int32_t>(data.size()));
  struct Case {
    int32_t stride;
    bool bottom_up;
    int32_t buffer;
  };
  for (Case c : {Case{100, false, 8100}, Case{10000, false, 0}, Case{100, true, 100}, Case{8192, false, 8192}}) {
    RstNodeHandle<RstReadRaw> reader(RstReadRaw::create(&storage, raw_header(10, 2), c.stride, c.bottom_up, false));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->buffer_size(), c.buffer) << c.stride;
  }
}

TEST_F(LinesRead, Depth16ConvertsEachValueFromItsByteOrder) {
  struct Case {
    int32_t byte_order;
    Bytes stored;
  };
  for (const Case& c : {Case{1, {0x34, 0x12, 0xCD, 0xAB}}, Case{0, {0x12, 0x34, 0xAB, 0xCD}}}) {
    ByteArrayInputStorage storage(c.stored.data(), static_cast<int32_t>(c.stored.size()));
    RstNodeHandle<RstReadRawDepth16> reader(
        RstReadRawDepth16::create(&storage, raw_header(2, 1, 16), 4, c.byte_order, false, false));
    ASSERT_TRUE(reader);
    uint16_t values[2] = {};
    ASSERT_EQ(reader->read(reinterpret_cast<uint8_t*>(values)), 4);
    EXPECT_EQ(values[0], 0x1234);
    EXPECT_EQ(values[1], 0xABCD);
  }
  // Bottom-up at a padded stride: stored lines 2, 1, 0, each 4 value bytes
  // and 2 pad bytes; skip counts a line and the next read finds line 0.
  Bytes stored;
  for (uint8_t k : {0, 1, 2}) stored.insert(stored.end(), {k, 0x10, k, 0x20, 0xEE, 0xEE});
  ByteArrayInputStorage storage(stored.data(), static_cast<int32_t>(stored.size()));
  RstNodeHandle<RstReadRawDepth16> reader(RstReadRawDepth16::create(&storage, raw_header(2, 3, 16), 6, 1, true, false));
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->line_size(), 4);
  uint16_t values[2] = {};
  ASSERT_EQ(reader->read(reinterpret_cast<uint8_t*>(values)), 4);
  EXPECT_EQ(values[0], 0x1002);
  EXPECT_EQ(values[1], 0x2002);
  EXPECT_EQ(reader->skip(1), 1);
  ASSERT_EQ(reader->read(reinterpret_cast<uint8_t*>(values)), 4);
  EXPECT_EQ(values[0], 0x1000);
  EXPECT_EQ(reader->read(reinterpret_cast<uint8_t*>(values)), 0);
}

TEST_F(LinesRead, ShortDataIsAWarningAndTheLineIsStillDelivered) {
  Bytes data = {1, 2, 3, 4, 5, 6};  // two stored lines of an image of three
  ByteArrayInputStorage storage(data.data(), static_cast<int32_t>(data.size()));
  RstNodeHandle<RstReadRaw> reader(RstReadRaw::create(&storage, raw_header(4, 3), 4, false, false));
  ASSERT_TRUE(reader);
  Bytes line(4, 0xAA);
  EXPECT_EQ(reader->read(line.data()), 4);
  EXPECT_TRUE(status.messages().empty());
  EXPECT_EQ(reader->read(line.data()), 4);
  EXPECT_EQ(line, (Bytes{5, 6, 3, 4}));  // the rest keeps its old bytes
  EXPECT_EQ(status.messages().back(), (RstReport{3, "RstReadRaw::read() - can't read. maybe found EOF"}));
  EXPECT_EQ(reader->read(line.data()), 4);
  EXPECT_EQ(reader->read(line.data()), 0);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LinesRead, RefusesBadArgumentsAndAStorageThatCannotRewind) {
  Bytes data(64);
  ByteArrayInputStorage storage(data.data(), static_cast<int32_t>(data.size()));
  struct Case {
    InputStorage* storage;
    int32_t stride;
    int32_t height;
  };
  const int32_t big = std::numeric_limits<int32_t>::max() / 2;
  for (Case c : {Case{nullptr, 4, 2}, Case{&storage, 0, 2}, Case{&storage, -4, 2}, Case{&storage, big, 3}}) {
    status.clear();
    EXPECT_EQ(RstReadRaw::create(c.storage, raw_header(4, c.height), c.stride, false, false), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReadCode::create()"}})) << c.stride;
    status.clear();
    EXPECT_EQ(RstReadRawDepth16::create(c.storage, raw_header(2, c.height, 16), c.stride, 1, false, false), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReadCode::create()"}})) << c.stride;
  }

  status.clear();
  Bytes big_lines(20000);
  NoRewindStorage stuck(big_lines.data(), static_cast<int32_t>(big_lines.size()));
  EXPECT_EQ(RstReadRaw::create(&stuck, raw_header(10, 2), 10000, false, false), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-11, "RstReadRaw::my_reset() - cannot seek."}}));
}

TEST_F(LinesRead, ByteArrayReaderOwnsItsStorageNeverTheBytes) {
  Bytes data = stored_image(3, 2, 2);
  const Bytes copy = data;
  {
    RstNodeHandle<RstRead> reader(RstReadRawFromByteArray::create(data.data(), raw_header(2, 3), 2, true, false));
    ASSERT_TRUE(reader);
    auto* owning = dynamic_cast<RstInputOwningRead<RstReadRaw>*>(reader.get());
    ASSERT_NE(owning, nullptr);
    EXPECT_TRUE(owning->owns());
    EXPECT_EQ(firsts(pull(reader.get())), (std::vector<int>{12, 11, 10}));
  }
  EXPECT_EQ(data, copy);  // the storage went with the node (ASan: no leak), the bytes stayed

  // Out of memory at each step: no node, nothing leaked, the bytes intact.
  for (int n = 1;; ++n) {
    status.clear();
    RstAllocFault::fail_nth(n);
    RstRead* reader = RstReadRawFromByteArray::create(data.data(), raw_header(2, 3), 2, false, false);
    RstAllocFault::clear();
    if (reader) {
      reader->end();
      break;
    }
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors().back().code, -1);
  }
  EXPECT_EQ(data, copy);

  struct Case {
    const void* bytes;
    int32_t stride;
    int32_t height;
  };
  for (Case c : {Case{data.data(), 0, 3}, Case{nullptr, 2, 3}, Case{data.data(), 2, 0}, Case{data.data(), -2, 3},
                 Case{data.data(), std::numeric_limits<int32_t>::max(), 2}}) {
    status.clear();
    EXPECT_EQ(RstReadRawFromByteArray::create(c.bytes, raw_header(2, c.height), c.stride, false, false), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReadRawFromByteArray::create()"}}));
  }
}

TEST_F(LinesRead, ColormapReadsAsOneLineOfItsEntries) {
  RstHeader h = raw_header(16, 16, 8, 1);
  h.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 3, 256));
  for (int i = 0; i < 768; ++i) h.colormap->data()[i] = static_cast<uint8_t>(i * 7);
  RstNodeHandle<RstRead> reader(RstReadColormap::create(h));
  ASSERT_TRUE(reader);
  RstHeader got(reader.get());
  EXPECT_EQ(got.width, 256);
  EXPECT_EQ(got.height, 1);
  EXPECT_EQ(got.bits_per_sample, 8);
  EXPECT_EQ(got.samples_per_pixel, 3);
  EXPECT_EQ(got.colormap.get(), nullptr);
  EXPECT_EQ(got.color_type, h.color_type);
  EXPECT_EQ(reader->line_size(), 768);
  std::vector<Bytes> lines = pull(reader.get());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], Bytes(h.colormap->data(), h.colormap->data() + 768));

  EXPECT_EQ(RstReadColormap::create(raw_header(4, 4)), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReadColormap::create()"}}));
}

TEST_F(LinesRead, BitReverseFlagMirrorsEveryByte) {
  Bytes data = {0x01, 0x0F, 0xA5, 0x80};
  ByteArrayInputStorage storage(data.data(), 4);
  RstNodeHandle<RstReadRaw> reader(RstReadRaw::create(&storage, raw_header(32, 1, 1), 4, false, true));
  ASSERT_TRUE(reader);
  EXPECT_EQ(pull(reader.get()), (std::vector<Bytes>{{0x80, 0xF0, 0xA5, 0x01}}));
}
