// Placement of logical pages on sheets. Matrices are combined left to right,
// each applied after the previous one.
#include "graphics_driver/job_output/placement_matrix.h"

#include <algorithm>
#include <cmath>

#include "graphics_driver/core/pdev_state.h"

namespace {

constexpr float kHalfRoot2 = 0.70710677f;
constexpr float kQuarterRoot2 = 0.35355339f;
constexpr float kRoot2 = 1.4142135f;

PlacementMatrix Make(float a, float b, float c, float d, float e, float f) {
  return PlacementMatrix{{a, b, c, d, e, f}};
}

PlacementMatrix Translation(float tx, float ty) { return Make(1, 0, 0, 1, tx, ty); }

// A cell's origin as fractions of the sheet's printable rectangle: x from
// the left edge, y from the top edge towards the bottom one.
struct CellOrigin {
  float x, y;
};

struct PlacementRow {
  float linear[4];
  CellOrigin cells[8];
};

// Rows by pages per sheet (1, 2, 4, 8) and output orientation.
const PlacementRow kPlacement[4][2] = {
    {{{1, 0, 0, 1}, {{0, 1}}}, {{0, 1, -1, 0}, {{0, 0}}}},
    {{{0, kHalfRoot2, -kHalfRoot2, 0}, {{0, 0}, {0, 0.5f}}}, {{kHalfRoot2, 0, 0, kHalfRoot2}, {{0, 1}, {0, 0.5f}}}},
    {{{0.5f, 0, 0, 0.5f}, {{0, 1}, {0.5f, 1}, {0, 0.5f}, {0.5f, 0.5f}}},
     {{0, 0.5f, -0.5f, 0}, {{0, 0}, {0, 0.5f}, {0.5f, 0}, {0.5f, 0.5f}}}},
    {{{0, kQuarterRoot2, -kQuarterRoot2, 0},
      {{0, 0}, {0, 0.25f}, {0, 0.5f}, {0, 0.75f}, {0.5f, 0}, {0.5f, 0.25f}, {0.5f, 0.5f}, {0.5f, 0.75f}}},
     {{kQuarterRoot2, 0, 0, kQuarterRoot2},
      {{0, 1}, {0.5f, 1}, {0, 0.75f}, {0.5f, 0.75f}, {0, 0.5f}, {0.5f, 0.5f}, {0, 0.25f}, {0.5f, 0.25f}}}},
};

// Cell orders: the table cell (1-based) of each cell, by order class.
const uint8_t kOrder4[4][4] = {{1, 2, 3, 4}, {1, 3, 2, 4}, {2, 1, 4, 3}, {2, 4, 1, 3}};
const uint8_t kOrder8[2][4][8] = {
    {{1, 2, 3, 4, 5, 6, 7, 8}, {1, 5, 2, 6, 3, 7, 4, 8}, {4, 3, 2, 1, 8, 7, 6, 5}, {4, 8, 3, 7, 2, 6, 1, 5}},
    {{1, 2, 3, 4, 5, 6, 7, 8}, {1, 3, 5, 7, 2, 4, 6, 8}, {2, 1, 4, 3, 6, 5, 8, 7}, {2, 4, 6, 8, 1, 3, 5, 7}},
};

int RowOf(uint32_t pagesPerSheet) {
  switch (pagesPerSheet) {
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    default: return 0;
  }
}

uint32_t OrderClass(uint32_t cellOrder) {
  switch (cellOrder) {
    case 4: return 1;
    case 5: return 2;
    case 6: return 3;
    default: return 0;
  }
}

bool HalfTurns(uint8_t rotateCode, uint32_t turned) {
  return (rotateCode == 1 && turned) || (rotateCode == 2 && !turned) || rotateCode == 3;
}

}  // namespace

PlacementMatrix CombineTransform(const PlacementMatrix& a, const PlacementMatrix& b) {
  const float* A = a.m;
  const float* B = b.m;
  return Make(A[0] * B[0] + A[1] * B[2], A[0] * B[1] + A[1] * B[3], A[2] * B[0] + A[3] * B[2],
              A[2] * B[1] + A[3] * B[3], A[4] * B[0] + A[5] * B[2] + B[4], A[4] * B[1] + A[5] * B[3] + B[5]);
}

void SetIdentity(PlacementMatrix* m) { *m = Make(1, 0, 0, 1, 0, 0); }

void ScaleMatrix(PlacementMatrix* m, float sx, float sy) {
  m->m[0] *= sx;
  m->m[2] *= sx;
  m->m[1] *= sy;
  m->m[3] *= sy;
}

void TranslateMatrix(PlacementMatrix* m, float tx, float ty) {
  m->m[4] += m->m[0] * tx + m->m[2] * ty;
  m->m[5] += m->m[1] * tx + m->m[3] * ty;
}

void FlipMatrixY(PlacementMatrix* m) {
  m->m[2] = -m->m[2];
  m->m[3] = -m->m[3];
}

int BuildLayoutInput(const PageLayoutRecord* record, LayoutInput* input) {
  if (!record || !input) return -1;
  const float rx = record->resolutionX, ry = record->resolutionY;
  auto X = [rx](float v) { return v * rx / 254.0f; };
  auto Y = [ry](float v) { return v * ry / 254.0f; };
  const PaperBlock& p = record->logical;
  const PaperBlock& s = record->sheet;
  const bool turned = record->turned != 0;
  *input = LayoutInput{};
  input->pageWidth = X(turned ? p.height : p.width);
  input->pageHeight = Y(turned ? p.width : p.height);
  input->pageLeft = X(turned ? p.marginY : p.marginX);
  input->pageTop = Y(turned ? p.marginX : p.marginY);
  input->pageRight = input->pageLeft + X(turned ? p.printableHeight : p.printableWidth);
  input->pageBottom = input->pageTop + Y(turned ? p.printableWidth : p.printableHeight);
  input->sheetWidth = X(s.width);
  input->sheetHeight = Y(s.height);
  input->sheetLeft = X(s.marginX);
  input->sheetTop = Y(s.marginY);
  input->sheetRight = input->sheetLeft + X(s.printableWidth);
  input->sheetBottom = input->sheetTop + Y(s.printableHeight);
  input->rotateCode = record->rotateCode;
  input->fixedScale = record->fixedScale;
  input->scalePercent = record->fixedScale ? record->scalePercent : 100;
  input->turned = record->turned;
  input->landscapeOut = record->landscapeOut;
  input->duplexBinding = record->duplexBinding;
  input->cellOrder = record->cellOrder;
  input->pagesPerSheet = static_cast<uint16_t>(record->pagesPerSheet);
  input->bindingEdge = record->bindingEdge;
  input->bindingMarginFront = X(record->bindingMarginFront);
  input->bindingMarginBack = X(record->bindingMarginBack);
  input->bindingKeepsSize = record->bindingKeepsSize;
  input->alignClass = record->alignClass;
  if (turned) {
    input->marginLeft = Y(p.leftMargin);
    input->marginRight = Y(p.rightMargin);
    input->marginTop = X(p.topMargin);
    input->marginBottom = X(p.bottomMargin);
  } else {
    input->marginLeft = X(p.leftMargin);
    input->marginRight = X(p.rightMargin);
    input->marginTop = Y(p.topMargin);
    input->marginBottom = Y(p.bottomMargin);
  }
  return 0;
}

int ApplyBindingShift(LayoutInput* input, uint32_t face) {
  if (!input) return -1;
  int edge;
  bool swap;
  switch (input->bindingEdge) {
    case 1: edge = 0, swap = input->duplexBinding == 2; break;
    case 2: edge = 3, swap = input->duplexBinding == 2; break;
    case 3: edge = 1, swap = input->duplexBinding == 1; break;
    case 4: edge = 2, swap = input->duplexBinding == 1; break;
    default: return 0;
  }
  float m = input->bindingMarginFront;
  if (!(face % 2 == 1 || input->duplexBinding == 0 || edge > 3)) {
    m = input->bindingMarginBack;
    if (swap) edge = 3 - edge;
  }
  const bool follow = !input->bindingKeepsSize;
  switch (edge) {
    case 0:
      if (m > input->sheetLeft) {
        const float g = m - input->sheetLeft;
        input->sheetLeft = m;
        if (follow) input->sheetRight += g;
      }
      break;
    case 1: {
      const float g = m - input->sheetHeight + input->sheetBottom;
      if (g > 0) {
        input->sheetBottom -= g;
        if (follow) input->sheetTop -= g;
      }
      break;
    }
    case 2:
      if (m > input->sheetTop) {
        const float g = m - input->sheetTop;
        input->sheetTop = m;
        if (follow) input->sheetBottom += g;
      }
      break;
    default: {
      const float g = m - input->sheetWidth + input->sheetRight;
      if (g > 0) {
        input->sheetRight -= g;
        if (follow) input->sheetLeft -= g;
      }
      break;
    }
  }
  return 0;
}

int ComputeFitScale(const LayoutInput& in, float* scale) {
  if (!scale) return -1;
  if (in.fixedScale) {
    *scale = static_cast<float>(in.scalePercent) / 100.0f;
    return 0;
  }
  const float width = std::fabs(in.pageRight - in.pageLeft);
  const float height = std::fabs(in.pageBottom - in.pageTop);
  const float a = in.turned ? width : height;
  const float b = in.turned ? height : width;
  float c = std::fabs(in.sheetRight - in.sheetLeft);
  float d = std::fabs(in.sheetBottom - in.sheetTop);
  if (in.pagesPerSheet == 2 || in.pagesPerSheet == 8) {
    const float oldD = d;
    d = c * kRoot2;
    c = oldD * 0.5f * kRoot2;
  }
  // An empty page or sheet has no scale that fits it.
  if (!(a > 0) || !(b > 0) || !std::isfinite(a) || !std::isfinite(b)) return -1;
  *scale = std::min(d / a, c / b);
  return 0;
}

int ApplyCellPlacement(const LayoutInput& in, uint32_t cell, float scale, PlacementMatrix* out) {
  if (!out || cell < 1) return -1;
  PlacementMatrix r;
  if (!in.landscapeOut && in.turned) r = Make(0, 1, -1, 0, in.pageBottom, -in.pageRight);
  else if (in.landscapeOut && !in.turned) r = Make(0, -1, 1, 0, -in.pageTop, in.pageLeft);
  else r = Make(1, 0, 0, 1, -in.pageLeft, -in.pageBottom);
  for (float& v : r.m) v *= scale;

  const int row = RowOf(in.pagesPerSheet);
  const uint32_t count = row == 0 ? 1u : in.pagesPerSheet;
  const uint32_t position = (cell - 1) % count;
  const int orientation = in.landscapeOut ? 1 : 0;
  uint32_t tableCell = position + 1;
  if (row == 1) {
    if (in.cellOrder == 2) tableCell = 3 - tableCell;
  } else if (row == 2) {
    tableCell = kOrder4[OrderClass(in.cellOrder)][position];
  } else if (row == 3) {
    tableCell = kOrder8[orientation][OrderClass(in.cellOrder)][position];
  }
  const PlacementRow& entry = kPlacement[row][orientation];
  const CellOrigin& origin = entry.cells[tableCell - 1];
  const float x = in.sheetLeft + origin.x * (in.sheetRight - in.sheetLeft);
  const float y = in.sheetTop + origin.y * (in.sheetBottom - in.sheetTop);
  const PlacementMatrix p = Make(entry.linear[0], entry.linear[1], entry.linear[2], entry.linear[3], x, y);
  *out = CombineTransform(r, p);
  return 0;
}

int AlignInCell(const LayoutInput& in, uint32_t face, float scale, PlacementMatrix* out) {
  if (!out) return -1;
  const uint32_t n = in.pagesPerSheet;
  const bool classZero = (!in.landscapeOut && (n == 1 || n == 4)) || (in.landscapeOut && (n == 2 || n == 8));
  uint32_t t = in.alignClass;
  if (face == 2 && in.duplexBinding != 0 && t < 4) {
    const bool sideSwap = (in.duplexBinding == 2) == classZero;
    static const uint32_t kSide[4] = {1, 0, 3, 2};
    static const uint32_t kCross[4] = {3, 2, 1, 0};
    t = sideSwap ? kSide[t] : kCross[t];
  }
  static const float kFactors[2][5][2] = {
      {{0, 0}, {1, 0}, {1, -1}, {0, -1}, {1, -1}},
      {{0, 0}, {0, 1}, {1, 1}, {1, 0}, {1, 1}},
  };
  const uint32_t k = t <= 4 ? t : 0;
  const float fx = kFactors[classZero ? 0 : 1][k][0];
  const float fy = kFactors[classZero ? 0 : 1][k][1];
  float columns = 1, rows = 1, h = 1;
  switch (n) {
    case 2: rows = 2, h = kHalfRoot2; break;
    case 4: columns = 2, rows = 2, h = 0.5f; break;
    case 8: columns = 2, rows = 4, h = kQuarterRoot2; break;
    default: break;
  }
  const float width = std::fabs(in.pageRight - in.pageLeft);
  const float height = std::fabs(in.pageBottom - in.pageTop);
  float u = scale * h * height, v = scale * h * width;
  if (n == 2 || n == 8) std::swap(u, v);
  float gx = std::fabs(in.sheetRight - in.sheetLeft) / columns - v;
  float gy = std::fabs(in.sheetBottom - in.sheetTop) / rows - u;
  if (t == 4) gx *= 0.5f, gy *= 0.5f;
  *out = Translation(fx * gx, fy * gy);
  return 0;
}

int BuildPlacementMatrix(const LayoutInput& input, uint32_t cell, uint32_t face, PlacementMatrix* out) {
  if (!out || cell < 1 || face < 1 || face > 2) return -1;
  LayoutInput in = input;
  const float e = in.turned ? in.marginLeft : in.marginTop;
  const float d = in.turned ? in.marginBottom : in.marginLeft;
  PlacementMatrix m = Translation(d - in.pageLeft, in.pageHeight - in.pageBottom - e);
  if (in.bindingEdge != 0 && ApplyBindingShift(&in, face) != 0) return -1;
  if (HalfTurns(in.rotateCode, in.turned))
    m = CombineTransform(m, Make(-1, 0, 0, -1, in.pageRight + in.pageLeft, in.pageTop + in.pageBottom));
  float s = 0;
  PlacementMatrix cellMatrix, align;
  if (ComputeFitScale(in, &s) != 0 || ApplyCellPlacement(in, cell, s, &cellMatrix) != 0 ||
      AlignInCell(in, face, s, &align) != 0)
    return -1;
  *out = CombineTransform(CombineTransform(m, cellMatrix), align);
  return 0;
}

int DeviceToPointsTransform(const PlacementMatrix& m, float resolutionX, float resolutionY, float pageHeight,
                            float pageLeft, float pageTop, PlacementMatrix* out) {
  if (!out || !(resolutionX > 0) || !(resolutionY > 0)) return -1;
  const PlacementMatrix u = Translation(pageLeft, pageTop);
  const PlacementMatrix v = Make(1, 0, 0, -1, 0, pageHeight);
  const PlacementMatrix s = Make(72.0f / resolutionX, 0, 0, 72.0f / resolutionY, 0, 0);
  *out = CombineTransform(CombineTransform(CombineTransform(u, v), m), s);
  return 0;
}

int BuildCellMatrix(const PageLayoutRecord* record, uint32_t cellIndex, uint32_t faceIndex, PlacementMatrix* out) {
  if (!record || !out || faceIndex > 1) return -1;
  LayoutInput in;
  PlacementMatrix m;
  if (BuildLayoutInput(record, &in) != 0 || BuildPlacementMatrix(in, cellIndex + 1, faceIndex + 1, &m) != 0) return -1;
  return DeviceToPointsTransform(m, record->resolutionX, record->resolutionY, in.pageHeight, in.pageLeft, in.pageTop,
                                 out);
}

int CurrentCellMatrix(const PdevState* pdev, PlacementMatrix* out) {
  if (!pdev) return -1;
  return BuildCellMatrix(&pdev->currentPage, pdev->pipeline.cellIndex, pdev->pipeline.faceIndex, out);
}

int CellMatrixAtOffset(const PdevState* pdev, int32_t x, int32_t y, uint32_t turned, PlacementMatrix* out) {
  if (!pdev || !out) return -1;
  PageLayoutRecord copy = pdev->currentPage;
  if (copy.resolutionX == 0 || copy.resolutionY == 0) return -1;
  const int32_t dx = static_cast<int32_t>(int64_t{x} * 254 / copy.resolutionX);
  const int32_t dy = static_cast<int32_t>(int64_t{y} * 254 / copy.resolutionY);
  copy.logical = copy.sheet;
  PaperBlock& b = copy.logical;
  if (turned) {
    b.marginX = static_cast<int16_t>(b.marginX + dy);
    b.marginY = static_cast<int16_t>(b.marginY + dx);
  } else {
    b.marginX = static_cast<int16_t>(b.marginX + dx);
    b.marginY = static_cast<int16_t>(b.marginY - dy);
  }
  copy.turned = turned;
  copy.rotateCode = 0;
  copy.fixedScale = 0;
  copy.cellOrder = 0;
  copy.bindingEdge = 0;
  copy.scalePercent = 100;
  copy.pagesPerSheet = 1;
  b.leftMargin = b.rightMargin = copy.sheet.marginX;
  b.topMargin = b.bottomMargin = copy.sheet.marginY;
  return BuildCellMatrix(&copy, pdev->pipeline.cellIndex, pdev->pipeline.faceIndex, out);
}

int MapPointToSheet(const PdevState* pdev, int32_t x, int32_t y, uint32_t turned, PlacementMatrix* out) {
  if (CellMatrixAtOffset(pdev, x, y, turned, out) != 0) return -1;
  const PageLayoutRecord& r = pdev->currentPage;
  const bool booklet = pdev->jobSetup.bookletMode != 0;
  if ((booklet && !turned) || (!booklet && r.pagesPerSheet == 1 && HalfTurns(r.rotateCode, turned))) {
    // A half turn about the sheet's centre.
    *out = CombineTransform(*out, Make(-1, 0, 0, -1, r.sheet.width * 72.0f / 254.0f, r.sheet.height * 72.0f / 254.0f));
  }
  return 0;
}

int BuildHalfCellInput(const PageLayoutRecord* record, uint32_t half, uint32_t pageNumber, HalfCellInput* out) {
  if (!record || !out || half > 1) return -1;
  LayoutInput in;
  if (BuildLayoutInput(record, &in) != 0) return -1;
  *out = HalfCellInput{};
  out->pageWidth = in.pageWidth, out->pageHeight = in.pageHeight;
  out->pageLeft = in.pageLeft, out->pageBottom = in.pageBottom, out->pageRight = in.pageRight,
  out->pageTop = in.pageTop;
  out->sheetWidth = in.sheetWidth, out->sheetHeight = in.sheetHeight;
  out->sheetLeft = in.sheetLeft, out->sheetBottom = in.sheetBottom, out->sheetRight = in.sheetRight,
  out->sheetTop = in.sheetTop;
  out->marginLeft = in.marginLeft, out->marginRight = in.marginRight, out->marginTop = in.marginTop,
  out->marginBottom = in.marginBottom;
  out->resolutionX = record->resolutionX, out->resolutionY = record->resolutionY;
  out->gutter = record->gutter * static_cast<float>(record->resolutionX) / 254.0f;
  out->half = half;
  out->rotateCode = record->rotateCode;
  out->turned = record->turned;
  out->landscapeOut = record->landscapeOut;
  out->gutterKeepsSize = record->gutterKeepsSize;
  uint32_t a = record->alignClass;
  if (pageNumber % 2 == 1) {
    // Odd pages face the other way in the booklet, so their alignment is mirrored.
    static const uint32_t kPortrait[4] = {1, 0, 3, 2};
    static const uint32_t kLandscape[4] = {3, 2, 1, 0};
    a = a < 4 ? (record->landscapeOut ? kLandscape[a] : kPortrait[a]) : 4;
  }
  out->alignClass = a;
  return 0;
}

int BuildCellTransform(const HalfCellInput& hc, PlacementMatrix* out) {
  if (!out) return -1;
  LayoutInput in{};
  in.pageWidth = hc.pageWidth, in.pageHeight = hc.pageHeight;
  in.pageLeft = hc.pageLeft, in.pageBottom = hc.pageBottom, in.pageRight = hc.pageRight, in.pageTop = hc.pageTop;
  in.marginLeft = hc.marginLeft, in.marginRight = hc.marginRight, in.marginTop = hc.marginTop,
  in.marginBottom = hc.marginBottom;
  // The sheet's axes are exchanged: each half is a page-sized cell.
  in.sheetWidth = hc.sheetHeight;
  in.sheetHeight = hc.sheetWidth;
  const float middle = hc.sheetTop + 0.5f * (hc.sheetBottom - hc.sheetTop);
  in.sheetLeft = hc.half == 1 ? middle : hc.sheetTop;
  in.sheetRight = hc.half == 1 ? hc.sheetBottom : middle;
  in.sheetBottom = hc.sheetRight;
  in.sheetTop = hc.sheetLeft;
  in.bindingEdge = hc.half == 1 ? 1 : 2;
  in.bindingMarginFront = in.bindingMarginBack = hc.sheetHeight * 0.5f + hc.gutter;
  in.bindingKeepsSize = hc.gutterKeepsSize;
  in.fixedScale = 0;
  in.scalePercent = 100;
  in.duplexBinding = 0;
  in.cellOrder = 0;
  in.pagesPerSheet = 1;
  in.rotateCode = hc.rotateCode;
  in.turned = hc.turned;
  in.landscapeOut = hc.landscapeOut;
  in.alignClass = hc.alignClass;
  PlacementMatrix m;
  if (BuildPlacementMatrix(in, 1, 1, &m) != 0) return -1;
  m = CombineTransform(m, Make(0, 1, -1, 0, hc.sheetWidth, 0));
  return DeviceToPointsTransform(m, hc.resolutionX, hc.resolutionY, in.pageHeight, in.pageLeft, in.pageTop, out);
}

int IsPageTurned(const PdevState* pdev) {
  if (!pdev) return 1;
  const PageLayoutRecord& r = pdev->currentPage;
  const bool booklet = pdev->jobSetup.bookletMode != 0;
  const uint32_t a = booklet ? r.landscapeOut : r.turned;
  int result;
  switch (r.pagesPerSheet) {
    case 1: result = a ? 1 : 0; break;
    case 2:
    case 8: result = r.landscapeOut ? 0 : 1; break;
    case 4: result = r.landscapeOut ? 1 : 0; break;
    default: return 0;
  }
  return booklet ? !result : result;
}
