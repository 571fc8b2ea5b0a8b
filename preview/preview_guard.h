// The guard around the preview's run: whatever escapes it (a raster library
// report, an allocation failure, anything else) is printed to standard error
// and the program ends with the start-printing flag, so a fault never reads
// as "print" to the driver that waits for the exit code.
#pragma once

#include <functional>

class CDravixApp;

// run's result, or after an escaped exception app's start-printing flag.
int RunPreviewGuarded(CDravixApp& app, const std::function<int()>& run);
