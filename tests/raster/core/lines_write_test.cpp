// Raw, memory and code line writers: strides and zero padding, bottom-up
// placement, bit reversal, file targets complete only once the writer is
// ended, the write-out at end (once, with its failure reported), and refused
// sources and arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "lines_test_nodes.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/file_output_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/output_storage_buffer.h"
#include "raster/core/rst_code_source.h"
#include "raster/core/rst_node_handle.h"
#include "raster/core/rst_write_code.h"
#include "raster/core/rst_write_memory.h"
#include "raster/core/rst_write_raw.h"
#include "raster/core/stream_decorator.h"
#include "rst_status_recorder.h"
#include "storage_test_support.h"

using namespace lines_test;

namespace {

// Lines of width bytes; line k filled with 1 + k.
LineSource* numbered_source(int32_t width, int32_t height, SourceLog* log = nullptr) {
  std::vector<Bytes> lines;
  for (int32_t k = 0; k < height; ++k) lines.push_back(Bytes(static_cast<size_t>(width), static_cast<uint8_t>(1 + k)));
  return new LineSource(raw_header(width, height), std::move(lines), log);
}

// A target that takes bytes only up to a limit and counts its writes. It is
// no memory storage, so writers put a buffer in front of it.
class LimitedTarget : public StreamDecorator<OutputStorage> {
 public:
  LimitedTarget(OutputStorage* inner, int32_t limit) : StreamDecorator<OutputStorage>(inner), limit_(limit) {}
  int32_t write(const void* buffer, int32_t count) override {
    ++writes;
    return StreamDecorator<OutputStorage>::write(buffer, std::min(count, std::max(0, limit_ - tell())));
  }
  int32_t put(int32_t byte) override { return tell() < limit_ ? StreamDecorator<OutputStorage>::put(byte) : -1; }
  int writes = 0;

 private:
  int32_t limit_;
};

// A source of coded chunks, marked as such.
class CodeChunks : public LineSource, public RstCodeSource {
 public:
  using LineSource::LineSource;
};

int drive(RstWrite* writer, std::vector<int>* results = nullptr) {
  int calls = 0;
  for (;;) {
    int n = writer->write();
    ++calls;
    if (results) results->push_back(n);
    if (n == 0) return calls;
  }
}

class LinesWrite : public RstStatusTest {};

}  // namespace

TEST_F(LinesWrite, WritesEachLineAtItsStridePaddedWithZeros) {
  struct Case {
    bool bit_reverse;
    Bytes stored;  // the byte lines 0, 1 and 2 are stored as
  };
  for (const Case& c : {Case{false, {1, 2, 3}}, Case{true, {0x80, 0x40, 0xC0}}}) {
    MemoryOutputStorage out;
    RstNodeHandle<RstWriteRaw> writer(RstWriteRaw::create(numbered_source(10, 3), &out, 12, false, c.bit_reverse));
    ASSERT_TRUE(writer);
    EXPECT_FALSE(writer->has_output_buffer());
    std::vector<int> results;
    drive(writer.get(), &results);
    EXPECT_EQ(results, (std::vector<int>{12, 12, 12, 0}));
    writer.reset();
    Bytes expected;
    for (uint8_t v : c.stored) {
      expected.insert(expected.end(), 10, v);
      expected.insert(expected.end(), 2, 0);  // the padding is never mirrored into ones
    }
    EXPECT_EQ(contents(out), expected);
  }
}

TEST_F(LinesWrite, BottomUpStoresTheLastLineFirst) {
  MemoryOutputStorage out;
  RstNodeHandle<RstWriteRaw> writer(RstWriteRaw::create(numbered_source(3, 3), &out, 4, true, false));
  ASSERT_TRUE(writer);
  // Initiate passed over the places of lines 2 and 1: zeros.
  EXPECT_EQ(out.size(), 8);
  EXPECT_EQ(out.tell(), 8);
  EXPECT_EQ(drive(writer.get()), 4);
  writer.reset();
  EXPECT_EQ(contents(out), (Bytes{3, 3, 3, 0, 2, 2, 2, 0, 1, 1, 1, 0}));
}

TEST_F(LinesWrite, FileTargetIsCompleteOnlyAfterTheWriterIsEnded) {
  storage_test::TempDir dir;
  std::string path = dir.file("lines.raw");
  FileOutputStorage out;
  ASSERT_TRUE(out.open(path));
  RstNodeHandle<RstWriteRaw> writer(RstWriteRaw::create(numbered_source(90, 3), &out, 100, false, false));
  ASSERT_TRUE(writer);
  EXPECT_TRUE(writer->has_output_buffer());
  drive(writer.get());
  EXPECT_TRUE(storage_test::read_file(path).empty());
  writer.reset();
  Bytes got = storage_test::read_file(path);
  ASSERT_EQ(got.size(), 300u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(Bytes(got.begin() + k * 100, got.begin() + k * 100 + 90), Bytes(90, static_cast<uint8_t>(1 + k)));
    EXPECT_EQ(Bytes(got.begin() + k * 100 + 90, got.begin() + (k + 1) * 100), Bytes(10, 0));
  }
}

TEST_F(LinesWrite, AnAlreadyBufferedTargetIsResizedNotStacked) {
  MemoryOutputStorage memory;
  OutputStorageBuffer<> buffered(&memory, 16);
  RstNodeHandle<RstWriteRaw> writer(RstWriteRaw::create(numbered_source(90, 3), &buffered, 100, false, false));
  ASSERT_TRUE(writer);
  EXPECT_FALSE(writer->has_output_buffer());
  EXPECT_EQ(buffered.capacity(), 8100);
  drive(writer.get());
  writer.reset();
  buffered.flush();
  EXPECT_EQ(memory.size(), 300);
}

TEST_F(LinesWrite, ShortWriteOutAtEndIsReportedOnceHoweverOftenEndComes) {
  MemoryOutputStorage memory;
  LimitedTarget target(&memory, 250);
  RstWriteRaw* writer = RstWriteRaw::create(numbered_source(100, 3), &target, 100, false, false);
  ASSERT_NE(writer, nullptr);
  drive(writer);
  EXPECT_EQ(target.writes, 0);  // all 300 bytes are still buffered
  EXPECT_EQ(writer->status(), 1);
  // A factory still pins the writer when its owner ends it; the pin's end
  // ends it once more.
  writer->refer(RstRoot::how_pin);
  writer->end();
  EXPECT_EQ(writer->status(), -11);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-11, "RstWriteData::end() - can't write data."}}));
  int writes = target.writes;
  writer->end();
  writer->refer(RstRoot::how_unpin);  // deletes it
  EXPECT_EQ(target.writes, writes);
  EXPECT_EQ(status.errors().size(), 1u);
  EXPECT_EQ(memory.size(), 250);
}

TEST_F(LinesWrite, TeardownCompletesWhenTheEndReportThrows) {
  MemoryOutputStorage memory;
  LimitedTarget target(&memory, 10);
  SourceLog log;
  RstWriteRaw* writer = RstWriteRaw::create(numbered_source(100, 1, &log), &target, 100, false, false);
  ASSERT_NE(writer, nullptr);
  drive(writer);
  RstObserver* recording = RstStatusContext::instance()->set_observer(RstObserver::create());
  try {
    writer->end();
    ADD_FAILURE() << "the report did not throw";
  } catch (const RstStatus& s) {
    EXPECT_EQ(s.code(), -11);
  }
  delete RstStatusContext::instance()->set_observer(recording);
  EXPECT_TRUE(log.ended);  // writer and source are gone (ASan: nothing leaked)
}

TEST_F(LinesWrite, CodeWriterCopiesChunksUnchanged) {
  std::vector<Bytes> chunks = {Bytes(1000, 1), Bytes(1000, 2), Bytes(200, 3)};
  RstHeader h = raw_header(100, 100, 1);
  h.data_form = 3;
  MemoryOutputStorage out;
  RstNodeHandle<RstWriteCode> writer(RstWriteCode::create(new CodeChunks(h, chunks, nullptr, 8192), &out, false));
  ASSERT_TRUE(writer);
  std::vector<int> results;
  drive(writer.get(), &results);
  EXPECT_EQ(results, (std::vector<int>{1000, 1000, 200, 0}));
  writer.reset();
  Bytes expected;
  for (const Bytes& c : chunks) expected.insert(expected.end(), c.begin(), c.end());
  EXPECT_EQ(contents(out), expected);
}

TEST_F(LinesWrite, MemoryWriterFillsTheCallersArray) {
  Bytes array(12, 0xEE);
  RstNodeHandle<RstWriteMemory> writer(RstWriteMemory::create(numbered_source(3, 3), array.data(), 4, 12));
  ASSERT_TRUE(writer);
  drive(writer.get());
  writer.reset();
  EXPECT_EQ(array, (Bytes{1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 0}));

  // Too small an array: the line that does not fit fails the writer.
  Bytes small(6);
  RstNodeHandle<RstWriteMemory> cut(RstWriteMemory::create(numbered_source(3, 3), small.data(), 4, 6));
  ASSERT_TRUE(cut);
  EXPECT_EQ(drive(cut.get()), 2);
  EXPECT_EQ(cut->status(), -11);
  EXPECT_EQ(status.errors().back(), (RstReport{-11, "RstWriteRaw::write() - can't write."}));
}

TEST_F(LinesWrite, RefusedSourcesAndArguments) {
  MemoryOutputStorage out;
  MemoryOutputStorage closed;
  closed.close();
  RstHeader coded = raw_header(10, 3);
  coded.data_form = 1;
  Bytes array(64);
  struct Case {
    const char* name;
    bool code_source;
    bool coded;
    bool no_source;
    OutputStorage* target;
    int32_t stride;
    RstReport report;
  };
  const Case cases[] = {
      {"code source", true, false, false, &out, 10, {-5, "RstWriteRaw::create()"}},
      {"no source", false, false, true, &out, 10, {-2, "RstWriteRaw::create()"}},
      {"no target", false, false, false, nullptr, 10, {-2, "RstWriteRaw::create()"}},
      {"closed target", false, false, false, &closed, 10, {-2, "RstWriteRaw::create()"}},
      {"stride 0", false, false, false, &out, 0, {-2, "RstWriteRaw::create()"}},
      {"negative stride", false, false, false, &out, -12, {-2, "RstWriteRaw::create()"}},
      {"stride below the line", false, false, false, &out, 8, {-2, "RstWriteRaw::create()"}},
      {"stride x height beyond 2^31", false, false, false, &out, 1 << 30, {-2, "RstWriteRaw::create()"}},
      {"coded source", false, true, false, &out, 10, {-3, "RstWriteRaw::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    RstHeader h = c.coded ? coded : raw_header(10, 3);
    SourceLog log;
    LineSource* source = c.no_source     ? nullptr
                         : c.code_source ? new CodeChunks(h, {}, &log)
                                         : new LineSource(h, {}, &log);
    EXPECT_EQ(RstWriteRaw::create(source, c.target, c.stride, false, false), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
    if (source) {
      EXPECT_EQ(source->mode(), RstRoot::mode_kept);  // still the caller's
      source->end();
      EXPECT_TRUE(log.ended);
    }
  }

  struct MemoryCase {
    bool source;
    void* array;
    int32_t stride;
    int32_t size;
    RstReport report;
  };
  const MemoryCase memory_cases[] = {
      {true, array.data(), 4, 0, {-2, "RstWriteMemory::create"}},
      {true, nullptr, 4, 64, {-2, "RstWriteMemory::create"}},
      {true, array.data(), 0, 64, {-2, "RstWriteMemory::create"}},
      {false, array.data(), 4, 64, {-2, "RstWriteMemory::create"}},
      {true, array.data(), 2, 64, {-2, "RstWriteMemory::create"}},
  };
  for (const MemoryCase& c : memory_cases) {
    status.clear();
    RstRead* source = c.source ? numbered_source(3, 3) : nullptr;
    EXPECT_EQ(RstWriteMemory::create(source, c.array, c.stride, c.size), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
    if (source) source->end();
  }

  // The code reader itself is refused by the raw writer and copied by the
  // code writer.
  status.clear();
  Bytes code = {1, 2, 3, 4, 5};
  ByteArrayInputStorage code_storage(code.data(), 5);
  RstReadCode* reader = RstReadCode::create(&code_storage, coded, false);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(RstWriteRaw::create(reader, &out, 10, false, false), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-5, "RstWriteRaw::create()"}}));
  MemoryOutputStorage copy;
  RstNodeHandle<RstWriteCode> code_writer(RstWriteCode::create(reader, &copy, false));
  ASSERT_TRUE(code_writer);
  EXPECT_EQ(drive(code_writer.get()), 2);
  code_writer.reset();
  EXPECT_EQ(contents(copy), code);

  status.clear();
  EXPECT_EQ(RstWriteCode::create(nullptr, &out, false), nullptr);
  LineSource* kept = numbered_source(3, 3);
  EXPECT_EQ(RstWriteCode::create(kept, &closed, false), nullptr);
  kept->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstWriteCode::create()"}, {-2, "RstWriteCode::create()"}}));
}
