// The preview's settings file: its path in the temp folder, the defaults
// when folder or file are missing, and the close sequence's keys and order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "preview/dravix_app.h"
#include "preview/dravix_doc.h"
#include "preview/dravix_settings.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = pk::seams::UseTemporaryMachineRoot();
    pk::seams::SetTempPath(u"C:\\Temp");
    ASSERT_EQ(CDravixApp::BuildIniPath(path_), 1);
  }
  // The folder as the driver makes it: in capitals.
  void MakeFolder() { ASSERT_TRUE(CreateDirectoryW(u"C:\\Temp\\BRISCA", nullptr)); }
  std::string Text() {
    std::ifstream in(root_ + "/c/Temp/BRISCA/Brisca.ini", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string root_;
  char path_[MAX_PATH];
};

TEST_F(SettingsTest, PathLiesInTheTempFolderWithADoubledBackslash) {
  EXPECT_STREQ(path_, "C:\\Temp\\\\Brisca\\Brisca.ini");
  // Too long a temp folder: 0 and an empty path, nothing written past it.
  std::u16string deep = u"C:\\" + std::u16string(250, u'd');
  pk::seams::SetTempPath(deep.c_str());
  char small[MAX_PATH];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(CDravixApp::BuildIniPath(small), 0);
  EXPECT_EQ(small[0], 0);
}

TEST_F(SettingsTest, MissingFolderGivesDefaultsAndACloseWritesNothing) {
  using namespace dravix_settings;
  EXPECT_EQ(ReadWindowFlag(path_), 5);
  RECT r = ReadWindowRect(path_);
  EXPECT_EQ(r.left, 80);
  EXPECT_EQ(r.top, 80);
  EXPECT_EQ(r.right, 768);
  EXPECT_EQ(r.bottom, 768);
  int w = 0, h = 0;
  ReadFitBox(path_, &w, &h);
  EXPECT_EQ(w, 760);
  EXPECT_EQ(h, 670);
  WINDOWPLACEMENT placement{};
  placement.showCmd = 1;
  placement.rcNormalPosition = {10, 20, 910, 720};
  SaveWindow(path_, &placement, RECT{10, 20, 910, 720});
  EXPECT_FALSE(std::filesystem::exists(root_ + "/c/Temp/Brisca"));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/c/Temp/BRISCA"));
}

TEST_F(SettingsTest, CloseWritesTheKeysInOrder) {
  MakeFolder();
  using namespace dravix_settings;
  WINDOWPLACEMENT placement{};
  placement.showCmd = 1;
  placement.rcNormalPosition = {10, 20, 910, 720};
  SaveWindow(path_, &placement, RECT{10, 20, 910, 720});
  EXPECT_EQ(Text(),
            "[WINDOWINFO]\r\nWINDOWFLAG=5\r\nXPOINT=10\r\nYPOINT=20\r\nXSIZE_WINDOW=900\r\nYSIZE_WINDOW=700\r\n"
            "XSIZE_IMAGE=900\r\nYSIZE_IMAGE=700\r\n");

  // Maximised: flag 3, the restored rectangle, the maximised window's size.
  placement.showCmd = 3;
  SaveWindow(path_, &placement, RECT{-8, -8, 1288, 1032});
  EXPECT_EQ(Text(),
            "[WINDOWINFO]\r\nWINDOWFLAG=3\r\nXPOINT=10\r\nYPOINT=20\r\nXSIZE_WINDOW=900\r\nYSIZE_WINDOW=700\r\n"
            "XSIZE_IMAGE=1296\r\nYSIZE_IMAGE=1040\r\n");
  EXPECT_EQ(ReadWindowFlag(path_), 3);
  int w = 0, h = 0;
  ReadFitBox(path_, &w, &h);
  EXPECT_EQ(w, 1296);
  EXPECT_EQ(h, 950);
}

TEST_F(SettingsTest, WithoutPlacementOnlyTheImageKeys) {
  MakeFolder();
  dravix_settings::SaveWindow(path_, nullptr, RECT{0, 0, 640, 480});
  EXPECT_EQ(Text(), "[WINDOWINFO]\r\nXSIZE_IMAGE=640\r\nYSIZE_IMAGE=480\r\n");
}

TEST_F(SettingsTest, NegativePositionRoundTrips) {
  MakeFolder();
  WINDOWPLACEMENT placement{};
  placement.showCmd = 1;
  placement.rcNormalPosition = {-20, 5, 780, 605};
  dravix_settings::SaveWindow(path_, &placement, RECT{-20, 5, 780, 605});
  RECT r = dravix_settings::ReadWindowRect(path_);
  EXPECT_EQ(r.left, -20);
  EXPECT_EQ(r.top, 5);
  EXPECT_EQ(r.right, 800);
  EXPECT_EQ(r.bottom, 600);
}

TEST_F(SettingsTest, DocumentFitBoxStaysPositive) {
  MakeFolder();
  std::strcpy(theApp.m_szIniPath, path_);
  dravix_settings::Write(path_, "WINDOWINFO", "YSIZE_IMAGE", 50);
  dravix_settings::Write(path_, "WINDOWINFO", "XSIZE_IMAGE", 0);
  {
    CDravixDoc doc;
    EXPECT_EQ(doc.GetFitWidth(), 1);
    EXPECT_EQ(doc.GetFitHeight(), 1);
  }
  theApp.m_szIniPath[0] = 0;
}

}  // namespace
