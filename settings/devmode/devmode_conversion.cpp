// Keeping, rebuilding or converting incoming DEVMODEs and printer settings
// blocks, and the worker of the DEVMODE conversion entry point.
#include "settings/devmode/devmode_conversion.h"

#include <cstring>

#include "platform/spooler/winspool.h"
#include "platform/win/win_error.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_text.h"
#include "settings/devmode/devmode_buffer.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/model_queries.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/access/setting_value_io.h"
#include "settings/services/spooler_records.h"

namespace {

// The device name of defaults built for a settings block alone.
const WCHAR kDummyDeviceName[] = u"DummyName";

// What an incoming block's identity asks for.
enum class Decision { kCopy, kConvert, kDefaults };

// A private part shorter than this holds not even the two version words and
// the model name.
constexpr WORD kShortestIdentifiedPrivatePart = 68;
constexpr UINT kModelNameUnits = 32;

// A model default of a u16 setting; false when the model has none.
bool DefaultWord(DeviceModel* model, SettingId id, WORD* value) {
  SettingValueType type = 0;
  INT size = 0;
  uint64_t v = 0;
  if (GetSettingDefault(model, id, &type, &size, &v) != 1) return false;
  *value = static_cast<WORD>(v);
  FreeSettingDefault(id, v, type);
  return true;
}

// Writes a number through the access layer; true when it was written.
bool WriteValue(SettingId id, void* devMode, void* settings, SettingValueType type, UINT size, uint64_t value) {
  return SetSettingValue(id, devMode, settings, type, size, &value) == kSettingOk;
}

// Model names compare without regard to letter case, at most 32 characters.
bool SameModelName(const WCHAR* a, const WCHAR* b) { return _wcsnicmp(a, b, kModelNameUnits) == 0; }

Decision ClassifyDevMode(const DevModeIdentity& in, const DevModeIdentity& model) {
  if (in.dmSize != model.dmSize || in.dmSpecVersion != model.dmSpecVersion ||
      !SameModelName(in.modelName, model.modelName) || in.dmDriverVersion > model.dmDriverVersion) {
    return Decision::kDefaults;
  }
  if (in.dmDriverVersion < model.dmDriverVersion) return Decision::kConvert;
  // The copy takes the source's whole private part, so it must be exactly
  // the model's; anything else is rebuilt as if it did not fit.
  if (in.formatVersion != model.formatVersion || in.dmDriverExtra != model.dmDriverExtra) {
    return Decision::kDefaults;
  }
  return Decision::kCopy;
}

Decision ClassifySettingsBlock(const SettingsBlockIdentity& in, const SettingsBlockIdentity& model) {
  if (in.setting1041 != model.setting1041 || in.driverVersion > model.driverVersion) return Decision::kDefaults;
  if (in.driverVersion < model.driverVersion) return Decision::kConvert;
  return in.formatVersion == model.formatVersion ? Decision::kCopy : Decision::kDefaults;
}

// Builds the model's default WorkingDevMode; null when that fails. The
// caller frees it with FreeDevModeBuffer.
BYTE* BuildDefaultDevMode(DeviceModel* model, LPCWSTR deviceName) {
  BYTE* buffer = static_cast<BYTE*>(AllocDevModeBuffer(2));
  if (buffer == nullptr) return nullptr;
  if (BuildDefaultSettings(model, buffer, nullptr, deviceName) != 1) {
    FreeDevModeBuffer(buffer);
    return nullptr;
  }
  return buffer;
}

// The model's default DriverDevMode into the destination; false when the
// defaults could not be built.
bool PutDefaultDevMode(DeviceModel* model, void* destination, LPCWSTR deviceName) {
  BYTE* defaults = BuildDefaultDevMode(model, deviceName);
  if (defaults == nullptr) return false;
  CopyDevModeBuffer(destination, defaults, 1);
  FreeDevModeBuffer(defaults);
  return true;
}

// ---- The conversion steps of an older DEVMODE -----------------------------------------

// Reads a setting of the incoming DEVMODE that must have this type and size.
bool ReadExact(SettingId id, const void* devMode, SettingValueType type, UINT size, uint64_t* value) {
  SettingValueType t = 0;
  UINT s = 0;
  return ReadSettingInto(id, devMode, nullptr, value, &t, &s) && t == type && s == size;
}

struct DevModeStep {
  bool (*applies)(WORD version);
  bool (*run)(WORD version, const void* source, void* destination);
};

// Pages per sheet from the older layout code of setting 264.
bool StepPagesPerSheet(WORD, const void* source, void* destination) {
  uint64_t code = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (!ReadSettingInto(264, source, nullptr, &code, &type, &size)) return false;
  WORD pages = code == 0 ? 1 : code <= 2 ? 2 : code <= 6 ? 4 : 1;
  return WriteValue(295, destination, nullptr, type, size, pages);
}

bool StepSetting270Of0x100(WORD, const void* source, void* destination) {
  uint64_t v = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (!ReadSettingInto(270, source, nullptr, &v, &type, &size)) return false;
  return v != 2 || WriteValue(270, destination, nullptr, type, size, 0);
}

bool StepSetting296(WORD, const void* source, void* destination) {
  uint64_t v = 0;
  if (!ReadExact(296, source, kSettingTypeUInt16, 2, &v)) return false;
  if (v == 0) {
    return WriteValue(296, destination, nullptr, kSettingTypeUInt16, 2, 514) &&
           WriteValue(321, destination, nullptr, kSettingTypeUInt16, 2, 0);
  }
  return WriteValue(321, destination, nullptr, kSettingTypeUInt16, 2, 1);
}

// Written again so that its dependent setting follows.
bool StepSetting267(WORD, const void* source, void* destination) {
  uint64_t v = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (!ReadSettingInto(267, source, nullptr, &v, &type, &size)) return false;
  return WriteValue(267, destination, nullptr, type, size, v);
}

// Rounds to the nearest multiple of 10, halves up (within the u16 range).
bool RoundToTen(SettingId id, const void* source, void* destination) {
  uint64_t v = 0;
  if (!ReadExact(id, source, kSettingTypeUInt16, 2, &v)) return false;
  uint32_t rounded = (static_cast<uint32_t>(v) + 5) / 10 * 10;
  if (rounded > 0xFFFF) rounded = 65530;
  return WriteValue(id, destination, nullptr, kSettingTypeUInt16, 2, rounded);
}

bool StepRoundedSizes(WORD version, const void* source, void* destination) {
  bool ok = RoundToTen(268, source, destination);
  ok = RoundToTen(269, source, destination) && ok;
  if (version >= 0x3000) ok = RoundToTen(324, source, destination) && ok;
  return ok;
}

bool StepClear291(WORD, const void*, void* destination) {
  return WriteValue(291, destination, nullptr, kSettingTypeUInt16, 2, 0);
}

bool StepSetting390(WORD, const void* source, void* destination) {
  uint64_t v = 0;
  if (!ReadExact(390, source, kSettingTypeUInt16, 2, &v)) return false;
  return WriteValue(390, destination, nullptr, kSettingTypeUInt16, 2, (v == 3 || v == 5) ? 0 : v);
}

bool StepSetting348(WORD, const void* source, void* destination) {
  uint64_t v = 0;
  if (!ReadExact(271, source, kSettingTypeUInt16, 2, &v)) return false;
  if (v == 1) return WriteValue(348, destination, nullptr, kSettingTypeUInt16, 2, 150);
  if (v == 8) return WriteValue(348, destination, nullptr, kSettingTypeUInt16, 2, 200);
  return false;
}

bool StepFormSource(WORD, const void* source, void* destination) {
  uint64_t v = 0;
  if (!ReadExact(13, source, kSettingTypeInt16, 2, &v)) return false;
  return WriteValue(13, destination, nullptr, kSettingTypeInt16, 2, v == 263 ? DMBIN_FORMSOURCE : v);
}

bool StepCollate(WORD, const void* source, void* destination) {
  uint64_t flag = 0;
  if (!ReadExact(450, source, kSettingTypeInt32, 4, &flag)) return false;
  return WriteValue(18, destination, nullptr, kSettingTypeInt16, 2, flag ? 1 : 0);
}

bool StepSetting270Of0x4000(WORD, const void* source, void* destination) {
  uint64_t v = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (!ReadSettingInto(270, source, nullptr, &v, &type, &size)) return false;
  return WriteValue(270, destination, nullptr, type, size, v == 3 ? 0 : v) &&
         WriteValue(457, destination, nullptr, kSettingTypeInt32, 4, 0);
}

bool StepClearFlag470(WORD, const void* source, void* destination) {
  uint64_t v = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (!ReadSettingInto(470, source, nullptr, &v, &type, &size)) return false;
  return WriteValue(470, destination, nullptr, type, size, 0);
}

const DevModeStep kDevModeSteps[] = {
    {[](WORD v) { return v == 0x100; }, StepPagesPerSheet},
    {[](WORD v) { return v == 0x100; }, StepSetting270Of0x100},
    {[](WORD v) { return v == 0x2000; }, StepSetting296},
    {[](WORD v) { return v <= 0x2000; }, StepSetting267},
    {[](WORD v) { return v <= 0x3002; }, StepRoundedSizes},
    {[](WORD v) { return v <= 0x3002; }, StepClear291},
    {[](WORD v) { return v <= 0x3002; }, StepSetting390},
    {[](WORD v) { return v <= 0x3002; }, StepSetting348},
    {[](WORD v) { return v >= 0x4000 && v <= 0x4003; }, StepFormSource},
    {[](WORD v) { return v < kOldGenerationFormatLimit; }, StepCollate},
    {[](WORD v) { return v >= 0x4000 && v <= 0x4002; }, StepSetting270Of0x4000},
    {[](WORD v) { return v != kSettingsFormatVersion; }, StepClearFlag470},
};

// ---- The conversion steps of an older printer settings block --------------------------

struct FeatureLevelRow {
  WORD key;
  WORD setting1029;
  DWORD level;
};
const FeatureLevelRow kFeatureLevels[] = {
    {0x10, 0, 0x01010501},
    {0x10, 1, 0x01010702},
};

}  // namespace

int ReadDevModeIdentity(DeviceModel* model, const void* devMode, DevModeIdentity* incoming,
                        DevModeIdentity* modelIdentity) {
  if (devMode == nullptr || incoming == nullptr || modelIdentity == nullptr) return 0;
  *incoming = DevModeIdentity{};
  *modelIdentity = DevModeIdentity{};
  if (!DefaultWord(model, 4, &modelIdentity->dmSize) || !DefaultWord(model, 2, &modelIdentity->dmSpecVersion) ||
      !DefaultWord(model, 3, &modelIdentity->dmDriverVersion) ||
      !DefaultWord(model, 5, &modelIdentity->dmDriverExtra) ||
      !DefaultWord(model, 257, &modelIdentity->formatVersion)) {
    return 0;
  }
  SettingValueType type = 0;
  INT size = 0;
  uint64_t name = 0;
  if (GetSettingDefault(model, 259, &type, &size, &name) != 1) return 0;
  if (name == 0) return 0;
  lstrcpynW(modelIdentity->modelName, reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(name)),
            kModelNameUnits + 1);
  FreeSettingDefault(259, name, type);

  if (!ReadSettingWord(4, devMode, nullptr, &incoming->dmSize) ||
      !ReadSettingWord(2, devMode, nullptr, &incoming->dmSpecVersion) ||
      !ReadSettingWord(3, devMode, nullptr, &incoming->dmDriverVersion) ||
      !ReadSettingWord(5, devMode, nullptr, &incoming->dmDriverExtra) ||
      incoming->dmDriverExtra <= kShortestIdentifiedPrivatePart) {
    return 0;
  }
  // The private part starts at dmSize; its format word and model name are
  // read there, inside the source's own extent, and only when the public
  // part has the model's size (any other size is not this driver's layout).
  if (incoming->dmSize == modelIdentity->dmSize) {
    const BYTE* privatePart = static_cast<const BYTE*>(devMode) + incoming->dmSize;
    std::memcpy(&incoming->formatVersion, privatePart, 2);
    std::memcpy(incoming->modelName, privatePart + 4, kModelNameUnits * sizeof(WCHAR));
    incoming->modelName[kModelNameUnits] = 0;
  }
  return 1;
}

int CopyDevModeParts(const void* source, void* destination) {
  WORD destSpecVersion = 0, destDriver = 0, destSize = 0, destExtra = 0, destFormat = 0, destPrivateDriver = 0;
  WORD sourceSize = 0, sourceExtra = 0;
  if (!ReadSettingWord(2, destination, nullptr, &destSpecVersion) ||
      !ReadSettingWord(3, destination, nullptr, &destDriver) || !ReadSettingWord(4, destination, nullptr, &destSize) ||
      !ReadSettingWord(5, destination, nullptr, &destExtra) ||
      !ReadSettingWord(257, destination, nullptr, &destFormat) ||
      !ReadSettingWord(258, destination, nullptr, &destPrivateDriver) ||
      !ReadSettingWord(4, source, nullptr, &sourceSize) || !ReadSettingWord(5, source, nullptr, &sourceExtra)) {
    return -1;
  }
  // The destination is a DriverDevMode: its own parts must lie inside it.
  if (static_cast<UINT>(destSize) + destExtra > kDriverDevModeSize) return -1;
  const BYTE* in = static_cast<const BYTE*>(source);
  BYTE* out = static_cast<BYTE*>(destination);
  UINT publicBytes = destSize < sourceSize ? destSize : sourceSize;
  std::memmove(out, in, publicBytes);
  if (!WriteValue(2, out, nullptr, kSettingTypeUInt16, 2, destSpecVersion) ||
      !WriteValue(3, out, nullptr, kSettingTypeUInt16, 2, destDriver) ||
      !WriteValue(4, out, nullptr, kSettingTypeUInt16, 2, destSize) ||
      !WriteValue(5, out, nullptr, kSettingTypeUInt16, 2, destExtra)) {
    return -1;
  }
  UINT privateBytes = destExtra < sourceExtra ? destExtra : sourceExtra;
  std::memmove(out + destSize, in + sourceSize, privateBytes);
  if (!WriteValue(257, out, nullptr, kSettingTypeUInt16, 2, destFormat) ||
      !WriteValue(258, out, nullptr, kSettingTypeUInt16, 2, destPrivateDriver)) {
    return -1;
  }
  return static_cast<int>(publicBytes + privateBytes);
}

int ConvertDevModeFields(LPCWSTR deviceName, DeviceModel* model, const DevModeIdentity* incoming, const void* source,
                         const DevModeIdentity* modelIdentity, void* destination) {
  (void)modelIdentity;
  if (incoming == nullptr || source == nullptr || destination == nullptr) return kConversionFailed;
  BYTE* defaults = BuildDefaultDevMode(model, deviceName);
  if (defaults == nullptr) return kConversionFailed;
  CopyDevModeBuffer(destination, defaults, 1);

  int result = kReplacedByDefaults;
  int copied = CopyDevModeParts(source, destination);
  UINT sourceBytes = static_cast<UINT>(incoming->dmSize) + incoming->dmDriverExtra;
  if (copied >= 0 && static_cast<UINT>(copied) == sourceBytes) {
    // The steps read the incoming fields from a zero-padded copy of the
    // source, so that no field beyond its own bytes is read.
    BYTE* padded = static_cast<BYTE*>(AllocDevModeBuffer(2));
    if (padded != nullptr) {
      std::memcpy(padded, source, sourceBytes < kDriverDevModeSize ? sourceBytes : kDriverDevModeSize);
      bool ok = true;
      for (const DevModeStep& step : kDevModeSteps) {
        if (step.applies(incoming->formatVersion)) ok = step.run(incoming->formatVersion, padded, destination) && ok;
      }
      FreeDevModeBuffer(padded);
      if (ok) result = kConvertedFields;
    }
  }
  if (result != kConvertedFields) CopyDevModeBuffer(destination, defaults, 1);
  FreeDevModeBuffer(defaults);
  return result;
}

int ConvertIncomingDevMode(const void* source, void* destination, LPCWSTR deviceName, DeviceModel* model) {
  if (destination == nullptr) return kConversionFailed;
  DevModeIdentity incoming, modelIdentity;
  if (source != nullptr && ReadDevModeIdentity(model, source, &incoming, &modelIdentity)) {
    switch (ClassifyDevMode(incoming, modelIdentity)) {
      case Decision::kCopy: CopyDevModeBuffer(destination, source, 1); return kCopiedUnchanged;
      case Decision::kDefaults:
        if (PutDefaultDevMode(model, destination, deviceName)) return kReplacedByDefaults;
        break;
      case Decision::kConvert: {
        int result = ConvertDevModeFields(deviceName, model, &incoming, source, &modelIdentity, destination);
        if (result != kConversionFailed) return result;
        break;
      }
    }
  }
  // Whatever went wrong, the model's defaults once more.
  return PutDefaultDevMode(model, destination, deviceName) ? kReplacedByDefaults : kConversionFailed;
}

int ReadSettingsBlockIdentity(const void* block, SettingsBlockIdentity* incoming, SettingsBlockIdentity* modelIdentity,
                              DeviceModel* model) {
  if (block == nullptr || incoming == nullptr || modelIdentity == nullptr) return 0;
  return ReadSettingWord(1298, nullptr, block, &incoming->driverVersion) &&
         ReadSettingWord(1307, nullptr, block, &incoming->formatVersion) &&
         ReadSettingWord(1297, nullptr, block, &incoming->blockSize) &&
         DefaultWord(model, 1298, &modelIdentity->driverVersion) &&
         DefaultWord(model, 1307, &modelIdentity->formatVersion) &&
         DefaultWord(model, 1297, &modelIdentity->blockSize) && DefaultWord(model, 1041, &modelIdentity->setting1041) &&
         ReadSettingWord(1041, nullptr, block, &incoming->setting1041);
}

int CopySettingsBlockBytes(const SettingsBlockIdentity* incoming, const void* source,
                           const SettingsBlockIdentity* modelIdentity, void* destination) {
  UINT count = incoming->blockSize < modelIdentity->blockSize ? incoming->blockSize : modelIdentity->blockSize;
  if (count > kPrinterSettingsBlockSize) count = kPrinterSettingsBlockSize;
  std::memmove(destination, source, count);
  if (!WriteValue(1298, nullptr, destination, kSettingTypeUInt16, 2, modelIdentity->driverVersion) ||
      !WriteValue(1307, nullptr, destination, kSettingTypeUInt16, 2, modelIdentity->formatVersion) ||
      !WriteValue(1297, nullptr, destination, kSettingTypeUInt16, 2, modelIdentity->blockSize)) {
    return -1;
  }
  return static_cast<int>(count);
}

int ConvertSettingsBlockFields(const SettingsBlockIdentity* incoming, const void* source,
                               const SettingsBlockIdentity* modelIdentity, void* destination, DeviceModel* model) {
  BYTE* defaults = static_cast<BYTE*>(GlobalAlloc(GPTR, kPrinterSettingsBlockSize));
  if (defaults == nullptr) return kConversionFailed;
  if (BuildDefaultSettings(model, nullptr, defaults, kDummyDeviceName) != 1) {
    GlobalFree(defaults);
    return kConversionFailed;
  }
  std::memcpy(destination, defaults, kPrinterSettingsBlockSize);

  int result = kReplacedByDefaults;
  int copied = CopySettingsBlockBytes(incoming, source, modelIdentity, destination);
  if (copied >= 0 && copied == incoming->blockSize) {
    WORD w = incoming->formatVersion;
    bool ok = true;
    if (w == 0x100 && model != nullptr && IsPrinterFlagFree(model->primary, model->secondary, 775) == 0) {
      ok = WriteValue(775, nullptr, destination, kSettingTypeInt32, 4, 1) && ok;
    }
    if (w == 0x4001 || w == 0x4002) {
      ok = WriteValue(1041, nullptr, destination, kSettingTypeUInt16, 2, modelIdentity->setting1041) && ok;
    }
    if (w <= 0x3000) {
      WORD key = modelIdentity->setting1041 & ~0xF;
      WORD level1029 = 0;
      if (!ReadSettingWord(1029, nullptr, destination, &level1029)) {
        ok = false;
      } else {
        for (const FeatureLevelRow& row : kFeatureLevels) {
          if (row.key == key && row.setting1029 == level1029) {
            ok = WriteValue(1308, nullptr, destination, kSettingTypeUInt32, 4, row.level) && ok;
            break;
          }
        }
      }
    }
    if (w < kOldGenerationFormatLimit) {
      uint64_t v = 0;
      SettingValueType type = 0;
      UINT size = 0;
      ok = ReadSettingInto(1309, nullptr, defaults, &v, &type, &size) &&
           WriteValue(1309, nullptr, destination, type, size, v) && ok;
    }
    if (ok) result = kConvertedFields;
  }
  if (result != kConvertedFields) std::memcpy(destination, defaults, kPrinterSettingsBlockSize);
  GlobalFree(defaults);
  return result;
}

int ConvertIncomingSettingsBlock(const void* source, void* destination, DeviceModel* model) {
  if (source == nullptr || destination == nullptr || model == nullptr) return kConversionFailed;
  SettingsBlockIdentity incoming{}, modelIdentity{};
  if (ReadSettingsBlockIdentity(source, &incoming, &modelIdentity, model)) {
    switch (ClassifySettingsBlock(incoming, modelIdentity)) {
      case Decision::kCopy: std::memmove(destination, source, kPrinterSettingsBlockSize); return kCopiedUnchanged;
      case Decision::kDefaults:
        if (BuildDefaultSettings(model, nullptr, destination, kDummyDeviceName) == 1) return kReplacedByDefaults;
        break;
      case Decision::kConvert: {
        int result = ConvertSettingsBlockFields(&incoming, source, &modelIdentity, destination, model);
        if (result != kConversionFailed) return result;
        break;
      }
    }
  }
  return BuildDefaultSettings(model, nullptr, destination, kDummyDeviceName) == 1 ? kReplacedByDefaults
                                                                                  : kConversionFailed;
}

int ConvertDevModeWorker(LPCWSTR printerName, const void* source, void* destination, LONG* size, DWORD mode) {
  if (size == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return kWorkerFailed;
  }
  HANDLE printer = nullptr;
  if (!OpenPrinterW(printerName, &printer, nullptr)) return kWorkerFailed;
  auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
  LPWSTR name = info ? CopyModelText(info->pPrinterName) : nullptr;
  DeviceModel* model = info ? OpenDeviceModel(printer) : nullptr;
  if (info) GlobalFree(info);
  ClosePrinter(printer);

  int result = kWorkerFailed;
  if (name != nullptr && model != nullptr && (mode == kConvertDevModeMode || mode == kDriverDefaultDevModeMode)) {
    if (*size < static_cast<LONG>(kDriverDevModeSize)) {
      *size = kDriverDevModeSize;
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      result = kWorkerTooSmall;
    } else {
      *size = kDriverDevModeSize;
      if (destination == nullptr) {
        result = kWorkerFailed;
      } else if (mode == kConvertDevModeMode) {
        if (source != nullptr) {
          switch (ConvertIncomingDevMode(source, destination, name, model)) {
            case kConvertedFields: result = kWorkerConverted; break;
            case kCopiedUnchanged: result = kWorkerCopied; break;
            case kReplacedByDefaults: result = kWorkerDefaults; break;
            default: result = kWorkerFailed; break;
          }
        }
      } else {
        result = PutDefaultDevMode(model, destination, name) ? kWorkerDefaults : kWorkerFailed;
      }
    }
  }
  if (model != nullptr) CloseDeviceModel(model);
  if (name != nullptr) GlobalFree(name);
  return result;
}
