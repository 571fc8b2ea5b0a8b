// Resource-string texts, message boxes, display scaling and unit names (see
// resource_text.h).
#include "printer_interface/text/resource_text.h"

#include <cstring>

#include "platform/gdi/printer_dc.h"
#include "platform/ui/win_window.h"
#include "platform/win/win_format.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_resource.h"
#include "settings/services/module_state.h"
#include "settings/services/os_version.h"

namespace {

constexpr int kDefaultMaximum = 256;
constexpr int kCaptionChars = 128;
constexpr int kMessageChars = 256;
constexpr int kUnitChars = 32;

}  // namespace

int FormatResourceStringV(LPWSTR out, int maximum, UINT stringId, va_list args) {
  if (out == nullptr) return 0;
  if (maximum < 1) maximum = kDefaultMaximum;
  out[0] = 0;
  auto* format = static_cast<LPWSTR>(GlobalAlloc(GPTR, size_t(maximum) * sizeof(WCHAR)));
  auto* text = static_cast<LPWSTR>(GlobalAlloc(GPTR, size_t(maximum) * sizeof(WCHAR)));
  int written = 0;
  if (format && text && LoadStringW(GetResourceModule(), stringId, format, maximum) > 0) {
    // The formatter stops at the buffer's end: a long insert is refused, never
    // written past it.
    written = wvnsprintfW(text, maximum, format, args);
    if (written < 0 || written > maximum - 2) written = 0;
    if (written > 0) std::memcpy(out, text, (size_t(written) + 1) * sizeof(WCHAR));
  }
  GlobalFree(format);
  GlobalFree(text);
  return written;
}

int FormatResourceString(LPWSTR out, int maximum, UINT stringId, ...) {
  va_list args;
  va_start(args, stringId);
  const int written = FormatResourceStringV(out, maximum, stringId, args);
  va_end(args);
  return written;
}

int ShowResourceMessageBox(HWND owner, int captionId, LPCWSTR caption, UINT type, int messageId, LPCWSTR message) {
  WCHAR captionText[kCaptionChars] = {};
  WCHAR messageText[kMessageChars] = {};
  if (captionId != kGivenText) {
    if (LoadStringW(GetResourceModule(), UINT(captionId), captionText, kCaptionChars) <= 0) return -1;
    caption = captionText;
  }
  if (messageId != kGivenText) {
    if (LoadStringW(GetResourceModule(), UINT(messageId), messageText, kMessageChars) <= 0) return -1;
    message = messageText;
  }
  if (message == nullptr) return -1;
  return MessageBoxW(owner, message, caption, type);
}

int ScaleForDpi(HDC dc, int value, int axis) {
  if (!IsWindowsVistaOrLater() || dc == nullptr) return value;
  const int dpi = GetDeviceCaps(dc, axis == LOGPIXELSX ? LOGPIXELSX : LOGPIXELSY);
  return static_cast<int>(static_cast<long long>(value) * dpi / 96);
}

int SetUnitLabels(HWND page, int unit, const int* labels) {
  WCHAR name[kUnitChars] = {};
  if (LoadStringW(GetResourceModule(), unit == kUnitInch ? kStringUnitInch : kStringUnitMm, name, kUnitChars) <= 0)
    return 0;
  for (const int* id = labels; id && *id != 0; ++id) SetDlgItemTextW(page, *id, name);
  return 1;
}
