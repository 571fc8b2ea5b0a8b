// The page record of the page pipeline: the logical page's paper, the sheet's
// paper and the job's layout fields, as one fixed layout (the logical block
// is stored with every spooled page, and booklet and poster code copy the
// record together with the paper-margin record that follows it in the PDEV).
#pragma once

#include <cstddef>
#include <cstdint>

// Lengths are tenths of a millimetre.
struct PaperBlock {
  int16_t paperId;
  int16_t width;
  int16_t height;
  int16_t printableWidth;
  int16_t printableHeight;
  int16_t marginX;  // horizontal offset of the printable area
  int16_t marginY;  // vertical offset
  int16_t reserved1[2];
  int16_t leftMargin;
  int16_t rightMargin;
  int16_t topMargin;
  int16_t bottomMargin;
  int16_t reserved2;
  int32_t sizeFlag;  // logical block 1; sheet block 1 when the size lies in the paper's range
};
static_assert(sizeof(PaperBlock) == 32);
static_assert(offsetof(PaperBlock, marginY) == 12);
static_assert(offsetof(PaperBlock, leftMargin) == 18);
static_assert(offsetof(PaperBlock, bottomMargin) == 24);
static_assert(offsetof(PaperBlock, sizeFlag) == 28);

struct PageLayoutRecord {
  PaperBlock logical;
  uint32_t turned;  // the logical page is landscape
  PaperBlock sheet;
  uint8_t rotateCode;      // 437, 0-4
  uint32_t duplexBinding;  // 0 simplex, 2 long edge (dmDuplex 2), 1 short edge (dmDuplex 3)
  uint32_t bindingEdge;    // class 0-4 of 267
  uint16_t bindingMarginFront, bindingMarginBack;
  uint32_t fixedScale;
  int16_t scalePercent;
  uint32_t bindingKeepsSize;
  int16_t currentTray;
  uint32_t cellOrder;
  int16_t pagesPerSheet;
  uint32_t landscapeOut;
  uint16_t resolutionX, resolutionY;
  uint32_t gutterOn;
  uint32_t gutterKeepsSize;
  uint16_t gutter;
  uint32_t bookletBinding;
  int16_t tilesAcross, tilesDown;
  uint32_t alignClass;
};
static_assert(sizeof(PageLayoutRecord) == 140);
static_assert(offsetof(PageLayoutRecord, turned) == 32);
static_assert(offsetof(PageLayoutRecord, sheet) == 36);
static_assert(offsetof(PageLayoutRecord, rotateCode) == 68);
static_assert(offsetof(PageLayoutRecord, duplexBinding) == 72);
static_assert(offsetof(PageLayoutRecord, bindingMarginFront) == 80);
static_assert(offsetof(PageLayoutRecord, scalePercent) == 88);
static_assert(offsetof(PageLayoutRecord, currentTray) == 96);
static_assert(offsetof(PageLayoutRecord, pagesPerSheet) == 104);
static_assert(offsetof(PageLayoutRecord, resolutionX) == 112);
static_assert(offsetof(PageLayoutRecord, gutter) == 124);
static_assert(offsetof(PageLayoutRecord, tilesAcross) == 132);
static_assert(offsetof(PageLayoutRecord, alignClass) == 136);

// The record with the PDEV's paper-margin record after it (left, right, top,
// bottom, paper code): the unit the booklet and poster code copy and the
// document start clears.
struct PageRecordUnit {
  PageLayoutRecord page;
  int16_t marginLeft, marginRight, marginTop, marginBottom;
  int16_t paperCode;
};
constexpr size_t kPageRecordUnitBytes = 152;
static_assert(sizeof(PageRecordUnit) == kPageRecordUnitBytes);
static_assert(offsetof(PageRecordUnit, paperCode) == 148);

// Zeroes the 152-byte unit that starts at the record (the PDEV's currentPage
// and paperMargins): 0, or -1 without a record.
int ClearPageRecordArea(PageLayoutRecord* record);
