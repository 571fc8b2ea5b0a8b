// The preview's outermost guard (see preview_guard.h).
#include "preview/preview_guard.h"

#include <cstdio>
#include <exception>
#include <new>

#include "preview/dravix_app.h"
#include "preview/preview_failure.h"
#include "raster/core/rst_status.h"

int RunPreviewGuarded(CDravixApp& app, const std::function<int()>& run) {
  PreviewFailureWatch watch;
  try {
    return run();
  } catch (const RstStatus& status) {
    std::fprintf(stderr, "Lindvar: erro %d: %s\n", int(status.code()), watch.last_where().c_str());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "Lindvar: memória insuficiente\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Lindvar: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "Lindvar: erro inesperado\n");
  }
  return app.GetStartPrinting();
}
