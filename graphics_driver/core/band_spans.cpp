// Spans of the band engine, the saved area they XOR against and the two
// greys (see band_engine.h).
#include <algorithm>
#include <cstring>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/band_pattern_rows.h"
#include "platform/win/win_memory.h"

namespace {

// The band bytes a span covers: the edge bytes keep the bits outside the
// span through their masks; middle bytes are written whole.
struct Span {
  BYTE* band;
  uint32_t count;
  BYTE firstMask, lastMask;
  // For XOR against the saved area: the saved row (null when the span's row
  // was not saved) and the place of the span's first byte in it.
  const BYTE* saved;
  int64_t savedStart;
  uint32_t savedRowBytes;
};

template <typename Combine>
void WriteSpan(const Span& s, const PatternRow& p, Combine combine) {
  const uint32_t n = p.length;
  if (s.count == 1) {
    combine(s.band[0], p.bytes[0], BYTE(s.firstMask & s.lastMask), 0);
    return;
  }
  combine(s.band[0], p.bytes[0], s.firstMask, 0);
  uint32_t j = 1 % n;
  for (uint32_t i = 1; i + 1 < s.count; ++i) {
    combine(s.band[i], p.bytes[j], BYTE(0xFF), i);
    if (++j == n) j = 0;
  }
  combine(s.band[s.count - 1], p.bytes[(s.count - 1) % n], s.lastMask, s.count - 1);
}

void OrSpan(const Span& s, const PatternRow& p) {
  WriteSpan(s, p, [](BYTE& b, BYTE v, BYTE m, uint32_t) { b = BYTE(b | (v & m)); });
}

void AndSpan(const Span& s, const PatternRow& p) {
  WriteSpan(s, p, [](BYTE& b, BYTE v, BYTE m, uint32_t) { b = BYTE(b & (v | BYTE(~m))); });
}

void XorSpan(const Span& s, const PatternRow& p) {
  WriteSpan(s, p, [](BYTE& b, BYTE v, BYTE m, uint32_t) { b = BYTE(b ^ (v & m)); });
}

void CopySpan(const Span& s, const PatternRow& p) {
  WriteSpan(s, p, [](BYTE& b, BYTE v, BYTE m, uint32_t) { b = BYTE((b & BYTE(~m)) | (v & m)); });
}

// Inside the span the band takes saved ^ pattern, so spans of one fill that
// meet in a byte do not undo each other; outside it the band keeps its bits.
void XorSpanFromSaved(const Span& s, const PatternRow& p) {
  WriteSpan(s, p, [&s](BYTE& b, BYTE v, BYTE m, uint32_t i) {
    const int64_t at = s.savedStart + i;
    const BYTE saved = s.saved && at >= 0 && at < int64_t(s.savedRowBytes) ? s.saved[at] : b;
    b = BYTE((b & BYTE(~m)) | ((saved ^ v) & m));
  });
}

bool WriteWith(uint32_t operation, uint32_t spanMode, const Span& s, const PatternRow& p) {
  switch (operation) {
    case 1: OrSpan(s, p); return true;
    case 2: AndSpan(s, p); return true;
    case 3:
      if (spanMode == kSpanXorSaved) XorSpanFromSaved(s, p);
      else XorSpan(s, p);
      return true;
    case 4: CopySpan(s, p); return true;
    default: return false;
  }
}

// The saved row of a page row and the span's first byte in it.
void LocateSaved(const JobOutputStream* stream, int64_t pageRow, uint32_t firstByte, Span* s) {
  const StreamWorkArea& w = stream->work;
  s->saved = nullptr;
  if (w.spanMode != kSpanXorSaved || !w.capturedImage) return;
  const int64_t row = pageRow - w.capturedOriginY;
  if (row < 0 || row >= int64_t(w.capturedRows)) return;
  s->saved = w.capturedImage + size_t(row) * w.capturedBytesPerRow;
  s->savedRowBytes = w.capturedBytesPerRow;
  s->savedStart = int64_t(firstByte) - (int64_t(w.capturedOriginX) - stream->tiffJob.bandLeft) / 8;
}

// The right column limit: the band's, and never beyond its rows' bytes.
int64_t RightLimit(const TiffJobRecord* r) {
  return std::min<int64_t>(r->bandRight, int64_t(r->bandLeft) + int64_t(r->bytesPerRow) * 8);
}

// Whether band row y (page row y + band top, up to the band bottom
// inclusive) is addressable in the band buffer.
bool BandRowOk(const TiffJobRecord* r, int64_t y) {
  const int64_t pageRow = y + r->bandTop;
  if (y < 0 || pageRow > int64_t(r->bandBottom)) return false;
  return uint64_t(y + 1) * r->bytesPerRow <= r->bandBufferSize;
}

}  // namespace

int FillSpan(JobOutputStream* stream, int32_t x, int32_t y, int32_t width) {
  if (!stream || width <= 0) return 0;
  TiffJobRecord* r = &stream->tiffJob;
  if (!r->bandBuffer || r->bytesPerRow == 0 || !BandRowOk(r, y)) return 0;
  // Cut to the band's columns in signed arithmetic: a span that ends left of
  // the band or starts at its right limit is empty.
  const int64_t x0 = std::max<int64_t>(x, r->bandLeft);
  const int64_t x1 = std::min<int64_t>(int64_t(x) + width, RightLimit(r));
  if (x1 <= x0) return 0;
  const DrawState state = GetDrawState(r);
  if (state.operation > 4) return 0;

  const uint32_t offset = uint32_t(x0 - r->bandLeft);
  const uint32_t b = offset % 8, end = uint32_t(b + (x1 - x0));
  Span span{};
  span.band = r->bandBuffer + size_t(y) * r->bytesPerRow + offset / 8;
  span.count = (end + 7) / 8;
  span.firstMask = BYTE(0xFF >> b);
  span.lastMask = end % 8 == 0 ? BYTE(0xFF) : BYTE(0xFF << (8 - end % 8));
  const int64_t pageRow = int64_t(y) + r->bandTop;
  LocateSaved(stream, pageRow, offset / 8, &span);

  uint32_t grey = state.foreGrey;
  if (state.patternIndex != kPatternGrey && state.backGrey != 0) grey = state.backGrey;
  grey = MonochromeGrey(r, grey);

  PatternRow row;
  bool background = false;
  if (state.patternIndex == kPatternGrey || state.backGrey != 0) {
    GetGreyRow(grey, state.polarity, uint32_t(x0), uint32_t(pageRow), &row);
    WriteWith(state.operation, stream->work.spanMode, span, row);
    background = state.patternIndex != kPatternGrey;
  }
  if (state.patternIndex != kPatternGrey &&
      GetBrushRow(stream, state.patternIndex, state.polarity, uint32_t(x0), uint32_t(pageRow), &row)) {
    // Pattern lines go over a background laid in the first pass.
    WriteWith(background ? 1 : state.operation, stream->work.spanMode, span, row);
  }
  r->bandDirty = 1;
  return 1;
}

int SaveBandArea(JobOutputStream* stream, POINTL topLeft, POINTL bottomRight) {
  if (!stream) return 0;
  FreeStreamScratch(stream);
  TiffJobRecord* r = &stream->tiffJob;
  if (!r->bandBuffer || r->bytesPerRow == 0) return 0;
  // Only the part of the rectangle inside the band is saved.
  const int64_t left = r->bandLeft;
  const int64_t x0 = std::max<int64_t>(std::min(topLeft.x, bottomRight.x), left);
  const int64_t x1 = std::min<int64_t>(std::max(topLeft.x, bottomRight.x), RightLimit(r));
  const int64_t bandRowCount =
      std::min<int64_t>(int64_t(r->bandBottom) - r->bandTop + 1, r->bandBufferSize / r->bytesPerRow);
  const int64_t y0 = std::max<int64_t>(std::min(topLeft.y, bottomRight.y), 0);
  const int64_t y1 = std::min<int64_t>(std::max(topLeft.y, bottomRight.y), bandRowCount);
  if (x1 <= x0 || y1 <= y0) return 0;
  const int64_t origin = x0 - (x0 - left) % 8;
  const uint32_t rowBytes = uint32_t((x1 - origin + 7) / 8);
  const uint32_t rows = uint32_t(y1 - y0);
  auto* saved = static_cast<BYTE*>(GlobalAlloc(GPTR, SIZE_T(rowBytes) * rows));
  if (!saved) return 0;
  for (uint32_t i = 0; i < rows; ++i)
    std::memcpy(saved + size_t(i) * rowBytes, r->bandBuffer + size_t(y0 + i) * r->bytesPerRow + (origin - left) / 8,
                rowBytes);
  StreamWorkArea& w = stream->work;
  w.capturedImage = saved;
  w.capturedOriginX = int32_t(origin);
  w.capturedOriginY = int32_t(y0 + r->bandTop);
  w.capturedBitOffset = uint32_t((x0 - left) % 8);
  w.capturedWidthBits = uint32_t(x1 - origin);
  w.capturedRows = rows;
  w.capturedBytesPerRow = rowBytes;
  return 1;
}

uint32_t GreyLevel(BYTE red, BYTE green, BYTE blue) { return (300u * red + 590u * green + 110u * blue) * 10u / 9996u; }

int SetForegroundGrey(JobOutputStream* stream, BYTE red, BYTE green, BYTE blue) {
  if (!stream) return 0;
  stream->tiffJob.penLevel = GreyLevel(red, green, blue);
  stream->tiffJob.imageKind = kPatternGrey;
  return 1;
}

int SetBackgroundGrey(JobOutputStream* stream, BYTE red, BYTE green, BYTE blue) {
  if (!stream) return 0;
  stream->tiffJob.brushLevel = GreyLevel(red, green, blue);
  return 1;
}
