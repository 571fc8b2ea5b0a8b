// Spooler forms of the paper selection (see paper_forms.h).
#include "graphics_driver/core/paper_forms.h"

#include <cstring>

#include "platform/win/win_error.h"
#include "platform/win/win_memory.h"
#include "settings/services/spooler_records.h"

namespace {

size_t WideLength(LPCWSTR s) {
  size_t n = 0;
  while (s && s[n]) ++n;
  return n;
}

}  // namespace

int GetFormByName(HANDLE printer, LPCWSTR name, FORM_INFO_1W** out) {
  if (!printer || !name || !out) return 10;
  *out = nullptr;
  DWORD needed = 0;
  if (!GetFormW(printer, name, 1, nullptr, 0, &needed) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) return 2;
  if (needed == 0) return 3;
  auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, needed));
  if (!block) return 10;
  if (!GetFormW(printer, name, 1, block, needed, &needed)) {
    GlobalFree(block);
    return 3;
  }
  *out = reinterpret_cast<FORM_INFO_1W*>(block);
  return 1;
}

int GetFormByIndex(HANDLE printer, DWORD n, FORM_INFO_1W** out) {
  if (!printer || !out || n == 0) return 10;
  *out = nullptr;
  FORM_INFO_1W* forms = nullptr;
  DWORD count = 0;
  int s = EnumPrinterForms(printer, &forms, nullptr, &count);
  if (s != 1) return s;
  int answer = 1;
  if (count == 0) {
    answer = 3;
  } else if (n > count) {
    answer = 2;
  } else {
    // The entry and its whole name in one block: user forms may have names
    // longer than a paper's.
    const FORM_INFO_1W& form = forms[n - 1];
    size_t chars = WideLength(form.pName);
    auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, sizeof(FORM_INFO_1W) + (chars + 1) * sizeof(WCHAR)));
    if (!block) {
      answer = 10;
    } else {
      auto* copy = reinterpret_cast<FORM_INFO_1W*>(block);
      *copy = form;
      copy->pName = reinterpret_cast<LPWSTR>(block + sizeof(FORM_INFO_1W));
      if (chars) std::memcpy(copy->pName, form.pName, chars * sizeof(WCHAR));
      *out = copy;
    }
  }
  GlobalFree(forms);
  return answer;
}

int GetFormSize(HANDLE printer, LPCWSTR name, DWORD n, FormSize* out) {
  if (!out || (!name && n == 0)) return 10;
  FORM_INFO_1W* form = nullptr;
  int s = name ? GetFormByName(printer, name, &form) : GetFormByIndex(printer, n, &form);
  if (s != 1) return s;
  *out = FormSize{form->Size.cx / 100,
                  form->Size.cy / 100,
                  form->ImageableArea.left / 100,
                  form->ImageableArea.top / 100,
                  form->ImageableArea.right / 100,
                  form->ImageableArea.bottom / 100};
  GlobalFree(form);
  return 1;
}

DWORD FindBuiltinFormIndex(HANDLE printer, LPCWSTR name) {
  if (!name) return 0;
  FORM_INFO_1W* forms = nullptr;
  DWORD count = 0;
  if (EnumPrinterForms(printer, &forms, nullptr, &count) != 1) return 0;
  DWORD found = 0;
  for (DWORD i = 0; i < count && !found; ++i) {
    const WCHAR* a = forms[i].pName;
    size_t k = 0;
    while (a && a[k] && a[k] == name[k]) ++k;
    if (a && a[k] == 0 && name[k] == 0 && (forms[i].Flags & FORM_BUILTIN)) found = i + 1;
  }
  GlobalFree(forms);
  return found;
}
