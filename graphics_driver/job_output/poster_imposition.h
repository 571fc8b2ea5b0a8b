// The poster: each spooled page is replayed once per tile of an n x n grid,
// enlarged over the grid's sheets; marks may be added to each sheet. Steps
// answer 0 or -1 (the pipeline then puts the job in error).
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/job_output/page_layout_record.h"
#include "graphics_driver/job_output/placement_matrix.h"

struct PosterTiling {
  PlacementMatrix baseMatrix;   // the page on the enlarged sheet
  float tileWidth, tileHeight;  // one real sheet's printable size, in points
  uint16_t columns, rows;
  uint32_t rowFirst;  // 1: tiles are numbered along a row first
  int16_t firstColumn, lastColumn;
  int16_t lastRow;
  int16_t columnStep;
  int16_t firstRow;
  int16_t rowStep;
};

// The tiling of the record's page: -1 when the enlarged sheet does not fit
// the record's lengths or its matrix is no quarter turn.
int BuildPosterTiling(const PageLayoutRecord* record, PosterTiling* tiling);
// The stepping from the base matrix: -1 unless it is a quarter-turn matrix.
int SetTileStepping(PosterTiling* tiling);
// The sheet matrix of tile n (0 .. columns x rows - 1).
int TileMatrix(const PosterTiling& tiling, uint32_t n, PlacementMatrix* out);
// Replays the spooled page once per tile.
int ReplayPosterTiles(PdevState* pdev, uint16_t page);
// The marks of a poster sheet, drawn at the physical page end.
int AddPosterMarks(PdevState* pdev);

// The mark-drawing step: what marks a poster sheet carries is left open, so
// it draws nothing. `call` counts 0-3; the last call gets the mark length
// and width in dots, the others 0. A test may observe the calls.
int DrawPosterMark(PdevState* pdev, uint32_t call, int32_t length, int32_t width);
using PosterMarkObserver = void (*)(uint32_t call, int32_t length, int32_t width);
void SetPosterMarkObserver(PosterMarkObserver observer);
