// The PDEV's life: DrvEnablePDEV (the device model, the settings and the
// papers, then what GDI is told), DrvCompletePDEV, DrvResetPDEV (a document
// carried over to the PDEV of a reset DC) and DrvDisablePDEV.
#include <algorithm>
#include <cstring>
#include <string>

#include "graphics_driver/core/device_caps.h"
#include "graphics_driver/core/device_fonts.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/driver_helpers.h"
#include "graphics_driver/core/label_info.h"
#include "graphics_driver/core/paper_selection.h"
#include "graphics_driver/job_output/job_output_for_core.h"
#include "platform/gdi/eng_services.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_error.h"
#include "platform/win/win_memory.h"
#include "settings/access/setting_access.h"
#include "settings/devmode/devmode_merge.h"
#include "settings/devmode/printer_default_devmode.h"
#include "settings/store/printer_settings_data.h"

namespace {

// The paper margin record follows the driver's DEVMODE only in a DEVMODE of
// exactly the driver's public size and a private part of 2408 + 10 bytes.
constexpr WORD kMarginRecordDriverExtra = kDevModePrivateSize + 10;

// Fax settings a reset carries over to the new PDEV, numbers then texts.
constexpr SettingId kFaxSettings[] = {514, 516, 520, 521, 522, 523, 376, 377, 524, 379, 527, 528, 529,
                                      530, 531, 532, 534, 535, 380, 381, 515, 517, 518, 519, 378, 525,
                                      526, 533, 536, 537, 538, 539, 540, 541, 542, 543, 374, 375};

// Takes the paper margin record off an application DEVMODE: dmDriverExtra
// goes back to the driver's own. false when the DEVMODE carries none.
bool TakeAttachedMargins(DEVMODEW* pdm, AttachedPaperMargins* margins) {
  if (pdm->dmSize != kPublicDevModeSize || pdm->dmDriverExtra != kMarginRecordDriverExtra) return false;
  uint64_t flag = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (GetSettingValue(387, pdm, nullptr, &type, &size, &flag) != kSettingOk || BYTE(flag) != 1) return false;
  pdm->dmDriverExtra = kDevModePrivateSize;
  const BYTE* record = reinterpret_cast<const BYTE*>(pdm) + kDriverDevModeSize;
  std::memcpy(&margins->paperCode, record, 2);
  std::memcpy(margins->m, record + 2, 8);
  return true;
}

// Frees what the PDEV holds and its heap (the PDEV with it).
void TearDownPdev(PdevState* pdev) {
  if (pdev->palette) EngDeletePalette(pdev->palette);
  pdev->palette = nullptr;
  if (pdev->fontSubstitution) GlobalFree(pdev->fontSubstitution);
  pdev->fontSubstitution = nullptr;
  FreeDeviceFontTables(pdev);
  if (pdev->printerSettings) HeapFree(pdev->heap, 0, pdev->printerSettings);
  pdev->printerSettings = nullptr;
  if (pdev->primaryModelFile && pdev->secondaryModelFile)
    UnloadModelFiles(pdev->primaryModelFile, pdev->secondaryModelFile);
  ReleasePaperInfo(&pdev->outputPaper);
  ReleasePaperInfo(&pdev->documentPaper);
  HeapDestroy(pdev->heap);
}

// Loads the printer's device model into the PDEV's two readers.
bool LoadPdevModel(PdevState* pdev) {
  pdev->primaryModelFile = static_cast<ModelFile*>(HeapAlloc(pdev->heap, HEAP_ZERO_MEMORY, sizeof(ModelFile)));
  pdev->secondaryModelFile = static_cast<ModelFile*>(HeapAlloc(pdev->heap, HEAP_ZERO_MEMORY, sizeof(ModelFile)));
  if (!pdev->primaryModelFile || !pdev->secondaryModelFile) return false;
  DWORD needed = 0;
  if (GetPrinterDriverW(pdev->printer, nullptr, 2, nullptr, 0, &needed) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed < sizeof(DRIVER_INFO_2W))
    return false;
  auto* driver = static_cast<BYTE*>(HeapAlloc(pdev->heap, 0, needed));
  if (!driver) return false;
  bool loaded = false;
  if (GetPrinterDriverW(pdev->printer, nullptr, 2, driver, needed, &needed)) {
    const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(driver);
    loaded = LoadModelFiles(info->pDataFile, pdev->primaryModelFile, pdev->secondaryModelFile) == 0;
  }
  HeapFree(pdev->heap, 0, driver);
  return loaded;
}

// The settings of a new PDEV: the printer's defaults, its stored settings,
// the application's DEVMODE merged in, the papers and the derived values.
bool InitPdevSettings(PdevState* pdev, const DEVMODEW* pdm) {
  pdev->signature = pdev->trailerSignature = kPdevSignature;
  pdev->ddiFlags = 0;
  pdev->printerSettings = static_cast<BYTE*>(HeapAlloc(pdev->heap, HEAP_ZERO_MEMORY, kPrinterSettingsBlockSize));
  if (!pdev->printerSettings) return false;
  DeviceModel* model = MakeDeviceModelHandle(pdev->primaryModelFile, pdev->secondaryModelFile);
  if (!model) return false;
  bool ok = false;
  do {
    LONG length = kDriverDevModeSize;
    int converted = 0;
    PRINTER_INFO_2W* printerInfo = GetPrinterDefaultDevMode(pdev->printer, model, &pdev->devmode, &length, &converted);
    if (!printerInfo) break;
    GlobalFree(printerInfo);
    if (!LoadPrinterSettings(pdev->printer, pdev->printerSettings, model)) break;
    if (!MergeDevModeFields(model, &pdev->devmode, pdm, pdev->printerSettings, pdev->printer, 2)) break;
    if (!SetupPaperInfo(pdev)) break;
    if (SHORT source = GetPdevSettingShort(pdev, 13)) {
      uint64_t tray = uint64_t(uint16_t(source));
      if (SetSettingValue(265, &pdev->devmode, pdev->printerSettings, kSettingTypeUInt16, 2, &tray) != kSettingOk)
        break;
    }
    pdev->copies = uint32_t(int32_t(GetPdevSettingShort(pdev, 12)));
    pdev->fontSubstitution = ReadFontSubTable(pdev->printer);
    if (!pdev->fontSubstitution) pdev->fontSubstitution = BuildFontSubstitutionText(model);
    if (!pdev->fontSubstitution) break;
    // dmScale comes from the application unchecked: the product is taken in
    // 64 bits and must fit.
    const int64_t dpi = int64_t(WORD(GetPdevSettingShort(pdev, 20))) * GetPdevSettingShort(pdev, 11) / 100;
    if (dpi < INT32_MIN || dpi > INT32_MAX) break;
    pdev->logicalDpi = int32_t(dpi);
    pdev->faxState.faxJob = ReadModelHeaderValue(pdev->primaryModelFile, 23, 1, 0) == 1 ? 1 : 0;
    ok = true;
  } while (false);
  FreeDeviceModelHandle(model);
  return ok;
}

// Copies a setting by id between two working DEVMODEs of one settings block.
bool CopySetting(SettingId id, const WorkingDevMode* from, WorkingDevMode* to, BYTE* settings) {
  uint64_t value = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (GetSettingValue(id, from, settings, &type, &size, &value) != kSettingOk) return false;
  if (type == kSettingTypeText) {
    const WCHAR* text = reinterpret_cast<const WCHAR*>(value);
    UINT chars = 0;
    while (text && chars * 2 + 2 < size && text[chars]) ++chars;
    size = (chars + 1) * 2;
    // A full field without terminator is cut to its last character.
    std::u16string copy(text ? text : u"", chars);
    const WCHAR* p = copy.c_str();
    return SetSettingValue(id, to, settings, type, size, &p) == kSettingOk;
  }
  return SetSettingValue(id, to, settings, type, size, &value) == kSettingOk;
}

}  // namespace

DHPDEV DrvEnablePDEV(DEVMODEW* pdm, LPWSTR, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps, ULONG* pdevcaps,
                     ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev, LPWSTR, HANDLE hDriver) {
  if (!pdm || !pdevcaps || !pdi || !hdev || !hDriver) return nullptr;
  AttachedPaperMargins margins{};
  const bool hasMargins = TakeAttachedMargins(pdm, &margins);

  HANDLE heap = HeapCreate(0, 8192, 0);
  if (!heap) return nullptr;
  auto* pdev = static_cast<PdevState*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(PdevState)));
  if (!pdev) {
    HeapDestroy(heap);
    return nullptr;
  }
  pdev->engineDevice = hdev;
  pdev->heap = heap;
  pdev->printer = hDriver;

  EnterCriticalSection(GetModelLoadLock());
  const bool loaded = LoadPdevModel(pdev);
  LeaveCriticalSection(GetModelLoadLock());
  if (!loaded) {
    TearDownPdev(pdev);
    return nullptr;
  }
  // A printer without device fonts has empty tables.
  BuildDeviceFontTables(pdev);

  GDIINFO gdiInfo;
  DEVINFO devInfo;
  if (!InitPdevSettings(pdev, pdm) || !BuildGdiInfo(pdev, hasMargins ? &margins : nullptr, &gdiInfo) ||
      !BuildDevInfo(pdev, &devInfo) || SetupLayoutOverride(pdev) != 0) {
    TearDownPdev(pdev);
    return nullptr;
  }
  std::memcpy(pdevcaps, &gdiInfo, std::min<size_t>(cjCaps, sizeof gdiInfo));
  std::memcpy(pdi, &devInfo, std::min<size_t>(cjDevInfo, sizeof devInfo));
  // The driver supplies no standard patterns.
  if (phsurfPatterns)
    for (ULONG i = 0; i < cPat; ++i) phsurfPatterns[i] = nullptr;
  return reinterpret_cast<DHPDEV>(pdev);
}

void DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev) {
  auto* pdev = reinterpret_cast<PdevState*>(dhpdev);
  if (!IsValidPdev(pdev)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return;
  }
  pdev->engineDevice = hdev;
}

BOOL DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew) {
  auto* old = reinterpret_cast<PdevState*>(dhpdevOld);
  auto* fresh = reinterpret_cast<PdevState*>(dhpdevNew);
  // Both are checked before the old one is touched.
  if (!IsValidPdev(old) || !IsValidPdev(fresh)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if ((old->ddiFlags & kDdiPageOpen) && (old->ddiFlags & kDdiDocumentStarted)) {
    SendPageStep(old);
    old->ddiFlags &= ~kDdiPageOpen;
  }
  if (!(old->ddiFlags & kDdiDocumentStarted)) return TRUE;

  // The document carries over; what only one PDEV may free moves.
  fresh->memoryPool = old->memoryPool;
  fresh->jobSetup = old->jobSetup;
  fresh->jobArea = old->jobArea;
  fresh->currentPage = old->currentPage;
  fresh->paperMargins = old->paperMargins;
  fresh->pipeline = old->pipeline;
  fresh->jobOutput = old->jobOutput;
  fresh->faxState = old->faxState;
  old->faxState.faxDataLink = nullptr;
  old->faxState.jobCopy = nullptr;
  fresh->imageStore = old->imageStore;
  fresh->compressionDll = old->compressionDll;
  fresh->compressionState = old->compressionState;
  // The label texts go with the document; the new PDEV's own are dropped.
  FreeLabelInfo(fresh);
  fresh->labelInfo = old->labelInfo;
  old->labelInfo = nullptr;
  fresh->jobUser = old->jobUser;
  fresh->colorConverter = old->colorConverter;
  fresh->colorCounter = old->colorCounter;
  fresh->spoolFile = old->spoolFile;
  fresh->pageImages = old->pageImages;
  fresh->imageFlag = old->imageFlag;
  fresh->rotationBuffer = old->rotationBuffer;
  old->rotationBuffer = nullptr;
  old->colorConverter = nullptr;
  old->colorCounter = nullptr;
  old->spoolFile = nullptr;
  old->pageImages = nullptr;
  old->imageFlag = nullptr;

  bool written = true;
  if (IsJobOutputStarted(fresh)) {
    // The job keeps its settings and takes the new page's paper and
    // orientation.
    auto* asked = static_cast<WorkingDevMode*>(HeapAlloc(fresh->heap, 0, sizeof(WorkingDevMode)));
    if (!asked) {
      written = false;
    } else {
      *asked = fresh->devmode;
      fresh->devmode = old->devmode;
      for (SettingId id : {SettingId(7), SettingId(8), SettingId(9), SettingId(10), SettingId(19), SettingId(13)})
        if (!CopySetting(id, asked, &fresh->devmode, fresh->printerSettings)) written = false;
      HeapFree(fresh->heap, 0, asked);
    }
    if (!fresh->jobSetup.trayFollowsPage) {
      // The sheets keep the job's paper; its record now belongs to the new PDEV.
      ReleasePaperInfo(&fresh->outputPaper);
      fresh->outputPaper = old->outputPaper;
      old->outputPaper.paperRecord = nullptr;
    }
  } else if (old->faxState.faxJob) {
    for (SettingId id : kFaxSettings) CopySetting(id, &old->devmode, &fresh->devmode, fresh->printerSettings);
  }

  fresh->ddiFlags |= kDdiContinuedAfterReset | (old->ddiFlags & 0x1094104);
  old->ddiFlags |= kDdiSuperseded;
  const int marked = MarkPdevReset(fresh, old);
  return written && marked != -1 ? TRUE : FALSE;
}

void DrvDisablePDEV(DHPDEV dhpdev) {
  auto* pdev = reinterpret_cast<PdevState*>(dhpdev);
  if (!IsValidPdev(pdev)) return;
  if (!(pdev->ddiFlags & kDdiSuperseded) && (pdev->ddiFlags & kDdiDocumentStarted)) EndJobPipeline(pdev);
  // Label texts received outside a document.
  FreeLabelInfo(pdev);
  TearDownPdev(pdev);
}
