// The per-user settings store of a printer: its key path, the value reader and
// writer every per-user store uses, the clean-up of keys of printers that are
// gone, and registry tree deletion and copy.
#include "settings/store/user_store.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/spooler/winspool.h"
#include "platform/win/win_error.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_text.h"
#include "settings/model/device_model.h"
#include "settings/store/le_bytes.h"
#include "settings/store/printer_id.h"
#include "settings/services/spooler_records.h"

namespace {

// Longest key or value name a tree copy handles, terminator excluded.
constexpr DWORD kTreeNameChars = 260;
// Longest key name the clean-up collects, terminator excluded; an id has 32.
constexpr DWORD kCleanNameChars = 65;

// The model's per-user base (header field 34) as a new text, or null.
WCHAR* PerUserBase(DeviceModel* model) {
  WCHAR* base = nullptr;
  if (model == nullptr || GetModelRegistryBase(model->primary, kRegistryBasePerUser, &base) != 0) return nullptr;
  return base;
}

// The printer's per-user key path (with the subkey when given) without
// making an id: kUserValueRead with the path, kUserValueAbsent when the
// printer has no id, kUserValueNoModel when the model or its base cannot be
// read or the path does not fit.
int FindUserKeyPath(HANDLE printer, LPCWSTR subkey, WCHAR* path, UINT length) {
  DeviceModel* model = OpenDeviceModel(printer);
  if (model == nullptr) return kUserValueNoModel;
  int result = kUserValueNoModel;
  PrinterId id;
  WCHAR* base = nullptr;
  if (!ReadPrinterId(printer, &id)) {
    result = kUserValueAbsent;
  } else if ((base = PerUserBase(model)) != nullptr && BuildUserKeyPath(base, &id, subkey, path, length)) {
    result = kUserValueRead;
  }
  GlobalFree(base);
  CloseDeviceModel(model);
  return result;
}

// The printer id the key is named by: the stored one, or a new one made and
// stored now. The id in use is always read back from printer data, so a value
// that exists but is no valid id never names a key.
bool EnsurePrinterId(HANDLE printer, PrinterId* id) {
  if (ReadPrinterId(printer, id)) return true;
  PrinterId made;
  if (!MakePrinterId(printer, &made) || !WritePrinterIdIfMissing(printer, &made)) return false;
  return ReadPrinterId(printer, id) != 0;
}

// The printer's Attributes from PRINTER_INFO_4, else PRINTER_INFO_5.
bool ReadPrinterAttributes(HANDLE printer, DWORD* attributes) {
  if (auto* info4 = static_cast<PRINTER_INFO_4W*>(GetPrinterInfo(printer, 4))) {
    *attributes = info4->Attributes;
    GlobalFree(info4);
    return true;
  }
  if (auto* info5 = static_cast<PRINTER_INFO_5W*>(GetPrinterInfo(printer, 5))) {
    *attributes = info5->Attributes;
    GlobalFree(info5);
    return true;
  }
  return false;
}

// Stores the printer's Attributes as the key's default value unless it has
// one already: 1 / 0.
int EnsureAttributesDefault(HANDLE printer, HKEY key) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, u"", nullptr, &type, nullptr, &size) == ERROR_SUCCESS) return 1;
  DWORD attributes = 0;
  if (!ReadPrinterAttributes(printer, &attributes)) return 0;
  BYTE bytes[4];
  StoreLe32(bytes, attributes);
  return RegSetValueExW(key, u"", 0, REG_BINARY, bytes, sizeof bytes) == ERROR_SUCCESS;
}

// Collects the hexadecimal ids of every local printer. False when the
// printers cannot be listed, or when one of them cannot be opened or its id
// cannot be read for a reason other than its absence: a printer that is
// merely unreachable now must not lose its settings.
bool CollectLocalPrinterIds(std::vector<std::u16string>* ids) {
  DWORD needed = 0;
  DWORD count = 0;
  if (EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count) || needed == 0) return false;
  auto* printers = static_cast<PRINTER_INFO_4W*>(GlobalAlloc(GPTR, needed));
  if (printers == nullptr) return false;
  bool ok =
      EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, reinterpret_cast<LPBYTE>(printers), needed, &needed, &count) != 0;
  for (DWORD i = 0; ok && i < count; ++i) {
    HANDLE printer = nullptr;
    if (!OpenPrinterW(printers[i].pPrinterName, &printer, nullptr)) {
      ok = false;
      break;
    }
    PrinterId id{};
    DWORD type = 0;
    DWORD size = 0;
    const DWORD rc = GetPrinterDataW(printer, PK_PRINTER_ID_VALUE, &type, id.bytes, kPrinterIdSize, &size);
    if (rc == ERROR_SUCCESS && size == kPrinterIdSize) {
      WCHAR hex[kPrinterIdHexChars];
      FormatPrinterIdHex(&id, hex, kPrinterIdHexChars);
      ids->emplace_back(hex);
    } else if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND && rc != ERROR_MORE_DATA) {
      // A value of another size is no id and can never name a key.
      ok = false;
    }
    ClosePrinter(printer);
  }
  GlobalFree(printers);
  return ok;
}

// The subkeys of HKEY_CURRENT_USER\base whose names are none of the ids.
bool CollectStaleKeys(LPCWSTR base, const std::vector<std::u16string>& ids, std::vector<std::u16string>* stale) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, base, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  for (DWORD index = 0;; ++index) {
    WCHAR name[kCleanNameChars + 1];
    DWORD chars = kCleanNameChars + 1;
    const LSTATUS rc = RegEnumKeyExW(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) continue;  // too long to be an id of ours
    if (rc != ERROR_SUCCESS) break;
    bool known = false;
    for (const std::u16string& id : ids) known = known || id == name;
    if (!known) stale->emplace_back(name);
  }
  RegCloseKey(key);
  return true;
}

}  // namespace

int WriteUserValue(HANDLE printer, const void* data, DWORD size, DWORD type, LPCWSTR subkey, LPCWSTR valueName) {
  DeviceModel* model = OpenDeviceModel(printer);
  if (model == nullptr) return 0;
  int result = 0;
  PrinterId id;
  WCHAR* base = nullptr;
  WCHAR path[kUserKeyPathChars];
  HKEY key = nullptr;
  // The path must fit before an id is made for it.
  const PrinterId anyId{};
  if ((base = PerUserBase(model)) != nullptr && BuildUserKeyPath(base, &anyId, subkey, path, kUserKeyPathChars) &&
      EnsurePrinterId(printer, &id) && BuildUserKeyPath(base, &id, subkey, path, kUserKeyPathChars)) {
    bool ready = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS;
    if (!ready) {
      // The first key made for an id also clears the keys of deleted printers.
      ready = RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr) == ERROR_SUCCESS;
      if (ready) CleanUserSettingKeys(nullptr, model);
    }
    ready = ready && RegSetValueExW(key, valueName, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    if (ready && subkey != nullptr) {
      RegCloseKey(key);
      key = nullptr;
      ready = BuildUserKeyPath(base, &id, nullptr, path, kUserKeyPathChars) &&
              RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS;
    }
    if (ready) result = EnsureAttributesDefault(printer, key);
  }
  if (key != nullptr) RegCloseKey(key);
  GlobalFree(base);
  CloseDeviceModel(model);
  return result;
}

int ReadUserValue(HANDLE printer, void* buffer, DWORD size, LPCWSTR subkey, LPCWSTR valueName) {
  return ReadUserValueSized(printer, buffer, size, subkey, valueName, nullptr);
}

int ReadUserValueSized(HANDLE printer, void* buffer, DWORD size, LPCWSTR subkey, LPCWSTR valueName, DWORD* read) {
  WCHAR path[kUserKeyPathChars];
  const int found = FindUserKeyPath(printer, subkey, path, kUserKeyPathChars);
  if (found != kUserValueRead) return found;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return kUserValueAbsent;
  int result = kUserValueAbsent;
  DWORD type = 0;
  DWORD stored = 0;
  if (RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &stored) == ERROR_SUCCESS && stored <= size &&
      (buffer != nullptr || stored == 0)) {
    DWORD got = size;
    if (RegQueryValueExW(key, valueName, nullptr, &type, static_cast<LPBYTE>(buffer), &got) == ERROR_SUCCESS) {
      if (read != nullptr) *read = got;
      result = kUserValueRead;
    }
  }
  RegCloseKey(key);
  return result;
}

int HasUserSettingInfo(HANDLE printer) {
  WCHAR path[kUserKeyPathChars];
  if (FindUserKeyPath(printer, nullptr, path, kUserKeyPathChars) != kUserValueRead) return 0;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD type = 0;
  DWORD size = 0;
  const bool has = RegQueryValueExW(key, PK_USER_SETTING_INFO_VALUE, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return has;
}

int GetStampsKeyPath(HANDLE printer, WCHAR* path, UINT length, int which) {
  if (which != kStampsKey && which != kStampsOthersKey) return 0;
  return FindUserKeyPath(printer, which == kStampsKey ? u"Stamps" : u"Stamps\\Others", path, length) == kUserValueRead;
}

int GetPaperMarginKeyPath(HANDLE printer, WCHAR* path, UINT length) {
  return FindUserKeyPath(printer, u"Paper Margin", path, length) == kUserValueRead;
}

int CleanUserSettingKeys(HANDLE printer, DeviceModel* model) {
  WCHAR* base = PerUserBase(model);
  if (base == nullptr) return 0;
  int deleted = 0;
  if (printer != nullptr) {
    PrinterId id;
    WCHAR hex[kPrinterIdHexChars];
    if (ReadPrinterId(printer, &id) && FormatPrinterIdHex(&id, hex, kPrinterIdHexChars))
      deleted = DeleteUserKeyIfLocal(hex, base, PRINTER_ATTRIBUTE_LOCAL);
  } else {
    std::vector<std::u16string> ids;
    std::vector<std::u16string> stale;
    if (CollectLocalPrinterIds(&ids) && CollectStaleKeys(base, ids, &stale)) {
      for (const std::u16string& name : stale)
        deleted += DeleteUserKeyIfLocal(name.c_str(), base, PRINTER_ATTRIBUTE_LOCAL);
    }
  }
  GlobalFree(base);
  return deleted;
}

int DeleteUserKeyIfLocal(LPCWSTR name, LPCWSTR base, DWORD mask) {
  if (name == nullptr || base == nullptr) return 0;
  HKEY parent = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, base, 0, KEY_ALL_ACCESS, &parent) != ERROR_SUCCESS) return 0;
  bool remove = mask == 0;
  if (!remove) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, name, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      BYTE bytes[4] = {};
      DWORD type = 0;
      DWORD size = sizeof bytes;
      if (RegQueryValueExW(key, u"", nullptr, &type, bytes, &size) == ERROR_SUCCESS && size == sizeof bytes) {
        remove = (LoadLe32(bytes) & mask) != 0;
      }
      RegCloseKey(key);
    }
  }
  const int deleted = remove ? DeleteRegistryTree(parent, name) : 0;
  RegCloseKey(parent);
  return deleted;
}

int DeleteRegistryTree(HKEY key, LPCWSTR subkey) {
  if (subkey == nullptr) return 0;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(key, subkey, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) return 0;
  WCHAR child[kTreeNameChars + 1];
  DWORD chars = kTreeNameChars + 1;
  bool ok = true;
  while (ok && RegEnumKeyExW(opened, 0, child, &chars, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
    ok = DeleteRegistryTree(opened, child) != 0;
    chars = kTreeNameChars + 1;
  }
  RegCloseKey(opened);
  return ok && RegDeleteKeyW(key, subkey) == ERROR_SUCCESS;
}

int CopyRegistryTree(HKEY destination, HKEY source) {
  WCHAR name[kTreeNameChars + 1];
  for (DWORD index = 0;; ++index) {
    DWORD chars = kTreeNameChars + 1;
    DWORD type = 0;
    DWORD size = 0;
    const LSTATUS rc = RegEnumValueW(source, index, name, &chars, nullptr, &type, nullptr, &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return 0;
    BYTE* data = static_cast<BYTE*>(GlobalAlloc(GPTR, size != 0 ? size : 1));
    if (data == nullptr) return 0;
    DWORD got = size;
    bool ok = RegQueryValueExW(source, name, nullptr, &type, data, &got) == ERROR_SUCCESS &&
              RegSetValueExW(destination, name, 0, type, data, got) == ERROR_SUCCESS;
    GlobalFree(data);
    if (!ok) return 0;
  }
  for (DWORD index = 0;; ++index) {
    DWORD chars = kTreeNameChars + 1;
    const LSTATUS rc = RegEnumKeyExW(source, index, name, &chars, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return 0;
    HKEY to = nullptr;
    HKEY from = nullptr;
    bool ok = RegCreateKeyExW(destination, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &to,
                              nullptr) == ERROR_SUCCESS &&
              RegOpenKeyExW(source, name, 0, KEY_READ, &from) == ERROR_SUCCESS;
    ok = ok && CopyRegistryTree(to, from);
    if (to != nullptr) RegCloseKey(to);
    if (from != nullptr) RegCloseKey(from);
    if (!ok) return 0;
  }
  return 1;
}

int ReadUserText(HANDLE printer, WCHAR* buffer, UINT chars, LPCWSTR subkey, LPCWSTR valueName) {
  if (buffer == nullptr || chars == 0) return kUserValueAbsent;
  buffer[0] = 0;
  WCHAR path[kUserKeyPathChars];
  const int found = FindUserKeyPath(printer, subkey, path, kUserKeyPathChars);
  if (found != kUserValueRead) return found;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return kUserValueAbsent;
  int result = kUserValueAbsent;
  DWORD type = 0;
  DWORD stored = 0;
  if (RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &stored) == ERROR_SUCCESS) {
    // The whole value is read, so that a longer one is cut, not refused.
    BYTE* bytes = static_cast<BYTE*>(GlobalAlloc(GPTR, stored + sizeof(WCHAR)));
    DWORD got = stored;
    if (bytes != nullptr && RegQueryValueExW(key, valueName, nullptr, &type, bytes, &got) == ERROR_SUCCESS) {
      const size_t storedChars = got / sizeof(WCHAR);
      size_t n = 0;
      while (n + 1 < chars && n < storedChars) {
        WCHAR c;
        std::memcpy(&c, bytes + n * sizeof(WCHAR), sizeof c);
        if (c == 0) break;
        buffer[n++] = c;
      }
      buffer[n] = 0;
      result = kUserValueRead;
    }
    GlobalFree(bytes);
  }
  RegCloseKey(key);
  return result;
}
