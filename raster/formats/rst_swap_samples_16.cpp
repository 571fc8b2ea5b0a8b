// Swapping the bytes of 16-bit samples.
#include "raster/formats/rst_swap_samples_16.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

RstSwapSamples16* RstSwapSamples16::create(RstRead* source) {
  static const char* const where = "RstSwapSamples16::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.data_form != RstDataForm::raw || h.bits_per_sample != 16) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end(rst_new<RstSwapSamples16>(source), guard);
}

int RstSwapSamples16::read(uint8_t* line) {
  int n = static_cast<RstRead*>(source())->read(line);
  for (int i = 0; i + 1 < n; i += 2) {
    uint8_t t = line[i];
    line[i] = line[i + 1];
    line[i + 1] = t;
  }
  return n;
}
