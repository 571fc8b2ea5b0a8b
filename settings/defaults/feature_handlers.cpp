// The feature handler of every setting with rules of its own: defaults that
// are fixed or computed from the printer name and the device model, checks
// of stored and proposed values, and the choices of the copies, stamp and
// font-name lists.
#include <algorithm>
#include <cstring>

#include "platform/win/win_memory.h"
#include "platform/win/win_text.h"
#include "settings/access/choice_list.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/defaults/feature_groups.h"
#include "settings/devmode/icm_method_sync.h"
#include "settings/model/model_interface.h"
#include "settings/services/os_version.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/access/setting_values.h"
#include "settings/services/user_paper.h"

namespace {

size_t TextLength(const WCHAR* text) { return static_cast<size_t>(lstrlenW(text)); }

// The item text of the stamp list's first choice ("none").
constexpr UINT kNoStampString = 426;
// The device name default keeps this many characters of the printer name.
constexpr size_t kDeviceNameChars = 31;
constexpr SettingId kPaperSize = 8;
constexpr uint16_t kUserPaperDefaultCode = 9;

// A new zeroed text block of `bytes` holding at most `chars` characters of
// `text` (none: empty).
WCHAR* NewText(const WCHAR* text, size_t chars, size_t bytes) {
  auto* copy = static_cast<WCHAR*>(GlobalAlloc(GPTR, bytes));
  if (copy && text) {
    size_t n = std::min({TextLength(text), chars, bytes / sizeof(WCHAR) - 1});
    std::memcpy(copy, text, n * sizeof(WCHAR));
  }
  return copy;
}

int Scalar(FeatureDefaultArgs* args, SettingValueType type, uint64_t value) {
  args->valueType = type;
  args->value = value;
  args->size = GetValueByteSize(&args->value, type, -1);
  return 1;
}

int Text(FeatureDefaultArgs* args, WCHAR* text) {
  if (text == nullptr) return 0;
  args->valueType = kSettingTypeText;
  args->value = reinterpret_cast<uintptr_t>(text);
  args->size = GetValueByteSize(text, kSettingTypeText, -1);
  return 1;
}

// ---- Defaults (operation 1) ----------------------------------------------------

int Default(DeviceModel* model, SettingId id, FeatureDefaultArgs* args) {
  ModelInterfaceStatus status = 0;
  if (id >= 1311 && id <= 1330) {
    // The user paper slots start at the size of paper code 9 of the paper setting.
    uint16_t code = kUserPaperDefaultCode;
    SHORT width = 0, length = 0;
    if (!GetValuePaperDimensions(model, kPaperSize, &code, &width, &length, nullptr, nullptr, &status)) return 0;
    return Scalar(args, kSettingTypeUInt16, static_cast<uint16_t>(id <= 1320 ? width : length));
  }
  if (id >= 1331 && id <= 1340) {
    WCHAR* name = NewText(nullptr, 0, kUserPaperNameBytes);
    if (name) FormatUserPaperName(id - 1331, name);
    return Text(args, name);
  }
  switch (id) {
    case 1:
      if (args->printerName == nullptr) return 0;
      return Text(args, NewText(args->printerName, kDeviceNameChars, 64));
    case 2: return Scalar(args, kSettingTypeUInt16, kDevModeSpecVersion);
    case 3:
    case 258:
    case 1298: return Scalar(args, kSettingTypeUInt16, kDriverVersion);
    case 4: return Scalar(args, kSettingTypeUInt16, kPublicDevModeSize);
    case 5: return Scalar(args, kSettingTypeUInt16, kDevModePrivateSize);
    case 6: {
      DWORD mask = 0;
      if (GetSupportedFieldsMask(model, &mask, 1) != 1) return 0;
      return Scalar(args, kSettingTypeUInt32, mask);
    }
    case 9:
    case 10: {
      SHORT width = 0, length = 0;
      if (!GetDefaultPaperSize(model, kPaperSize, &width, &length, &status)) return 0;
      return Scalar(args, kSettingTypeInt16, static_cast<uint16_t>(id == 9 ? length : width));
    }
    case 12: return Scalar(args, kSettingTypeInt16, 1);
    case 15: {
      // dmColor follows the model's default of the private colour mode.
      SettingValueType type = 0;
      INT size = 0;
      uint64_t mode = 0;
      bool colour = false;
      if (GetSettingDefault(model, 345, &type, &size, &mode) == 1) {
        colour = ReadValueAsInt32(type, &mode) == 1;
        FreeSettingDefault(345, mode, type);
      }
      return Scalar(args, kSettingTypeInt16, colour ? 1 : 2);
    }
    case 19: return Text(args, GetDefaultOptionTargetName(model, kPaperSize, &status));
    case 22: return Scalar(args, kSettingTypeUInt32, 1);
    case 259: return Text(args, GetModelNameText(model, &status));
    case 298: return Text(args, NewText(nullptr, 0, 66));
    case 305: return Text(args, NewText(nullptr, 0, 64));
    case 357: {
      auto* record = static_cast<LOGFONTW*>(GlobalAlloc(GMEM_FIXED, sizeof(LOGFONTW)));
      if (record == nullptr) return 0;
      *record = GetDefaultSecondFontRecord();
      args->valueType = kSettingTypeFontRecord;
      args->value = reinterpret_cast<uintptr_t>(record);
      args->size = kFontRecordSize;
      return 1;
    }
    case 358: return Text(args, NewText(GetDefaultSecondFontRecord().lfFaceName, 32, 64));
    default: return 0;
  }
}

// ---- Checks (operations 2 and 16) -----------------------------------------------

int16_t I16(const FeatureCheckArgs* args) {
  return static_cast<int16_t>(ReadValueAsInt32(kSettingTypeInt16, args->value));
}
uint16_t U16(const FeatureCheckArgs* args) {
  return static_cast<uint16_t>(ReadValueAsUInt32(kSettingTypeUInt16, args->value));
}
uint32_t U32(const FeatureCheckArgs* args) { return ReadValueAsUInt32(kSettingTypeUInt32, args->value); }

template <class T>
bool OneOf(T value, std::initializer_list<T> list) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// Intents and methods: any value on the platforms that define none of their
// own, else 1 to 4; not valid when the platform cannot be told.
int IcmRule(const FeatureCheckArgs* args) {
  DWORD platform = 0;
  if (GetOsPlatformCode(&platform) != 1) return 0;
  if (platform == kPlatform9x40 || platform == kPlatformNt4) return 1;
  return OneOf<uint32_t>(U32(args), {1, 2, 3, 4});
}

int Check(DeviceModel* model, int operation, SettingId id, FeatureCheckArgs* args) {
  if (args->value == nullptr) return 0;
  const bool stored = operation == kFeatureOpCheckStored;
  switch (id) {
    case 2: return stored && U16(args) == kDevModeSpecVersion;
    case 3:
    case 258:
    case 1298: return stored && U16(args) == kDriverVersion;
    case 4: return stored && OneOf<uint16_t>(U16(args), {kPublicDevModeSize, kDriverDevModeSize});
    case 5: return stored && U16(args) == kDevModePrivateSize;
    case 7:
    case 15: return OneOf<int16_t>(I16(args), {2, 1});
    case 11: return I16(args) > 0;
    case 12:
      if (!stored) return I16(args) > 0;
      return ReadValueAsUInt32(kSettingTypeInt16, args->value) >= 1 &&
             ReadValueAsUInt32(kSettingTypeInt16, args->value) <= GetModelMaxCopies(model);
    case 13: return !stored && I16(args) > 0;
    case 16: return !stored && OneOf<int16_t>(I16(args), {1, 2, 3});
    case 17: return OneOf<int16_t>(I16(args), {1, 2, 3, 4});
    case 18: return OneOf<int16_t>(I16(args), {0, 1});
    case 22: return stored ? SyncIcmMethod(args->devMode, args->settings) : IcmRule(args);
    case 23: return IcmRule(args);
    case 24:
    case 25: return !stored;
    case 259: {
      if (!stored) return 0;
      ModelInterfaceStatus status = 0;
      WCHAR* name = GetModelNameText(model, &status);
      if (name == nullptr) return 0;
      int equal = CompareSettingValues(kSettingTypeText, &name, args->value) == 0;
      GlobalFree(name);
      return equal;
    }
    default: return 0;
  }
}

// ---- Choices (operations 4 and 8) -----------------------------------------------

int DescribeList(DeviceModel*, SettingId id, FeatureListArgs* args) {
  if (args->list == nullptr) return 0;
  switch (id) {
    case 12:
      args->list->kind = 4;  // minimum, maximum, step
      args->list->count = 3;
      return 1;
    case 298:
      if (args->secondCount == nullptr) return 0;
      args->list->kind = 2;
      args->list->count = *args->secondCount + 1;
      return 1;
    case 305:
    case 358:
      if (args->count == 0) return 0;
      args->list->kind = 2;
      args->list->count = args->count;
      return 1;
    default: return 0;
  }
}

int GiveChoice(DeviceModel* model, SettingId id, ChoiceAnswer* answer) {
  if (answer->index < 0) return 0;
  switch (id) {
    case 12: {
      if (answer->index > 2) return 0;
      ULONG_PTR value = answer->index == 1 ? GetModelMaxCopies(model) : 1;
      return SetChoiceAnswer(0, nullptr, &value, kSettingTypeInt16, answer);
    }
    case 298: {
      static const WCHAR kEmpty[] = {0};
      if (answer->index == 0) {
        const WCHAR* none = kEmpty;
        return SetChoiceAnswer(kNoStampString, nullptr, &none, kSettingTypeText, answer);
      }
      // The n-th name of the caller's list; an empty text once it runs out.
      const WCHAR* text = kEmpty;
      auto* list = static_cast<const FeatureTextList*>(answer->textList);
      if (list && list->texts) {
        const WCHAR* p = list->texts;
        for (INT n = 1; *p && n < answer->index; ++n) p += TextLength(p) + 1;
        text = p;
      }
      return SetChoiceAnswer(0, const_cast<WCHAR*>(text), &text, kSettingTypeText, answer);
    }
    case 305:
    case 358: {
      if (answer->textTable == nullptr || answer->textTable[answer->index] == nullptr) return 0;
      const WCHAR* text = answer->textTable[answer->index];
      return SetChoiceAnswer(0, const_cast<WCHAR*>(text), &text, kSettingTypeText, answer);
    }
    default: return 0;
  }
}

}  // namespace

int HandleFeature(DeviceModel* model, int operation, SettingId id, void* arguments) {
  if (arguments == nullptr) return 0;
  switch (operation) {
    case kFeatureOpDefault: return Default(model, id, static_cast<FeatureDefaultArgs*>(arguments));
    case kFeatureOpCheckStored:
    case kFeatureOpCheckProposed: return Check(model, operation, id, static_cast<FeatureCheckArgs*>(arguments));
    case kFeatureOpDescribeList: return DescribeList(model, id, static_cast<FeatureListArgs*>(arguments));
    case kFeatureOpGiveChoice: return GiveChoice(model, id, static_cast<ChoiceAnswer*>(arguments));
    default: return 0;
  }
}
