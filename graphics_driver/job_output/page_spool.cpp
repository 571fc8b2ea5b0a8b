// The page spool (see page_spool.h).
#include "graphics_driver/job_output/page_spool.h"

#include <cstring>

#include "graphics_driver/core/image_store.h"
#include "graphics_driver/job_output/feature_level.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/page_collect_state.h"
#include "graphics_driver/job_output/page_color_set.h"
#include "graphics_driver/job_output/page_spool_stream.h"
#include "graphics_driver/job_output/page_trays.h"

namespace {

SheetHookObserver g_observer = nullptr;

int PlacementHook(uint32_t colourKind, const SheetStart* sheet) {
  if (g_observer) g_observer(0, colourKind, sheet);
  return 0;
}
int ContentEndHook() {
  if (g_observer) g_observer(1, 0, nullptr);
  return 0;
}
int SheetEndHook() {
  if (g_observer) g_observer(2, 0, nullptr);
  return 0;
}

bool OutputStarted(const PdevState* pdev) { return pdev && pdev->jobOutput && IsJobOutputStarted(pdev); }

bool Recording(const PdevState* pdev) { return IsPageRecorded(pdev) != 0; }

// Every bit of `bits` set in the spool state.
bool StateHas(const PdevState* pdev, uint32_t bits) { return (pdev->pipeline.spoolState & bits) == bits; }

PageTransform ToTransform(const PlacementMatrix& m) {
  PageTransform t;
  std::memcpy(&t, m.m, sizeof t);
  return t;
}

// The sheet's spool page at pageCount with the job's colour parameters,
// then its page header.
int BeginSheetPage(PdevState* pdev, uint32_t bits) {
  const JobSetup& job = pdev->jobSetup;
  const uint16_t page = pdev->pipeline.pageCount;
  int r = BeginSpoolPage(pdev, page, pdev->pipeline.spoolMode, bits, job.colorTracking, job.colorLimit,
                         job.colorCountsWhite);
  r |= WritePageHeader(pdev, &pdev->currentPage, pdev->currentPage.turned, page);
  return r;
}

int OpenSheetSpool(PdevState* pdev) {
  if (IsSpoolOpen(pdev)) return pdev->jobSetup.spoolWholeJob ? 0 : -1;
  return StartSpool(pdev, pdev->pipeline.pageCount, pdev->jobSetup.spoolWholeJob ? 80 : 1);
}

// Restores the image store's state cache mode on every way out of a replay.
struct CacheModeScope {
  ImageStore* store;
  int previous;
  explicit CacheModeScope(ImageStore* s) : store(s), previous(s ? SetStateCacheMode(s, 0) : -1) {}
  ~CacheModeScope() {
    if (store && previous >= 0) SetStateCacheMode(store, uint32_t(previous));
  }
};

int ReplaySpooledPage(PdevState* pdev, uint16_t page, uint32_t modeBits, uint32_t colourKind,
                      const PlacementMatrix& matrix) {
  JobOutputStream* s = pdev->jobOutput;
  if (!StreamSpoolHasData(s) || OpenSpoolReader(s, page) != 0) return -1;
  CacheModeScope cache(pdev->imageStore);
  BYTE raw[1024];
  for (;;) {
    const int n = ReadSpoolRawBytes(s, raw, sizeof raw);
    if (n < 0) return -1;
    if (n == 0) break;
    if (WriteBlockToJob(pdev, uint32_t(n), raw) != 0) return -1;
  }
  for (;;) {
    SpoolRecordHeader h{};
    const int got = ReadSpoolRecordHeader(s, &h);
    if (got == 0) return 0;
    if (got < 0) return -1;
    switch (h.kind) {
      case kRecordSheetStart: {
        SheetStart sheet{};
        if (h.length != kSheetStartBytes || ReadSpoolPayload(s, &sheet, sizeof sheet) != 0) return -1;
        if ((modeBits & kReplaySheetStart) && PlacementHook(colourKind, &sheet) != 0) return -1;
        break;
      }
      case kRecordContentEnd:
        if (h.length != 0) return -1;
        if ((modeBits & kReplayContentEnd) && ContentEndHook() != 0) return -1;
        break;
      case kRecordSheetEnd:
        if (h.length != 0) return -1;
        if ((modeBits & kReplaySheetEnd) && SheetEndHook() != 0) return -1;
        break;
      case kRecordPageTransform: {
        PlacementMatrix recorded{};
        if (h.length != kTransformBytes || ReadSpoolPayload(s, recorded.m, sizeof recorded.m) != 0) return -1;
        if (modeBits & kReplayTransform) {
          const PageTransform t = ToTransform(CombineTransform(recorded, matrix));
          if (SetPageTransform(pdev->imageStore, &t) != 0) return -1;
        }
        break;
      }
      default: return -1;
    }
  }
}

}  // namespace

void SetSheetHookObserver(SheetHookObserver observer) { g_observer = observer; }

int IsSpoolOpen(const PdevState* pdev) { return pdev && (pdev->pipeline.spoolState & kSpoolOpen) ? 1 : 0; }

int StartSpool(PdevState* pdev, uint16_t firstPage, uint16_t growth) {
  if (!OutputStarted(pdev) || pdev->pipeline.spoolState != 0) return -1;
  if (OpenStreamSpool(pdev->jobOutput, firstPage, growth) != 0) return -1;
  pdev->pipeline.spoolState = kSpoolOpen;
  pdev->pipeline.firstSpooledPage = firstPage;
  pdev->pipeline.spooledPageCount = 0;
  return 0;
}

int StartJobSpool(PdevState* pdev) {
  if (!pdev || !pdev->jobSetup.spoolWholeJob || Recording(pdev)) return -1;
  return StartSpool(pdev, pdev->pipeline.pageCount, 80);
}

int BeginSpoolPage(PdevState* pdev, uint16_t page, uint32_t mode, uint32_t bits, uint32_t colorTracking,
                   int16_t colorLimit, uint32_t colorCountsWhite) {
  if (!pdev || !pdev->jobOutput || pdev->pipeline.spoolState != kSpoolOpen) return -1;
  if (bits == 0 || (bits & ~kSpoolPageBits) != 0) return -1;
  PdevPipeline& p = pdev->pipeline;
  p.spoolState = bits | kSpoolRecording;
  int r = 0;
  if (mode <= 2) p.spoolMode = mode;
  else r = -1;
  if (colorLimit < 0 || InitPageColorSet(&p.pageColorSet, colorTracking, uint16_t(colorLimit), colorCountsWhite) != 0)
    return -1;
  if (BeginStreamPage(pdev->jobOutput, page) != 0) return -1;
  return r;
}

int WritePageHeader(PdevState* pdev, const PageLayoutRecord* record, uint32_t turned, uint16_t page) {
  if (!pdev || !pdev->jobOutput || !record) return -1;
  SpooledPageRecord entry{};
  if (GetSpooledPage(pdev->jobOutput, page, &entry) != 0) return -1;
  std::memcpy(entry.logical, &record->logical, sizeof entry.logical);
  entry.turned = turned;
  return PutSpooledPage(pdev->jobOutput, page, &entry);
}

int EndSpoolPage(PdevState* pdev, uint16_t page) {
  if (!pdev || !Recording(pdev)) return 0;
  PdevPipeline& p = pdev->pipeline;
  SpooledPageRecord entry{};
  if (GetSpooledPage(pdev->jobOutput, page, &entry) != 0) return -1;
  entry.colours = p.pageColorSet;
  entry.spoolMode = p.spoolMode;
  if (PutSpooledPage(pdev->jobOutput, page, &entry) != 0) return -1;
  if (EndStreamPage(pdev->jobOutput, page) != 0) return -1;
  const uint32_t old = p.spoolState;
  p.spoolState = kSpoolOpen;
  ++p.spooledPageCount;
  return old >= 0x8000 && old <= 0x803F ? 0 : -1;
}

int CloseSpool(PdevState* pdev) {
  if (!pdev || !IsSpoolOpen(pdev)) return 0;
  if (pdev->pipeline.spoolState != kSpoolOpen) return -1;
  const int r = pdev->jobOutput ? CloseStreamSpool(pdev->jobOutput) : -1;
  pdev->pipeline.firstSpooledPage = pdev->pipeline.spooledPageCount = 0;
  pdev->pipeline.spoolState = 0;
  return r;
}

int BeginPlainSheet(PdevState* pdev) {
  if (!pdev || Recording(pdev)) return -1;
  if (OpenSheetSpool(pdev) != 0) return -1;
  return BeginSheetPage(pdev, pdev->jobSetup.spoolWholeJob ? 0x06 : 0x04);
}

int BeginPosterSheet(PdevState* pdev) {
  const JobSetup& job = pdev->jobSetup;
  if (!job.posterMode || job.bookletMode || job.pagesPerSheet != 1 || Recording(pdev)) return -1;
  if (OpenSheetSpool(pdev) != 0) return -1;
  return BeginSheetPage(pdev, 0x26);
}

int BeginBookletSheet(PdevState* pdev) {
  const JobSetup& job = pdev->jobSetup;
  const PdevPipeline& p = pdev->pipeline;
  if (!job.bookletMode || job.posterMode || job.pagesPerSheet != 1 ||
      uint16_t(p.firstSpooledPage + p.spooledPageCount) != p.pageCount)
    return -1;
  return BeginSheetPage(pdev, 0x3E);
}

int BeginKeptSheet(PdevState* pdev) {
  const JobSetup& job = pdev->jobSetup;
  if (job.bookletMode || job.posterMode) return -1;
  if (!IsSpoolOpen(pdev) && StartJobSpool(pdev) != 0) return -1;
  const PdevPipeline& p = pdev->pipeline;
  if (uint16_t(p.firstSpooledPage + p.spooledPageCount) != p.pageCount) return -1;
  return BeginSheetPage(pdev, kSpoolBitKeep);
}

int RecordSheetStart(PdevState* pdev, uint8_t placementKind, uint8_t trayCode, char paperLetter, float widthMm,
                     float heightMm) {
  if (!OutputStarted(pdev)) return -1;
  const SheetStart sheet{placementKind, trayCode, paperLetter, 0, widthMm, heightMm};
  if (StateHas(pdev, 0x8005)) return WriteSpoolRecord(pdev->jobOutput, kRecordSheetStart, &sheet, sizeof sheet);
  return PlacementHook(0, &sheet);
}

int RecordContentEnd(PdevState* pdev) {
  if (!OutputStarted(pdev)) return -1;
  if (StateHas(pdev, 0x8009)) return WriteSpoolRecord(pdev->jobOutput, kRecordContentEnd, nullptr, 0);
  return ContentEndHook();
}

int RecordSheetEnd(PdevState* pdev) {
  if (!OutputStarted(pdev)) return -1;
  if (StateHas(pdev, 0x8011)) return WriteSpoolRecord(pdev->jobOutput, kRecordSheetEnd, nullptr, 0);
  return SheetEndHook();
}

int RecordPageTransform(PdevState* pdev, const PlacementMatrix& matrix) {
  if (!OutputStarted(pdev)) return -1;
  const uint32_t open = kPipelineDocumentOpen | kPipelineJobOutputStarted | kPipelinePhysicalPageOpen;
  if ((pdev->pipeline.pipelineFlags & open) != open) return 0;
  const PageTransform t = ToTransform(matrix);
  if (StateHas(pdev, 0x8021)) {
    if (WriteSpoolRecord(pdev->jobOutput, kRecordPageTransform, matrix.m, sizeof matrix.m) != 0) return -1;
    // The store keeps the transform without handing it on: the replay sets it.
    return pdev->imageStore ? UpdatePageTransform(pdev->imageStore, &t) : 0;
  }
  return SetPageTransform(pdev->imageStore, &t);
}

int SetPageStartTransform(PdevState* pdev) {
  if (!pdev) return -1;
  PlacementMatrix m{};
  // With the transforms spooled the placement is applied at replay.
  if (pdev->pipeline.spoolState & kSpoolBitTransform) SetIdentity(&m);
  else if (CurrentCellMatrix(pdev, &m) != 0) return -1;
  return RecordPageTransform(pdev, m);
}

namespace {

int SheetStartFor(PdevState* pdev, uint8_t placementKind, int16_t tray) {
  char letter = 0;
  float width = 0, height = 0;
  if (GetPaperAnnouncement(pdev, &pdev->currentPage.sheet, &letter, &width, &height) != 0) return -1;
  // A tray without a device code is announced as tray 0xFF.
  const int code = GetTrayDeviceCode(pdev, tray);
  return RecordSheetStart(pdev, placementKind, code < 0 ? 0xFF : uint8_t(code), letter, width, height);
}

}  // namespace

int AnnounceSheetStart(PdevState* pdev) {
  if (!OutputStarted(pdev)) return -1;
  const uint32_t pageMode = pdev->jobSetup.pageMode;
  uint8_t kind;
  if (pageMode == 2) kind = 2;
  else if (pageMode == 1) kind = 1;
  else if (pageMode != 0) kind = 3;
  else if (pdev->pipeline.spoolMode <= 1) kind = 1;
  else if (pdev->pipeline.spoolMode == 2) kind = 2;
  else return -1;
  return SheetStartFor(pdev, kind, pdev->currentPage.currentTray);
}

int EmitWhiteFace(PdevState* pdev, int16_t tray) {
  if (!OutputStarted(pdev)) return 0;
  int r = SheetStartFor(pdev, pdev->jobSetup.pageMode != 0 ? 3 : 1, tray);
  PlacementMatrix identity{};
  SetIdentity(&identity);
  const uint32_t hadPhysical = pdev->pipeline.pipelineFlags & kPipelinePhysicalPageOpen;
  pdev->pipeline.pipelineFlags |= kPipelinePhysicalPageOpen;
  r |= RecordPageTransform(pdev, identity);
  pdev->pipeline.pipelineFlags &= ~kPipelinePhysicalPageOpen;
  pdev->pipeline.pipelineFlags |= hadPhysical;
  if (!HasFeatureLevel(pdev, 0x01020000)) r |= RecordContentEnd(pdev);
  r |= RecordSheetEnd(pdev);
  return r;
}

int GetSheetColorKind(PdevState* pdev, int32_t page, int32_t other, uint32_t pageMode, uint32_t* kind) {
  if (!pdev || !kind) return -1;
  SpooledPageRecord first{}, second{};
  const bool hasFirst = page >= 0, hasOther = other >= 0;
  if (hasFirst && GetSpooledPage(pdev->jobOutput, uint16_t(page), &first) != 0) return -1;
  if (hasOther && GetSpooledPage(pdev->jobOutput, uint16_t(other), &second) != 0) return -1;
  PageColorSet set{};
  uint32_t mode = 0;
  if (hasFirst && hasOther) {
    set = first.colours;
    if (MergePageColorSet(&set, &second.colours) != 0) return -1;
    mode = first.spoolMode == 2 || second.spoolMode == 2 ? 2 : 1;
  } else if (hasFirst || hasOther) {
    const SpooledPageRecord& only = hasFirst ? first : second;
    set = only.colours;
    mode = only.spoolMode;
  } else {
    *kind = pageMode != 0 ? 3 : 1;
    return 0;
  }
  if (pageMode != 0) *kind = 3;
  else if (mode <= 1) *kind = 1;
  else if (mode == 2) *kind = set.on ? 2 + 16 * uint32_t(set.count) : 2;
  else return -1;
  return 0;
}

int ReplayPage(PdevState* pdev, int32_t page, uint32_t modeBits, const PlacementMatrix* matrix, int32_t other,
               uint32_t pageMode) {
  if (!OutputStarted(pdev)) return -1;
  if (!IsSpoolOpen(pdev)) return 0;
  if (page >= 0 && page == other) return -1;
  if (page < 0) return other < 0 ? 0 : -1;
  uint32_t kind = 0;
  if (GetSheetColorKind(pdev, page, other, pageMode, &kind) != 0) return -1;
  PlacementMatrix placement{};
  if (matrix) placement = *matrix;
  else SetIdentity(&placement);
  return ReplaySpooledPage(pdev, uint16_t(page), modeBits, kind, placement);
}

int FlushSpooledSheet(PdevState* pdev) {
  if (!pdev || pdev->pipeline.spooledPageCount != 0) return -1;
  const uint16_t page = pdev->pipeline.firstSpooledPage;
  int r = EndSpoolPage(pdev, page);
  r |= ReplayPage(pdev, page, kReplaySheetStart, nullptr, kNoPage, 0);
  r |= CloseSpool(pdev);
  return r;
}

int FlushSheetEarly(PdevState* pdev) {
  if (!pdev) return -1;
  if (PageCollectNeedsFlush(pdev) && pdev->pipeline.pageColorSet.on == 0) return FlushSpooledSheet(pdev);
  return 0;
}
