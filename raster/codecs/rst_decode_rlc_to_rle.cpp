// EDMICS run lists to run lines. The counts and columns come from the file,
// so every run is clipped and ordered before it enters the caller's line.
#include "raster/codecs/rst_decode_rlc_to_rle.h"

#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

RstDecodeRLCToRLE* RstDecodeRLCToRLE::create(RstRead* source) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, "RstDecodeRLCToRLE::create");
    return nullptr;
  }
  RstHeader h(source);
  if (h.data_form != RstDataForm::rlc || h.width < 0 || h.height < 0) {
    rst_report(RstCode::unsupported_form, "RstDecodeRLCToRLE::create");
    return nullptr;
  }
  return rst_create_end(rst_new<RstDecodeRLCToRLE>(source, h.width, h.height), guard);
}

RstDecodeRLCToRLE::RstDecodeRLCToRLE(RstRead* source, int32_t width, int32_t height)
    : RstProcess(source),
      line_size_(rst_rle_line_bound(width)),
      lines_left_(height),
      code_(source),
      width_(width),
      height_(height) {}

void RstDecodeRLCToRLE::header(RstHeader& h) {
  RstProcess::header(h);
  h.data_form = RstDataForm::rle;
}

void RstDecodeRLCToRLE::reset() {
  source()->reset();
  code_.clear();
  lines_left_ = height_;
  status_ = 1;
}

int32_t RstDecodeRLCToRLE::take16() {
  int32_t hi = code_.take_byte();
  if (hi < 0) return -1;
  int32_t lo = code_.take_byte();
  if (lo < 0) return -1;
  return hi * 256 + lo;
}

int RstDecodeRLCToRLE::read(uint8_t* buffer) {
  if (lines_left_ <= 0) return 0;
  --lines_left_;
  RstRLELine out(buffer, 0);
  const int32_t max_runs = (width_ + 1) / 2;
  bool repaired = false;
  bool ended = status_ <= 0;
  int32_t n = ended ? 0 : take16();
  if (n < 0) ended = true;
  for (int32_t i = 0; !ended && i < n; ++i) {
    int32_t first = take16();
    int32_t end = first < 0 ? -1 : take16();
    if (end < 0) {
      ended = true;
      break;
    }
    int32_t last = end - 1;
    if (last > width_ - 1) {
      last = width_ - 1;
      repaired = true;
    }
    int32_t runs = out.byte_count / 8;
    int32_t prev_last = runs > 0 ? out.runs[2 * runs - 1] : -2;
    if (last < first || first <= prev_last) {
      // Empty, outside the line, or going back: dropped.
      repaired = true;
      continue;
    }
    if (first == prev_last + 1) {
      out.runs[2 * runs - 1] = last;
      repaired = true;
      continue;
    }
    if (runs >= max_runs) {
      // Cannot happen with ordered, separated runs; kept as a bound.
      repaired = true;
      continue;
    }
    out.append(first, last);
  }
  out.end_line();
  if (ended) {
    status_ = -4;
    rst_report(RstCode::recoverable_decode, "RstDecodeRLCToRLE::read()");
  } else if (repaired) {
    rst_report(RstCode::recoverable_decode, "RstDecodeRLCToRLE::read()");
  }
  return out.byte_count;
}
