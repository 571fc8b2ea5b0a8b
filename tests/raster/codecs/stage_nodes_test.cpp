// Reader nodes over codec stages, the node used as a stage, the push writer
// over an encoding stage and the header records, driven by scripted stages.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "node_support.h"
#include "raster/codecs/rst_header_tolvane.h"
#include "raster/codecs/rst_push_write_tolvane.h"
#include "raster/codecs/rst_read_tolvane.h"
#include "raster/codecs/rst_write_tolvane_header.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"

namespace {

constexpr int kLineBytes = 10;

// What the scripted stages saw.
struct StageLog {
  int made = 0;
  int lines = 0;
  int closed = 0;
  std::vector<std::vector<uint8_t>> pushed;
  TolvaneHeaderRecord record;
  bool got_record = false;
};

// A decoding stage: an 8-bit gray description of 10 x height, line i filled
// with the byte i + 1; line status and info status as scripted.
class ScriptStage final : public RstInstanceTolvane {
 public:
  ScriptStage(StageLog* log, int32_t height, int fail_line = 0, int32_t fail_status = -3, int32_t info_status = 1,
              uint32_t format = (8u << 16) | 0x48)
      : log_(log),
        height_(height),
        fail_line_(fail_line),
        fail_status_(fail_status),
        info_status_(info_status),
        format_(format) {
    ++log_->made;
  }
  int32_t info(TolvaneImageInfo* info) override {
    info->width = kLineBytes;
    info->height = height_;
    info->format = format_;
    info->component_order = TolvaneOrder::normal;
    info->colormap = nullptr;
    return info_status_;
  }
  int32_t line(uint8_t* buffer) override {
    int n = ++log_->lines;
    if (n == fail_line_) return fail_status_;
    std::memset(buffer, n, kLineBytes);
    return 1;
  }
  int32_t close() override {
    ++log_->closed;
    delete this;
    return 1;
  }

 private:
  StageLog* log_;
  int32_t height_;
  int fail_line_;
  int32_t fail_status_;
  int32_t info_status_;
  uint32_t format_;
};

// A coded reader whose stage is a fresh ScriptStage at every init.
class ScriptReader : public RstReadRasterTolvane {
 public:
  ScriptReader(InputStorage* storage, StageLog* log, int fail_line, int32_t fail_status,
               RstInstanceTolvane* (*make)(StageLog*) = nullptr)
      : RstReadRasterTolvane(storage), log_(log), fail_line_(fail_line), fail_status_(fail_status), make_(make) {}
  static ScriptReader* create(InputStorage* storage, StageLog* log, int fail_line = 0, int32_t fail_status = -3,
                              RstInstanceTolvane* (*make)(StageLog*) = nullptr) {
    RstOwner<ScriptReader> owner(new ScriptReader(storage, log, fail_line, fail_status, make));
    return rst_create_end(owner);
  }

 protected:
  RstInstanceTolvane* create_stage() override {
    if (!stream()) return nullptr;
    if (make_) return make_(log_);
    return new ScriptStage(log_, 10, fail_line_, fail_status_);
  }

 private:
  StageLog* log_;
  int fail_line_;
  int32_t fail_status_;
  RstInstanceTolvane* (*make_)(StageLog*);
};

// A plain stage reader over a given stage.
class PlainReader : public RstReadTolvane {
 public:
  explicit PlainReader(RstInstanceTolvane* stage) { stage_ = stage; }
};

struct NodeEnder {
  void operator()(RstRoot* n) const { n->end(); }
};
template <class T>
using NodePtr = std::unique_ptr<T, NodeEnder>;

const std::vector<uint8_t> kCode(16, 0);

TEST(StageReader, FailureMidImageStillDeliversEveryLineWithWarnings) {
  const struct {
    int32_t fail_status;
    int32_t warning;
  } cases[] = {
      {-3, 4},    // a data error
      {-1, 4},    // no memory: its negation would read as success
      {0, 4},     // its negation would read as an error
      {-11, 11},  // a stream failure keeps its own code
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fail_status);
    ReportLog log;
    StageLog stages;
    ByteArrayInputStorage storage(kCode);
    NodePtr<ScriptReader> node(ScriptReader::create(&storage, &stages, 5, c.fail_status));
    ASSERT_TRUE(node);
    std::vector<uint8_t> line(kLineBytes);
    for (int i = 1; i <= 10; ++i) {
      std::fill(line.begin(), line.end(), 0xEE);
      ASSERT_EQ(node->read(line.data()), kLineBytes) << "line " << i;
      if (i < 5) EXPECT_EQ(line, std::vector<uint8_t>(kLineBytes, static_cast<uint8_t>(i)));
      else EXPECT_EQ(line, std::vector<uint8_t>(kLineBytes, 0xEE)) << "line " << i;
    }
    EXPECT_EQ(node->read(line.data()), 0);
    EXPECT_EQ(stages.lines, 5);  // nothing asked of the stage after its failure
    EXPECT_EQ(log.count(c.warning), 6u);
    EXPECT_EQ(log.reports.size(), 6u);
    for (const Report& r : log.reports) EXPECT_EQ(r.where, "RstReadTolvane::read()");
    EXPECT_EQ(log.count(1), 0u);
  }
}

TEST(StageReader, WarningLineCountsAndResetStartsAFreshStage) {
  ReportLog log;
  StageLog stages;
  ByteArrayInputStorage storage(kCode);
  NodePtr<ScriptReader> node(ScriptReader::create(&storage, &stages, 3, 2));
  ASSERT_TRUE(node);
  std::vector<uint8_t> line(kLineBytes);
  int delivered = 0;
  while (node->read(line.data()) == kLineBytes) ++delivered;
  EXPECT_EQ(delivered, 10);
  EXPECT_EQ(stages.lines, 10);
  EXPECT_TRUE(log.has(2, "RstReadTolvane::read()"));
  EXPECT_EQ(log.reports.size(), 1u);
  RstHeader h(node.get());
  EXPECT_EQ(h.width, 10);
  EXPECT_EQ(h.height, 10);
  EXPECT_EQ(h.bits_per_sample, 8);
  EXPECT_EQ(h.samples_per_pixel, 1);
  EXPECT_EQ(h.color_type, RstColorType::default_gray());

  node->reset();
  EXPECT_EQ(stages.made, 2);
  EXPECT_EQ(stages.closed, 1);
  EXPECT_EQ(node->skip(20), 10);
  EXPECT_EQ(node->read(line.data()), 0);
  node.reset();
  EXPECT_EQ(stages.closed, 2);
}

TEST(StageReader, StageThatCannotBeMadeFailsTheNode) {
  ReportLog log;
  StageLog stages;
  ByteArrayInputStorage storage(kCode);
  auto error14 = [](StageLog*) { return rst_create_error_instance(-14); };
  EXPECT_EQ(ScriptReader::create(&storage, &stages, 0, -3, error14), nullptr);
  EXPECT_TRUE(log.has(-14, "RstReadRasterTolvane::init()"));
  auto none = [](StageLog*) -> RstInstanceTolvane* { return nullptr; };
  EXPECT_EQ(ScriptReader::create(&storage, &stages, 0, -3, none), nullptr);
  EXPECT_TRUE(log.has(-1, "RstReadRasterTolvane::init()"));
}

TEST(StageReader, UnusableDescriptionsGiveNoLines) {
  const struct {
    int32_t info_status;
    uint32_t format;
    int32_t code;
  } cases[] = {
      {-12, (8u << 16) | 0x48, -12},  // info fails: its status
      {0, (8u << 16) | 0x48, 0},      // info fails with 0
      {1, (24u << 16) | 0x1234, -3},  // plain colour type: no channel count
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    ReportLog log;
    StageLog stages;
    PlainReader node(new ScriptStage(&stages, 10, 0, -3, c.info_status, c.format));
    std::vector<uint8_t> line(64, 0xEE);
    EXPECT_EQ(node.read(line.data()), 0);
    EXPECT_EQ(node.read(line.data()), 0);
    EXPECT_EQ(stages.lines, 0);
    EXPECT_TRUE(log.has(c.code, "RstReadTolvane::read()"));
    EXPECT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(node.line_size(), 0);
  }
}

TEST(StageReader, PlainReaderReportsStageStatusesAndCannotReset) {
  ReportLog log;
  StageLog stages;
  PlainReader node(new ScriptStage(&stages, 4, 2, -3));
  std::vector<uint8_t> line(kLineBytes);
  EXPECT_EQ(node.read(line.data()), kLineBytes);
  EXPECT_EQ(node.read(line.data()), 0);
  EXPECT_TRUE(log.has(-3, "RstReadTolvane::read()"));
  EXPECT_EQ(node.read(line.data()), kLineBytes);
  EXPECT_EQ(node.read(line.data()), kLineBytes);
  EXPECT_EQ(node.read(line.data()), 0);  // height reached
  EXPECT_EQ(stages.lines, 4);
  node.reset();
  EXPECT_TRUE(log.has(-5, "RstReadTolvane::reset()"));
  EXPECT_EQ(stages.made, 1);
}

TEST(StageReader, NodeDrivenAsAStage) {
  ReportLog log;
  StageLog stages;
  auto* node = new PlainReader(new ScriptStage(&stages, 3));
  RstInstanceTolvane* as_stage = node;
  EXPECT_EQ(as_stage->status, 1);
  TolvaneImageInfo info;
  ASSERT_EQ(as_stage->info(&info), 1);
  EXPECT_EQ(info.width, 10);
  EXPECT_EQ(info.height, 3);
  EXPECT_EQ(info.format, (8u << 16) | 0x48);
  EXPECT_EQ(info.component_order, TolvaneOrder::normal);
  EXPECT_EQ(info.colormap, nullptr);
  std::vector<uint8_t> line(kLineBytes);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(as_stage->line(line.data()), 1);
    EXPECT_EQ(line[0], i);
  }
  EXPECT_EQ(as_stage->line(line.data()), 0);
  EXPECT_EQ(as_stage->close(), 1);
  // The node lives on; its count starts again.
  EXPECT_EQ(stages.closed, 0);
  EXPECT_EQ(node->line_size(), kLineBytes);
  node->end();
  EXPECT_EQ(stages.closed, 1);
}

TEST(StageHeader, DescriptionWithColormapIsOneChannel) {
  uint8_t planar[768];
  for (int i = 0; i < 768; ++i) planar[i] = static_cast<uint8_t>(i * 7);
  const struct {
    uint32_t bits;
    uint32_t order;
    int32_t channels;
    int32_t bits_per_sample;
    bool colormap;
  } cases[] = {
      {8, TolvaneOrder::normal, 1, 8, true},   {4, TolvaneOrder::normal, 1, 4, true},
      {24, TolvaneOrder::normal, 3, 8, false}, {32, 0xFF010200u, 4, 8, false},
      {32, 0x020100FFu, 4, 8, false},          {32, 0x00020100u, 3, 10, false},  // not a four-channel order
  };
  for (const auto& c : cases) {
    TolvaneImageInfo info;
    info.width = 7;
    info.height = 5;
    info.format = (c.bits << 16) | 0x0008;
    info.component_order = c.order;
    info.colormap = c.colormap ? planar : nullptr;
    RstHeaderTolvane h(info);
    EXPECT_EQ(h.samples_per_pixel, c.channels);
    EXPECT_EQ(h.bits_per_sample, c.bits_per_sample);
    EXPECT_EQ(h.color_type, RstColorType::default_rgb());
    EXPECT_EQ(h.width, 7);
    EXPECT_EQ(h.height, 5);
    EXPECT_EQ(h.color_code(), 0x0008);
    ASSERT_EQ(bool(h.colormap), c.colormap);
    if (!c.colormap) continue;
    EXPECT_EQ(h.colormap->entries(), 256);
    EXPECT_EQ(h.colormap->channels(), 3);
    EXPECT_EQ(h.colormap->data()[3 * 10 + 1], planar[256 + 10]);
    // Derived back, the description carries the same planar map.
    TolvaneImageInfo back = h.image_info();
    ASSERT_NE(back.colormap, nullptr);
    EXPECT_EQ(std::memcmp(back.colormap, planar, 768), 0);
    EXPECT_EQ(back.format >> 16, c.bits);
    // A copy points at its own map.
    RstHeaderTolvane copy(h);
    EXPECT_NE(copy.image_info().colormap, back.colormap);
    EXPECT_EQ(std::memcmp(copy.image_info().colormap, planar, 768), 0);
  }
}

TEST(StageHeader, HeaderToDescriptionFillsThePlanarMap) {
  RstHeader h = make_header(9, 4, 0, 4, 1);
  h.color_type = RstColorType::default_rgb();
  const uint8_t entries[] = {1, 2, 3, 4, 5, 6};  // two RGB entries
  h.colormap.reset(new RstColormap(8, 3, 2, entries));
  RstHeaderTolvane t(h);
  TolvaneImageInfo info = t.image_info();
  EXPECT_EQ(info.format, (4u << 16) | 0x0008);
  ASSERT_NE(info.colormap, nullptr);
  EXPECT_EQ(info.colormap[0], 1);
  EXPECT_EQ(info.colormap[1], 4);
  EXPECT_EQ(info.colormap[2], 0);
  EXPECT_EQ(info.colormap[256], 2);
  EXPECT_EQ(info.colormap[257], 5);
  EXPECT_EQ(info.colormap[512 + 1], 6);
  t.set_color_type(RstColorType::default_cmyk());
  EXPECT_EQ(t.color_code(), 0x0060);
  EXPECT_EQ(t.color_type, RstColorType::default_cmyk());
  // More than 256 entries: the first 256 are carried, nothing overflows.
  RstHeader big = h;
  big.colormap.reset(new RstColormap(8, 3, 300));
  big.colormap->data()[3 * 299] = 9;
  big.colormap->data()[3 * 255 + 2] = 8;
  EXPECT_FALSE(RstHeaderTolvane::colormap_fits(big));
  RstHeaderTolvane tb(big);
  EXPECT_EQ(tb.image_info().colormap[512 + 255], 8);
}

// An encoding stage that records its header record and the lines it takes;
// fails line `fail_line` with `fail_status`.
class RecordingStage final : public RstInstanceTolvane {
 public:
  RecordingStage(StageLog* log, BrenvoldStream* stream, int fail_line, int32_t fail_status)
      : log_(log), stream_(stream), fail_line_(fail_line), fail_status_(fail_status) {
    ++log_->made;
  }
  int32_t info(TolvaneImageInfo* info) override {
    log_->record = *reinterpret_cast<TolvaneHeaderRecord*>(info);
    log_->got_record = true;
    return 1;
  }
  int32_t line(uint8_t* buffer) override {
    if (++log_->lines == fail_line_) return fail_status_;
    log_->pushed.emplace_back(buffer, buffer + 4);
    stream_->write(buffer, 4, 1);
    return 1;
  }
  int32_t close() override {
    stream_->write("END", 3, 1);
    ++log_->closed;
    delete this;
    return 1;
  }

 private:
  StageLog* log_;
  BrenvoldStream* stream_;
  int fail_line_;
  int32_t fail_status_;
};

class RecordingWriter : public RstPushWriteTolvane {
 public:
  RecordingWriter(OutputStorage* target, const RstHeader& h, StageLog* log, int fail_line, int32_t fail_status)
      : RstPushWriteTolvane(target, h, false),
        record_(h, 0x5A),
        log_(log),
        fail_line_(fail_line),
        fail_status_(fail_status) {}

 protected:
  RstInstanceTolvane* create_stage() override {
    return stream() ? new RecordingStage(log_, stream(), fail_line_, fail_status_) : nullptr;
  }
  int32_t send_header() override { return stage()->info(reinterpret_cast<TolvaneImageInfo*>(record_.record())); }

 private:
  RstWriteTolvaneHeader record_;
  StageLog* log_;
  int fail_line_;
  int32_t fail_status_;
};

RecordingWriter* make_writer(OutputStorage* out, const RstHeader& h, StageLog* log, int fail_line = 0,
                             int32_t fail_status = -3) {
  RstOwner<RecordingWriter> owner(new RecordingWriter(out, h, log, fail_line, fail_status));
  return rst_create_end(owner);
}

TEST(StageWriter, PushesExactlyHeightLinesAndEndsTheStage) {
  ReportLog log;
  StageLog stages;
  MemoryOutputStorage out;
  RstHeader h = make_header(4, 3, RstDataForm::lzw, 8, 1);
  h.color_type = RstColorType::default_gray();
  RecordingWriter* w = make_writer(&out, h, &stages);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(stages.got_record);
  EXPECT_EQ(stages.record.info.width, 4);
  EXPECT_EQ(stages.record.info.height, 3);
  EXPECT_EQ(stages.record.info.format, (8u << 16) | 0x48);
  EXPECT_EQ(stages.record.flags, 0x5Au);
  EXPECT_EQ(stages.record.compression, 2048);
  EXPECT_EQ(w->line_bytes(), 4);
  const uint8_t line[4] = {1, 2, 3, 4};
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(w->write(line));
  EXPECT_FALSE(w->write(line));  // beyond the height
  EXPECT_EQ(stages.lines, 3);
  EXPECT_EQ(w->lines_pushed(), 3u);
  w->end();
  EXPECT_EQ(stages.closed, 1);
  std::unique_ptr<InputStorage> in(out.to_input_storage());
  ASSERT_TRUE(in);
  EXPECT_EQ(in->size(), 15);
  EXPECT_TRUE(log.reports.empty());
}

TEST(StageWriter, StopsAfterAFailedLine) {
  ReportLog log;
  StageLog stages;
  MemoryOutputStorage out;
  RstHeader h = make_header(4, 5, RstDataForm::raw, 8, 1);
  h.color_type = RstColorType::default_gray();
  RecordingWriter* w = make_writer(&out, h, &stages, 2, -11);
  ASSERT_NE(w, nullptr);
  const uint8_t line[4] = {1, 2, 3, 4};
  EXPECT_TRUE(w->write(line));
  EXPECT_FALSE(w->write(line));
  EXPECT_FALSE(w->write(line));
  EXPECT_EQ(stages.lines, 2);
  EXPECT_EQ(w->lines_pushed(), 1u);
  EXPECT_TRUE(log.has(-11, "RstPushWriteTolvane::write()"));
  w->end();
  EXPECT_EQ(stages.closed, 1);
}

TEST(StageWriter, RefusesAColormapThatDoesNotFit) {
  ReportLog log;
  StageLog stages;
  MemoryOutputStorage out;
  RstHeader h = make_header(4, 5, RstDataForm::raw, 8, 1);
  h.color_type = RstColorType::default_rgb();
  h.colormap.reset(new RstColormap(8, 3, 257));
  EXPECT_EQ(make_writer(&out, h, &stages), nullptr);
  EXPECT_TRUE(log.has(-3, "RstPushWriteTolvane::initiate()"));
  EXPECT_TRUE(log.has(-3, "RstWriteTolvaneHeader::init()"));
  EXPECT_EQ(stages.made, 0);
  RstWriteTolvaneHeader refused(h, 0);
  EXPECT_EQ(refused.record(), nullptr);
  h.colormap.reset(new RstColormap(16, 3, 16));
  EXPECT_FALSE(RstHeaderTolvane::colormap_fits(h));
  h.colormap.reset(new RstColormap(8, 3, 256));
  RstWriteTolvaneHeader fits(h, 0);
  ASSERT_NE(fits.record(), nullptr);
  EXPECT_EQ(fits.record()->info.colormap, fits.record()->planar);
}

TEST(StageWriter, CompressionWords) {
  const struct {
    int32_t form;
    int32_t bits;
    int32_t word;
  } cases[] = {
      {0, 8, 0},       {1, 1, 0x8000}, {2, 1, 0x10000}, {3, 1, 256},   {4, 8, 32},    {6, 1, 0x20000},
      {7, 8, 0x40000}, {9, 1, 1},      {10, 8, 16},     {11, 8, 2048}, {12, 8, 2048}, {13, 8, 8192},
      {14, 4, 512},    {14, 8, 1024},  {5, 8, -1},      {8, 1, -1},    {15, 1, -1},   {-1, 8, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rst_tolvane_compression_word(c.form, c.bits), c.word) << c.form << " " << c.bits;
    RstHeader h = make_header(4, 2, c.form, c.bits, 1);
    h.color_type = RstColorType::default_gray();
    RstWriteTolvaneHeader w(h, 7);
    ASSERT_NE(w.record(), nullptr);
    EXPECT_EQ(w.record()->compression, c.word);
    EXPECT_EQ(w.record()->reserved[0] | w.record()->reserved[1] | w.record()->reserved[2], 0u);
  }
}

}  // namespace
