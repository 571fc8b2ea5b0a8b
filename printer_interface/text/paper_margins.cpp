// Paper margins and their texts (see paper_margins.h).
#include "printer_interface/text/paper_margins.h"

#include <cstring>
#include <string>

#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "platform/win/win_text.h"
#include "printer_interface/text/measurement_text.h"
#include "printer_interface/text/resource_text.h"
#include "settings/access/setting_access.h"
#include "settings/access/setting_values.h"
#include "settings/conflict_actions/message_texts.h"
#include "settings/conflicts/paper_fit.h"
#include "settings/model/device_model.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_records.h"
#include "settings/services/user_paper.h"
#include "settings/store/paper_margin_store.h"

namespace {

constexpr SettingId kOrientationSetting = 7;

int Orientation(const SettingsContext* context) {
  return static_cast<int>(GetSettingInt(context->devMode, context->settings, kOrientationSetting));
}

bool Landscape(int orientation) { return orientation != kOrientationPortrait; }

}  // namespace

int SetMargins(PaperMargins* margins, int which, int32_t m0, int32_t m1, int32_t m2, int32_t m3) {
  if (margins == nullptr || which < 0 || which > 4) return 0;
  const int32_t given[4] = {m0, m1, m2, m3};
  for (int i = 0; i < 4; ++i)
    if (which == 4 || which == i) margins->m[i] = given[i];
  return 1;
}

int GetMargins(const PaperMargins* margins, int which, int32_t* m0, int32_t* m1, int32_t* m2, int32_t* m3) {
  if (margins == nullptr || which < 0 || which > 4) return 0;
  int32_t* out[4] = {m0, m1, m2, m3};
  for (int i = 0; i < 4; ++i)
    if ((which == 4 || which == i) && out[i]) *out[i] = margins->m[i];
  return 1;
}

int CheckMarginsFit(HANDLE printer, const SettingsContext* context, WORD paperCode, int index,
                    const PaperMargins* margins, const PaperDimensions* dimensions, BOOL useStored) {
  if (context == nullptr || context->devMode == nullptr) return 0;
  const int orientation = Orientation(context);
  int32_t pair = 0;
  LONG across = 0;
  if (useStored) {
    if (printer == nullptr || dimensions == nullptr || index < 0 || index > 1 || context->model == nullptr) return 0;
    WCHAR* base = nullptr;
    if (GetModelRegistryBase(context->model->primary, kRegistryBaseMachineStamps, &base) != 0) {
      if (base) GlobalFree(base);
      return 0;
    }
    int32_t caller[4] = {};
    const int status = GetStoredPaperMargins(printer, paperCode, caller, base, orientation);
    GlobalFree(base);
    if (status != kMarginOk) return 0;
    // The four come in the order (m3, m0, m2, m1).
    const int32_t m0 = caller[1], m1 = caller[3], m2 = caller[2], m3 = caller[0];
    const bool widthPair = (index == 0) != Landscape(orientation);
    pair = widthPair ? m0 + m2 : m1 + m3;
    across = index == 0 ? dimensions->width : dimensions->length;
  } else {
    if (margins == nullptr || index < 0 || index > 3) return 0;
    LONG width = 0, length = 0;
    if (!GetPaperDimensions(context, paperCode, &width, &length)) return 0;
    const bool evenPair = index % 2 == 0;
    pair = evenPair ? margins->m[0] + margins->m[2] : margins->m[1] + margins->m[3];
    // m0 + m2 lie across the width in portrait.
    across = evenPair != Landscape(orientation) ? width : length;
  }
  return pair < across ? 1 : -1;
}

int FindPapersWithBadMargins(HANDLE printer, void* devMode, void* settings, DeviceModel* model,
                             WORD codes[kMarginSlots]) {
  if (codes == nullptr || model == nullptr) return 0;
  std::memset(codes, 0, sizeof(WORD) * kMarginSlots);
  const SettingsContext context{model, devMode, settings};
  int result = 1;
  int found = 0;
  for (DWORD position = 1; found < kMarginSlots; ++position) {
    ModelRecord* record = nullptr;
    if (LoadModelRecordByIndex(false, model->primary, model->secondary, kRecordPaper, position, &record) != 0) break;
    const PointItem* first = GetPaperRecordPoint1(record);
    const PointItem* second = GetPaperRecordPoint2(record);
    const bool variable = first && second && (first->x != second->x || first->y != second->y);
    const WORD code = record->type == kRecordPaper ? static_cast<PaperRecord*>(record)->paperCode : 0;
    ReleaseModelRecord(record);
    if (!variable) continue;
    LONG width = 0, length = 0;
    if (!GetPaperDimensions(&context, code, &width, &length)) return 0;
    const PaperDimensions dimensions{static_cast<uint16_t>(width), static_cast<uint16_t>(length)};
    for (int axis = 0; axis < 2; ++axis) {
      const int fit = CheckMarginsFit(printer, &context, code, axis, nullptr, &dimensions, TRUE);
      if (fit == 0) {
        result = 0;
        break;
      }
      if (fit == -1) {
        codes[found++] = code;
        result = -1;
        break;
      }
    }
  }
  return result;
}

BOOL ResetPaperMargins(HANDLE printer, const SettingsContext* context, const WORD codes[kMarginSlots]) {
  if (context == nullptr || context->model == nullptr || codes == nullptr) return FALSE;
  WCHAR* base = nullptr;
  if (GetModelRegistryBase(context->model->primary, kRegistryBaseMachineStamps, &base) != 0) {
    if (base) GlobalFree(base);
    return FALSE;
  }
  const int orientation = Orientation(context);
  BOOL ok = TRUE;
  for (int i = 0; i < kMarginSlots && ok; ++i) {
    if (codes[i] == 0) continue;
    int32_t caller[4];
    SetDefaultPaperMargins(caller, orientation);
    ok = SetStoredPaperMargins(printer, codes[i], caller, base, orientation) == kMarginOk;
  }
  GlobalFree(base);
  return ok;
}

int UserPaperText(HMODULE module, const SettingsContext* context, WORD paperCode, WCHAR* out) {
  if (out == nullptr || context == nullptr) return 0;
  out[0] = 0;
  const WORD slot = GetUserPaperIndex(paperCode);
  if (slot >= kUserPaperSlotCount) return 0;
  SettingValueType type = 0;
  UINT size = 0;
  const WCHAR* name = nullptr;
  if (GetSettingValue(static_cast<SettingId>(1331 + slot), context->devMode, context->settings, &type, &size, &name) !=
          kSettingOk ||
      name == nullptr)
    return 0;
  WCHAR nameText[kUserPaperNameBytes / 2] = {};
  lstrcpynW(nameText, name, kUserPaperNameBytes / 2);
  DWORD width = 0, length = 0;
  for (const auto& [id, value] :
       {std::pair{SettingId(1311 + slot), &width}, std::pair{SettingId(1321 + slot), &length}}) {
    uint64_t raw = 0;
    if (GetSettingValue(id, context->devMode, context->settings, &type, &size, &raw) != kSettingOk) return 0;
    *value = ReadValueAsUInt32(type, &raw);
  }
  WCHAR between[32] = {}, unit[32] = {}, userPaper[64] = {}, size_text[kPaperTextChars] = {};
  if (LoadStringW(module, kStringSizeBetween, between, 32) <= 0 || LoadStringW(module, kStringUnitMm, unit, 32) <= 0 ||
      LoadStringW(module, kStringUserPaper, userPaper, 64) <= 0)
    return 0;
  if (wnsprintfW(size_text, kPaperTextChars, u"%s (%u%s%u%s)", nameText, width / 10, between, length / 10, unit) < 0)
    return 0;
  return wnsprintfW(out, kPaperTextChars, u"%s %s", size_text, userPaper) >= 0 ? 1 : (out[0] = 0, 0);
}

int DefaultMarginText(HMODULE module, WCHAR* out) {
  if (out == nullptr) return 0;
  out[0] = 0;
  WCHAR unit[32] = {};
  if (LoadStringW(module, kStringUnitMm, unit, 32) <= 0) return 0;
  WCHAR* number = nullptr;
  if (!FormatFixedPoint(&number, 1, FALSE, kFixedPointText, kDefaultPaperMargin)) return 0;
  const int written = wnsprintfW(out, kPaperTextChars, u"%s %s", number, unit);
  GlobalFree(number);
  if (written < 0) out[0] = 0;
  return written >= 0;
}

int MarginResetMessage(HMODULE module, const SettingsContext* context, int messageId, const WORD codes[kMarginSlots],
                       WCHAR** message, BOOL append) {
  if (codes == nullptr || message == nullptr) return 0;
  bool any = false;
  for (int i = 0; i < kMarginSlots; ++i) any = any || codes[i] != 0;
  if (!any) return 1;
  WCHAR margin[kPaperTextChars];
  if (!DefaultMarginText(module, margin)) return 0;
  std::u16string lines;
  for (int i = 0; i < kMarginSlots; ++i) {
    if (codes[i] == 0) continue;
    WCHAR paper[kPaperTextChars];
    WCHAR line[kMarginLineChars];  // a longer line is cut
    if (!UserPaperText(module, context, codes[i], paper) ||
        !WriteResourceMessage(module, line, kMarginLineChars, kStringPaperLine, paper, margin))
      return 0;
    lines += line;
  }
  // Every buffer is sized from the joined lines: ten lines of up to 512
  // characters need more than any fixed message buffer holds.
  if (append) {
    const size_t existing = *message ? size_t(lstrlenW(*message)) : 0;
    auto* grown = static_cast<WCHAR*>(GlobalAlloc(GPTR, (existing + lines.size() + 1) * sizeof(WCHAR)));
    if (grown == nullptr) return 0;
    if (existing) std::memcpy(grown, *message, existing * sizeof(WCHAR));
    std::memcpy(grown + existing, lines.c_str(), (lines.size() + 1) * sizeof(WCHAR));
    if (*message) GlobalFree(*message);
    *message = grown;
    return 1;
  }
  if (messageId == kGivenText) {
    auto* block = static_cast<WCHAR*>(GlobalAlloc(GPTR, (lines.size() + 1) * sizeof(WCHAR)));
    if (block == nullptr) return 0;
    std::memcpy(block, lines.c_str(), (lines.size() + 1) * sizeof(WCHAR));
    *message = block;
    return 1;
  }
  const int length = static_cast<int>(lines.size()) + kResourceStringChars + 1;
  return FormatResourceMessage(module, message, length, static_cast<UINT>(messageId), lines.c_str());
}
