// Fax jobs (see fax_jobs.h).
#include "graphics_driver/job_output/fax_jobs.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "graphics_driver/core/driver_helpers.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/core/paper_selection.h"
#include "graphics_driver/job_output/fax_cover_blocks.h"
#include "graphics_driver/job_output/job_output_objects.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/page_pipeline.h"
#include "graphics_driver/job_output/page_records.h"
#include "graphics_driver/job_output/page_spool.h"
#include "graphics_driver/job_output/page_trays.h"
#include "graphics_driver/job_output/pipeline_trace.h"
#include "graphics_driver/job_output/pjl_job_stream.h"
#include "graphics_driver/job_output/temp_file.h"
#include "platform/win/win_file.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_text.h"
#include "settings/model/model_records.h"

namespace {

constexpr WORD kFaxPaperKey = 9;
constexpr const WCHAR* kFaxTempFileKey = u"Software\\Caldrix\\KZ TRD Printer Driver\\Orvanta\\TempFile";
constexpr const WCHAR* kFaxTempFileValue = u"OrvaInfo_";
constexpr size_t kFaxTempRecordPathChars = 264;
constexpr uint32_t kCopyPieceBytes = 1024;

void Trace(PdevState* pdev, const WCHAR* text) { LogPipelineEvent(pdev, text, kTraceElapsed); }

// The block of the model's paper 9: its size, and its printable area inside
// the paper's own margins.
int FillFaxPaperBlock(PdevState* pdev, PaperBlock* block) {
  ModelRecord* record = nullptr;
  if (FindPaperRecordById(pdev->primaryModelFile, pdev->secondaryModelFile, kFaxPaperKey, &record) != 0 || !record)
    return -1;
  const auto* p = static_cast<const PaperRecord*>(record);
  *block = PaperBlock{};
  block->paperId = int16_t(kFaxPaperKey);
  block->width = int16_t(p->pair1[0].x);
  block->height = int16_t(p->pair1[0].y);
  block->printableWidth = int16_t(p->pair1[0].x - p->pair2[0].x - p->pair2[1].x);
  block->printableHeight = int16_t(p->pair1[0].y - p->pair2[0].y - p->pair2[1].y);
  block->marginX = int16_t(p->pair2[0].x);
  block->marginY = int16_t(p->pair2[0].y);
  block->sizeFlag = 1;
  ReleaseModelRecord(record);
  return 0;
}

// Case-insensitive equality of two paths, either separator.
bool SamePath(const WCHAR* a, const WCHAR* b) {
  auto fold = [](WCHAR c) -> WCHAR {
    if (c == u'/') return u'\\';
    return c >= u'a' && c <= u'z' ? WCHAR(c - u'a' + u'A') : c;
  };
  for (; *a && *b; ++a, ++b)
    if (fold(*a) != fold(*b)) return false;
  return *a == *b;
}

// The interface library keeps one record per fax temp file it made.
bool IsRegisteredFaxTempFile(const WCHAR* path) {
  HKEY key = nullptr;
  if (RegOpenKeyW(HKEY_CURRENT_USER, kFaxTempFileKey, &key) != ERROR_SUCCESS) return false;
  bool found = false;
  for (DWORD i = 0; !found; ++i) {
    WCHAR name[64];
    DWORD nameChars = 64, type = 0, size = 0;
    BYTE data[1100] = {};
    size = sizeof data;
    const LSTATUS s = RegEnumValueW(key, i, name, &nameChars, nullptr, &type, data, &size);
    if (s == ERROR_NO_MORE_ITEMS) break;
    if (s != ERROR_SUCCESS) continue;
    if (type != REG_BINARY || _wcsnicmp(name, kFaxTempFileValue, 9) != 0 || size < 2) continue;
    WCHAR recorded[kFaxTempRecordPathChars + 1] = {};
    const size_t chars = std::min<size_t>(size / 2, kFaxTempRecordPathChars);
    std::memcpy(recorded, data, chars * 2);
    found = recorded[0] && SamePath(recorded, path);
  }
  RegCloseKey(key);
  return found;
}

bool IsTempFolderFaxName(const WCHAR* path) {
  WCHAR drive[4] = {}, dir[261] = {}, name[261] = {}, ext[261] = {};
  WCHAR whole[261];
  CopyWideBounded(whole, path, 261);
  _wsplitpath(whole, drive, dir, name, ext);
  WCHAR temp[262] = {};
  const DWORD n = GetTempPathW(261, temp);
  if (n == 0 || n > 260) return false;
  const std::u16string folder = std::u16string(drive) + dir;
  return SamePath(folder.c_str(), temp) && _wcsnicmp(name, u"KZF", 3) == 0 && lstrcmpiW(ext, u".tmp") == 0;
}

}  // namespace

void GetFaxJobSettings(PdevState* pdev) {
  PdevFax& f = pdev->faxState;
  f.faxPagesOff = GetPdevSettingLong(pdev, 381) == 1 ? 1 : 0;
  f.coverSheet = GetPdevSettingLong(pdev, 376) == 1 ? 1 : 0;
  f.coverKind = f.coverSheet ? (GetPdevSettingLong(pdev, 377) != 0 ? 2 : 1) : 0;
  f.recipientCount = uint16_t(GetPdevSettingLong(pdev, 380));
  f.multiRecipient =
      GetPdevSettingLong(pdev, 379) != 0 || f.recipientCount < 2 || f.coverSheet == 0 || f.faxPagesOff == 1 ? 0 : 1;
  f.copyingJobBytes = f.jobCopyFailed = 0;
}

int EmitFaxCoverPageSteps(PdevState* pdev, const BYTE* entry) {
  if (!pdev || !entry) return -1;
  PdevFax& f = pdev->faxState;
  uint32_t& flags = pdev->pipeline.pipelineFlags;

  // 1. The cover's own page record: paper 9 at 600 dpi, one page a sheet.
  PageLayoutRecord cover = pdev->currentPage;
  int r = FillFaxPaperBlock(pdev, &cover.logical);
  cover.turned = 0;
  cover.duplexBinding = cover.bindingEdge = cover.fixedScale = cover.cellOrder = 0;
  cover.pagesPerSheet = 1;
  cover.resolutionX = cover.resolutionY = 600;
  flags |= kPipelinePhysicalPageOpen;

  // 2. The sheet it goes on.
  if (f.multiRecipient) cover.sheet = f.faxPageBlock;
  else if (f.faxPagesOff) r |= FillFaxPaperBlock(pdev, &cover.sheet);
  else r |= FillSheetBlock(pdev, &cover.sheet);

  // 3. Sheet start.
  char letter = 0;
  float width = 0, height = 0;
  if (r == 0 && GetPaperAnnouncement(pdev, &cover.sheet, &letter, &width, &height) != 0) r = -1;
  if (r == 0) r |= RecordSheetStart(pdev, 1, 0, letter, width, height);
  flags |= kPipelineLogicalPageOpen;
  Trace(pdev, u"StartPage");

  // 4. The attachment name.
  if (r == 0 && f.coverKind == 2) r |= WriteFaxNameBlock(pdev);

  // 5. The cover under its own record; a text block that cannot be made
  // leaves the cover without text.
  const PageLayoutRecord saved = pdev->currentPage;
  if (r == 0) {
    pdev->currentPage = cover;
    r |= SetPageStartTransform(pdev);
    if (r == 0 && f.coverKind == 1) r |= WriteCoverSheetFile(pdev);
    pdev->currentPage.resolutionX = saved.resolutionX;
    pdev->currentPage.resolutionY = saved.resolutionY;
    r |= SetPageStartTransform(pdev);
    if (r == 0) WriteFaxInformationBlock(pdev, entry);
  }

  // 6. The page ends.
  Trace(pdev, u"EndPage of Logical");
  flags &= ~(kPipelineLogicalPageOpen | kPipelineRefillPageRecord);
  if (r == 0) r |= RecordContentEnd(pdev);
  if (r == 0) r |= RecordSheetEnd(pdev);
  Trace(pdev, u"EndPage of Physical");

  // 7. The job's own record again.
  pdev->currentPage = saved;
  flags &= ~kPipelinePhysicalPageOpen;
  return r == 0 ? 0 : -1;
}

int EmitFaxCoverPage(PdevState* pdev, const BYTE* entry) {
  if (EmitFaxCoverPageSteps(pdev, entry) == 0) return 0;
  AbortJobPipeline(pdev);
  return -1;
}

int StartFaxJobCopy(PdevState* pdev) {
  if (!pdev || !pdev->jobOutput) return -1;
  PdevFax& f = pdev->faxState;
  FreeFaxJobCopy(pdev);
  auto* copy = static_cast<TempFile*>(GlobalAlloc(GPTR, sizeof(TempFile)));
  if (!copy) return -1;
  ResetTempFile(copy, 0, pdev->jobOutput->module);
  if (CreateTempFile(copy) != 0) {
    GlobalFree(copy);
    return -1;
  }
  f.jobCopy = copy;
  f.copyingJobBytes = 1;
  f.jobCopyFailed = 0;
  return 0;
}

void KeepFaxJobBytes(PdevState* pdev, uint32_t count, const void* bytes) {
  if (!pdev || !pdev->faxState.copyingJobBytes || count == 0) return;
  PdevFax& f = pdev->faxState;
  if (!f.jobCopy || f.jobCopyFailed || WriteTempFile(f.jobCopy, bytes, count) != int(count)) f.jobCopyFailed = 1;
}

int SendFaxJobCopy(PdevState* pdev) {
  PdevFax& f = pdev->faxState;
  if (!f.jobCopy || f.jobCopyFailed) return -1;
  const int size = GetTempFileSize(f.jobCopy);
  if (size < 0 || SeekTempFile(f.jobCopy, 0) != 0) return -1;
  BYTE piece[kCopyPieceBytes];
  for (uint32_t left = uint32_t(size); left > 0;) {
    const uint32_t n = left < kCopyPieceBytes ? left : kCopyPieceBytes;
    if (ReadTempFile(f.jobCopy, piece, n) != int(n)) return -1;
    if (WriteStream(pdev->jobOutput, n, piece) < 0) return -1;
    left -= n;
  }
  return SeekTempFileEnd(f.jobCopy) < 0 ? -1 : 0;
}

void FreeFaxJobCopy(PdevState* pdev) {
  if (!pdev) return;
  PdevFax& f = pdev->faxState;
  f.copyingJobBytes = 0;
  if (!f.jobCopy) return;
  DeleteTempFile(f.jobCopy);
  GlobalFree(f.jobCopy);
  f.jobCopy = nullptr;
}

int RunFaxRecipientJobs(PdevState* pdev) {
  if (!pdev || !pdev->jobOutput) return -1;
  PdevFax& f = pdev->faxState;
  // What follows (covers, later heads) is no longer job bytes to keep.
  f.copyingJobBytes = 0;
  auto* entry = static_cast<BYTE*>(GlobalAlloc(GPTR, kFaxEntryBytes));
  if (!entry) return -1;
  const int previous = pdev->imageStore ? SetStateCacheMode(pdev->imageStore, 0) : -1;
  // Only the recipients the fax block holds are sent; a larger count fails
  // the job after they went out.
  uint32_t recipients = f.recipientCount;
  int r = 0;
  if (f.coverSheet) {
    const uint32_t held = GetFaxBlockEntryCount(f.faxDataLink);
    if (held < recipients) {
      recipients = held;
      r = -1;
    }
  }
  const bool pjl = IsPjlOutput(pdev) != 0;
  for (uint32_t i = 0; i < recipients; ++i) {
    int rr = 0;
    if (i > 0) {
      // Without the pages kept, a later recipient would get a job with none.
      if (f.jobCopyFailed || !f.jobCopy) {
        r = -1;
        break;
      }
      rr |= OpenSpoolJobForPdev(pdev, pdev->pipeline.sinkPrinter, pdev->jobArea.documentName);
    }
    if (rr == 0 && f.coverSheet && CopyFaxEntry(f.faxDataLink, i, entry) != 1) rr = -1;
    if (rr == 0 && i > 0) rr |= WriteJobHeader(pdev);
    if (rr == 0 && f.coverSheet) rr |= EmitFaxCoverPageSteps(pdev, entry);
    if (rr == 0 && i > 0) rr |= SendFaxJobCopy(pdev);
    if (rr == 0) rr |= ReplaySpooledJob(pdev);
    if (rr == 0 && pjl) WritePjlEoj(pdev);
    if (pdev->jobOutput->printer && CloseJobOutputEither(pdev, rr == 0 ? 1 : 0) != 0) rr = -1;
    if (ReleaseJobUser(pdev) != 0) rr = -1;
    r |= rr;
  }
  if (previous >= 0) SetStateCacheMode(pdev->imageStore, uint32_t(previous));
  GlobalFree(entry);
  return r == 0 ? 0 : -1;
}

int IsInterfaceFaxTempFile(const WCHAR* path) {
  if (!path || !path[0]) return 0;
  return IsRegisteredFaxTempFile(path) || IsTempFolderFaxName(path) ? 1 : 0;
}

int DeleteFaxTempFile(PdevState* pdev) {
  if (!pdev) return -1;
  const auto* file = static_cast<const WCHAR*>(GetPdevSettingPointer(pdev, 375));
  if (!file || !file[0]) file = static_cast<const WCHAR*>(GetPdevSettingPointer(pdev, 374));
  if (!file || !file[0] || !IsInterfaceFaxTempFile(file)) return 0;
  return DeleteFileW(file) ? 0 : -1;
}
