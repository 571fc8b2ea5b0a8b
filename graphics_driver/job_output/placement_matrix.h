// Where a logical page lands on its sheet: the affine matrix from the logical
// page's device pixels to sheet points (1/72 inch, y upward), for N-up cells,
// quarter and half turns, fit or fixed scale, binding margins, alignment in
// the cell (mirrored on duplex back faces), booklet halves and the stamp
// point mapping. Results are 0, or -1 for invalid arguments.
#pragma once

#include <cstdint>

#include "graphics_driver/job_output/page_layout_record.h"

struct PdevState;

// x' = m[0]·x + m[2]·y + m[4], y' = m[1]·x + m[3]·y + m[5] (an XFORM).
struct PlacementMatrix {
  float m[6];
};
static_assert(sizeof(PlacementMatrix) == 24);

// The matrix that applies a first, then b.
PlacementMatrix CombineTransform(const PlacementMatrix& a, const PlacementMatrix& b);
void SetIdentity(PlacementMatrix* m);
void ScaleMatrix(PlacementMatrix* m, float sx, float sy);
// The translation is applied before m.
void TranslateMatrix(PlacementMatrix* m, float tx, float ty);
void FlipMatrixY(PlacementMatrix* m);

// The page record in device dots (x lengths at the horizontal resolution, y
// lengths at the vertical one).
struct LayoutInput {
  float pageWidth, pageHeight;
  float pageLeft, pageBottom, pageRight, pageTop;
  float sheetWidth, sheetHeight;
  float sheetLeft, sheetBottom, sheetRight, sheetTop;
  uint8_t rotateCode;
  uint32_t fixedScale;
  int32_t scalePercent;
  uint32_t turned;
  uint32_t landscapeOut;
  uint32_t duplexBinding;
  uint32_t cellOrder;
  uint16_t pagesPerSheet;
  uint32_t bindingEdge;
  float bindingMarginFront, bindingMarginBack;
  uint32_t bindingKeepsSize;
  uint32_t alignClass;
  float marginLeft, marginRight, marginTop, marginBottom;
};

int BuildLayoutInput(const PageLayoutRecord* record, LayoutInput* input);

// Steps of the placement; face 1 front, 2 back.
int ApplyBindingShift(LayoutInput* input, uint32_t face);
// The fit (or fixed) scale; -1 when a length it divides by is zero.
int ComputeFitScale(const LayoutInput& input, float* scale);
int ApplyCellPlacement(const LayoutInput& input, uint32_t cell, float scale, PlacementMatrix* out);
int AlignInCell(const LayoutInput& input, uint32_t face, float scale, PlacementMatrix* out);
// The placement in dots; cell 1-8, face 1 or 2.
int BuildPlacementMatrix(const LayoutInput& input, uint32_t cell, uint32_t face, PlacementMatrix* out);

// Pixels of the logical page (origin at the printable top-left corner, y
// downward) to sheet points; faceIndex 0 or 1.
int BuildCellMatrix(const PageLayoutRecord* record, uint32_t cellIndex, uint32_t faceIndex, PlacementMatrix* out);
int DeviceToPointsTransform(const PlacementMatrix& m, float resolutionX, float resolutionY, float pageHeight,
                            float pageLeft, float pageTop, PlacementMatrix* out);
int CurrentCellMatrix(const PdevState* pdev, PlacementMatrix* out);
// The sheet matrix of the current cell for a point offset by (x, y) dots on
// the sheet.
int CellMatrixAtOffset(const PdevState* pdev, int32_t x, int32_t y, uint32_t turned, PlacementMatrix* out);
int MapPointToSheet(const PdevState* pdev, int32_t x, int32_t y, uint32_t turned, PlacementMatrix* out);

// A booklet half cell of a spooled page, in dots.
struct HalfCellInput {
  float pageWidth, pageHeight;
  float pageLeft, pageBottom, pageRight, pageTop;
  float sheetWidth, sheetHeight;
  float sheetLeft, sheetBottom, sheetRight, sheetTop;
  float marginLeft, marginRight, marginTop, marginBottom;
  uint16_t resolutionX, resolutionY;
  float gutter;
  uint32_t half;  // 1: the half after the sheet's middle, 0: the one before
  uint8_t rotateCode;
  uint32_t turned;
  uint32_t landscapeOut;
  uint32_t gutterKeepsSize;
  uint32_t alignClass;
};
int BuildHalfCellInput(const PageLayoutRecord* record, uint32_t half, uint32_t pageNumber, HalfCellInput* out);
int BuildCellTransform(const HalfCellInput& input, PlacementMatrix* out);

// Whether stamps and page marks are drawn turned: 1 without a PDEV.
int IsPageTurned(const PdevState* pdev);
