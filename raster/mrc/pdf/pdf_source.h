// A byte source of the PDF reader core: the file window or a decoding stage.
// A stage keeps the source beneath it and calls its operations; a stream's
// top source is the last stage put on it.
#pragma once

#include <cstdint>

struct PdfSource {
  // Next byte 0 to 255, or -1 at the end.
  int32_t (*get)(PdfSource* self);
  // Up to n bytes into buffer; the count delivered, 0 at the end.
  int32_t (*read)(PdfSource* self, uint8_t* buffer, int32_t n);
  // Releases what the stage holds; a non-zero flag closes the source beneath.
  void (*close)(PdfSource* self, int32_t flag);
  PdfSource* below;
};

// A read made of get calls, for stages that decode byte by byte.
int32_t pdf_source_read_bytes(PdfSource* self, uint8_t* buffer, int32_t n);
// A close that releases nothing of its own.
void pdf_source_close_plain(PdfSource* self, int32_t flag);
