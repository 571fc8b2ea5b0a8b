// Resource lookup in loaded modules (see win_resource.h). An HRSRC points at
// the module's directory entry; the data stays with the module.
#include "platform/win/win_resource.h"

#include <algorithm>

#include "platform/win/win_error.h"
#include "platform/win/win_module_internal.h"

namespace {

const pk::LoadedResource* Lookup(HMODULE module, WORD type, WORD id) {
  const std::vector<pk::LoadedResource>* entries = nullptr;
  if (!pk::ModuleResources(module, &entries)) return nullptr;
  auto it = std::lower_bound(entries->begin(), entries->end(), std::make_pair(type, id),
                             [](const pk::LoadedResource& r, const std::pair<WORD, WORD>& k) {
                               return r.type < k.first || (r.type == k.first && r.id < k.second);
                             });
  if (it != entries->end() && it->type == type && it->id == id) return &*it;
  bool typeKnown = std::any_of(entries->begin(), entries->end(), [&](const auto& r) { return r.type == type; });
  SetLastError(typeKnown ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

bool OwnedBy(HMODULE module, HRSRC res) {
  const std::vector<pk::LoadedResource>* entries = nullptr;
  if (!res || !pk::ModuleResources(module, &entries)) return false;
  auto* r = reinterpret_cast<const pk::LoadedResource*>(res);
  return !entries->empty() && r >= entries->data() && r < entries->data() + entries->size();
}

}  // namespace

extern "C" {

int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
  if (!lpBuffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const pk::LoadedResource* r = uID <= 0xFFFF ? Lookup(hInstance, 6, static_cast<WORD>(uID)) : nullptr;
  if (uID > 0xFFFF) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  int length = r ? static_cast<int>(r->size / 2) : 0;
  if (cchBufferMax == 0) {
    // The caller asks for the text in place.
    *reinterpret_cast<const WCHAR**>(lpBuffer) = r ? reinterpret_cast<const WCHAR*>(r->data) : nullptr;
    return length;
  }
  if (cchBufferMax < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int count = std::min(length, cchBufferMax - 1);
  // The table holds UTF-16LE, which is the host's order.
  std::copy_n(r ? r->data : nullptr, r ? count * 2 : 0, reinterpret_cast<BYTE*>(lpBuffer));
  lpBuffer[count] = 0;
  return count;
}

HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
  if (!IS_INTRESOURCE(lpName) || !IS_INTRESOURCE(lpType)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);  // only numbered resources are kept
    return nullptr;
  }
  auto* r = Lookup(hModule, static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpType)),
                   static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpName)));
  return reinterpret_cast<HRSRC>(const_cast<pk::LoadedResource*>(r));
}

HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo) {
  if (!OwnedBy(hModule, hResInfo)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return const_cast<BYTE*>(reinterpret_cast<const pk::LoadedResource*>(hResInfo)->data);
}

LPVOID LockResource(HGLOBAL hResData) { return hResData; }

DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo) {
  if (!OwnedBy(hModule, hResInfo)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return 0;
  }
  return reinterpret_cast<const pk::LoadedResource*>(hResInfo)->size;
}

}  // extern "C"
