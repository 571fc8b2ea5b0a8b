// The page pipeline's state that the band steps run in: a logical page open
// in a started job, and whether a failed step put the job in error.
#pragma once

#include "graphics_driver/core/pdev_state.h"

namespace pk::test {
inline void OpenPipelinePage(PdevState* pdev) {
  pdev->pipeline.pipelineFlags =
      kPipelineDocumentOpen | kPipelineJobOutputStarted | kPipelinePhysicalPageOpen | kPipelineLogicalPageOpen;
}
inline bool JobInError(const PdevState* pdev) { return pdev->pipeline.pipelineFlags & kPipelineJobInError; }
}  // namespace pk::test
