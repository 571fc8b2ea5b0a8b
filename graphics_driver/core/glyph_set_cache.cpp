// The driver-wide glyph-set cache (see glyph_set_cache.h).
#include "graphics_driver/core/glyph_set_cache.h"

#include "platform/gdi/eng_services.h"
#include "platform/win/win_memory.h"

namespace {

CRITICAL_SECTION gGlyphSetLock;
FD_GLYPHSET* gDefaultGlyphSet = nullptr;
// The device fonts' glyph set of character set 0x80 (code 17 of resource 6).
GlyphSetCacheRow gResourceRow = {6, 17, nullptr};

}  // namespace

int InitGlyphSetCache() {
  InitializeCriticalSection(&gGlyphSetLock);
  gDefaultGlyphSet = EngComputeGlyphSet(0, 0, 256);
  return gDefaultGlyphSet ? 1 : 0;
}

void ReleaseGlyphSetCache() {
  EnterCriticalSection(&gGlyphSetLock);
  if (gResourceRow.glyphSet) GlobalFree(gResourceRow.glyphSet);
  gResourceRow.glyphSet = nullptr;
  if (gDefaultGlyphSet) GlobalFree(gDefaultGlyphSet);
  gDefaultGlyphSet = nullptr;
  LeaveCriticalSection(&gGlyphSetLock);
  DeleteCriticalSection(&gGlyphSetLock);
}

FD_GLYPHSET* GetDefaultGlyphSet() { return gDefaultGlyphSet; }

CRITICAL_SECTION* GetGlyphSetLock() { return &gGlyphSetLock; }

GlyphSetCacheRow* GetResourceGlyphSetRow() { return &gResourceRow; }
