// The alias table of equivalent device font names that font substitution
// uses: a process-wide choice between the 15-group and the 7-group table.
#pragma once

// Kind 1 selects the 15-group table, kind 0 the 7-group one: 1. Any other
// kind changes nothing: 0.
int SelectJapaneseFontAliasTable(int kind);
// 1 or 0: the table in use.
int GetFontAliasTableKind();
