// Path copies of clip paths (see clip_path_copy.h).
#include "graphics_driver/core/clip_path_copy.h"

#include <cstring>
#include <limits>

#include "platform/gdi/eng_services.h"

namespace {

constexpr int64_t kMaxCopyBytes = std::numeric_limits<int32_t>::max();

// Calls visit(record) for every record of the path, the last one (that
// PATHOBJ_bEnum hands over with FALSE) included; records without points are
// passed over. Stops early when visit answers false.
template <typename Visit>
void EnumeratePath(PATHOBJ* path, Visit visit) {
  PATHOBJ_vEnumStart(path);
  for (;;) {
    PATHDATA data{};
    const BOOL more = PATHOBJ_bEnum(path, &data);
    if (data.count > 0 && data.pptfx && !visit(data)) return;
    if (more != TRUE) return;
  }
}

const PathCopyRecord* Records(const void* copy) { return static_cast<const PathCopyRecord*>(copy); }

}  // namespace

int32_t PathCopySize(PATHOBJ* path, int32_t* records) {
  if (records) *records = 0;
  if (!path) return 0;
  int64_t count = 0, points = 0;
  bool tooLarge = false;
  EnumeratePath(path, [&](const PATHDATA& data) {
    ++count;
    points += data.count;
    tooLarge = (2 * count + points) * 8 > kMaxCopyBytes;
    return !tooLarge;
  });
  if (tooLarge || count == 0) return 0;
  if (records) *records = int32_t(count);
  return int32_t((2 * count + points) * 8);
}

int BuildPathCopy(void* block, PATHOBJ* path, int32_t bytes, int32_t records) {
  if (!block || !path || bytes <= 0 || records <= 0) return 0;
  std::memset(block, 0, size_t(bytes));
  auto* record = static_cast<PathCopyRecord*>(block);
  auto* base = static_cast<BYTE*>(block);
  int64_t written = 0, offset = int64_t(records) * int64_t(sizeof(PathCopyRecord));
  bool fits = true;
  EnumeratePath(path, [&](const PATHDATA& data) {
    const int64_t size = int64_t(data.count) * int64_t(sizeof(POINTFIX));
    if (written == records || offset + size > bytes) {
      fits = false;
      return false;
    }
    auto* points = reinterpret_cast<POINTFIX*>(base + offset);
    std::memcpy(points, data.pptfx, size_t(size));
    record[written++] = PathCopyRecord{uint32_t(data.flags), uint32_t(data.count), points};
    offset += size;
    return true;
  });
  return fits && written == records && offset == bytes ? 1 : 0;
}

int ComparePathCopies(const void* a, const void* b, int32_t records, int32_t bytes) {
  if (!a || !b || records < 0 || bytes < 16 * int64_t(records)) return 1;
  for (int32_t i = 0; i < records; ++i) {
    if (Records(a)[i].flags != Records(b)[i].flags || Records(a)[i].count != Records(b)[i].count) return 1;
  }
  const size_t head = size_t(records) * sizeof(PathCopyRecord);
  return std::memcmp(static_cast<const BYTE*>(a) + head, static_cast<const BYTE*>(b) + head, size_t(bytes) - head) == 0
             ? 0
             : 1;
}

void CopyPathCopy(void* dst, const void* src, int32_t records, int32_t bytes) {
  if (!dst || !src || bytes <= 0) return;
  std::memcpy(dst, src, size_t(bytes));
  auto* record = static_cast<PathCopyRecord*>(dst);
  const auto* from = static_cast<const BYTE*>(src);
  auto* to = static_cast<BYTE*>(dst);
  for (int32_t i = 0; i < records; ++i) {
    // Moved by the distance between the blocks: the points sit at the same
    // offset in the new block.
    const ptrdiff_t offset = reinterpret_cast<const BYTE*>(record[i].points) - from;
    record[i].points = reinterpret_cast<POINTFIX*>(to + offset);
  }
}

uint32_t CountPathPoints(PATHOBJ* path, const void* copy, int32_t records) {
  uint64_t total = 0;
  if (path) {
    EnumeratePath(path, [&](const PATHDATA& data) {
      total += data.count;
      return true;
    });
  } else if (copy) {
    for (int32_t i = 0; i < records; ++i) total += Records(copy)[i].count;
  }
  return total > UINT32_MAX ? UINT32_MAX : uint32_t(total);
}

bool IsValidPathCopy(const void* block, int32_t bytes, int32_t records) {
  if (!block || records <= 0 || bytes <= 0 || int64_t(records) * 16 > bytes) return false;
  const uintptr_t first = reinterpret_cast<uintptr_t>(block) + uintptr_t(records) * 16;
  const uintptr_t end = reinterpret_cast<uintptr_t>(block) + uintptr_t(bytes);
  int64_t points = 0;
  for (int32_t i = 0; i < records; ++i) {
    const PathCopyRecord& r = Records(block)[i];
    if (!r.points) return false;
    const uintptr_t p = reinterpret_cast<uintptr_t>(r.points);
    const uint64_t size = uint64_t(r.count) * sizeof(POINTFIX);
    if (p < first || p > end || size > end - p) return false;
    points += r.count;
  }
  return (2 * int64_t(records) + points) * 8 == bytes;
}
