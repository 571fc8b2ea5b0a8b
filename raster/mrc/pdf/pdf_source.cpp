// Shared operations of byte sources.
#include "raster/mrc/pdf/pdf_source.h"

int32_t pdf_source_read_bytes(PdfSource* self, uint8_t* buffer, int32_t n) {
  int32_t i = 0;
  for (; i < n; ++i) {
    int32_t c = self->get(self);
    if (c < 0) break;
    buffer[i] = uint8_t(c);
  }
  return i;
}

void pdf_source_close_plain(PdfSource* self, int32_t flag) {
  if (flag && self->below) self->below->close(self->below, 1);
}
