// The capability table and its handlers: fixed answers, answers from the
// DEVMODE or the model's header, and the paper, bin and resolution lists
// written in the layouts DeviceCapabilities gives them.
#include "settings/capabilities/device_capabilities.h"

#include <algorithm>
#include <cstring>

#include "platform/win/windows.h"
#include "settings/access/setting_access.h"
#include "settings/access/setting_values.h"
#include "settings/devmode/devmode_buffer.h"
#include "settings/model/model_queries.h"
#include "settings/services/os_version.h"

namespace {

constexpr LONG kUnsupported = -1;
constexpr LONG kFieldsWithoutAnything = 0x1FF03;
constexpr LONG kCopiesWithoutModel = 999;
constexpr LONG kSpecVersion = 0x500;
constexpr LONG kDriverVersion = 0x3204;
constexpr LONG kPublicDevModeBytes = 220;
constexpr WORD kRequestedFields = 2;
constexpr DWORD kDevModeBufferMode = 1;
constexpr WORD kHeaderColorKind = 5;
constexpr WORD kHeaderPagesPerMinute = 16;
constexpr DWORD kFieldsColorBit = 0x10;
// A paper of this code keeps a length of exactly kUnlimitedLength.
constexpr WORD kRollPaperCode = 317;
constexpr LONG kUnlimitedLength = 10000;
constexpr LONG kLongestLength = 150000;

bool Has(WORD flags, WORD needed) { return (flags & needed) == needed; }

// A setting as a number; false when it cannot be read.
bool ReadNumber(const void* devMode, const void* settings, SettingId id, uint32_t* number) {
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (GetSettingValue(id, devMode, settings, &type, &size, &value) != kSettingOk) return false;
  *number = ReadValueAsUInt32(type, &value);
  return true;
}

// Copies at most `chars` characters of a text into a field of `chars`
// characters, zero-filled behind the text.
void PutNameField(WCHAR* field, const WCHAR* text, int chars) {
  int n = 0;
  for (; text && n < chars && text[n]; ++n) field[n] = text[n];
  for (; n < chars; ++n) field[n] = 0;
}

// The paper list of the current settings: its entries and count, or -1.
struct PaperList {
  PaperListEntry* entries = nullptr;
  int count = -1;
  ~PaperList() {
    if (entries) GlobalFree(entries);
  }
};

void LoadPaperList(HANDLE printer, void* devMode, void* settings, DeviceModel* model, PaperList* list) {
  WORD options = GetPaperOptionCount(model);
  if (options == 0) return;
  list->entries = static_cast<PaperListEntry*>(GlobalAlloc(GPTR, sizeof(PaperListEntry) * options));
  if (!list->entries) return;
  list->count = BuildPaperList(printer, devMode, settings, model, list->entries);
  if (list->count > options) list->count = -1;
}

}  // namespace

const CapabilityRow kCapabilityTable[kCapabilityRowCount] = {
    {DC_PAPERNAMES, &AnswerPapers},       {DC_PAPERSIZE, &AnswerPapers},
    {DC_PAPERS, &AnswerPapers},           {DC_BINS, &AnswerBins},
    {DC_BINNAMES, &AnswerBins},           {DC_ENUMRESOLUTIONS, &AnswerResolutions},
    {DC_TRUETYPE, &AnswerTrueType},       {DC_VERSION, &AnswerSpecVersion},
    {DC_DRIVER, &AnswerDriverVersion},    {DC_SIZE, &AnswerDevModeSize},
    {DC_EXTRA, &AnswerDriverExtra},       {DC_FIELDS, &AnswerFields},
    {DC_COPIES, &AnswerCopies},           {DC_DUPLEX, &AnswerDuplex},
    {DC_ORIENTATION, &AnswerOrientation}, {DC_FILEDEPENDENCIES, &AnswerFileDependencies},
    {DC_MINEXTENT, &AnswerExtent},        {DC_MAXEXTENT, &AnswerExtent},
    {DC_COLORDEVICE, &AnswerColorDevice}, {DC_MEDIAREADY, &AnswerMediaReady},
    {DC_PRINTRATE, &AnswerPrintRate},     {DC_PRINTRATEPPM, &AnswerPrintRate},
    {DC_PRINTRATEUNIT, &AnswerPrintRate}, {DC_STAPLE, &AnswerStaple},
    {DC_COLLATE, &AnswerCollate},
};

LONG CallCapabilityHandler(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                           DeviceModel* model) {
  for (const CapabilityRow& row : kCapabilityTable)
    if (row.index == index) return row.handler(printer, index, output, flags, devMode, settings, model);
  return kUnsupported;
}

WORD GetDevModeWord(const void* devMode, SettingId id) {
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (GetSettingValue(id, devMode, nullptr, &type, &size, &value) != kSettingOk) return 0;
  return static_cast<WORD>(ReadValueAsUInt32(type, &value));
}

LONG AnswerPapers(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                  DeviceModel* model) {
  if (!Has(flags, kCapabilityAll)) return kUnsupported;
  if (!output) {
    int count = BuildPaperList(printer, devMode, settings, model, nullptr);
    return count > 0 ? count : kUnsupported;
  }
  PaperList list;
  LoadPaperList(printer, devMode, settings, model, &list);
  if (list.count <= 0) return kUnsupported;
  for (int n = 0; n < list.count; ++n) {
    const PaperListEntry& paper = list.entries[n];
    switch (index) {
      case DC_PAPERS: {
        WORD code = paper.code;
        memcpy(static_cast<BYTE*>(output) + n * sizeof(WORD), &code, sizeof code);
        break;
      }
      case DC_PAPERSIZE: {
        // An unlimited length becomes the longest the settings allow.
        LONG length = paper.length;
        if (length == kUnlimitedLength && paper.code != kRollPaperCode) {
          uint32_t longest = 0;
          uint32_t customLength = 0;
          if (!ReadNumber(devMode, settings, 453, &longest) || !ReadNumber(devMode, settings, 373, &customLength))
            return kUnsupported;
          length = longest ? kLongestLength : static_cast<LONG>(customLength * 10);
        }
        LONG pair[2] = {paper.width, length};
        memcpy(static_cast<BYTE*>(output) + n * sizeof pair, pair, sizeof pair);
        break;
      }
      default: PutNameField(static_cast<WCHAR*>(output) + n * kPaperNameChars, paper.name, kPaperNameChars); break;
    }
  }
  return list.count;
}

LONG AnswerBins(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                DeviceModel* model) {
  if (!Has(flags, kCapabilityAll)) return kUnsupported;
  WORD count = 0;
  BinAnswerEntry* bins = nullptr;
  if (!BuildBinList(printer, model, devMode, settings, &count, &bins)) return kUnsupported;
  for (WORD n = 0; output && n < count; ++n) {
    if (index == DC_BINS) memcpy(static_cast<BYTE*>(output) + n * sizeof(WORD), &bins[n].value, sizeof(WORD));
    else PutNameField(static_cast<WCHAR*>(output) + n * kBinNameChars, bins[n].name, kBinNameChars);
  }
  if (bins) GlobalFree(bins);
  return count;
}

LONG AnswerResolutions(HANDLE, WORD, void* output, WORD flags, void*, void*, DeviceModel* model) {
  if (!Has(flags, kCapabilityModel)) return kUnsupported;
  int count = BuildResolutionList(model, nullptr);
  if (count <= 0) return kUnsupported;
  if (!output) return count;
  auto* items = static_cast<ResolutionEntry*>(GlobalAlloc(GPTR, sizeof(ResolutionEntry) * count));
  if (!items) return kUnsupported;
  int filled = BuildResolutionList(model, items);
  if (filled == count) memcpy(output, items, sizeof(ResolutionEntry) * count);
  GlobalFree(items);
  return filled == count ? count : kUnsupported;
}

LONG AnswerTrueType(HANDLE, WORD, void*, WORD, void*, void*, DeviceModel*) { return 6; }

LONG AnswerSpecVersion(HANDLE, WORD, void*, WORD flags, void* devMode, void*, DeviceModel*) {
  return Has(flags, kCapabilityDevMode) ? GetDevModeWord(devMode, 2) : kSpecVersion;
}

LONG AnswerDriverVersion(HANDLE, WORD, void*, WORD flags, void* devMode, void*, DeviceModel*) {
  return Has(flags, kCapabilityDevMode) ? GetDevModeWord(devMode, 3) : kDriverVersion;
}

LONG AnswerDevModeSize(HANDLE, WORD, void*, WORD flags, void* devMode, void*, DeviceModel*) {
  return Has(flags, kCapabilityDevMode) ? GetDevModeWord(devMode, 4) : kPublicDevModeBytes;
}

LONG AnswerDriverExtra(HANDLE, WORD, void*, WORD flags, void* devMode, void*, DeviceModel*) {
  if (Has(flags, kCapabilityDevMode)) return GetDevModeWord(devMode, 5);
  return static_cast<LONG>(GetDevModeBufferSize(kDevModeBufferMode)) - kPublicDevModeBytes;
}

LONG AnswerFields(HANDLE, WORD, void*, WORD flags, void* devMode, void* settings, DeviceModel* model) {
  if (Has(flags, kCapabilityDevMode)) {
    uint32_t fields = 0;
    uint32_t color = 0;
    if (!ReadNumber(devMode, settings, 1056, &color) || !ReadNumber(devMode, settings, 6, &fields) ||
        fields == 0xFFFFFFFFu)
      return kUnsupported;
    fields = color ? fields | kFieldsColorBit : fields & ~kFieldsColorBit;
    return static_cast<LONG>(fields);
  }
  if (Has(flags, kCapabilityModel)) {
    DWORD mask = 0;
    return GetSupportedFieldsMask(model, &mask, kRequestedFields) ? static_cast<LONG>(mask) : kUnsupported;
  }
  return kFieldsWithoutAnything;
}

LONG AnswerCopies(HANDLE, WORD, void*, WORD flags, void*, void*, DeviceModel* model) {
  return Has(flags, kCapabilityModel) ? GetModelMaxCopies(model) : kCopiesWithoutModel;
}

LONG AnswerDuplex(HANDLE, WORD, void*, WORD flags, void* devMode, void* settings, DeviceModel*) {
  if (!Has(flags, kCapabilityDevMode | kCapabilitySettings)) return kUnsupported;
  uint32_t unit = 0;
  if (!ReadNumber(devMode, settings, 775, &unit)) return kUnsupported;
  return unit ? 1 : 0;
}

LONG AnswerOrientation(HANDLE, WORD, void*, WORD, void*, void*, DeviceModel*) { return 90; }

LONG AnswerFileDependencies(HANDLE, WORD, void* output, WORD, void*, void*, DeviceModel*) {
  if (output) *static_cast<WCHAR*>(output) = 0;
  return 0;
}

LONG AnswerExtent(HANDLE printer, WORD index, void*, WORD flags, void* devMode, void* settings, DeviceModel* model) {
  if (!Has(flags, kCapabilityAll)) return kUnsupported;
  PaperList list;
  LoadPaperList(printer, devMode, settings, model, &list);
  if (list.count <= 0) return kUnsupported;
  WORD width = static_cast<WORD>(list.entries[0].width);
  WORD length = static_cast<WORD>(list.entries[0].length);
  for (int n = 1; n < list.count; ++n) {
    WORD w = static_cast<WORD>(list.entries[n].width);
    WORD l = static_cast<WORD>(list.entries[n].length);
    width = index == DC_MINEXTENT ? std::min(width, w) : std::max(width, w);
    length = index == DC_MINEXTENT ? std::min(length, l) : std::max(length, l);
  }
  return static_cast<LONG>((static_cast<DWORD>(length) << 16) | width);
}

LONG AnswerColorDevice(HANDLE, WORD, void*, WORD flags, void*, void*, DeviceModel* model) {
  if (!Has(flags, kCapabilityModel) || !model) return kUnsupported;
  switch (ReadModelHeaderValue(model->primary, kHeaderColorKind, 1, 0)) {
    case 1: return 0;
    case 2:
    case 18: return 1;
    default: return kUnsupported;
  }
}

LONG AnswerMediaReady(HANDLE, WORD, void* output, WORD flags, void*, void*, DeviceModel* model) {
  if (!Has(flags, kCapabilityModel) || !model) return kUnsupported;
  WORD count = GetPaperOptionCount(model);
  for (WORD n = 1; n <= count; ++n) {
    WCHAR* name = nullptr;
    BYTE* value = nullptr;
    WORD type = 0;
    if (LoadSettingOptionValue(model->primary, model->secondary, 8, n, &name, &value, &type)) return kUnsupported;
    if (output) PutNameField(static_cast<WCHAR*>(output) + (n - 1) * kPaperNameChars, name, kPaperNameChars);
    if (name) GlobalFree(name);
    if (value) GlobalFree(value);
  }
  return count;
}

LONG AnswerPrintRate(HANDLE, WORD index, void*, WORD flags, void*, void*, DeviceModel* model) {
  if (index == DC_PRINTRATEUNIT) return 1;  // pages per minute
  if (!Has(flags, kCapabilityModel) || !model) return kUnsupported;
  return static_cast<LONG>(ReadModelHeaderValue(model->primary, kHeaderPagesPerMinute, 2, 0));
}

LONG AnswerStaple(HANDLE, WORD, void*, WORD flags, void* devMode, void* settings, DeviceModel*) {
  if (!Has(flags, kCapabilityModel | kCapabilitySettings)) return kUnsupported;
  uint32_t stapler = 0;
  uint32_t staple = 0;
  if (!ReadNumber(devMode, settings, 773, &stapler) || !ReadNumber(devMode, settings, 1038, &staple))
    return kUnsupported;
  return stapler == 1 && staple == 1 ? 1 : 0;
}

LONG AnswerCollate(HANDLE, WORD, void*, WORD, void*, void*, DeviceModel*) {
  return IsOsVersionAtLeast(5, 1) ? 1 : kUnsupported;
}
