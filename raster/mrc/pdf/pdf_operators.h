// The content-operator table the parsers look keywords up in. The content
// interpreter installs its table; until then no keyword is an operator.
#pragma once

#include <cstdint>

struct PdfOperatorEntry {
  const char* name;
  // Runs the operator on the operands on the operand stack.
  void (*run)();
};

// Makes the table current (null for none); it must outlive its use.
void pdf_set_operator_table(const PdfOperatorEntry* table, int32_t count);
// The entry whose name equals the keyword exactly, first in table order;
// null when there is none.
const PdfOperatorEntry* pdf_operator_lookup(const char* keyword);
