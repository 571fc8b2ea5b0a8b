// The same document two ways: printed by gdihost into a job whose page TIFF
// jobcheck splits off (read through tifftopnm), and played in-process by the
// host's own session code into a journal that the host's replay then sends to
// the statically linked graphics driver drawing into ONE band covering the
// document's area. The page's ink and the band's ink must agree dot for dot.
// The journal is made against the recording fake driver with the page's size
// (so every item gets the page clip gdihost gives it): loading Pelkran.so
// here would bring a second copy of the driver and its settings model.
#pragma once

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "graphics_driver/core/drawing_fixture.h"
#include "host/band_replay.h"
#include "host/pbm_page.h"
#include "host/devmode_edit.h"
#include "host/document.h"
#include "host/document_player.h"
#include "host/print_session.h"
#include "platform/win/machine_root.h"
#include "platform/win/win_path.h"

namespace hosttest {

inline std::string OutDir() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

using PageBits = PbmPage;

class OneBandTest : public pk::test::DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    root_ = PkMachineRoot();
    // The PDEV's own heap, as DrvEnablePDEV makes it (fixed-pitch text
    // rebuilds its positions there).
    pdev()->heap = HeapCreate(0, 0, 0);
    ASSERT_NE(pdev()->heap, nullptr);
  }
  void TearDown() override {
    if (fake_) FreeLibrary(fake_);
    if (pdev()->heap) {
      EXPECT_EQ(pk::seams::HeapLiveBlocks(pdev()->heap), 0u);
      HeapDestroy(pdev()->heap);
      pdev()->heap = nullptr;
    }
    DrawingTest::TearDown();
  }

  int Shell(const std::string& command, std::string* output = nullptr) {
    const std::string file = root_ + "/shell.out";
    const int status = std::system(("cd '" + root_ + "' && (" + command + ") > '" + file + "' 2>&1").c_str());
    if (output) {
      std::ifstream in(file);
      std::stringstream ss;
      ss << in.rdbuf();
      *output = ss.str();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Prints the document (its files beside it in the root) with gdihost and
  // reads the job's first page.
  bool PrintPage(const std::string& document, PageBits* page) {
    std::ofstream(root_ + "/doc.txt") << document;
    std::string out;
    EXPECT_EQ(Shell("'" + OutDir() + "/gdihost' -q --root '" + root_ + "' --no-interface -o doc.prn doc.txt", &out), 0)
        << out;
    EXPECT_EQ(out.find("failed"), std::string::npos) << out;
    std::filesystem::create_directories(root_ + "/split");
    EXPECT_EQ(Shell("'" + OutDir() + "/jobcheck' --pages 1 --dpi 600 --split split doc.prn", &out), 0) << out;
    if (Shell("tifftopnm split/unit1.tif > page.pbm", &out) != 0) {
      ADD_FAILURE() << out;
      return false;
    }
    return ReadPbmPage(root_ + "/page.pbm", page);
  }

  // The first page's journal as the host's session builds it from the
  // document, on a device of the page's size.
  pkhost::Journal JournalOf(const std::string& document, SIZEL page) {
    pkhost::Journal journal;
    std::string host;
    EXPECT_EQ(PkResolveWindowsPath(u"C:\\Driver\\FakeDriver.so", nullptr, &host), 0u);
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    std::filesystem::copy_file(OutDir() + "/FakeDriver.so", host, std::filesystem::copy_options::overwrite_existing);
    if (!fake_) fake_ = LoadLibraryW(kFake);
    EXPECT_NE(fake_, nullptr);
    if (!fake_) return journal;
    auto configure = reinterpret_cast<void (*)(const char*)>(GetProcAddress(fake_, "FakeDriverConfigure"));
    configure(("page " + std::to_string(page.cx) + " " + std::to_string(page.cy) + "\nbands none\n").c_str());
    pkhost::Document doc;
    std::string error;
    EXPECT_TRUE(pkhost::ParseDocument(document, "doc", root_, &doc, &error)) << error;
    pkhost::RunLog log;
    pkhost::PrintSession session(log, nullptr);
    session.SetJournalListener([&](int number, const pkhost::Journal& j) {
      if (number == 1) journal = j;
    });
    pkhost::PrinterSetup setup;
    setup.printerName = u"Fake printer";
    setup.driverPath = kFake;
    setup.devMode = pkhost::BareDevMode();
    EXPECT_TRUE(session.CreateDc(setup, &error)) << error;
    EXPECT_EQ(pkhost::PlayDocument(doc, session, setup.devMode, log), pkhost::PlayResult::Printed);
    session.DeleteDc();
    EXPECT_TRUE(log.failures().empty()) << log.failures().front();
    return journal;
  }

  // Replays the journal into one band of `size` dots at the page's origin
  // through the driver's own entry points, as gdihost does per band.
  void ReplayIntoOneBand(const pkhost::Journal& journal, SIZEL size) {
    UseBand(0, uint32_t(size.cy), uint32_t(size.cx));
    DRVENABLEDATA ded{};
    ASSERT_TRUE(DrvEnableDriver(DDI_DRIVER_VERSION_NT4, sizeof ded, &ded));
    pkhost::DriverTable driver;
    driver.BindRows(ded.pdrvfn, ded.c);
    HDEV device = pkgdi::CreateDevice(ded.pdrvfn, ded.c, reinterpret_cast<DHPDEV>(pdev()));
    ASSERT_NE(device, nullptr);
    constexpr FLONG kHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH | HOOK_COPYBITS;
    HSURF surface = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev()), size, BMF_24BPP);
    ASSERT_TRUE(EngAssociateSurface(surface, device, kHooks));
    SURFOBJ* pso = pkgdi::SurfaceObject(surface);
    {
      pkhost::PdevObjects objects(pso);
      pkhost::BandTarget band{pso, kHooks, POINTL{0, 0}, size};
      pkhost::RunLog log;
      std::map<int, bool> warned;
      pkhost::ReplayBand(journal, band, driver, objects, log, warned);
      EXPECT_TRUE(log.failures().empty()) << log.failures().front();
      EXPECT_TRUE(log.warnings().empty()) << log.warnings().front();
    }
    EngDeleteSurface(surface);
    pkgdi::DeleteDevice(device);
    DrvDisableDriver();
  }

  // Prints and replays the document: every dot of the page inside the band's
  // area is inked exactly when the band's is, and none outside it.
  void ExpectPageEqualsOneBand(const std::string& document, SIZEL area) {
    PageBits page;
    ASSERT_TRUE(PrintPage(document, &page));
    ASSERT_LE(area.cx, page.width);
    ASSERT_LE(area.cy, page.height);
    const pkhost::Journal journal = JournalOf(document, SIZEL{page.width, page.height});
    ASSERT_FALSE(journal.empty());
    for (const pkhost::JournalItem& item : journal) kinds_.push_back(item.kind);
    ReplayIntoOneBand(journal, area);
    size_t wrong = 0, ink = 0;
    for (LONG y = 0; y < page.height; ++y)
      for (LONG x = 0; x < page.width; ++x) {
        const bool inside = x < area.cx && y < area.cy;
        const bool band = inside && Ink(uint32_t(y), uint32_t(x));
        ink += band;
        if (page.Ink(x, y) != band && wrong++ < 8)
          ADD_FAILURE() << "dot " << x << "," << y << (band ? ": band inked, page blank" : ": page inked, band blank");
      }
    EXPECT_EQ(wrong, 0u);
    EXPECT_GT(ink, 0u);
  }

  static constexpr const char16_t* kFake = u"C:\\Driver\\FakeDriver.dll";
  std::string root_;
  HMODULE fake_ = nullptr;
  std::vector<pkhost::JournalItem::Kind> kinds_;  // the journal's items in order
};

}  // namespace hosttest
