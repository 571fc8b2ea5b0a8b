// Editing the application's DEVMODE by setting id.
#include "host/devmode_edit.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "host/text_utf.h"
#include "platform/win/win_devmode.h"
#include "platform/win/win_memory.h"
#include "settings/access/setting_access.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/devmode/printer_default_devmode.h"
#include "settings/model/device_model.h"
#include "settings/store/printer_settings_data.h"

namespace pkhost {

namespace {

// The value is a number the setting's integer type holds; false with a
// reason otherwise.
bool ValueFits(int id, SettingValueType type, long long value, std::string* error) {
  long long lo = 0, hi = 0;
  switch (type) {
    case kSettingTypeInt32:
    case kSettingTypeSInt32:
    case kSettingTypeFontField: lo = INT32_MIN, hi = INT32_MAX; break;
    case kSettingTypeUInt32: lo = 0, hi = UINT32_MAX; break;
    case kSettingTypeInt16: lo = INT16_MIN, hi = INT16_MAX; break;
    case kSettingTypeUInt16: lo = 0, hi = UINT16_MAX; break;
    case kSettingTypeUInt8: lo = 0, hi = UINT8_MAX; break;
    default: *error = "setting " + std::to_string(id) + " is not a number"; return false;
  }
  if (value < lo || value > hi) {
    *error = "value " + std::to_string(value) + " does not fit setting " + std::to_string(id);
    return false;
  }
  return true;
}

// The DEVMODE widened to the working form (settings of the extension need
// it) with the setting's type; false with a reason when the id names no
// DEVMODE setting.
bool WorkingCopy(const std::vector<uint8_t>& devMode, int id, std::vector<uint8_t>* work, SettingValueType* type,
                 std::string* error) {
  if (devMode.size() < kDriverDevModeSize) {
    *error = "the DEVMODE is too short for the driver's settings";
    return false;
  }
  *work = devMode;
  if (work->size() < 4700) work->resize(4700, 0);
  SettingValueType returned = 0;
  UINT typeSize = 0, maxSize = 0;
  SettingBlock block = 0;
  SettingAccessResult r = LookupSettingField(static_cast<SettingId>(id), type, &returned, &typeSize, &maxSize,
                                             work->data(), nullptr, nullptr, nullptr, &block);
  if (r != kSettingOk || block == kSettingBlockPrinter) {
    *error = "setting " + std::to_string(id) + " is not a DEVMODE setting";
    return false;
  }
  return true;
}

// The dmFields bit of a public DEVMODE setting: an application that sets a
// field says so, or the driver's merge keeps its own value.
DWORD FieldBit(int id) {
  static const std::pair<int, DWORD> kBits[] = {
      {7, DM_ORIENTATION},  {8, DM_PAPERSIZE},      {9, DM_PAPERLENGTH},   {10, DM_PAPERWIDTH}, {11, DM_SCALE},
      {12, DM_COPIES},      {13, DM_DEFAULTSOURCE}, {14, DM_PRINTQUALITY}, {15, DM_COLOR},      {16, DM_DUPLEX},
      {21, DM_YRESOLUTION}, {17, DM_TTOPTION},      {18, DM_COLLATE},      {19, DM_FORMNAME}};
  for (const auto& [setting, bit] : kBits)
    if (setting == id) return bit;
  return 0;
}

void RaiseFieldBit(std::vector<uint8_t>& work, int id) {
  if (DWORD bit = FieldBit(id)) {
    DWORD fields = 0;
    std::memcpy(&fields, work.data() + offsetof(DEVMODEW, dmFields), sizeof fields);
    fields |= bit;
    std::memcpy(work.data() + offsetof(DEVMODEW, dmFields), &fields, sizeof fields);
  }
}

}  // namespace

bool ApplySetting(std::vector<uint8_t>& devMode, int id, long long value, std::string* error) {
  std::vector<uint8_t> work;
  SettingValueType type = 0;
  if (!WorkingCopy(devMode, id, &work, &type, error) || !ValueFits(id, type, value, error)) return false;
  UINT size = 0;
  GetValueTypeSize(static_cast<SettingId>(id), type, &size);
  uint64_t slot = 0;
  std::memcpy(&slot, &value, sizeof slot);
  const SettingAccessResult r = WriteSettingField(static_cast<SettingId>(id), work.data(), nullptr, type, size, &slot);
  if (r != kSettingOk) {
    *error = "setting " + std::to_string(id) + " cannot be written (code " + std::to_string(r) + ")";
    return false;
  }
  RaiseFieldBit(work, id);
  std::memcpy(devMode.data(), work.data(), std::min(devMode.size(), work.size()));
  return true;
}

bool ApplyTextSetting(std::vector<uint8_t>& devMode, int id, const std::string& utf8, std::string* error) {
  std::vector<uint8_t> work;
  SettingValueType type = 0;
  if (!WorkingCopy(devMode, id, &work, &type, error)) return false;
  if (type != kSettingTypeText) {
    *error = "setting " + std::to_string(id) + " is not a text";
    return false;
  }
  const std::u16string text = pk::Utf8ToUtf16(utf8);
  const WCHAR* p = text.c_str();
  const SettingAccessResult r = SetSettingValue(static_cast<SettingId>(id), work.data(), nullptr, kSettingTypeText,
                                                UINT((text.size() + 1) * sizeof(WCHAR)), &p);
  if (r != kSettingOk) {
    *error = "text does not fit setting " + std::to_string(id) + " (code " + std::to_string(r) + ")";
    return false;
  }
  std::memcpy(devMode.data(), work.data(), std::min(devMode.size(), work.size()));
  return true;
}

bool AppendPaperMargins(std::vector<uint8_t>& devMode, const int margins[4], std::string* error) {
  for (int i = 0; i < 4; ++i)
    if (margins[i] < INT16_MIN || margins[i] > INT16_MAX) {
      *error = "margins must fit 16 bits";
      return false;
    }
  if (!ApplySetting(devMode, 387, 1, error)) return false;
  devMode.resize(kDriverDevModeSize);
  DEVMODEW dm;
  std::memcpy(&dm, devMode.data(), sizeof dm);
  uint8_t rec[kPaperMarginRecordSize];
  uint16_t paper = static_cast<uint16_t>(dm.dmPaperSize);
  rec[0] = static_cast<uint8_t>(paper);
  rec[1] = static_cast<uint8_t>(paper >> 8);
  for (int i = 0; i < 4; ++i) {
    uint16_t m = static_cast<uint16_t>(static_cast<int16_t>(margins[i]));
    rec[2 + 2 * i] = static_cast<uint8_t>(m);
    rec[3 + 2 * i] = static_cast<uint8_t>(m >> 8);
  }
  devMode.insert(devMode.end(), rec, rec + kPaperMarginRecordSize);
  dm.dmDriverExtra = static_cast<WORD>(kDriverDevModeSize + kPaperMarginRecordSize - sizeof(DEVMODEW));
  std::memcpy(devMode.data(), &dm, sizeof dm);
  return true;
}

namespace {

// Writes one setting of the printer's stored settings block: `write` puts the
// value into the loaded block (the setting's type given).
template <typename Write>
bool StoreInPrinterBlock(void* printer, const std::vector<uint8_t>& devMode, int id, Write write, std::string* error) {
  std::vector<uint8_t> work(devMode);
  if (work.size() < 4700) work.resize(4700, 0);
  std::vector<uint8_t> block(kPrinterSettingsBlockSize, 0);
  SettingValueType type = 0, returned = 0;
  SettingBlock where = 0;
  if (id < 0 || id > 0xFFFF ||
      LookupSettingField(static_cast<SettingId>(id), &type, &returned, nullptr, nullptr, work.data(), block.data(),
                         nullptr, nullptr, &where) != kSettingOk ||
      where != kSettingBlockPrinter) {
    *error = "setting " + std::to_string(id) + " is not a printer setting";
    return false;
  }
  DeviceModel* model = OpenDeviceModel(printer);
  const bool loaded = model && LoadPrinterSettings(printer, block.data(), model) == 1;
  if (model) CloseDeviceModel(model);
  if (!loaded) {
    *error = "the printer's settings cannot be read";
    return false;
  }
  if (!write(type, work, block)) return false;
  if (SavePrinterSettings(printer, block.data(), TRUE) != 1) {
    *error = "the printer's settings cannot be stored";
    return false;
  }
  return true;
}

}  // namespace

bool StorePrinterSetting(void* printer, const std::vector<uint8_t>& devMode, int id, long long value,
                         std::string* error) {
  auto write = [&](SettingValueType type, std::vector<uint8_t>& work, std::vector<uint8_t>& block) {
    if (!ValueFits(id, type, value, error)) return false;
    UINT size = 0;
    GetValueTypeSize(static_cast<SettingId>(id), type, &size);
    uint64_t slot = 0;
    std::memcpy(&slot, &value, sizeof slot);
    const SettingAccessResult r =
        WriteSettingField(static_cast<SettingId>(id), work.data(), block.data(), type, size, &slot);
    if (r != kSettingOk)
      *error = "setting " + std::to_string(id) + " cannot be written (code " + std::to_string(r) + ")";
    return r == kSettingOk;
  };
  return StoreInPrinterBlock(printer, devMode, id, write, error);
}

bool StorePrinterTextSetting(void* printer, const std::vector<uint8_t>& devMode, int id, const std::string& utf8,
                             std::string* error) {
  auto write = [&](SettingValueType type, std::vector<uint8_t>& work, std::vector<uint8_t>& block) {
    if (type != kSettingTypeText) {
      *error = "setting " + std::to_string(id) + " is not a text";
      return false;
    }
    const std::u16string text = pk::Utf8ToUtf16(utf8);
    const WCHAR* p = text.c_str();
    const SettingAccessResult r = SetSettingValue(static_cast<SettingId>(id), work.data(), block.data(),
                                                  kSettingTypeText, UINT((text.size() + 1) * sizeof(WCHAR)), &p);
    if (r != kSettingOk)
      *error = "text does not fit setting " + std::to_string(id) + " (code " + std::to_string(r) + ")";
    return r == kSettingOk;
  };
  return StoreInPrinterBlock(printer, devMode, id, write, error);
}

std::vector<uint8_t> DriverDefaultDevMode(void* printer) {
  DeviceModel* model = OpenDeviceModel(printer);
  if (!model) return {};
  std::vector<uint8_t> b(kDriverDevModeSize, 0);
  LONG length = LONG(kDriverDevModeSize);
  int converted = 0;
  PRINTER_INFO_2W* info = GetPrinterDefaultDevMode(printer, model, b.data(), &length, &converted);
  CloseDeviceModel(model);
  if (!info) return {};
  GlobalFree(info);
  return converted == 1 ? b : std::vector<uint8_t>{};
}

std::vector<uint8_t> BareDevMode() {
  std::vector<uint8_t> b(kDriverDevModeSize, 0);
  DEVMODEW dm{};
  dm.dmSpecVersion = DM_SPECVERSION;
  dm.dmSize = sizeof(DEVMODEW);
  dm.dmDriverExtra = static_cast<WORD>(kDriverDevModeSize - sizeof(DEVMODEW));
  dm.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
  dm.dmOrientation = DMORIENT_PORTRAIT;
  dm.dmPaperSize = DMPAPER_A4;
  std::memcpy(b.data(), &dm, sizeof dm);
  return b;
}

}  // namespace pkhost
