// Loading the device description files and the reader over their copies.
#include "settings/model/device_model.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "settings/model/model_records.h"

namespace {

DWORD g_lastModelLevel = 0;

constexpr DWORD kPathChars = 264;        // the secondary's path buffer, terminator included
constexpr DWORD kModulePathChars = 520;  // driver folder + module name, terminator included
constexpr DWORD kDriverFolderChars = 519;

WCHAR* NewWide(size_t characters) { return static_cast<WCHAR*>(GlobalAlloc(GPTR, (characters + 1) * sizeof(WCHAR))); }

size_t WideLength(const WCHAR* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

// A narrow text in the ANSI code page (at most `size` bytes, NUL-terminated
// within them or not) as a new wide text; its byte count in *byteCount.
ModelStatus NarrowToWide(const BYTE* bytes, size_t size, WCHAR** text, WORD* byteCount) {
  size_t n = 0;
  while (n < size && bytes[n]) ++n;
  int chars = 0;
  if (n > 0) {
    chars = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes), static_cast<int>(n), nullptr, 0);
    if (chars <= 0) return 4;
  }
  WCHAR* w = NewWide(static_cast<size_t>(chars));
  if (!w) return 4;
  if (n > 0 &&
      MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes), static_cast<int>(n), w, chars) != chars) {
    GlobalFree(w);
    return 4;
  }
  *text = w;
  if (byteCount) *byteCount = static_cast<WORD>(chars * 2 + 2);
  return 0;
}

bool Has(const ModelFile* file, DWORD n) {
  return file && file->data && file->position <= file->size && n <= file->size - file->position;
}

// The host path of the binary that holds this code.
std::string OwnBinaryHostPath() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&GetModelDriverFolder), &info) || !info.dli_fname) return {};
  char* real = realpath(info.dli_fname, nullptr);
  if (!real) return {};
  std::string path(real);
  free(real);
  return path;
}

// Loads a module of the model from the driver folder with the loader flags
// the model's modules are loaded with.
HMODULE LoadDriverFolderModule(const WCHAR* name) {
  WCHAR path[kModulePathChars];
  if (!GetModelDriverFolder(path, kDriverFolderChars + 1)) return nullptr;
  size_t folder = WideLength(path);
  size_t n = WideLength(name);
  if (n == 0 || folder + n + 1 > kModulePathChars) return nullptr;
  for (size_t k = 0; k <= n; ++k) path[folder + k] = name[k];
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH | DONT_RESOLVE_DLL_REFERENCES);
}

// LoadStringW into a buffer of 1024 characters, as a new text.
ModelStatus LoadModelString(HMODULE module, UINT id, WCHAR** text, WORD* byteCount) {
  WCHAR buffer[kModelStringChars];
  int n = LoadStringW(module, id, buffer, kModelStringChars);
  if (n < 0) n = 0;
  WCHAR* w = NewWide(static_cast<size_t>(n));
  if (!w) return 4;
  for (int k = 0; k < n; ++k) w[k] = buffer[k];
  *text = w;
  *byteCount = static_cast<WORD>(n * 2 + 2);
  return 0;
}

}  // namespace

DWORD GetLastModelLevel() { return g_lastModelLevel; }

bool GetModelDriverFolder(WCHAR* buffer, DWORD characters) {
  if (!buffer || characters == 0) return false;
  // A driver library loaded from the machine root has a Windows path; a
  // program that links the model itself uses its own folder.
  std::u16string path;
  std::string host = OwnBinaryHostPath();
  if (host.empty() || !PkWindowsPathFromHost(host, &path)) {
    WCHAR own[kModulePathChars];
    DWORD n = GetModuleFileNameW(nullptr, own, kModulePathChars);
    if (n == 0 || n >= kModulePathChars) return false;
    path.assign(own, n);
  }
  size_t cut = path.find_last_of(u"\\/");
  if (cut == std::u16string::npos) return false;
  path.resize(cut + 1);
  if (path.size() + 1 > characters) return false;
  for (size_t k = 0; k < path.size(); ++k) buffer[k] = path[k];
  buffer[path.size()] = 0;
  return true;
}

// ---- Handles -------------------------------------------------------------------

DeviceModel* AllocDeviceModelHandle() {
  auto* model = static_cast<DeviceModel*>(GlobalAlloc(GPTR, sizeof(DeviceModel)));
  if (!model) return nullptr;
  model->primary = static_cast<ModelFile*>(GlobalAlloc(GPTR, sizeof(ModelFile)));
  model->secondary = static_cast<ModelFile*>(GlobalAlloc(GPTR, sizeof(ModelFile)));
  if (!model->primary || !model->secondary) {
    FreeDeviceModelHandle(model);
    return nullptr;
  }
  return model;
}

void FreeDeviceModelHandle(DeviceModel* model) {
  if (!model) return;
  if (model->primary) GlobalFree(model->primary);
  if (model->secondary) GlobalFree(model->secondary);
  GlobalFree(model);
}

WCHAR* GetModelDataFileName(HANDLE printer) {
  if (!printer) return nullptr;
  DWORD needed = 0;
  if (GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
      needed < sizeof(DRIVER_INFO_2W))
    return nullptr;
  BYTE* buffer = static_cast<BYTE*>(GlobalAlloc(GPTR, needed));
  if (!buffer) return nullptr;
  WCHAR* path = nullptr;
  if (GetPrinterDriverW(printer, nullptr, 2, buffer, needed, &needed)) {
    const WCHAR* dataFile = reinterpret_cast<DRIVER_INFO_2W*>(buffer)->pDataFile;
    if (dataFile) {
      size_t n = WideLength(dataFile);
      path = NewWide(n);
      if (path) memcpy(path, dataFile, n * sizeof(WCHAR));
    }
  }
  GlobalFree(buffer);
  return path;
}

DeviceModel* OpenDeviceModel(HANDLE printer) {
  if (!printer) return nullptr;
  DeviceModel* model = AllocDeviceModelHandle();
  if (!model) return nullptr;
  WCHAR* path = GetModelDataFileName(printer);
  ModelStatus s = path ? LoadModelFiles(path, model->primary, model->secondary) : 1;
  if (path) GlobalFree(path);
  if (s) {
    FreeDeviceModelHandle(model);
    return nullptr;
  }
  return model;
}

int CloseDeviceModel(DeviceModel* model) {
  if (!model) return 0;
  bool complete = model->primary && model->secondary;
  // The secondary first: it only borrows the primary's module.
  if (model->secondary) UnloadModelFile(model->secondary);
  if (model->primary) UnloadModelFile(model->primary);
  FreeDeviceModelHandle(model);
  return complete ? 1 : 0;
}

// ---- Loading -------------------------------------------------------------------

ModelStatus LoadModelFile(LPCWSTR path, ModelFile* file, ModelFile* link) {
  if (!path || !*path || !file) return 1;
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  DWORD high = 0;
  DWORD size = GetFileSize(h, &high);
  if (size == INVALID_FILE_SIZE || high != 0 || size == 0) {
    CloseHandle(h);
    return 1;
  }
  HANDLE mapping = CreateFileMappingW(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
  CloseHandle(h);
  if (!mapping) return 1;
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  CloseHandle(mapping);
  if (!view) return 1;
  BYTE* copy = static_cast<BYTE*>(GlobalAlloc(GPTR, size));
  if (!copy) {
    UnmapViewOfFile(view);
    return 4;
  }
  memcpy(copy, view, size);
  UnmapViewOfFile(view);
  file->data = copy;
  file->size = size;
  file->position = 0;
  file->link = link;
  file->module = nullptr;
  return 0;
}

ModelStatus UnloadModelFile(ModelFile* file) {
  if (!file) return 1;
  if (file->data) GlobalFree(file->data);
  if (file->module && !file->link) FreeLibrary(file->module);
  file->data = nullptr;
  file->size = 0;
  file->position = 0;
  file->module = nullptr;
  return 0;
}

ModelStatus UnloadModelFiles(ModelFile* primary, ModelFile* secondary) {
  ModelStatus s = UnloadModelFile(secondary);
  return static_cast<ModelStatus>(s | UnloadModelFile(primary));
}

ModelStatus CheckModelFileVersion(ModelFile* file) {
  if (!file) return 1;
  ModelRecord* info = nullptr;
  ModelStatus s = ReadFileInfoRecord(file, &info);
  if (s) return s;
  auto* head = static_cast<FileInfoRecord*>(info);
  file->version = MakeVersionNumber(head->major, head->minor, head->build);
  file->level = head->formatLevel;
  ReleaseModelRecord(info);
  if (file->version < kModelVersionLowest || file->version > kModelVersionHighest) return 8;
  return 0;
}

ModelStatus LoadModelFiles(LPCWSTR primaryPath, ModelFile* primary, ModelFile* secondary) {
  if (!primaryPath || !primary || !secondary) return 1;
  size_t length = WideLength(primaryPath);
  size_t dot = length;
  for (size_t k = 0; k < length; ++k)
    if (primaryPath[k] == u'.') dot = k;
  if (dot == length) return 1;
  const WCHAR* ext = primaryPath + dot + 1;
  auto upper = [](WCHAR c) { return c >= u'a' && c <= u'z' ? static_cast<WCHAR>(c - 32) : c; };
  if (WideLength(ext) != 3 || upper(ext[0]) != u'D' || upper(ext[1]) != u'D' || upper(ext[2]) != u'D') return 1;
  // The primary's path must fit the path buffer the secondary's path is built in.
  if (length + 1 > kPathChars) return 1;

  if (LoadModelFile(primaryPath, primary, nullptr) != 0) return 1;
  primary->role = kModelFilePrimary;
  ModelStatus s = CheckModelFileVersion(primary);
  if (s) {
    UnloadModelFile(primary);
    return s;
  }
  WCHAR* name = nullptr;
  if (primary->size < kModelSecondaryOffset + kModelSecondarySize ||
      NarrowToWide(primary->data + kModelSecondaryOffset, kModelSecondarySize, &name, nullptr) != 0) {
    UnloadModelFile(primary);
    return primary->size < kModelSecondaryOffset + kModelSecondarySize ? 1 : 4;
  }
  primary->position = kModelSecondaryOffset + kModelSecondarySize;

  secondary->role = kModelFileSecondary;
  if (name[0]) {
    size_t folder = 0;
    for (size_t k = 0; k < length; ++k)
      if (primaryPath[k] == u'\\' || primaryPath[k] == u'/') folder = k + 1;
    size_t n = WideLength(name);
    if (folder + n + 1 > kPathChars) {
      GlobalFree(name);
      UnloadModelFile(primary);
      return 1;
    }
    WCHAR path[kPathChars];
    for (size_t k = 0; k < folder; ++k) path[k] = primaryPath[k];
    for (size_t k = 0; k <= n; ++k) path[folder + k] = name[k];
    s = LoadModelFile(path, secondary, primary);
    if (s) {
      GlobalFree(name);
      UnloadModelFile(primary);
      return s;
    }
    s = CheckModelFileVersion(secondary);
    if (s) {
      GlobalFree(name);
      UnloadModelFiles(primary, secondary);
      return s;
    }
  }
  GlobalFree(name);
  g_lastModelLevel = primary->level;
  return 0;
}

// ---- Reader primitives -----------------------------------------------------------

ModelStatus SetModelReadPosition(ModelFile* file, int mode, LONG n) {
  if (!file) return 1;
  int64_t target = mode == 1 ? static_cast<int64_t>(file->position) + n : static_cast<int64_t>(static_cast<DWORD>(n));
  if (target < 0 || target > static_cast<int64_t>(file->size)) return 1;
  file->position = static_cast<DWORD>(target);
  return 0;
}

ModelStatus ReadModelBytes(ModelFile* file, void* destination, DWORD n) {
  if (!file || !destination || n == 0) return 1;
  if (!Has(file, n)) return 1;
  memcpy(destination, file->data + file->position, n);
  file->position += n;
  return 0;
}

ModelStatus ReadModelU8(ModelFile* file, BYTE* value) { return ReadModelBytes(file, value, 1); }

ModelStatus ReadModelU16(ModelFile* file, WORD* value) {
  BYTE b[2];
  if (ReadModelBytes(file, b, 2)) return 1;
  *value = static_cast<WORD>(b[0] | (b[1] << 8));
  return 0;
}

ModelStatus ReadModelU32(ModelFile* file, DWORD* value) {
  BYTE b[4];
  if (ReadModelBytes(file, b, 4)) return 1;
  *value = static_cast<DWORD>(b[0]) | (static_cast<DWORD>(b[1]) << 8) | (static_cast<DWORD>(b[2]) << 16) |
           (static_cast<DWORD>(b[3]) << 24);
  return 0;
}

ModelStatus SeekHeaderArea(ModelFile* file, DWORD n) {
  if (!file || n > DWORD(LONG_MAX) - kModelHeaderAreaOffset) return 1;
  return SetModelReadPosition(file, 0, static_cast<LONG>(kModelHeaderAreaOffset + n));
}

ModelStatus SeekRecordDirectory(ModelFile* file) {
  DWORD length = 0;
  if (SeekHeaderArea(file, 0) || ReadModelU32(file, &length)) return 1;
  if (length > file->size - file->position) return 1;
  file->position += length;
  return 0;
}

ModelStatus SeekTypeIndex(ModelFile* file, WORD type, DWORD extra) {
  int ordinal = ModelDirectoryOrdinal(type);
  if (ordinal < 0) return 2;
  if (SeekRecordDirectory(file)) return 1;
  if (SetModelReadPosition(file, 1,
                           static_cast<LONG>(kModelDirectoryLeadSize + 3 + kModelDirectoryEntrySize * ordinal)))
    return 1;
  DWORD offset = 0;
  if (ReadModelU32(file, &offset)) return 1;
  if (offset > file->size || extra > file->size - offset) return 1;
  file->position = offset + extra;
  return 0;
}

namespace {

// Reads the entry count of a type's index and checks that every entry lies
// within the file; the position is left at the first entry.
ModelStatus OpenIndex(ModelFile* file, WORD type, WORD* count) {
  ModelStatus s = SeekTypeIndex(file, type, kModelIndexCountOffset);
  if (s) return s;
  if (ReadModelU16(file, count)) return 1;
  if (!Has(file, static_cast<DWORD>(*count) * kModelIndexEntrySize)) return 1;
  return 0;
}

}  // namespace

ModelStatus FindIndexEntryByKey(ModelFile* file, WORD type, WORD key) {
  WORD count = 0;
  ModelStatus s = OpenIndex(file, type, &count);
  if (s) return s;
  for (DWORD i = 0; i < count; ++i) {
    const BYTE* e = file->data + file->position + i * kModelIndexEntrySize;
    if (static_cast<WORD>(e[1] | (e[2] << 8)) == key) {
      file->position += i * kModelIndexEntrySize;
      return 0;
    }
  }
  return 2;
}

ModelStatus FindIndexEntryByPosition(ModelFile* file, WORD type, DWORD position) {
  if (position == 0) return 1;
  WORD count = 0;
  ModelStatus s = OpenIndex(file, type, &count);
  if (s) return s;
  if (count < position) return 2;
  file->position += (position - 1) * kModelIndexEntrySize;
  return 0;
}

ModelFile* ModelFileOf(ModelFile* primary, ModelFile* secondary, WORD fileByte) {
  return fileByte == kModelFilePrimary ? primary : secondary;
}

ModelStatus SeekModelRecord(int mode, ModelFile* primary, ModelFile* secondary, WORD indexOwner, WORD type,
                            DWORD keyOrPosition, WORD* fileByte) {
  ModelFile* index = indexOwner == kModelFilePrimary ? primary : secondary;
  if (!index || !index->data) return 1;
  ModelStatus s = mode == kSeekByPosition ? FindIndexEntryByPosition(index, type, keyOrPosition)
                                          : FindIndexEntryByKey(index, type, static_cast<WORD>(keyOrPosition));
  if (s) return s;
  BYTE which = 0;
  WORD key = 0;
  DWORD offset = 0;
  if (ReadModelU8(index, &which) || ReadModelU16(index, &key) || ReadModelU32(index, &offset)) return 1;
  WORD holder = which == kModelFilePrimary ? kModelFilePrimary : kModelFileSecondary;
  ModelFile* target = ModelFileOf(primary, secondary, holder);
  if (!target || !target->data || offset >= target->size) return 1;
  target->position = offset;
  if (fileByte) *fileByte = holder;
  return 0;
}

ModelStatus SeekFeatureOption(ModelFile* primary, ModelFile* secondary, WORD indexOwner, WORD type, WORD featureKey,
                              WORD option, WORD* fileByte) {
  WORD holder = 0;
  ModelStatus s = SeekModelRecord(kSeekByKey, primary, secondary, indexOwner, type, featureKey, &holder);
  if (s) return s;
  if (option != 0) {
    if (type != kRecordFlagFeature && type != kRecordSettingFeature) return 1;
    ModelFile* file = ModelFileOf(primary, secondary, holder);
    DWORD record = file->position;
    WORD nameBytes = 0, count = 0, key = 0;
    if (SetModelReadPosition(file, 1, static_cast<LONG>(kModelRecordBodyOffset)) || ReadModelU16(file, &nameBytes))
      return 1;
    // Name, display kind, default option, auxiliary key, list length: the
    // option count follows at record + 17 + name bytes.
    if (SetModelReadPosition(file, 0, static_cast<LONG>(record + 17 + nameBytes)) || ReadModelU16(file, &count))
      return 1;
    if (count < option) return 2;
    if (SetModelReadPosition(file, 1, static_cast<LONG>(2 * (option - 1))) || ReadModelU16(file, &key)) return 1;
    WORD optionType = type == kRecordFlagFeature ? kRecordFlagOption : kRecordSettingOption;
    s = SeekModelRecord(kSeekByKey, primary, secondary, holder, optionType, key, &holder);
    if (s) return s;
  }
  if (fileByte) *fileByte = holder;
  return 0;
}

WORD CountModelRecords(ModelFile* file, WORD type) {
  WORD count = 0;
  if (!file || !file->data || OpenIndex(file, type, &count)) return 0;
  return count;
}

// ---- Header fields ---------------------------------------------------------------

const ModelHeaderField* FindHeaderField(ModelFile* file, WORD field) {
  if (!file || !file->data || field >= kModelHeaderFieldCount) return nullptr;
  if (SeekHeaderArea(file, 0)) return nullptr;
  for (WORD id = 0; id < kModelHeaderFieldCount; ++id) {
    const ModelHeaderField& row = kModelHeaderFields[id];
    if (id == field) return Has(file, 0) ? &row : nullptr;
    WORD count = row.count;
    if (row.storedCount && ReadModelU16(file, &count)) return nullptr;
    for (WORD k = 0; k < count; ++k) {
      WORD size = row.itemSize;
      if (size == kModelTextItem && ReadModelU16(file, &size)) return nullptr;
      if (SetModelReadPosition(file, 1, size)) return nullptr;
    }
  }
  return nullptr;
}

ModelStatus ReadModelHeaderItem(ModelFile* file, WORD field, WORD itemSize, WORD index, void* destination) {
  if (!file) return 0;
  const ModelHeaderField* row = FindHeaderField(file, field);
  if (!row || !destination || itemSize == 0) return 1;
  WORD count = row->count;
  if (row->storedCount && ReadModelU16(file, &count)) return 1;
  if (index >= count) return 1;
  if (SetModelReadPosition(file, 1, static_cast<LONG>(static_cast<DWORD>(itemSize) * index))) return 1;
  return ReadModelBytes(file, destination, itemSize);
}

DWORD ReadModelHeaderValue(ModelFile* file, WORD field, WORD itemSize, WORD index) {
  if (!file || itemSize == 0 || itemSize > 4) return 0;
  BYTE b[4] = {0, 0, 0, 0};
  if (ReadModelHeaderItem(file, field, itemSize, index, b)) return 0;
  return static_cast<DWORD>(b[0]) | (static_cast<DWORD>(b[1]) << 8) | (static_cast<DWORD>(b[2]) << 16) |
         (static_cast<DWORD>(b[3]) << 24);
}

namespace {

// Reads a stored text that must be plain (inverted) text: a reference form is
// refused, never resolved. Module names are read so, since resolving a
// reference needs the very module list being read.
ModelStatus ReadModelPlainTextField(ModelFile* file, WCHAR** text, WORD* byteCount) {
  *text = nullptr;
  if (ReadModelU16(file, byteCount)) return 1;
  WORD n = *byteCount;
  if (n == 0) return 0;
  if (!Has(file, n)) return 1;
  BYTE* stored = static_cast<BYTE*>(GlobalAlloc(GPTR, n));
  if (!stored) return 4;
  ReadModelBytes(file, stored, n);
  ModelStatus s = stored[n - 1] == 0 ? 1 : DecodeInvertedText(stored, text, byteCount);
  GlobalFree(stored);
  return s;
}

ModelStatus ReadHeaderTextItem(ModelFile* file, WORD field, WORD index, bool resolve, WCHAR** text) {
  if (!text) return 1;
  *text = nullptr;
  const ModelHeaderField* row = FindHeaderField(file, field);
  if (!row || row->itemSize != kModelTextItem) return 1;
  WORD count = row->count;
  if (row->storedCount && ReadModelU16(file, &count)) return 1;
  if (index >= count) return 1;
  WORD size = 0;
  for (WORD k = 0; k < index; ++k)
    if (ReadModelU16(file, &size) || SetModelReadPosition(file, 1, size)) return 1;
  WORD bytes = 0;
  ModelStatus s = resolve ? ReadModelTextField(file, text, &bytes) : ReadModelPlainTextField(file, text, &bytes);
  if (s == 0 && !*text) {
    // An empty item reads as an empty text.
    *text = NewWide(0);
    if (!*text) return 4;
  }
  return s;
}

// Item `index` of header field 36, the names of the string modules.
WCHAR* GetModelModuleName(ModelFile* file, WORD index) {
  WCHAR* text = nullptr;
  if (ReadHeaderTextItem(file, 36, index, false, &text)) return nullptr;
  return text;
}

}  // namespace

ModelStatus ReadModelHeaderText(ModelFile* file, WORD field, WORD index, WCHAR** text) {
  return ReadHeaderTextItem(file, field, index, true, text);
}

WCHAR* GetModelHeaderText(ModelFile* file, WORD field, WORD index) {
  WCHAR* text = nullptr;
  if (ReadModelHeaderText(file, field, index, &text)) return nullptr;
  return text;
}

ModelStatus GetModelRegistryBase(ModelFile* file, int selector, WCHAR** text) {
  if (selector == kRegistryBaseMachineStamps) return ReadModelHeaderText(file, 31, 0, text);
  if (selector == kRegistryBasePerUser) return ReadModelHeaderText(file, 34, 0, text);
  return 1;
}

// ---- Texts -------------------------------------------------------------------

ModelStatus LoadModelResourceModule(ModelFile* file) {
  if (!file) return 1;
  if (file->link) {
    if (LoadModelResourceModule(file->link)) return 1;
    file->module = file->link->module;
    return file->module ? 0 : 1;
  }
  if (file->module) return 0;
  DWORD position = file->position;
  WCHAR* name = GetModelModuleName(file, 0);
  file->position = position;
  if (!name) return 1;
  file->module = LoadDriverFolderModule(name);
  GlobalFree(name);
  return file->module ? 0 : 1;
}

ModelStatus LoadStringFromModuleFile(LPCWSTR moduleFile, UINT stringId, WCHAR** text, WORD* byteCount) {
  if (!moduleFile || !text || !byteCount) return 1;
  HMODULE module = LoadDriverFolderModule(moduleFile);
  if (!module) return 1;
  ModelStatus s = LoadModelString(module, stringId, text, byteCount);
  FreeLibrary(module);
  return s;
}

ModelStatus ResolveTextReference(ModelFile* file, const BYTE* stored, WCHAR** text, WORD* byteCount) {
  if (!stored || !text || !byteCount || *byteCount == 0) return 1;
  WORD n = *byteCount;
  *text = nullptr;
  if (stored[n - 1] != 0) return 0;
  if (n < kModelReferenceMinBytes) return 1;
  WORD module = static_cast<WORD>(stored[n - 5] | (stored[n - 4] << 8));
  WORD id = static_cast<WORD>(stored[n - 3] | (stored[n - 2] << 8));
  if (module == 0 || id == 0) return 1;
  if (module == 1) {
    if (LoadModelResourceModule(file)) return 1;
    return LoadModelString(file->module, id, text, byteCount);
  }
  // Module m is item m-1 of header field 36 of the primary, read through a
  // copy of the reader so the caller's position stays.
  ModelFile* owner = file && file->link ? file->link : file;
  if (!owner) return 1;
  ModelFile copy = *owner;
  WCHAR* name = GetModelModuleName(&copy, static_cast<WORD>(module - 1));
  if (!name) return 1;
  ModelStatus s = LoadStringFromModuleFile(name, id, text, byteCount);
  GlobalFree(name);
  return s;
}

ModelStatus DecodeInvertedText(const BYTE* stored, WCHAR** text, WORD* byteCount) {
  if (!stored || !text || !byteCount) return 1;
  WORD n = *byteCount;
  BYTE* plain = static_cast<BYTE*>(GlobalAlloc(GPTR, n + 1u));
  if (!plain) return 4;
  for (WORD k = 0; k < n; ++k) plain[k] = static_cast<BYTE>(~stored[k]);
  // The text ends at its NUL or after the n stored bytes, whichever comes first.
  ModelStatus s = NarrowToWide(plain, n, text, byteCount);
  GlobalFree(plain);
  return s;
}

ModelStatus ReadModelText(ModelFile* file, WCHAR** text, WORD* byteCount) {
  if (!file || !text || !byteCount) return 1;
  *text = nullptr;
  WORD n = *byteCount;
  if (n == 0) return 0;
  if (!Has(file, n)) return 1;
  BYTE* stored = static_cast<BYTE*>(GlobalAlloc(GPTR, n));
  if (!stored) return 4;
  ReadModelBytes(file, stored, n);
  WORD count = n;
  ModelStatus s = ResolveTextReference(file, stored, text, &count);
  if (s == 4) {
    GlobalFree(stored);
    return 4;
  }
  if (s != 0 || !*text) {
    count = n;
    s = DecodeInvertedText(stored, text, &count);
  }
  GlobalFree(stored);
  if (s == 0) *byteCount = count;
  return s;
}

ModelStatus ReadModelTextField(ModelFile* file, WCHAR** text, WORD* byteCount) {
  if (!file || !text || !byteCount) return 1;
  *text = nullptr;
  if (ReadModelU16(file, byteCount)) return 1;
  return ReadModelText(file, text, byteCount);
}
