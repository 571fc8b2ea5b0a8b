// The driver's escapes (see escapes.h).
#include "graphics_driver/core/escapes.h"

#include <algorithm>
#include <cstring>

#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/label_info.h"
#include "graphics_driver/core/layout_escapes.h"
#include "graphics_driver/core/page_marks.h"
#include "graphics_driver/core/sheet_marks.h"
#include "graphics_driver/job_output/job_output_for_core.h"
#include "graphics_driver/job_output/placement_matrix.h"
#include "platform/win/win_error.h"
#include "settings/devmode/devmode_buffer.h"
#include "settings/model/device_model.h"
#include "settings/services/escape_records.h"

namespace {

constexpr ULONG kFailed = 0xFFFFFFFF;  // -1
constexpr ULONG kLayoutModeOn = 0x1071;
constexpr ULONG kLastLayoutEscape = 0x1074;
constexpr WORD kMaxCopiesField = 4;

ULONG Answer(int r) { return r < 0 ? kFailed : static_cast<ULONG>(r); }

bool HasIn(ULONG cjIn, const void* pvIn, size_t size) { return pvIn && cjIn >= size; }
bool HasOut(ULONG cjOut, const void* pvOut, size_t size) { return pvOut && cjOut >= size; }

void WriteU32(void* out, uint32_t v) { std::memcpy(out, &v, sizeof v); }

// What the driver says it does for an escape code. The layout escapes past
// the first depend on the PDEV's layout mode: -1 without a valid PDEV.
ULONG QueryEscapeSupport(const PdevState* pdev, ULONG code) {
  switch (code) {
    case SETCOPYCOUNT: return 999;
    case GETTECHNOLOGY: return kLayoutModeOn;
    case kLayoutModeOn: return 1;
    case ESC_SET_PAPER_MARGINS: return 1;
    default: break;
  }
  if (code > kLayoutModeOn && code <= kLastLayoutEscape) {
    if (!IsValidPdev(pdev)) return kFailed;
    return pdev->pipeline.layoutOverride.enabled ? 1 : 0;
  }
  return code >= ESC_QUERY_PAGE_MARKS && code <= ESC_SET_PRINTER_SETTINGS ? 1 : 0;
}

// The copies in force: the request, within the model's maximum when it has
// one, and at least 1.
ULONG SetCopyCount(PdevState* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
  if (!HasIn(cjIn, pvIn, sizeof(uint32_t))) return kFailed;
  uint32_t requested = 0;
  std::memcpy(&requested, pvIn, sizeof requested);
  const DWORD maximum = ReadModelHeaderValue(pdev->primaryModelFile, kMaxCopiesField, 2, 0);
  if (maximum != 0) pdev->copies = std::min<uint32_t>(requested, maximum);
  if (pdev->copies < 1) pdev->copies = 1;
  if (HasOut(cjOut, pvOut, sizeof(uint32_t))) WriteU32(pvOut, pdev->copies);
  return 1;
}

ULONG GetTechnology(ULONG cjOut, const void* pvIn, void* pvOut) {
  if (!pvIn || !pvOut) return 0;
  if (cjOut < 4) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::memcpy(pvOut, "TRD", 4);
  return 1;
}

// The stamp (or label) drawing bracket: the state read back through a 4-byte
// answer, then opened (input 1) or closed through a 4-byte input.
ULONG MarkBracket(PdevState* pdev, bool label, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
  if (pvOut && cjOut == sizeof(uint32_t))
    WriteU32(pvOut, label ? pdev->pipeline.labelBracket : static_cast<uint32_t>(IsStampDrawingOn(pdev)));
  if (!pvIn || cjIn != sizeof(uint32_t)) return 1;
  // A bracket opens or closes the drawing of a mark: none is moved past it.
  ClearMarkOffset(pdev);
  uint32_t on = 0;
  std::memcpy(&on, pvIn, sizeof on);
  const int r = label ? SetMarkBracketState(pdev, 0, on == 1) : SetMarkBracketState(pdev, on == 1, 0);
  return r == -1 ? kFailed : 1;
}

// Places what the library draws next at the device offset (x, y) of the
// sheet: the page transform becomes the sheet matrix at that offset, and
// the text that follows is drawn (x, y) dots away.
ULONG SetMarkOffset(PdevState* pdev, ULONG cjIn, const void* pvIn) {
  if (!pvIn || cjIn != 2 * sizeof(int32_t)) return 1;
  int32_t xy[2];
  std::memcpy(xy, pvIn, sizeof xy);
  PlacementMatrix placement;
  PageTransform transform;
  if (MapPointToSheet(pdev, xy[0], xy[1], static_cast<uint32_t>(IsPageTurned(pdev)), &placement) != 0 ||
      CopyPlacementRecord(reinterpret_cast<const int32_t*>(placement.m), reinterpret_cast<int32_t*>(&transform)) != 0 ||
      SetPageTransform(pdev->imageStore, &transform) != 0 || FlushPageState(pdev->imageStore) != 0)
    return kFailed;
  pdev->pipeline.markOffset = POINTL{xy[0], xy[1]};
  BeginSheetMarks(pdev);
  return 1;
}

ULONG GetFaxMode(const PdevState* pdev, ULONG cjOut, void* pvOut) {
  if (!HasOut(cjOut, pvOut, sizeof(uint32_t))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WriteU32(pvOut, pdev->faxState.faxJob);
  return 1;
}

// The paper margin record: the margins, then the paper code.
ULONG SetPaperMargins(PdevState* pdev, ULONG cjIn, const void* pvIn) {
  if (!pvIn || cjIn != sizeof(PaperMarginRecord)) return kFailed;
  PaperMarginRecord record;
  std::memcpy(&record, pvIn, sizeof record);
  PdevPaperMargins& m = pdev->paperMargins;
  m.left = record.left;
  m.right = record.right;
  m.top = record.top;
  m.bottom = record.bottom;
  m.paperCode = static_cast<int16_t>(record.paperCode);
  return 1;
}

}  // namespace

void ClearMarkOffset(PdevState* pdev) {
  if (!pdev) return;
  EndSheetMarks(pdev);
  pdev->pipeline.markOffset = POINTL{0, 0};
}

ULONG HandleEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
  // 1. Without a surface nothing can be answered.
  if (!pso) return kFailed;

  // 2. The support query answers without a PDEV where it can.
  if (iEsc == QUERYESCSUPPORT) {
    if (!HasIn(cjIn, pvIn, sizeof(WORD))) return kFailed;
    WORD code = 0;
    std::memcpy(&code, pvIn, sizeof code);
    return QueryEscapeSupport(PdevOfSurface(pso), code);
  }

  // 3. Every other escape acts on a valid PDEV.
  PdevState* pdev = PdevOfSurface(pso);
  if (!IsValidPdev(pdev)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const UINT devModeSize = GetDevModeBufferSize(0);
  switch (iEsc) {
    case SETCOPYCOUNT: return SetCopyCount(pdev, cjIn, pvIn, cjOut, pvOut);
    case GETTECHNOLOGY: return GetTechnology(cjOut, pvIn, pvOut);
    case ESC_QUERY_PAGE_MARKS: return Answer(GetPageMarks(pdev, cjIn, pvIn, cjOut, pvOut));
    case ESC_GET_DEVMODE:
      if (!pvOut || cjOut != devModeSize) return kFailed;
      CopyDevModeBuffer(pvOut, &pdev->devmode, 0);
      return 1;
    case ESC_STAMP_BRACKET: return MarkBracket(pdev, false, cjIn, pvIn, cjOut, pvOut);
    case ESC_SET_MARK_OFFSET: return SetMarkOffset(pdev, cjIn, pvIn);
    case ESC_SET_DEVMODE:
      if (!pvIn || cjIn != devModeSize) return kFailed;
      CopyDevModeBuffer(&pdev->devmode, pvIn, 0);
      return 1;
    case ESC_GET_LABEL_INFO: return Answer(GetLabelInfo(pdev, cjIn, pvIn, cjOut, pvOut));
    case ESC_SET_LABEL_INFO: return Answer(SetLabelInfo(pdev, cjIn, pvIn));
    case ESC_LABEL_BRACKET: return MarkBracket(pdev, true, cjIn, pvIn, cjOut, pvOut);
    case ESC_GET_FAX_MODE: return GetFaxMode(pdev, cjOut, pvOut);
    case ESC_GET_PAGE_COUNT:
      if (!HasOut(cjOut, pvOut, sizeof(uint32_t))) return kFailed;
      WriteU32(pvOut, pdev->pipeline.pageCount);
      return 1;
    case ESC_SET_PRINTER_SETTINGS:
      if (!pvIn || cjIn != kPrinterSettingsBlockSize || !pdev->printerSettings) return kFailed;
      std::memcpy(pdev->printerSettings, pvIn, kPrinterSettingsBlockSize);
      return 1;
    case ESC_SET_PAPER_MARGINS: return SetPaperMargins(pdev, cjIn, pvIn);
    case kEscLayoutMode:
    case kEscImagePacket:
    case kEscPageCollect:
    case kEscDuplexNup:
      // Their answers carry their own negative codes.
      return static_cast<ULONG>(HandleLayoutEscape(pdev, iEsc, cjIn, pvIn, cjOut, pvOut));
    default: return 0;
  }
}
