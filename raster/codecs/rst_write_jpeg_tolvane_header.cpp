// The header record of the JPEG encoder stage.
#include "raster/codecs/rst_write_jpeg_tolvane_header.h"

#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

RstWriteJPEGTolvaneHeader::RstWriteJPEGTolvaneHeader(const RstHeader& header, const RstWriteJPEGOption& option)
    : RstWriteTolvaneHeaderBase(header), option_(option) {
  init();
}

bool RstWriteJPEGTolvaneHeader::divisors(uint32_t sampling, uint8_t (&out)[6]) {
  if (!RstJPEGSampling::find(sampling)) return false;
  // Nibbles from the top: 1, the horizontal divisors of components 1 and 2,
  // 0, 1, their vertical divisors, 0.
  out[0] = uint8_t(sampling >> 28 & 0xF);
  out[1] = uint8_t(sampling >> 24 & 0xF);
  out[2] = uint8_t(sampling >> 20 & 0xF);
  out[3] = uint8_t(sampling >> 12 & 0xF);
  out[4] = uint8_t(sampling >> 8 & 0xF);
  out[5] = uint8_t(sampling >> 4 & 0xF);
  return true;
}

void RstWriteJPEGTolvaneHeader::load_base_tables(const RstJPEGOption& option) {
  int32_t values[2][64];
  int32_t found = 0;
  if (option.tables) {
    const RstJPEGQTableArray& q = option.tables->quantization;
    for (int32_t i = 0; i < q.slot_count() && found < 2; ++i) {
      if (!q[i] || !q[i]->ok()) continue;
      for (int32_t k = 0; k < 64; ++k) values[found][k] = int32_t(q[i]->values()[k]);
      ++found;
    }
  }
  if (found == 0) rst_jpeg_default_base_qtables();
  else rst_jpeg_set_base_qtables(values[0], found > 1 ? values[1] : nullptr);
}

void RstWriteJPEGTolvaneHeader::init() {
  const char* where = "RstWriteJPEGTolvaneHeader::init()";
  uint8_t d[6];
  if (!divisors(option_.sampling, d)) {
    rst_report(RstCode::bad_argument, where);
    return;
  }
  auto* p = rst_new<JpegEncoderParams>();
  if (!p) {
    rst_report(RstCode::no_memory, where);
    return;
  }
  params_.reset(p);
  if (!params_.has_count()) {
    rst_report(RstCode::no_memory, where);
    return;
  }
  p->image = tolvane_.image_info();
  p->image.colormap = nullptr;
  p->x_resolution = option_.x_resolution;
  p->y_resolution = option_.y_resolution;
  p->quality = -option_.quality;
  for (int32_t i = 0; i < 6; ++i) p->divisors[i] = d[i];
  load_base_tables(option_);
}
