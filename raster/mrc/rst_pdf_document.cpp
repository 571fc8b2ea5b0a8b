// The glue to the PDF reader core and the PDF mutex.
#include "raster/mrc/rst_pdf_document.h"

#include "raster/mrc/pdf/pdf_file.h"
#include "raster/mrc/pdf/pdf_page.h"
#include "raster/mrc/pdf/pdf_pool.h"

namespace {
// Made during static initialisation; its handle is closed once at exit.
RstMutex pdf_mutex;
}  // namespace

RstMutex& rst_pdf_mutex() { return pdf_mutex; }

int32_t pdf_open_document(const char* path) {
  // Without its pool the core cannot run at all.
  if (pdf_pool_create() != 0) return -1;
  if (pdf_file_open(path) != 0) return -1;
  return pdf_core_begin();
}

int32_t pdf_close_document() {
  int32_t code = pdf_core_end();
  if (code != 0) return code;
  pdf_file_close();
  pdf_pool_free();
  return 0;
}

int32_t pdf_get_document_info(PdfDocInfo* info) { return pdf_core_read_document(info); }

int32_t pdf_get_page(int32_t page_number, PdfPageNode** head) { return pdf_core_read_page(page_number, head); }

int32_t rst_pdf_status(int32_t core_result) {
  switch (core_result) {
    case 0: return 1;
    case 1: return -13;
    case 20: return -50;
    default: return 0;
  }
}
