// The page spool's answers to the colour stage (see page_collect_state.h).
#include "graphics_driver/job_output/page_collect_state.h"

int IsPageRecorded(const PdevState* pdev) {
  if (!pdev) return 0;
  const uint32_t state = pdev->pipeline.spoolState;
  return (state & ~uint32_t(0x3E)) == kSpoolRecording ? 1 : 0;
}

int IsPageCollectIdle(const PdevState* pdev) { return IsPageRecorded(pdev) ? 0 : 1; }

int SetPageCollectMode2(PdevState* pdev) {
  if (!IsPageRecorded(pdev)) return -1;
  pdev->pipeline.spoolMode = 2;
  return 0;
}

int PageCollectNeedsFlush(const PdevState* pdev) {
  if (!pdev) return 0;
  constexpr uint32_t kOpen =
      kPipelineDocumentOpen | kPipelineJobOutputStarted | kPipelinePhysicalPageOpen | kPipelineLogicalPageOpen;
  const PdevPipeline& p = pdev->pipeline;
  return (p.pipelineFlags & kOpen) == kOpen && IsPageRecorded(pdev) && (p.spoolState & kSpoolKeep) == 0 &&
                 p.spoolMode != 0
             ? 1
             : 0;
}
