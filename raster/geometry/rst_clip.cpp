// Rectangle clips.
#include "raster/geometry/rst_clip.h"

#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_clip_height.h"
#include "raster/geometry/rst_clip_width.h"

RstRead* RstClip::create(RstRead* source, int32_t x, int32_t y, uint32_t width, uint32_t height) {
  const char* where = "RstClip::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.data_form == RstDataForm::rle_n && h.bits_per_sample != 8 && h.bits_per_sample != 16 &&
      h.bits_per_sample != 32) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  // The line clip's refusals come first and touch nothing; once they are
  // ruled out it cannot refuse the column clip built below.
  if (height == 0 || y < 0 || y >= h.height ||
      (h.data_form != RstDataForm::raw && h.data_form != RstDataForm::rle && h.data_form != RstDataForm::rle_n)) {
    return RstClipHeight::create(source, y, height);
  }
  RstRead* columns = nullptr;
  if (h.data_form != RstDataForm::rle_n) columns = RstClipWidth::create(source, x, width);
  else if (h.bits_per_sample == 8) columns = RstClipWidthRLEN<uint8_t>::create(source, x, width);
  else if (h.bits_per_sample == 16) columns = RstClipWidthRLEN<uint16_t>::create(source, x, width);
  else columns = RstClipWidthRLEN<uint32_t>::create(source, x, width);
  if (!columns) return nullptr;
  return RstClipHeight::create(columns, y, height);
}
