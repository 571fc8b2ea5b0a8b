// The poster (see poster_imposition.h).
#include "graphics_driver/job_output/poster_imposition.h"

#include <cstring>

#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/core/raster_ops.h"
#include "graphics_driver/job_output/booklet_imposition.h"
#include "graphics_driver/job_output/page_spool.h"
#include "graphics_driver/job_output/page_spool_stream.h"

namespace {

PosterMarkObserver g_markObserver = nullptr;

constexpr int32_t kLengthLimit = 32767;  // paper lengths are 16-bit tenths of a millimetre

// The enlarged length: `count` printable lengths plus a margin on each side,
// or -1 when it does not fit the record.
int32_t Enlarged(int16_t printable, uint16_t count, int16_t margin) {
  const int64_t length = int64_t{printable} * count + 2 * int64_t{margin};
  return length < 0 || length > kLengthLimit || int64_t{printable} * count > kLengthLimit ? -1 : int32_t(length);
}

bool NonZero(float v) { return v != 0.0f; }
int Sign(float v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

}  // namespace

int BuildPosterTiling(const PageLayoutRecord* record, PosterTiling* tiling) {
  if (!record || !tiling || record->tilesAcross < 1 || record->tilesDown < 1) return -1;
  *tiling = PosterTiling{};
  tiling->columns = uint16_t(record->tilesAcross);
  tiling->rows = uint16_t(record->tilesDown);
  PageLayoutRecord enlarged = *record;
  PaperBlock& sheet = enlarged.sheet;
  // A sheet too large for the record's lengths would be tiled wrongly.
  const int32_t width = Enlarged(sheet.printableWidth, tiling->columns, sheet.marginX);
  const int32_t height = Enlarged(sheet.printableHeight, tiling->rows, sheet.marginY);
  if (width < 0 || height < 0) return -1;
  sheet.printableWidth = int16_t(sheet.printableWidth * tiling->columns);
  sheet.printableHeight = int16_t(sheet.printableHeight * tiling->rows);
  sheet.width = int16_t(width);
  sheet.height = int16_t(height);
  if (BuildCellMatrix(&enlarged, 0, 0, &tiling->baseMatrix) != 0) return -1;
  tiling->tileWidth = float(record->sheet.printableWidth) * 72.0f / 254.0f;
  tiling->tileHeight = float(record->sheet.printableHeight) * 72.0f / 254.0f;
  return SetTileStepping(tiling);
}

int SetTileStepping(PosterTiling* tiling) {
  if (!tiling || tiling->columns < 1 || tiling->rows < 1) return -1;
  const float* m = tiling->baseMatrix.m;
  // Only a matrix that keeps the sheet's axes can be cut into tiles.
  if (NonZero(m[0]) == NonZero(m[1]) || NonZero(m[2]) == NonZero(m[3])) return -1;
  tiling->rowFirst = 1;
  tiling->columnStep = 1;
  tiling->rowStep = -1;
  if (Sign(m[1]) != 0 && Sign(m[1]) == Sign(m[2])) {
    tiling->rowFirst = 0;
    tiling->rowStep = 1;
  }
  tiling->firstColumn = 0;
  tiling->lastColumn = int16_t(tiling->columns - 1);
  tiling->firstRow = tiling->rowStep < 0 ? int16_t(tiling->rows - 1) : int16_t(0);
  tiling->lastRow = tiling->rowStep < 0 ? int16_t(0) : int16_t(tiling->rows - 1);
  return 0;
}

int TileMatrix(const PosterTiling& t, uint32_t n, PlacementMatrix* out) {
  if (!out || t.columns < 1 || t.rows < 1 || n >= uint32_t(t.columns) * t.rows) return -1;
  const uint32_t columnIndex = t.rowFirst ? n % t.columns : n / t.rows;
  const uint32_t rowIndex = t.rowFirst ? n / t.columns : n % t.rows;
  const int32_t column = t.firstColumn + int32_t(columnIndex) * t.columnStep;
  const int32_t row = t.firstRow + int32_t(rowIndex) * t.rowStep;
  if (column < 0 || row < 0) return -1;
  // The tiles in their order from the first one: tile n must land there.
  int32_t c = t.firstColumn, r = t.firstRow;
  for (uint32_t i = 0; i < n; ++i) {
    if (t.rowFirst) {
      if (c == t.lastColumn) c = t.firstColumn, r += t.rowStep;
      else c += t.columnStep;
    } else {
      if (r == t.lastRow) r = t.firstRow, c += t.columnStep;
      else r += t.rowStep;
    }
  }
  if (c != column || r != row) return -1;
  *out = t.baseMatrix;
  out->m[4] -= float(column) * t.tileWidth;
  out->m[5] -= float(row) * t.tileHeight;
  return 0;
}

int ReplayPosterTiles(PdevState* pdev, uint16_t page) {
  if (!pdev || !pdev->jobOutput) return -1;
  SpooledPageRecord entry{};
  if (GetSpooledPage(pdev->jobOutput, page, &entry) != 0) return -1;
  PageLayoutRecord record = pdev->currentPage;
  std::memcpy(&record.logical, entry.logical, sizeof record.logical);
  record.turned = entry.turned;
  PosterTiling tiling{};
  if (BuildPosterTiling(&record, &tiling) != 0) return -1;
  const uint32_t count = uint32_t(tiling.columns) * tiling.rows;
  const uint32_t bits = kReplaySheetStart | kReplayTransform;
  for (uint32_t k = 0; k < count; ++k) {
    const uint32_t n = pdev->jobSetup.reverseOrder ? count - 1 - k : k;
    PlacementMatrix matrix{};
    if (TileMatrix(tiling, n, &matrix) != 0) return -1;
    if (ReplayPage(pdev, page, bits, &matrix, kNoPage, pdev->jobSetup.pageMode) != 0) return -1;
    ReportImposedStep({ImposedKind::kTile, page, kNoPage, bits, n, matrix});
  }
  return ResetImageStore(pdev->imageStore) == 0 ? 0 : -1;
}

void SetPosterMarkObserver(PosterMarkObserver observer) { g_markObserver = observer; }

int DrawPosterMark(PdevState*, uint32_t call, int32_t length, int32_t width) {
  if (g_markObserver) g_markObserver(call, length, width);
  return 0;
}

int AddPosterMarks(PdevState* pdev) {
  if (!pdev || !pdev->imageStore) return -1;
  ImageStore* store = pdev->imageStore;
  PlacementMatrix cell{};
  if (CellMatrixAtOffset(pdev, 0, 0, uint32_t(IsPageTurned(pdev)), &cell) != 0) return -1;
  PageTransform t{};
  std::memcpy(&t, cell.m, sizeof t);
  if (SetPageTransform(store, &t) != 0) return -1;
  const int previous = SetStateCacheMode(store, 0);
  if (previous < 0) return -1;
  const LONG resolution = GetPdevSettingLong(pdev, 20);
  int r = FlushPageState(store);
  for (uint32_t call = 0; call < 4 && r == 0; ++call) {
    const bool last = call == 3;
    r |= DrawPosterMark(pdev, call, last ? resolution * 40 / 600 : 0, last ? resolution * 10 / 600 : 0);
  }
  if (r == 0) {
    static const BYTE kBlack[3] = {0, 0, 0};
    r |= SelectRasterOp(store, kRopTwoOperand, 13);
    r |= SetSolidColor(store, 1, kColourBgr, kBlack);
    const PageTransform identity{1, 0, 0, 1, 0, 0};
    r |= SetPageTransform(store, &identity);
  }
  SetStateCacheMode(store, uint32_t(previous));
  r |= ResetImageStore(store);
  return r == 0 ? 0 : -1;
}
