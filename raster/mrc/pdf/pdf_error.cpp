// The error return of the PDF reader core.
#include "raster/mrc/pdf/pdf_error.h"

#include "raster/mrc/pdf/pdf_state.h"

void pdf_raise(int32_t code) {
  PdfParserState& s = pdf_state();
  if (s.in_text_object && code == PdfError::unsupported) return;
  s.error_code = code;
  throw PdfRaised{code};
}
