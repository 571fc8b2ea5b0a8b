// What the probes and readers of format detection share: the meaning of a
// private header's status for the caller (a file of another format is no
// error and is not reported; every other failure is), the size test of a
// bilevel page, and the painting of a reader's run lines into rows.
#pragma once

#include <cstdint>
#include <climits>

#include "raster/core/rst_owner.h"
#include "raster/core/rst_private_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"

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

// Rows painted from the run lines `make_runs()` gives. Without the painter's
// creator: -50 with `where`, before anything is made; a failed step has
// reported itself and gives null, the run lines ended.
template <class MakeRuns>
RstRead* rst_paint_run_lines(MakeRuns make_runs, const char* where) {
  RstRead* (*paint)(RstRead*) = rst_format_creators().decode_rle;
  if (!paint) {
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  RstOwner<RstRead> runs(make_runs());
  if (!runs) return nullptr;
  RstRead* rows = paint(runs.get());
  if (!rows) return nullptr;
  runs.release();  // held by the painter
  return rows;
}
