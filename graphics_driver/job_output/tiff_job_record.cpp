// The job's TIFF record and band stepping (see tiff_job_record.h).
#include "graphics_driver/job_output/tiff_job_record.h"

#include <cstring>

#include "graphics_driver/core/device_units.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/bands.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "platform/win/win_memory.h"

namespace {

// Offsets 96-119: the drawing state.
void ClearDrawingState(TiffJobRecord* r) {
  r->ropPolarity = r->ropOperation = r->penLevel = r->brushLevel = r->reserved112 = r->imageKind = 0;
}

// The rows a band of the surface can hold: the surface is made for its band
// height plus spare rows, and the drawing code never writes beyond it.
uint32_t SurfaceBandRows(const SURFOBJ* surface) {
  if (!surface || surface->sizlBitmap.cy <= kSurfaceSpareRows) return 0;
  return uint32_t(surface->sizlBitmap.cy - kSurfaceSpareRows);
}

// The first band of a page: the page's size, orientation and N-up state,
// and its band height; false when not even one row can be had.
bool StartPage(PdevState* pdev, const SURFOBJ* surface, TiffJobRecord* r) {
  r->resolution = uint16_t(GetPdevSettingShort(pdev, 20));
  r->outputDpi = uint16_t(GetOutputResolutionDpi(pdev));
  r->sourceResolution = r->resolution;
  const PaperInfo& paper = pdev->documentPaper;
  const int32_t width = DeviceUnitsToDots(paper.right - paper.left, r->resolution);
  const int32_t height = DeviceUnitsToDots(paper.bottom - paper.top, r->resolution);
  r->widthDots = width > 0 ? uint32_t(width) / 8 * 8 : 0;
  r->heightDots = height > 0 ? uint32_t(height) : 0;
  r->landscape = pdev->devmode.devMode.publicPart.dmOrientation == 2 ? 1 : 0;
  r->nupMode = uint16_t(GetNupMode(pdev));
  r->scalePercent = GetScalePercent(pdev);
  r->pageNumber += 1;
  r->blankRows = 0;
  r->outputReady = 0;
  r->scaledWidth = uint32_t(uint64_t(r->widthDots) * r->scalePercent / 100);
  r->scaledHeight = uint32_t(uint64_t(r->heightDots) * r->scalePercent / 100);
  if (r->widthDots == 0 || r->heightDots == 0) return false;
  const int32_t rows = ComputeBandHeight(r->widthDots, r->heightDots);
  if (rows <= 0) return false;
  r->bandRows = uint32_t(rows);
  // Rows GDI never draws are not made part of a band.
  const uint32_t cap = SurfaceBandRows(surface);
  if (cap != 0 && r->bandRows > cap) r->bandRows = cap;
  r->paperKindPair = uint32_t(GetPaperKindPair(pdev));
  return true;
}

}  // namespace

int InitTiffJobRecord(PdevState* pdev, TiffJobRecord* r) {
  std::memset(r, 0, sizeof *r);
  r->pageHandlingMode = uint16_t(GetPageHandlingMode(pdev));
  r->setting333 = GetSetting333(pdev);
  r->scalePercent = 100;
  r->flag479 = uint32_t(IsFlag479(pdev));
  r->option1042 = GetOutputOption1042(pdev);
  r->setting285 = GetSetting285(pdev);
  r->rotated = uint32_t(IsImageRotated(pdev));
  r->topUnderMarginOn = uint32_t(IsTopUnderMarginOn(pdev));
  r->topMarginDots = uint32_t(GetTopMarginDots(pdev));
  r->underMarginDots = uint32_t(GetUnderMarginDots(pdev));
  r->imageOffsetOn = uint32_t(IsImageOffsetOn(pdev));
  r->setting413TwoOrThree = uint32_t(IsSetting413TwoOrThree(pdev));
  r->setting413Code = uint32_t(GetSetting413Code(pdev));
  r->imageOffset1Dots = uint32_t(GetImageOffset1Dots(pdev));
  r->imageOffset2Dots = uint32_t(GetImageOffset2Dots(pdev));
  return 1;
}

TiffJobRecord* GetTiffJobRecord(JobOutputStream* stream) { return stream ? &stream->tiffJob : nullptr; }

TiffJobRecord* GetNextBand(SURFOBJ* surface) {
  PdevState* pdev = surface ? PdevOfSurface(surface) : nullptr;
  if (!pdev || !pdev->jobOutput) return nullptr;
  JobOutputStream* stream = pdev->jobOutput;
  TiffJobRecord* r = &stream->tiffJob;
  r->bandIndex += 1;
  const uint16_t pageNumber = r->pageNumber;
  if (r->bandIndex == 1 && !StartPage(pdev, surface, r)) {
    // No page was started: the next try starts the same page.
    r->bandIndex = 0;
    r->pageNumber = pageNumber;
    return nullptr;
  }
  r->bandBottom += r->bandRows;
  r->bandTop = int32_t(r->bandBottom - r->bandRows);
  if (uint32_t(r->bandTop) >= r->heightDots) {
    r->bandIndex = 0;
    return r;
  }
  if (r->bandBottom > r->heightDots) {
    r->bandBottom = r->heightDots;
    r->bandRows = r->heightDots - uint32_t(r->bandTop);
  }
  if (r->bandIndex == 1) {
    r->bandLeft = 0;
    r->bandRight = r->widthDots;
    r->bandWidth = r->widthDots;
    r->bytesPerRow = (r->bandWidth + 7) / 8;
    r->bandRows = r->bandBottom - uint32_t(r->bandTop);
    const uint64_t size = uint64_t(r->bytesPerRow) * (uint64_t(r->bandRows) + 1);
    if (r->bandBuffer) GlobalFree(r->bandBuffer);
    r->bandBuffer = size <= 0xFFFFFFFFu ? static_cast<uint8_t*>(GlobalAlloc(GPTR, SIZE_T(size))) : nullptr;
    if (!r->bandBuffer) {
      // The page cannot be banded: it starts again at its top next time.
      r->bandIndex = 0;
      r->pageNumber = pageNumber;
      r->bandTop = 0;
      r->bandBottom = 0;
      return nullptr;
    }
    r->bandBufferSize = uint32_t(size);
    r->bandsPerPage = uint16_t(r->heightDots / r->bandRows);
    if (uint64_t(r->bandsPerPage) * r->bandRows < r->heightDots) r->bandsPerPage += 1;
    r->bandDirty = 0;
    ClearDrawingState(r);
    r->pjlAtPageStart = IsPjlOutput(pdev);
    stream->work.brushBitmap = nullptr;  // not ours to free
  }
  return r;
}

int FreeBandBuffer(JobOutputStream* stream) {
  if (!stream || !stream->tiffJob.bandBuffer) return -1;
  GlobalFree(stream->tiffJob.bandBuffer);
  stream->tiffJob.bandBuffer = nullptr;
  return 1;
}

int SetRasterOp(JobOutputStream* stream, char polarity, char operation) {
  TiffJobRecord* r = &stream->tiffJob;
  r->ropPolarity = polarity == 'n' ? 1 : 2;
  switch (operation) {
    case 'o': r->ropOperation = 1; break;
    case 'a': r->ropOperation = 2; break;
    case 'e': r->ropOperation = 3; break;
    default: r->ropOperation = 4; break;
  }
  return 1;
}

int SetDrawImageKind(JobOutputStream* stream, uint32_t kind) {
  stream->tiffJob.imageKind = kind;
  return 1;
}
