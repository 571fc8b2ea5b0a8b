// Movrane: the outside library that turns the driver's band images into TIFF
// files and grows them into page files. Every entry point takes the job's
// record and the work block, keeps nothing between calls, catches every
// exception and answers 0 on success, nonzero on failure. After every call
// the page file named by `currentFile` is a complete TIFF of the rows so far.
#include <cstdio>
#include <cstring>

#include "platform/outside/outside_tiff_files.h"
#include "platform/outside/tiff_job_record.h"

#define MOVRANE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;

// The rows per strip of every file of the page: its full band height, which
// the record keeps as the band buffer's rows less its spare row.
uint32_t StripRows(const TiffJobRecord* record) {
  if (record->bytesPerRow == 0) return 0;
  uint32_t rows = record->bandBufferSize / record->bytesPerRow;
  return rows > 1 ? rows - 1 : 0;
}

bool Usable(const TiffJobRecord* record, const RasterWorkBlock* work) {
  if (!record || !work || record->resolution == 0 || record->widthDots == 0) return false;
  if (record->bytesPerRow != (record->widthDots + 7) / 8 || StripRows(record) == 0) return false;
  // Output at another resolution is not made here: a page is never written
  // at a resolution other than the one asked for.
  if (record->outputDpi != 0 && record->outputDpi != record->resolution) return false;
  return std::memchr(work->workFolder, 0, sizeof work->workFolder) && work->workFolder[0] &&
         std::memchr(record->currentFile, 0, sizeof record->currentFile);
}

bool Terminated(const char* path) { return std::memchr(path, 0, kOutsidePathBytes) && path[0]; }

// Writes the image into a new file of the work folder, its path into `ansiOut`.
bool WriteNewFile(const TiffJobRecord* record, const RasterWorkBlock* work, const PackedRows& image, char* ansiOut) {
  char path[kOutsidePathBytes] = {};
  if (!MakeOutsideTempFile(work->workFolder, u"MVR", path)) return false;
  if (!WriteOnePageTiff(OutsideHostPath(path), image, record->resolution, StripRows(record))) {
    DeleteOutsideFile(path);
    return false;
  }
  std::memcpy(ansiOut, path, kOutsidePathBytes);
  return true;
}

// The page file becomes `top` over `bottom`: written whole into a new file that
// then takes the page file's place, so that a failure leaves it as it was.
bool ReplacePageFile(const TiffJobRecord* record, const RasterWorkBlock* work, const PackedRows& top,
                     const PackedRows& bottom) {
  PackedRows joined;
  joined.width = top.width;
  joined.rowBytes = top.rowBytes;
  joined.rows = top.rows + bottom.rows;
  joined.bits = top.bits;
  joined.bits.insert(joined.bits.end(), bottom.bits.begin(), bottom.bits.end());
  char fresh[kOutsidePathBytes] = {};
  if (!WriteNewFile(record, work, joined, fresh)) return false;
  std::string from = OutsideHostPath(fresh), to = OutsideHostPath(record->currentFile);
  if (from.empty() || to.empty() || std::rename(from.c_str(), to.c_str()) != 0) {
    DeleteOutsideFile(fresh);
    return false;
  }
  return true;
}

// Puts the file `part` above (first) or below the page file and deletes it.
int JoinIntoPageFile(TiffJobRecord* record, const RasterWorkBlock* work, const char* part, bool above) {
  PackedRows page, piece;
  if (!Terminated(part) || !ReadOnePageTiff(OutsideHostPath(part), record->widthDots, piece)) return kFailed;
  if (!ReadOnePageTiff(OutsideHostPath(record->currentFile), record->widthDots, page)) return kFailed;
  if (!(above ? ReplacePageFile(record, work, piece, page) : ReplacePageFile(record, work, page, piece)))
    return kFailed;
  DeleteOutsideFile(part);
  return kOk;
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
    PackedRows band;
    band.width = record->widthDots;
    band.rowBytes = record->bytesPerRow;
    band.rows = record->bandRows;
    band.bits.assign(record->bandBuffer, record->bandBuffer + bytes);
    const bool first = record->currentFile[0] == 0;
    return WriteNewFile(record, work, band, first ? record->currentFile : work->bandFile) ? kOk : kFailed;
  });
}

MOVRANE_EXPORT int CreateWhiteTIFFFile(TiffJobRecord* record, RasterWorkBlock* work) {
  return Guarded([&] {
    if (!Usable(record, work) || record->blankRows == 0) return kFailed;
    PackedRows white;
    white.width = record->widthDots;
    white.rowBytes = record->bytesPerRow;
    white.rows = record->blankRows;
    white.bits.assign(size_t(white.rows) * white.rowBytes, 0);
    return WriteNewFile(record, work, white, work->whiteFile) ? kOk : kFailed;
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
    return JoinIntoPageFile(record, work, work->whiteFile, first != 0);
  });
}

MOVRANE_EXPORT int CombTIFFFile(TiffJobRecord* record, RasterWorkBlock* work) {
  return Guarded([&] {
    if (!Usable(record, work) || record->currentFile[0] == 0) return kFailed;
    return JoinIntoPageFile(record, work, work->bandFile, false);
  });
}
