// The raw-to-run-line node.
#include "raster/codecs/rst_encode_rle.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

RstEncodeRLE* RstEncodeRLE::create(RstRead* source) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, "RstEncodeRLE::create()");
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 1 || h.samples_per_pixel != 1 || h.data_form != RstDataForm::raw || h.width < 0) {
    rst_report(RstCode::unsupported_form, "RstEncodeRLE::create()");
    return nullptr;
  }
  return rst_create_end(rst_new<RstEncodeRLE>(source, h.width), guard);
}

RstEncodeRLE::RstEncodeRLE(RstRead* source, int32_t width) : RstProcess(source), core_(width) {}

RstEncodeRLE::~RstEncodeRLE() { rst_free(row_); }

void RstEncodeRLE::header(RstHeader& h) {
  RstProcess::header(h);
  h.data_form = RstDataForm::rle;
}

bool RstEncodeRLE::initiate() {
  bound_ = core_.buffer_size();
  source_line_size_ = source()->line_size();
  // The converter reads whole bytes of the row: never less than the row.
  int32_t row_bytes = (core_.width + 7) / 8;
  int32_t size = source_line_size_ > row_bytes ? source_line_size_ : row_bytes;
  row_ = static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(size)));
  if (!row_) {
    rst_report(RstCode::no_memory, "RstEncodeRLE::initiate()");
    return false;
  }
  return true;
}

int RstEncodeRLE::read(uint8_t* line) {
  int n = source()->read(row_);
  if (n != source_line_size_ || n <= 0) return 0;
  return core_.encode_line(row_, line);
}

int RstEncodeRLE::skip(int n) {
  if (n == 0) return 0;
  return source()->skip(n);
}

void RstEncodeRLE::reset() { source()->reset(); }
