// Spooler records (see spooler_records.h). Every fetch is a size query that
// must fail for want of room, then the call with a block of that size.
#include "settings/services/spooler_records.h"

#include "platform/win/win_error.h"
#include "platform/win/win_memory.h"
#include "settings/model/model_queries.h"

namespace {

// Runs a Get call twice: for its size, then into a new block.
template <class Call>
void* FetchRecord(Call call) {
  DWORD needed = 0;
  if (call(nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return nullptr;
  auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, needed));
  if (block == nullptr) return nullptr;
  if (!call(block, needed, &needed)) {
    GlobalFree(block);
    return nullptr;
  }
  return block;
}

// The forms and the form at a 1-based number; the caller frees `forms`.
FormStatus FormAt(HANDLE printer, DWORD index, FORM_INFO_1W** forms, const FORM_INFO_1W** form) {
  if (index == 0) return kFormFailed;
  DWORD count = 0;
  FormStatus status = EnumPrinterForms(printer, forms, nullptr, &count);
  if (status != kFormOk) return status;
  if (count == 0) return kFormNoForms;
  if (index > count) return kFormBeyondList;
  *form = *forms + (index - 1);
  return kFormOk;
}

}  // namespace

void* GetPrinterInfo(HANDLE printer, DWORD level) {
  return FetchRecord([&](BYTE* b, DWORD n, DWORD* needed) { return GetPrinterW(printer, level, b, n, needed); });
}

void* GetPrinterDriverInfo(HANDLE printer, DWORD level) {
  return FetchRecord(
      [&](BYTE* b, DWORD n, DWORD* needed) { return GetPrinterDriverW(printer, nullptr, level, b, n, needed); });
}

FormStatus EnumPrinterForms(HANDLE printer, FORM_INFO_1W** forms, DWORD* needed, DWORD* count) {
  if (forms == nullptr) return kFormFailed;
  *forms = nullptr;
  DWORD size = 0;
  DWORD returned = 0;
  if (EnumFormsW(printer, 1, nullptr, 0, &size, &returned) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return kFormNoForms;
  auto* block = static_cast<FORM_INFO_1W*>(GlobalAlloc(GPTR, size ? size : 1));
  if (block == nullptr) return kFormFailed;
  if (!EnumFormsW(printer, 1, reinterpret_cast<BYTE*>(block), size, &size, &returned)) {
    GlobalFree(block);
    return kFormNoForms;
  }
  *forms = block;
  if (needed) *needed = size;
  if (count) *count = returned;
  return kFormOk;
}

FormStatus GetFormFlagsAt(HANDLE printer, DWORD index, DWORD* flags) {
  if (flags == nullptr) return kFormFailed;
  FORM_INFO_1W* forms = nullptr;
  const FORM_INFO_1W* form = nullptr;
  FormStatus status = FormAt(printer, index, &forms, &form);
  if (status == kFormOk) *flags = form->Flags;
  if (forms) GlobalFree(forms);
  return status;
}

FormStatus GetFormNameAt(HANDLE printer, DWORD index, LPWSTR* name) {
  if (name == nullptr) return kFormFailed;
  *name = nullptr;
  FORM_INFO_1W* forms = nullptr;
  const FORM_INFO_1W* form = nullptr;
  FormStatus status = FormAt(printer, index, &forms, &form);
  if (status == kFormOk && form->pName) {
    *name = CopyModelText(form->pName);
    if (*name == nullptr) status = kFormFailed;
  }
  if (forms) GlobalFree(forms);
  return status;
}

LPWSTR GetFormName(HANDLE printer, DWORD index) {
  LPWSTR name = nullptr;
  return GetFormNameAt(printer, index, &name) == kFormOk ? name : nullptr;
}

DWORD GetFormFlags(HANDLE printer, DWORD index) {
  DWORD flags = 0;
  return GetFormFlagsAt(printer, index, &flags) == kFormOk ? flags : 0;
}
