// Chunked values by index, the font substitution text and the loading and
// saving of the printer settings block.
#include "settings/store/printer_settings_data.h"

#include <cstring>

#include "platform/win/win_memory.h"
#include "platform/win/win_text.h"
#include "settings/devmode/devmode_buffer.h"
#include "settings/devmode/devmode_conversion.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/model_records.h"
#include "settings/store/printer_data_chunks.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/access/setting_value_io.h"
#include "settings/services/settings_build.h"
#include "settings/store/user_setting_info.h"
#include "settings/store/user_store.h"

namespace {

constexpr const WCHAR* kChunkedValueStems[] = {u"FontSubTable", u"SysTTFontList", u"PrinterData"};

// The text starts at this many bytes and grows in steps of the next.
constexpr size_t kFontTextStartBytes = 1279;
constexpr size_t kFontTextGrowBytes = 1280;

const WCHAR* StemOf(int index) {
  return index >= 0 && index < static_cast<int>(std::size(kChunkedValueStems)) ? kChunkedValueStems[index] : nullptr;
}

// Code units of a pair list up to and including its final zero, scanning no
// further than `units` (0 when it does not end inside them or holds no pair).
size_t PairListUnits(const WCHAR* text, size_t units) {
  size_t at = 0;
  size_t pairs = 0;
  while (at < units && text[at] != 0) {
    for (int part = 0; part < 2; ++part) {
      while (at < units && text[at] != 0) ++at;
      if (at == units) return 0;
      ++at;  // the text's terminator
    }
    ++pairs;
  }
  return at < units && pairs != 0 ? at + 1 : 0;
}

// Appends a pair to the growing text; false when memory runs out.
bool AppendPair(BYTE** text, size_t* capacity, size_t* used, const WCHAR* alias, const WCHAR* face) {
  const size_t aliasBytes = (static_cast<size_t>(lstrlenW(alias)) + 1) * sizeof(WCHAR);
  const size_t faceBytes = (static_cast<size_t>(lstrlenW(face)) + 1) * sizeof(WCHAR);
  // Grow until the pair and the final zero fit, however long the pair is.
  size_t needed = *capacity;
  while (*used + aliasBytes + faceBytes + sizeof(WCHAR) > needed) needed += kFontTextGrowBytes;
  if (needed != *capacity) {
    auto* grown = static_cast<BYTE*>(GlobalAlloc(GPTR, needed));
    if (grown == nullptr) return false;
    std::memcpy(grown, *text, *used);
    GlobalFree(*text);
    *text = grown;
    *capacity = needed;
  }
  std::memcpy(*text + *used, alias, aliasBytes);
  std::memcpy(*text + *used + aliasBytes, face, faceBytes);
  *used += aliasBytes + faceBytes;
  return true;
}

// Applies the user's fields to a stored block. Blocks of the older generation
// carry the user's fields themselves: a stored record is applied when there
// is one, else the block's own fields become the record (neither stops the
// load). Newer blocks take the stored record or the defaults.
bool ApplyUserFields(HANDLE printer, WORD formatVersion, void* block) {
  UserSettingInfo record{};
  if (formatVersion < kOldGenerationFormatLimit) {
    if (HasUserSettingInfo(printer)) {
      if (ReadUserSettingInfo(printer, &record)) ApplyUserSettingInfo(block, &record);
    } else if (BuildUserSettingInfo(printer, block, &record)) {
      SaveUserSettingInfo(printer, &record);
    }
    return true;
  }
  return ReadUserSettingInfo(printer, &record) && ApplyUserSettingInfo(block, &record);
}

// The stored block with the user's fields, taken or converted: 1 / 0.
int LoadStoredSettings(HANDLE printer, void* work, void* destination, DeviceModel* model) {
  DWORD size = kPrinterSettingsBlockSize;
  void* holder = work;
  // Only a whole block is taken: a shorter one would be completed with zeros.
  if (!ReadChunkedValue(printer, &size, kPrinterDataValue, &holder, true) || size != kPrinterSettingsBlockSize)
    return 0;
  WORD formatVersion = 0;
  WORD driverVersion = 0;
  if (!ReadSettingWord(1307, nullptr, work, &formatVersion) || !ApplyUserFields(printer, formatVersion, work) ||
      !ReadSettingWord(1298, nullptr, work, &driverVersion))
    return 0;
  if (driverVersion == kDriverVersion) {
    std::memcpy(destination, work, kPrinterSettingsBlockSize);
    return 1;
  }
  return ConvertIncomingSettingsBlock(work, destination, model) != kConversionFailed;
}

}  // namespace

int WriteChunkedValue(HANDLE printer, const void* data, DWORD size, int index) {
  const WCHAR* stem = StemOf(index);
  if (stem == nullptr || printer == nullptr) return 0;
  return WritePrinterDataChunks(printer, stem, data, size);
}

int ReadChunkedValue(HANDLE printer, DWORD* size, int index, void** holder, bool useHolderBuffer) {
  const WCHAR* stem = StemOf(index);
  if (stem == nullptr || printer == nullptr || size == nullptr || holder == nullptr) return 0;
  if (!useHolderBuffer) return ReadPrinterDataChunksToNewBlock(printer, stem, holder, size);
  DWORD stored = 0;
  if (*holder == nullptr || !ReadPrinterDataChunkSize(printer, stem, &stored) || stored > *size ||
      !ReadPrinterDataChunks(printer, stem, *holder, stored))
    return 0;
  *size = stored;
  return 1;
}

WCHAR* ReadFontSubTable(HANDLE printer) {
  DWORD size = 0;
  void* stored = nullptr;
  if (ReadChunkedValue(printer, &size, kFontSubTableValue, &stored, false)) {
    // Stored data is handed on only as a whole pair list.
    if (size % sizeof(WCHAR) == 0 &&
        PairListUnits(static_cast<WCHAR*>(stored), size / sizeof(WCHAR)) == size / sizeof(WCHAR))
      return static_cast<WCHAR*>(stored);
    GlobalFree(stored);
  }
  if (!kSettingsGraphicsDriverBuild) return nullptr;
  DeviceModel* model = OpenDeviceModel(printer);
  if (model == nullptr) return nullptr;
  WCHAR* text = BuildFontSubstitutionText(model);
  CloseDeviceModel(model);
  return text;
}

int WriteFontSubTable(HANDLE printer, void*, const WCHAR* text) {
  if (text == nullptr) return 0;
  // The text's length up to its empty alias, the final zero included.
  size_t units = 0;
  while (text[units] != 0) {
    units += static_cast<size_t>(lstrlenW(text + units)) + 1;
    units += static_cast<size_t>(lstrlenW(text + units)) + 1;
  }
  return WriteChunkedValue(printer, text, static_cast<DWORD>((units + 1) * sizeof(WCHAR)), kFontSubTableValue);
}

WCHAR* BuildFontSubstitutionText(DeviceModel* model) {
  if (model == nullptr || model->primary == nullptr) return nullptr;
  size_t capacity = kFontTextStartBytes;
  size_t used = 0;
  auto* text = static_cast<BYTE*>(GlobalAlloc(GPTR, capacity));
  if (text == nullptr) return nullptr;
  bool ok = true;
  const WORD count = CountModelRecords(model->primary, kRecordDeviceFont);
  for (WORD position = 1; ok && position <= count; ++position) {
    ModelRecord* record = nullptr;
    if (LoadModelRecordByIndex(false, model->primary, model->secondary, kRecordDeviceFont, position, &record) != 0) {
      ok = false;
      break;
    }
    const auto* font = static_cast<const DeviceFontModelRecord*>(record);
    const WCHAR* face = font->face != nullptr ? font->face : u"";
    for (WORD a = 0; ok && a < font->aliasCount; ++a) {
      // An empty alias would end the list early; it names nothing anyway.
      if (font->aliases[a] == nullptr || font->aliases[a][0] == 0) continue;
      ok = AppendPair(&text, &capacity, &used, font->aliases[a], face);
    }
    ReleaseModelRecord(record);
  }
  if (!ok) {
    GlobalFree(text);
    return nullptr;
  }
  // The block is zeroed: the final zero is already there.
  return reinterpret_cast<WCHAR*>(text);
}

int EnsureFontSubTable(HANDLE printer, void* reserved, DeviceModel* model) {
  if (printer == nullptr || model == nullptr) return 0;
  DWORD size = 0;
  if (ReadPrinterDataChunkSize(printer, kChunkedValueStems[kFontSubTableValue], &size)) return 1;
  WCHAR* text = BuildFontSubstitutionText(model);
  if (text == nullptr) return 0;
  const int written = WriteFontSubTable(printer, reserved, text);
  GlobalFree(text);
  return written;
}

int SavePrinterSettings(HANDLE printer, const void* settings, BOOL enabled) {
  if (printer == nullptr || settings == nullptr || !enabled) return 0;
  return WriteChunkedValue(printer, settings, kPrinterSettingsBlockSize, kPrinterDataValue);
}

int LoadPrinterSettings(HANDLE printer, void* destination, DeviceModel* model) {
  if (printer == nullptr || destination == nullptr || model == nullptr) return 0;
  void* work = GlobalAlloc(GPTR, kPrinterSettingsBlockSize);
  if (work == nullptr) return 0;
  int result = LoadStoredSettings(printer, work, destination, model);
  GlobalFree(work);
  if (result) return 1;
  // Defaults, whatever went wrong with the stored block.
  void* devMode = AllocDevModeBuffer(0);
  if (devMode == nullptr) return 0;
  result = BuildDefaultSettings(model, devMode, destination, PK_DEFAULT_SETTINGS_PRINTER_NAME) == 1;
  FreeDevModeBuffer(devMode);
  return result;
}
