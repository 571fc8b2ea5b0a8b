// The page pipeline as the document entry points drive it: a PDEV of the
// default printer (or of a model with changed lines) with its banded
// surface, a RAW job on the printer as GDI starts it, and logs of the
// pipeline's trace lines and sheet hooks.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics_driver/core/driver_fixture.h"
#include "graphics_driver/job_output/job_output_for_core.h"
#include "graphics_driver/job_output/page_spool.h"
#include "graphics_driver/job_output/pipeline_trace.h"
#include "platform/gdi/engine_host.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/win/win_module.h"
#include "settings/services/module_state.h"

namespace pk::test {

struct PipelineLog {
  std::vector<std::string> events;  // trace texts and hooks, in order
  std::vector<uint16_t> replayedPages;
  std::vector<uint16_t> spooledAtPlacement;
  PdevState* pdev = nullptr;
};
inline PipelineLog g_pipelineLog;

// A trace line "[Nms]text" (in double quotes) logs its text.
inline void CaptureTracePiece(const char* piece, size_t length) {
  std::string line(piece, length);
  const size_t ms = line.find("ms]");
  if (ms != std::string::npos) line = line.substr(ms + 3);
  if (!line.empty() && line.front() == '"') line.erase(0, 1);
  if (!line.empty() && line.back() == '"') line.pop_back();
  g_pipelineLog.events.push_back(line);
}

inline void LogSheetHook(int hook, uint32_t, const SheetStart*) {
  static const char* kNames[] = {"hook: sheet start", "hook: content end", "hook: sheet end"};
  g_pipelineLog.events.push_back(kNames[hook]);
  PdevState* pdev = g_pipelineLog.pdev;
  if (hook == 0 && pdev && pdev->jobOutput && IsSpoolOpen(pdev)) {
    // A replay reads the page its cursor is on.
    if (pdev->jobOutput->spoolCursor.remaining != 0)
      g_pipelineLog.replayedPages.push_back(uint16_t(pdev->jobOutput->spoolCursor.page));
    g_pipelineLog.spooledAtPlacement.push_back(pdev->pipeline.spooledPageCount);
  }
}

class PipelineTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    // The driver's module state, as at process attach: its folder is the
    // driver folder, where the outside raster libraries are.
    const std::u16string ownPath = std::u16string(PK_DRIVER_FOLDER) + u"PipelineOwn.vbn";
    std::string host;
    ASSERT_EQ(PkResolveWindowsPath(ownPath.c_str(), nullptr, &host), 0u);
    std::ifstream in(PK_OWN_STRINGS, std::ios::binary);
    std::ofstream(host, std::ios::binary) << in.rdbuf();
    own_ = LoadLibraryW(ownPath.c_str());
    ASSERT_NE(own_, nullptr);
    InitModule(own_, ownPath.c_str());
    g_pipelineLog = PipelineLog{};
    SetTracePieceCapture(&CaptureTracePiece);
    SetSheetHookObserver(&LogSheetHook);
  }
  void TearDown() override {
    SetTracePieceCapture(nullptr);
    SetSheetHookObserver(nullptr);
    if (pdev_ && pdev_->surface) DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev_));
    DriverTest::TearDown();
    ReleaseModule();
    if (own_) FreeLibrary(own_);
  }

  // A PDEV of the default model with the driver's default DEVMODE, or of the
  // model with `changes`, and its surface.
  PdevState* Open(const std::vector<ModelLine>& changes = {}) {
    if (changes.empty()) UseDefaultDevMode();
    else UseModel(changes);
    pdev_ = Enable();
    if (!pdev_) return nullptr;
    g_pipelineLog.pdev = pdev_;
    HSURF surface = DrvEnableSurface(reinterpret_cast<DHPDEV>(pdev_));
    so_ = surface ? pkgdi::SurfaceObject(surface) : nullptr;
    return so_ ? pdev_ : nullptr;
  }
  void SetPdevText(SettingId id, const std::u16string& text) {
    const WCHAR* p = text.c_str();
    ASSERT_EQ(
        SetSettingValue(id, &pdev_->devmode, pdev_->printerSettings, kSettingTypeText, UINT((text.size() + 1) * 2), &p),
        kSettingOk)
        << id;
  }
  // A RAW job of its own on the printer, then DrvStartDoc.
  bool StartDoc() {
    StartRawJob();
    jobId_ = rawJob_;
    return DrvStartDoc(so_, const_cast<LPWSTR>(u"Report"), jobId_);
  }
  // One page: its bands when asked (nothing drawn), then DrvSendPage.
  bool Page(bool bands = false) {
    if (!DrvStartPage(so_)) return false;
    if (bands && !Band()) return false;
    return DrvSendPage(so_);
  }
  bool Band() {
    POINTL origin{};
    if (!DrvStartBanding(so_, &origin)) return false;
    for (int i = 0; i < 100000; ++i) {
      if (!DrvNextBand(so_, &origin)) return false;
      if (origin.x == -1) return true;
    }
    return false;
  }
  bool EndDoc(FLONG fl = 0) {
    const BOOL ended = DrvEndDoc(so_, fl);
    EndRawJob();
    return ended;
  }
  std::string JobBytes() {
    std::ifstream in(pk::spooler::JobHostPath(jobId_), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  std::vector<std::string>& Events() { return g_pipelineLog.events; }

  PdevState* pdev_ = nullptr;
  SURFOBJ* so_ = nullptr;
  DWORD jobId_ = 0;
  HMODULE own_ = nullptr;
};

}  // namespace pk::test
