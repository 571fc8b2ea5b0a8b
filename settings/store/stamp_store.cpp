// The per-user stamp store (see stamp_store.h).
#include "settings/store/stamp_store.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/win/win_error.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "platform/win/win_text.h"
#include "settings/model/device_model.h"
#include "settings/services/module_state.h"
#include "settings/store/printer_id.h"
#include "settings/store/user_store.h"

const BuiltInStamp kDefaultStamp = {1767, 1767, 255, 51, 0, 1, 1,   0, 514, 0, 72, 0,
                                    0,    0,    700, 0,  0, 0, 128, 0, 0,   2, 0,  436};
const BuiltInStamp kBuiltInStamps[kBuiltInStampCount] = {
    {1760, 1761, 255, 51, 0, 1, 1, 2, 514, 0, 200, 0, 0, 0, 0, 0, 0, 0, 128, 0, 0, 2, 0, 1769},
    {1762, 1762, 255, 51, 0, 1, 0, 1, 769, 0, 54, 0, 0, 0, 700, 0, 0, 0, 128, 0, 0, 2, 0, 1768},
    {1763, 1763, 255, 51, 0, 1, 0, 1, 769, 0, 54, 0, 0, 0, 700, 0, 0, 0, 128, 0, 0, 2, 0, 1768},
    {1764, 1764, 255, 51, 0, 1, 0, 1, 769, 0, 54, 0, -450, -450, 700, 0, 0, 0, 128, 0, 0, 2, 0, 1768},
    {1765, 1765, 255, 51, 0, 1, 1, 0, 514, 0, 114, 0, 450, 450, 0, 0, 0, 0, 128, 0, 0, 2, 0, 1768},
    {1766, 1766, 255, 51, 0, 1, 1, 0, 514, 0, 88, 0, 450, 450, 0, 0, 0, 0, 128, 0, 0, 2, 0, 1768},
};

namespace {

constexpr const char16_t* kStampVersionValue = u"Stamp Version";
constexpr const char16_t kStampVersion[4] = {u'0', u'.', u'0', u'1'};  // stored without NUL

// Characters of a text within a field of `chars` characters.
size_t BoundedLength(const WCHAR* text, size_t chars) {
  size_t n = 0;
  while (n < chars && text[n] != 0) ++n;
  return n;
}

bool SameBoundedText(const WCHAR* a, const WCHAR* b, size_t chars) {
  const size_t n = BoundedLength(a, chars);
  return n == BoundedLength(b, chars) && std::memcmp(a, b, n * sizeof(WCHAR)) == 0;
}

// Stored fields need not hold a terminator; every text is cut to its field.
void TerminateFields(StampRecord* record) {
  record->name[kStampNameChars - 1] = 0;
  record->text[kStampTextChars - 1] = 0;
  record->font.lfFaceName[LF_FACESIZE - 1] = 0;
}

void LoadText(UINT id, WCHAR* buffer, int chars) {
  buffer[0] = 0;
  if (HMODULE module = GetResourceModule()) {
    if (LoadStringW(module, id, buffer, chars) <= 0) buffer[0] = 0;
  }
  buffer[chars - 1] = 0;
}

// The built-in stamp of this name, or null.
const BuiltInStamp* FindBuiltIn(LPCWSTR name) {
  if (name == nullptr) return nullptr;
  for (const BuiltInStamp& stamp : kBuiltInStamps) {
    WCHAR builtIn[kStampNameChars];
    LoadText(stamp.nameId, builtIn, kStampNameChars);
    if (lstrcmpW(builtIn, name) == 0) return &stamp;
  }
  return nullptr;
}

// The per-user key path of the store; a printer without id gets one now,
// since the store is about to make its keys.
bool StampsPath(HANDLE printer, int which, WCHAR* path) {
  if (GetStampsKeyPath(printer, path, kUserKeyPathChars, which)) return true;
  PrinterId id;
  if (ReadPrinterId(printer, &id)) return false;
  if (!MakePrinterId(printer, &id) || !WritePrinterIdIfMissing(printer, &id)) return false;
  return GetStampsKeyPath(printer, path, kUserKeyPathChars, which) != 0;
}

// The REG_BINARY value names of the store in enumeration order. A name too
// long for a stamp is not one, nor is the key's unnamed value: an empty name
// would end a name list early. False when the enumeration fails.
bool ListStoredNames(HKEY key, std::vector<std::u16string>* names) {
  for (DWORD index = 0;; ++index) {
    WCHAR name[kStampValueNameChars + 1];
    DWORD chars = kStampValueNameChars + 1;
    DWORD type = 0;
    const LSTATUS rc = RegEnumValueW(key, index, name, &chars, nullptr, &type, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return true;
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) return false;
    if (type == REG_BINARY && chars > 0) names->emplace_back(name, chars);
  }
}

// Reads the stored stamp of the name: 1; 6 when no value of that name is
// stored; 9 when it cannot be read or is no 308-byte REG_BINARY value. The
// record is zeroed on failure. Texts are cut to their fields on request.
int ReadStoredStamp(HKEY key, LPCWSTR name, StampRecord* record, bool terminate) {
  std::memset(record, 0, sizeof *record);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return kStampNotStored;
  if (type != REG_BINARY || size != sizeof(StampRecord)) return kStampReadFailed;
  StampRecord stored{};
  size = sizeof stored;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&stored), &size) != ERROR_SUCCESS ||
      size != sizeof stored)
    return kStampReadFailed;
  if (terminate) TerminateFields(&stored);
  *record = stored;
  return kStampOk;
}

// The record's name terminated within its field.
void RecordName(const StampRecord* record, WCHAR name[kStampNameChars]) {
  const size_t n = BoundedLength(record->name, kStampNameChars - 1);
  std::memcpy(name, record->name, n * sizeof(WCHAR));
  name[n] = 0;
}

// Whether a stamp of the name is stored and how many stamps there are.
int SurveyStore(HKEY key, LPCWSTR name, bool* exists, size_t* count) {
  std::vector<std::u16string> names;
  if (!ListStoredNames(key, &names)) return kStampReadFailed;
  *exists = false;
  for (const std::u16string& stored : names) *exists = *exists || lstrcmpiW(stored.c_str(), name) == 0;
  *count = names.size();
  return kStampOk;
}

}  // namespace

int GetStampMachinePath(int selector, DeviceModel* model, WCHAR** path) {
  if (path == nullptr) return kStampBadArgument;
  *path = nullptr;
  if (model == nullptr || (selector != kStampMachineStamps && selector != kStampMachineOthers))
    return kStampBadArgument;
  WCHAR* base = nullptr;
  if (GetModelRegistryBase(model->primary, kRegistryBaseMachineStamps, &base) != 0 || base == nullptr)
    return kStampBadArgument;
  const std::u16string sub = selector == kStampMachineStamps ? u"Stamps" : u"Stamps\\Others";
  const size_t baseChars = static_cast<size_t>(lstrlenW(base));
  auto* text = static_cast<WCHAR*>(GlobalAlloc(GPTR, (baseChars + sub.size() + 1) * sizeof(WCHAR)));
  if (text != nullptr) {
    std::memcpy(text, base, baseChars * sizeof(WCHAR));
    std::memcpy(text + baseChars, sub.data(), sub.size() * sizeof(WCHAR));
  }
  GlobalFree(base);
  *path = text;
  return text != nullptr ? kStampOk : kStampBadArgument;
}

void LoadBuiltInStamp(StampRecord* record, const BuiltInStamp* stamp) {
  if (record == nullptr) return;
  std::memset(record, 0, sizeof *record);
  if (stamp == nullptr) return;
  LoadText(stamp->nameId, record->name, kStampNameChars);
  LoadText(stamp->textId, record->text, kStampTextChars);
  LoadText(stamp->faceId, record->font.lfFaceName, LF_FACESIZE);
  record->color = RGB(stamp->red, stamp->green, stamp->blue);
  record->style = stamp->style;
  record->frame = stamp->frame;
  record->mode = stamp->mode;
  record->position = stamp->position;
  record->offset = stamp->offset;
  LOGFONTW& f = record->font;
  f.lfHeight = stamp->height;
  f.lfWidth = stamp->width;
  f.lfEscapement = stamp->escapement;
  f.lfOrientation = stamp->orientation;
  f.lfWeight = stamp->weight;
  f.lfItalic = stamp->italic;
  f.lfUnderline = stamp->underline;
  f.lfStrikeOut = stamp->strikeOut;
  f.lfCharSet = stamp->charSet;
  f.lfOutPrecision = stamp->outPrecision;
  f.lfClipPrecision = stamp->clipPrecision;
  f.lfQuality = stamp->quality;
  f.lfPitchAndFamily = stamp->pitchAndFamily;
}

int IsBuiltInStampName(LPCWSTR name) { return FindBuiltIn(name) != nullptr; }

int ListBuiltInStampNames(WCHAR* destination, DWORD* count, DWORD* size) {
  if (size == nullptr) return kStampBadArgument;
  std::u16string names;
  for (const BuiltInStamp& stamp : kBuiltInStamps) {
    WCHAR name[kStampNameChars];
    LoadText(stamp.nameId, name, kStampNameChars);
    names.append(name);
    names.push_back(0);
  }
  names.push_back(0);
  const DWORD needed = static_cast<DWORD>(names.size() * sizeof(WCHAR));
  const DWORD given = *size;
  *size = needed;
  if (destination == nullptr) return count == nullptr ? kStampOk : kStampBufferTooSmall;
  if (given < needed) return kStampBufferTooSmall;
  std::memcpy(destination, names.data(), needed);
  if (count) *count = kBuiltInStampCount;
  return kStampOk;
}

int InitStampStore(HKEY* key, HANDLE printer) {
  if (key == nullptr) return kStampBadArgument;
  *key = nullptr;
  WCHAR stampsPath[kUserKeyPathChars];
  WCHAR othersPath[kUserKeyPathChars];
  if (!StampsPath(printer, kStampsKey, stampsPath) || !StampsPath(printer, kStampsOthersKey, othersPath))
    return kStampBadArgument;
  HKEY stamps = nullptr;
  HKEY others = nullptr;
  DWORD stampsMade = 0;
  DWORD othersMade = 0;
  bool ok = RegCreateKeyExW(HKEY_CURRENT_USER, stampsPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &stamps, &stampsMade) == ERROR_SUCCESS &&
            RegCreateKeyExW(HKEY_CURRENT_USER, othersPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &others, &othersMade) == ERROR_SUCCESS;
  ok = ok && RegSetValueExW(others, kStampVersionValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(kStampVersion),
                            sizeof kStampVersion) == ERROR_SUCCESS;
  for (const BuiltInStamp& stamp : kBuiltInStamps) {
    if (!ok) break;
    StampRecord record;
    LoadBuiltInStamp(&record, &stamp);
    ok = RegSetValueExW(stamps, record.name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&record), sizeof record) ==
         ERROR_SUCCESS;
  }
  if (others != nullptr) RegCloseKey(others);
  if (ok) {
    *key = stamps;
    return kStampOk;
  }
  // A half-made store would pass for a seeded one later: take back what
  // was made here.
  if (stamps != nullptr) RegCloseKey(stamps);
  if (othersMade == REG_CREATED_NEW_KEY) DeleteRegistryTree(HKEY_CURRENT_USER, othersPath);
  if (stampsMade == REG_CREATED_NEW_KEY) DeleteRegistryTree(HKEY_CURRENT_USER, stampsPath);
  return kStampWriteFailed;
}

int OpenStampKey(HKEY* key, HANDLE printer, DeviceModel* model) {
  if (key == nullptr) return kStampBadArgument;
  *key = nullptr;
  WCHAR path[kUserKeyPathChars];
  if (!StampsPath(printer, kStampsKey, path)) return kStampNoStore;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &opened) == ERROR_SUCCESS) {
    *key = opened;
    return kStampOk;
  }
  // A new store starts from the machine-wide stamps when there are any.
  WCHAR* machinePath = nullptr;
  HKEY machine = nullptr;
  if (GetStampMachinePath(kStampMachineStamps, model, &machinePath) == kStampOk &&
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, machinePath, 0, KEY_READ, &machine) == ERROR_SUCCESS) {
    GlobalFree(machinePath);
    int result = kStampNoStore;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &opened,
                        nullptr) == ERROR_SUCCESS) {
      if (CopyRegistryTree(opened, machine)) {
        *key = opened;
        result = kStampOk;
      } else {
        // A partial copy must not stand for the user's store.
        RegCloseKey(opened);
        DeleteRegistryTree(HKEY_CURRENT_USER, path);
      }
    }
    RegCloseKey(machine);
    return result;
  }
  GlobalFree(machinePath);
  return InitStampStore(key, printer) == kStampOk ? kStampOk : kStampNoStore;
}

int CountStoredStamps(HANDLE printer, DWORD* count, DeviceModel* model) {
  if (count == nullptr) return kStampBadArgument;
  *count = 0;
  HKEY key = nullptr;
  const int opened = OpenStampKey(&key, printer, model);
  if (opened != kStampOk) return opened;
  std::vector<std::u16string> names;
  const bool listed = ListStoredNames(key, &names);
  RegCloseKey(key);
  if (!listed) return kStampReadFailed;
  *count = static_cast<DWORD>(names.size());
  return kStampOk;
}

int ReadStampRecord(HANDLE printer, LPCWSTR name, StampRecord* record, BOOL builtIn, DeviceModel* model) {
  if (record == nullptr) return kStampBadArgument;
  std::memset(record, 0, sizeof *record);
  const BuiltInStamp* known = FindBuiltIn(name);
  if (name == nullptr || builtIn) {
    LoadBuiltInStamp(record, known != nullptr ? known : &kDefaultStamp);
    return kStampOk;
  }
  HKEY key = nullptr;
  if (OpenStampKey(&key, printer, model) != kStampOk) {
    if (known == nullptr) return kStampNoStore;
    LoadBuiltInStamp(record, known);
    return kStampOk;
  }
  const int read = ReadStoredStamp(key, name, record, true);
  RegCloseKey(key);
  return read == kStampOk ? kStampOk : kStampReadFailed;
}

int ListStampNames(HANDLE printer, WCHAR* destination, DWORD* count, DWORD* size, DeviceModel* model) {
  if (size == nullptr) return kStampBadArgument;
  HKEY key = nullptr;
  if (OpenStampKey(&key, printer, model) != kStampOk) return ListBuiltInStampNames(destination, count, size);
  std::vector<std::u16string> names;
  const bool listed = ListStoredNames(key, &names);
  RegCloseKey(key);
  if (names.size() > static_cast<size_t>(kMaxStoredStamps)) names.resize(kMaxStoredStamps);
  const DWORD given = destination != nullptr ? *size : 0;
  DWORD total = 0;
  bool copying = true;
  for (const std::u16string& name : names) {
    const DWORD bytes = static_cast<DWORD>((name.size() + 1) * sizeof(WCHAR));
    copying = copying && total + bytes <= given;
    if (copying) std::memcpy(reinterpret_cast<BYTE*>(destination) + total, name.c_str(), bytes);
    total += bytes;
  }
  const DWORD needed = total + sizeof(WCHAR);
  const bool ended = copying && needed <= given;
  if (ended) destination[total / sizeof(WCHAR)] = 0;
  if (count) *count = static_cast<DWORD>(names.size());
  *size = needed;
  if (!ended) return kStampBufferTooSmall;
  return listed ? kStampOk : kStampReadFailed;
}

int IsStampNameStored(HANDLE printer, LPCWSTR name, DeviceModel* model) {
  if (name == nullptr) return kStampBadArgument;
  if (IsBuiltInStampName(name)) return kStampBuiltInName;
  HKEY key = nullptr;
  if (OpenStampKey(&key, printer, model) != kStampOk) return kStampNoStore;
  DWORD type = 0;
  DWORD size = 0;
  const bool stored = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return stored ? kStampOk : kStampReadFailed;
}

int CanAddStamp(HANDLE printer, LPCWSTR name, DeviceModel* model) {
  if (name == nullptr) return kStampOk;
  if (IsBuiltInStampName(name)) return kStampExists;
  HKEY key = nullptr;
  const int opened = OpenStampKey(&key, printer, model);
  if (opened != kStampOk) return opened;
  bool exists = false;
  size_t count = 0;
  const int surveyed = SurveyStore(key, name, &exists, &count);
  RegCloseKey(key);
  if (surveyed != kStampOk) return surveyed;
  if (exists) return kStampExists;
  return count < static_cast<size_t>(kMaxStoredStamps) ? kStampOk : kStampStoreFull;
}

int SaveStampRecord(HANDLE printer, const StampRecord* record, DeviceModel* model) {
  if (record == nullptr) return kStampBadArgument;
  WCHAR name[kStampNameChars];
  RecordName(record, name);
  HKEY key = nullptr;
  const int opened = OpenStampKey(&key, printer, model);
  if (opened != kStampOk) return opened;
  bool exists = false;
  size_t count = 0;
  int result = SurveyStore(key, name, &exists, &count);
  if (result == kStampOk) {
    if (!exists && count >= static_cast<size_t>(kMaxStoredStamps)) {
      result = kStampStoreFull;
    } else if (RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(record), sizeof *record) !=
               ERROR_SUCCESS) {
      result = kStampWriteFailed;
    }
  }
  RegCloseKey(key);
  return result;
}

int IsStampRecordStored(HANDLE printer, const StampRecord* record, DeviceModel* model) {
  if (record == nullptr) return kStampBadArgument;
  WCHAR name[kStampNameChars];
  RecordName(record, name);
  HKEY key = nullptr;
  const int opened = OpenStampKey(&key, printer, model);
  if (opened != kStampOk) return opened;
  StampRecord stored;
  const int read = ReadStoredStamp(key, name, &stored, false);
  RegCloseKey(key);
  if (read != kStampOk) return kStampNotStored;
  const LOGFONTW& a = record->font;
  const LOGFONTW& b = stored.font;
  const bool same = SameBoundedText(record->name, stored.name, kStampNameChars) &&
                    SameBoundedText(record->text, stored.text, kStampTextChars) &&
                    SameBoundedText(a.lfFaceName, b.lfFaceName, LF_FACESIZE) && record->color == stored.color &&
                    record->style == stored.style && record->frame == stored.frame && record->mode == stored.mode &&
                    record->position == stored.position && record->offset == stored.offset &&
                    a.lfHeight == b.lfHeight && a.lfWidth == b.lfWidth && a.lfEscapement == b.lfEscapement &&
                    a.lfOrientation == b.lfOrientation && a.lfWeight == b.lfWeight && a.lfItalic == b.lfItalic &&
                    a.lfUnderline == b.lfUnderline && a.lfStrikeOut == b.lfStrikeOut && a.lfCharSet == b.lfCharSet &&
                    a.lfOutPrecision == b.lfOutPrecision && a.lfClipPrecision == b.lfClipPrecision &&
                    a.lfPitchAndFamily == b.lfPitchAndFamily;
  return same ? kStampOk : kStampDiffers;
}

int IsOptionalSwitchOn() { return 0; }
