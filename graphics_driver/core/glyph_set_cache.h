// The driver-wide glyph-set cache: the default glyph set made when the driver
// is enabled, and one row for the resource glyph set of the device fonts,
// filled on first use by the font queries. Guarded by its own lock.
#pragma once

#include "platform/gdi/ddi_types.h"
#include "platform/win/win_sync.h"

// One cached resource glyph set: the resource name and character set code it
// serves, and the copy (null until first use).
struct GlyphSetCacheRow {
  int resourceName;
  int charsetCode;
  FD_GLYPHSET* glyphSet;
};

// Sets up the lock and computes the default glyph set: 1 when it exists.
int InitGlyphSetCache();
// Frees the cached glyph sets under the lock, then deletes the lock.
void ReleaseGlyphSetCache();
// The default glyph set (null before InitGlyphSetCache or after the release).
FD_GLYPHSET* GetDefaultGlyphSet();
CRITICAL_SECTION* GetGlyphSetLock();
GlyphSetCacheRow* GetResourceGlyphSetRow();
