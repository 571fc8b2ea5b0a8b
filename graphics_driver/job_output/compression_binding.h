// The binding of the outside compression library the device model names (its
// file 5): the library, the handle its load entry gave, and its six entry
// points. Made at document start, freed once at the job end.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

using KzcmpLoadCompress = void* (*)();
using KzcmpInitBitmap = int (*)(void* handle, int kind, int width, int height, int rowBytes);
using KzcmpCompressBitmap = int (*)(void* handle, const BYTE* image, int height, DWORD* sizeOut);
using KzcmpGetBitmap = int (*)(void* handle, BYTE* destination);
using KzcmpFinishBitmap = int (*)(void* handle);
using KzcmpFreeCompress = int (*)(void* handle);

struct CompressionDllBinding {
  HMODULE module;
  void* handle;
  KzcmpLoadCompress loadCompress;
  KzcmpInitBitmap initBitmap;
  KzcmpCompressBitmap compressBitmap;
  KzcmpGetBitmap getBitmap;
  KzcmpFinishBitmap finishBitmap;
  KzcmpFreeCompress freeCompress;
};

// The binding, or null (the library freed) when the library, an entry point
// or its handle is missing.
CompressionDllBinding* LoadCompressionDll(const WCHAR* path);
// The free entry's result; 1 for no binding.
int UnloadCompressionDll(CompressionDllBinding* binding);
