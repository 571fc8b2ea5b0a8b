// The job output stream: the buffer and the writes the spooler sees, the
// sinks and their kinds, the job copy file, the growable tables and the PDEV
// output flags.
#include "graphics_driver/job_output/job_output_stream.h"

#include <cstddef>
#include <string>
#include <vector>

#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/save_file_name.h"
#include "settings/services/form_matching.h"
#include "job_fixture.h"
#include "platform/spooler/spooler_seams.h"
#include "platform/win/win_file.h"
#include "platform/win/win_seams.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_msgbox.h"

namespace {

using pk::test::JobTest;

class StreamTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    ASSERT_EQ(CreatePdevOutputStream(pdev()), 0);
    s_ = pdev()->jobOutput;
  }
  void TearDown() override {
    DestroyPdevOutputStream(pdev());
    JobTest::TearDown();
  }
  // The write sizes of the only job of the default printer.
  std::vector<DWORD> Writes() {
    auto jobs = pk::spooler::ListJobs(PK_DEFAULT_PRINTER_NAME);
    return jobs.empty() ? std::vector<DWORD>{} : jobs.back().writeSizes;
  }
  JobOutputStream* s_ = nullptr;
};

TEST_F(StreamTest, WritesAreGatheredThenSent) {
  ASSERT_EQ(OpenSpoolJobSink(s_, printer_, u"Stream"), 0);
  std::vector<BYTE> data(3000, 'x');
  EXPECT_EQ(WriteStream(s_, 1500, data.data()), 1500);
  EXPECT_EQ(WriteStream(s_, 548, data.data()), 548);
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(WriteStream(s_, 3000, data.data()), 3000);
  EXPECT_EQ(Writes(), (std::vector<DWORD>{2048, 3000}));
  EXPECT_EQ(WriteStream(s_, 0, nullptr), 0);
  EXPECT_EQ(WriteStream(s_, 5, nullptr), -1);
  EXPECT_EQ(WriteStream(s_, 2049, data.data()), 2049);  // an empty buffer: one call
  EXPECT_EQ(Writes(), (std::vector<DWORD>{2048, 3000, 2049}));
  // A short write in a flush fails it and empties the buffer.
  EXPECT_EQ(WriteStream(s_, 100, data.data()), 100);
  pk::seams::ShortWritePrinter(1, 10);
  EXPECT_EQ(FlushStream(s_), -1);
  EXPECT_EQ(s_->buffered, 0u);
  EXPECT_EQ(CloseSpoolJobSink(s_, 1), 0);
  EXPECT_EQ(s_->sinkKind, kSinkClosed);
  EXPECT_EQ(WriteStream(s_, 3000, data.data()), -1);  // closed
  EXPECT_EQ(WriteStreamBlock(s_, 10, data.data()), -1);
}

TEST_F(StreamTest, SinkKindsAndClosing) {
  ASSERT_EQ(OpenPassThroughSink(s_, printer_), 0);
  EXPECT_EQ(WriteStreamBlock(s_, 10, "0123456789"), 10);
  s_->sinkKind = kSinkSpoolerAndFile;
  EXPECT_EQ(SetSinkKind(s_, kSinkSpooler), -1);
  EXPECT_EQ(s_->sinkKind, kSinkSpoolerAndFile);
  s_->sinkKind = kSinkSpooler;
  s_->printer = nullptr;
  EXPECT_EQ(ClosePassThroughSink(s_, 1), -1);
  EXPECT_EQ(s_->sinkKind, kSinkSpooler);
  EXPECT_EQ(OpenPassThroughSink(s_, nullptr), -1);
  EXPECT_EQ(s_->sinkKind, kSinkClosed);

  ASSERT_EQ(OpenSpoolJobSink(s_, printer_, u"Refused end"), 0);
  pk::seams::FailSpoolCall(pk::seams::SpoolCall::EndDoc, 1);
  EXPECT_EQ(CloseSpoolJobSink(s_, 1), -1);
}

// A job dropped by an earlier one's abort state is not dropped again: the
// next pass-through sink starts the job afresh.
TEST_F(StreamTest, AbortStateIsClearedForTheNextJob) {
  SetOutputAbortState(-1);
  ASSERT_EQ(OpenPassThroughSinkForPdev(pdev(), printer_), 0);
  EXPECT_EQ(GetOutputAbortState(), 0);
}

TEST_F(StreamTest, JobCopyFile) {
  for (const char16_t* folder : {u"C:\\Copies", u"C:\\Copies\\"}) {
    SCOPED_TRACE(std::char_traits<char16_t>::length(folder));
    ASSERT_EQ(OpenSpoolJobSink(s_, printer_, u"Copied"), 0);
    SetText(337, folder);
    SetText(338, u"job1");
    ASSERT_EQ(OpenJobCopyFile(pdev()), 0);
    EXPECT_EQ(s_->sinkKind, kSinkSpoolerAndFile);
    std::vector<BYTE> data(3000, 'c');
    EXPECT_EQ(WriteStream(s_, 3000, data.data()), 3000);
    EXPECT_EQ(CloseCopyFileForPdev(pdev()), 0);
    EXPECT_EQ(s_->copyFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CloseSpoolJobSink(s_, 1), 0);
    EXPECT_EQ(Writes(), std::vector<DWORD>{3000});
    HANDLE f = CreateFileW(u"C:\\Copies\\job1.kwv", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(f, nullptr), 3000u);
    CloseHandle(f);
  }
  // A folder that cannot be made: OK goes on without a copy, Cancel stops.
  HANDLE blocker = CreateFileW(u"C:\\blocker", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(blocker);
  ASSERT_EQ(OpenSpoolJobSink(s_, printer_, u"No copy"), 0);
  SetText(337, u"C:\\blocker\\sub");
  for (int answer : {IDOK, IDCANCEL}) {
    pk::seams::QueueMessageBoxAnswer(answer);
    EXPECT_EQ(OpenJobCopyFile(pdev()), answer == IDOK ? 0 : -1);
    EXPECT_EQ(s_->sinkKind, kSinkSpooler);
    auto call = pk::seams::MessageBoxCalls().back();
    EXPECT_EQ(call.style, 0x10031u);
    EXPECT_NE(call.text.find(u"job copy"), std::u16string::npos);
  }
  CloseSpoolJobSink(s_, 1);
}

TEST_F(StreamTest, PdevOutputFlags) {
  EXPECT_EQ(WriteBytesToJob(pdev(), 3, "abc"), -1);  // output not opened
  pdev()->pipeline.pipelineFlags = kPipelineDocumentOpen;
  EXPECT_EQ(IsJobOutputStarted(pdev()), 0);
  ASSERT_EQ(OpenPassThroughSink(s_, printer_), 0);
  pdev()->pipeline.pipelineFlags |= kPipelineJobOutputStarted;
  EXPECT_EQ(IsJobOutputStarted(pdev()), 1);
  EXPECT_EQ(WriteTextToJob(pdev(), "@PJL"), 0);
  EXPECT_EQ(WriteBlockToJob(pdev(), 3, "abc"), 0);

  PdevState fresh{}, old{};
  struct Case {
    uint32_t freshFlags, oldFlags;
    int answer;
  } cases[] = {
      {0, 0, 0}, {kPipelineJobInError, 0, -1}, {0, kPipelineJobInError, -1}, {kPipelineLogicalPageOpen, 0, -1}};
  for (const Case& c : cases) {
    fresh.pipeline.pipelineFlags = c.freshFlags;
    old.pipeline.pipelineFlags = c.oldFlags;
    EXPECT_EQ(MarkPdevReset(&fresh, &old), c.answer);
    EXPECT_EQ((fresh.pipeline.pipelineFlags & kPipelineRefillPageRecord) != 0, c.answer == 0);
  }
  int32_t from[6] = {1, 2, 3, 4, 5, 6}, to[6] = {};
  ASSERT_EQ(CopyPlacementRecord(from, to), 0);
  EXPECT_EQ(to[5], 6);
  EXPECT_EQ(CopyPlacementRecord(nullptr, to), -1);
  pdev()->jobArea.documentName[0] = u'x';
  ASSERT_EQ(ClearJobSetupArea(&pdev()->jobArea), 0);
  EXPECT_EQ(pdev()->jobArea.documentName[0], 0);
}

// A realised brush may copy 192 bytes into the brush cell: they stay inside it.
TEST_F(StreamTest, BrushCellHoldsARealisedBrush) {
  static_assert(sizeof(StreamWorkArea::brushCell) >= 192);
  s_->work.brushBitmap = reinterpret_cast<BYTE*>(0x1234);
  std::vector<BYTE> brush(192, 0xAB);
  std::memcpy(s_->work.brushCell, brush.data(), brush.size());
  EXPECT_EQ(s_->work.brushBitmap, reinterpret_cast<BYTE*>(0x1234));
  s_->work.brushBitmap = nullptr;
}

// A job that ends inside a band leaves the brush bitmap of its last fill in
// the stream: the stream frees it when it goes.
TEST_F(StreamTest, StreamFreesABrushBitmapLeftByAnEndedJob) {
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  JobOutputStream* s = CreateJobOutputStream(nullptr);
  ASSERT_NE(s, nullptr);
  s->work.brushBitmap = static_cast<BYTE*>(GlobalAlloc(GPTR, 64));
  ASSERT_NE(s->work.brushBitmap, nullptr);
  DestroyJobOutputStream(s);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

TEST(GrowableTable, IndexesStayBelowTheCapacity) {
  GrowableTable table;
  InitTable(&table);
  EXPECT_EQ(CreateTable(&table, 0, 80), -1);
  ASSERT_EQ(CreateTable(&table, 116, 80), 0);
  EXPECT_EQ(GetTableCapacity(&table), 80);
  std::vector<BYTE> entry(116);
  for (size_t i = 0; i < entry.size(); ++i) entry[i] = BYTE(i);
  for (uint32_t i = 0; i < 80; ++i) ASSERT_EQ(PutTableEntry(&table, i, entry.data()), 0);
  ASSERT_EQ(GrowTable(&table), 0);
  EXPECT_EQ(GetTableCapacity(&table), 160);
  std::vector<BYTE> back(116);
  ASSERT_EQ(GetTableEntry(&table, 79, back.data()), 0);
  EXPECT_EQ(back, entry);
  EXPECT_EQ(PutTableEntry(&table, 160, entry.data()), -1);
  EXPECT_EQ(GetTableEntry(&table, 160, back.data()), -1);
  EXPECT_EQ(FillTableEntry(&table, 160, 0xFF), -1);
  EXPECT_EQ(FillTableEntry(&table, 159, 0xFF), 0);
  FreeTable(&table);
  // Growth past 65,535 entries is refused.
  ASSERT_EQ(CreateTable(&table, 1, 40000), 0);
  EXPECT_EQ(GrowTable(&table), -1);
  EXPECT_EQ(GetTableCapacity(&table), 40000);
  FreeTable(&table);
}

}  // namespace

namespace {

TEST_F(StreamTest, MappedPaperAndPaperKinds) {
  Set(8, 9);
  EXPECT_EQ(GetMappedPaperSize(pdev()), 9);  // no sink yet
  ASSERT_EQ(OpenPassThroughSink(s_, printer_), 0);
  WORD code = 0;
  ASSERT_EQ(FormIndexToPaperCode(printer_, 9, &code), 1);
  EXPECT_EQ(GetMappedPaperSize(pdev()), code);
  EXPECT_EQ(GetPaperSeries(pdev()), GetPaperCodeSeries(code));
  ClosePassThroughSink(s_, 1);
  struct Case {
    int document, output, kind;
  } cases[] = {{274, 267, 3}, {274, 9, 1}, {9, 274, 2}, {9, 267, 0}};
  for (const Case& c : cases) {
    Set(8, c.document);
    Set(262, c.output);
    EXPECT_EQ(GetPaperKindPair(pdev()), c.kind) << c.document << " " << c.output;
  }
}

}  // namespace
