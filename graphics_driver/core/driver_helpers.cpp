// Global blocks, texts, setting writes and device model reads of the graphics
// driver (see driver_helpers.h).
#include "graphics_driver/core/driver_helpers.h"

#include <cstring>

#include "platform/win/win_memory.h"
#include "settings/access/setting_access.h"
#include "settings/model/model_format.h"
#include "settings/services/code_pages.h"
#include "settings/services/spooler_records.h"

namespace {

// Records read from files of a format level below this carry no flag byte
// and no size range.
constexpr DWORD kLevelWithRanges = 512;

bool IsRange(const ModelRecord* r) { return r && (r->type == kRecordRangeA || r->type == kRecordRangeB); }

}  // namespace

int DiscardGlobalBlock(void* block) {
  GlobalFree(block);
  return 1;
}

void* ReallocGlobalBlock(void* old, DWORD oldBytes, DWORD newBytes) {
  void* block = GlobalAlloc(GPTR, newBytes);
  if (!block) return nullptr;
  if (old) {
    std::memcpy(block, old, oldBytes < newBytes ? oldBytes : newBytes);
    GlobalFree(old);
  }
  return block;
}

void CopyWideBounded(WCHAR* dst, const WCHAR* src, size_t n) {
  if (!dst || n == 0) return;
  size_t i = 0;
  for (; src && i + 1 < n && src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
}

int AddOemLine(const char* text, int length, WCHAR** lines, int* count) {
  if (!text || !lines || !count || length < 0) return 0;
  char line[128];
  int n = length < 127 ? length : 127;
  std::memcpy(line, text, size_t(n));
  line[n] = 0;
  WCHAR* wide = nullptr;
  int chars = 0;
  if (!OemToWideAlloc(line, &wide, &chars)) return 0;
  lines[*count] = wide;
  ++*count;
  return 1;
}

int ReleaseJobUserHandle(void*) { return 1; }

void BgrToInvertedGray(const BYTE* source, BYTE* target, int width, int rows) {
  if (!source || !target || width <= 0 || rows <= 0) return;
  size_t pixels = size_t(width) * size_t(rows);
  for (size_t i = 0; i < pixels; ++i) {
    const BYTE* p = source + 3 * i;
    target[i] = BYTE(255 - ((28 * p[0] + 151 * p[1] + 77 * p[2]) >> 8));
  }
}

SettingAccessResult SetSettingValueVa(void* devmode, void* printerSettings, SettingId id, SettingValueType type,
                                      uint64_t value) {
  UINT size = 0;
  if (type >= 1 && type <= 3) size = 2;
  else if (type >= 4 && type <= 6) size = 4;
  else if (type == 8) size = 1;
  return SetSettingValue(id, devmode, printerSettings, type, size, &value);
}

DeviceModel* MakeDeviceModelHandle(const ModelFile* primary, const ModelFile* secondary) {
  if (!primary || !secondary) return nullptr;
  DeviceModel* model = AllocDeviceModelHandle();
  if (!model) return nullptr;
  *model->primary = *primary;
  *model->secondary = *secondary;
  return model;
}

int IsFaxModel(ModelFile* primary, ModelFile*) {
  switch (ReadModelHeaderValue(primary, 23, 1, 0)) {
    case 0: return 1;
    case 1: return 2;
    default: return 0;
  }
}

ModelStatus ReadModelFileName(ModelFile* primary, int kind, WCHAR** name) {
  if (!name) return 1;
  *name = nullptr;
  if (kind < 0 || kind > 5) return 1;
  return ReadModelHeaderText(primary, WORD(17 + kind), 0, name);
}

WCHAR* GetDriverFolder(HANDLE printer) {
  auto* info = static_cast<DRIVER_INFO_2W*>(GetPrinterDriverInfo(printer, 2));
  if (!info) return nullptr;
  WCHAR* folder = nullptr;
  const WCHAR* path = info->pDriverPath;
  size_t n = 0;
  while (path && path[n]) ++n;
  size_t cut = n;
  while (cut > 0 && path[cut - 1] != u'\\') --cut;
  if (cut > 0) {
    folder = static_cast<WCHAR*>(GlobalAlloc(GPTR, (cut + 1) * sizeof(WCHAR)));
    if (folder) std::memcpy(folder, path, cut * sizeof(WCHAR));
  }
  GlobalFree(info);
  return folder;
}

WCHAR* GetModelFilePath(HANDLE printer, int kind) {
  if (kind < 0 || kind > 5) return nullptr;
  WCHAR* folder = GetDriverFolder(printer);
  if (!folder) return nullptr;
  DeviceModel* model = OpenDeviceModel(printer);
  WCHAR* name = nullptr;
  if (model) ReadModelFileName(model->primary, kind, &name);
  if (model) CloseDeviceModel(model);
  WCHAR* path = nullptr;
  if (name) {
    size_t a = 0, b = 0;
    while (folder[a]) ++a;
    while (name[b]) ++b;
    path = static_cast<WCHAR*>(GlobalAlloc(GPTR, (a + b + 1) * sizeof(WCHAR)));
    if (path) {
      std::memcpy(path, folder, a * sizeof(WCHAR));
      std::memcpy(path + a, name, b * sizeof(WCHAR));
    }
    GlobalFree(name);
  }
  GlobalFree(folder);
  return path;
}

ModelStatus GetModelListEntry(const ModelRecord* record, WORD n, const KeyItem** entry) {
  if (!entry || !IsRange(record) || n == 0) return 1;
  const auto* r = static_cast<const RangeRecord*>(record);
  if (n > r->settingCount || !r->settingIds) return 2;
  *entry = &r->settingIds[n - 1];
  return 0;
}

ModelStatus GetModelListEntryCode(const ModelRecord* record, WORD n, WORD* code) {
  if (!code || !IsRange(record) || n == 0) return 1;
  const auto* r = static_cast<const RangeRecord*>(record);
  if (n > r->secondCount || !r->secondKeys) return 2;
  *code = r->secondKeys[n - 1].key;
  return 0;
}

ModelStatus GetListRecordWord(const ModelRecord* record, WORD* value) {
  if (!value || !record || record->type != kRecordRangeA) return 1;
  *value = static_cast<const RangeRecord*>(record)->word;
  return 0;
}

ModelStatus GetListRecordFlagByte(const ModelRecord* record, BYTE* value) {
  if (!value || !IsRange(record) || record->level < kLevelWithRanges) return 1;
  *value = static_cast<const RangeRecord*>(record)->byte;
  return 0;
}

WORD GetPaperRecordCode(const ModelRecord* record) {
  if (!record || record->type != kRecordPaper) return 0;
  return static_cast<const PaperRecord*>(record)->paperCode;
}

ModelStatus GetPaperRecordSizeRange(const ModelRecord* record, BYTE* kind, PointItem* minimum, PointItem* maximum) {
  if (!record || record->type != kRecordPaper || record->level < kLevelWithRanges) return 1;
  const auto* p = static_cast<const PaperRecord*>(record);
  if (kind) *kind = p->sizeKind;
  if (minimum) *minimum = p->pair4[0];
  if (maximum) *maximum = p->pair4[1];
  return 0;
}

DWORD GetFontRecordDataSize(const ModelRecord* record) {
  if (!record || record->type != kRecordDeviceFont) return 0;
  return static_cast<const DeviceFontModelRecord*>(record)->fontDataSize;
}
