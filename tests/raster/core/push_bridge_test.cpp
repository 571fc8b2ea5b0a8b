// Push writers, the push/pull bridge that drives one as a sink node, and the
// read-process bridge that decodes a code source through an in-memory copy.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "lines_test_nodes.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/output_storage_buffer.h"
#include "raster/core/rst_code_source.h"
#include "raster/core/rst_node_handle.h"
#include "raster/core/rst_push_pull_write_bridge.h"
#include "raster/core/rst_push_write.h"
#include "raster/core/rst_read_process_bridge.h"
#include "raster/core/rst_read_raw.h"
#include "raster/core/stream_decorator.h"
#include "rst_status_recorder.h"

using namespace lines_test;

namespace {

struct PushLog {
  int initiates = 0;
  int lines = 0;
  bool deleted = false;
};

// Emits one byte (the line count) after every `every` lines and "END" when
// it is ended; refuses lines from `refuse_from` on; fails initiate on ask.
class TestPushWriter : public RstPushWrite {
 public:
  TestPushWriter(OutputStorage* target, PushLog* log, int every = 8, int refuse_from = -1, bool fail = false,
                 int32_t buffer_size = 8192)
      : RstPushWrite(target, raw_header(4, 100), false, buffer_size),
        log_(log),
        every_(every),
        refuse_from_(refuse_from),
        fail_(fail) {}
  ~TestPushWriter() override { log_->deleted = true; }
  bool write(const uint8_t*) override {
    if (refuse_from_ >= 0 && log_->lines >= refuse_from_) return false;
    ++log_->lines;
    if (log_->lines % every_ == 0) output()->put(log_->lines);
    return true;
  }
  void end() override {
    output()->write("END", 3);
    RstPushWrite::end();
  }
  bool initiate() override {
    ++log_->initiates;
    return !fail_ && RstPushWrite::initiate();
  }
  OutputStorage* current_output() const { return output(); }

 private:
  PushLog* log_;
  int every_;
  int refuse_from_;
  bool fail_;
};

TestPushWriter* ready(TestPushWriter* writer) {
  RstOwner<TestPushWriter> owner(writer);
  return rst_create_end(owner);
}

class PushBridge : public RstStatusTest {};

}  // namespace

TEST_F(PushBridge, PushesLinesUntilOutputReachesTheTarget) {
  MemoryOutputStorage out;
  PushLog log;
  TestPushWriter* writer = ready(new TestPushWriter(&out, &log));
  ASSERT_NE(writer, nullptr);
  EXPECT_FALSE(writer->has_output_buffer());
  SourceLog source_log;
  RstNodeHandle<RstPushPullWriteBridge> bridge(
      RstPushPullWriteBridge::create(counting_source(4, 100, &source_log), writer, &out));
  ASSERT_TRUE(bridge);
  std::vector<int> results;
  for (int n = bridge->write(); results.push_back(n), n != 0; n = bridge->write()) {
  }
  std::vector<int> expected(12, 1);
  expected.push_back(0);
  EXPECT_EQ(results, expected);
  EXPECT_EQ(log.lines, 100);
  EXPECT_EQ(bridge->status(), 1);
  EXPECT_EQ(out.size(), 12);  // no trailer yet
  bridge.reset();
  EXPECT_TRUE(log.deleted);
  EXPECT_TRUE(source_log.ended);
  Bytes got = contents(out);
  ASSERT_EQ(got.size(), 15u);
  EXPECT_EQ(std::string(got.begin() + 12, got.end()), "END");
  EXPECT_EQ(got[0], 8);
  EXPECT_EQ(got[11], 96);
}

TEST_F(PushBridge, ARefusedLineFailsTheBridgeInsteadOfEndingTheImageShort) {
  MemoryOutputStorage out;
  PushLog log;
  TestPushWriter* writer = ready(new TestPushWriter(&out, &log, 8, 20));
  RstNodeHandle<RstPushPullWriteBridge> bridge(
      RstPushPullWriteBridge::create(counting_source(4, 100, nullptr), writer, &out));
  ASSERT_TRUE(bridge);
  EXPECT_EQ(bridge->write(), 1);
  EXPECT_EQ(bridge->write(), 1);
  EXPECT_EQ(bridge->write(), 0);
  EXPECT_EQ(bridge->status(), -11);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-11, "RstPushPullWriteBridge::write()"}}));
}

TEST_F(PushBridge, BridgeRefusesMissingPartsAndLeavesThemToTheCaller) {
  MemoryOutputStorage out;
  PushLog log;
  TestPushWriter* writer = ready(new TestPushWriter(&out, &log));
  SourceLog source_log;
  LineSource* source = counting_source(4, 10, &source_log);
  struct Case {
    RstRead* source;
    RstPushWrite* writer;
    OutputStorage* target;
  };
  for (Case c : {Case{source, nullptr, &out}, Case{nullptr, writer, &out}, Case{source, writer, nullptr}}) {
    status.clear();
    EXPECT_EQ(RstPushPullWriteBridge::create(c.source, c.writer, c.target), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstPushPullWriteBridge::create()"}}));
  }
  EXPECT_FALSE(log.deleted);
  EXPECT_EQ(source->mode(), RstRoot::mode_kept);
  writer->end();
  source->end();
  EXPECT_TRUE(log.deleted);
  EXPECT_TRUE(source_log.ended);

  // Out of memory at any step: no bridge, and the push writer is still the
  // caller's, once the source is torn down too.
  for (int n = 1;; ++n) {
    PushLog step_log;
    TestPushWriter* step_writer = ready(new TestPushWriter(&out, &step_log));
    SourceLog step_source_log;
    LineSource* step_source = counting_source(4, 10, &step_source_log);
    status.clear();
    RstAllocFault::fail_nth(n);
    RstPushPullWriteBridge* bridge = RstPushPullWriteBridge::create(step_source, step_writer, &out);
    RstAllocFault::clear();
    if (bridge) {
      bridge->end();
      EXPECT_TRUE(step_log.deleted);
      EXPECT_GT(n, 1);
      break;
    }
    ASSERT_EQ(status.errors().size(), 1u);
    EXPECT_EQ(status.errors()[0].code, -1);
    step_source->end();
    EXPECT_TRUE(step_source_log.ended);
    EXPECT_FALSE(step_log.deleted);
    step_writer->end();
  }
}

TEST_F(PushBridge, OutputBufferOnlyInFrontOfStoragesThatAreNotMemory) {
  Bytes array(64);
  ByteArrayOutputStorage bytes(array.data(), 64);
  MemoryOutputStorage memory;
  MemoryOutputStorage inner;
  StreamDecorator<OutputStorage> other(&inner);
  OutputStorageBuffer<> buffered(&inner, 16);
  struct Case {
    OutputStorage* target;
    int32_t buffer_size;
    bool own_buffer;
  };
  for (Case c : {Case{&bytes, 8192, false}, Case{&memory, 8192, false}, Case{&other, 8192, true},
                 Case{&other, 0, false}, Case{&buffered, 8192, false}}) {
    PushLog log;
    TestPushWriter* writer = ready(new TestPushWriter(c.target, &log, 8, -1, false, c.buffer_size));
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(writer->has_output_buffer(), c.own_buffer);
    EXPECT_EQ(writer->current_output() == c.target, !c.own_buffer);
    writer->end();
  }
  // An already buffered target is resized instead.
  EXPECT_EQ(buffered.capacity(), 8192);
}

TEST_F(PushBridge, InitiateRunsOnceAndKeepsItsResult) {
  MemoryOutputStorage out;
  PushLog ok_log;
  TestPushWriter ok_writer(&out, &ok_log);
  EXPECT_TRUE(ok_writer.initiate_once());
  EXPECT_TRUE(ok_writer.initiate_once());
  EXPECT_EQ(ok_log.initiates, 1);

  PushLog failed_log;
  {
    TestPushWriter failed(&out, &failed_log, 8, -1, true);
    EXPECT_FALSE(failed.initiate_once());
    EXPECT_FALSE(failed.initiate_once());  // never a success after a failure
    EXPECT_EQ(failed_log.initiates, 1);
  }
  // The factory's last step gives back no writer that failed; its holder
  // deletes it.
  PushLog owned_log;
  EXPECT_EQ(ready(new TestPushWriter(&out, &owned_log, 8, -1, true)), nullptr);
  EXPECT_TRUE(owned_log.deleted);
  RstOwner<TestPushWriter> none;
  EXPECT_EQ(rst_create_end(none), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "rst_create_end()"}}));
}

namespace {

// A code source of `total` bytes (value i % 251) in chunks of up to 8192.
class CodeBytes : public RstRead, public RstCodeSource {
 public:
  CodeBytes(int32_t total, bool* ended) : total_(total), ended_(ended) {}
  ~CodeBytes() override { *ended_ = true; }
  void header(RstHeader& h) override {
    h = raw_header(total_, 1);
    h.data_form = 4;
  }
  int read(uint8_t* line) override {
    int n = std::min(8192, total_ - done_);
    for (int i = 0; i < n; ++i) line[i] = static_cast<uint8_t>((done_ + i) % 251);
    done_ += n;
    return n;
  }
  void reset() override { done_ = 0; }
  int line_size() override { return 8192; }

 private:
  int32_t total_;
  int32_t done_ = 0;
  bool* ended_;
};

// Reads the copy as one raw line of `width` bytes.
struct OneLineReader {
  int32_t width;
  RstReadRaw* create_reader(InputStorage* storage) const {
    return RstReadRaw::create(storage, raw_header(width, 1), width, false, false);
  }
};

}  // namespace

TEST_F(PushBridge, ReadProcessBridgeDecodesAnInMemoryCopy) {
  Bytes expected(20000);
  for (int i = 0; i < 20000; ++i) expected[static_cast<size_t>(i)] = static_cast<uint8_t>(i % 251);
  for (bool own_output : {false, true}) {
    SCOPED_TRACE(own_output);
    bool ended = false;
    MemoryOutputStorage copy(8192);
    RstNodeHandle<RstInputOwningRead<RstReadRaw>> node(RstReadProcessBridge<RstReadRaw>::create(
        new CodeBytes(20000, &ended), OneLineReader{20000}, own_output ? &copy : nullptr));
    ASSERT_TRUE(node);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(node->owns());
    if (own_output) {
      EXPECT_EQ(copy.blocks()->block_count(), 3);
    }
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{expected});
  }

  // No reader over the copy: nothing results, the source is still consumed.
  bool ended = false;
  auto no_reader = [](InputStorage*) -> RstReadRaw* { return nullptr; };
  EXPECT_EQ(RstReadProcessBridge<RstReadRaw>::create(new CodeBytes(100, &ended), no_reader, nullptr), nullptr);
  EXPECT_TRUE(ended);

  EXPECT_EQ(RstReadProcessBridge<RstReadRaw>::create(nullptr, OneLineReader{1}, nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReadProcessBridge<Reader>::create()"}}));
}
