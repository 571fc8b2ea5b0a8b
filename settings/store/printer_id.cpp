// Making, reading, storing and formatting the printer id, and the per-user key
// path it names.
#include "settings/store/printer_id.h"

#include <cstring>

#include "platform/spooler/winspool.h"
#include "platform/win/win_md5.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_text.h"
#include "platform/win/win_time.h"
#include "settings/services/spooler_records.h"

int MakePrinterId(HANDLE printer, PrinterId* id) {
  if (id == nullptr) return 0;
  auto* info = static_cast<PRINTER_INFO_1W*>(GetPrinterInfo(printer, 1));
  if (info == nullptr) return 0;
  const int64_t now = _time64(nullptr);
  BYTE time[8];
  for (int i = 0; i < 8; ++i) time[i] = static_cast<BYTE>(static_cast<uint64_t>(now) >> (8 * i));
  Md5Context context;
  Md5Init(&context);
  Md5Update(&context, time, sizeof time);
  // The name as UTF-16LE bytes, whatever the host's byte order.
  for (const WCHAR* c = info->pName; c != nullptr && *c != 0; ++c) {
    const BYTE unit[2] = {static_cast<BYTE>(*c & 0xFF), static_cast<BYTE>(*c >> 8)};
    Md5Update(&context, unit, sizeof unit);
  }
  Md5Final(&context, id->bytes);
  GlobalFree(info);
  return 1;
}

int ReadPrinterId(HANDLE printer, PrinterId* id) {
  if (id == nullptr) return 0;
  PrinterId read{};
  DWORD type = 0;
  DWORD needed = 0;
  if (GetPrinterDataW(printer, PK_PRINTER_ID_VALUE, &type, read.bytes, kPrinterIdSize, &needed) != ERROR_SUCCESS ||
      needed != kPrinterIdSize) {
    return 0;
  }
  *id = read;
  return 1;
}

int WritePrinterIdIfMissing(HANDLE printer, const PrinterId* id) {
  DWORD type = 0;
  DWORD needed = 0;
  if (GetPrinterDataW(printer, PK_PRINTER_ID_VALUE, &type, nullptr, 0, &needed) == ERROR_MORE_DATA) return 1;
  if (id == nullptr) return 0;
  return SetPrinterDataW(printer, PK_PRINTER_ID_VALUE, REG_BINARY, id->bytes, kPrinterIdSize) == ERROR_SUCCESS;
}

int FormatPrinterIdHex(const PrinterId* id, WCHAR* text, UINT length) {
  if (id == nullptr || text == nullptr || length == 0) return 0;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  WCHAR hex[kPrinterIdHexChars];
  for (DWORD i = 0; i < kPrinterIdSize; ++i) {
    hex[2 * i] = static_cast<WCHAR>(kDigits[id->bytes[i] >> 4]);
    hex[2 * i + 1] = static_cast<WCHAR>(kDigits[id->bytes[i] & 0xF]);
  }
  hex[kPrinterIdHexChars - 1] = 0;
  lstrcpynW(text, hex, static_cast<int>(length));
  return 1;
}

int BuildUserKeyPath(LPCWSTR base, const PrinterId* id, LPCWSTR subkey, WCHAR* path, UINT length) {
  if (base == nullptr || id == nullptr || path == nullptr || length == 0) return 0;
  const size_t baseChars = static_cast<size_t>(lstrlenW(base));
  const size_t idChars = kPrinterIdHexChars - 1;
  const size_t subkeyChars = subkey != nullptr ? static_cast<size_t>(lstrlenW(subkey)) + 1 : 0;
  if (baseChars + idChars + subkeyChars + 1 > length) return 0;
  std::memcpy(path, base, baseChars * sizeof(WCHAR));
  FormatPrinterIdHex(id, path + baseChars, kPrinterIdHexChars);
  if (subkey != nullptr) {
    path[baseChars + idChars] = u'\\';
    std::memcpy(path + baseChars + idChars + 1, subkey, (subkeyChars - 1) * sizeof(WCHAR));
  }
  path[baseChars + idChars + subkeyChars] = 0;
  return 1;
}
