// The library's module state (see module_state.h). The state is process-wide
// and unguarded: it is set up at process attach under the loader lock, and
// later callers only read it.
#include "settings/services/module_state.h"

#include <algorithm>

#include "platform/win/win_module.h"
#include "platform/win/win_resource.h"
#include "platform/win/win_seams.h"
#include "platform/win/win_text.h"

namespace {

size_t TextLength(const WCHAR* text) { return static_cast<size_t>(lstrlenW(text)); }

// GetModuleFileNameW is asked with room for this many characters.
constexpr DWORD kModuleFileNameChars = 522;

struct ModuleState {
  LONG refs = 0;
  HMODULE module = nullptr;
  WCHAR path[kModulePathChars + 1] = {};
  WCHAR folder[kModulePathChars + 1] = {};
  WCHAR resourcePath[kModulePathChars + 1] = {};
  HMODULE resource = nullptr;
};

ModuleState gState;

// Copies at most `max` characters and terminates.
void CopyCut(WCHAR* destination, const WCHAR* source, size_t max) {
  size_t n = std::min(TextLength(source), max);
  std::copy(source, source + n, destination);
  destination[n] = 0;
}

// The resource module's file name from the library's own string table.
size_t LoadResourceModuleName(WCHAR (&name)[kModulePathChars + 1]) {
  name[0] = 0;
  if (!gState.module) return 0;
  int n = LoadStringW(gState.module, kResourceModuleNameString, name, kModulePathChars + 1);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

void FreeResourceModule() {
  if (gState.resource) FreeLibrary(gState.resource);
  gState.resource = nullptr;
}

// Tests start each case from a library that was never initialised.
void ResetModuleState() {
  FreeResourceModule();
  gState = ModuleState();
}
const pk::seams::ResetHook gResetHook(&ResetModuleState);

}  // namespace

void InitModule(HMODULE module, LPCWSTR path) {
  if (gState.refs == 0) {
    gState.module = module;
    WCHAR fileName[kModuleFileNameChars + 1] = {};
    const WCHAR* source = path;
    if (gState.folder[0] == 0 || source == nullptr) {
      DWORD n = GetModuleFileNameW(module, fileName, kModuleFileNameChars);
      if (n == 0 || n >= kModuleFileNameChars) fileName[0] = 0;
      source = fileName;
    }
    CopyCut(gState.path, source, kModulePathChars);
    // The folder is the path up to and including its last backslash.
    size_t length = TextLength(gState.path);
    size_t folderLength = 0;
    for (size_t i = 0; i < length; ++i)
      if (gState.path[i] == u'\\') folderLength = i + 1;
    std::copy(gState.path, gState.path + folderLength, gState.folder);
    gState.folder[folderLength] = 0;

    WCHAR name[kModulePathChars + 1];
    size_t nameLength = LoadResourceModuleName(name);
    gState.resourcePath[0] = 0;
    if (nameLength > 0 && nameLength + length <= kModulePathChars) {
      std::copy(gState.folder, gState.folder + folderLength, gState.resourcePath);
      CopyCut(gState.resourcePath + folderLength, name, kModulePathChars - folderLength);
    }
  }
  ++gState.refs;
}

int GetModuleFolder(LPWSTR buffer, UINT sizeInBytes) {
  if (buffer == nullptr || sizeInBytes < 2 * kModulePathChars) return 0;
  CopyCut(buffer, gState.folder, sizeInBytes / 2 - 1);
  return 1;
}

void LoadResourceModule() {
  if (gState.refs == 0 || gState.resource) return;
  WCHAR path[kModulePathChars + 1];
  if (gState.resourcePath[0]) {
    CopyCut(path, gState.resourcePath, kModulePathChars);
  } else {
    WCHAR name[kModulePathChars + 1];
    size_t nameLength = LoadResourceModuleName(name);
    if (nameLength == 0) return;
    WCHAR folder[kModulePathChars + 1];
    if (!GetModuleFolder(folder, sizeof folder)) return;
    size_t folderLength = TextLength(folder);
    if (folderLength + nameLength > kModulePathChars) return;
    std::copy(folder, folder + folderLength, path);
    CopyCut(path + folderLength, name, nameLength);
  }
  gState.resource = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH | DONT_RESOLVE_DLL_REFERENCES);
}

HMODULE GetResourceModule() {
  if (!gState.resource) LoadResourceModule();
  return gState.resource;
}

void ReleaseModuleRef() {
  if (gState.refs == 1) {
    gState.module = nullptr;
    FreeResourceModule();
  }
  if (gState.refs > 0) --gState.refs;
}

void ReleaseModule() {
  if (gState.refs != 0) {
    gState.refs = 1;
    ReleaseModuleRef();
  }
}

int ParseInt(LPCWSTR text) { return text ? _wtoi(text) : 0; }

int GetPrinterStartupStatus(HANDLE, HMODULE) { return 0; }

int IsFaxAvailable() { return 0; }
