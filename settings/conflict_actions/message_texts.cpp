// Resource messages, number texts and bounded text buffers (see message_texts.h).
#include "settings/conflict_actions/message_texts.h"

#include <cstdarg>
#include <cstdint>

#include "platform/win/win_format.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "settings/access/setting_values.h"

int WriteResourceMessageV(HMODULE module, WCHAR* out, int outChars, UINT stringId, va_list args) {
  if (out == nullptr || outChars < 1) return 0;
  out[0] = 0;
  WCHAR format[kResourceStringChars];
  if (LoadStringW(module, stringId, format, kResourceStringChars) <= 0) return 0;
  // A text that does not fit is cut; the bounded form still terminates it.
  wvnsprintfW(out, outChars, format, args);
  return 1;
}

int WriteResourceMessage(HMODULE module, WCHAR* out, int outChars, UINT stringId, ...) {
  va_list args;
  va_start(args, stringId);
  const int ok = WriteResourceMessageV(module, out, outChars, stringId, args);
  va_end(args);
  return ok;
}

int FormatResourceMessage(HMODULE module, WCHAR** text, int length, UINT stringId, ...) {
  if (text == nullptr) return 0;
  *text = nullptr;
  if (length < 1) length = kMessageChars;
  auto* block = static_cast<WCHAR*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(length) * sizeof(WCHAR)));
  if (block == nullptr) return 0;
  va_list args;
  va_start(args, stringId);
  const int ok = WriteResourceMessageV(module, block, length, stringId, args);
  va_end(args);
  if (!ok) {
    GlobalFree(block);
    return 0;
  }
  *text = block;
  return 1;
}

namespace {

bool IsSignedNumberType(SettingValueType type) {
  return type == kSettingTypeInt16 || type == kSettingTypeSInt32 || type == kSettingTypeUInt8 ||
         type == kSettingTypeFontField;
}

bool IsNumberType(SettingValueType type) {
  return IsSignedNumberType(type) || type == kSettingTypeUInt16 || type == kSettingTypeUInt32;
}

// The value widened to 64 bits with its type's sign.
int64_t WideValue(SettingValueType type, const void* value) {
  if (type == kSettingTypeUInt16 || type == kSettingTypeUInt32 || type == kSettingTypeUInt8) {
    return ReadValueAsUInt32(type, value);
  }
  return ReadValueAsInt32(type, value);
}

// Divisor 1: the number as its type prints it, or the text itself.
int FormatWhole(SettingValueType type, const void* value, WCHAR* out, int outChars) {
  if (type == kSettingTypeText) {
    wnsprintfW(out, outChars, u"%s", static_cast<const WCHAR*>(value));
    return 1;
  }
  if (!IsNumberType(type)) return 0;
  const int64_t v = WideValue(type, value);
  if (type == kSettingTypeUInt16 || type == kSettingTypeUInt8 || type == kSettingTypeUInt32) {
    wnsprintfW(out, outChars, u"%lu", static_cast<DWORD>(v));
  } else {
    wnsprintfW(out, outChars, u"%ld", static_cast<LONG>(v));
  }
  return 1;
}

// The decimals a divisor needs: n for 10^n, and enough for any other divisor
// (at most nine, so that the fraction stays within 32 bits).
int DecimalsOf(LONG divisor) {
  int decimals = 0;
  for (int64_t p = 1; p < divisor && decimals < 9; p *= 10) ++decimals;
  return decimals;
}

// Sign, quotient and the remainder as `decimals` digits. The remainder is
// printed as a fraction of the divisor, so 304 hundredths read "3.04" and a
// negative value keeps its sign even when its quotient is 0.
void FormatFraction(int64_t v, LONG divisor, int decimals, WCHAR* out, int outChars) {
  const bool negative = v < 0;
  const uint64_t magnitude = negative ? static_cast<uint64_t>(-v) : static_cast<uint64_t>(v);
  const uint64_t quotient = magnitude / static_cast<uint64_t>(divisor);
  const uint64_t remainder = magnitude % static_cast<uint64_t>(divisor);
  uint64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const uint64_t fraction = remainder * scale / static_cast<uint64_t>(divisor);
  if (decimals == 0) {
    wnsprintfW(out, outChars, u"%s%lu", negative ? u"-" : u"", static_cast<DWORD>(quotient));
    return;
  }
  WCHAR format[16];
  wnsprintfW(format, 16, u"%%s%%lu.%%0%dlu", decimals);
  wnsprintfW(out, outChars, format, negative ? u"-" : u"", static_cast<DWORD>(quotient), static_cast<DWORD>(fraction));
}

bool NumberArgumentsOk(LONG divisor, const void* value, WCHAR* out, int outChars) {
  return divisor >= 1 && value != nullptr && out != nullptr && outChars > 0;
}

}  // namespace

int FormatScaledNumber(BOOL twoDecimals, LONG divisor, SettingValueType type, const void* value, WCHAR* out,
                       int outChars) {
  if (!NumberArgumentsOk(divisor, value, out, outChars)) return 0;
  out[0] = 0;
  if (divisor == 1) return FormatWhole(type, value, out, outChars);
  if (!IsNumberType(type)) return 0;
  int decimals = DecimalsOf(divisor);
  if (twoDecimals && decimals < 2) decimals = 2;
  FormatFraction(WideValue(type, value), divisor, decimals, out, outChars);
  return 1;
}

int FormatNumber(BOOL wholeMode, LONG divisor, SettingValueType type, const void* value, WCHAR* out, int outChars) {
  if (!NumberArgumentsOk(divisor, value, out, outChars)) return 0;
  out[0] = 0;
  if (divisor == 1) return FormatWhole(type, value, out, outChars);
  if (!IsNumberType(type)) return 0;
  const int64_t v = WideValue(type, value);
  if (!wholeMode) {
    FormatFraction(v, divisor, DecimalsOf(divisor), out, outChars);
  } else if (IsSignedNumberType(type)) {
    wnsprintfW(out, outChars, u"%ld", static_cast<LONG>(v / divisor));
  } else {
    wnsprintfW(out, outChars, u"%lu", static_cast<DWORD>(v / divisor));
  }
  return 1;
}

void InitBoundedText(BoundedText* text, WCHAR* buffer, int capacity) {
  text->chars = buffer;
  text->capacity = capacity;
  text->length = 0;
  if (capacity > 0) buffer[0] = 0;
}

void AppendBoundedText(BoundedText* text, const WCHAR* part) {
  if (part == nullptr || text->capacity <= 0) return;
  while (*part != 0 && text->length < text->capacity - 1) text->chars[text->length++] = *part++;
  text->chars[text->length] = 0;
}

WCHAR* CopyTextToBlock(const WCHAR* text, int chars) {
  auto* block = static_cast<WCHAR*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(chars) * sizeof(WCHAR)));
  if (block == nullptr) return nullptr;
  BoundedText b;
  InitBoundedText(&b, block, chars);
  AppendBoundedText(&b, text);
  return block;
}

void CutAtLineFeed(WCHAR* text) {
  if (text == nullptr) return;
  for (; *text != 0; ++text) {
    if (*text == u'\n') {
      *text = 0;
      return;
    }
  }
}
