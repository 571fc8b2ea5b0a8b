// Defaults of a reading node: skip through read(), and the line size of the
// node's own header.
#include "raster/core/rst_read.h"

#include <climits>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

RstRead::~RstRead() { rst_free(scratch_); }

int RstRead::skip(int n) {
  if (n <= 0) return 0;
  if (!scratch_) {
    int size = line_size();
    scratch_ = static_cast<uint8_t*>(rst_malloc(size_t(size > 0 ? size : 1)));
    if (!scratch_) {
      rst_report(RstCode::no_memory, "RstRead::skip()");
      return 0;
    }
  }
  int count = 0;
  while (count < n && read(scratch_) != 0) ++count;
  return count;
}

int RstRead::line_size() {
  RstHeader h(this);
  if (h.data_form != RstDataForm::raw) return 1024;
  int64_t bits = int64_t(h.width) * h.samples_per_pixel * h.bits_per_sample;
  int64_t bytes = (bits + 7) >> 3;
  // A header whose line cannot be sized describes no line that can be read.
  return bytes >= 0 && bytes <= INT_MAX ? int(bytes) : 0;
}
