// The process-wide font alias table choice (see font_alias_table.h).
#include "graphics_driver/core/font_alias_table.h"

namespace {
int g_aliasTableKind = 1;  // the 15-group table until a job chooses
}

int SelectJapaneseFontAliasTable(int kind) {
  if (kind != 0 && kind != 1) return 0;
  g_aliasTableKind = kind;
  return 1;
}

int GetFontAliasTableKind() { return g_aliasTableKind; }
