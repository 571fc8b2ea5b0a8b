// Movrane: the outside library that turns the driver's band images into TIFF
// files, grows them into page files, and finishes pages: quarter turns, N-up
// sheets, clipping, shifting and margins, and output at another resolution.
// Every entry point takes the job's record and the work block, keeps nothing
// between calls (the library is loaded and released around each call),
// catches every exception and answers 0 on success, nonzero on failure.
//
// What each entry does with the record:
// - Every file is one G4 page of one IFD (16 entries), a set bit is ink, at
//   the record's `resolution`, in strips of the band height.
// - A file that exists already is never rewritten in place: the result is
//   written beside it and renamed over it once complete, so a failure leaves
//   it as it was (the driver ignores the results of the N_RST_ calls and
//   streams the file whatever they answer).
// - `CreateTIFFFileFromMemory`, `CreateWhiteTIFFFile`: with `outputDpi`
//   nonzero and unlike `sourceResolution` the rows are converted to
//   `outputDpi` (OR reduction down, nearest neighbour up) at cumulative
//   positions: a band's rows t .. t + n (t = `bandTop`; for a white part the
//   rows before the band, or the page's last rows at a page end) become rows
//   floor(t * o / s) .. floor((t + n) * o / s); an output row fed by two
//   pieces is ORed from both when they are joined. `resolution` becomes
//   `outputDpi`.
// - `RotateTIFFFile` (angle 90 or 270, clockwise): the page file of
//   `currentFile` turned; width and length exchange, resolution kept.
// - `CreateNupTIFFFile`: a sheet ("MVR" file in the work folder, its path at
//   work block byte 260) from the page files of slots 1-4 in slot order, of
//   the first non-empty slot's size. `nupMode` 1: two cells, the halves
//   across the sheet's longer side (slot 1 the lower half of an upright
//   sheet, the left one of a wide sheet), pages turned a quarter turn
//   counter-clockwise so that their long side runs along the half, as the
//   driver's cell matrix places two pages per sheet;
//   `nupMode` 2 and 3: a 2 x 2 grid row by row, pages unturned. Pages are
//   OR-reduced to the largest size that fits their cell and centred; empty
//   slots leave their cells white. The slot files are left to the driver.
// - `OverlaySheetMarks`: the sheet file at work block byte 260 ORed with the
//   marks image from its top-left corner: turned a quarter turn
//   counter-clockwise first when it is wide and the sheet upright or the
//   reverse (as two pages per sheet are turned), converted to `outputDpi`
//   like the rows; what falls past the sheet is cut.
// - The N_RST_ entries work on `outputFile` once the page is out
//   (`outputReady` 1), else on `currentFile`:
//   `N_RST_ClipTiff` cuts the page below its last row holding ink (at least
//   one row is kept); `N_RST_OffsetTiff` moves the image by the signed
//   `imageOffset1Dots` across and `imageOffset2Dots` down inside the same
//   size, cutting what leaves and bringing in white;
//   `N_RST_TopUnderMarginTiff` adds `topMarginDots` white rows above and
//   `underMarginDots` below.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/outside/movrane/page_geometry.h"
#include "platform/outside/outside_tiff_files.h"
#include "platform/outside/tiff_job_record.h"

#define MOVRANE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;

// Output at `outputDpi` from rows made at `sourceResolution`.
bool Converting(const TiffJobRecord* record) {
  return record->outputDpi != 0 && record->sourceResolution != 0 && record->outputDpi != record->sourceResolution;
}

RowScale ScaleOf(const TiffJobRecord* record) { return RowScale{record->sourceResolution, record->outputDpi}; }

uint32_t OutputResolution(const TiffJobRecord* record) {
  return Converting(record) ? record->outputDpi : record->resolution;
}

// The rows per strip of every file of the page: its full band height, which
// the record keeps as the band buffer's rows less its spare row.
uint32_t StripRows(const TiffJobRecord* record) {
  if (record->bytesPerRow == 0) return 0;
  uint32_t rows = record->bandBufferSize / record->bytesPerRow;
  return rows > 1 ? rows - 1 : 0;
}

// The same at the output resolution; files made without a band height have
// one strip.
uint32_t OutputStripRows(const TiffJobRecord* record, uint32_t imageRows) {
  uint64_t rows = StripRows(record);
  if (Converting(record)) rows = ScaleOf(record).Out(rows);
  return rows ? uint32_t(std::min<uint64_t>(rows, kMaxPageDots)) : imageRows;
}

// The page width of the files: the band width, converted.
uint32_t PageWidth(const TiffJobRecord* record) {
  return Converting(record) ? uint32_t(ScaleOf(record).Out(record->widthDots)) : record->widthDots;
}

bool Terminated(const char* path) { return std::memchr(path, 0, kOutsidePathBytes) && path[0]; }

bool FolderUsable(const TiffJobRecord* record, const RasterWorkBlock* work) {
  return record && work && record->resolution != 0 && std::memchr(work->workFolder, 0, sizeof work->workFolder) &&
         work->workFolder[0] && std::memchr(record->currentFile, 0, sizeof record->currentFile) &&
         std::memchr(record->outputFile, 0, sizeof record->outputFile);
}

// The band and white entries: a record that describes its band.
bool Usable(const TiffJobRecord* record, const RasterWorkBlock* work) {
  if (!FolderUsable(record, work) || record->widthDots == 0) return false;
  if (record->bytesPerRow != (record->widthDots + 7) / 8 || StripRows(record) == 0) return false;
  // Another output resolution needs the one the rows were made at.
  if (record->outputDpi != 0 && record->outputDpi != record->resolution && !Converting(record)) return false;
  return !Converting(record) || PageWidth(record) > 0;
}

// Writes the image into a new file of the work folder, its path into `ansiOut`.
bool WriteNewFile(const TiffJobRecord* record, const RasterWorkBlock* work, const PackedRows& image, char* ansiOut) {
  char path[kOutsidePathBytes] = {};
  if (!MakeOutsideTempFile(work->workFolder, u"MVR", path)) return false;
  if (!WriteOnePageTiffFile(path, image, OutputResolution(record), OutputStripRows(record, image.rows))) {
    DeleteOutsideFile(path);
    return false;
  }
  std::memcpy(ansiOut, path, kOutsidePathBytes);
  return true;
}

// The file `target` becomes the image: written whole into a new file that
// then takes its place, so that a failure leaves it as it was.
bool ReplaceFile(const TiffJobRecord* record, const RasterWorkBlock* work, const char* target,
                 const PackedRows& image) {
  char fresh[kOutsidePathBytes] = {};
  if (!WriteNewFile(record, work, image, fresh)) return false;
  std::string from = OutsideHostPath(fresh), to = OutsideHostPath(target);
  if (from.empty() || to.empty() || std::rename(from.c_str(), to.c_str()) != 0) {
    DeleteOutsideFile(fresh);
    return false;
  }
  return true;
}

// Source rows [top, top + count) of the page, and the output rows they give.
struct Piece {
  uint32_t top = 0, count = 0;
  uint64_t first = 0, end = 0;
};

Piece PieceOf(const TiffJobRecord* record, uint32_t top, uint32_t count) {
  Piece p{top, count, top, uint64_t(top) + count};
  if (Converting(record)) ConvertedSpan(ScaleOf(record), top, count, record->heightDots, p.first, p.end);
  return p;
}

// The band of the record; false when it lies outside the page.
bool BandPiece(const TiffJobRecord* record, Piece& piece) {
  if (record->bandTop < 0) return false;
  piece = PieceOf(record, uint32_t(record->bandTop), record->bandRows);
  return true;
}

// The white part: the rows just above the band, or the page's last rows at
// a page end.
bool WhitePiece(const TiffJobRecord* record, Piece& piece) {
  const int64_t end = record->mode == 1 ? int64_t(record->heightDots) : int64_t(record->bandTop);
  if (end < int64_t(record->blankRows)) return false;
  piece = PieceOf(record, uint32_t(end - record->blankRows), record->blankRows);
  return true;
}

// Puts the file `part` above or below the page file and deletes it. With
// conversion, `upperFirst` is the first output row of what goes on top and
// `lower` the piece below.
int JoinIntoPageFile(TiffJobRecord* record, const RasterWorkBlock* work, const char* part, bool above,
                     uint64_t upperFirst, const Piece& lower) {
  const uint32_t width = PageWidth(record);
  PackedRows page, piece;
  if (!Terminated(part) || !ReadOnePageTiff(OutsideHostPath(part), width, piece)) return kFailed;
  if (!ReadOnePageTiff(OutsideHostPath(record->currentFile), width, page)) return kFailed;
  const PackedRows& upper = above ? piece : page;
  const PackedRows& below = above ? page : piece;
  PackedRows joined;
  if (Converting(record)) {
    if (!JoinConverted(upper, upperFirst, below, lower.first, lower.end, joined)) return kFailed;
  } else {
    joined = upper;
    joined.rows += below.rows;
    joined.bits.insert(joined.bits.end(), below.bits.begin(), below.bits.end());
  }
  if (!ReplaceFile(record, work, record->currentFile, joined)) return kFailed;
  DeleteOutsideFile(part);
  return kOk;
}

// Rows of a piece at the output resolution.
bool PieceRows(const TiffJobRecord* record, const PackedRows& rows, const Piece& piece, PackedRows& out) {
  if (!Converting(record)) {
    out = rows;
    return true;
  }
  return ConvertRows(rows, ScaleOf(record), piece.top, record->heightDots, out);
}

// The file the page finishing entries work on.
char* FinishedPageFile(TiffJobRecord* record) {
  return record->outputReady == 1 && record->outputFile[0] ? record->outputFile : record->currentFile;
}

// Reads the page file to finish, applies `change` and puts the result in its
// place. A change that leaves the page as it is writes nothing.
template <typename Change>
int FinishPage(TiffJobRecord* record, RasterWorkBlock* work, Change change) {
  if (!FolderUsable(record, work)) return kFailed;
  const char* target = FinishedPageFile(record);
  PackedRows page, result;
  if (!Terminated(target) || !ReadOnePageTiff(OutsideHostPath(target), 0, page)) return kFailed;
  bool unchanged = false;
  if (!change(page, result, unchanged)) return kFailed;
  if (unchanged) return kOk;
  return ReplaceFile(record, work, target, result) ? kOk : kFailed;
}

template <typename Step>
int Guarded(Step step) {
  try {
    return step();
  } catch (...) {
    return kFailed;
  }
}

}  // namespace

MOVRANE_EXPORT int CreateTIFFFileFromMemory(TiffJobRecord* record, RasterWorkBlock* work) {
  return Guarded([&] {
    if (!Usable(record, work) || !record->bandBuffer || record->bandRows == 0) return kFailed;
    const uint64_t bytes = uint64_t(record->bandRows) * record->bytesPerRow;
    if (bytes > record->bandBufferSize) return kFailed;
    PackedRows band, rows;
    band.width = record->widthDots;
    band.rowBytes = record->bytesPerRow;
    band.rows = record->bandRows;
    band.bits.assign(record->bandBuffer, record->bandBuffer + bytes);
    Piece piece;
    if (Converting(record) && !BandPiece(record, piece)) return kFailed;
    if (!PieceRows(record, band, piece, rows)) return kFailed;
    const bool first = record->currentFile[0] == 0;
    if (!WriteNewFile(record, work, rows, first ? record->currentFile : work->bandFile)) return kFailed;
    if (Converting(record)) record->resolution = record->outputDpi;
    return kOk;
  });
}

MOVRANE_EXPORT int CreateWhiteTIFFFile(TiffJobRecord* record, RasterWorkBlock* work) {
  return Guarded([&] {
    if (!Usable(record, work) || record->blankRows == 0 || record->blankRows > kMaxPageDots) return kFailed;
    Piece piece;
    if (Converting(record) && !WhitePiece(record, piece)) return kFailed;
    PackedRows rows;
    if (!PieceRows(record, WhiteRows(record->widthDots, record->blankRows), piece, rows)) return kFailed;
    if (!WriteNewFile(record, work, rows, work->whiteFile)) return kFailed;
    if (Converting(record)) record->resolution = record->outputDpi;
    return kOk;
  });
}

MOVRANE_EXPORT int CombWhiteTIFFFile(TiffJobRecord* record, RasterWorkBlock* work, int first) {
  return Guarded([&] {
    if (!Usable(record, work) || !Terminated(work->whiteFile)) return kFailed;
    // Without a page file the white part is the page's first piece.
    if (record->currentFile[0] == 0) {
      std::memcpy(record->currentFile, work->whiteFile, kOutsidePathBytes);
      return kOk;
    }
    Piece white, band;
    if (Converting(record) && (!WhitePiece(record, white) || !BandPiece(record, band))) return kFailed;
    // Above: the white part is the page's top and the page file its band.
    return first != 0 ? JoinIntoPageFile(record, work, work->whiteFile, true, white.first, band)
                      : JoinIntoPageFile(record, work, work->whiteFile, false, 0, white);
  });
}

MOVRANE_EXPORT int CombTIFFFile(TiffJobRecord* record, RasterWorkBlock* work) {
  return Guarded([&] {
    if (!Usable(record, work) || record->currentFile[0] == 0) return kFailed;
    Piece band;
    if (Converting(record) && !BandPiece(record, band)) return kFailed;
    return JoinIntoPageFile(record, work, work->bandFile, false, 0, band);
  });
}

MOVRANE_EXPORT int RotateTIFFFile(TiffJobRecord* record, RasterWorkBlock* work, int angle) {
  return Guarded([&] {
    if (!FolderUsable(record, work) || (angle != 90 && angle != 270)) return kFailed;
    PackedRows page, turned;
    if (!Terminated(record->currentFile) || !ReadOnePageTiff(OutsideHostPath(record->currentFile), 0, page))
      return kFailed;
    if (!TurnRows(page, angle, turned)) return kFailed;
    return ReplaceFile(record, work, record->currentFile, turned) ? kOk : kFailed;
  });
}

MOVRANE_EXPORT int CreateNupTIFFFile(TiffJobRecord* record, RasterWorkBlock* work) {
  return Guarded([&] {
    if (!FolderUsable(record, work)) return kFailed;
    const int perSheet = record->nupMode == 1 ? 2 : record->nupMode == 2 || record->nupMode == 3 ? 4 : 0;
    if (perSheet == 0) return kFailed;
    PackedRows pages[4];
    const PackedRows* size = nullptr;
    for (int i = 0; i < perSheet; ++i) {
      const char* slot = record->pageFiles[i];
      if (!std::memchr(slot, 0, kOutsidePathBytes)) return kFailed;
      if (!slot[0]) continue;
      // A page that cannot be read fails the sheet rather than leave a hole.
      if (!ReadOnePageTiff(OutsideHostPath(slot), 0, pages[i])) return kFailed;
      if (!size) size = &pages[i];
    }
    if (!size) return kFailed;
    PackedRows sheet;
    if (!BuildNupSheet(pages, perSheet, perSheet, size->width, size->rows, sheet)) return kFailed;
    return WriteNewFile(record, work, sheet, work->sheetFile) ? kOk : kFailed;
  });
}

MOVRANE_EXPORT int OverlaySheetMarks(TiffJobRecord* record, RasterWorkBlock* work, const SheetMarksImage* marks) {
  return Guarded([&] {
    if (!FolderUsable(record, work) || !marks || !marks->bits || !Terminated(work->sheetFile)) return kFailed;
    if (marks->width == 0 || marks->rows == 0 || marks->width > kMaxPageDots || marks->rows > kMaxPageDots ||
        marks->rowBytes < (marks->width + 7) / 8)
      return kFailed;
    PackedRows sheet;
    if (!ReadOnePageTiff(OutsideHostPath(work->sheetFile), 0, sheet)) return kFailed;
    PackedRows image;
    image.width = marks->width;
    image.rowBytes = (marks->width + 7) / 8;
    image.rows = marks->rows;
    image.bits.resize(size_t(image.rowBytes) * image.rows);
    for (uint32_t y = 0; y < image.rows; ++y)
      std::memcpy(image.bits.data() + size_t(y) * image.rowBytes, marks->bits + size_t(y) * marks->rowBytes,
                  image.rowBytes);
    // At the output resolution, as the rows are.
    if (Converting(record)) {
      const RowScale s = ScaleOf(record);
      const uint64_t width = s.Out(image.width), rows = s.Out(image.rows);
      if (width == 0 || rows == 0 || width > kMaxPageDots || rows > kMaxPageDots) return kFailed;
      PackedRows scaled;
      if (!ScaleRowsOR(image, uint32_t(width), uint32_t(rows), scaled)) return kFailed;
      image = std::move(scaled);
    }
    if (!OverlayRows(image, sheet)) return kFailed;
    return ReplaceFile(record, work, work->sheetFile, sheet) ? kOk : kFailed;
  });
}

MOVRANE_EXPORT int N_RST_ClipTiff(TiffJobRecord* record, RasterWorkBlock* work) {
  return Guarded([&] {
    return FinishPage(record, work, [](const PackedRows& page, PackedRows& out, bool& unchanged) {
      const uint32_t rows = std::max<uint32_t>(InkRows(page), 1);
      unchanged = rows == page.rows;
      return unchanged || PlaceRows(page, 0, 0, page.width, rows, out);
    });
  });
}

MOVRANE_EXPORT int N_RST_OffsetTiff(TiffJobRecord* record, RasterWorkBlock* work) {
  return Guarded([&] {
    const int32_t across = int32_t(record ? record->imageOffset1Dots : 0);
    const int32_t down = int32_t(record ? record->imageOffset2Dots : 0);
    return FinishPage(record, work, [&](const PackedRows& page, PackedRows& out, bool& unchanged) {
      unchanged = across == 0 && down == 0;
      return unchanged || PlaceRows(page, across, down, page.width, page.rows, out);
    });
  });
}

MOVRANE_EXPORT int N_RST_TopUnderMarginTiff(TiffJobRecord* record, RasterWorkBlock* work) {
  return Guarded([&] {
    const uint32_t top = record ? record->topMarginDots : 0, under = record ? record->underMarginDots : 0;
    return FinishPage(record, work, [&](const PackedRows& page, PackedRows& out, bool& unchanged) {
      unchanged = top == 0 && under == 0;
      if (unchanged) return true;
      if (uint64_t(top) + under + page.rows > kMaxPageDots) return false;
      return PlaceRows(page, 0, top, page.width, top + page.rows + under, out);
    });
  });
}
