// The outside compression library's binding (see compression_binding.h).
#include "graphics_driver/job_output/compression_binding.h"

#include "platform/win/win_memory.h"
#include "platform/win/win_module.h"

namespace {

template <typename T>
bool Bind(HMODULE module, const char* name, T* entry) {
  *entry = reinterpret_cast<T>(GetProcAddress(module, name));
  return *entry != nullptr;
}

}  // namespace

CompressionDllBinding* LoadCompressionDll(const WCHAR* path) {
  if (!path) return nullptr;
  HMODULE module = LoadLibraryW(path);
  if (!module) return nullptr;
  CompressionDllBinding b{};
  b.module = module;
  const bool bound =
      Bind(module, "kzcmp_LoadCompress", &b.loadCompress) && Bind(module, "kzcmp_InitBitmap", &b.initBitmap) &&
      Bind(module, "kzcmp_CompressBitmap", &b.compressBitmap) && Bind(module, "kzcmp_GetBitmap", &b.getBitmap) &&
      Bind(module, "kzcmp_FinishBitmap", &b.finishBitmap) && Bind(module, "kzcmp_FreeCompress", &b.freeCompress);
  if (bound) b.handle = b.loadCompress();
  auto* binding = bound && b.handle ? static_cast<CompressionDllBinding*>(GlobalAlloc(GPTR, sizeof b)) : nullptr;
  if (!binding) {
    // A handle the library gave back is released with it.
    if (b.handle) b.freeCompress(b.handle);
    FreeLibrary(module);
    return nullptr;
  }
  *binding = b;
  return binding;
}

int UnloadCompressionDll(CompressionDllBinding* binding) {
  if (!binding) return 1;
  const int result = binding->freeCompress(binding->handle);
  FreeLibrary(binding->module);
  GlobalFree(binding);
  return result;
}
