// The calls into the outside raster libraries: the page TIFF step that turns
// bands into page files, places N-up sheets and finishes pages through
// Movrane, the multi-page step that gathers page files through Velmora, and
// the clean-up that releases both at any job end.
#pragma once

#include "platform/outside/tiff_job_record.h"
#include "platform/win/win_types.h"

// The library of that file name in the driver's folder, loaded; null when the
// folder or the library cannot be had.
HMODULE LoadOutsideRasterDll(const WCHAR* fileName);
struct SheetMarks;

// 0, or -1 when the work folder cannot be had or a call whose result counts
// fails (also a missing entry point other than the N_RST_ ones). An N-up
// sheet made takes the inked sheet marks, which are then cleared.
int MakePageTiff(TiffJobRecord* record, SheetMarks* marks = nullptr);
int BuildMultiPageTiff(TiffJobRecord* record);
// Turns the page file when its orientation differs from the job's: 0 or -1.
int CallRotateTiff(TiffJobRecord* record, RasterWorkBlock* work);
// 1 when a sheet file was made, 0 when the page was collected, -1 on failure.
int CollectNupPage(TiffJobRecord* record, RasterWorkBlock* work, SheetMarks* marks = nullptr);
// Closes and deletes what a job leaves of its TIFF output: the multi-page file
// (and Velmora), the page, slot and output files, the band buffer. A file
// named in `keptFile` (ANSI, may be null) stays.
void ReleaseTiffJobFiles(TiffJobRecord* record, const char* keptFile);
// Deletes the file of a zero-ended ANSI path: true when it is gone.
bool DeleteAnsiFile(const char* path);
