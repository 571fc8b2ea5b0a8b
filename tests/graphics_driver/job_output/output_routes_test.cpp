// Output routes: where job bytes go by the route settings, a save file that
// cannot be written, and the preview program with its exit code: resent,
// dropped, saved, or kept where the user is told.
#include "graphics_driver/job_output/output_routes.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/save_file_name.h"
#include "job_fixture.h"
#include "platform/spooler/spooler_seams.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_msgbox.h"

namespace {

using pk::test::JobTest;

std::string HostOf(const std::u16string& path) {
  std::string host;
  EXPECT_EQ(PkResolveWindowsPath(path.c_str(), nullptr, &host), 0u);
  return host;
}

std::string Contents(const std::u16string& path) {
  std::ifstream in(HostOf(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(const std::u16string& path, const std::string& bytes) {
  std::ofstream(HostOf(path), std::ios::binary) << bytes;
}

bool Exists(const std::u16string& path) { return std::ifstream(HostOf(path)).good(); }

std::u16string Wide(const char* ansi) { return std::u16string(ansi, ansi + std::strlen(ansi)); }

class RouteTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    ASSERT_EQ(CreatePdevOutputStream(pdev()), 0);
    ASSERT_EQ(OpenSpoolJobSink(pdev()->jobOutput, printer_, u"Routes"), 0);
    pdev()->pipeline.pipelineFlags = kPipelineDocumentOpen | kPipelineJobOutputStarted;
    SetOutputAbortState(0);
    const char* preview = PreviewJobPath();
    ASSERT_NE(preview, nullptr);
    previewJob_ = Wide(preview);
    if (Exists(previewJob_)) std::remove(HostOf(previewJob_).c_str());
  }
  void TearDown() override {
    CloseSpoolJobSink(pdev()->jobOutput, 1);
    DestroyPdevOutputStream(pdev());
    JobTest::TearDown();
  }
  void Route(int preview, int save, int saveAsPjl, int pjl) {
    Set(475, preview);
    Set(471, save);
    Set(1040, saveAsPjl);
    Set(1032, pjl);
  }
  // The save file's name, as the job output start builds it.
  void SaveTo(const std::u16string& folder) {
    SetText(1051, folder);
    Set(1037, 0);
    Set(1039, 1);
    std::u16string name = u"routes.doc";
    std::copy(name.begin(), name.end(), pdev()->jobArea.documentName);
    ASSERT_EQ(BuildSaveFileName(pdev()), 1);
  }
  std::u16string SaveName() {
    WCHAR name[260];
    CopyLastSaveFileName(name);
    return name;
  }
  std::vector<DWORD> SentToSpooler() {
    FlushStream(pdev()->jobOutput);
    auto jobs = pk::spooler::ListJobs(PK_DEFAULT_PRINTER_NAME);
    return jobs.empty() ? std::vector<DWORD>{} : jobs.back().writeSizes;
  }
  std::u16string previewJob_;
};

TEST_F(RouteTest, BytesGoWhereTheRouteSays) {
  std::string data(100, 'j');
  // Dropped while the job is aborted.
  SetOutputAbortState(-1);
  Route(0, 0, 0, 1);
  EXPECT_EQ(WriteJobBytes(pdev(), 100, data.data()), 1);
  EXPECT_TRUE(SentToSpooler().empty());
  SetOutputAbortState(1);
  // Preview: the PJL stream goes to PRV.pjl in the driver's temp folder.
  Route(1, 0, 0, 1);
  EXPECT_EQ(WriteJobBytes(pdev(), 100, data.data()), 1);
  EXPECT_EQ(Contents(previewJob_), data);
  EXPECT_NE(previewJob_.find(u"\\BRISCA\\PRV.pjl"), std::u16string::npos);
  Route(1, 0, 0, 0);
  EXPECT_EQ(WriteJobBytes(pdev(), 100, data.data()), 1);  // no PJL: nothing for the preview file
  EXPECT_EQ(Contents(previewJob_).size(), 100u);
  // The spooler.
  Route(0, 0, 0, 1);
  EXPECT_EQ(WriteJobText(pdev(), "@PJL\r\n"), 0);
  EXPECT_EQ(SentToSpooler(), std::vector<DWORD>{6});
  // The save file, only when it is the PJL job.
  ASSERT_TRUE(CreateDirectoryW(u"C:\\saved", nullptr));
  SaveTo(u"C:\\saved");
  Route(0, 1, 1, 1);
  EXPECT_EQ(WriteJobBytes(pdev(), 100, data.data()), 1);
  EXPECT_EQ(Contents(SaveName()), data);
  Route(0, 1, 0, 1);
  EXPECT_EQ(WriteJobBytes(pdev(), 100, data.data()), 1);
  EXPECT_EQ(Contents(SaveName()), data);
}

TEST_F(RouteTest, ASaveFileThatCannotBeWrittenDropsTheRest) {
  SaveTo(u"C:\\missing");
  Route(0, 1, 1, 1);
  EXPECT_EQ(WriteJobBytes(pdev(), 10, "0123456789"), -1);
  EXPECT_EQ(GetOutputAbortState(), -1);
  EXPECT_EQ(WriteJobBytes(pdev(), 10, "0123456789"), 1);
  auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].caption, u"Save to File");
  EXPECT_EQ(calls[0].text, u"The job could not be written to the output file.");
}

class PreviewTest : public RouteTest {
 protected:
  void SetUp() override {
    RouteTest::SetUp();
    tiff_ = u"C:\\job.tif";
    Put(tiff_, std::string(300, 't'));
  }
  int Preview(int exitCode) {
    EXPECT_TRUE(pk::seams::InstallProgramStub(PK_DRIVER_FOLDER u"Lindvar.exe", exitCode, u"C:\\copied.tif"));
    return RunPreviewProgram(pdev(), "C:\\job.tif");
  }
  std::u16string tiff_;
};

TEST_F(PreviewTest, ExitCodeDecides) {
  Route(1, 0, 0, 1);
  Put(previewJob_, std::string(600, 'p'));
  ASSERT_EQ(Preview(1), 1);
  EXPECT_EQ(SentToSpooler(), std::vector<DWORD>{600});  // 256 + 256 + 88 through the stream's buffer
  EXPECT_EQ(Contents(PK_DRIVER_FOLDER u"Lindvar.args"), HostOf(tiff_) + "\n");  // one argument: the TIFF
  EXPECT_EQ(Contents(u"C:\\copied.tif"), std::string(300, 't'));
  EXPECT_FALSE(Exists(tiff_));
  EXPECT_FALSE(Exists(previewJob_));

  Put(tiff_, std::string(300, 't'));
  Put(previewJob_, std::string(600, 'p'));
  ASSERT_EQ(Preview(0), 1);
  EXPECT_EQ(SentToSpooler(), std::vector<DWORD>{600});  // nothing more
  EXPECT_FALSE(Exists(tiff_));
  EXPECT_FALSE(Exists(previewJob_));

  // No program: the job prints.
  std::remove(HostOf(PK_DRIVER_FOLDER u"Lindvar").c_str());
  Put(tiff_, std::string(300, 't'));
  Route(1, 0, 0, 0);
  ASSERT_EQ(RunPreviewProgram(pdev(), "C:\\job.tif"), 1);
  EXPECT_EQ(SentToSpooler(), (std::vector<DWORD>{600, 300}));
}

TEST_F(PreviewTest, ResendThatFailsIsReported) {
  Route(1, 0, 0, 0);
  pk::seams::FailSpoolCall(pk::seams::SpoolCall::Write, 1, true);
  Put(tiff_, std::string(3000, 't'));
  EXPECT_EQ(Preview(1), 0);
  auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text, u"The job could not be written to the output file.");
}

TEST_F(PreviewTest, SavedOrKeptWhereTheUserIsTold) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\saved", nullptr));
  SaveTo(u"C:\\saved");
  Route(1, 1, 1, 1);
  Put(previewJob_, std::string(600, 'p'));
  ASSERT_EQ(Preview(1), 1);
  EXPECT_EQ(Contents(SaveName()), std::string(600, 'p'));
  Route(1, 1, 0, 1);
  Put(tiff_, std::string(300, 't'));
  ASSERT_EQ(Preview(1), 1);
  EXPECT_EQ(Contents(SaveName()), std::string(300, 't'));

  // The save folder is gone: the TIFF stays and the user is told where.
  SaveTo(u"C:\\missing");
  Route(1, 1, 0, 1);
  Put(tiff_, std::string(300, 't'));
  EXPECT_EQ(Preview(1), 0);
  EXPECT_TRUE(Exists(tiff_));
  auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].caption, u"Save to File");
  EXPECT_EQ(calls[0].text, u"The job could not be written to the output file.\nThe job is kept in C:\\job.tif.");
  // With the PJL job as the save file, its preview file is moved aside.
  Route(1, 1, 1, 1);
  Put(previewJob_, std::string(600, 'p'));
  EXPECT_EQ(Preview(1), 0);
  EXPECT_FALSE(Exists(previewJob_));
  std::u16string text = pk::seams::MessageBoxCalls().back().text;
  size_t at = text.find(u"kept in ");
  ASSERT_NE(at, std::u16string::npos);
  std::u16string kept = text.substr(at + 8, text.size() - at - 9);
  EXPECT_NE(kept.find(u"PRV"), std::u16string::npos);
  EXPECT_EQ(Contents(kept), std::string(600, 'p'));
}

TEST_F(RouteTest, APreviewJobStartsWithoutAnEarlierPreviewFile) {
  Put(previewJob_, std::string(500, 'o'));
  Route(1, 0, 0, 1);
  ASSERT_EQ(OpenPassThroughSinkForPdev(pdev(), printer_), 0);
  EXPECT_FALSE(Exists(previewJob_));
}

}  // namespace
