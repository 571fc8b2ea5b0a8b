// The line coder (see line_coder.h). The codes and the order of decisions are
// fixed to the bit: an image always codes to the same bytes.
#include "graphics_driver/job_output/line_coder.h"

#include <cstdlib>
#include <cstring>

#include "platform/win/win_memory.h"

namespace {

constexpr uint32_t kMaxBufferBytes = 65535;
constexpr uint32_t kSymbolLiteral = 0;
constexpr uint32_t kSymbolEscape = 6;

// Prefix codes of symbols 2 to 6 (both flags agree on them).
struct Code {
  uint32_t bits;
  uint32_t length;
};
constexpr Code kSymbolCodes[7] = {{0, 0}, {0, 0}, {0b110, 3}, {0b11100, 5}, {0b11101, 5}, {0b11110, 5}, {0b11111, 5}};

// Run lengths: counts up to `last` take `prefix` and `extra` bits of the
// count minus `base`.
struct RunClass {
  uint32_t last;
  Code prefix;
  uint32_t extra;
  uint32_t base;
};
constexpr RunClass kRunClasses[] = {
    {1, {0b00, 2}, 0, 1},         {2, {0b010, 3}, 0, 2},           {3, {0b011, 3}, 0, 3},
    {5, {0b100, 3}, 1, 4},        {9, {0b101, 3}, 2, 6},           {25, {0b110, 3}, 4, 10},
    {33, {0b111000, 6}, 3, 26},   {41, {0b111001, 6}, 3, 34},      {49, {0b111010, 6}, 3, 42},
    {65, {0b111011, 6}, 4, 50},   {97, {0b111100, 6}, 5, 66},      {161, {0b111101, 6}, 6, 98},
    {673, {0b111110, 6}, 9, 162}, {17057, {0b111111, 6}, 14, 674},
};

// Differences by magnitude class: magnitudes up to `last` take `prefix`, a
// sign bit and `extra` bits of the magnitude minus `base`.
struct DifferenceClass {
  uint32_t last;
  Code prefix;
  uint32_t extra;
  uint32_t base;
};
constexpr DifferenceClass kDifferenceClasses[] = {
    {3, {0b011, 3}, 1, 2},   {7, {0b100, 3}, 2, 4},    {15, {0b101, 3}, 3, 8},
    {47, {0b110, 3}, 5, 16}, {79, {0b1110, 4}, 5, 48}, {128, {0b1111, 4}, 6, 80},
};

BYTE* RowOf(BYTE* buffer) { return buffer + kLineCoderLead; }

// The pixel at column x (which may lie in the bytes around the row).
inline uint32_t PixelAt(const LineCoder* c, const BYTE* row, int64_t x) {
  if (c->pixelStep == 1) return row[x];
  uint32_t v;
  std::memcpy(&v, row + x * 4, 4);
  return v;
}

// Stores whole bytes as they complete; false (status -4) when one does not
// fit. At most 24 bits at a time.
bool PutBits(LineCoder* c, uint32_t bits, uint32_t length) {
  uint32_t acc = (c->pendingBits << length) | (bits & ((1u << length) - 1));
  uint32_t count = c->pendingBitCount + length;
  while (count >= 8) {
    if (c->written >= c->capacity || !c->out) {
      c->status = -4;
      return false;
    }
    count -= 8;
    c->out[c->written++] = BYTE(acc >> count);
  }
  c->pendingBits = acc & ((1u << count) - 1);
  c->pendingBitCount = uint16_t(count);
  return true;
}

bool PutSymbol(LineCoder* c, uint32_t symbol) {
  if (symbol == kSymbolLiteral) return c->flag ? PutBits(c, 0b0, 1) : PutBits(c, 0b10, 2);
  if (symbol == 1) return c->flag ? PutBits(c, 0b10, 2) : PutBits(c, 0b0, 1);
  return PutBits(c, kSymbolCodes[symbol].bits, kSymbolCodes[symbol].length);
}

bool PutRunLength(LineCoder* c, uint32_t count) {
  for (const RunClass& r : kRunClasses) {
    if (count > r.last) continue;
    return PutBits(c, r.prefix.bits, r.prefix.length) && (r.extra == 0 || PutBits(c, count - r.base, r.extra));
  }
  return false;
}

bool PutDifference(LineCoder* c, int value, int left) {
  int d = value - left;
  bool negative = d < 0;
  int magnitude = std::abs(d);
  if (magnitude > 128) {
    magnitude = 256 - magnitude;
    negative = !negative;
  }
  if (magnitude == 0) return PutBits(c, 0b000, 3);
  if (magnitude == 1) return PutBits(c, negative ? 0b010 : 0b001, 3);
  for (const DifferenceClass& k : kDifferenceClasses) {
    if (uint32_t(magnitude) > k.last) continue;
    const uint32_t tail = (uint32_t(negative) << k.extra) | (uint32_t(magnitude) - k.base);
    return PutBits(c, k.prefix.bits, k.prefix.length) && PutBits(c, tail, k.extra + 1);
  }
  return false;
}

// How many pixels from column p on equal the prediction of entry `number`;
// never past the row end (the stop byte ends every match there as well).
uint32_t MatchLength(const LineCoder* c, uint32_t number, uint32_t p) {
  const BYTE* cur = c->current + kLineCoderLead;
  const BYTE* prev = c->previous + kLineCoderLead;
  const int64_t w = c->width;
  int64_t x = p;
  switch (number) {
    case 1: {
      const uint32_t v = PixelAt(c, cur, x - 1);
      while (x < w && PixelAt(c, cur, x) == v) ++x;
      break;
    }
    case 2:
      while (x < w && PixelAt(c, cur, x) == PixelAt(c, prev, x)) ++x;
      break;
    case 3:
      while (x < w && PixelAt(c, cur, x) == PixelAt(c, prev, x - 1)) ++x;
      break;
    case 4:
      while (x < w && PixelAt(c, cur, x) == PixelAt(c, prev, x + 1)) ++x;
      break;
    default:
      if (c->pixelStep == 1) {
        while (x < w && cur[x] == cur[x - 8]) ++x;
      } else {
        while (x < w && PixelAt(c, cur, x) == PixelAt(c, prev, x + 2)) ++x;
      }
      break;
  }
  return uint32_t(x - p);
}

// Writes a run of the prediction at list position `position` (1-5), split
// into runs of at most kLineCoderMaxRun, and moves it to the list's front.
bool WriteRun(LineCoder* c, uint32_t position, uint32_t count, int* balance) {
  const uint32_t symbol = position - c->continuation;
  if (symbol == 1) ++*balance;
  for (uint32_t left = count, first = 1; left > 0; first = 0) {
    const uint32_t part = left < kLineCoderMaxRun ? left : kLineCoderMaxRun;
    if (!PutSymbol(c, first ? symbol : 1) || !PutRunLength(c, part)) return false;
    left -= part;
  }
  const BYTE number = c->list[position - 1];
  std::memmove(c->list + 1, c->list, position - 1);
  c->list[0] = number;
  c->continuation = count % kLineCoderMaxRun != 0 ? 1 : 0;
  c->pendingRun = 0;
  c->pendingEntry = 0;
  return true;
}

bool WriteLiteral(LineCoder* c, uint32_t x) {
  if (!PutSymbol(c, kSymbolLiteral)) return false;
  const BYTE* cur = c->current + kLineCoderLead + int64_t(x) * c->pixelStep;
  const BYTE* left = cur - c->pixelStep;
  for (uint32_t b = 0; b < c->bytesPerPixel; ++b)
    if (!PutDifference(c, cur[b], left[b])) return false;
  return true;
}

// Codes the row in the current buffer; false when a write failed.
bool CodeRow(LineCoder* c) {
  BYTE* cur = RowOf(c->current);
  BYTE* prev = RowOf(c->previous);
  const uint32_t step = c->pixelStep;
  const uint32_t w = c->width;

  // The stop byte after the row differs from every byte a match at the row
  // end could compare it with.
  prev[c->rowBytes] = c->fill;
  BYTE stop = BYTE(c->fill + 1);
  const BYTE lastCurrent = cur[(w - 1) * step];
  const BYTE lastPrevious = prev[(w - 1) * step];
  const BYTE farByte = cur[int64_t(c->rowBytes) - 8];
  while (stop == lastCurrent || stop == lastPrevious || stop == farByte) stop = BYTE((stop + 1) % 255);
  cur[c->rowBytes] = stop;

  int balance = 0;
  uint32_t x = 0;
  bool rowDone = false;
  if (c->pendingRun) {
    const uint32_t more = MatchLength(c, c->list[c->pendingEntry - 1], 0);
    if (more >= w) {
      c->pendingRun += more;
      rowDone = true;
    } else {
      if (!WriteRun(c, c->pendingEntry, c->pendingRun + more, &balance)) return false;
      x = more;
    }
  }
  while (!rowDone && x < w) {
    uint32_t best = 0, bestPosition = 0;
    for (uint32_t i = 0; i < 5; ++i) {
      const uint32_t n = MatchLength(c, c->list[i], x);
      if (n > best) {
        best = n;
        bestPosition = i + 1;
      }
    }
    if (best == 0) {
      if (!WriteLiteral(c, x)) return false;
      c->continuation = 0;
      --balance;
      ++x;
    } else if (x + best >= w) {
      c->pendingRun = best;
      c->pendingEntry = bestPosition;
      rowDone = true;
    } else {
      if (!WriteRun(c, bestPosition, best, &balance)) return false;
      x += best;
    }
  }

  // The codes of a literal and of a front-prediction run swap towards the
  // one this row used more.
  if ((balance <= -8 && c->flag == 0) || (balance >= 8 && c->flag == 1)) {
    c->flag ^= 1;
    if (!PutSymbol(c, kSymbolEscape) || !PutBits(c, 0, 1)) return false;
  }
  ++c->rowsCoded;
  BYTE* t = c->previous;
  c->previous = c->current;
  c->current = t;
  return true;
}

void FreeCoder(LineCoder* c) {
  GlobalFree(c->previous);
  GlobalFree(c->current);
  GlobalFree(c);
}

}  // namespace

LineCoder* CreateLineCoder(uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
  if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32) return nullptr;
  const uint64_t rowBytes = bitsPerPixel == 8 ? uint64_t(width) : uint64_t(width) * 4;
  if (width == 0 || rowBytes + kLineCoderLead + kLineCoderTail > kMaxBufferBytes) return nullptr;
  auto* c = static_cast<LineCoder*>(GlobalAlloc(GPTR, sizeof(LineCoder)));
  if (!c) return nullptr;
  const uint32_t bufferBytes = uint32_t(rowBytes) + kLineCoderLead + kLineCoderTail;
  c->previous = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, bufferBytes));
  c->current = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, bufferBytes));
  if (!c->previous || !c->current) {
    FreeCoder(c);
    return nullptr;
  }
  c->status = 1;
  c->height = height;
  c->width = width;
  c->rowBytes = uint32_t(rowBytes);
  c->bytesPerPixel = bitsPerPixel / 8;
  c->pixelStep = bitsPerPixel == 8 ? 1 : 4;
  c->fill = bitsPerPixel == 8 ? 0x00 : 0xFF;
  std::memset(c->previous, c->fill, bufferBytes);
  std::memset(c->current, c->fill, bufferBytes);
  for (BYTE i = 0; i < 5; ++i) c->list[i] = BYTE(i + 1);
  return c;
}

int CodeLineCoderRow(LineCoder* coder, const BYTE* sourceRow, BYTE* out, uint32_t capacity) {
  if (!coder || !sourceRow || coder->status <= 0) return -1;
  if (coder->height && coder->rowsCoded >= coder->height) {
    coder->status = 0;
    return -1;
  }
  BYTE* row = RowOf(coder->current);
  if (coder->bytesPerPixel == 3) {
    for (uint32_t x = 0; x < coder->width; ++x) std::memcpy(row + x * 4, sourceRow + x * 3, 3);
  } else {
    std::memcpy(row, sourceRow, coder->rowBytes);
  }
  coder->out = out;
  coder->capacity = out ? capacity : 0;
  coder->written = 0;
  if (!CodeRow(coder)) {
    coder->status = -4;
    return -1;
  }
  return int(coder->written);
}

int FinishLineCoder(LineCoder* coder, BYTE* out, uint32_t capacity) {
  if (!coder) return -1;
  int result = -1;
  if (out && coder->status >= 0) {
    coder->out = out;
    coder->capacity = capacity;
    coder->written = 0;
    int balance = 0;
    bool ok = !coder->pendingRun || WriteRun(coder, coder->pendingEntry, coder->pendingRun, &balance);
    ok = ok && PutSymbol(coder, kSymbolEscape) && PutBits(coder, 0b111, 3);
    if (ok && coder->pendingBitCount) ok = PutBits(coder, 0xFF, 8 - coder->pendingBitCount);
    if (ok) result = int(coder->written);
  }
  FreeCoder(coder);
  return result;
}
