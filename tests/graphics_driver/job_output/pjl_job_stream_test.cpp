// The PJL job stream: the header's lines from the settings (a golden header,
// the paper tables, owner names), the frame of a streamed file with its
// pieces and REFERNAME rounds, a failed write, and lines cut to their buffer
// at a whole character. The preview job file keeps the job's bytes.
#include "graphics_driver/job_output/pjl_job_stream.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/output_routes.h"
#include "graphics_driver/job_output/save_file_name.h"
#include "job_fixture.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_seams.h"

namespace {

const std::string kUel = "\x1b%-12345X";

// The temp folder is the user's: its name may hold double-byte characters.
std::string HostOf(const char* ansi) {
  WCHAR wide[520] = {};
  MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 520);
  std::string host;
  PkResolveWindowsPath(wide, nullptr, &host);
  return host;
}

class PjlTest : public pk::test::JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    SetOutputAbortState(0);
    Set(1032, 1);
    Set(475, 1);
    RemoveLeftoverPreviewJob();
    pk::seams::SetUserName(u"kato");
    pk::seams::SetComputerName(u"WS-7");
    SYSTEMTIME t{};
    t.wYear = 2025;
    t.wMonth = 11;
    t.wDay = 3;
    t.wHour = 14;
    t.wMinute = 5;
    pk::seams::SetClock(t, 1000);
  }
  std::string Job() {
    std::ifstream in(HostOf(PreviewJobPath()), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  // The header's lines after the opening UEL line.
  std::string Header(const WCHAR* name = nullptr) {
    WritePjlHeader(pdev(), name);
    std::string job = Job();
    EXPECT_EQ(job.compare(0, kUel.size() + 5, kUel + "@PJL\n"), 0);
    return job.substr(std::min(job.size(), kUel.size() + 5));
  }
  static std::string Lines(const char* format, const char* value) {
    std::string out;
    for (int n = 1; n <= 15; ++n) {
      char line[80];
      std::snprintf(line, sizeof line, format, n, value);
      out += line;
    }
    return out;
  }
};

TEST_F(PjlTest, GoldenHeader) {
  Set(1031, 0);
  Set(262, 273);
  Set(437, 2);
  Set(451, 0);
  Set(18, 1);
  Set(12, 2);
  Set(265, 3);
  Set(388, 5);
  Set(376, 4);
  Set(411, 1);
  Set(412, 21);
  Set(303, 0x301);
  Set(467, 1);
  Set(468, 0);
  Set(469, 1);
  SetText(299, u"Proof");
  const std::string expected = "@PJL DEFAULT OWNER = \"kato\\WS-7\"\n" +
                               Lines("@PJL DEFAULT IMAGE%dROTATE = %s\n", "FIRST") +
                               "@PJL DEFAULT COLLATIONENABLE = ON\n"
                               "@PJL DEFAULT COPIES = 2\n"
                               "@PJL DEFAULT MEDIASOURCE = TRAY2\n"
                               "@PJL DEFAULT MEDIATYPE = TRACING\n"
                               "@PJL DEFAULT FINISHPROGID = PROGRAM4\n"
                               "@PJL DEFAULT FINISHMARGINS = USEPROGRAM\n"
                               "@PJL DEFAULT FINISHBIN = FANFOLD\n"
                               "@PJL DEFAULT LABELCORNER = TOP_RIGHT\n"
                               "@PJL DEFAULT LABELSTRING = \"Proof(14:05)\"\n"
                               "@PJL DEFAULT LABELLOCX = 5\n"
                               "@PJL DEFAULT LABELLOCY = 3\n"
                               "@PJL DEFAULT LABELROTATE = 0\n"
                               "@PJL DEFAULT LABELFONTWIDTH = 30\n"
                               "@PJL DEFAULT LABELFONTHEIGHT = 30\n";
  EXPECT_EQ(Header(), expected);
}

TEST_F(PjlTest, PaperTablesForAJisBOutputOfAnA4Document) {
  Set(262, 12);
  Set(332, 2);
  Set(470, 0);
  Set(449, 0);
  pdev()->devmode.devMode.publicPart.dmPaperSize = 9;
  const std::string header = Header();
  const std::string paper =
      "@PJL DEFAULT SCALE = OFF\n"
      "@PJL DEFAULT INPUTMODE = AUTO_JISB\n"
      "@PJL DEFAULT OUTPUTMODE = AUTO_JISB\n";
  std::string sizes;
  const char* five[] = {"JIS_B1", "JIS_B1", "JIS_B1", "JIS_B2", "JIS_B3"};
  for (int n = 1; n <= 15; ++n)
    sizes += "@PJL DEFAULT PAPER" + std::to_string(n) + "SIZE = " + five[(n - 1) % 5] + "\n";
  EXPECT_NE(header.find(paper + sizes + "@PJL DEFAULT IMAGE1ROTATE"), std::string::npos) << header;
  EXPECT_EQ(header.find("LAYOUT"), std::string::npos);
}

TEST_F(PjlTest, ScalingNamesTheOutputSizeAndLaysOutEveryImage) {
  Set(262, 12);
  Set(332, 2);
  Set(470, 0);
  Set(449, 1);
  pdev()->devmode.devMode.publicPart.dmPaperSize = 9;
  const std::string header = Header();
  EXPECT_NE(header.find("@PJL DEFAULT OUTPUTMODE = JIS_B4\n"), std::string::npos) << header;
  std::string layout;
  for (int n = 1; n <= 15; ++n)
    layout += "@PJL DEFAULT IMAGE" + std::to_string(n) + "LAYOUTX = 0\n@PJL DEFAULT IMAGE" + std::to_string(n) +
              "LAYOUTY = 0\n";
  EXPECT_NE(header.find(layout), std::string::npos) << header;
}

TEST_F(PjlTest, OwnerNames) {
  WCHAR owner[40];
  struct Case {
    const char16_t* user;
    const char16_t* computer;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"s.yamamoto-admin", u"ACCOUNTING-PC-0042-LONG", u"s.yamamoto-admin\\ACCOUNTING-PC-"},
      {u"Administrator", u"PC01", u"Administrator\\PC01"},
      {u"   ", u"PC01", u"UnknownUser\\PC01"},
      {u"abcdefghijklmnopqrstuvwxyz01234", u"PC01", u"abcdefghijklmnopqrstuvwxyz01234"},
  };
  for (const Case& c : cases) {
    pk::seams::SetUserName(c.user);
    pk::seams::SetComputerName(c.computer);
    GetJobOwnerName(31, owner);
    EXPECT_EQ(std::u16string(owner), c.expected);
  }
  // SYSTEM is no person: the machine's default user stands in.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", 0,
                            nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::u16string name = u"tanaka";
  ASSERT_EQ(RegSetValueExW(key, u"DefaultUserName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                           DWORD((name.size() + 1) * 2)),
            ERROR_SUCCESS);
  RegCloseKey(key);
  pk::seams::SetUserName(u"SYSTEM");
  pk::seams::SetComputerName(u"PC01");
  GetJobOwnerName(31, owner);
  EXPECT_EQ(std::u16string(owner), u"tanaka\\PC01");
  WCHAR user[65];
  EXPECT_EQ(GetJobUserName(user), 0);
  EXPECT_EQ(std::u16string(user), u"tanaka");
}

TEST_F(PjlTest, JobNameOpensAndClosesTheJob) {
  const std::string header = Header(u"Q3");
  EXPECT_EQ(header.rfind("@PJL JOB NAME = \"Q3\"\n", 0), 0u) << header;
  WritePjlEoj(pdev());
  const std::string job = Job();
  const std::string eoj = "@PJL EOJ NAME = \"Q3\"\n";
  EXPECT_EQ(job.substr(job.size() - eoj.size()), eoj);
  // A job without a name has neither line.
  RemoveLeftoverPreviewJob();
  EXPECT_EQ(Header().find("JOB NAME"), std::string::npos);
  WritePjlEoj(pdev());
  EXPECT_EQ(Job().find("EOJ"), std::string::npos);
}

TEST_F(PjlTest, ValueLinesAreCutToTheirBufferAtAWholeCharacter) {
  // A job name of 200 characters: the line with its quotes and line feed
  // fills 127 of its 128 bytes; the EOJ line likewise.
  const std::u16string longName(200, u'A');
  std::string header = Header(longName.c_str());
  std::string line = header.substr(0, header.find('\n') + 1);
  EXPECT_EQ(line, "@PJL JOB NAME = \"" + std::string(108, 'A') + "\"\n");
  EXPECT_EQ(line.size(), 127u);
  // The owner of setting 1054 as it stands.
  RemoveLeftoverPreviewJob();
  Set(1031, 2);
  SetText(1054, std::u16string(32, u'B'));
  header = Header();
  line = header.substr(0, header.find('\n') + 1);
  EXPECT_EQ(line, "@PJL DEFAULT OWNER = \"" + std::string(32, 'B') + "\"\n");

  // Double-byte characters are never split: the owner line fits 63 bytes.
  pk::seams::SetCodePages(932, 932);
  Set(1031, 0);
  pk::seams::SetUserName(std::u16string(20, u'\u5C71').c_str());
  pk::seams::SetComputerName(u"PC");
  RemoveLeftoverPreviewJob();
  ASSERT_NE(PreviewJobPath(), nullptr);
  header = Header();
  line = header.substr(0, header.find('\n') + 1);
  ASSERT_LE(line.size(), 63u);
  const std::string value = line.substr(22, line.size() - 24);
  ASSERT_EQ(value.size() % 2, 0u) << line;
  for (size_t i = 0; i < value.size(); i += 2) EXPECT_TRUE(IsDBCSLeadByte(BYTE(value[i])));
  pk::seams::SetCodePages(1252, 850);
}

// Reverse order, one page per sheet, no collation, two copies: the file goes
// under a name, in pieces, and is recalled once.
TEST_F(PjlTest, FramedFileInPiecesWithItsRefernameRound) {
  Set(451, 1);
  Set(295, 1);
  Set(18, 0);
  Set(12, 2);
  const std::string header = Header();
  EXPECT_NE(header.find("@PJL DEFAULT COLLATIONENABLE = REVERSE\n@PJL DEFAULT COPIES = 1\n"), std::string::npos);
  const size_t before = Job().size();

  char folder[260];
  ASSERT_EQ(GetBriscaTempFolder(folder), 0);
  TiffJobRecord record{};
  // The temp folder is a short machine-root path; a cut name would fail the open below.
  ASSERT_LT(std::strlen(folder) + 10, sizeof record.outputFile);
  std::snprintf(record.outputFile, sizeof record.outputFile, "%.200s\\page.tif", folder);
  std::string bytes(131065, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7);
  std::ofstream(HostOf(record.outputFile), std::ios::binary) << bytes;
  record.outputReady = 1;
  record.pageNumber = 3;
  ASSERT_EQ(StreamTiffFileIntoJob(pdev(), &record), 1);
  const std::string unit = Job().substr(before);
  const std::string expected = "@PJL SET FILENAME = \"data3\"\n@PJL ENTER LANGUAGE = TIFF6\n" + bytes + "\n" + kUel +
                               "\n@PJL SET REFERNAME = \"data3\"\n@PJL ENTER LANGUAGE = TIFF6\n" + kUel + "\n";
  EXPECT_TRUE(unit == expected);

  // The third write of the file (its last piece of 1 byte) fails: the two
  // pieces of 65,532 bytes are in, and the stream answers -1.
  RemoveLeftoverPreviewJob();
  pk::seams::FailWritesFrom(u"PRV.pjl", 5, false);
  EXPECT_EQ(StreamTiffFileIntoJob(pdev(), &record), -1);
  pk::seams::ClearWriteFaults();
  const std::string cut = Job();
  EXPECT_EQ(cut.size(),
            std::string("@PJL SET FILENAME = \"data3\"\n@PJL ENTER LANGUAGE = TIFF6\n").size() + 2 * 65532u);
  EXPECT_EQ(GetOutputAbortState(), 0);
  std::remove(HostOf(record.outputFile).c_str());
}

TEST_F(PjlTest, NothingToStreamAndAFileThatCannotBeOpened) {
  TiffJobRecord record{};
  EXPECT_EQ(StreamTiffFileIntoJob(pdev(), &record), 0);
  record.outputReady = 1;
  std::strcpy(record.outputFile, "C:\\missing\\page.tif");
  EXPECT_EQ(StreamTiffFileIntoJob(pdev(), &record), -1);
}

}  // namespace
