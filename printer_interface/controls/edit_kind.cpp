// The edit kind: a number (with decimals and the length-unit rules) or a text
// shown in an edit box, read back and checked as typed, and committed at
// focus loss, kill-active and validation; the kept text of text boxes and the
// range warning.
#include <cstring>

#include "platform/win/win_memory.h"
#include "platform/win/win_msgbox.h"
#include "printer_interface/controls/kind_support.h"
#include "printer_interface/text/measurement_text.h"
#include "printer_interface/text/oem_text.h"
#include "printer_interface/text/resource_text.h"
#include "settings/services/code_pages.h"

using namespace controls;

namespace {

constexpr BYTE kDigits[] = {'0', '9', 0};
constexpr BYTE kNoDoubleBytes[] = {0};

WORD SheetUnit(const HandlerContext* context) {
  return context && context->sheet && context->sheet->state ? context->sheet->state->unit : 0;
}

const CharacterRules* TextRules(const EditControlParams* params) {
  return static_cast<const CharacterRules*>(params->check);
}

// The decimals the box shows: the length-unit rules decide for a length,
// otherwise flag 0x40 takes the unit record's.
int ShownDecimals(const HandlerContext* context, const ItemSlot* slot, const EditControlParams* params) {
  int decimals = (params->flags & kEditDecimals) && params->unit ? params->unit->decimals : 0;
  if ((params->flags & kEditLengthUnit) && slot) {
    LONG ignored = 0;
    int ruled = decimals;
    if (ApplyUnitConversion(SheetUnit(context), slot->settingId, kUnitShow, &ignored, &ruled)) decimals = ruled;
  }
  return decimals;
}

WCHAR* CopyText(const WCHAR* text) {
  size_t n = 0;
  while (text && text[n]) ++n;
  auto* copy = static_cast<WCHAR*>(GlobalAlloc(GPTR, (n + 1) * sizeof(WCHAR)));
  if (copy && n) std::memcpy(copy, text, n * sizeof(WCHAR));
  return copy;
}

void ReplaceText(WCHAR** place, const WCHAR* text) {
  WCHAR* copy = CopyText(text);
  if (!copy) return;
  if (*place) GlobalFree(*place);
  *place = copy;
}

const WCHAR* SlotText(const ItemSlot* slot) {
  return slot && slot->valueType == kSettingTypeText
             ? reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(slot->value))
             : nullptr;
}

void FreeRecord(EditRecord* record) {
  if (!record) return;
  if (record->current) GlobalFree(record->current);
  if (record->initial) GlobalFree(record->initial);
  GlobalFree(record);
}

void ReleaseRecord(HandlerContext* context, const ControlRow* row) {
  EditRecord* record = FindEditRecord(context, row->controlId);
  if (!record) return;
  RemoveSheetStoreEntry(context->sheet, kEditStore, static_cast<uint32_t>(row->controlId), context->window);
  FreeRecord(record);
}

// Controls whose range warning is on screen: a focus change while the box
// is up must not bring a second one.
HWND gWarningShown[8] = {};

bool MarkWarning(HWND box) {
  for (HWND shown : gWarningShown)
    if (shown == box) return false;
  for (HWND& shown : gWarningShown)
    if (!shown) {
      shown = box;
      return true;
    }
  return false;
}

void ClearWarning(HWND box) {
  for (HWND& shown : gWarningShown)
    if (shown == box) shown = nullptr;
}

const EditControlParams* EditParams(const void* params) {
  const auto* const* indirect = static_cast<const EditControlParams* const*>(params);
  return indirect ? *indirect : nullptr;
}

}  // namespace

EditRecord* controls::FindEditRecord(const HandlerContext* context, INT controlId) {
  if (!context) return nullptr;
  return static_cast<EditRecord*>(
      FindSheetStoreEntry(context->sheet, kEditStore, static_cast<uint32_t>(controlId), context->window));
}

int ApplyUnitConversion(WORD unit, WORD settingId, int mode, LONG* value, int* decimals) {
  if (!value || !decimals) return 0;
  const bool inches = unit == 1;
  const bool store = mode == kUnitStore;
  auto convert = [&] { *value = store ? HundredthInchToTenthMm(*value) : TenthMmToHundredthInch(*value); };
  if (settingId == 268 || settingId == 269 || settingId == 324) {
    *decimals = inches ? 1 : 0;
    if (inches) {
      convert();
      if (!store && *value > 19) *value = 19;
    }
    return 1;
  }
  if (settingId >= 351 && settingId <= 354) {
    *decimals = inches ? 2 : 1;
    if (inches) {
      convert();
      if (store && *value == 10000) *value = 9999;
    }
    return 1;
  }
  if (settingId == 373) {
    *decimals = inches ? 1 : 0;
    if (inches) {
      convert();
      if (store && *value == 15001) *value = 15000;
    }
    return 1;
  }
  if (settingId >= 545 && settingId <= 548) {
    *decimals = inches ? 2 : 1;
    if (inches) convert();
    return 1;
  }
  return 0;
}

int ParseDecimalText(LPCSTR text, int decimals, WORD flags, DWORD* value) {
  if (!text || !value || decimals < 0 || decimals > 9) return 0;
  const char* p = text;
  bool negative = false;
  if ((flags & kEditSigned) && (*p == '-' || *p == '+')) negative = *p++ == '-';
  uint64_t whole = 0;
  int wholeDigits = 0;
  for (; *p >= '0' && *p <= '9'; ++p, ++wholeDigits) {
    whole = whole * 10 + unsigned(*p - '0');
    if (whole > UINT32_MAX) return 0;
  }
  uint64_t fraction = 0;
  int fractionDigits = 0;
  if (*p == '.') {
    for (++p; *p >= '0' && *p <= '9'; ++p) {
      if (fractionDigits == decimals) {
        if (!(flags & kEditDropsDecimals)) return 0;
        continue;  // dropped
      }
      int digit = *p - '0';
      if (fractionDigits == 0 && (flags & kEditHalfSteps))
        digit = digit >= 1 && digit <= 4 ? 0 : digit >= 6 ? 5 : digit;
      fraction = fraction * 10 + unsigned(digit);
      ++fractionDigits;
    }
  }
  if (*p != 0 || (wholeDigits == 0 && fractionDigits == 0)) return 0;
  for (; fractionDigits < decimals; ++fractionDigits) fraction *= 10;
  uint64_t scaled = whole;
  for (int i = 0; i < decimals; ++i) scaled *= 10;
  scaled += fraction;
  if (scaled > UINT32_MAX) return 0;
  *value = static_cast<DWORD>(negative ? 0 - scaled : scaled);
  return 1;
}

int ShowEditValue(HandlerContext* context, const ControlRow* row, const EditControlParams* params, HWND box) {
  if (!context || !row || !params || !box) return 0;
  const ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!slot) return 0;
  if (params->flags & kEditText) {
    const WCHAR* text = SlotText(slot);
    SetWindowTextW(box, text ? text : u"");
  } else {
    LONG value = SlotNumber(slot);
    if (params->unit && params->unit->conversion) {
      DWORD out = 0;
      const uint64_t typed = slot->value;
      ConvertSettingUnits(kUnitShow, slot->settingId, slot->valueType, &typed, &out);
      ItemSlot converted = *slot;
      converted.value = out;
      value = SlotNumber(&converted);
    }
    int decimals = (params->flags & kEditDecimals) && params->unit ? params->unit->decimals : 0;
    if (params->flags & kEditLengthUnit)
      ApplyUnitConversion(SheetUnit(context), slot->settingId, kUnitShow, &value, &decimals);
    const BOOL isSigned = (params->flags & kEditSigned) ? TRUE : FALSE;
    WCHAR* text = nullptr;
    int made = 0;
    if (decimals > 0) {
      made = FormatFixedPoint(&text, decimals, isSigned, kFixedPointText, value);
    } else {
      const uint64_t typed = NumberForType(slot->valueType, value);
      made = FormatNumberText(&text, 0, isSigned, slot->valueType, &typed);
    }
    if (!made || !text) return 0;
    SetWindowTextW(box, text);
    GlobalFree(text);
  }
  if (GetContextPermission(context) == 1) ApplyRowControlState(context, row);
  return 1;
}

void FreeEditValue(EditValue* value) {
  if (!value) return;
  if (value->oemText) GlobalFree(value->oemText);
  if (value->text) GlobalFree(value->text);
  value->oemText = nullptr;
  value->text = nullptr;
}

int ReadEditValue(HandlerContext* context, const ControlRow* row, const EditControlParams* params, HWND box, BOOL check,
                  EditValue* out) {
  if (!out) return 0;
  *out = EditValue{};
  if (!context || !row || !params || !box) return 0;
  const ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!slot) return 0;
  const DWORD room = params->maxLength + 2;
  out->text = static_cast<LPWSTR>(GlobalAlloc(GPTR, room * sizeof(WCHAR)));
  if (!out->text) return 0;
  GetWindowTextW(box, out->text, static_cast<int>(room));
  int length = 0;
  if (!WideToOemAlloc(out->text, &out->oemText, &length)) {
    FreeEditValue(out);
    return 0;
  }
  LONG low = 0, high = 0;
  const bool ranged = GetRowValueRange(context, row, &low, &high) != 0;
  bool valid = static_cast<DWORD>(length) <= params->maxLength;
  if (params->flags & kEditText) {
    if (valid && check) {
      const CharacterRules* rules = TextRules(params);
      valid = ValidateText(out->text, rules ? rules->singleRanges : nullptr, rules ? rules->doubleRanges : nullptr,
                           rules ? rules->forbiddenBytes : nullptr, rules ? rules->forbiddenPairs : nullptr,
                           params->flags, 0) != 0;
      const bool emptyPasses = length == 0 && (params->flags & kEditDropsDecimals);
      if (valid && ranged && !emptyPasses) valid = length >= low && length <= high;
    }
    out->valid = valid ? 1 : 0;
    return 1;
  }
  const int decimals = ShownDecimals(context, slot, params);
  if (valid && check)
    valid = ValidateText(out->text, kDigits, kNoDoubleBytes, nullptr, nullptr, params->flags, decimals) != 0;
  DWORD number = 0;
  if (valid) {
    valid = decimals > 0 ? ParseDecimalText(out->oemText, decimals, params->flags, &number) != 0
                         : ParseDecimalInt(out->oemText, &number) != 0;
  }
  // An unreadable number goes to the settings model as one past the range,
  // which it refuses with its own message.
  out->number = valid ? number : static_cast<DWORD>(high) + 1;
  out->valid = valid ? 1 : 0;
  return 1;
}

int ShowEditRangeWarning(HandlerContext* context, const ControlRow* row, const EditControlParams* params, HWND box) {
  if (!context || !row || !params) return -1;
  const CharacterRules* rules = TextRules(params);
  if (!rules || rules->messageId == kNoControl || rules->messageId == 0) return -1;
  if (!MarkWarning(box)) return -1;
  LONG low = 0, high = 0;
  GetRowValueRange(context, row, &low, &high);
  if (row->controlId == kEditLengthWarningControl) high = static_cast<LONG>(params->maxLength);
  WCHAR text[512] = {};
  const UINT id = static_cast<UINT>(rules->messageId);
  switch (id) {
    case 425: FormatResourceString(text, 512, id, low, high, high, high / 2); break;
    case 445:
    case 447:
    case 743: FormatResourceString(text, 512, id, low, high); break;
    case 735: FormatResourceString(text, 512, id, high); break;
    case 736: FormatResourceString(text, 512, id, 1, high); break;
    default: FormatResourceString(text, 512, id); break;
  }
  const int answer = text[0] ? ShowResourceMessageBox(box ? box : context->window, kWarningCaptionString, nullptr,
                                                      MB_ICONWARNING, kGivenText, text)
                             : -1;
  ClearWarning(box);
  return answer;
}

INT CommitEditValue(HandlerContext* context, const ControlRow* row, const EditControlParams* params, HWND box,
                    BOOL check) {
  if (!context || !row || !params || !box) return -1;
  if (!IsWindowEnabled(box)) return 3;
  ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!slot) return -1;
  EditValue typed{};
  if (!ReadEditValue(context, row, params, box, check, &typed)) return -1;
  INT result = -1;
  if (params->flags & kEditText) {
    if (!typed.valid) {
      ShowEditRangeWarning(context, row, params, box);
      SetFocus(box);
      ShowEditValue(context, row, params, box);
      SetContextChange(context, 1, nullptr, row);
      FreeEditValue(&typed);
      return 2;
    }
    const WCHAR* text = typed.text;
    result = ChangeSlot(context, row, slot, &text);
  } else {
    LONG value = static_cast<LONG>(typed.number);
    // A number past the largest of its type would wrap into the range and be
    // stored: such a text is refused here.
    LONG low = 0, high = 0;
    const bool wraps =
        !typed.valid && (!GetRowValueRange(context, row, &low, &high) ||
                         static_cast<uint64_t>(static_cast<uint32_t>(high)) >= TypeMaximum(slot->valueType));
    if (!wraps) {
      if (typed.valid) {
        int decimals = 0;
        if (params->flags & kEditLengthUnit)
          ApplyUnitConversion(SheetUnit(context), slot->settingId, kUnitStore, &value, &decimals);
        if (params->unit && params->unit->conversion) {
          DWORD out = 0;
          const uint64_t number = NumberForType(slot->valueType, value);
          ConvertSettingUnits(kUnitStore, slot->settingId, slot->valueType, &number, &out);
          value = static_cast<LONG>(out);
        }
      }
      const uint64_t number = NumberForType(slot->valueType, value);
      result = ChangeSlot(context, row, slot, &number);
    }
  }
  FreeEditValue(&typed);
  ReloadSlot(context, slot);
  if (!ShowEditValue(context, row, params, box)) return -1;
  if (result == 2) SetFocus(box);
  return result;
}

LRESULT EditKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM, const ControlRow* row,
                        const void* params) {
  const EditControlParams* edit = EditParams(params);
  HWND box = RowControl(context, row);
  if (!box || !edit) return 1;
  const bool textMode = (edit->flags & kEditText) != 0;
  auto commitAnswer = [&](BYTE maskBit) -> LRESULT {
    if (GetContextValue(context) == 2) return 0;
    return CommitEditValue(context, row, edit, box, (edit->checkMask & maskBit) ? TRUE : FALSE) == 2 ? 1 : 0;
  };
  switch (message) {
    case static_cast<UINT>(PSN_SETACTIVE): {
      SendMessageW(box, row->kind == kKindComboBox ? CB_LIMITTEXT : EM_LIMITTEXT, edit->maxLength, 0);
      ShowEditValue(context, row, edit, box);
      EditRecord* record = FindEditRecord(context, row->controlId);
      if (!record) {
        record = static_cast<EditRecord*>(GlobalAlloc(GPTR, sizeof(EditRecord)));
        if (!record) return 0;
        if (AddSheetStoreEntry(context->sheet, kEditStore, static_cast<uint32_t>(row->controlId), context->window,
                               record) != 1) {
          GlobalFree(record);
          return 0;
        }
      }
      record->spinning = 0;
      if (textMode) {
        const WCHAR* shown = SlotText(GetCurrentItemSlot(context, row));
        ReplaceText(&record->current, shown ? shown : u"");
        ReplaceText(&record->initial, shown ? shown : u"");
      }
      return 0;
    }
    case static_cast<UINT>(PSN_KILLACTIVE): {
      const LRESULT answer = commitAnswer(kEditCheckAtKillActive);
      ReleaseRecord(context, row);
      return answer;
    }
    case static_cast<UINT>(PSN_APPLY):
    case static_cast<UINT>(PSN_RESET): ReleaseRecord(context, row); return 0;
    case kMsgValidate: return commitAnswer(kEditCheckAtValidate);
    case kMsgRefill: ShowEditValue(context, row, edit, box); return 0;
    case kMsgRefresh: {
      EditRecord* record = FindEditRecord(context, row->controlId);
      if (textMode && record && GetContextRow(context) != row) {
        const WCHAR* stored = SlotText(GetCurrentItemSlot(context, row));
        ReplaceText(&record->current, stored ? stored : u"");
      }
      ShowEditValue(context, row, edit, box);
      return 0;
    }
    case WM_COMMAND: break;
    default: return 0;
  }
  const UINT code = HIWORD(wParam);
  if (code == EN_KILLFOCUS) {
    const EditRecord* record = FindEditRecord(context, row->controlId);
    if (record && !record->spinning)
      CommitEditValue(context, row, edit, box, (edit->checkMask & kEditCheckAtFocusLoss) ? TRUE : FALSE);
    return 0;
  }
  if (code != EN_CHANGE || !textMode) return 0;
  EditRecord* record = FindEditRecord(context, row->controlId);
  ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!record || !slot) return 0;
  // Putting the kept text back sends EN_CHANGE again; a kept text that is
  // itself too long (a stored value longer than the box takes) would
  // otherwise be put back without end.
  if (record->restoring) return 0;
  EditValue typed{};
  if (!ReadEditValue(context, row, edit, box, FALSE, &typed)) return 0;
  int length = 0;
  LPSTR oem = nullptr;
  WideToOemAlloc(typed.text, &oem, &length);
  if (oem) GlobalFree(oem);
  LONG low = 0, high = 0;
  const bool ranged = GetRowValueRange(context, row, &low, &high) != 0;
  if ((ranged && length > high) || static_cast<DWORD>(length) > edit->maxLength) {
    // Too long for the setting: the last accepted text comes back.
    record->restoring = 1;
    SetWindowTextW(box, record->current ? record->current : u"");
    record->restoring = 0;
    FreeEditValue(&typed);
    return 0;
  }
  const WCHAR* text = typed.text;
  const INT result = ChangeSlot(context, row, slot, &text);
  // The text the setting now holds is the one to come back to.
  if (result == 1 || result == 2 || result == 3) ReplaceText(&record->current, typed.text);
  FreeEditValue(&typed);
  return 0;
}
