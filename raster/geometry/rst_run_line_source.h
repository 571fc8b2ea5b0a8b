// The check shared by the nodes that take bilevel run lines.
#pragma once

#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status_context.h"

// No source: -2; not 1 bit, 1 sample, run lines of a width of 0 or more: -3;
// both reported at where. True for a usable source.
inline bool rst_check_run_line_source(RstRead* source, const char* where) {
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 1 || h.samples_per_pixel != 1 || h.data_form != RstDataForm::rle || h.width < 0) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  return true;
}
