// The job output stream and its sinks (see job_output_stream.h).
#include "graphics_driver/job_output/job_output_stream.h"

#include <cstring>

#include "graphics_driver/core/driver_files.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/output_routes.h"
#include "graphics_driver/job_output/save_file_name.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_error.h"
#include "platform/win/win_file.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_resource.h"
#include "settings/services/form_matching.h"
#include "settings/services/module_state.h"

namespace {

constexpr UINT kCopyFolderText = 2;
constexpr UINT kSaveCaption = 5139;

bool SendsToPrinter(OutputSinkKind k) { return k == kSinkSpooler || k == kSinkPageSpool || k == kSinkSpoolerAndFile; }
// A page recorded while the copy file is open goes to the copy as well.
bool SendsToFile(const JobOutputStream* s) {
  return s->sinkKind == kSinkFileOnly || s->sinkKind == kSinkSpoolerAndFile ||
         (s->sinkKind == kSinkPageSpool && s->copyFile != INVALID_HANDLE_VALUE);
}

// Sends bytes to the sink's printer and copy file: false when any write
// fails or comes out short.
bool Send(JobOutputStream* s, const void* bytes, uint32_t count) {
  bool ok = true;
  if (SendsToPrinter(s->sinkKind)) {
    DWORD written = 0;
    ok = WritePrinterBytes(s->printer, bytes, count, &written) && written == count;
  }
  if (SendsToFile(s)) {
    DWORD written = 0;
    ok = WriteFileBytes(s->copyFile, bytes, count, &written) && written == count && ok;
  }
  return ok;
}

// The stream's sink becomes the spooler through `printer`, its buffer empty;
// without a handle the stream is closed.
int OpenSink(JobOutputStream* s, HANDLE printer) {
  s->printer = printer;
  s->buffered = 0;
  s->sinkKind = printer ? kSinkSpooler : kSinkClosed;
  return printer ? 0 : -1;
}

bool OutputOpened(const PdevState* pdev) {
  return pdev && pdev->jobOutput && (pdev->pipeline.pipelineFlags & kPipelineJobOutputStarted);
}

}  // namespace

JobOutputStream* CreateJobOutputStream(HMODULE resourceModule) {
  auto* s = static_cast<JobOutputStream*>(GlobalAlloc(GPTR, sizeof(JobOutputStream)));
  if (!s) return nullptr;
  s->printer = nullptr;
  s->sinkKind = kSinkClosed;
  s->copyFile = INVALID_HANDLE_VALUE;
  s->module = resourceModule;
  ResetTempFile(&s->tempFile, 0, resourceModule);
  if (ResetOutputStream(s) != 0) {
    GlobalFree(s);
    return nullptr;
  }
  return s;
}

int ResetOutputStream(JobOutputStream* s) {
  if (!s) return -1;
  s->firstSpooledPage = s->spooledPageCount = 0;
  s->work.spanMode = 0;
  s->work.capturedImage = nullptr;
  std::memset(s->work.reserved, 0, sizeof s->work.reserved);
  InitTable(&s->pageTable);
  InitTable(&s->extentTable);
  return ResetTempFile(&s->tempFile, 0, s->module);
}

int ReleaseOutputStreamTables(JobOutputStream* s) {
  if (!s) return -1;
  s->firstSpooledPage = s->spooledPageCount = 0;
  FreeTable(&s->pageTable);
  FreeTable(&s->extentTable);
  return ResetTempFile(&s->tempFile, 0, s->module);
}

void FreeStreamScratch(JobOutputStream* s) {
  if (!s || !s->work.capturedImage) return;
  GlobalFree(s->work.capturedImage);
  s->work.capturedImage = nullptr;
}

void DrawIntoSheetMarks(JobOutputStream* s) {
  SheetMarks& m = s->sheetMarks;
  if (!m.bits || m.drawing) return;
  TiffJobRecord& r = s->tiffJob;
  m.bandBuffer = r.bandBuffer;
  m.bandBufferSize = r.bandBufferSize;
  m.bytesPerRow = r.bytesPerRow;
  m.bandTop = r.bandTop;
  m.bandBottom = r.bandBottom;
  m.bandLeft = r.bandLeft;
  m.bandRight = r.bandRight;
  m.bandWidth = r.bandWidth;
  m.bandRows = r.bandRows;
  m.bandDirty = r.bandDirty;
  // The whole image is one band from the sheet's top, with its spare row.
  r.bandBuffer = m.bits;
  r.bandBufferSize = m.rowBytes * (m.rows + 1);
  r.bytesPerRow = m.rowBytes;
  r.bandTop = 0;
  r.bandBottom = m.rows;
  r.bandLeft = 0;
  r.bandRight = m.width;
  r.bandWidth = m.width;
  r.bandRows = m.rows;
  r.bandDirty = 0;
  m.drawing = 1;
}

void PutBandBack(JobOutputStream* s) {
  SheetMarks& m = s->sheetMarks;
  if (!m.drawing) return;
  TiffJobRecord& r = s->tiffJob;
  if (r.bandDirty) m.inked = 1;
  r.bandBuffer = m.bandBuffer;
  r.bandBufferSize = m.bandBufferSize;
  r.bytesPerRow = m.bytesPerRow;
  r.bandTop = m.bandTop;
  r.bandBottom = m.bandBottom;
  r.bandLeft = m.bandLeft;
  r.bandRight = m.bandRight;
  r.bandWidth = m.bandWidth;
  r.bandRows = m.bandRows;
  r.bandDirty = m.bandDirty;
  m.drawing = 0;
}

void ReleaseSheetMarks(JobOutputStream* s) {
  if (!s) return;
  PutBandBack(s);
  if (s->sheetMarks.bits) GlobalFree(s->sheetMarks.bits);
  std::memset(&s->sheetMarks, 0, sizeof s->sheetMarks);
}

void DestroyJobOutputStream(JobOutputStream* s) {
  if (!s) return;
  ReleaseSheetMarks(s);
  // A job stopped inside a band still holds the brush bitmap of its last fill.
  if (s->work.brushBitmap) GlobalFree(s->work.brushBitmap);
  s->work.brushBitmap = nullptr;
  // So does a stored job given up before its end: its copy file.
  if (s->copyFile != INVALID_HANDLE_VALUE) CloseFileHandle(s->copyFile);
  s->copyFile = INVALID_HANDLE_VALUE;
  ReleaseOutputStreamTables(s);
  FreeStreamScratch(s);
  GlobalFree(s);
}

int CreatePdevOutputStream(PdevState* pdev) {
  if (!pdev) return -1;
  JobOutputStream* s = CreateJobOutputStream(GetResourceModule());
  if (!s) return -1;
  pdev->jobOutput = s;
  return ResetOutputStream(s);
}

void DestroyPdevOutputStream(PdevState* pdev) {
  if (!pdev) return;
  DestroyJobOutputStream(pdev->jobOutput);
  pdev->jobOutput = nullptr;
}

int OpenPassThroughSink(JobOutputStream* s, HANDLE printer) {
  if (!s) return -1;
  ResetTempFile(&s->tempFile, 1, s->module);
  return OpenSink(s, PassPrinterHandle(printer));
}

int OpenPassThroughSinkForPdev(PdevState* pdev, HANDLE printer) {
  if (!pdev) return -1;
  // A job that an earlier one dropped must not drop every later job, and a
  // preview job starts a preview job file of its own.
  SetOutputAbortState(0);
  if (IsPreviewMode(pdev) && IsPjlOutput(pdev)) RemoveLeftoverPreviewJob();
  return OpenPassThroughSink(pdev->jobOutput, printer);
}

int OpenSpoolJobSink(JobOutputStream* s, HANDLE printer, LPCWSTR documentName) {
  if (!s) return -1;
  return OpenSink(s, OpenSpoolJob(printer, documentName));
}

int OpenSpoolJobForPdev(PdevState* pdev, HANDLE printer, LPCWSTR documentName) {
  return pdev ? OpenSpoolJobSink(pdev->jobOutput, printer, documentName) : -1;
}

int ClosePassThroughSink(JobOutputStream* s, int) {
  if (!s) return -1;
  int flushed = FlushStream(s);
  if (!CheckSpoolHandle(s->printer)) return -1;
  s->printer = nullptr;
  s->sinkKind = kSinkClosed;
  return flushed;
}

int CloseSpoolJobSink(JobOutputStream* s, int) {
  if (!s) return -1;
  int flushed = FlushStream(s);
  if (!CloseSpoolJob(s->printer)) return -1;
  s->printer = nullptr;
  s->sinkKind = kSinkClosed;
  return flushed;
}

int CloseJobOutput(PdevState* pdev, int success) {
  if (pdev && pdev->jobOutput && pdev->jobOutput->printer) ClosePassThroughSink(pdev->jobOutput, success);
  return 0;
}

int CloseJobOutputEither(PdevState* pdev, int success) {
  if (!pdev || !pdev->jobOutput) return -1;
  if (pdev->jobOutput->printer == pdev->printer) return ClosePassThroughSink(pdev->jobOutput, success);
  return CloseSpoolJobSink(pdev->jobOutput, success);
}

int SetSinkKind(JobOutputStream* s, OutputSinkKind kind) {
  if (!s || s->sinkKind > kSinkPageSpool) return -1;
  int flushed = FlushStream(s);
  s->sinkKind = kind;
  return flushed;
}

int FlushStream(JobOutputStream* s) {
  if (!s || s->sinkKind == kSinkClosed) return -1;
  bool ok = s->buffered == 0 || Send(s, s->buffer, s->buffered);
  s->buffered = 0;
  return ok ? 0 : -1;
}

int WriteStream(JobOutputStream* s, uint32_t count, const void* bytes) {
  if (!s || (count && !bytes)) return -1;
  if (count == 0) return 0;
  if (s->buffered + uint64_t(count) <= kStreamBufferBytes) {
    std::memcpy(s->buffer + s->buffered, bytes, count);
    s->buffered += count;
    return int(count);
  }
  bool ok = FlushStream(s) == 0;
  ok = Send(s, bytes, count) && ok;
  return ok ? int(count) : -1;
}

int WriteStreamBlock(JobOutputStream* s, uint32_t count, const void* bytes) {
  if (!s || s->sinkKind == kSinkClosed || (count && !bytes)) return -1;
  return int(count);
}

int WriteBytesToJob(PdevState* pdev, uint32_t count, const void* bytes) {
  if (!OutputOpened(pdev)) return -1;
  return WriteStream(pdev->jobOutput, count, bytes) < 0 ? -1 : 0;
}

int WriteTextToJob(PdevState* pdev, const char* text) {
  if (!text) return -1;
  return WriteBytesToJob(pdev, uint32_t(std::strlen(text)), text);
}

namespace {
BlockWriteObserver g_blockObserver = nullptr;
}  // namespace

void SetBlockWriteObserver(BlockWriteObserver observer) { g_blockObserver = observer; }

int WriteBlockToJob(PdevState* pdev, uint32_t count, const void* bytes) {
  if (!OutputOpened(pdev)) return -1;
  if (WriteStreamBlock(pdev->jobOutput, count, bytes) < 0) return -1;
  if (g_blockObserver) g_blockObserver(pdev, count, bytes);
  return 0;
}

int OpenCopyFileSink(JobOutputStream* s, LPCWSTR path) {
  if (!s || s->sinkKind != kSinkSpooler) return -1;
  s->copyFile = OpenFileHandle(path, 1);
  if (s->copyFile == INVALID_HANDLE_VALUE) return -1;
  return SetSinkKind(s, kSinkSpoolerAndFile);
}

int CloseCopyFileSink(JobOutputStream* s) {
  if (!s) return -1;
  int flushed = FlushStream(s);
  SetSinkKind(s, kSinkSpooler);  // refused while the copy is kept: the kind stays until the sink closes
  if (s->copyFile != INVALID_HANDLE_VALUE) CloseFileHandle(s->copyFile);
  s->copyFile = INVALID_HANDLE_VALUE;
  return flushed;
}

int CloseCopyFileForPdev(PdevState* pdev) {
  if (pdev) CloseCopyFileSink(pdev->jobOutput);
  return 0;
}

int HasCopyFile(const JobOutputStream* s) { return s && s->copyFile != INVALID_HANDLE_VALUE ? 1 : 0; }

int EnterPageSpoolKind(JobOutputStream* s) {
  if (!s || s->sinkKind != kSinkSpoolerAndFile) return SetSinkKind(s, kSinkPageSpool);
  const int flushed = FlushStream(s);
  s->sinkKind = kSinkPageSpool;
  return flushed;
}

int LeavePageSpoolKind(JobOutputStream* s) {
  if (!s || s->sinkKind != kSinkPageSpool || !HasCopyFile(s)) return SetSinkKind(s, kSinkSpooler);
  const int flushed = FlushStream(s);
  s->sinkKind = kSinkSpoolerAndFile;
  return flushed;
}

int EndCopyFile(JobOutputStream* s) {
  if (!s) return -1;
  const int flushed = s->sinkKind == kSinkClosed ? 0 : FlushStream(s);
  if (s->copyFile != INVALID_HANDLE_VALUE) CloseFileHandle(s->copyFile);
  s->copyFile = INVALID_HANDLE_VALUE;
  if (s->sinkKind == kSinkFileOnly || s->sinkKind == kSinkSpoolerAndFile) s->sinkKind = kSinkSpooler;
  return flushed;
}

int OpenJobCopyFile(PdevState* pdev) {
  if (!pdev || !pdev->jobOutput) return -1;
  WCHAR folder[300] = {}, name[300] = {};
  const WCHAR* f = static_cast<const WCHAR*>(GetPdevSettingPointer(pdev, 337));
  const WCHAR* n = static_cast<const WCHAR*>(GetPdevSettingPointer(pdev, 338));
  size_t fl = 0, nl = 0;
  for (; f && f[fl] && fl < 260; ++fl) folder[fl] = f[fl];
  for (; n && n[nl] && nl < 260; ++nl) name[nl] = n[nl];
  if (!CreateDirectoryW(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    WCHAR text[512] = {}, caption[256] = {};
    if (pdev->jobOutput->module) {
      LoadStringW(pdev->jobOutput->module, kCopyFolderText, text, 512);
      LoadStringW(pdev->jobOutput->module, kSaveCaption, caption, 256);
    }
    int answer = MessageBoxW(GetActiveWindow(), text, caption, MB_OKCANCEL | MB_ICONWARNING | MB_SETFOREGROUND);
    return answer == IDOK ? 0 : -1;
  }
  WCHAR path[600];
  size_t k = 0;
  for (size_t i = 0; i < fl; ++i) path[k++] = folder[i];
  if (fl == 0 || folder[fl - 1] != u'\\') path[k++] = u'\\';
  for (size_t i = 0; i < nl; ++i) path[k++] = name[i];
  for (const char16_t* e = u".kwv"; *e; ++e) path[k++] = *e;
  path[k] = 0;
  OpenCopyFileSink(pdev->jobOutput, path);
  return 0;
}

int IsJobOutputStarted(const PdevState* pdev) {
  if (!pdev) return 0;
  const uint32_t both = kPipelineDocumentOpen | kPipelineJobOutputStarted;
  return (pdev->pipeline.pipelineFlags & both) == both ? 1 : 0;
}

int MarkPdevReset(PdevState* newPdev, const PdevState* oldPdev) {
  if (!newPdev || !oldPdev) return -1;
  const uint32_t fresh = newPdev->pipeline.pipelineFlags, old = oldPdev->pipeline.pipelineFlags;
  if ((fresh & kPipelineJobInError) || (old & kPipelineJobInError) || (fresh & kPipelineLogicalPageOpen)) return -1;
  newPdev->pipeline.pipelineFlags |= kPipelineRefillPageRecord;
  return 0;
}

int CopyPlacementRecord(const int32_t* from, int32_t* to) {
  if (!from || !to) return -1;
  std::memcpy(to, from, 6 * sizeof(int32_t));
  return 0;
}

int ClearJobSetupArea(PdevJobArea* area) {
  if (!area) return -1;
  std::memset(area, 0, sizeof *area);
  return 0;
}

WORD GetMappedPaperSize(const PdevState* pdev) {
  WORD size = WORD(GetPdevSettingShort(pdev, 8));
  if (!pdev->jobOutput || !pdev->jobOutput->printer) return size;
  WORD code = 0;
  return FormIndexToPaperCode(pdev->jobOutput->printer, size, &code) == 1 ? code : size;
}

int GetPaperSeries(const PdevState* pdev) { return GetPaperCodeSeries(GetMappedPaperSize(pdev)); }

int GetPaperKindPair(const PdevState* pdev) {
  bool document = IsLargePaperCode(GetMappedPaperSize(pdev));
  WORD output = GetOutputPaperSize(pdev);
  bool large = IsLargePaperCode(output);
  if (document && (large || output == 267 || output == 305)) return 3;
  if (document) return 1;
  return large ? 2 : 0;
}
