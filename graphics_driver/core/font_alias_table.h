// The alias tables of equivalent device font names that font substitution
// uses: groups of names that stand for the same face, each group a
// null-ended list, a table ended by an empty group. A process-wide choice
// holds the table in use and its group count: the 15-group table until a job
// chooses the 7-group one.
#pragma once

#include "platform/win/win_types.h"

// Kind 1 selects the 15-group table, kind 0 the 7-group one: 1. Any other
// kind changes nothing: 0.
int SelectJapaneseFontAliasTable(int kind);
// 1 or 0: the table in use.
int GetFontAliasTableKind();
// Groups of the table in use.
int GetAliasGroupCount();

// Answers of GetAliasEntry.
constexpr int kAliasEntryOk = 1;         // *entry is a copy, or null at the group's end
constexpr int kAliasEntryOutside = 0;    // group or index lies outside the table
constexpr int kAliasEntryNoMemory = -1;  // the copy could not be made
// Entry `index` of group `group` of the table in use, both counted from 0:
// *entry becomes a GlobalAlloc copy the caller frees, or null when the index
// is the group's end.
int GetAliasEntry(int group, int index, WCHAR** entry);

// Compares the first min(length a, length b) characters ignoring ASCII case:
// 0 when equal, else non-zero; -1 when a name is missing.
int CompareNamePrefix(const WCHAR* a, const WCHAR* b);
