// What the stand-in page pipeline was asked to do.
#pragma once

#include "graphics_driver/job_output/page_pipeline_steps.h"

namespace pk::test {
struct PipelineCalls {
  int pageStarts = 0;
  int aborts = 0;
  int pageStartResult = 0;
};
extern PipelineCalls g_pipelineCalls;
}  // namespace pk::test
