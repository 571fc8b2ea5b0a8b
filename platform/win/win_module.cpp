// Module loading (see win_module.h). A module record is the HMODULE; records
// are found again through a list under the loader lock, which is held while
// an entry runs (an entry may load further modules).
#include "platform/win/win_module.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win/name_text.h"
#include "platform/win/win_error.h"
#include "platform/win/win_file.h"
#include "platform/win/win_module_internal.h"
#include "platform/win/win_path.h"

namespace {

struct Module {
  std::u16string windowsPath;
  std::string hostPath;  // empty for a provider
  void* dl = nullptr;
  std::vector<unsigned char> file;  // a resource-only module's bytes
  std::vector<pk::LoadedResource> resources;
  const PkModuleExport* exports = nullptr;
  size_t exportCount = 0;
  int refs = 0;
  bool attached = false;  // the entry saw process attach
};

struct Provider {
  std::u16string name;
  const PkModuleExport* exports;
  size_t count;
};

std::recursive_mutex& LoaderLock() {
  static auto* m = new std::recursive_mutex;
  return *m;
}
std::vector<Module*>& Modules() {
  static auto* v = new std::vector<Module*>;
  return *v;
}
std::map<std::u16string, Provider>& Providers() {  // by folded name
  static auto* m = new std::map<std::u16string, Provider>;
  return *m;
}

Module* Find(HMODULE h) {
  for (Module* m : Modules())
    if (reinterpret_cast<HMODULE>(m) == h) return m;
  return nullptr;
}

HMODULE Fail(DWORD e) {
  SetLastError(e);
  return nullptr;
}

// Adds ".dll" to a last component without extension (a final "." means none).
std::u16string WithExtension(std::u16string name) {
  size_t sep = name.find_last_of(u"\\/");
  size_t base = sep == std::u16string::npos ? 0 : sep + 1;
  size_t dot = name.find(u'.', base);
  if (dot == std::u16string::npos) name += u".dll";
  else if (dot == name.size() - 1) name.pop_back();
  return name;
}

bool ReadHead(const std::string& host, unsigned char* head, size_t n) {
  std::ifstream in(host, std::ios::binary);
  return in.read(reinterpret_cast<char*>(head), static_cast<std::streamsize>(n)) &&
         in.gcount() == static_cast<std::streamsize>(n);
}

bool IsFile(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsResourceFile(const std::string& host) {
  unsigned char head[sizeof pk::resources::kMagic];
  return ReadHead(host, head, sizeof head) && pk::resources::HasMagic(head, sizeof head);
}

void ListResources(Module* m, const unsigned char* table, size_t size) {
  std::vector<pk::resources::Entry> entries;
  if (!pk::resources::ParseTable(table, size, &entries)) return;
  for (const auto& e : entries) m->resources.push_back({e.type, e.id, table + e.offset, e.size});
}

PkDllEntry EntryOf(Module* m) {
  if (!m->dl) return nullptr;
  void* p = dlsym(m->dl, "DllMain");
  if (!p) p = dlsym(m->dl, "DllInitialize");
  return reinterpret_cast<PkDllEntry>(p);
}

HMODULE Load(const std::u16string& requested, DWORD flags) {
  std::u16string name = WithExtension(requested);
  bool bare = name.find_first_of(u"\\/:") == std::u16string::npos;
  std::lock_guard<std::recursive_mutex> lock(LoaderLock());
  if (bare) {
    std::u16string key = pk::FoldName(name);
    auto p = Providers().find(key);
    if (p != Providers().end()) {
      for (Module* m : Modules())
        if (m->hostPath.empty() && pk::FoldName(m->windowsPath).ends_with(u"\\" + key)) {
          ++m->refs;
          return reinterpret_cast<HMODULE>(m);
        }
      auto* m = new Module;
      m->windowsPath = u"C:\\Windows\\System32\\" + p->second.name;
      m->exports = p->second.exports;
      m->exportCount = p->second.count;
      m->refs = 1;
      Modules().push_back(m);
      return reinterpret_cast<HMODULE>(m);
    }
    name = u"C:\\Windows\\System32\\" + name;
  }
  std::u16string windowsPath;
  std::string host;
  DWORD e = PkResolveWindowsPath(name.c_str(), &windowsPath, &host);
  if (e) return Fail(e == ERROR_INVALID_NAME ? e : ERROR_MOD_NOT_FOUND);

  // Which host file: the named file when it is a resource table, else "X.so"
  // beside "X.dll", else the named file itself.
  std::string file;
  bool resource = false;
  if (IsFile(host) && IsResourceFile(host)) {
    file = host;
    resource = true;
  } else {
    size_t dot = windowsPath.rfind(u'.');
    size_t sep = windowsPath.rfind(u'\\');
    std::u16string soName =
        (dot != std::u16string::npos && dot > sep ? windowsPath.substr(0, dot) : windowsPath) + u".so";
    std::string so;
    if (PkResolveWindowsPath(soName.c_str(), nullptr, &so) == 0 && IsFile(so)) file = so;
    else if (IsFile(host)) file = host;
  }
  if (file.empty()) return Fail(ERROR_MOD_NOT_FOUND);

  for (Module* m : Modules())
    if (m->hostPath == file) {
      ++m->refs;
      return reinterpret_cast<HMODULE>(m);
    }

  auto m = std::make_unique<Module>();
  m->windowsPath = windowsPath;
  m->hostPath = file;
  if (resource) {
    std::ifstream in(file, std::ios::binary);
    m->file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::vector<pk::resources::Entry> entries;
    if (!pk::resources::ParseTable(m->file.data(), m->file.size(), &entries)) return Fail(ERROR_BAD_FORMAT);
    ListResources(m.get(), m->file.data(), m->file.size());
  } else {
    m->dl = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m->dl) return Fail(ERROR_BAD_EXE_FORMAT);
    using TableFn = const unsigned char* (*)(size_t*);
    if (auto fn = reinterpret_cast<TableFn>(dlsym(m->dl, pk::resources::kTableSymbol))) {
      size_t size = 0;
      const unsigned char* table = fn(&size);
      ListResources(m.get(), table, size);
    }
  }
  m->refs = 1;
  Module* raw = m.release();
  Modules().push_back(raw);
  HMODULE h = reinterpret_cast<HMODULE>(raw);
  PkDllEntry entry = (flags & (DONT_RESOLVE_DLL_REFERENCES | LOAD_LIBRARY_AS_DATAFILE)) ? nullptr : EntryOf(raw);
  if (entry) {
    raw->attached = true;
    if (!entry(h, DLL_PROCESS_ATTACH, nullptr)) {
      std::erase(Modules(), raw);
      dlclose(raw->dl);
      delete raw;
      return Fail(ERROR_DLL_INIT_FAILED);
    }
  }
  return h;
}

}  // namespace

namespace pk {

bool ModuleResources(HMODULE module, const std::vector<LoadedResource>** entries) {
  std::lock_guard<std::recursive_mutex> lock(LoaderLock());
  if (!module) {
    // The null module is the program: its own table, when it exports one.
    static Module* program = [] {
      auto* p = new Module;
      using TableFn = const unsigned char* (*)(size_t*);
      void* self = dlopen(nullptr, RTLD_NOW);
      if (auto fn = self ? reinterpret_cast<TableFn>(dlsym(self, pk::resources::kTableSymbol)) : nullptr) {
        size_t size = 0;
        const unsigned char* table = fn(&size);
        ListResources(p, table, size);
      }
      return p;
    }();
    *entries = &program->resources;
    return true;
  }
  Module* m = Find(module);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  *entries = &m->resources;
  return true;
}

}  // namespace pk

void PkRegisterModuleProvider(LPCWSTR name, const PkModuleExport* exports, size_t count) {
  if (!name) return;
  std::u16string n = WithExtension(std::u16string(pk::WideView(name)));
  std::lock_guard<std::recursive_mutex> lock(LoaderLock());
  Providers()[pk::FoldName(n)] = Provider{n, exports, count};
}

extern "C" {

HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE, DWORD dwFlags) {
  if (!lpLibFileName || !*lpLibFileName) return Fail(ERROR_INVALID_PARAMETER);
  return Load(std::u16string(pk::WideView(lpLibFileName)), dwFlags);
}

HMODULE LoadLibraryW(LPCWSTR lpLibFileName) { return LoadLibraryExW(lpLibFileName, nullptr, 0); }

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
  if (!lpLibFileName) return Fail(ERROR_INVALID_PARAMETER);
  return LoadLibraryExW(pk::AnsiToWide(lpLibFileName).c_str(), nullptr, 0);
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  std::lock_guard<std::recursive_mutex> lock(LoaderLock());
  Module* m = Find(hModule);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Names only: ordinals (values below 0x10000) are not kept.
  if (!lpProcName || reinterpret_cast<uintptr_t>(lpProcName) < 0x10000) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  FARPROC proc = nullptr;
  if (m->dl) {
    proc = reinterpret_cast<FARPROC>(dlsym(m->dl, lpProcName));
  } else {
    for (size_t i = 0; i < m->exportCount; ++i)
      if (std::strcmp(m->exports[i].name, lpProcName) == 0) proc = m->exports[i].proc;
  }
  if (!proc) SetLastError(ERROR_PROC_NOT_FOUND);
  return proc;
}

BOOL FreeLibrary(HMODULE hLibModule) {
  std::lock_guard<std::recursive_mutex> lock(LoaderLock());
  Module* m = Find(hLibModule);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (--m->refs > 0) return TRUE;
  if (m->attached)
    if (PkDllEntry entry = EntryOf(m)) entry(hLibModule, DLL_PROCESS_DETACH, nullptr);
  std::erase(Modules(), m);
  if (m->dl) dlclose(m->dl);
  delete m;
  return TRUE;
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  std::u16string path;
  if (!hModule) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string host(exe, n > 0 ? static_cast<size_t>(n) : 0);
    if (!PkWindowsPathFromHost(host, &path))
      path = u"C:\\Windows\\System32\\" + pk::Utf8ToUtf16(host.substr(host.rfind('/') + 1));
  } else {
    std::lock_guard<std::recursive_mutex> lock(LoaderLock());
    Module* m = Find(hModule);
    if (!m) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    path = m->windowsPath;
  }
  if (!lpFilename || nSize == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= nSize) {
    std::copy(path.begin(), path.begin() + (nSize - 1), lpFilename);
    lpFilename[nSize - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  std::copy(path.begin(), path.end(), lpFilename);
  lpFilename[path.size()] = 0;
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

}  // extern "C"
