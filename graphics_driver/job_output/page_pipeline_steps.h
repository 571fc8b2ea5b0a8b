// The page pipeline's steps that the band code runs: opening the logical page
// at a page's first band, and putting the job in error when a page step fails.
#pragma once

#include "graphics_driver/core/pdev_state.h"

// 0 when a logical page is open, nonzero when none could be started.
int EnsureLogicalPageStarted(PdevState* pdev);
// Marks the job in error and closes its output.
int AbortJobPipeline(PdevState* pdev);
