// The range check of the numeric settings the pages edit: the bounds come
// from the first two options of the setting's feature in the device model;
// an out-of-range value is refused with a warning giving the bounds as the
// active page shows them (decimals, unit conversion, inches), an accepted
// one is stored and listed unless only a check was asked for.
#include <cstring>

#include "platform/win/win_memory.h"
#include "printer_interface/framework/page_framework.h"
#include "printer_interface/text/measurement_text.h"
#include "settings/access/setting_access.h"
#include "settings/conflict_actions/conflict_actions.h"
#include "settings/conflict_actions/conflict_messages.h"
#include "settings/model/model_queries.h"

namespace {

bool IsUnsigned32(WORD id) { return (id >= 351 && id <= 354) || id == 373; }

bool HasRange(WORD id) {
  switch (id) {
    case 11:
    case 12:
    case 263:
    case 268:
    case 269:
    case 323:
    case 324:
    case 355:
    case 521:
    case 522:
    case 532:
    case 534: return true;
    default: return (id >= 274 && id <= 285) || IsUnsigned32(id);
  }
}

bool IsScaled(WORD id) { return id == 268 || id == 269 || id == 324 || IsUnsigned32(id); }

// The value of option n of the setting's feature in the setting's width.
bool ReadOptionBound(DeviceModel* model, WORD id, WORD n, int64_t* bound) {
  BYTE* value = nullptr;
  WORD type = 0;
  if (LoadSettingOptionValue(model->primary, model->secondary, id, n, nullptr, &value, &type) != 0 || !value) {
    if (value) GlobalFree(value);
    return false;
  }
  if (IsUnsigned32(id)) {
    uint32_t v = 0;
    std::memcpy(&v, value, type == kSettingTypeInt16 || type == kSettingTypeUInt16 ? 2 : 4);
    *bound = v;
  } else {
    int16_t v = 0;
    std::memcpy(&v, value, 2);
    *bound = v;
  }
  GlobalFree(value);
  return true;
}

// The edit row of the active page whose first item is the setting.
const ControlRow* FindActiveEditRow(const SheetState* state, WORD id) {
  const ControlRow* rows = nullptr;
  INT count = 0;
  if (!GetPageControlRows(state, GetActivePageId(state), &rows, &count)) return nullptr;
  for (INT i = 0; i < count; ++i)
    if (rows[i].kind == kKindEdit && rows[i].itemCount > 0 && rows[i].items[0].id == id) return &rows[i];
  return nullptr;
}

const EditControlParams* EditParamsOf(const ControlRow* row) {
  const auto* indirect = static_cast<const EditControlParams* const*>(row ? row->params : nullptr);
  return indirect ? *indirect : nullptr;
}

}  // namespace

WORD CheckSettingRange(DWORD mode, HWND dialog, const SettingsContext* context, const SettingValueRef* value,
                       WORD** ids, WORD* count) {
  if (!context || !value || !ids || !count) return kRangeFailed;
  if (!value->value) return kRangeRefused;
  const WORD id = value->id;
  if (!HasRange(id)) return kRangeNone;
  const UINT size = IsUnsigned32(id) ? 4 : 2;
  if (id == 263) {
    uint64_t flag = 0;
    SettingValueType type = 0;
    UINT flagSize = 0;
    if (GetSettingValue(449, context->devMode, context->settings, &type, &flagSize, &flag) == kSettingOk &&
        static_cast<uint32_t>(flag) == 0) {
      if (SetSettingValue(id, context->devMode, context->settings, value->valueType, 2, value->value) != kSettingOk)
        return kRangeFailed;
      return AddSettingIdToList(id, kIdListRoom, ids, count) == kIdListOk ? kRangeStored : kRangeFailed;
    }
  }
  if (!context->model) return kRangeFailed;
  int64_t low = 0, high = 0;
  if (!ReadOptionBound(context->model, id, 1, &low) || !ReadOptionBound(context->model, id, 2, &high))
    return kRangeFailed;
  int64_t given = 0;
  if (IsUnsigned32(id)) {
    uint32_t v = 0;
    std::memcpy(&v, value->value, 4);
    given = v;
  } else {
    int16_t v = 0;
    std::memcpy(&v, value->value, 2);
    given = v;
  }
  if (given < low || given > high) {
    LONG scale = 1;
    LONG lower = static_cast<LONG>(low);
    LONG upper = static_cast<LONG>(high);
    bool inches = false;
    SheetState* state = GetWindowSheetState(dialog);
    if (IsScaled(id)) {
      const EditControlParams* edit = EditParamsOf(FindActiveEditRow(state, id));
      if (edit && edit->unit) {
        for (WORD d = 0; d < edit->unit->decimals && d < 9; ++d) scale *= 10;
        if (edit->unit->conversion) {
          DWORD converted = 0;
          ConvertSettingUnits(2, id, IsUnsigned32(id) ? kSettingTypeUInt32 : kSettingTypeInt16, &lower, &converted);
          lower = static_cast<LONG>(IsUnsigned32(id) ? converted : static_cast<int16_t>(converted));
          ConvertSettingUnits(2, id, IsUnsigned32(id) ? kSettingTypeUInt32 : kSettingTypeInt16, &upper, &converted);
          upper = static_cast<LONG>(IsUnsigned32(id) ? converted : static_cast<int16_t>(converted));
        }
      }
      if (edit && (edit->flags & kEditLengthUnit) && state && state->unit == 1) {
        inches = true;
        lower = TenthMmToHundredthInch(lower);
        // The short lengths show their upper bound as 19 inches.
        upper = IsUnsigned32(id) ? TenthMmToHundredthInch(upper) : 19;
      }
    }
    int unitFlag = inches ? 0 : 1;
    if (id >= 351 && id <= 354) unitFlag = inches ? 1 : 0;
    ShowConflictWarning(dialog, context, scale, unitFlag, id, nullptr,
                        IsUnsigned32(id) ? kSettingTypeSInt32 : kSettingTypeInt16, lower, upper);
    return kRangeRefused;
  }
  if (mode == 1) return kRangeInRange;
  if (SetSettingValue(id, context->devMode, context->settings, value->valueType, size, value->value) != kSettingOk)
    return kRangeFailed;
  return AddSettingIdToList(id, kIdListRoom, ids, count) == kIdListOk ? kRangeStored : kRangeFailed;
}

WORD RunSheetRangePass(DWORD flags, HWND owner, const SettingsContext* context, const SettingValueRef* valueRef,
                       WORD** ids, WORD* count, ConstraintResult*) {
  return CheckSettingRange(flags, owner, context, valueRef, ids, count);
}
