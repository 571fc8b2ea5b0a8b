// Looking keywords up in the content-operator table.
#include "raster/mrc/pdf/pdf_operators.h"

#include <cstring>

#include "raster/mrc/pdf/pdf_state.h"

void pdf_set_operator_table(const PdfOperatorEntry* table, int32_t count) {
  PdfParserState& s = pdf_state();
  s.operators = table;
  s.operator_count = table ? count : 0;
}

const PdfOperatorEntry* pdf_operator_lookup(const char* keyword) {
  const PdfParserState& s = pdf_state();
  for (int32_t i = 0; i < s.operator_count; ++i) {
    if (std::strcmp(s.operators[i].name, keyword) == 0) return &s.operators[i];
  }
  return nullptr;
}
