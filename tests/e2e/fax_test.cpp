// A fax to three recipients through both libraries: a fax device model (made
// by the model writer), the interface library's fax temp file with three
// recipients, and gdihost printing a two-page document gives three complete
// spooler jobs, each passing jobcheck with the same pages.
#include <algorithm>
#include <cstring>
#include <memory>

#include "e2e_fixture.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"
#include "settings/store/printer_settings_data.h"
#include "settings/store/settings_blob.h"

namespace e2e {
namespace {

TEST_F(E2eTest, FaxToThreeRecipientsGivesThreeCheckedJobs) {
  ASSERT_EQ(Gdihost("-o first.prn docs/three_pages.txt").exit, 0);
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &printer, nullptr));
  DeviceModel* model = OpenDeviceModel(printer);
  ASSERT_NE(model, nullptr);
  auto devmode = std::make_unique<WorkingDevMode>();
  std::vector<BYTE> settings(kPrinterSettingsBlockSize, 0);
  BuildDefaultSettings(model, devmode.get(), settings.data(), PK_DEFAULT_PRINTER_NAME);
  CloseDeviceModel(model);
  ClosePrinter(printer);

  // The model marked as a fax device (header field 23).
  std::ifstream in(PK_DEFAULT_MODEL_TEXT);
  std::stringstream text;
  for (std::string line; std::getline(in, line);)
    text << (line.rfind("field 23 ", 0) == 0 ? "field 23 1" : line) << "\n";
  std::ofstream(root_ + "/fax.txt") << text.str();
  std::string modelFile;
  Shell("find '" + root_ + "/c' -name ORVC3600.DDD", &modelFile);
  modelFile = modelFile.substr(0, modelFile.find('\n'));
  ASSERT_FALSE(modelFile.empty());
  fs::remove(modelFile);
  std::string out;
  ASSERT_EQ(Shell("'" + OutDir() + "/dddwrite' fax.txt '" + modelFile + "'", &out), 0) << out;

  // The fax temp file: three recipients.
  std::vector<BYTE> fax(1442 + 3 * 742, 0);
  std::memcpy(fax.data(), u"ORVA001", 16);
  fax[16] = 3;
  for (int i = 0; i < 3; ++i) std::memcpy(&fax[1442 + 742 * i + 262], u"Kato", 10);
  fs::create_directories(Host(u"C:\\faxdata"));
  std::ofstream(Host(u"C:\\faxdata") + "/KZF1A.tmp").flush();
  ASSERT_EQ(
      WriteSettingsBlob(nullptr, u"C:\\faxdata\\KZF1A.tmp", 3, fax.data(), DWORD(fax.size()), &devmode->extension), 1);

  std::ofstream(root_ + "/docs/fax.txt")
      << "document \"Fax\"\nunit mm\npen null\nbrush solid #000000\nrect 20 20 60 40\npage\nrect 30 30 70 50\n";
  HostRun r = Gdihost("-s 376=1 -s 380=3 -s '375=C:\\faxdata\\KZF1A.tmp' docs/fax.txt");
  ASSERT_EQ(r.exit, 0) << r.err;

  // Three complete jobs in recipient order, each with the same two pages.
  ASSERT_EQ(Shell("'" + OutDir() + "/spoolctl' --root '" + root_ + "' jobs", &out), 0) << out;
  std::vector<unsigned long> ids;
  for (const std::string& line : SplitLines(out))
    if (line.find("\tcomplete\t") != std::string::npos && line.find("\tFax\t") != std::string::npos)
      ids.push_back(std::stoul(line));
  ASSERT_EQ(ids.size(), 3u) << out;
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
  std::string first;
  for (unsigned long id : ids) {
    std::string path;
    ASSERT_EQ(Shell("'" + OutDir() + "/spoolctl' --root '" + root_ + "' job-file " + std::to_string(id), &path), 0);
    path = path.substr(0, path.find('\n'));
    std::string line;
    ASSERT_EQ(JobCheck("--pages 2 --dpi 600 '" + path + "'", &line), 0);
    EXPECT_NE(line.find(": 2 pages, 2 TIFF files,"), std::string::npos) << line;
    const std::string bytes = ReadAll(path);
    const std::string pages = bytes.substr(std::min(bytes.size(), bytes.find("@PJL ENTER LANGUAGE")));
    if (first.empty()) first = pages;
    EXPECT_EQ(pages, first) << id;
  }
}

}  // namespace
}  // namespace e2e
