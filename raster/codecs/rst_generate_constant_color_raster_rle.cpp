// The run-length constant source: a raw constant bilevel source whose lines
// the run-length encoder turns into run lines.
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_generate_constant_color_raster.h"
#include "raster/core/rst_status_context.h"

RstRead* RstGenerateConstantColorRasterRLE::create(const RstHeader& header, uint8_t pixel) {
  if (header.sample_kind != 0 || header.bits_per_sample != 1 || header.samples_per_pixel != 1 ||
      header.data_form != RstDataForm::rle || header.colormap.get()) {
    rst_report(RstCode::bad_argument, "RstGenerateConstantColorRasterRLE::create()");
    return nullptr;
  }
  RstHeader raw(header);
  raw.data_form = RstDataForm::raw;
  RstRead* source = RstGenerateConstantColorRasterRaw::create(raw, &pixel);
  if (!source) return nullptr;
  RstRead* encoder = nullptr;
  try {
    encoder = RstEncodeRLE::create(source);
  } catch (...) {
    source->end();
    throw;
  }
  // Raw lines in place of run lines would be misread: no encoder, no node.
  if (!encoder) source->end();
  return encoder;
}
