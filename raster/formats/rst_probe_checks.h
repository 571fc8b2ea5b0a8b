// What the probes of format detection share: the meaning of a private
// header's status for the caller (a file of another format is no error and is
// not reported; every other failure is), and the size test of a bilevel page.
#pragma once

#include <cstdint>
#include <climits>

#include "raster/core/rst_private_header.h"
#include "raster/core/rst_status_context.h"

// The header when its status is good or a warning (reported with `where`);
// otherwise the header is released, the failure reported unless it is -12,
// and null returned.
template <class H>
H* rst_probe_result(H* header, int32_t status, const char* where) {
  if (status == RstCode::good) return header;
  if (status > RstCode::good) {
    rst_report(status, where);
    return header;
  }
  rst_release(header);
  if (status != RstCode::not_this_format) rst_report(status, where);
  return nullptr;
}

// A bilevel page has a line and a pixel, and its longest run line
// ((width + 1) / 2 runs and the terminator, 8 bytes each) fits a buffer.
inline bool rst_bilevel_size_fits(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && (width + 1) / 2 * 8 + 8 <= INT32_MAX;
}
