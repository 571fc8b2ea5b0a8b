// The booklet: every physical page is spooled, then the pages are replayed
// two per sheet side in saddle-stitch order, each into its half of the
// sheet, optionally in subsets of a fixed number of sheets. Steps answer 0
// or -1 (the pipeline then puts the job in error).
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/job_output/placement_matrix.h"

// A half of a sheet side that carries no page.
constexpr int32_t kBlankHalf = -100;

// Sheet sides of the range first..last: whole sheets of four pages, two
// sides each (0 when last < first).
uint32_t BookletSideCount(int32_t first, int32_t last);
// The page of `half` (0 or 1) on `side`, or kBlankHalf; binding 1 or 2.
int32_t BookletPageForSide(int32_t first, int32_t last, uint32_t side, uint32_t binding, uint32_t half,
                           uint32_t outerFirst);
// Replays the spooled pages first..last as booklet sheets.
int ImposeBookletRange(PdevState* pdev, int32_t first, int32_t last);
// 1 when the pages first..last fill a subset of `sheetsPerSubset` sheets; a
// count below 1 means no subsets (never full).
int IsBookletSubsetFull(int32_t first, int32_t last, int32_t sheetsPerSubset);
// At a booklet page's end: ends its spool page and, when it fills a subset,
// replays the subset and closes the spool.
int EndBookletSheet(PdevState* pdev);
// Replays what the spool holds as one range or subset by subset.
int ReplayBooklet(PdevState* pdev);
int ReplayBookletIfSpooled(PdevState* pdev);

// What the imposition replays, as a test may observe it: a range begun, a
// white face, a page into a booklet half, a poster tile. The observer is
// called after each replay, so the image store holds what it set.
enum class ImposedKind { kRange, kWhiteFace, kHalf, kTile };
struct ImposedStep {
  ImposedKind kind;
  int32_t page;   // range: its first page
  int32_t other;  // range: its last page; half: the sheet's other page or kNoPage
  uint32_t modeBits;
  uint32_t place;  // the half, or the tile number
  PlacementMatrix matrix;
};
using ImpositionObserver = void (*)(const ImposedStep& step);
void SetImpositionObserver(ImpositionObserver observer);
// Reports a step to the observer, if one is set.
void ReportImposedStep(const ImposedStep& step);
