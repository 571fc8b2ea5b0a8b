// The one record of the reader's process-wide state.
#include "raster/mrc/pdf/pdf_state.h"

PdfParserState& pdf_state() {
  static PdfParserState state;
  return state;
}
