// The booklet (see booklet_imposition.h).
#include "graphics_driver/job_output/booklet_imposition.h"

#include <cstring>

#include "graphics_driver/core/image_store.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/page_collect_state.h"
#include "graphics_driver/job_output/page_spool.h"
#include "graphics_driver/job_output/page_spool_stream.h"

namespace {

ImpositionObserver g_observer = nullptr;

// A white face names no tray: its sheet start carries the code of none.
constexpr int16_t kNoTray = -1;

bool OutputStarted(const PdevState* pdev) { return pdev && pdev->jobOutput && IsJobOutputStarted(pdev); }

// Booklet jobs put one logical page on each physical page.
bool BookletLayout(const PdevState* pdev) {
  const JobSetup& job = pdev->jobSetup;
  return job.bookletMode && !job.posterMode && job.pagesPerSheet == 1;
}

// Subsets of the sheet count the application asked for; a count below one
// sheet means none.
int32_t SubsetSheets(const PdevState* pdev) {
  const JobSetup& job = pdev->jobSetup;
  return job.bookletSubsets && job.sheetsPerSubset > 0 ? job.sheetsPerSubset : 0;
}

// Replays `page` into `half` of the sheet: its spooled paper and orientation
// laid over the current record give the half cell's matrix.
int ReplayIntoHalf(PdevState* pdev, int32_t page, uint32_t half, uint32_t modeBits, int32_t other) {
  SpooledPageRecord entry{};
  if (GetSpooledPage(pdev->jobOutput, uint16_t(page), &entry) != 0) return -1;
  PageLayoutRecord record = pdev->currentPage;
  std::memcpy(&record.logical, entry.logical, sizeof record.logical);
  record.turned = entry.turned;
  HalfCellInput input{};
  PlacementMatrix matrix{};
  if (BuildHalfCellInput(&record, half, uint32_t(page), &input) != 0 || BuildCellTransform(input, &matrix) != 0)
    return -1;
  if (ReplayPage(pdev, page, modeBits, &matrix, other, pdev->jobSetup.pageMode) != 0) return -1;
  ReportImposedStep({ImposedKind::kHalf, page, other, modeBits, half, matrix});
  return 0;
}

int ImposeSide(PdevState* pdev, int32_t left, int32_t right, uint32_t order) {
  const bool hasLeft = left != kBlankHalf, hasRight = right != kBlankHalf;
  if (!hasLeft && !hasRight) {
    if (order != 0) return 0;
    if (EmitWhiteFace(pdev, kNoTray) != 0) return -1;
    ReportImposedStep({ImposedKind::kWhiteFace, kBlankHalf, kBlankHalf, 0, 0, {}});
    return 0;
  }
  const uint32_t all = kReplaySheetStart | kReplayContentEnd | kReplaySheetEnd | kReplayTransform;
  if (!hasLeft) return ReplayIntoHalf(pdev, right, 1, all, kNoPage);
  if (!hasRight) return ReplayIntoHalf(pdev, left, 0, all, kNoPage);
  // The higher page opens the sheet, the lower one ends it.
  const bool leftHigher = left > right;
  const int32_t high = leftHigher ? left : right, low = leftHigher ? right : left;
  if (ReplayIntoHalf(pdev, high, leftHigher ? 0 : 1, kReplaySheetStart | kReplayTransform, low) != 0) return -1;
  return ReplayIntoHalf(pdev, low, leftHigher ? 1 : 0, kReplayContentEnd | kReplaySheetEnd | kReplayTransform, high);
}

}  // namespace

void SetImpositionObserver(ImpositionObserver observer) { g_observer = observer; }

void ReportImposedStep(const ImposedStep& step) {
  if (g_observer) g_observer(step);
}

uint32_t BookletSideCount(int32_t first, int32_t last) {
  if (last < first) return 0;
  return uint32_t((int64_t{last} - first + 4) / 4 * 2);
}

int32_t BookletPageForSide(int32_t first, int32_t last, uint32_t side, uint32_t binding, uint32_t half,
                           uint32_t outerFirst) {
  const int64_t sides = BookletSideCount(first, last);
  const bool x = side % 2 == 1;
  const bool swap = (x != (binding == 1)) != (half == 1);
  int64_t page;
  if (outerFirst == 0) page = first + sides + (swap ? -int64_t{side} - 1 : int64_t{side});
  else page = first + (swap ? 2 * sides - side - 1 : int64_t{side});
  return page > last ? kBlankHalf : int32_t(page);
}

int ImposeBookletRange(PdevState* pdev, int32_t first, int32_t last) {
  if (!OutputStarted(pdev) || last < first || first < 0) return -1;
  const uint32_t sides = BookletSideCount(first, last);
  if (sides == 0) return -1;
  ReportImposedStep({ImposedKind::kRange, first, last, 0, 0, {}});
  const uint32_t order = (pdev->jobSetup.bookletOuterFirst ? 1u : 0u) ^ (pdev->jobSetup.reverseOrder ? 1u : 0u);
  const uint32_t binding = pdev->currentPage.bookletBinding;
  for (uint32_t side = 0; side < sides; ++side) {
    const int32_t left = BookletPageForSide(first, last, side, binding, 0, order);
    const int32_t right = BookletPageForSide(first, last, side, binding, 1, order);
    if (ImposeSide(pdev, left, right, order) != 0) return -1;
  }
  return ResetImageStore(pdev->imageStore) == 0 ? 0 : -1;
}

int IsBookletSubsetFull(int32_t first, int32_t last, int32_t sheetsPerSubset) {
  if (sheetsPerSubset < 1) return 0;
  return int64_t{last} - first + 1 < 4 * int64_t{sheetsPerSubset} ? 0 : 1;
}

int EndBookletSheet(PdevState* pdev) {
  if (!pdev || !IsPageRecorded(pdev) || !BookletLayout(pdev)) return -1;
  PdevPipeline& p = pdev->pipeline;
  if (EndSpoolPage(pdev, p.pageCount) != 0) return -1;
  const int32_t first = p.firstSpooledPage, last = first + int32_t(p.spooledPageCount) - 1;
  if (!IsBookletSubsetFull(first, last, SubsetSheets(pdev))) return 0;
  // The subset is printed; the next page opens a spool of its own.
  int r = ReplayBooklet(pdev);
  r |= CloseSpool(pdev);
  return r == 0 ? 0 : -1;
}

int ReplayBooklet(PdevState* pdev) {
  if (!pdev || !pdev->jobSetup.bookletMode) return -1;
  if (!IsSpoolOpen(pdev)) return -1;
  const PdevPipeline& p = pdev->pipeline;
  if (p.spooledPageCount == 0) return 0;
  const int32_t first = p.firstSpooledPage, last = first + int32_t(p.spooledPageCount) - 1;
  const int32_t sheets = SubsetSheets(pdev);
  if (!pdev->jobSetup.spoolWholeJob || sheets == 0) return ImposeBookletRange(pdev, first, last);
  const int32_t size = 4 * sheets;
  const int32_t subsets = (int32_t(p.spooledPageCount) + size - 1) / size;
  for (int32_t k = 0; k < subsets; ++k) {
    const int32_t i = pdev->jobSetup.reverseOrder ? subsets - 1 - k : k;
    const int32_t start = first + i * size;
    const int32_t end = i == subsets - 1 ? last : start + size - 1;
    if (ImposeBookletRange(pdev, start, end) != 0) return -1;
  }
  return 0;
}

int ReplayBookletIfSpooled(PdevState* pdev) {
  if (!OutputStarted(pdev) || !BookletLayout(pdev)) return -1;
  return IsSpoolOpen(pdev) ? ReplayBooklet(pdev) : 0;
}
