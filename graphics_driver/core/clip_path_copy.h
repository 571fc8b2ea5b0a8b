// The path-copy format in which the driver keeps a clip path: n records of
// 16 bytes {flags (the PATHDATA flags), point count, pointer to the record's
// points}, then all points (28.4 fixed point) in enumeration order, the
// record pointers pointing into the same block. Size (2 n + points) * 8.
#pragma once

#include <cstdint>

#include "platform/gdi/ddi_types.h"

struct PathCopyRecord {
  uint32_t flags;
  uint32_t count;
  POINTFIX* points;
};
static_assert(sizeof(PathCopyRecord) == 16 && sizeof(POINTFIX) == 8);

// A path copy handed in by a caller (the page-image output keeps one per
// deferred image): its block, size in bytes and record count.
struct ClipPathCopy {
  const void* block;
  int32_t bytes;
  int32_t records;
};

// Enumerates the path (every record, the one that comes with FALSE too):
// the copy's size in bytes and, in records, its record count. 0 for a path
// without points or one too large for the format.
int32_t PathCopySize(PATHOBJ* path, int32_t* records);
// Writes the path into a zero-filled block of bytes bytes: 1, or 0 when bytes
// or records is 0 or the path does not fit the size measured.
int BuildPathCopy(void* block, PATHOBJ* path, int32_t bytes, int32_t records);
// 0 when the two copies hold the same records and points.
int ComparePathCopies(const void* a, const void* b, int32_t records, int32_t bytes);
// A byte copy whose record pointers are moved into dst.
void CopyPathCopy(void* dst, const void* src, int32_t records, int32_t bytes);
// The points of a path (path given) or of a copy's records.
uint32_t CountPathPoints(PATHOBJ* path, const void* copy, int32_t records);
// Whether a caller's copy is whole: a block of the size its records and
// points make, every record's points inside it.
bool IsValidPathCopy(const void* block, int32_t bytes, int32_t records);
