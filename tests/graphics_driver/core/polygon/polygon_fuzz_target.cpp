// The polygon geometry's fuzz entry, and the fixed-budget run of it in the
// test program.
#include "polygon_fuzz_target.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/win/win_seams.h"

namespace {

constexpr size_t kHead = 12;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Reads bytes from the input, zeros once it runs out.
struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  void Take(void* out, size_t n) {
    const size_t have = at < size ? std::min(n, size - at) : 0;
    std::memcpy(out, data + at, have);
    std::memset(static_cast<uint8_t*>(out) + have, 0, n - have);
    at += n;
  }
  bool More() const { return at < size; }
};

// A coordinate of the chosen range: near the band, any 16-bit value, or any
// 32-bit value.
int32_t Coordinate(Reader& in, uint8_t range) {
  switch (range % 3) {
    case 0: {
      int8_t v;
      in.Take(&v, 1);
      return int32_t(v) + 40;
    }
    case 1: {
      int16_t v;
      in.Take(&v, 2);
      return v;
    }
    default: {
      int32_t v;
      in.Take(&v, 4);
      return v;
    }
  }
}

}  // namespace

void polygon_fuzz_one(const uint8_t* data, size_t size) {
  if (size < kHead) return;
  const uint8_t* head = data;
  Reader in{data + kHead, size - kHead};
  const uint32_t rows = 1 + head[0] % 64;
  const uint32_t width = 8 + head[1] % 249;
  const uint8_t range = head[2];
  const uint32_t n = head[3] % 80;
  const int32_t runLimit = int8_t(head[4]);
  const SIZE_T live = pk::seams::GlobalLiveBlocks();

  auto stream = std::make_unique<JobOutputStream>();
  TiffJobRecord* r = &stream->tiffJob;
  r->bytesPerRow = (width + 7) / 8;
  std::vector<BYTE> band(size_t(r->bytesPerRow) * (rows + 1), 0);
  r->bandBuffer = band.data();
  r->bandBufferSize = uint32_t(band.size());
  r->bandTop = int8_t(head[5]);
  r->bandBottom = uint32_t(r->bandTop + int32_t(rows));
  r->bandRows = rows;
  r->bandRight = r->bandWidth = width;
  r->ropOperation = 1 + head[6] % 4;

  std::vector<POINTL> pts(n);
  for (POINTL& p : pts) p = POINTL{Coordinate(in, range), Coordinate(in, range)};
  RECTL bounds{Coordinate(in, range), Coordinate(in, range), Coordinate(in, range), Coordinate(in, range)};
  if (head[7] & 1) bounds = RECTL{0, 0, LONG(width), LONG(rows)};
  if (head[7] & 2) bounds = RECTL{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  // Some runs fail one of the allocations a busy line makes.
  pk::seams::FailNthAllocation(head[8] % 4 == 0 ? 1 + head[9] % 3 : 0);
  const int filled = FillPolygon(stream.get(), pts.empty() ? nullptr : pts.data(), n, &bounds, runLimit);
  pk::seams::FailNthAllocation(0);
  Check(filled == 0 || filled == 1);
  Check(n >= 3 || filled == 0);

  while (in.More()) {
    PolySegment s{Coordinate(in, range), Coordinate(in, range), Coordinate(in, range), Coordinate(in, range)};
    const PolySegment before = s;
    const int clipped = ClipSegmentToPolygon(&s, pts.data(), n);
    Check(clipped >= -1 && clipped <= 2);
    Check(clipped == 1 || std::memcmp(&s, &before, sizeof s) == 0);
    const int where = PointInPolygon(POINTL{before.x0, before.y0}, pts.data(), n);
    Check(where >= 0 && where <= 2);
    RectQuad out{};
    int32_t kind = 0;
    const RECTL a{before.x0, before.y0, before.x1, before.y1};
    const int met = IntersectRectangles(QuadOfRect(a), QuadOfRect(bounds), &out, &kind);
    Check((met == 0 && kind == 0) || (met == 1 && kind == kRectsOverlap) || (met == 2 && kind == kRectsTouch));
  }
  Check(pk::seams::GlobalLiveBlocks() == live);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  polygon_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

// The fixed budget: random inputs of every size up to long point lists.
TEST(PolygonFuzz, FixedBudgetRunsClean) {
  std::mt19937 rng(46);
  for (int iter = 0; iter < 2000; ++iter) {
    std::vector<uint8_t> input(kHead + rng() % 600);
    for (auto& b : input) b = static_cast<uint8_t>(rng());
    polygon_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
