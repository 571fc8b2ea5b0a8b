// The page TIFF and multi-page steps (see outside_raster_calls.h).
#include "graphics_driver/job_output/outside_raster_calls.h"

#include <cstring>
#include <string>

#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/output_routes.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_file.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_module.h"
#include "settings/services/module_state.h"

namespace {

using MovraneCall = int (*)(TiffJobRecord*, RasterWorkBlock*);
using MovraneCallWithValue = int (*)(TiffJobRecord*, RasterWorkBlock*, int);
using MovraneCallWithMarks = int (*)(TiffJobRecord*, RasterWorkBlock*, const SheetMarksImage*);
using CreateStorage = uint64_t (*)(const char*);
using CreateManager = uint64_t (*)(uint64_t*);
using VelmoraCall = int (*)(TiffJobRecord*);

constexpr int kFailed = -1;

void ClearPath(char* path) { std::memset(path, 0, kOutsidePathBytes); }
void CopyPath(char* to, const char* from) {
  std::memcpy(to, from, kOutsidePathBytes);
  to[kOutsidePathBytes - 1] = 0;
}

// One call of Movrane, the library loaded and released around it. A
// missing library or entry point answers `missing`.
template <typename Fn, typename... Args>
int CallMovrane(const char* entry, int missing, Args... args) {
  HMODULE module = LoadOutsideRasterDll(u"Movrane.dll");
  if (!module) return missing;
  auto fn = reinterpret_cast<Fn>(GetProcAddress(module, entry));
  const int result = fn ? fn(args...) : missing;
  FreeLibrary(module);
  return result;
}

int Movrane(const char* entry, TiffJobRecord* r, RasterWorkBlock* work) {
  return CallMovrane<MovraneCall>(entry, kFailed, r, work);
}

// The three page finishing calls, whose results do not count: skipped when
// the library or the call is missing.
void MovraneFinish(const char* entry, TiffJobRecord* r, RasterWorkBlock* work) {
  CallMovrane<MovraneCall>(entry, 0, r, work);
}

// Blank rows still pending at the page end become white rows of the page,
// its first piece when the page has no file yet, so an all-blank page keeps
// its sheet and a page keeps its trailing white.
int EmitPendingWhite(TiffJobRecord* r, RasterWorkBlock* work) {
  const bool firstPiece = r->currentFile[0] == 0;
  if (Movrane("CreateWhiteTIFFFile", r, work) != 0) return kFailed;
  if (CallMovrane<MovraneCallWithValue>("CombWhiteTIFFFile", kFailed, r, work, firstPiece ? 1 : 0) != 0) return kFailed;
  if (firstPiece) r->collectedPages += 1;
  r->blankRows = 0;
  return 0;
}

// Offsets and margins in source dots become output dots.
uint32_t Rescaled(const TiffJobRecord* r, uint32_t value) {
  return r->sourceResolution ? uint32_t(uint64_t(r->resolution) * value / r->sourceResolution) : value;
}

// The sheet of the collected slots: made, its slot files deleted and the slots
// cleared. A sheet that was not made leaves the slots for the clean-up.
int MakeSheet(TiffJobRecord* r, RasterWorkBlock* work, int slots, SheetMarks* marks) {
  ClearPath(work->sheetFile);
  if (Movrane("CreateNupTIFFFile", r, work) != 0 || work->sheetFile[0] == 0) return kFailed;
  int result = 1;
  // The sheet's own marks go over it whole; a sheet without them is not
  // the sheet that was asked for.
  if (marks && marks->inked && marks->bits) {
    const SheetMarksImage image{marks->bits, marks->width, marks->rows, marks->rowBytes};
    if (CallMovrane<MovraneCallWithMarks>("OverlaySheetMarks", kFailed, r, work, &image) != 0) result = kFailed;
    std::memset(marks->bits, 0, size_t(marks->rowBytes) * (marks->rows + 1));
    marks->inked = 0;
  }
  for (int i = 0; i < slots; ++i)
    if (r->pageFiles[i][0] && !DeleteAnsiFile(r->pageFiles[i])) result = kFailed;
  // The slots go in any case: the next sheet must not repeat these pages.
  std::memset(r->pageFiles, 0, sizeof r->pageFiles);
  r->collectedPages = 0;
  return result;
}

// The folder the multi-page file is made in: the driver's temp folder.
std::u16string MultiPageFolder() {
  WCHAR temp[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH, temp);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::u16string(temp) + u"BRISCA";
}

void ReleaseVelmora(TiffJobRecord* r) {
  if (r->multiPageModule) FreeLibrary(static_cast<HMODULE>(r->multiPageModule));
  r->multiPageModule = nullptr;
}

// A multi-page file that cannot grow is closed, deleted and let go: the job
// is then in error and its file no use.
void DropMultiPageFile(TiffJobRecord* r) {
  if (r->multiPageModule && r->managerObject) {
    auto close = reinterpret_cast<VelmoraCall>(
        GetProcAddress(static_cast<HMODULE>(r->multiPageModule), "DeleateMultiTIFFObject"));
    if (close) close(r);
  }
  ReleaseVelmora(r);
  DeleteAnsiFile(r->multiPageFile);
  ClearPath(r->multiPageFile);
  r->storageObject = r->managerObject = 0;
  r->multiPageOpen = 0;
}

VelmoraCall VelmoraEntry(TiffJobRecord* r, const char* name) {
  return r->multiPageModule
             ? reinterpret_cast<VelmoraCall>(GetProcAddress(static_cast<HMODULE>(r->multiPageModule), name))
             : nullptr;
}

int OpenMultiPageFile(TiffJobRecord* r) {
  std::u16string folder = MultiPageFolder();
  WCHAR name[MAX_PATH + 20];
  if (folder.empty() || GetTempFileNameW(folder.c_str(), u"MLT", 0, name) == 0) return kFailed;
  ClearPath(r->multiPageFile);
  if (WideCharToMultiByte(CP_ACP, 0, name, -1, r->multiPageFile, int(kOutsidePathBytes), nullptr, nullptr) <= 0) {
    DeleteFileW(name);
    return kFailed;
  }
  HMODULE module = LoadOutsideRasterDll(u"Velmora.dll");
  auto storage =
      module ? reinterpret_cast<CreateStorage>(GetProcAddress(module, "CreateFileOutputStorageObject")) : nullptr;
  auto manager =
      module ? reinterpret_cast<CreateManager>(GetProcAddress(module, "CreateMultiPageManagerObject")) : nullptr;
  r->multiPageModule = module;
  r->storageObject = storage ? storage(r->multiPageFile) : 0;
  r->managerObject = manager && r->storageObject ? manager(&r->storageObject) : 0;
  if (!r->managerObject) {
    // Without objects nothing can be built; a storage alone is let go with
    // the library (the process keeps nothing of it once the file is gone).
    r->managerObject = 0;
    ReleaseVelmora(r);
    DeleteAnsiFile(r->multiPageFile);
    ClearPath(r->multiPageFile);
    r->storageObject = 0;
    return kFailed;
  }
  r->multiPageOpen = 1;
  return 0;
}

// Adds the output file as the next page and deletes it.
int AppendOutputFile(TiffJobRecord* r) {
  VelmoraCall append = VelmoraEntry(r, "CreateMultiTIFFFile");
  if (!append || append(r) == -1) {
    DropMultiPageFile(r);
    return kFailed;
  }
  return DeleteAnsiFile(r->outputFile) ? 0 : kFailed;
}

}  // namespace

bool DeleteAnsiFile(const char* path) {
  if (!path || !path[0]) return false;
  OFSTRUCT of;
  return OpenFile(path, &of, OF_DELETE) != HFILE_ERROR;
}

HMODULE LoadOutsideRasterDll(const WCHAR* fileName) {
  WCHAR folder[MAX_PATH + 1];
  if (!fileName || !GetModuleFolder(folder, sizeof folder)) return nullptr;
  std::u16string path = std::u16string(folder) + fileName;
  return LoadLibraryW(path.c_str());
}

int CallRotateTiff(TiffJobRecord* r, RasterWorkBlock* work) {
  int angle = 0;
  if (r->nupMode >= 1 && r->nupMode <= 3) {
    if (r->scaledHeight < r->scaledWidth && r->widthDots < r->heightDots) angle = 90;
    else if (r->scaledWidth < r->scaledHeight && r->heightDots < r->widthDots) angle = 270;
  }
  if (angle == 0) return 0;
  return CallMovrane<MovraneCallWithValue>("RotateTIFFFile", kFailed, r, work, angle) == 0 ? 0 : kFailed;
}

int CollectNupPage(TiffJobRecord* r, RasterWorkBlock* work, SheetMarks* marks) {
  const bool jobEnd = r->mode == 2;
  if (r->nupMode == 1) {
    if (r->collectedPages == 2) {
      CopyPath(r->pageFiles[1], r->currentFile);
      return MakeSheet(r, work, 2, marks);
    }
    if (r->collectedPages == 1) {
      if (jobEnd) return MakeSheet(r, work, 2, marks);
      CopyPath(r->pageFiles[0], r->currentFile);
    }
    return 0;
  }
  if (r->nupMode == 2 || r->nupMode == 3) {
    if (r->collectedPages == 4) {
      CopyPath(r->pageFiles[3], r->currentFile);
      return MakeSheet(r, work, 4, marks);
    }
    if (jobEnd && r->collectedPages > 0) return MakeSheet(r, work, 4, marks);
    if (r->collectedPages >= 1 && r->collectedPages <= 3) CopyPath(r->pageFiles[r->collectedPages - 1], r->currentFile);
    return 0;
  }
  return 0;
}

int MakePageTiff(TiffJobRecord* r, SheetMarks* marks) {
  if (!r) return kFailed;
  // All pages take the first page's orientation and scaled size.
  if (r->pageNumber == 1 && (r->bandIndex == 1 || r->currentFile[0] == 0)) {
    r->savedLandscape = r->landscape;
    r->savedScaledWidth = r->scaledWidth;
    r->savedScaledHeight = r->scaledHeight;
  } else {
    r->landscape = r->savedLandscape;
    r->scaledWidth = r->savedScaledWidth;
    r->scaledHeight = r->savedScaledHeight;
  }
  if (r->collectedPages == 0) std::memset(r->pageFiles, 0, sizeof r->pageFiles);
  RasterWorkBlock work;
  std::memset(&work, 0, sizeof work);
  if (!GetRasterTempFolder(work.workFolder)) return kFailed;

  if (r->mode == 1) {
    if (r->blankRows != 0 && EmitPendingWhite(r, &work) != 0) return kFailed;
    if (r->nupMode != 0) {
      if (CallRotateTiff(r, &work) != 0) return kFailed;
      const int sheet = CollectNupPage(r, &work, marks);
      if (sheet < 0) return kFailed;
      ClearPath(r->currentFile);
      if (sheet == 1) {
        CopyPath(r->outputFile, work.sheetFile);
        r->collectedPages = 0;
        r->outputReady = 1;
      }
    } else {
      if (r->pageHandlingMode != 0 && (r->pageHandlingMode == 2 || r->paperKindPair == 1 || r->paperKindPair == 3))
        MovraneFinish("N_RST_ClipTiff", r, &work);
      CopyPath(r->outputFile, r->currentFile);
      r->outputReady = 1;
      ClearPath(r->currentFile);
    }
    if (r->outputReady == 1 && r->pageHandlingMode == 0 && r->imageOffsetOn == 1) {
      if (r->pageNumber == 1 && r->outputDpi != 0) {
        r->imageOffset1Dots = Rescaled(r, r->imageOffset1Dots);
        r->imageOffset2Dots = Rescaled(r, r->imageOffset2Dots);
      }
      MovraneFinish("N_RST_OffsetTiff", r, &work);
    }
    if (r->outputReady == 1 && r->paperKindPair > 1 && r->topUnderMarginOn == 1) {
      if (r->pageNumber == 1 && r->outputDpi != 0) {
        r->topMarginDots = Rescaled(r, r->topMarginDots);
        r->underMarginDots = Rescaled(r, r->underMarginDots);
      }
      MovraneFinish("N_RST_TopUnderMarginTiff", r, &work);
    }
    return 0;
  }
  if (r->mode == 2 && r->nupMode != 0 && r->collectedPages != 0) {
    if (CollectNupPage(r, &work, marks) < 0) return kFailed;
    CopyPath(r->outputFile, work.sheetFile);
    r->outputReady = 1;
    r->collectedPages = 0;
    ClearPath(r->currentFile);
    return 0;
  }
  bool firstPiece = false;
  if (r->bandIndex == 1) {
    r->collectedPages += 1;
  } else if (r->currentFile[0] == 0) {
    r->collectedPages += 1;
    firstPiece = true;
  }
  if (r->mode != 0) return 0;
  if (Movrane("CreateTIFFFileFromMemory", r, &work) != 0) return kFailed;
  if (r->blankRows != 0) {
    if (Movrane("CreateWhiteTIFFFile", r, &work) != 0) return kFailed;
    if (CallMovrane<MovraneCallWithValue>("CombWhiteTIFFFile", kFailed, r, &work, firstPiece ? 1 : 0) != 0)
      return kFailed;
  }
  if (r->bandIndex == 1 || firstPiece) return 0;
  return Movrane("CombTIFFFile", r, &work) == 0 ? 0 : kFailed;
}

int BuildMultiPageTiff(TiffJobRecord* r) {
  if (!r) return kFailed;
  if (r->multiPageOpen == 0 && OpenMultiPageFile(r) != 0) return kFailed;
  if (r->mode == 2) {
    if (r->outputReady == 1 && AppendOutputFile(r) != 0) return kFailed;
    VelmoraCall close = VelmoraEntry(r, "DeleateMultiTIFFObject");
    if (!close || close(r) == -1) {
      r->managerObject = 0;  // nothing more may be asked of it
      DropMultiPageFile(r);
      return kFailed;
    }
    CopyPath(r->outputFile, r->multiPageFile);
    ClearPath(r->multiPageFile);
    r->storageObject = r->managerObject = 0;
    r->multiPageOpen = 0;
    r->outputReady = 1;
    ReleaseVelmora(r);
    return 0;
  }
  if (r->outputReady == 0) return 0;
  if (AppendOutputFile(r) != 0) return kFailed;
  ClearPath(r->outputFile);
  r->outputReady = 0;
  return 0;
}

void ReleaseTiffJobFiles(TiffJobRecord* r, const char* keptFile) {
  if (!r) return;
  auto drop = [&](char* path) {
    if (path[0] && !(keptFile && std::strcmp(path, keptFile) == 0)) DeleteAnsiFile(path);
    ClearPath(path);
  };
  if (r->multiPageOpen) {
    DropMultiPageFile(r);
  } else {
    ReleaseVelmora(r);
    drop(r->multiPageFile);
  }
  drop(r->currentFile);
  drop(r->outputFile);
  for (auto& slot : r->pageFiles) drop(slot);
  r->collectedPages = 0;
  r->outputReady = 0;
  r->blankRows = 0;
  if (r->bandBuffer) {
    GlobalFree(r->bandBuffer);
    r->bandBuffer = nullptr;
  }
}
