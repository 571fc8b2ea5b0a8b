// Line range clips.
#include "raster/geometry/rst_clip_height.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

RstRead* RstClipHeight::create(RstRead* source, int32_t y, uint32_t n) {
  const char* where = "RstClipHeight::create()";
  if (!source || n == 0 || y < 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  int32_t height = h.height < 0 ? 0 : h.height;
  if (y == 0 && n >= uint32_t(height)) return source;
  if (y >= height) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (h.data_form != RstDataForm::raw && h.data_form != RstDataForm::rle && h.data_form != RstDataForm::rle_n) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  // Lowered without forming y + n, which could wrap.
  if (n > uint32_t(height - y)) n = uint32_t(height - y);
  RstCreateGuard guard(source);
  return rst_create_end(rst_new<RstClipHeight>(source, uint32_t(y), n), guard);
}

void RstClipHeight::header(RstHeader& h) {
  RstProcess::header(h);
  h.height = int32_t(n_);
}

void RstClipHeight::begin() {
  if (started_) return;
  started_ = true;
  // Lines that could not be passed would shift every kept line: then none
  // is delivered.
  if (y_ && source()->skip(int(y_)) != int(y_)) delivered_ = n_;
}

int RstClipHeight::read(uint8_t* line) {
  begin();
  if (delivered_ >= n_) return 0;
  ++delivered_;
  return source()->read(line);
}

int RstClipHeight::skip(int n) {
  begin();
  if (n <= 0) return 0;
  uint32_t m = uint32_t(n) < n_ - delivered_ ? uint32_t(n) : n_ - delivered_;
  if (!m) return 0;
  int done = source()->skip(int(m));
  if (done < 0) done = 0;
  delivered_ += uint32_t(done);
  // As at the start: lines that could not be passed would shift the rest.
  if (uint32_t(done) < m) delivered_ = n_;
  return done;
}

void RstClipHeight::reset() {
  source()->reset();
  delivered_ = 0;
  started_ = false;
}

RstRead* RstClipHeightRLE::create(RstRead* source, int32_t y, uint32_t n) {
  if (source) {
    RstHeader h(source);
    if (h.bits_per_sample != 1 || h.samples_per_pixel != 1 || h.data_form != RstDataForm::rle) {
      rst_report(RstCode::unsupported_form, "RstClipHeightRLE::create()");
      return nullptr;
    }
  }
  return RstClipHeight::create(source, y, n);
}

RstRead* RstClipHeightRLEN::create(RstRead* source, int32_t y, uint32_t n) {
  const char* where = "RstClipHeightRLEN::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (RstHeader(source).data_form != RstDataForm::rle_n) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return RstClipHeight::create(source, y, n);
}
