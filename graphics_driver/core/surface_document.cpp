// The device surface and the document entry points: the banded 24-bit
// surface the driver draws into, and DrvStartDoc, DrvStartPage, DrvSendPage
// and DrvEndDoc, which move the PDEV's DDI state bits around the steps of the
// page pipeline and the job output.
#include "graphics_driver/core/bit_block_transfer.h"
#include "graphics_driver/core/device_units.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/escapes.h"
#include "graphics_driver/core/page_image_output.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/job_output_for_core.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_error.h"

namespace {

// Bits of ddiFlags that nothing sets but the document steps clear with the
// named ones.
constexpr uint32_t kDdiBit16 = 0x10000;
constexpr uint32_t kDdiBit19 = 0x80000;
constexpr uint32_t kDdiBit21 = 0x200000;
constexpr uint32_t kDdiBit22 = 0x400000;
constexpr uint32_t kDdiBit23 = 0x800000;
constexpr uint32_t kDdiStartDocClears = 0xFC000 | kDdiBit22;  // bits 14 to 19 and 22

constexpr FLONG kSurfaceHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH | HOOK_COPYBITS;

// The PDEV of a document call: null (with ERROR_INVALID_PARAMETER when a
// surface was given) when the call cannot go on.
PdevState* DocumentPdev(SURFOBJ* pso) {
  if (!pso) return nullptr;
  PdevState* pdev = PdevOfSurface(pso);
  if (IsValidPdev(pdev)) return pdev;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

// Frees the document's device memory pool: true when none is held or it was
// freed.
bool DropMemoryPool(PdevState* pdev) {
  if (!pdev->memoryPool) return true;
  if (DestroyMemoryPool(pdev->memoryPool) != kPoolOk) return false;
  pdev->memoryPool = nullptr;
  return true;
}

}  // namespace

HSURF DrvEnableSurface(DHPDEV dhpdev) {
  auto* pdev = reinterpret_cast<PdevState*>(dhpdev);
  if (!IsValidPdev(pdev)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const int32_t dpi = WORD(GetPdevSettingShort(pdev, 20));
  const PaperInfo& paper = pdev->documentPaper;
  const int32_t width = DeviceUnitsToDots(paper.right - paper.left, dpi);
  const int32_t height = DeviceUnitsToDots(paper.bottom - paper.top, dpi);
  if (width <= 0 || height <= 0) return nullptr;
  const int32_t rows = ComputeBandHeight(uint32_t(width) / 8 * 8, uint32_t(height));
  // No block for even one band row: no surface.
  if (rows <= 0 || rows > INT32_MAX - kSurfaceSpareRows) return nullptr;
  HSURF surface =
      EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), SIZEL{width, rows + kSurfaceSpareRows}, BMF_24BPP);
  if (!surface) return nullptr;
  pdev->surface = surface;
  EngAssociateSurface(surface, pdev->engineDevice, kSurfaceHooks);
  EngMarkBandingSurface(surface);
  return surface;
}

void DrvDisableSurface(DHPDEV dhpdev) {
  auto* pdev = reinterpret_cast<PdevState*>(dhpdev);
  if (!IsValidPdev(pdev) || !pdev->surface) return;
  EngDeleteSurface(pdev->surface);
  pdev->surface = nullptr;
}

BOOL DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId) {
  PdevState* pdev = DocumentPdev(pso);
  if (!pdev) return FALSE;
  const bool continued = pdev->ddiFlags & kDdiContinuedAfterReset;
  // The document goes on from the PDEV a reset replaced.
  if (continued) {
    pdev->ddiFlags |= kDdiDocumentStarted;
    return TRUE;
  }
  // A document started again without its end is abandoned first, so that
  // its job output is released, not overwritten.
  if (pdev->ddiFlags & kDdiDocumentStarted) DrvEndDoc(pso, ED_ABORTDOC);
  pdev->ddiFlags |= kDdiDocumentStarted;
  // Each step runs whatever the others answer.
  bool failed = BeginJobPipeline(pdev, pdev->printer) != 0;
  failed = OpenJobOutput(pdev, pwszDocName, nullptr) != 0 || failed;
  failed = InitJobUserInfo(pdev, dwJobId) != 0 || failed;
  pdev->ddiFlags &= ~kDdiStartDocClears;
  if (failed) {
    pdev->ddiFlags |= kDdiDocumentFailed;
    return FALSE;
  }
  return TRUE;
}

BOOL DrvStartPage(SURFOBJ* pso) {
  PdevState* pdev = DocumentPdev(pso);
  if (!pdev) return FALSE;
  if (pdev->ddiFlags & kDdiDocumentFailed) return FALSE;
  if (pdev->ddiFlags & (kDdiPageOpen | kDdiBit19 | kDdiBit22)) return TRUE;
  bool started = true;
  if (!IsJobOutputStarted(pdev)) {
    // A pool an earlier document left is freed before a new one is made.
    if (!DropMemoryPool(pdev)) return FALSE;
    const DWORD deviceMemory = ReadModelHeaderValue(pdev->primaryModelFile, 6, 4, 0);
    if (deviceMemory != 0 && GetPdevSettingLong(pdev, 292) != 0 &&
        CreateMemoryPool(&pdev->memoryPool, deviceMemory) != kPoolOk)
      return FALSE;
    pdev->ddiFlags |= kDdiJobOutputStartedHere;
    if (StartJobOutput(pdev) == -1) started = false;
  }
  ResetClipState(pdev);
  ClearMarkOffset(pdev);
  if (StartLogicalPage(pdev) == -1) started = false;
  pdev->ddiFlags &= ~kDdiBit21;
  pdev->ddiFlags |= kDdiPageOpen;
  if (pdev->ddiFlags & kDdiContinuedAfterReset) pdev->ddiFlags &= ~(kDdiContinuedAfterReset | kDdiBit23);
  return started ? TRUE : FALSE;
}

BOOL DrvSendPage(SURFOBJ* pso) {
  PdevState* pdev = DocumentPdev(pso);
  if (!pdev) return FALSE;
  // A mark left unbracketed is over: the page's last band goes out as drawn.
  ClearMarkOffset(pdev);
  const int flushed = FlushPageImage(pdev, 1);
  const int ended = SendPageStep(pdev);
  pdev->ddiFlags &= ~kDdiPageOpen;
  return flushed == 0 && ended == 0 ? TRUE : FALSE;
}

BOOL DrvEndDoc(SURFOBJ* pso, FLONG fl) {
  PdevState* pdev = DocumentPdev(pso);
  if (!pdev) return FALSE;
  ClearMarkOffset(pdev);
  // Unless the document was abandoned the TIFF output and the job are
  // finished; a job whose last bytes did not reach the spooler answers FALSE.
  bool finished = true;
  if (fl != ED_ABORTDOC) {
    const int tiff = FinishTiffOutput(pdev, 2);
    if (pdev->ddiFlags & kDdiJobOutputStartedHere) {
      const int job = FinishJob(pdev);
      finished = tiff != -1 && job != -1;
    }
  }
  EndJobPipeline(pdev);
  // A job end always lifts an abort, also when the job was abandoned, so
  // that later jobs of the process are not dropped.
  if (GetOutputAbortState() == -1) SetOutputAbortState(1);
  if (!DropMemoryPool(pdev)) return FALSE;
  pdev->ddiFlags &= ~(kDdiDocumentStarted | kDdiJobOutputStartedHere | kDdiContinuedAfterReset | kDdiBit16);
  return finished ? TRUE : FALSE;
}
