// The page record's paper blocks and layout fields.
#include "graphics_driver/job_output/page_records.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "graphics_driver/core/driver_helpers.h"
#include "graphics_driver/core/pdev_state.h"
#include "settings/model/device_model.h"

namespace {

constexpr uint16_t kFieldCapabilities = 26;
constexpr WORD kUserPaperCode = 256;

// Block lengths are 16-bit; a continuous form longer than that saturates
// rather than wrapping to a negative length.
int16_t Clamp16(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, -32768, 32767)); }

bool Flag(const PdevState* pdev, SettingId id) { return GetPdevSettingLong(pdev, id) != 0; }

void WholePaper(PaperBlock* b) {
  b->printableWidth = b->width;
  b->printableHeight = b->height;
  b->marginX = b->marginY = 0;
  b->reserved1[0] = b->reserved1[1] = 0;
  b->leftMargin = b->rightMargin = b->topMargin = b->bottomMargin = 0;
  b->reserved2 = 0;
}

}  // namespace

int32_t ToTenthsMm(uint32_t deviceUnits) {
  return static_cast<int32_t>((static_cast<double>(deviceUnits) * 254.0 + 9216.0) / 18432.0);
}

int HasModelCapability(const PdevState* pdev, uint32_t bit) {
  if (!pdev || !pdev->primaryModelFile) return 0;
  DWORD word = 0;
  if (ReadModelHeaderItem(pdev->primaryModelFile, kFieldCapabilities, 4, 0, &word) != 0) return 0;
  return (word & bit) != 0 ? 1 : 0;
}

int FillLogicalBlock(PdevState* pdev, PageLayoutRecord* record) {
  if (!pdev || !record) return -1;
  PaperBlock* b = &record->logical;
  const PaperInfo& paper = pdev->documentPaper;
  b->paperId = pdev->paperMargins.paperCode;
  int32_t width = ToTenthsMm(paper.width), height = ToTenthsMm(paper.height);
  int32_t printableWidth = ToTenthsMm(paper.right - paper.left);
  int32_t printableHeight = ToTenthsMm(paper.bottom - paper.top);
  if (paper.rotated) {
    std::swap(width, height);
    std::swap(printableWidth, printableHeight);
  }
  b->width = Clamp16(width);
  b->height = Clamp16(height);
  b->printableWidth = Clamp16(printableWidth);
  b->printableHeight = Clamp16(printableHeight);
  pdev->pipeline.paperIsCustom =
      paper.paperRecord && GetPaperRecordCode(static_cast<const ModelRecord*>(paper.paperRecord)) == kUserPaperCode;

  const LONG orientation = GetPdevSettingLong(pdev, 7);
  if (orientation != 1 && orientation != 2) return -1;
  record->turned = orientation == 2 ? 1 : 0;

  WholePaper(b);
  if (pdev->jobSetup.marginsFromEscape) {
    const PdevPaperMargins& m = pdev->paperMargins;
    if (int32_t{m.left} + m.right < width && int32_t{m.top} + m.bottom < height) {
      b->leftMargin = m.left;
      b->rightMargin = m.right;
      b->topMargin = m.top;
      b->bottomMargin = m.bottom;
    }
  }
  b->sizeFlag = 1;
  return 0;
}

int FillSheetBlock(PdevState* pdev, PaperBlock* block) {
  if (!pdev || !block) return -1;
  const PaperInfo& paper = pdev->outputPaper;
  block->paperId = static_cast<int16_t>(GetPdevSettingShort(pdev, 262));
  const int32_t width = ToTenthsMm(paper.width), height = ToTenthsMm(paper.height);
  block->width = Clamp16(width);
  block->height = Clamp16(height);
  WholePaper(block);
  BYTE kind = 0;
  PointItem low{}, high{};
  if (GetPaperRecordSizeRange(static_cast<const ModelRecord*>(paper.paperRecord), &kind, &low, &high) == 0) {
    if (kind == 2) block->sizeFlag = low.x <= width && width <= high.x && low.y <= height && height <= high.y ? 1 : 0;
    else block->sizeFlag = kind == 0 ? 0 : 1;
  }
  return 0;
}

int ReadPageLayoutFields(PageLayoutRecord* record, const JobSetup* job, const PdevState* pdev) {
  if (!record || !job || !pdev) return -1;
  const bool poster = job->posterMode != 0;
  const bool booklet = job->bookletMode != 0;
  const bool imposed = poster || booklet;

  const LONG rotate = GetPdevSettingLong(pdev, 437);
  if (rotate < 0 || rotate > 4) return -1;
  record->rotateCode = static_cast<uint8_t>(rotate);

  const LONG duplex = GetPdevSettingLong(pdev, 16);
  static const uint32_t kDuplexBinding[4] = {0, 0, 2, 1};
  if (duplex < 1 || duplex > 3) return -1;
  record->duplexBinding = imposed ? 0 : kDuplexBinding[duplex];

  const LONG edge = GetPdevSettingLong(pdev, 267);
  static const uint32_t kBindingEdge[9] = {0, 1, 2, 1, 4, 3, 3, 2, 4};
  if (edge < 0 || edge > 8) return -1;
  record->bindingEdge = imposed ? 0 : kBindingEdge[edge];
  record->bindingMarginFront = record->bindingEdge ? static_cast<uint16_t>(GetPdevSettingLong(pdev, 268)) : 0;
  record->bindingMarginBack = record->bindingEdge ? static_cast<uint16_t>(GetPdevSettingLong(pdev, 269)) : 0;

  const LONG order = GetPdevSettingLong(pdev, 264);
  if (order < 0 || order > 6) return -1;
  record->cellOrder = imposed ? 0 : static_cast<uint32_t>(order);

  const LONG pages = GetPdevSettingLong(pdev, 295);
  if (pages != 1 && pages != 2 && pages != 4 && pages != 8) return -1;
  record->pagesPerSheet = static_cast<int16_t>(imposed ? 1 : pages);

  record->fixedScale = record->pagesPerSheet == 1 && Flag(pdev, 449) ? 1 : 0;
  record->scalePercent = record->fixedScale ? GetPdevSettingShort(pdev, 263) : int16_t{100};
  record->bindingKeepsSize = !record->fixedScale && Flag(pdev, 451) ? 1 : 0;

  LONG orientation = GetPdevSettingLong(pdev, 294);
  if (orientation == 0) orientation = GetPdevSettingLong(pdev, 7);
  if (orientation != 1 && orientation != 2) return -1;
  record->landscapeOut = orientation == 2 ? 1 : 0;

  LONG rx = GetPdevSettingLong(pdev, 20), ry = GetPdevSettingLong(pdev, 21);
  if (rx <= 0) rx = 600;
  if (ry <= 0) ry = rx;
  record->resolutionX = static_cast<uint16_t>(rx);
  record->resolutionY = static_cast<uint16_t>(ry);

  record->gutterOn = booklet && Flag(pdev, 459) ? 1 : 0;
  record->gutterKeepsSize = record->gutterOn && Flag(pdev, 460) ? 1 : 0;
  record->gutter = record->gutterOn ? static_cast<uint16_t>(GetPdevSettingLong(pdev, 324)) : 0;

  record->bookletBinding = 0;
  if (booklet) {
    const LONG binding = GetPdevSettingLong(pdev, 322);
    if (binding != 0 && binding != 1) return -1;
    record->bookletBinding = binding == 0 ? 1 : 2;
  }

  record->tilesAcross = record->tilesDown = 1;
  if (poster) {
    if (job->posterTiles[0] < 2 || job->posterTiles[0] > 4 || job->posterTiles[1] < 2 || job->posterTiles[1] > 4)
      return -1;
    record->tilesAcross = job->posterTiles[0];
    record->tilesDown = job->posterTiles[1];
  }

  const LONG align = GetPdevSettingLong(pdev, 382);
  record->alignClass = !poster && align >= 1 && align <= 4 ? static_cast<uint32_t>(align) : 0;
  return 0;
}
