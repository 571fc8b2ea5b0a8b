// Global memory blocks and private heaps over malloc. Every block is a malloc
// block of exactly the requested size (one byte for an empty one), so the
// address sanitizer reports overruns; the bookkeeping lives in tables beside
// the blocks and answers live-block counts and foreign-pointer checks.
#include "platform/win/win_memory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/win/win_error.h"
#include "platform/win/win_seams.h"

namespace {

// Requests beyond this never reach malloc: under the sanitizers a huge
// request aborts the process instead of failing.
constexpr SIZE_T kMaxBlock = SIZE_T(1) << 40;

struct GlobalBlock {
  void* data;
  SIZE_T size;
  bool moveable;
  unsigned locks;
  uintptr_t handle;  // movable blocks only
};

struct Heap {
  SIZE_T maximum = 0;  // 0: growable
  SIZE_T liveBytes = 0;
  std::unordered_map<void*, SIZE_T> blocks;
};

// Every global block by its address; movable blocks also by their handle.
// Movable-block and heap handles are counted up and never reused, so a stale
// handle cannot reach a newer block or heap; their low bits (6 and 10) keep
// them apart from malloc addresses and from kernel handles (multiples of 4).
struct Tables {
  std::mutex mutex;
  std::unordered_map<void*, GlobalBlock*> byData;
  std::unordered_map<uintptr_t, GlobalBlock*> moveable;
  std::unordered_map<uintptr_t, Heap*> heaps;
  uintptr_t nextHandle = 1;
};

// Never destroyed: blocks are freed from static destructors at exit too.
Tables& GetTables() {
  static Tables* tables = new Tables;
  return *tables;
}

uintptr_t NewHandle(uintptr_t tag) { return (GetTables().nextHandle++ << 4) | tag; }

std::atomic<unsigned> g_failCountdown{0};
std::atomic<SIZE_T> g_failFrom{0};

void ResetMemorySeams() {
  g_failCountdown = 0;
  g_failFrom = 0;
}
const pk::seams::ResetHook g_resetHook(&ResetMemorySeams);

// Decides whether one allocation of `bytes` may go ahead; sets the error when not.
bool AllocationAllowed(SIZE_T bytes) {
  bool fail = false;
  unsigned n = g_failCountdown.load();
  while (n != 0 && !g_failCountdown.compare_exchange_weak(n, n - 1)) {
  }
  if (n == 1) fail = true;
  SIZE_T from = g_failFrom.load();
  if (from != 0 && bytes >= from) fail = true;
  if (bytes > kMaxBlock) fail = true;
  if (fail) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return !fail;
}

void* RawAlloc(SIZE_T bytes, bool zero) {
  void* p = zero ? calloc(1, bytes ? bytes : 1) : malloc(bytes ? bytes : 1);
  if (!p) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return p;
}

// Moves a block's contents into a new block of `bytes`; zero-fills growth.
void* RawRealloc(void* old, SIZE_T oldSize, SIZE_T bytes, bool zero) {
  void* p = RawAlloc(bytes, false);
  if (!p) return nullptr;
  memcpy(p, old, oldSize < bytes ? oldSize : bytes);
  if (zero && bytes > oldSize) memset(static_cast<char*>(p) + oldSize, 0, bytes - oldSize);
  return p;
}

// The block a handle names (a movable handle or a fixed block's address);
// none sets ERROR_INVALID_HANDLE.
GlobalBlock* FindGlobal(HGLOBAL h) {
  if (h) {
    auto m = GetTables().moveable.find(reinterpret_cast<uintptr_t>(h));
    if (m != GetTables().moveable.end()) return m->second;
    auto d = GetTables().byData.find(h);
    if (d != GetTables().byData.end() && !d->second->moveable) return d->second;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

HGLOBAL HandleOf(GlobalBlock* b) { return b->moveable ? reinterpret_cast<HGLOBAL>(b->handle) : b->data; }

Heap* FindHeap(HANDLE h) {
  auto it = GetTables().heaps.find(reinterpret_cast<uintptr_t>(h));
  return it == GetTables().heaps.end() ? nullptr : it->second;
}

}  // namespace

extern "C" {

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
  if (!AllocationAllowed(dwBytes)) return nullptr;
  void* data = RawAlloc(dwBytes, (uFlags & GMEM_ZEROINIT) != 0);
  if (!data) return nullptr;
  auto* b = new GlobalBlock{data, dwBytes, (uFlags & GMEM_MOVEABLE) != 0, 0, 0};
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  GetTables().byData[data] = b;
  if (b->moveable) {
    b->handle = NewHandle(0x6);
    GetTables().moveable[b->handle] = b;
  }
  return HandleOf(b);
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
  if (!hMem) return nullptr;
  GlobalBlock* b;
  {
    std::lock_guard<std::mutex> lock(GetTables().mutex);
    b = FindGlobal(hMem);
    if (!b) return hMem;
    GetTables().byData.erase(b->data);
    if (b->moveable) GetTables().moveable.erase(b->handle);
  }
  free(b->data);
  delete b;
  return nullptr;
}

LPVOID GlobalLock(HGLOBAL hMem) {
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  GlobalBlock* b = FindGlobal(hMem);
  if (!b) return nullptr;
  if (b->moveable && b->locks < GMEM_LOCKCOUNT) ++b->locks;
  return b->data;
}

BOOL GlobalUnlock(HGLOBAL hMem) {
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  GlobalBlock* b = FindGlobal(hMem);
  if (!b) return FALSE;
  if (!b->moveable) {
    // A fixed block has no lock count.
    SetLastError(NO_ERROR);
    return FALSE;
  }
  if (b->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--b->locks != 0) return TRUE;
  SetLastError(NO_ERROR);
  return FALSE;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  GlobalBlock* b = FindGlobal(hMem);
  if (!b) return 0;
  return b->size;
}

HGLOBAL GlobalHandle(LPCVOID pMem) {
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  auto it = GetTables().byData.find(const_cast<void*>(pMem));
  if (it == GetTables().byData.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return HandleOf(it->second);
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
  SIZE_T oldSize;
  void* oldData;
  {
    std::lock_guard<std::mutex> lock(GetTables().mutex);
    GlobalBlock* b = FindGlobal(hMem);
    if (!b) return nullptr;
    if (uFlags & GMEM_MODIFY) return hMem;
    // A fixed block stays where it is unless the caller lets it move; it can
    // shrink in place but not grow.
    if (!b->moveable && !(uFlags & GMEM_MOVEABLE) && dwBytes > b->size) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    if (!b->moveable && !(uFlags & GMEM_MOVEABLE)) {
      b->size = dwBytes;
      return hMem;
    }
    oldSize = b->size;
    oldData = b->data;
  }
  if (!AllocationAllowed(dwBytes)) return nullptr;
  void* data = RawRealloc(oldData, oldSize, dwBytes, (uFlags & GMEM_ZEROINIT) != 0);
  if (!data) return nullptr;
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  GlobalBlock* b = FindGlobal(hMem);
  if (!b || b->data != oldData) {  // freed or moved meanwhile by another thread
    free(data);
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  GetTables().byData.erase(oldData);
  free(oldData);
  b->data = data;
  b->size = dwBytes;
  GetTables().byData[data] = b;
  return HandleOf(b);
}

HANDLE HeapCreate(DWORD, SIZE_T, SIZE_T dwMaximumSize) {
  if (!AllocationAllowed(0)) return nullptr;
  auto* h = new Heap;
  h->maximum = dwMaximumSize;
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  uintptr_t handle = NewHandle(0xA);
  GetTables().heaps[handle] = h;
  return reinterpret_cast<HANDLE>(handle);
}

BOOL HeapDestroy(HANDLE hHeap) {
  Heap* h;
  {
    std::lock_guard<std::mutex> lock(GetTables().mutex);
    h = FindHeap(hHeap);
    if (!h) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    GetTables().heaps.erase(reinterpret_cast<uintptr_t>(hHeap));
  }
  for (auto& [p, size] : h->blocks) free(p);
  delete h;
  return TRUE;
}

LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
  {
    std::lock_guard<std::mutex> lock(GetTables().mutex);
    Heap* h = FindHeap(hHeap);
    if (!h) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    if (h->maximum && (dwBytes > h->maximum || h->liveBytes > h->maximum - dwBytes)) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  if (!AllocationAllowed(dwBytes)) return nullptr;
  void* p = RawAlloc(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
  if (!p) return nullptr;
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  Heap* h = FindHeap(hHeap);
  if (!h) {  // destroyed meanwhile
    free(p);
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  h->blocks[p] = dwBytes;
  h->liveBytes += dwBytes;
  return p;
}

LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) {
  SIZE_T oldSize;
  {
    std::lock_guard<std::mutex> lock(GetTables().mutex);
    Heap* h = FindHeap(hHeap);
    auto it = h ? h->blocks.find(lpMem) : decltype(h->blocks)::iterator();
    if (!h || it == h->blocks.end()) {
      SetLastError(h ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
      return nullptr;
    }
    oldSize = it->second;
    if (dwBytes > oldSize && h->maximum &&
        (dwBytes - oldSize > h->maximum || h->liveBytes > h->maximum - (dwBytes - oldSize))) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    if (dwFlags & HEAP_REALLOC_IN_PLACE_ONLY) {
      if (dwBytes > oldSize) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
      }
      h->liveBytes -= oldSize - dwBytes;
      it->second = dwBytes;
      return lpMem;
    }
  }
  if (!AllocationAllowed(dwBytes)) return nullptr;
  void* p = RawRealloc(lpMem, oldSize, dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
  if (!p) return nullptr;
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  Heap* h = FindHeap(hHeap);
  auto it = h ? h->blocks.find(lpMem) : decltype(h->blocks)::iterator();
  if (!h || it == h->blocks.end() || it->second != oldSize) {
    free(p);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  h->blocks.erase(it);
  free(lpMem);
  h->blocks[p] = dwBytes;
  h->liveBytes = h->liveBytes - oldSize + dwBytes;
  return p;
}

BOOL HeapFree(HANDLE hHeap, DWORD, LPVOID lpMem) {
  if (!lpMem) return TRUE;
  {
    std::lock_guard<std::mutex> lock(GetTables().mutex);
    Heap* h = FindHeap(hHeap);
    auto it = h ? h->blocks.find(lpMem) : decltype(h->blocks)::iterator();
    if (!h || it == h->blocks.end()) {
      SetLastError(h ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
      return FALSE;
    }
    h->liveBytes -= it->second;
    h->blocks.erase(it);
  }
  free(lpMem);
  return TRUE;
}

SIZE_T HeapSize(HANDLE hHeap, DWORD, LPCVOID lpMem) {
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  Heap* h = FindHeap(hHeap);
  if (!h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<SIZE_T>(-1);
  }
  auto it = h->blocks.find(const_cast<void*>(lpMem));
  if (it == h->blocks.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return static_cast<SIZE_T>(-1);
  }
  return it->second;
}

}  // extern "C"

namespace pk::seams {

SIZE_T GlobalLiveBlocks() {
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  return GetTables().byData.size();
}

SIZE_T HeapLiveBlocks(HANDLE heap) {
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  Heap* h = FindHeap(heap);
  return h ? h->blocks.size() : 0;
}

SIZE_T LiveHeaps() {
  std::lock_guard<std::mutex> lock(GetTables().mutex);
  return GetTables().heaps.size();
}

void FailNthAllocation(unsigned n) { g_failCountdown = n; }
void FailAllocationsFrom(SIZE_T bytes) { g_failFrom = bytes; }

}  // namespace pk::seams
