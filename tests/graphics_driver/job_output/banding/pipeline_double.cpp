// A recording stand-in for the page pipeline's two steps the band code runs.
#include "pipeline_double.h"

namespace pk::test {
PipelineCalls g_pipelineCalls;
}

int EnsureLogicalPageStarted(PdevState*) {
  ++pk::test::g_pipelineCalls.pageStarts;
  return pk::test::g_pipelineCalls.pageStartResult;
}

int AbortJobPipeline(PdevState*) {
  ++pk::test::g_pipelineCalls.aborts;
  return 0;
}
