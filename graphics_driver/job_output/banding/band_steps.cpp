// The band steps (see band_steps.h).
#include "graphics_driver/job_output/banding/band_steps.h"

#include <cstring>
#include <string>

#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/outside_raster_calls.h"
#include "graphics_driver/job_output/output_routes.h"
#include "graphics_driver/job_output/page_pipeline_steps.h"
#include "graphics_driver/job_output/pjl_job_stream.h"
#include "graphics_driver/job_output/save_file_name.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_error.h"
#include "platform/win/win_memory.h"

namespace {

// The multi-page file gathers the pages on routes that send no page alone.
bool GathersAtOnce(const PdevState* pdev) {
  return !IsPjlOutput(pdev) && !IsSaveToFileMode(pdev) && !IsPreviewMode(pdev);
}
bool GathersForLater(const PdevState* pdev) {
  return IsPreviewMode(pdev) || (IsSaveToFileMode(pdev) && !IsSaveAsPjl(pdev));
}

// The file a page step made goes out: gathered, streamed, then gathered or
// deleted as the route asks. -1 when any of it failed.
int SendOutputFile(PdevState* pdev, TiffJobRecord* r) {
  // A fax whose pages are not sent drops what its pages were banded into.
  if (pdev->faxState.faxJob && pdev->faxState.faxPagesOff) {
    if (r->outputReady) DeleteAnsiFile(r->outputFile);
    return 0;
  }
  if (GathersAtOnce(pdev) && BuildMultiPageTiff(r) != 0) return -1;
  if (StreamTiffFileIntoJob(pdev, r) == -1) return -1;
  if (GathersForLater(pdev)) return BuildMultiPageTiff(r) == 0 ? 0 : -1;
  DeleteAnsiFile(r->outputFile);
  return 0;
}

void ClearBand(JobOutputStream* stream) {
  TiffJobRecord* r = &stream->tiffJob;
  r->blankRows = 0;
  r->outputReady = 0;
  r->bandDirty = 0;
  if (r->bandBuffer) std::memset(r->bandBuffer, 0, r->bandBufferSize);
  if (stream->work.brushBitmap) {
    GlobalFree(stream->work.brushBitmap);
    stream->work.brushBitmap = nullptr;
  }
}

// A step of the job failed: the job goes in error and leaves nothing behind.
int FailJob(PdevState* pdev) {
  AbortJobPipeline(pdev);
  CleanUpTiffOutput(pdev);
  return -1;
}

// The band that was drawn becomes part of the page file; a blank band only
// adds its rows to the white still to come. -1 when the step failed.
int FinishBand(PdevState* pdev, JobOutputStream* stream) {
  TiffJobRecord* r = &stream->tiffJob;
  if (r->bandDirty == 0 && GetSetting373(pdev) == 0) {
    r->blankRows += r->bandRows;
    return 0;
  }
  if (!r->bandBuffer) return 0;
  r->mode = 0;
  const int result = MakePageTiff(r) == 0 ? SendOutputFile(pdev, r) : -1;
  // A failed band is not drawn again into the next one.
  ClearBand(stream);
  return result;
}

void ClearBandPlace(TiffJobRecord* r) {
  r->bandTop = 0;
  r->bandBottom = r->bandLeft = r->bandRight = 0;
}

// Keeps the multi-page file of a job whose save failed, as the user asked for
// the job: its path (ANSI) is the file the box names.
void KeepUnsavedJob(TiffJobRecord* r, std::string& kept) {
  kept = r->outputFile;
  WCHAR wide[MAX_PATH + 1] = {};
  MultiByteToWideChar(CP_ACP, 0, r->outputFile, -1, wide, MAX_PATH + 1);
  ShowJobKeptMessage(wide);
  std::memset(r->outputFile, 0, sizeof r->outputFile);
}

}  // namespace

BOOL StartBanding(SURFOBJ* surface, POINTL* origin) {
  if (!surface) return FALSE;
  if (origin) *origin = POINTL{0, 0};
  TiffJobRecord* r = GetNextBand(surface);
  if (!r || r->bandIndex == 0) return FALSE;
  if (r->bandIndex == 1) {
    if (EnsureLogicalPageStarted(PdevOfSurface(surface)) != 0) return FALSE;
    if (origin) *origin = POINTL{LONG(r->bandLeft), LONG(r->bandTop)};
  }
  return TRUE;
}

BOOL NextBand(SURFOBJ* surface, POINTL* origin) {
  PdevState* pdev = surface ? PdevOfSurface(surface) : nullptr;
  if (!IsValidPdev(pdev)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  JobOutputStream* stream = pdev->jobOutput;
  if (!stream) return FALSE;
  TiffJobRecord* r = &stream->tiffJob;
  if (r->bandIndex != 0 && FinishBand(pdev, stream) != 0) {
    FailJob(pdev);
    // The page ends here: no band is left to draw into.
    r->bandIndex = 0;
    ClearBandPlace(r);
    return FALSE;
  }
  if (!GetNextBand(surface)) return FALSE;
  if (r->bandIndex != 0) {
    if (origin) *origin = POINTL{LONG(r->bandLeft), LONG(r->bandTop)};
    return TRUE;
  }
  const int finished = FinishTiffOutput(pdev, 1);
  FreeBandBuffer(stream);
  ClearBandPlace(r);
  if (finished == -1) return FALSE;
  if (origin) *origin = POINTL{-1, -1};
  return TRUE;
}

int FinishTiffOutput(PdevState* pdev, int kind) {
  if (!pdev || !pdev->jobOutput) return 0;
  JobOutputStream* stream = pdev->jobOutput;
  TiffJobRecord* r = &stream->tiffJob;
  r->mode = uint16_t(kind);
  if (r->pageHandlingMode != 0 && kind == 1 && r->nupMode == 0 && r->bandBuffer) FreeBandBuffer(stream);
  if (MakePageTiff(r, &stream->sheetMarks) != 0 || SendOutputFile(pdev, r) != 0) return FailJob(pdev);
  if (kind == 1) {
    r->blankRows = 0;
    r->outputReady = 0;
    r->bandDirty = 0;
    return 1;
  }
  if (kind != 2) return 1;
  std::string kept;
  if (GetOutputAbortState() == -1) {
    DeleteAnsiFile(r->outputFile);
    SetOutputAbortState(1);
  } else if (IsPreviewMode(pdev)) {
    // The preview program deletes or keeps the file itself.
    RunPreviewProgram(pdev, r->outputFile);
    kept = r->outputFile;
  } else if (IsSaveToFileMode(pdev) && !IsSaveAsPjl(pdev)) {
    // The job's only copy is never deleted unless it was saved.
    if (CopyJobToOutputFolder(pdev, r->outputFile)) DeleteAnsiFile(r->outputFile);
    else KeepUnsavedJob(r, kept);
  }
  ReleaseSheetMarks(stream);
  ReleaseTiffJobFiles(r, kept.empty() ? nullptr : kept.c_str());
  return 1;
}

void CleanUpTiffOutput(PdevState* pdev) {
  if (!pdev || !pdev->jobOutput) return;
  // The band buffer freed is the band's, never the sheet marks drawn into.
  ReleaseSheetMarks(pdev->jobOutput);
  ReleaseTiffJobFiles(&pdev->jobOutput->tiffJob, nullptr);
}
