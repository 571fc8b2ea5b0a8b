// The spooler's forms as the paper selection reads them: a form by name or
// by position, its size in 0.1 mm, and the built-in form of a paper.
#pragma once

#include "platform/spooler/winspool.h"
#include "platform/win/win_types.h"

// A form's size and imageable area in 0.1 mm.
struct FormSize {
  int32_t width, height;
  int32_t left, top, right, bottom;
};

// 1 with the form (a FORM_INFO_1W in a new global block, freed by the
// caller); 3 when it cannot be read; 2 when the query fails otherwise; 10 for
// missing arguments or no memory.
int GetFormByName(HANDLE printer, LPCWSTR name, FORM_INFO_1W** out);
// Form n (1-based) of the printer's list, copied with its name into a new
// self-contained global block: 1; 2 past the list; 3 for an empty list; 10
// for bad arguments or no memory.
int GetFormByIndex(HANDLE printer, DWORD n, FORM_INFO_1W** out);
// The form's size, by name when given, else by index n (10 when neither): 1,
// otherwise the answer of the lookup.
int GetFormSize(HANDLE printer, LPCWSTR name, DWORD n, FormSize* out);
// The 1-based position of the built-in form whose name equals `name`
// exactly, 0 when there is none.
DWORD FindBuiltinFormIndex(HANDLE printer, LPCWSTR name);
