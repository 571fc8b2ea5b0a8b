// The job output stream: every byte the driver sends out for a job passes
// through it. Writes are gathered in a 2,048-byte buffer and sent to the sink
// (the spooler job GDI opened, or a RAW job of the driver's own) and, while a
// job copy is kept, to the copy file. The stream also carries the job's temp
// file, the page spool's two tables and the drawing Parts' work area.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/job_output/captured_image.h"
#include "graphics_driver/job_output/growable_table.h"
#include "graphics_driver/job_output/temp_file.h"
#include "platform/outside/tiff_job_record.h"

enum OutputSinkKind : uint16_t {
  kSinkClosed = 0,
  kSinkSpooler = 1,
  kSinkPageSpool = 2,  // the spooler, while the page pipeline records a page
  kSinkFileOnly = 3,   // defined; never set
  kSinkSpoolerAndFile = 4,
};

constexpr uint32_t kStreamBufferBytes = 2048;
constexpr uint16_t kPageEntryBytes = 116;
constexpr uint16_t kPageExtentBytes = 12;

// Where the page spool stands in its records: while a page is recorded the
// last record written (to patch its `next`), while one is replayed the read
// position, the page's end and the next record.
struct PageSpoolCursor {
  uint32_t page;
  uint32_t offset;
  uint32_t remaining;
  int32_t lastRecord;  // -1: none yet
  uint32_t nextRecord;
};

// The drawing Parts' scratch space, carried by the stream.
struct StreamWorkArea {
  // The brush cell is the first 72 bytes; a realised brush may copy up to
  // 192 bytes into the area, which holds them all.
  BYTE brushCell[192];
  BYTE* brushBitmap;
  uint32_t brushBitmapWidthBits;
  uint32_t brushBitmapRows;
  uint32_t spanMode;  // 0 idle, 1 capturing, 2 replaying, 3 XOR against the saved area
  BYTE* capturedImage;
  int32_t capturedOriginX, capturedOriginY;
  uint32_t capturedBitOffset, capturedWidthBits, capturedRows, capturedBytesPerRow;
  BYTE reserved[32];
  POINTL* clipPoints;
  uint32_t clipPointCapacity, clipPointCount;
  POINTL* fillOutline;
  uint32_t fillOutlineCapacity, fillOutlineCount;
  // The captured source image's header and byte count (the rows are
  // capturedImage).
  CapturedImageHeader capturedHeader;
  uint32_t capturedImageBytes;
};

// The marks of an N-up sheet (its labels and tiled stamp copies), which go
// on the whole sheet rather than into the cell of the page they are drawn
// with: while one is drawn the band engine draws into this sheet-sized image
// in place of the band (whose place is kept here meanwhile), and the sheet is
// ORed with it when it is made.
struct SheetMarks {
  BYTE* bits;  // rows + 1 rows (a spare row, as a band has), null until needed
  uint32_t width, rows, rowBytes;
  uint32_t inked;    // a mark was drawn since the last sheet was made
  uint32_t drawing;  // the band's place below is held
  BYTE* bandBuffer;
  uint32_t bandBufferSize, bytesPerRow;
  int32_t bandTop;
  uint32_t bandBottom, bandLeft, bandRight, bandWidth, bandRows;
  uint16_t bandDirty;
};

struct JobOutputStream {
  OutputSinkKind sinkKind;
  HANDLE printer;
  uint16_t firstSpooledPage;
  uint16_t spooledPageCount;
  GrowableTable pageTable;
  uint32_t buffered;
  BYTE buffer[kStreamBufferBytes];
  TempFile tempFile;
  HMODULE module;
  HANDLE copyFile;
  GrowableTable extentTable;
  PageSpoolCursor spoolCursor;
  StreamWorkArea work;
  TiffJobRecord tiffJob;  // page, band and job state of the TIFF output
  SheetMarks sheetMarks;
};

JobOutputStream* CreateJobOutputStream(HMODULE resourceModule);
int ResetOutputStream(JobOutputStream* stream);
int ReleaseOutputStreamTables(JobOutputStream* stream);
void DestroyJobOutputStream(JobOutputStream* stream);
// Frees the captured image of the work area.
void FreeStreamScratch(JobOutputStream* stream);
// The band engine draws into the sheet marks image (which must be there)
// from now on; the band's place is kept.
void DrawIntoSheetMarks(JobOutputStream* stream);
// The band back in its place, if the sheet marks hold it; what was drawn
// meanwhile makes the marks inked.
void PutBandBack(JobOutputStream* stream);
// The band back, and the marks image freed.
void ReleaseSheetMarks(JobOutputStream* stream);
int CreatePdevOutputStream(PdevState* pdev);
void DestroyPdevOutputStream(PdevState* pdev);

int OpenPassThroughSink(JobOutputStream* stream, HANDLE printer);
int OpenPassThroughSinkForPdev(PdevState* pdev, HANDLE printer);
int OpenSpoolJobSink(JobOutputStream* stream, HANDLE printer, LPCWSTR documentName);
int OpenSpoolJobForPdev(PdevState* pdev, HANDLE printer, LPCWSTR documentName);
int ClosePassThroughSink(JobOutputStream* stream, int success);
int CloseSpoolJobSink(JobOutputStream* stream, int success);
int CloseJobOutput(PdevState* pdev, int success);
int CloseJobOutputEither(PdevState* pdev, int success);
int SetSinkKind(JobOutputStream* stream, OutputSinkKind kind);

int WriteStream(JobOutputStream* stream, uint32_t count, const void* bytes);
int FlushStream(JobOutputStream* stream);
// Checks the stream and the bytes and answers the count; it sends nothing.
int WriteStreamBlock(JobOutputStream* stream, uint32_t count, const void* bytes);
int WriteBytesToJob(PdevState* pdev, uint32_t count, const void* bytes);
int WriteTextToJob(PdevState* pdev, const char* text);
int WriteBlockToJob(PdevState* pdev, uint32_t count, const void* bytes);
// The blocks the block write accepts (and drops), shown to a test.
using BlockWriteObserver = void (*)(const PdevState* pdev, uint32_t count, const void* bytes);
void SetBlockWriteObserver(BlockWriteObserver observer);

int OpenJobCopyFile(PdevState* pdev);
int OpenCopyFileSink(JobOutputStream* stream, LPCWSTR path);
int CloseCopyFileSink(JobOutputStream* stream);
int CloseCopyFileForPdev(PdevState* pdev);
// 1 while the stream keeps a copy file.
int HasCopyFile(const JobOutputStream* stream);
// The page spool's phase and its end: writes go to the spooler, and to the
// copy file while one is open, so that the copy keeps every job byte.
int EnterPageSpoolKind(JobOutputStream* stream);
int LeavePageSpoolKind(JobOutputStream* stream);
// Flushes, closes the copy file and returns the stream to the spooler alone.
int EndCopyFile(JobOutputStream* stream);

int IsJobOutputStarted(const PdevState* pdev);
// After a PDEV reset: the new PDEV must refill its page record, unless either
// PDEV carries a job error or the new one has a page open. 0 or -1.
int MarkPdevReset(PdevState* newPdev, const PdevState* oldPdev);
int CopyPlacementRecord(const int32_t* from, int32_t* to);
// Zeroes the job area of the PDEV.
int ClearJobSetupArea(PdevJobArea* area);

// dmPaperSize mapped to the device's paper code through the printer of the
// stream's sink; dmPaperSize itself without a stream or a mapping.
WORD GetMappedPaperSize(const PdevState* pdev);
// The paper series of the mapped document paper.
int GetPaperSeries(const PdevState* pdev);
// Large document and output paper (or an output that follows the document):
// 3; large document only: 1; large output only: 2; neither: 0.
int GetPaperKindPair(const PdevState* pdev);
