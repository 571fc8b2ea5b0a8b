// Whole jobs through the print host and the driver of the build, each on a
// fresh machine root: the test page by the `make print` script in portrait,
// landscape and at 400 dpi, with jobcheck's checks of pages, sizes,
// resolutions and the PJL header; a document of black rectangles whose ink
// lands where it was drawn, as PJL units or one bare multi-page TIFF; booklet
// and poster jobs, whose pages reach the job in document order; and a fax to
// three recipients, sent as three spooler jobs of the same pages.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/machine_root.h"
#include "platform/win/win_seams.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"
#include "settings/store/printer_settings_data.h"
#include "settings/store/settings_blob.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exit = -1;
  std::string out;
};

Outcome Shell(const std::string& command) {
  Outcome r;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) r.out.append(buffer, n);
  const int status = pclose(p);
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Printable lengths of the default model's A4 record (2100 x 2970, 4.2 mm
// margins on every side), 0.1 mm, in dots as the driver converts them: the
// width rounded down to a multiple of 8.
int Dots(int tenthsMm, int dpi) { return int(float(tenthsMm) * dpi / 254.0f); }
constexpr int kA4PrintableWidth = 2100 - 2 * 42, kA4PrintableHeight = 2970 - 2 * 42;

class PrintJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A build folder of the test's own whose programs are the build's.
    char folder[] = "/tmp/print_job_test.XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    build_ = folder;
    fs::create_directory_symlink(PK_BUILD_OUT, build_ + "/out");
  }
  void TearDown() override { fs::remove_all(build_); }

  Outcome PrintScript(const std::string& options = "") {
    return Shell("bash '" PK_SOURCE_DIR "/scripts/print.sh' '" + build_ + "' " + options);
  }
  std::string Job() { return build_ + "/print/testpage.prn"; }
  Outcome Jobcheck(const std::string& options, const std::string& job) {
    return Shell("'" PK_BUILD_OUT "/jobcheck' " + options + " '" + job + "'");
  }
  // gdihost on a root of its own.
  Outcome Gdihost(const std::string& root, const std::string& options) {
    return Shell("'" PK_BUILD_OUT "/gdihost' -q --root '" + root + "' --no-interface " + options);
  }

  std::string build_;
};

TEST_F(PrintJobTest, TestPageOfTheDefaultPrinter) {
  const Outcome r = PrintScript();
  ASSERT_EQ(r.exit, 0) << r.out;
  const std::string job = Job();
  EXPECT_NE(r.out.find(job + ": 1 page, 1 TIFF file, " + std::to_string(fs::file_size(job)) + " bytes\n"),
            std::string::npos)
      << r.out;
  const std::string size =
      std::to_string(Dots(kA4PrintableWidth, 600) / 8 * 8) + "x" + std::to_string(Dots(kA4PrintableHeight, 600));
  EXPECT_EQ(size, "4760x6817");
  const std::string split = build_ + "/split";
  fs::create_directories(split);
  const Outcome check = Jobcheck("--pages 1 --dpi 600 --size " + size + " --split " + split, job);
  EXPECT_EQ(check.exit, 0) << check.out;
  const std::string header = ReadAll(split + "/header.txt");
  EXPECT_NE(header.find("@PJL DEFAULT MEDIASOURCE = AUTO\n"), std::string::npos) << header;
  EXPECT_NE(header.find("@PJL DEFAULT COPIES = 1\n"), std::string::npos) << header;
  // A check that does not hold fails.
  EXPECT_EQ(Jobcheck("--pages 2", job).exit, 1);
  EXPECT_EQ(Jobcheck("--dpi 400", job).exit, 1);
}

TEST_F(PrintJobTest, LandscapeAnd400Dpi) {
  struct Case {
    const char* options;
    int dpi;
    int width, height;  // 0.1 mm
  };
  const Case cases[] = {
      {"--set 7=2", 600, kA4PrintableHeight, kA4PrintableWidth},
      {"--set 14=0x01900190", 400, kA4PrintableWidth, kA4PrintableHeight},
  };
  for (const Case& c : cases) {
    const Outcome r = PrintScript(c.options);
    ASSERT_EQ(r.exit, 0) << c.options << "\n" << r.out;
    const std::string size = std::to_string(Dots(c.width, c.dpi) / 8 * 8) + "x" + std::to_string(Dots(c.height, c.dpi));
    const Outcome check = Jobcheck("--pages 1 --dpi " + std::to_string(c.dpi) + " --size " + size, Job());
    EXPECT_EQ(check.exit, 0) << c.options << "\n" << check.out;
  }
}

TEST_F(PrintJobTest, FaxToThreeRecipientsGivesThreeJobs) {
  // The root's model is replaced by one marked as a fax device (header field
  // 23 = 1); the interface library's fax temp file holds three recipients.
  pk::seams::UseTemporaryMachineRoot();
  const std::string root = PkMachineRoot();
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &printer, nullptr));
  DeviceModel* model = OpenDeviceModel(printer);
  ASSERT_NE(model, nullptr);
  auto devmode = std::make_unique<WorkingDevMode>();
  std::vector<BYTE> settings(kPrinterSettingsBlockSize, 0);
  BuildDefaultSettings(model, devmode.get(), settings.data(), PK_DEFAULT_PRINTER_NAME);
  CloseDeviceModel(model);
  ClosePrinter(printer);
  std::ifstream in(PK_DEFAULT_MODEL_TEXT);
  std::stringstream text;
  for (std::string line; std::getline(in, line);)
    text << (line.rfind("field 23 ", 0) == 0 ? "field 23 1" : line) << "\n";
  std::ofstream(root + "/fax.txt") << text.str();
  std::string modelFile;
  for (auto& e : fs::recursive_directory_iterator(root + "/c"))
    if (e.path().filename() == "ORVC3600.DDD") modelFile = e.path().string();
  ASSERT_FALSE(modelFile.empty());
  fs::remove(modelFile);
  const Outcome w = Shell("'" PK_BUILD_OUT "/dddwrite' '" + root + "/fax.txt' '" + modelFile + "'");
  ASSERT_EQ(w.exit, 0) << w.out;

  std::vector<BYTE> fax(1442 + 3 * 742, 0);
  std::memcpy(fax.data(), u"ORVA001", 16);
  fax[16] = 3;
  for (int i = 0; i < 3; ++i) std::memcpy(&fax[1442 + 742 * i + 262], u"Kato", 10);
  fs::create_directories(root + "/c/faxdata");
  std::ofstream(root + "/c/faxdata/KZF1A.tmp").flush();
  ASSERT_EQ(
      WriteSettingsBlob(nullptr, u"C:\\faxdata\\KZF1A.tmp", 3, fax.data(), DWORD(fax.size()), &devmode->extension), 1);

  const std::string document =
      "document \"Fax\"\nunit mm\npen null\nbrush solid #000000\nrect 20 20 60 40\npage\nrect 30 30 70 50\n";
  std::ofstream(root + "/fax_document.txt") << document;
  const Outcome r =
      Gdihost(root, "--set 376=1 --set 380=3 --set '375=C:\\faxdata\\KZF1A.tmp' '" + root + "/fax_document.txt'");
  ASSERT_EQ(r.exit, 0) << r.out;

  // Three complete jobs in recipient order, each of the two pages.
  const Outcome jobs = Shell("'" PK_BUILD_OUT "/spoolctl' --root '" + root + "' jobs");
  std::istringstream lines(jobs.out);
  std::vector<unsigned long> ids;
  for (std::string line; std::getline(lines, line);)
    if (line.find("\tcomplete\t") != std::string::npos && line.find("\tFax\t") != std::string::npos)
      ids.push_back(std::stoul(line));
  ASSERT_EQ(ids.size(), 3u) << jobs.out;
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end())) << jobs.out;
  std::string first;
  for (unsigned long id : ids) {
    const Outcome path = Shell("'" PK_BUILD_OUT "/spoolctl' --root '" + root + "' job-file " + std::to_string(id));
    ASSERT_EQ(path.exit, 0) << path.out;
    const std::string job = path.out.substr(0, path.out.find('\n'));
    const Outcome check = Jobcheck("--pages 2 --dpi 600 --ink", job);
    EXPECT_EQ(check.exit, 0) << id << "\n" << check.out;
    EXPECT_NE(check.out.find(": 2 pages, 2 TIFF files,"), std::string::npos) << check.out;
    // Every recipient's job holds the same page files after its head.
    const std::string bytes = ReadAll(job);
    const std::string pages = bytes.substr(std::min(bytes.size(), bytes.find("@PJL ENTER LANGUAGE")));
    if (first.empty()) first = pages;
    EXPECT_EQ(pages, first) << id;
  }
}

TEST_F(PrintJobTest, BookletAndPosterJobsKeepTheirPagesInOrder) {
  // Six pages, each with a square further right. The imposition replays
  // into empty sheet hooks, so the job holds the six pages as drawn.
  std::string document = "document \"Imposed\"\nunit mm\npen null\nbrush solid #000000\n";
  for (int page = 0; page < 6; ++page) {
    if (page) document += "page\n";
    const int left = 10 + 20 * page;
    document += "rect " + std::to_string(left) + " 10 " + std::to_string(left + 10) + " 20\n";
  }
  struct Case {
    const char* what;
    const char* options;
  };
  const Case cases[] = {
      {"booklet", "--set 321=2"},
      {"poster with marks", "--set 321=1 --set 296=0x0202 --set 453=1"},
  };
  for (const Case& c : cases) {
    const std::string root = build_ + "/root_" + std::to_string(&c - cases);
    fs::create_directories(root);
    std::ofstream(root + "/imposed.txt") << document;
    const std::string job = root + "/imposed.prn";
    const Outcome r = Gdihost(root, std::string(c.options) + " -o '" + job + "' '" + root + "/imposed.txt'");
    EXPECT_EQ(r.exit, 0) << c.what << "\n" << r.out;
    const Outcome check = Jobcheck("--pages 6 --dpi 600 --ink", job);
    ASSERT_EQ(check.exit, 0) << c.what << "\n" << check.out;
    EXPECT_NE(check.out.find(": 6 pages, 6 TIFF files,"), std::string::npos) << check.out;
    std::istringstream lines(check.out);
    std::string line;
    for (int page = 0; page < 6; ++page) {
      ASSERT_TRUE(std::getline(lines, line)) << check.out;
      long box[4] = {};
      ASSERT_EQ(std::sscanf(line.c_str(), ("page " + std::to_string(page + 1) + ": ink %ld %ld %ld %ld").c_str(),
                            &box[0], &box[1], &box[2], &box[3]),
                4)
          << line;
      EXPECT_NEAR(box[0], std::lround((10 + 20 * page) * 600 / 25.4), 2) << c.what << " page " << page + 1;
      EXPECT_NEAR(box[1], std::lround(10 * 600 / 25.4), 2) << c.what << " page " << page + 1;
    }
    const Outcome jobs = Shell("'" PK_BUILD_OUT "/spoolctl' --root '" + root + "' jobs");
    EXPECT_NE(jobs.out.find("\tcomplete\t"), std::string::npos) << c.what << "\n" << jobs.out;
  }
}

// The default printer's stored settings of the test's machine root with
// PJL output off.
void StorePjlOutputOff() {
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &printer, nullptr));
  DeviceModel* model = OpenDeviceModel(printer);
  ASSERT_NE(model, nullptr);
  std::vector<BYTE> block(kPrinterSettingsBlockSize, 0);
  ASSERT_EQ(LoadPrinterSettings(printer, block.data(), model), 1);
  auto devmode = std::make_unique<WorkingDevMode>();
  uint64_t value = 0;
  SettingValueType type = 0;
  UINT size = 0;
  ASSERT_EQ(GetSettingValue(1032, devmode.get(), block.data(), &type, &size, &value), kSettingOk);
  EXPECT_EQ(value, 1u);
  value = 0;
  ASSERT_EQ(SetSettingValue(1032, devmode.get(), block.data(), type, size, &value), kSettingOk);
  EXPECT_EQ(SavePrinterSettings(printer, block.data(), TRUE), 1);
  CloseDeviceModel(model);
  ClosePrinter(printer);
}

// Three pages of one black rectangle each (millimetres from the printable
// area's top-left corner): left, top, right, bottom.
constexpr int kRects[3][4] = {{20, 20, 60, 40}, {100, 150, 150, 200}, {30, 240, 90, 270}};

TEST_F(PrintJobTest, BlackRectanglesInkWhereTheyWereDrawn) {
  std::string document = "document \"Rectangles\"\nunit mm\npen null\nbrush solid #000000\n";
  for (int page = 0; page < 3; ++page) {
    if (page) document += "page\n";
    document += "rect " + std::to_string(kRects[page][0]) + " " + std::to_string(kRects[page][1]) + " " +
                std::to_string(kRects[page][2]) + " " + std::to_string(kRects[page][3]) + "\n";
  }
  for (bool pjl : {true, false}) {
    pk::seams::UseTemporaryMachineRoot();
    const std::string root = PkMachineRoot();
    if (!pjl) StorePjlOutputOff();
    std::ofstream(root + "/rects.txt") << document;
    const std::string job = root + "/rects.prn";
    const Outcome r = Gdihost(root, "-o '" + job + "' '" + root + "/rects.txt'");
    ASSERT_EQ(r.exit, 0) << r.out;
    const Outcome check = Jobcheck("--pages 3 --dpi 600 --ink", job);
    ASSERT_EQ(check.exit, 0) << check.out;
    // PJL: a file per page; without: one TIFF file of three pages.
    EXPECT_NE(check.out.find(pjl ? ": 3 pages, 3 TIFF files," : ": 3 pages, 1 TIFF file,"), std::string::npos)
        << check.out;
    std::istringstream lines(check.out);
    std::string line;
    for (int page = 0; page < 3; ++page) {
      ASSERT_TRUE(std::getline(lines, line)) << check.out;
      long box[4] = {};
      ASSERT_EQ(std::sscanf(line.c_str(), ("page " + std::to_string(page + 1) + ": ink %ld %ld %ld %ld").c_str(),
                            &box[0], &box[1], &box[2], &box[3]),
                4)
          << line;
      // The rectangle's edges in dots; right and bottom are outside it.
      for (int i = 0; i < 4; ++i) {
        const long edge = std::lround(kRects[page][i] * 600 / 25.4) - (i >= 2 ? 1 : 0);
        EXPECT_NEAR(box[i], edge, 2) << "page " << page + 1 << " edge " << i << " pjl " << pjl;
      }
    }
  }
}

}  // namespace
