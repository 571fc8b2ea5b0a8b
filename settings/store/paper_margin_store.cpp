// The per-user paper margin store (see paper_margin_store.h).
#include "settings/store/paper_margin_store.h"

#include <cstring>

#include "platform/win/win_error.h"
#include "platform/win/win_format.h"
#include "platform/win/win_memory.h"
#include "settings/store/printer_id.h"
#include "settings/store/user_store.h"

namespace {

constexpr const char16_t* kPaperMarginSubkey = u"Paper Margin";

size_t TextLength(LPCWSTR text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

// The per-user key path; a printer without id gets one now, since the store
// is about to make its key.
bool PaperMarginPath(HANDLE printer, WCHAR* path) {
  if (GetPaperMarginKeyPath(printer, path, kUserKeyPathChars)) return true;
  PrinterId id;
  if (ReadPrinterId(printer, &id)) return false;
  if (!MakePrinterId(printer, &id) || !WritePrinterIdIfMissing(printer, &id)) return false;
  return GetPaperMarginKeyPath(printer, path, kUserKeyPathChars) != 0;
}

void ValueName(WORD paperCode, WCHAR name[16]) { wnsprintfW(name, 16, u"%u", static_cast<unsigned>(paperCode)); }

}  // namespace

int CanWriteMachineKey(void*) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return kMarginWriteFailed;
  const DWORD one = 1;
  const bool written =
      RegSetValueExW(key, u"WriteCheck", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4) == ERROR_SUCCESS;
  if (written) RegDeleteValueW(key, u"WriteCheck");
  RegCloseKey(key);
  return written ? kMarginOk : kMarginWriteFailed;
}

int MakePaperMarginMachinePath(LPCWSTR machineBase, WCHAR** path) {
  if (path == nullptr) return kMarginNoMemory;
  *path = nullptr;
  const size_t baseChars = machineBase ? TextLength(machineBase) : 0;
  const size_t subChars = TextLength(kPaperMarginSubkey);
  auto* text = static_cast<WCHAR*>(GlobalAlloc(GPTR, (baseChars + subChars + 1) * sizeof(WCHAR)));
  if (text == nullptr) return kMarginNoMemory;
  if (baseChars) std::memcpy(text, machineBase, baseChars * sizeof(WCHAR));
  std::memcpy(text + baseChars, kPaperMarginSubkey, subChars * sizeof(WCHAR));
  *path = text;
  return kMarginOk;
}

int OpenPaperMarginKey(HANDLE printer, LPCWSTR machineBase, HKEY* key, WCHAR** pathCopy) {
  if (key == nullptr) return kMarginNoKeyPath;
  *key = nullptr;
  if (pathCopy) *pathCopy = nullptr;
  WCHAR path[kUserKeyPathChars];
  if (!PaperMarginPath(printer, path)) return kMarginNoKeyPath;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
      return kMarginKeyNotCreated;
    // A new key starts from the machine-wide margins, when there are any.
    WCHAR* machinePath = nullptr;
    if (MakePaperMarginMachinePath(machineBase, &machinePath) != kMarginOk) {
      RegCloseKey(opened);
      return kMarginNoKeyPath;
    }
    HKEY machine = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, machinePath, 0, KEY_READ, &machine) == ERROR_SUCCESS) {
      CopyRegistryTree(opened, machine);
      RegCloseKey(machine);
    }
    GlobalFree(machinePath);
  }
  if (pathCopy) {
    const size_t chars = TextLength(path) + 1;
    auto* copy = static_cast<WCHAR*>(GlobalAlloc(GPTR, chars * sizeof(WCHAR)));
    if (copy == nullptr) {
      RegCloseKey(opened);
      return kMarginNoMemory;
    }
    std::memcpy(copy, path, chars * sizeof(WCHAR));
    *pathCopy = copy;
  }
  *key = opened;
  return kMarginOk;
}

int WritePaperMarginValue(HKEY key, const PaperMarginValue* value) {
  if (key == nullptr || value == nullptr) return kMarginWriteFailed;
  WCHAR name[16];
  ValueName(value->paperCode, name);
  return RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(value), kPaperMarginValueSize) ==
                 ERROR_SUCCESS
             ? kMarginOk
             : kMarginWriteFailed;
}

int ReadPaperMarginValue(HANDLE printer, LPCWSTR machineBase, WORD paperCode, int32_t stored[4]) {
  const bool writable = CanWriteMachineKey(nullptr) == kMarginOk;
  HKEY key = nullptr;
  const int opened = OpenPaperMarginKey(printer, machineBase, &key, nullptr);
  if (opened != kMarginOk) return opened;
  WCHAR name[16];
  ValueName(paperCode, name);
  // Only a value of exactly the record's size is a stored margin set; any
  // other counts as none.
  PaperMarginValue value{};
  DWORD type = 0;
  DWORD size = 0;
  bool found =
      RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size == kPaperMarginValueSize;
  if (found) {
    size = kPaperMarginValueSize;
    found = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) == ERROR_SUCCESS &&
            size == kPaperMarginValueSize;
  }
  int result = kMarginOk;
  if (found) {
    std::memcpy(stored, value.margins, sizeof value.margins);
  } else {
    PaperMarginValue defaults{
        paperCode, 0, {kDefaultPaperMargin, kDefaultPaperMargin, kDefaultPaperMargin, kDefaultPaperMargin}};
    if (writable && WritePaperMarginValue(key, &defaults) != kMarginOk) {
      result = kMarginWriteFailed;
    } else {
      std::memcpy(stored, defaults.margins, sizeof defaults.margins);
    }
  }
  RegCloseKey(key);
  return result;
}

int WritePaperMargins(HANDLE printer, LPCWSTR machineBase, WORD paperCode, const int32_t stored[4]) {
  HKEY key = nullptr;
  const int opened = OpenPaperMarginKey(printer, machineBase, &key, nullptr);
  if (opened != kMarginOk) return opened;
  PaperMarginValue value{paperCode, 0, {stored[0], stored[1], stored[2], stored[3]}};
  const int result = WritePaperMarginValue(key, &value);
  RegCloseKey(key);
  return result;
}

int ClearStoredPaperMargins(HANDLE printer, LPCWSTR machineBase) {
  HKEY key = nullptr;
  WCHAR* path = nullptr;
  const int opened = OpenPaperMarginKey(printer, machineBase, &key, &path);
  if (opened != kMarginOk) return opened;
  RegCloseKey(key);
  key = nullptr;
  int result = kMarginOk;
  if (!DeleteRegistryTree(HKEY_CURRENT_USER, path)) {
    result = kMarginWriteFailed;
  } else if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr) != ERROR_SUCCESS) {
    result = kMarginKeyNotCreated;
  }
  if (key) RegCloseKey(key);
  GlobalFree(path);
  return result;
}

int RotateMargins(int direction, int orientation, int32_t stored[4], int32_t caller[4]) {
  // Position i of the stored order holds the caller's margin kFrom[i].
  static constexpr int kPortrait[4] = {0, 1, 3, 2};
  static constexpr int kLandscape[4] = {2, 3, 0, 1};
  if (orientation != kOrientationPortrait && orientation != kOrientationLandscape) return kMarginBadOrientation;
  if (direction != kMarginsToStored && direction != kMarginsToCaller) return kMarginBadOrientation;
  const int* from = orientation == kOrientationPortrait ? kPortrait : kLandscape;
  for (int i = 0; i < 4; ++i) {
    if (direction == kMarginsToStored) stored[i] = caller[from[i]];
    else caller[from[i]] = stored[i];
  }
  return kMarginOk;
}

int SetDefaultPaperMargins(int32_t caller[4], int) {
  for (int i = 0; i < 4; ++i) caller[i] = kDefaultPaperMargin;
  return kMarginOk;
}

int GetStoredPaperMargins(HANDLE printer, WORD paperCode, int32_t caller[4], LPCWSTR machineBase, int orientation) {
  int32_t stored[4];
  const int read = ReadPaperMarginValue(printer, machineBase, paperCode, stored);
  if (read != kMarginOk) return read;
  return RotateMargins(kMarginsToCaller, orientation, stored, caller);
}

int SetStoredPaperMargins(HANDLE printer, WORD paperCode, const int32_t caller[4], LPCWSTR machineBase,
                          int orientation) {
  int32_t stored[4];
  int32_t given[4] = {caller[0], caller[1], caller[2], caller[3]};
  const int rotated = RotateMargins(kMarginsToStored, orientation, stored, given);
  if (rotated != kMarginOk) return rotated;
  return WritePaperMargins(printer, machineBase, paperCode, stored);
}
