// The page spool: each physical page recorded as a page record and a chain of
// small records (sheet start, content end, sheet end, page transforms) in the
// job's spool file, and replayed later, at once for a plain page or at the
// job end for driver-side collated copies and reverse order. A replay hands
// the records to the sheet hooks and sets each transform, combined with the
// replay's placement, as the image store's page transform. Every operation
// answers 0 or -1.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/job_output/placement_matrix.h"

// Bits of a recorded page (spoolState = 0x8001 | bits).
constexpr uint32_t kSpoolBitKeep = 0x02;
constexpr uint32_t kSpoolBitSheetStart = 0x04;
constexpr uint32_t kSpoolBitContentEnd = 0x08;
constexpr uint32_t kSpoolBitSheetEnd = 0x10;
constexpr uint32_t kSpoolBitTransform = 0x20;
constexpr uint32_t kSpoolPageBits = 0x3E;

// Replay mode bits: which records are handed on.
constexpr uint32_t kReplaySheetStart = 0x1;
constexpr uint32_t kReplayContentEnd = 0x2;
constexpr uint32_t kReplaySheetEnd = 0x4;
constexpr uint32_t kReplayTransform = 0x8;

constexpr int32_t kNoPage = -1;

#pragma pack(push, 1)
struct SheetStart {
  uint8_t placementKind;  // 1, 2 or 3
  uint8_t trayCode;       // 0xFF for a tray without device code
  char paperLetter;
  uint8_t reserved;
  float widthMm, heightMm;  // 0 x 0 for a fixed-size paper
};
#pragma pack(pop)
static_assert(sizeof(SheetStart) == 12);

int StartSpool(PdevState* pdev, uint16_t firstPage, uint16_t growth);
int StartJobSpool(PdevState* pdev);
int BeginSpoolPage(PdevState* pdev, uint16_t page, uint32_t mode, uint32_t bits, uint32_t colorTracking,
                   int16_t colorLimit, uint32_t colorCountsWhite);
int WritePageHeader(PdevState* pdev, const PageLayoutRecord* record, uint32_t turned, uint16_t page);
int EndSpoolPage(PdevState* pdev, uint16_t page);
int CloseSpool(PdevState* pdev);
int IsSpoolOpen(const PdevState* pdev);

// The spool page of a physical page, by layout.
int BeginPlainSheet(PdevState* pdev);
int BeginPosterSheet(PdevState* pdev);
int BeginBookletSheet(PdevState* pdev);
int BeginKeptSheet(PdevState* pdev);

int RecordSheetStart(PdevState* pdev, uint8_t placementKind, uint8_t trayCode, char paperLetter, float widthMm,
                     float heightMm);
int RecordContentEnd(PdevState* pdev);
int RecordSheetEnd(PdevState* pdev);
int RecordPageTransform(PdevState* pdev, const PlacementMatrix& matrix);
int SetPageStartTransform(PdevState* pdev);
int AnnounceSheetStart(PdevState* pdev);
int EmitWhiteFace(PdevState* pdev, int16_t tray);

// Replays `page` (with `other`, or kNoPage, as the second page of the sheet)
// under `matrix` (identity when null).
int ReplayPage(PdevState* pdev, int32_t page, uint32_t modeBits, const PlacementMatrix* matrix, int32_t other,
               uint32_t pageMode);
// The colour kind the placement hook gets for a sheet of one or two pages.
int GetSheetColorKind(PdevState* pdev, int32_t page, int32_t other, uint32_t pageMode, uint32_t* kind);
int FlushSpooledSheet(PdevState* pdev);
int FlushSheetEarly(PdevState* pdev);

// The sheet hooks: empty steps that accept every call. A test may observe
// them: hook 0 placement (with the colour kind and the sheet start), 1
// content end, 2 sheet end.
using SheetHookObserver = void (*)(int hook, uint32_t colourKind, const SheetStart* sheet);
void SetSheetHookObserver(SheetHookObserver observer);
