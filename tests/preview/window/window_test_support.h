// Test support for the preview window: the application started on the
// headless back end in a fresh machine root with the settings folder made
// as the driver makes it, fixtures made by peer tools, and readers of the
// settings file, the message boxes and the window's state.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/mfc/headless/headless_backend.h"
#include "platform/win/name_text.h"
#include "platform/win/win_path.h"
#include "platform/win/win_seams.h"
#include "preview/dravix_app.h"
#include "preview/dravix_doc.h"
#include "preview/window/dravix_view.h"
#include "preview/window/lindvar_ids.h"
#include "preview/window/lindvar_resources.h"
#include "raster/color/rst_color_creators.h"
#include "raster/geometry/charts.h"
#include "raster/geometry/rst_geometry_creators.h"

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rst_register_color_creators();
    rst_register_geometry_creators();
    root_ = pk::seams::UseTemporaryMachineRoot();
    pk::seams::SetTempPath(u"C:\\Temp");
    std::filesystem::create_directories(root_ + "/c/Temp/BRISCA");
    PkSetHostPathMode(TRUE);
    AfxSetResources(LindvarResources());
    theApp.m_nStartPrinting = 0;
    dir_ = ::testing::TempDir() + "window-XXXXXX";
    ASSERT_NE(mkdtemp(dir_.data()), nullptr);
  }
  void TearDown() override {
    theApp.CloseAllDocuments(FALSE);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Ini() const { return root_ + "/c/Temp/BRISCA/Brisca.ini"; }
  bool Sh(const std::string& command) const {
    std::string full = "cd '" + dir_ + "' && (" + command + ") >/dev/null 2>&1";
    return std::system(full.c_str()) == 0;
  }
  // The three ITU charts as a G4 file at 200 dpi (1728 x 2376 pixels).
  std::string Charts(int pages = 3) {
    std::string files;
    for (int n = 1; n <= pages; ++n) files += " " + chart_file(n);
    std::string name = "charts" + std::to_string(pages) + ".tif";
    EXPECT_TRUE(Sh("/usr/bin/convert" + files + " -density 200 -units PixelsPerInch -compress Group4 " + name));
    return Path(name);
  }
  // A white page of that size at that resolution, G4.
  std::string WhitePage(const std::string& name, int width, int height, int dpi) {
    std::string res = std::to_string(dpi);
    EXPECT_TRUE(Sh("pbmmake -white " + std::to_string(width) + " " + std::to_string(height) +
                   " | pnmtotiff -g4 -xresolution " + res + " -yresolution " + res + " > " + name));
    return Path(name);
  }
  void WriteIni(const std::string& text) { std::ofstream(Ini()) << "[WINDOWINFO]\n" << text; }
  // The keys of the settings file in their order.
  std::vector<std::string> IniLines() const {
    std::vector<std::string> lines;
    std::ifstream in(Ini());
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line[0] != '[') lines.push_back(line);
    }
    return lines;
  }
  static std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const auto& call : pk::seams::MessageBoxCalls()) texts.push_back(pk::Utf16ToUtf8(call.text));
    return texts;
  }

  // Starts the application with these arguments; InitInstance's answer.
  bool Start(const std::vector<std::string>& args) {
    theApp.SetCommandLine(args);
    bool ok = theApp.InitInstance() != FALSE;
    ui_.pump();
    return ok;
  }
  CDravixDoc* Doc() const {
    return theApp.GetDocTemplate() ? static_cast<CDravixDoc*>(theApp.GetDocTemplate()->GetDocument()) : nullptr;
  }
  CDravixView* View() const { return static_cast<CDravixView*>(ui_.frame()->GetActiveView()); }
  int Shown() const { return Doc()->ShownZoomPercent(); }
  // The exit code once the window is gone.
  int ExitCode() const { return theApp.ExitInstance(); }

  std::string root_;
  std::string dir_;
  pk::mfc::HeadlessBackend ui_;
};
