// The fuzz entry of the driver's escapes, and the fixed-budget run of it in
// the test program. Each input is a script of steps for a PDEV of the default
// printer made afresh: escapes whose code, block sizes, missing blocks and
// block bytes come from the input (the DEVMODE and printer settings blocks
// also as byte changes of the PDEV's own), between the document and page
// calls that open and close the job's state. Every block is held at exactly
// the size the call states, and nothing may be left allocated at the end.
// In a clang build configured with -DPK_LIBFUZZER=ON this file is the
// libFuzzer program `escape_fuzz`.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "graphics_driver/core/driver_entry.h"
#include "platform/gdi/engine_host.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/devmode/printer_default_devmode.h"
#include "settings/model/device_model.h"
#include "settings/services/escape_records.h"

namespace {

struct State {
  HANDLE printer = nullptr;
  DRVENABLEDATA ded{};
  HDEV hdev = nullptr;
  std::vector<BYTE> devMode = std::vector<BYTE>(kDriverDevModeSize);
};
State* g_state = nullptr;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// The escapes a step can name, with the sizes of their input and answer blocks.
struct EscapeKind {
  ULONG code;
  ULONG in, out;
};
constexpr EscapeKind kKinds[] = {
    {QUERYESCSUPPORT, 2, 0},
    {SETCOPYCOUNT, 4, 4},
    {GETTECHNOLOGY, 4, 4},
    {0x1071, 4, 4},
    {0x1073, 4, 4},
    {ESC_QUERY_PAGE_MARKS, 4, sizeof(PageMarkQuery)},
    {ESC_GET_DEVMODE, 0, kWorkingDevModeSize},
    {ESC_STAMP_BRACKET, 4, 4},
    {ESC_SET_MARK_OFFSET, 8, 0},
    {ESC_SET_DEVMODE, kWorkingDevModeSize, 0},
    {ESC_GET_LABEL_INFO, 0, sizeof(LabelInfoBlock)},
    {ESC_SET_LABEL_INFO, sizeof(LabelInfoBlock), 0},
    {ESC_LABEL_BRACKET, 4, 4},
    {ESC_GET_FAX_MODE, 0, 4},
    {ESC_GET_PAGE_COUNT, 0, 4},
    {ESC_SET_PRINTER_SETTINGS, kPrinterSettingsBlockSize, 0},
    {ESC_SET_PAPER_MARGINS, sizeof(PaperMarginRecord), 0},
    {0x500C, 4, 4},
};
constexpr size_t kKindCount = sizeof kKinds / sizeof kKinds[0];

// Steps: the first four are the document calls, the rest escapes.
enum : uint8_t { kStartDoc, kStartPage, kSendPage, kEndDoc, kFirstEscape };
constexpr int kMaxSteps = 48;
constexpr int kMaxPages = 3;

// A block size by its class: the escape's own, one less, one more, or
// `free` (at most 8 KiB).
ULONG SizeOf(uint8_t sizeClass, ULONG own, size_t free) {
  switch (sizeClass & 3) {
    case 0: return own;
    case 1: return own ? own - 1 : 0;
    case 2: return own + 1;
    default: return ULONG(std::min<size_t>(free, 8192));
  }
}

struct Run {
  SURFOBJ so{};
  DHPDEV pdev = nullptr;
  bool docOpen = false;
  int pages = 0;
};

void Escape(Run& run, const EscapeKind& kind, uint8_t sizes, const uint8_t* payload, size_t length) {
  const ULONG cjIn = SizeOf(sizes, kind.in, length);
  const ULONG cjOut = SizeOf(sizes >> 2, kind.out, length ? payload[0] : 0);
  std::vector<uint8_t> in(cjIn), out(cjOut);
  auto* pdev = reinterpret_cast<PdevState*>(run.pdev);
  if (cjIn && (sizes & 0x40) && kind.code == ESC_SET_DEVMODE)
    std::memcpy(in.data(), &pdev->devmode, std::min<size_t>(cjIn, sizeof pdev->devmode));
  else if (cjIn && (sizes & 0x40) && kind.code == ESC_SET_PRINTER_SETTINGS)
    std::memcpy(in.data(), pdev->printerSettings, std::min<size_t>(cjIn, kPrinterSettingsBlockSize));
  if ((sizes & 0x40) && cjIn) {
    // The payload changes bytes of the block: offset (2 bytes) and value.
    for (size_t i = 0; i + 3 <= length; i += 3) {
      const size_t at = size_t(payload[i] | payload[i + 1] << 8) % cjIn;
      in[at] = payload[i + 2];
    }
  } else if (cjIn) {
    std::memcpy(in.data(), payload, std::min<size_t>(cjIn, length));
  }
  DrvEscape(&run.so, kind.code, cjIn, (sizes & 0x10) ? nullptr : in.data(), cjOut,
            (sizes & 0x20) ? nullptr : out.data());
}

// A document call that failed ends the document as GDI does.
void Abort(Run& run) {
  DrvEndDoc(&run.so, ED_ABORTDOC);
  run.docOpen = false;
}

void Step(Run& run, uint8_t op, uint8_t sizes, const uint8_t* payload, size_t length) {
  switch (op % (kFirstEscape + kKindCount + 1)) {
    case kStartDoc:
      if (!run.docOpen) {
        run.docOpen = DrvStartDoc(&run.so, const_cast<LPWSTR>(u"escapes"), 1);
        if (!run.docOpen) Abort(run);
      }
      break;
    case kStartPage:
      if (run.docOpen && run.pages < kMaxPages && !DrvStartPage(&run.so)) Abort(run);
      break;
    case kSendPage:
      if (run.docOpen && run.pages < kMaxPages) {
        ++run.pages;
        if (!DrvSendPage(&run.so)) Abort(run);
      }
      break;
    case kEndDoc:
      if (run.docOpen) DrvEndDoc(&run.so, sizes & 1 ? ED_ABORTDOC : 0);
      run.docOpen = false;
      break;
    default: {
      const size_t kind = op % (kFirstEscape + kKindCount + 1) - kFirstEscape;
      if (kind < kKindCount) {
        Escape(run, kKinds[kind], sizes, payload, length);
      } else {
        // Any code, from the payload's first two bytes.
        const EscapeKind raw{ULONG(length >= 2 ? payload[0] | payload[1] << 8 : 0), 4, 4};
        Escape(run, raw, sizes, payload, length);
      }
    }
  }
}

bool EscapeFuzzSetup() {
  g_state = new State;
  if (!OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &g_state->printer, nullptr)) return false;
  if (!DrvEnableDriver(DDI_DRIVER_VERSION_NT4, sizeof g_state->ded, &g_state->ded)) return false;
  g_state->hdev = pkgdi::CreateDevice(g_state->ded.pdrvfn, g_state->ded.c, nullptr);
  DeviceModel* model = OpenDeviceModel(g_state->printer);
  if (!model) return false;
  LONG length = kDriverDevModeSize;
  int converted = 0;
  PRINTER_INFO_2W* info =
      GetPrinterDefaultDevMode(g_state->printer, model, g_state->devMode.data(), &length, &converted);
  CloseDeviceModel(model);
  if (info) GlobalFree(info);
  // Small pages keep the document steps quick.
  auto* dm = reinterpret_cast<DEVMODEW*>(g_state->devMode.data());
  dm->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
  dm->dmPrintQuality = dm->dmYResolution = 300;
  return g_state->hdev && info;
}

void EscapeFuzzTeardown() {
  if (!g_state) return;
  if (g_state->hdev) pkgdi::DeleteDevice(g_state->hdev);
  DrvDisableDriver();
  if (g_state->printer) ClosePrinter(g_state->printer);
  delete g_state;
  g_state = nullptr;
}

void EscapeFuzzOne(const uint8_t* data, size_t size) {
  State& s = *g_state;
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks(), heaps = pk::seams::LiveHeaps();
  DOC_INFO_1W docInfo{const_cast<LPWSTR>(u"escapes"), nullptr, const_cast<LPWSTR>(u"RAW")};
  const DWORD job = StartDocPrinterW(s.printer, 1, reinterpret_cast<const BYTE*>(&docInfo));
  std::vector<BYTE> devMode = s.devMode;
  GDIINFO gdi;
  DEVINFO dev;
  Run run;
  run.pdev = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(devMode.data()), nullptr, 0, nullptr, sizeof gdi,
                           reinterpret_cast<ULONG*>(&gdi), sizeof dev, &dev, s.hdev, nullptr, s.printer);
  Check(run.pdev != nullptr);
  pkgdi::SetDevicePdev(s.hdev, run.pdev);
  DrvCompletePDEV(run.pdev, s.hdev);
  run.so.dhpdev = run.pdev;

  // Steps: op, sizes, payload length (2 bytes), payload.
  size_t at = 0;
  for (int steps = 0; steps < kMaxSteps && at + 4 <= size; ++steps) {
    const uint8_t op = data[at], sizes = data[at + 1];
    const size_t length = std::min<size_t>(size_t(data[at + 2] | data[at + 3] << 8), size - at - 4);
    Step(run, op, sizes, data + at + 4, length);
    at += 4 + length;
  }
  if (run.docOpen) DrvEndDoc(&run.so, 0);
  DrvDisablePDEV(run.pdev);
  if (job) {
    EndDocPrinter(s.printer);
    std::error_code ignored;
    std::filesystem::remove(pk::spooler::JobHostPath(job), ignored);
  }
  Check(pk::seams::GlobalLiveBlocks() == blocks && pk::seams::LiveHeaps() == heaps);
}

}  // namespace

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(EscapeFuzzSetup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EscapeFuzzOne(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

// A step of the script.
void Add(std::vector<uint8_t>* script, uint8_t op, uint8_t sizes = 0, std::vector<uint8_t> payload = {}) {
  script->push_back(op);
  script->push_back(sizes);
  script->push_back(uint8_t(payload.size()));
  script->push_back(uint8_t(payload.size() >> 8));
  script->insert(script->end(), payload.begin(), payload.end());
}
uint8_t Op(ULONG code) {
  for (size_t i = 0; i < kKindCount; ++i)
    if (kKinds[i].code == code) return uint8_t(kFirstEscape + i);
  return 0;
}

// The interface library's order within a two-page job.
std::vector<uint8_t> LibraryJob() {
  std::vector<uint8_t> s;
  Add(&s, Op(ESC_GET_DEVMODE));
  Add(&s, Op(ESC_SET_LABEL_INFO), 0, {'k', 0, 'a', 0, 't', 0, 'o', 0});
  Add(&s, kStartDoc);
  for (int page = 0; page < 2; ++page) {
    Add(&s, Op(ESC_GET_DEVMODE));
    Add(&s, Op(ESC_SET_PAPER_MARGINS), 0, {9, 0, 50, 0, 60, 0, 70, 0, 80, 0});
    Add(&s, Op(ESC_GET_PAGE_COUNT));
    if (page == 0) Add(&s, Op(ESC_SET_PRINTER_SETTINGS), 0x40, {0x10, 0x04, 1});
    Add(&s, kStartPage);
    Add(&s, Op(ESC_QUERY_PAGE_MARKS), 0, {0, 0, 0, 0});
    Add(&s, Op(ESC_STAMP_BRACKET), 0, {1, 0, 0, 0});
    Add(&s, Op(ESC_SET_MARK_OFFSET), 0, {100, 0, 0, 0, 200, 0, 0, 0});
    Add(&s, Op(ESC_STAMP_BRACKET), 0, {0, 0, 0, 0});
    Add(&s, Op(ESC_GET_LABEL_INFO));
    Add(&s, Op(ESC_LABEL_BRACKET), 0, {1, 0, 0, 0});
    Add(&s, Op(ESC_LABEL_BRACKET), 0, {0, 0, 0, 0});
    Add(&s, kSendPage);
  }
  Add(&s, Op(ESC_QUERY_PAGE_MARKS), 0, {1, 0, 0, 0});
  Add(&s, Op(ESC_SET_DEVMODE), 0x40, {0x80, 0x0B, 2, 0x20, 0x00, 0x7F});
  Add(&s, kEndDoc);
  return s;
}

TEST(EscapeFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(EscapeFuzzSetup());
  const std::vector<uint8_t> seed = LibraryJob();
  EscapeFuzzOne(seed.data(), seed.size());
  std::mt19937 rng(4801);
  for (int iter = 0; iter < 24; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 6 == 0) {
      input.resize(rng() % 200);
      for (auto& v : input) v = static_cast<uint8_t>(rng());
    } else {
      input = seed;
      const int edits = 1 + static_cast<int>(rng() % 6);
      for (int e = 0; e < edits; ++e) input[rng() % input.size()] = static_cast<uint8_t>(rng());
    }
    EscapeFuzzOne(input.data(), input.size());
  }
  EscapeFuzzTeardown();
}

}  // namespace
#endif
