// The page pipeline (see page_pipeline.h).
#include "graphics_driver/job_output/page_pipeline.h"

#include "graphics_driver/core/font_alias_table.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/banding/band_steps.h"
#include "graphics_driver/job_output/fax_cover_blocks.h"
#include "graphics_driver/job_output/fax_jobs.h"
#include "graphics_driver/job_output/feature_level.h"
#include "graphics_driver/job_output/imposition.h"
#include "graphics_driver/job_output/job_output_objects.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/page_collect_state.h"
#include "graphics_driver/job_output/page_records.h"
#include "graphics_driver/job_output/page_spool.h"
#include "graphics_driver/job_output/page_spool_stream.h"
#include "graphics_driver/job_output/page_trays.h"
#include "graphics_driver/job_output/pipeline_trace.h"
#include "graphics_driver/job_output/pjl_job_stream.h"
#include "graphics_driver/job_output/save_file_name.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/win/win_memory.h"

namespace {

constexpr uint32_t kOpenFlags = kPipelineDocumentOpen | kPipelineJobOutputStarted;

uint32_t& Flags(PdevState* pdev) { return pdev->pipeline.pipelineFlags; }
bool InError(const PdevState* pdev) { return pdev->pipeline.pipelineFlags & kPipelineJobInError; }
bool DocumentOpen(const PdevState* pdev) { return pdev->pipeline.pipelineFlags & kPipelineDocumentOpen; }

void Trace(PdevState* pdev, const WCHAR* text) { LogPipelineEvent(pdev, text, kTraceElapsed); }

// A step failed: the job goes in error (once).
int Fail(PdevState* pdev) {
  AbortJobPipeline(pdev);
  return -1;
}

// The counters that start again with every job output.
void ClearPageCounters(PdevPipeline& p) {
  p.sheetCount = p.pageCount = p.logicalPageCount = 0;
  p.cellIndex = p.faceIndex = 0;
  p.firstSpooledPage = p.spooledPageCount = 0;
  p.stampBracket = p.labelBracket = 0;
  p.feedRotation = 0;
}

// A face is finished: the next one starts a new cell, and after the last
// face of a sheet a new sheet.
void AdvanceFace(PdevState* pdev) {
  PdevPipeline& p = pdev->pipeline;
  ++p.faceIndex;
  ++p.pageCount;
  p.cellIndex = 0;
  if (p.faceIndex >= pdev->jobSetup.sidesPerSheet) {
    ++p.sheetCount;
    p.faceIndex = 0;
  }
}

int ReadOutputJobSetup(PdevState* pdev) {
  int r = ApplyLayoutOverride(&pdev->devmode, pdev->printerSettings, &pdev->pipeline.layoutOverride);
  r |= ReadJobSetup(pdev);
  if (r != 0) return -1;
  PageLayoutRecord& page = pdev->currentPage;
  r |= FillLogicalBlock(pdev, &page);
  r |= FillSheetBlock(pdev, &page.sheet);
  const int tray = SelectPageTray(pdev);
  page.currentTray = int16_t(tray < 0 ? kAutomaticTray : tray);
  r |= ReadPageLayoutFields(&page, &pdev->jobSetup, pdev);
  ClearPageCounters(pdev->pipeline);
  return r;
}

// The stored job's end. Its own file has been open beside the spooler since
// the job head (a replay gives no job bytes, so a file opened only now would
// keep no page): the end of job goes to both, then the file is closed.
int WriteStoredJobFile(PdevState* pdev) {
  PdevPipeline& p = pdev->pipeline;
  int r = EndSpoolPage(pdev, p.pageCount);
  r |= ReplayPage(pdev, p.firstSpooledPage, kReplaySheetStart, nullptr, kNoPage, pdev->jobSetup.pageMode);
  if (IsPjlOutput(pdev)) WritePjlEoj(pdev);
  if (HasCopyFile(pdev->jobOutput)) r |= EndCopyFile(pdev->jobOutput);
  return r;
}

// The cover of a fax sent as one job: the block's first entry, or an empty
// one when the job has no fax block.
int EmitFirstFaxCover(PdevState* pdev) {
  auto* entry = static_cast<BYTE*>(GlobalAlloc(GPTR, kFaxEntryBytes));
  if (!entry) return -1;
  CopyFaxEntry(pdev->faxState.faxDataLink, 0, entry);
  const int r = EmitFaxCoverPage(pdev, entry);
  GlobalFree(entry);
  return r;
}

bool FaxPagesOff(const PdevState* pdev) { return pdev->faxState.faxJob && pdev->faxState.faxPagesOff; }

// Closes the output sink: the flush result when a sink is open.
int CloseSink(PdevState* pdev, int success) {
  if (!pdev->jobOutput || !pdev->jobOutput->printer) return 0;
  return CloseJobOutputEither(pdev, success);
}

}  // namespace

int BeginJobPipeline(PdevState* pdev, HANDLE printer) {
  if (!pdev) return -1;
  pdev->jobSetup = JobSetup{};
  int r = ClearJobSetupArea(&pdev->jobArea);
  r |= ClearPageRecordArea(&pdev->currentPage);
  r |= ReadJobSetup(pdev);
  PdevPipeline& p = pdev->pipeline;
  p.pipelineFlags = 0;
  p.spoolState = 0;
  ClearPageCounters(p);
  p.sinkPrinter = printer;
  SelectJapaneseFontAliasTable(HasModelCapability(pdev, 0x800) || !HasModelCapability(pdev, 0x1000) ? 1 : 0);
  if (pdev->faxState.faxJob) pdev->faxState.faxDataLink = nullptr;
  if (pdev->jobOutput) DestroyPdevOutputStream(pdev);
  if (CreatePdevOutputStream(pdev) != 0) return -1;
  if (InitTiffJobRecord(pdev, &pdev->jobOutput->tiffJob) != 1) r = -1;
  return r;
}

int ResetPageState(PdevState* pdev, int force) {
  ImageStore* store = pdev->imageStore;
  if (!store) return -1;
  const JobSetup& job = pdev->jobSetup;
  if (force || job.resetStatePerSheet) {
    ClearPendingState(store);
    SetStoreModes(store, 1, job.posterMode || job.bookletMode || job.reverseOrder ? 1 : 0);
  }
  return ResetImageStore(store);
}

int StartJobOutput(PdevState* pdev) {
  if (!pdev || InError(pdev) || !DocumentOpen(pdev) || IsPageRecorded(pdev)) return -1;
  Flags(pdev) |= kPipelineJobOutputStarted;
  int r = ReadOutputJobSetup(pdev);
  if (r == 0) r |= ResetPageState(pdev, 1);
  if (r == 0) {
    PdevFax& fax = pdev->faxState;
    const bool recipients = fax.faxJob && fax.multiRecipient && !pdev->jobSetup.storedJob;
    if (pdev->jobSetup.storedJob) {
      pdev->jobSetup.spoolWholeJob = 1;
      // The stored job's own file takes every job byte from the head on.
      if (OpenJobCopyFile(pdev) != 0) r = -1;
    } else if (IsSaveToFileMode(pdev) && BuildSaveFileName(pdev) != 1) {
      r = -1;
    }
    // A stored job starts its spooler stream with the head like any job. So
    // does a fax to several recipients, whose job bytes after the head are
    // kept for the later recipients' jobs.
    if (r == 0) r |= WriteJobHeader(pdev);
    if (r == 0 && recipients) {
      r |= FillSheetBlock(pdev, &fax.faxPageBlock);
      pdev->jobSetup.spoolWholeJob = 1;
      if (r == 0) r |= StartFaxJobCopy(pdev);
    } else if (r == 0 && fax.faxJob && fax.coverSheet && !pdev->jobSetup.storedJob) {
      r |= EmitFirstFaxCover(pdev);
      if (InError(pdev)) return -1;
      if (r == 0 && fax.faxPagesOff) ++pdev->pipeline.logicalPageCount;
    }
  }
  return r == 0 ? 0 : Fail(pdev);
}

int StartPhysicalPage(PdevState* pdev) {
  if (Flags(pdev) & (kPipelinePhysicalPageOpen | kPipelineLogicalPageOpen)) return -1;
  Flags(pdev) |= kPipelinePhysicalPageOpen;
  PdevPipeline& p = pdev->pipeline;
  const JobSetup& job = pdev->jobSetup;
  p.spoolMode = p.layoutOverride.collectControl ? uint32_t(p.layoutOverride.collectMode) : job.pageMode;
  int r = ResetPageState(pdev, 0);
  if (p.cellIndex == 0) {
    const int changed = CheckTrayAndPaperChange(pdev);
    if (changed < 0) r = -1;
    else if (changed == 1) r |= SkipBackFace(pdev, NeedsBlankBackFace(pdev, 0));
  }
  if (r != 0) return -1;
  if (job.posterMode) {
    r |= BeginPosterSheet(pdev);
  } else if (job.bookletMode) {
    if (!IsSpoolOpen(pdev)) {
      if (job.pagesPerSheet != 1 || StartSpool(pdev, p.pageCount, 80) != 0) return -1;
      pdev->jobSetup.bookletOuterFirst = HasModelCapability(pdev, 0x400) ? 0 : 1;
    }
    r |= BeginBookletSheet(pdev);
  } else if (job.pageMode == 0) {
    r |= BeginPlainSheet(pdev);
  } else if (job.spoolWholeJob) {
    r |= BeginKeptSheet(pdev);
  }
  if (r != 0) return -1;
  return AnnounceSheetStart(pdev);
}

int StartLogicalPage(PdevState* pdev) {
  if (!pdev || InError(pdev) || !DocumentOpen(pdev) || (Flags(pdev) & kPipelineLogicalPageOpen)) return -1;
  if (!(Flags(pdev) & kPipelineJobOutputStarted)) {
    StartJobOutput(pdev);
    if (InError(pdev)) return -1;
  }
  // A fax whose pages are not sent opens no page.
  if (FaxPagesOff(pdev)) return 0;
  int r = 0;
  if (Flags(pdev) & kPipelineRefillPageRecord) {
    r |= FillLogicalBlock(pdev, &pdev->currentPage);
    if (pdev->pipeline.paperIsCustom && pdev->jobSetup.samePaperOut)
      r |= FillSheetBlock(pdev, &pdev->currentPage.sheet);
  }
  if (r == 0 && !(Flags(pdev) & kPipelinePhysicalPageOpen)) r |= StartPhysicalPage(pdev);
  if (r == 0) {
    Flags(pdev) |= kPipelineLogicalPageOpen;
    Trace(pdev, u"StartPage");
    r |= SetPageStartTransform(pdev);
    ComputeFeedRotation(pdev);
  }
  return r == 0 ? 0 : Fail(pdev);
}

int EnsureLogicalPageStarted(PdevState* pdev) {
  if (!pdev) return -1;
  // The stamp is drawn on the page already open.
  if (IsStampDrawingOn(pdev)) return 0;
  if (Flags(pdev) & kPipelineLogicalPageOpen) {
    if (FlushSheetEarly(pdev) != 0) return Fail(pdev);
    return 0;
  }
  return StartLogicalPage(pdev);
}

int EndLogicalPage(PdevState* pdev) {
  if (!(Flags(pdev) & kPipelineLogicalPageOpen) && EnsureLogicalPageStarted(pdev) != 0) return -1;
  if (!(Flags(pdev) & kPipelineLogicalPageOpen)) return -1;
  Trace(pdev, u"EndPage of Logical");
  Flags(pdev) &= ~(kPipelineLogicalPageOpen | kPipelineRefillPageRecord);
  PdevPipeline& p = pdev->pipeline;
  ++p.cellIndex;
  ++p.logicalPageCount;
  if (p.cellIndex >= pdev->jobSetup.pagesPerSheet) return EndPhysicalPage(pdev);
  return 0;
}

int EndPhysicalPage(PdevState* pdev) {
  if (Flags(pdev) & kPipelineLogicalPageOpen) return -1;
  const JobSetup& job = pdev->jobSetup;
  PdevPipeline& p = pdev->pipeline;
  int r = 0;
  if (job.posterMode && job.posterMarks) r |= AddPosterMarks(pdev);
  if (!job.storedJob) r |= RecordContentEnd(pdev);
  r |= RecordSheetEnd(pdev);
  Trace(pdev, u"EndPage of Physical");
  if (IsPageRecorded(pdev)) {
    if (job.spoolWholeJob) {
      r |= EndSpoolPage(pdev, p.pageCount);
    } else if (job.bookletMode) {
      r |= EndBookletSheet(pdev);
    } else if (job.posterMode) {
      r |= EndSpoolPage(pdev, p.pageCount);
      r |= ReplayPosterTiles(pdev, p.pageCount);
      r |= CloseSpool(pdev);
    } else {
      r |= FlushSpooledSheet(pdev);
    }
  }
  AdvanceFace(pdev);
  Flags(pdev) &= ~kPipelinePhysicalPageOpen;
  return r == 0 ? 0 : -1;
}

int SendPageStep(PdevState* pdev) {
  if (!pdev || InError(pdev)) return -1;
  // A fax whose pages are not sent only starts its output, once: a second
  // start would write a second head into the job.
  if (FaxPagesOff(pdev)) {
    if (pdev->pipeline.logicalPageCount == 0 && !(Flags(pdev) & kPipelineJobOutputStarted)) StartJobOutput(pdev);
    return 0;
  }
  return EndLogicalPage(pdev) == 0 ? 0 : Fail(pdev);
}

int NeedsBlankBackFace(PdevState* pdev, int kind) {
  const JobSetup& job = pdev->jobSetup;
  if (job.sidesPerSheet != 2 || pdev->pipeline.faceIndex != 1 || job.bookletMode) return 0;
  if (IsDuplexAllowed(pdev, &pdev->currentPage.sheet, pdev->currentPage.currentTray) != 1) return 0;
  return job.reverseOrder || (kind == 1 && job.collateCopies && job.featureLevel < 0x01010903) ? 1 : 0;
}

int SkipBackFace(PdevState* pdev, int force) {
  PdevPipeline& p = pdev->pipeline;
  if (p.faceIndex == 0) return 0;
  const JobSetup& job = pdev->jobSetup;
  int r = 0;
  if (job.spoolWholeJob) {
    if (!IsSpoolOpen(pdev)) return -1;
    r |= BeginSpoolPage(pdev, p.pageCount, p.spoolMode, kSpoolBitKeep, job.colorTracking, job.colorLimit,
                        job.colorCountsWhite);
  }
  if (job.reverseOrder || force) r |= EmitWhiteFace(pdev, pdev->currentPage.currentTray);
  Trace(pdev, u"skip backface of duplex");
  if (job.spoolWholeJob) r |= EndSpoolPage(pdev, p.pageCount);
  AdvanceFace(pdev);
  return r == 0 ? 0 : -1;
}

int ReplaySpooledJob(PdevState* pdev) {
  if (!IsSpoolOpen(pdev)) return -1;
  const JobSetup& job = pdev->jobSetup;
  const PdevPipeline& p = pdev->pipeline;
  const int copies = job.collateCopies ? job.copies : 1;
  const int previous = pdev->imageStore ? SetStateCacheMode(pdev->imageStore, 0) : -1;
  int r = 0;
  for (int copy = 0; copy < copies && r == 0; ++copy) {
    if (job.bookletMode) {
      r |= ReplayBooklet(pdev);
      continue;
    }
    for (uint32_t i = 0; i < p.spooledPageCount && r == 0; ++i) {
      const uint32_t step = job.reverseOrder ? p.spooledPageCount - 1 - i : i;
      const uint16_t page = uint16_t(p.firstSpooledPage + step);
      if (job.posterMode) r |= ReplayPosterTiles(pdev, page);
      else r |= ReplayPage(pdev, page, kReplaySheetStart, nullptr, kNoPage, job.pageMode);
    }
  }
  if (previous >= 0) SetStateCacheMode(pdev->imageStore, uint32_t(previous));
  return r;
}

int FinishJob(PdevState* pdev) {
  if (!pdev || InError(pdev) || !DocumentOpen(pdev)) return -1;
  int r = 0;
  if (Flags(pdev) & kPipelineLogicalPageOpen) {
    Trace(pdev, u"EndJob without EndPage");
    r |= EndLogicalPage(pdev);
    if (Flags(pdev) & kPipelineLogicalPageOpen) r = -1;
  }
  if (Flags(pdev) & kPipelinePhysicalPageOpen) {
    r |= EndPhysicalPage(pdev);
    Trace(pdev, u"EndJob with left Nup");
    if (Flags(pdev) & kPipelinePhysicalPageOpen) r = -1;
  }
  if (NeedsBlankBackFace(pdev, 1)) r |= SkipBackFace(pdev, 1);
  const JobSetup& job = pdev->jobSetup;
  if (pdev->pipeline.logicalPageCount > 0) {
    if (IsSpoolOpen(pdev)) {
      if (job.storedJob) {
        r |= WriteStoredJobFile(pdev);
      } else if (pdev->faxState.faxJob && pdev->faxState.multiRecipient) {
        r |= RunFaxRecipientJobs(pdev);
      } else if (job.spoolWholeJob) {
        r |= ReplaySpooledJob(pdev);
        if (IsPjlOutput(pdev)) WritePjlEoj(pdev);
      } else if (job.bookletMode) {
        r |= ReplayBooklet(pdev);
        if (IsPjlOutput(pdev)) WritePjlEoj(pdev);
      } else {
        r = -1;
      }
      if (IsPageRecorded(pdev)) EndSpoolPage(pdev, pdev->pipeline.pageCount);
      r |= CloseSpool(pdev);
    } else if (IsPjlOutput(pdev)) {
      WritePjlEoj(pdev);
    }
    if (pdev->faxState.faxJob) r |= DeleteFaxTempFile(pdev);
    r |= CloseSink(pdev, r == 0 ? 1 : 0);
    if (r == 0) ReleaseJobUser(pdev);
  } else {
    r |= CloseSink(pdev, 1);
  }
  r |= FreePageOutputObjects(pdev);
  RestoreLayoutSettings(&pdev->devmode, pdev->printerSettings, &pdev->pipeline.layoutOverride);
  Flags(pdev) &= ~kOpenFlags;
  return r == 0 ? 0 : -1;
}

int AbortJobPipeline(PdevState* pdev) {
  if (!pdev || InError(pdev) || !DocumentOpen(pdev)) return -1;
  Flags(pdev) |= kPipelineJobInError;
  CloseJobOutput(pdev, 0);
  FreePageOutputObjects(pdev);
  CleanUpTiffOutput(pdev);
  Flags(pdev) &= ~kOpenFlags;
  return 0;
}

int EndJobPipeline(PdevState* pdev) {
  if (!pdev) return -1;
  PdevPipeline& p = pdev->pipeline;
  // An open spool is closed here, so that its file goes with the job.
  if (IsSpoolOpen(pdev) && pdev->jobOutput) {
    CloseStreamSpool(pdev->jobOutput);
    p.firstSpooledPage = p.spooledPageCount = 0;
  }
  p.sinkPrinter = nullptr;
  p.pipelineFlags = 0;
  p.spoolState = 0;
  CleanUpTiffOutput(pdev);
  DestroyPdevOutputStream(pdev);
  FreePageOutputObjects(pdev);
  return 0;
}

int SetupLayoutOverride(PdevState* pdev) {
  if (!pdev) return -1;
  const DWORD field5 = ReadModelHeaderValue(pdev->primaryModelFile, 5, 1, 0);
  if (field5 == 255) return -1;
  const uint32_t level = GetPdevSettingLong(pdev, 1028) != 0 ? GetFeatureLevel(pdev) : 0x01010501;
  return InitLayoutOverride(&pdev->pipeline.layoutOverride, level, GetPdevSettingLong(pdev, 775) != 0 ? 1 : 0,
                            field5 == 2 ? 1 : 0);
}

int SetMarkBracketState(PdevState* pdev, int on, int label) {
  if (!pdev) return -1;
  const uint32_t open = kOpenFlags | kPipelinePhysicalPageOpen;
  if ((Flags(pdev) & open) != open) return -1;
  PdevPipeline& p = pdev->pipeline;
  int r = 0;
  if (on) {
    if (p.stampBracket == 0) p.stampBracket = 1;
    if (!pdev->jobSetup.stampPerSheet && !pdev->jobSetup.stampPerPage) r = -1;
  } else {
    p.stampBracket = 0;
  }
  p.labelBracket = label ? 1 : 0;
  return r;
}
