// Lengths, units and number texts (see measurement_text.h).
#include "printer_interface/text/measurement_text.h"

#include <cstdint>

#include "platform/win/win_format.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "printer_interface/text/resource_text.h"
#include "settings/access/setting_values.h"
#include "settings/conflict_actions/message_texts.h"

namespace {

constexpr int kNumberTextChars = 24;

int Digits(unsigned long value) {
  int n = 1;
  while (value >= 10) {
    value /= 10;
    ++n;
  }
  return n;
}

}  // namespace

LONG TenthMmToHundredthInch(LONG value) { return static_cast<LONG>((int64_t(value) * 1000 / 254 + 5) / 10); }

LONG HundredthInchToTenthMm(LONG value) { return static_cast<LONG>((int64_t(value) * 254 / 10 + 5) / 10); }

int ConvertSettingUnits(int direction, SettingId id, SettingValueType valueType, const void* value, DWORD* out) {
  if (out == nullptr) return 0;
  const DWORD v = ReadValueAsUInt32(valueType, value);
  const DWORD high = v & 0xFFFF0000u;
  const auto low = static_cast<uint16_t>(v & 0xFFFF);
  switch (id) {
    case 268:
    case 269:
    case 311:
    case 324: *out = high | (direction == 1 ? uint16_t(low * 10) : uint16_t(int16_t(low) / 10)); return 1;
    case 351:
    case 352:
    case 353:
    case 354:
    case 373: *out = high | (direction == 1 ? uint16_t(low * 10) : low); return 1;
    default: *out = v; return 0;
  }
}

int DecimalsForUnit(SettingId id, int unit, int* decimals) {
  if (decimals == nullptr) return 0;
  if (id >= 351 && id <= 354) {
    *decimals = unit == kUnitInch ? 2 : 1;
    return 1;
  }
  if (id == 373) {
    *decimals = unit == kUnitInch ? 1 : 0;
    return 1;
  }
  return 0;
}

int FormatFixedPoint(WCHAR** text, int decimals, BOOL isSigned, DWORD flags, LONG value) {
  if (text == nullptr) return 0;
  *text = nullptr;
  if (!(flags & kFixedPointText) || decimals < 0 || decimals > 9) return 0;
  const bool negative = isSigned && value < 0;
  const unsigned long magnitude = negative ? 0ul - static_cast<unsigned long>(static_cast<DWORD>(value))
                                           : static_cast<unsigned long>(static_cast<DWORD>(value));
  const unsigned long magnitude32 = magnitude & 0xFFFFFFFFul;
  unsigned long scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const unsigned long whole = magnitude32 / scale;
  const unsigned long fraction = magnitude32 % scale;
  // Sign, whole digits, point, at least one fraction digit, terminator.
  const int room = (negative ? 1 : 0) + Digits(whole) + 1 + (decimals > 0 ? decimals : 1) + 1;
  auto* out = static_cast<WCHAR*>(GlobalAlloc(GPTR, size_t(room) * sizeof(WCHAR)));
  if (out == nullptr) return 0;
  const WCHAR* sign = negative ? u"-" : u"";
  const DWORD wholeValue = static_cast<DWORD>(whole);
  int written = 0;
  if ((flags & kFixedPointDropZeroFraction) && fraction == 0) {
    written = wnsprintfW(out, room, u"%s%lu", sign, wholeValue);
  } else {
    WCHAR zeros[10] = {};
    for (int i = 0, n = decimals - Digits(fraction); i < n; ++i) zeros[i] = u'0';
    written = wnsprintfW(out, room, u"%s%lu.%s%lu", sign, wholeValue, zeros, static_cast<DWORD>(fraction));
  }
  if (written < 0) {
    GlobalFree(out);
    return 0;
  }
  *text = out;
  return 1;
}

int FormatNumberText(WCHAR** text, int decimals, BOOL isSigned, SettingValueType valueType, const void* value) {
  if (text == nullptr) return 0;
  *text = nullptr;
  if (decimals != 0)
    return FormatFixedPoint(
        text, decimals, isSigned, kFixedPointText,
        isSigned ? ReadValueAsInt32(valueType, value) : static_cast<LONG>(ReadValueAsUInt32(valueType, value)));
  auto* out = static_cast<WCHAR*>(GlobalAlloc(GPTR, kNumberTextChars * sizeof(WCHAR)));
  if (out == nullptr) return 0;
  if (FormatSettingValue(valueType, value, out) == nullptr) {
    GlobalFree(out);
    return 0;
  }
  *text = out;
  return 1;
}

int RangeText(HMODULE module, LONG low, LONG high, int decimals, int unit, WCHAR* out) {
  if (out == nullptr) return 0;
  out[0] = 0;
  WCHAR unitName[32] = {};
  if (LoadStringW(module, unit == kUnitInch ? kStringUnitInch : kStringUnitMm, unitName, 32) <= 0) return 0;
  WCHAR* lowText = nullptr;
  WCHAR* highText = nullptr;
  // Whole numbers print as unsigned 16-bit values, as the entry fields hold them.
  const SettingValueType type = decimals == 0 ? kSettingTypeUInt16 : kSettingTypeInt32;
  const uint16_t low16 = static_cast<uint16_t>(low), high16 = static_cast<uint16_t>(high);
  const void* lowValue = decimals == 0 ? static_cast<const void*>(&low16) : &low;
  const void* highValue = decimals == 0 ? static_cast<const void*>(&high16) : &high;
  int result = 0;
  if (FormatNumberText(&lowText, decimals, TRUE, type, lowValue) &&
      FormatNumberText(&highText, decimals, TRUE, type, highValue))
    result = WriteResourceMessage(module, out, kRangeTextChars, kStringRange, lowText, highText, unitName);
  GlobalFree(lowText);
  GlobalFree(highText);
  return result;
}
