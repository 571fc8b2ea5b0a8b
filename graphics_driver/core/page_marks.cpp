// The page marks query (see page_marks.h).
#include "graphics_driver/core/page_marks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>

#include "graphics_driver/core/device_units.h"
#include "graphics_driver/job_output/placement_matrix.h"
#include "settings/services/escape_records.h"

namespace {

constexpr uint32_t kPagesOpen = kPipelineDocumentOpen | kPipelineJobOutputStarted | kPipelinePhysicalPageOpen;

// Tenths of a millimetre to dots, through device units as every length of
// the query; the sign is kept for a page placed beyond the sheet's edge.
float TenthsToDots(int32_t tenths, int32_t dpi) {
  const int32_t units = MicronsToDeviceUnits(std::abs(tenths) * 100);
  const float dots = static_cast<float>(DeviceUnitsToDots(static_cast<uint32_t>(std::max(units, 0)), dpi));
  return tenths < 0 ? -dots : dots;
}

float UnitsToDots(uint32_t units, int32_t dpi) { return static_cast<float>(DeviceUnitsToDots(units, dpi)); }

int32_t PointsToTenths(float points) {
  const float t = std::round(points * 254.0f / 72.0f);
  return static_cast<int32_t>(std::clamp(t, -1.0e9f, 1.0e9f));
}

}  // namespace

int GetCellRect(const PageLayoutRecord* record, uint32_t cellIndex, uint32_t faceIndex, CellRect* out) {
  if (!record || !out) return -1;
  LayoutInput in;
  PlacementMatrix m;
  if (BuildLayoutInput(record, &in) != 0 || BuildCellMatrix(record, cellIndex, faceIndex, &m) != 0) return -1;
  // The page's printable area in its pixels, mapped to sheet points (y
  // upward from the sheet's bottom edge).
  const float w = std::fabs(in.pageRight - in.pageLeft), h = std::fabs(in.pageBottom - in.pageTop);
  const float xs[4] = {0, w, 0, w}, ys[4] = {0, 0, h, h};
  float left = 0, right = 0, bottom = 0, top = 0;
  for (int i = 0; i < 4; ++i) {
    const float x = m.m[0] * xs[i] + m.m[2] * ys[i] + m.m[4];
    const float y = m.m[1] * xs[i] + m.m[3] * ys[i] + m.m[5];
    if (i == 0 || x < left) left = x;
    if (i == 0 || x > right) right = x;
    if (i == 0 || y < bottom) bottom = y;
    if (i == 0 || y > top) top = y;
  }
  if (!std::isfinite(left) || !std::isfinite(right) || !std::isfinite(bottom) || !std::isfinite(top)) return -1;
  const int32_t sheetHeight = record->sheet.height;
  out->x0 = PointsToTenths(left);
  out->x1 = PointsToTenths(right);
  out->y0 = sheetHeight - PointsToTenths(top);
  out->y1 = sheetHeight - PointsToTenths(bottom);
  return 0;
}

int GetPageMarks(PdevState* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
  // 1. The answer block, and the request: 0 at a page end, else the document end.
  if (!pdev || !pvOut || cjOut != sizeof(PageMarkQuery)) return -1;
  uint32_t request = 0;
  if (pvIn && cjIn == sizeof request) std::memcpy(&request, pvIn, sizeof request);
  PageMarkQuery q{};

  // 2. Nothing is due while no page of the job is open.
  const PdevPipeline& p = pdev->pipeline;
  if ((p.pipelineFlags & kPagesOpen) != kPagesOpen) {
    std::memcpy(pvOut, &q, sizeof q);
    return 1;
  }

  // 3. Whether this page, or the sheet it completes, takes a stamp and label.
  const JobSetup& job = pdev->jobSetup;
  const uint32_t pagesPerSheet = job.pagesPerSheet;
  if (pagesPerSheet == 0) return -1;
  uint32_t pages = p.logicalPageCount, sheets = p.pageCount;
  bool sheetStamp, pageStamp;
  if (request == 0) {
    ++pages;
    sheetStamp = pages % pagesPerSheet == 0;
    if (sheetStamp) ++sheets;
    pageStamp = true;
  } else {
    sheetStamp = pages % pagesPerSheet != 0;
    if (sheetStamp) ++sheets;
    pageStamp = false;
  }
  if (!job.stampPerPage || (job.stampFirstOnly && pages != 1)) pageStamp = false;
  q.label = sheetStamp ? job.labelOn : 0;
  if (!job.stampPerSheet || (job.stampFirstOnly && sheets != 1)) sheetStamp = false;
  q.sheetStamp = sheetStamp ? 1 : 0;
  q.pageStamp = pageStamp ? 1 : 0;

  // 4. The stamp's area: the page's cell as a rectangle of the sheet (the
  // page's own frame when it is turned), else the document paper; and the
  // sheet.
  const int32_t dpi = pdev->devmode.devMode.publicPart.dmPrintQuality;
  CellRect cell;
  if (pageStamp && GetCellRect(&pdev->currentPage, p.cellIndex, p.faceIndex, &cell) == 0) {
    const PaperBlock& sheet = pdev->currentPage.sheet;
    const int32_t ox = sheet.marginX, oy = sheet.marginY;
    int32_t edges[4];  // left, top, right, bottom
    if (pdev->currentPage.turned) {
      edges[0] = cell.y1 - oy, edges[1] = cell.x0 - ox, edges[2] = cell.y0 - oy, edges[3] = cell.x1 - ox;
    } else {
      edges[0] = cell.x0 - ox, edges[1] = cell.y0 - oy, edges[2] = cell.x1 - ox, edges[3] = cell.y1 - oy;
    }
    for (int i = 0; i < 4; ++i) q.stampArea[i] = TenthsToDots(edges[i], dpi);
  } else {
    q.stampArea[2] = UnitsToDots(pdev->documentPaper.width, dpi);
    q.stampArea[3] = UnitsToDots(pdev->documentPaper.height, dpi);
  }
  q.sheetArea[2] = UnitsToDots(pdev->outputPaper.width, dpi);
  q.sheetArea[3] = UnitsToDots(pdev->outputPaper.height, dpi);
  if (IsPageTurned(pdev)) {
    std::swap(q.sheetArea[0], q.sheetArea[1]);
    std::swap(q.sheetArea[2], q.sheetArea[3]);
  }
  std::memcpy(pvOut, &q, sizeof q);
  return 1;
}
