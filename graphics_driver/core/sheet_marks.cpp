// The marks of an N-up sheet (see sheet_marks.h).
#include "graphics_driver/core/sheet_marks.h"

#include <cstring>

#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/placement_matrix.h"
#include "platform/win/win_memory.h"

namespace {

// Sheets are made of several pages by the outside raster library: pages per
// sheet above one, and neither a booklet nor a poster, which place their
// pages themselves.
bool MarksGoOnTheSheet(const PdevState* pdev) {
  return GetNupMode(pdev) != 0 && !pdev->jobSetup.bookletMode && !pdev->jobSetup.posterMode;
}

// The marks image in the frame the marks are placed in: the page's size,
// turned when the sheet's pages are turned. Made anew (blank) when the size
// changed; false without a page size or memory.
bool EnsureImage(JobOutputStream* stream, bool turned) {
  const TiffJobRecord& r = stream->tiffJob;
  SheetMarks& m = stream->sheetMarks;
  const uint32_t width = turned ? r.heightDots : r.widthDots;
  const uint32_t rows = turned ? r.widthDots : r.heightDots;
  if (width == 0 || rows == 0) return false;
  if (m.bits && m.width == width && m.rows == rows) return true;
  if (m.bits) GlobalFree(m.bits);
  m.bits = nullptr;
  m.inked = 0;
  const uint32_t rowBytes = (width + 7) / 8;
  const uint64_t bytes = uint64_t(rowBytes) * (uint64_t(rows) + 1);
  if (bytes > UINT32_MAX) return false;
  m.bits = static_cast<BYTE*>(GlobalAlloc(GPTR, SIZE_T(bytes)));
  if (!m.bits) return false;
  m.width = width;
  m.rows = rows;
  m.rowBytes = rowBytes;
  return true;
}

}  // namespace

bool BeginSheetMarks(PdevState* pdev) {
  if (!pdev || !pdev->jobOutput || !MarksGoOnTheSheet(pdev)) return false;
  JobOutputStream* stream = pdev->jobOutput;
  if (stream->sheetMarks.drawing) return true;
  if (!EnsureImage(stream, IsPageTurned(pdev) == 1)) return false;
  DrawIntoSheetMarks(stream);
  return true;
}

void EndSheetMarks(PdevState* pdev) {
  if (pdev && pdev->jobOutput) PutBandBack(pdev->jobOutput);
}

POINTL MarkShift(const PdevState* pdev) {
  const POINTL offset = pdev->pipeline.markOffset;
  const SheetMarks* m = pdev->jobOutput ? &pdev->jobOutput->sheetMarks : nullptr;
  if (!m || !m->drawing) return offset;
  const auto at = [](int64_t v) { return LONG(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); };
  return POINTL{at(int64_t(offset.x) + m->bandLeft), at(int64_t(offset.y) + m->bandTop)};
}
