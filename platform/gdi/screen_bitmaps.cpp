// Device bitmaps and memory DCs of the screen. A memory DC is a DC of the DC
// table (printer_dc.cpp) whose back end is kept here with the bitmap selected
// into it; bitmaps live in one table under handle numbers never reused. The
// DC table's lock is never taken while this file's lock is held.
#include "platform/gdi/screen_bitmaps.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/gdi/printer_dc.h"
#include "platform/gdi/display_dc.h"
#include "platform/win/win_error.h"
#include "platform/win/win_seams.h"

namespace pk::gdi {
namespace {

constexpr int kMaxSide = 16384;

struct Bitmap {
  Pixels pixels;
  HDC selectedIn = nullptr;
  bool internal = false;  // a window's backing bitmap or a brush's pattern: not the application's
};

// What a memory DC draws on; drawing calls of the DC table are answered by
// the screen's drawing code once bitmaps draw text and shapes.
class MemoryBackEnd : public pkgdi::PrinterDcBackEnd {
 public:
  HDC dc = nullptr;
  int Escape(int, int, const void*, int, void*) override { return 0; }
  int StartPage() override { return 0; }
  int EndPage() override { return 0; }
  bool TextOut(const pkgdi::DcState& st, POINT at, const std::u16string& text) override {
    return DrawScreenText(dc, st, at, text, 0, nullptr, nullptr);
  }
  bool MeasureText(const pkgdi::DcState& st, const std::u16string& text, SIZE* size) override {
    return MeasureScreenText(st, text, size);
  }
  bool Polygon(const pkgdi::DcState&, const std::vector<POINT>&) override { return false; }
  bool Ellipse(const pkgdi::DcState&, const RECT&) override { return false; }
  bool Rectangle(const pkgdi::DcState&, const RECT&) override { return false; }
  int DeviceCaps(int index) override;
};

struct MemoryDc {
  std::unique_ptr<MemoryBackEnd> backEnd;
  uintptr_t bitmap = 0;
  HWND window = nullptr;  // a window's DC draws on its backing bitmap
};

struct State {
  std::mutex lock;
  std::unordered_map<uintptr_t, Bitmap> bitmaps;
  std::unordered_map<uintptr_t, MemoryDc> dcs;
  std::unordered_map<uintptr_t, HPALETTE> palettes;  // by DC, any DC
  uintptr_t stockBitmap = 0;                         // 1 x 1 monochrome, never deleted
  size_t internalBitmaps = 0;
  WindowSurfaces windows{};
  int depth = 32;
  int dpi = 96;
  COLORREF system[256] = {};
};

// The 20 fixed colours of the system palette: 0-9 and 246-255.
constexpr COLORREF kStaticLow[10] = {RGB(0, 0, 0),       RGB(128, 0, 0),    RGB(0, 128, 0),   RGB(128, 128, 0),
                                     RGB(0, 0, 128),     RGB(128, 0, 128),  RGB(0, 128, 128), RGB(192, 192, 192),
                                     RGB(192, 220, 192), RGB(166, 202, 240)};
constexpr COLORREF kStaticHigh[10] = {RGB(255, 251, 240), RGB(160, 160, 164), RGB(128, 128, 128), RGB(255, 0, 0),
                                      RGB(0, 255, 0),     RGB(255, 255, 0),   RGB(0, 0, 255),     RGB(255, 0, 255),
                                      RGB(0, 255, 255),   RGB(255, 255, 255)};
// The 16 colours of 4-bit device bits.
constexpr COLORREF kVga[16] = {RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
                               RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
                               RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
                               RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};

// The system palette before any palette is realised: the fixed colours around
// a 6 x 6 x 6 colour cube.
void DefaultSystemPalette(COLORREF* sys) {
  for (int i = 0; i < 256; ++i) sys[i] = 0;
  for (int i = 0; i < 10; ++i) {
    sys[i] = kStaticLow[i];
    sys[246 + i] = kStaticHigh[i];
  }
  for (int i = 0; i < 216; ++i) sys[10 + i] = RGB((i % 6) * 51, (i / 6 % 6) * 51, (i / 36) * 51);
}

State& state() {
  static State* s = [] {
    auto* st = new State();  // lives as long as the process
    DefaultSystemPalette(st->system);
    return st;
  }();
  return *s;
}

void ResetScreen() {
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  s.depth = 32;
  s.dpi = 96;
  DefaultSystemPalette(s.system);
}
const pk::seams::ResetHook g_resetHook(&ResetScreen);

int MemoryBackEnd::DeviceCaps(int index) {
  switch (index) {
    case BITSPIXEL: return DisplayDepth();
    case PLANES: return 1;
    case HORZRES: return 1920;
    case VERTRES: return 1080;
    case LOGPIXELSX:
    case LOGPIXELSY: return ScreenResolution();
    default: return 0;
  }
}

uintptr_t Key(const void* h) { return reinterpret_cast<uintptr_t>(h); }

int NearestIndex(const COLORREF* table, int n, COLORREF c) {
  int best = 0;
  long bestDist = std::numeric_limits<long>::max();
  for (int i = 0; i < n; ++i) {
    const long dr = long(GetRValue(table[i])) - GetRValue(c), dg = long(GetGValue(table[i])) - GetGValue(c),
               db = long(GetBValue(table[i])) - GetBValue(c);
    const long d = dr * dr + dg * dg + db * db;
    if (d < bestDist) {
      bestDist = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

bool GoodSize(int w, int h) { return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide; }

// Device bits: rows padded to 16 bits.
size_t DeviceStride(int width, int bpp) { return ((size_t(width) * bpp + 15) / 16) * 2; }

HBITMAP AddBitmap(Pixels pixels) {
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  const uintptr_t h = NewObjectHandle();
  s.bitmaps[h].pixels = std::move(pixels);
  return reinterpret_cast<HBITMAP>(h);
}

Pixels Blank(int w, int h, int bpp) {
  Pixels p;
  p.width = w;
  p.height = h;
  p.bitsPerPixel = bpp;
  p.colour.assign(size_t(w) * size_t(h), RGB(0, 0, 0));
  return p;
}

// One device pixel of `bpp` bits from a row of device bits.
COLORREF DevicePixel(const COLORREF* sys, const BYTE* row, int x, int bpp) {
  switch (bpp) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1 ? RGB(255, 255, 255) : RGB(0, 0, 0);
    case 4: return kVga[(row[x / 2] >> (x % 2 ? 0 : 4)) & 15];
    case 8: return sys[row[x]];
    case 16: {
      const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
      const unsigned r = (v >> 11) & 31, gg = (v >> 5) & 63, b = v & 31;
      return RGB((r << 3) | (r >> 2), (gg << 2) | (gg >> 4), (b << 3) | (b >> 2));
    }
    case 24: return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default: return RGB(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
  }
}

void PutDevicePixel(const COLORREF* sys, BYTE* row, int x, int bpp, COLORREF c) {
  switch (bpp) {
    case 1:
      if (c == RGB(255, 255, 255)) row[x / 8] |= BYTE(0x80 >> (x % 8));
      break;
    case 4: row[x / 2] |= BYTE(NearestIndex(kVga, 16, c) << (x % 2 ? 0 : 4)); break;
    case 8: row[x] = BYTE(NearestIndex(sys, 256, c)); break;
    case 16: {
      const unsigned v = ((GetRValue(c) >> 3) << 11) | ((GetGValue(c) >> 2) << 5) | (GetBValue(c) >> 3);
      row[2 * x] = BYTE(v);
      row[2 * x + 1] = BYTE(v >> 8);
      break;
    }
    case 24:
      row[3 * x] = GetBValue(c);
      row[3 * x + 1] = GetGValue(c);
      row[3 * x + 2] = GetRValue(c);
      break;
    default:
      row[4 * x] = GetBValue(c);
      row[4 * x + 1] = GetGValue(c);
      row[4 * x + 2] = GetRValue(c);
      row[4 * x + 3] = 0;
  }
}

// A monochrome bitmap holds black and white only: what is not white is black.
COLORREF Mono(COLORREF c) { return c == RGB(255, 255, 255) ? c : RGB(0, 0, 0); }

int MaskShift(DWORD mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

BYTE MaskChannel(DWORD v, DWORD mask) {
  if (!mask) return 0;
  const int shift = MaskShift(mask);
  const DWORD m = mask >> shift;
  const DWORD x = (v >> shift) & m;
  return BYTE(m == 0 ? 0 : (x * 255 + m / 2) / m);
}

std::vector<COLORREF> PaletteColours(HPALETTE hpal) {
  std::vector<COLORREF> out;
  if (!hpal) return out;
  const UINT n = GetPaletteEntries(hpal, 0, 0, nullptr);
  std::vector<PALETTEENTRY> e(n);
  if (n) GetPaletteEntries(hpal, 0, n, e.data());
  for (const PALETTEENTRY& p : e) out.push_back(RGB(p.peRed, p.peGreen, p.peBlue));
  return out;
}

HPALETTE DcPalette(HDC hdc) {
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  auto it = s.palettes.find(Key(hdc));
  return it == s.palettes.end() ? nullptr : it->second;
}

bool IsDc(HDC hdc) { return pkgdi::GetDcState(hdc, nullptr, nullptr); }

}  // namespace

int DisplayDepth() {
  std::lock_guard<std::mutex> g(state().lock);
  return state().depth;
}

int ScreenResolution() {
  std::lock_guard<std::mutex> g(state().lock);
  return state().dpi;
}

bool ReadBitmapPixels(HBITMAP hbm, Pixels* out) {
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  auto it = s.bitmaps.find(Key(hbm));
  if (it == s.bitmaps.end() || !out) return false;
  *out = it->second.pixels;
  return true;
}

bool WriteBitmapPixels(HBITMAP hbm, const Pixels& in) {
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  auto it = s.bitmaps.find(Key(hbm));
  if (it == s.bitmaps.end() || Key(hbm) == s.stockBitmap) return false;
  Pixels& p = it->second.pixels;
  if (in.width != p.width || in.height != p.height || in.colour.size() != p.colour.size()) return false;
  if (p.bitsPerPixel == 1) {
    for (size_t i = 0; i < p.colour.size(); ++i) p.colour[i] = Mono(in.colour[i]);
  } else {
    p.colour = in.colour;
  }
  return true;
}

HBITMAP SelectedBitmap(HDC hdc) {
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  auto it = s.dcs.find(Key(hdc));
  return it == s.dcs.end() ? nullptr : reinterpret_cast<HBITMAP>(it->second.bitmap);
}

HBITMAP NewBitmap(const Pixels& pixels) {
  if (!GoodSize(pixels.width, pixels.height) || pixels.colour.size() != size_t(pixels.width) * pixels.height)
    return nullptr;
  try {
    Pixels p = pixels;
    if (p.bitsPerPixel == 1)
      for (COLORREF& c : p.colour) c = Mono(c);
    return AddBitmap(std::move(p));
  } catch (...) {
    return nullptr;
  }
}

HGDIOBJ SelectBitmap(HDC hdc, HGDIOBJ h) {
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  auto dc = s.dcs.find(Key(hdc));
  auto bm = s.bitmaps.find(Key(h));
  // Only memory DCs take bitmaps; a window's DC keeps drawing on its window.
  if (dc == s.dcs.end() || dc->second.window || bm == s.bitmaps.end() || bm->second.internal) return nullptr;
  // A bitmap is selected into one DC at a time.
  if (bm->second.selectedIn && bm->second.selectedIn != hdc && Key(h) != s.stockBitmap) return nullptr;
  const uintptr_t old = dc->second.bitmap;
  auto prev = s.bitmaps.find(old);
  if (prev != s.bitmaps.end()) prev->second.selectedIn = nullptr;
  bm->second.selectedIn = hdc;
  dc->second.bitmap = Key(h);
  return reinterpret_cast<HGDIOBJ>(old);
}

bool DeleteBitmap(HGDIOBJ h, bool* known) {
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  auto it = s.bitmaps.find(Key(h));
  *known = it != s.bitmaps.end() && !it->second.internal;
  if (!*known) return false;
  if (Key(h) == s.stockBitmap) return true;
  if (it->second.selectedIn) return false;
  s.bitmaps.erase(it);
  return true;
}

HBITMAP NewInternalBitmap(const Pixels& pixels) {
  HBITMAP h = NewBitmap(pixels);
  if (!h) return nullptr;
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  s.bitmaps[Key(h)].internal = true;
  ++s.internalBitmaps;
  return h;
}

void DeleteInternalBitmap(HBITMAP h) {
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  auto it = s.bitmaps.find(Key(h));
  if (it == s.bitmaps.end() || !it->second.internal) return;
  s.bitmaps.erase(it);
  --s.internalBitmaps;
}

void SetWindowSurfaces(const WindowSurfaces& surfaces) {
  std::lock_guard<std::mutex> g(state().lock);
  state().windows = surfaces;
}

HDC OpenWindowDc(HWND hwnd) {
  WindowSurfaces w;
  {
    std::lock_guard<std::mutex> g(state().lock);
    w = state().windows;
  }
  if (!hwnd || !w.backing || !w.backing(hwnd)) return nullptr;
  try {
    auto backEnd = std::make_unique<MemoryBackEnd>();
    HDC dc = pkgdi::CreatePrinterDc(backEnd.get());
    if (!dc) return nullptr;
    backEnd->dc = dc;
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    MemoryDc& m = s.dcs[Key(dc)];
    m.backEnd = std::move(backEnd);
    m.window = hwnd;
    return dc;
  } catch (...) {
    return nullptr;
  }
}

bool CloseWindowDc(HDC hdc) {
  std::unique_ptr<MemoryBackEnd> backEnd;
  {
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.dcs.find(Key(hdc));
    if (it == s.dcs.end() || !it->second.window) return false;
    backEnd = std::move(it->second.backEnd);
    s.dcs.erase(it);
    s.palettes.erase(Key(hdc));
  }
  pkgdi::DeletePrinterDc(hdc);
  return true;
}

HWND WindowOfDc(HDC hdc) {
  std::lock_guard<std::mutex> g(state().lock);
  auto it = state().dcs.find(Key(hdc));
  return it == state().dcs.end() ? nullptr : it->second.window;
}

bool IsScreenDc(HDC hdc) {
  std::lock_guard<std::mutex> g(state().lock);
  return state().dcs.count(Key(hdc)) != 0;
}

HBITMAP DrawTarget(HDC hdc) {
  HWND window = nullptr;
  WindowSurfaces w;
  {
    std::lock_guard<std::mutex> g(state().lock);
    auto it = state().dcs.find(Key(hdc));
    if (it == state().dcs.end()) return nullptr;
    if (!it->second.window) return reinterpret_cast<HBITMAP>(it->second.bitmap);
    window = it->second.window;
    w = state().windows;
  }
  return w.backing ? w.backing(window) : nullptr;
}

bool ReadSource(HDC hdc, Pixels* out) {
  HWND window = nullptr;
  WindowSurfaces w;
  {
    std::lock_guard<std::mutex> g(state().lock);
    auto it = state().dcs.find(Key(hdc));
    if (it == state().dcs.end()) return false;
    window = it->second.window;
    w = state().windows;
    if (!window) {
      auto bm = state().bitmaps.find(it->second.bitmap);
      if (bm == state().bitmaps.end()) return false;
      *out = bm->second.pixels;
      return true;
    }
  }
  return w.screen && w.screen(window, out);
}

bool ParseDib(const void* info, size_t available, UINT usage, HPALETTE palette, DibLayout* out) {
  if (!info || !out || available < sizeof(BITMAPCOREHEADER)) return false;
  const BYTE* p = static_cast<const BYTE*>(info);
  DWORD size = 0;
  std::memcpy(&size, p, 4);
  DibLayout d;
  size_t entryBytes = 4;
  DWORD used = 0;
  if (size == sizeof(BITMAPCOREHEADER)) {
    BITMAPCOREHEADER c;
    std::memcpy(&c, p, sizeof c);
    if (c.bcPlanes != 1) return false;
    d.width = c.bcWidth;
    d.height = c.bcHeight;
    d.bitsPerPixel = c.bcBitCount;
    entryBytes = 3;
  } else {
    if (size < sizeof(BITMAPINFOHEADER) || size > available) return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, p, sizeof h);
    if (h.biPlanes != 1 || h.biHeight == std::numeric_limits<LONG>::min()) return false;
    d.width = h.biWidth;
    d.topDown = h.biHeight < 0;
    d.height = d.topDown ? -h.biHeight : h.biHeight;
    d.bitsPerPixel = h.biBitCount;
    d.compression = h.biCompression;
    used = h.biClrUsed;
  }
  if (!GoodSize(d.width, d.height)) return false;
  const int bpp = d.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (d.compression != BI_RGB && !(d.compression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return false;
  size_t at = size;
  if (d.compression == BI_BITFIELDS) {
    // The three masks follow a 40-byte header; later headers hold them.
    if (size == sizeof(BITMAPINFOHEADER)) {
      if (available - at < 12) return false;
      std::memcpy(d.masks, p + at, 12);
      at += 12;
    } else {
      if (size < sizeof(BITMAPINFOHEADER) + 12) return false;
      std::memcpy(d.masks, p + sizeof(BITMAPINFOHEADER), 12);
    }
    if (!d.masks[0] && !d.masks[1] && !d.masks[2]) return false;
  } else if (bpp == 16) {
    d.masks[0] = 0x7C00;
    d.masks[1] = 0x03E0;
    d.masks[2] = 0x001F;
  }
  size_t colours = 0;
  if (bpp <= 8) {
    colours = used ? used : (size_t(1) << bpp);
    if (colours > 256) return false;
  } else {
    colours = std::min<size_t>(used, 256);  // an optional palette hint, skipped
  }
  const size_t tableEntry = usage == DIB_PAL_COLORS ? 2 : entryBytes;
  if (colours > (available - at) / tableEntry) return false;
  if (bpp <= 8) {
    const std::vector<COLORREF> pal = usage == DIB_PAL_COLORS ? PaletteColours(palette) : std::vector<COLORREF>();
    for (size_t i = 0; i < colours; ++i) {
      const BYTE* e = p + at + i * tableEntry;
      if (usage == DIB_PAL_COLORS) {
        const WORD index = WORD(e[0] | (e[1] << 8));
        d.colours.push_back(index < pal.size() ? pal[index] : RGB(0, 0, 0));
      } else {
        d.colours.push_back(RGB(e[2], e[1], e[0]));
      }
    }
  }
  at += colours * tableEntry;
  d.headerBytes = at;
  d.stride = ((size_t(d.width) * bpp + 31) / 32) * 4;
  *out = std::move(d);
  return true;
}

COLORREF DibPixel(const DibLayout& d, const BYTE* row, int x) {
  auto indexed = [&](size_t i) { return i < d.colours.size() ? d.colours[i] : RGB(0, 0, 0); };
  switch (d.bitsPerPixel) {
    case 1: return indexed((row[x / 8] >> (7 - x % 8)) & 1);
    case 4: return indexed((row[x / 2] >> (x % 2 ? 0 : 4)) & 15);
    case 8: return indexed(row[x]);
    case 16: {
      const DWORD v = row[2 * x] | (row[2 * x + 1] << 8);
      return RGB(MaskChannel(v, d.masks[0]), MaskChannel(v, d.masks[1]), MaskChannel(v, d.masks[2]));
    }
    case 24: return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default: {
      DWORD v;
      std::memcpy(&v, row + 4 * x, 4);
      if (d.compression == BI_BITFIELDS)
        return RGB(MaskChannel(v, d.masks[0]), MaskChannel(v, d.masks[1]), MaskChannel(v, d.masks[2]));
      return RGB(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    }
  }
}

}  // namespace pk::gdi

namespace pk::seams {

void SetDisplayDepth(int bitsPerPixel) {
  if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) return;
  std::lock_guard<std::mutex> g(pk::gdi::state().lock);
  pk::gdi::state().depth = bitsPerPixel;
}

void SetScreenResolution(int dpi) {
  if (dpi <= 0 || dpi > 4800) return;
  std::lock_guard<std::mutex> g(pk::gdi::state().lock);
  pk::gdi::state().dpi = dpi;
}

SIZE_T LiveBitmaps() {
  std::lock_guard<std::mutex> g(pk::gdi::state().lock);
  return pk::gdi::state().bitmaps.size() - pk::gdi::state().internalBitmaps - (pk::gdi::state().stockBitmap ? 1 : 0);
}

SIZE_T LiveMemoryDcs() {
  std::lock_guard<std::mutex> g(pk::gdi::state().lock);
  size_t n = 0;
  for (const auto& [k, dc] : pk::gdi::state().dcs) n += dc.window ? 0 : 1;
  return n;
}

SIZE_T LiveWindowDcs() {
  std::lock_guard<std::mutex> g(pk::gdi::state().lock);
  size_t n = 0;
  for (const auto& [k, dc] : pk::gdi::state().dcs) n += dc.window ? 1 : 0;
  return n;
}

}  // namespace pk::seams

using namespace pk::gdi;

extern "C" {

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !IsDc(hdc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  try {
    auto backEnd = std::make_unique<MemoryBackEnd>();
    HDC dc = pkgdi::CreatePrinterDc(backEnd.get());
    if (!dc) return nullptr;
    backEnd->dc = dc;
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    if (!s.stockBitmap) {
      s.stockBitmap = NewObjectHandle();
      s.bitmaps[s.stockBitmap].pixels = Blank(1, 1, 1);
    }
    MemoryDc& m = s.dcs[Key(dc)];
    m.backEnd = std::move(backEnd);
    m.bitmap = s.stockBitmap;
    return dc;
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

BOOL DeleteDC(HDC hdc) {
  std::unique_ptr<MemoryBackEnd> backEnd;
  {
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.dcs.find(Key(hdc));
    if (it == s.dcs.end() || it->second.window) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    auto bm = s.bitmaps.find(it->second.bitmap);
    if (bm != s.bitmaps.end() && bm->second.selectedIn == hdc) bm->second.selectedIn = nullptr;
    backEnd = std::move(it->second.backEnd);
    s.dcs.erase(it);
    s.palettes.erase(Key(hdc));
  }
  pkgdi::DeletePrinterDc(hdc);
  return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
  if (!GoodSize(cx, cy)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!IsDc(hdc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  int bpp = DisplayDepth();
  Pixels selected;
  if (HBITMAP in = SelectedBitmap(hdc); in && ReadBitmapPixels(in, &selected) && selected.bitsPerPixel == 1) bpp = 1;
  try {
    return AddBitmap(Blank(cx, cy, bpp));
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits) {
  const int bpp = static_cast<int>(nBitCount);
  if (!GoodSize(nWidth, nHeight) || nPlanes != 1 ||
      (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  try {
    Pixels p = Blank(nWidth, nHeight, bpp);
    if (lpBits) {
      COLORREF sys[256];
      {
        std::lock_guard<std::mutex> g(state().lock);
        std::copy(state().system, state().system + 256, sys);
      }
      const size_t stride = DeviceStride(nWidth, bpp);
      const BYTE* bits = static_cast<const BYTE*>(lpBits);
      for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) p.colour[size_t(y) * nWidth + x] = DevicePixel(sys, bits + y * stride, x, bpp);
    }
    return AddBitmap(std::move(p));
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit, const void* pjBits, const BITMAPINFO* pbmi,
                       UINT iUsage) {
  if (!pbmih) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  LONG width = 0, height = 0;
  if (pbmih->biSize == sizeof(BITMAPCOREHEADER)) {
    BITMAPCOREHEADER c;
    std::memcpy(&c, pbmih, sizeof c);
    width = c.bcWidth;
    height = c.bcHeight;
  } else {
    width = pbmih->biWidth;
    height = pbmih->biHeight == std::numeric_limits<LONG>::min() ? 0 : std::abs(pbmih->biHeight);
  }
  HBITMAP hbm = CreateCompatibleBitmap(hdc, width, height);
  if (!hbm) return nullptr;
  if ((flInit & CBM_INIT) && pjBits) {
    if (!pbmi || SetDIBits(hdc, hbm, 0, UINT(height), pjBits, pbmi, iUsage) == 0) {
      DeleteObject(hbm);
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  }
  return hbm;
}

int SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const void* lpBits, const BITMAPINFO* lpbmi,
              UINT ColorUse) {
  if (!lpBits || !lpbmi || (ColorUse != DIB_RGB_COLORS && ColorUse != DIB_PAL_COLORS)) return 0;
  DibLayout dib;
  if (!ParseDib(lpbmi, std::numeric_limits<size_t>::max() / 2, ColorUse, DcPalette(hdc), &dib)) return 0;
  Pixels p;
  if (!ReadBitmapPixels(hbm, &p) || dib.width != p.width) return 0;
  if (start >= UINT(dib.height)) return 0;
  const UINT lines = std::min<UINT>(cLines, UINT(dib.height) - start);
  const BYTE* bits = static_cast<const BYTE*>(lpBits);
  UINT done = 0;
  for (UINT k = 0; k < lines; ++k) {
    // Line `start + k` counted from the DIB's bottom (its top when top-down).
    const int fromBottom = int(start + k);
    const int y = dib.topDown ? fromBottom : dib.height - 1 - fromBottom;
    if (y < 0 || y >= p.height) continue;
    const BYTE* row = bits + size_t(k) * dib.stride;
    for (int x = 0; x < p.width; ++x) p.colour[size_t(y) * p.width + x] = DibPixel(dib, row, x);
    ++done;
  }
  if (!WriteBitmapPixels(hbm, p)) return 0;
  return static_cast<int>(done);
}

int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, BITMAPINFO* lpbmi, UINT usage) {
  if (!lpbmi || !IsDc(hdc) || usage != DIB_RGB_COLORS) return 0;
  Pixels p;
  if (!ReadBitmapPixels(hbm, &p)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  BITMAPINFOHEADER& h = lpbmi->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
  if (!lpvBits && h.biBitCount == 0) {
    h.biWidth = p.width;
    h.biHeight = p.height;
    h.biPlanes = 1;
    h.biBitCount = WORD(p.bitsPerPixel);
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(((size_t(p.width) * p.bitsPerPixel + 31) / 32) * 4 * p.height);
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return 1;
  }
  const int bpp = h.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return 0;
  if (h.biWidth != p.width || h.biHeight == 0 || h.biHeight == std::numeric_limits<LONG>::min() ||
      std::abs(h.biHeight) != p.height)
    return 0;
  const bool topDown = h.biHeight < 0;
  h.biPlanes = 1;
  h.biCompression = BI_RGB;
  const size_t stride = ((size_t(p.width) * bpp + 31) / 32) * 4;
  h.biSizeImage = DWORD(stride * p.height);
  // The colour table: the bitmap's own colours when they fit, else a spread.
  std::vector<COLORREF> table;
  std::unordered_map<COLORREF, int> index;
  if (bpp <= 8) {
    const size_t room = size_t(1) << bpp;
    for (COLORREF c : p.colour) {
      if (index.count(c)) continue;
      if (table.size() == room) {
        table.clear();
        index.clear();
        break;
      }
      index[c] = int(table.size());
      table.push_back(c);
    }
    if (table.empty() && !p.colour.empty()) {
      if (bpp == 1) {
        table = {RGB(0, 0, 0), RGB(255, 255, 255)};
      } else if (bpp == 4) {
        table.assign(kVga, kVga + 16);
      } else {
        COLORREF sys[256];
        DefaultSystemPalette(sys);
        table.assign(sys, sys + 256);
      }
    }
    while (table.size() < room) table.push_back(RGB(0, 0, 0));
    h.biClrUsed = 0;
    h.biClrImportant = 0;
  }
  auto indexOf = [&](COLORREF c) -> int {
    auto it = index.find(c);
    if (it != index.end()) return it->second;
    // Black and white entries take exact colours only.
    int best = 0;
    long bestDist = std::numeric_limits<long>::max();
    for (size_t i = 0; i < table.size(); ++i) {
      if ((table[i] == RGB(0, 0, 0) || table[i] == RGB(255, 255, 255)) && table[i] != c) continue;
      const long dr = long(GetRValue(table[i])) - GetRValue(c), dg = long(GetGValue(table[i])) - GetGValue(c),
                 db = long(GetBValue(table[i])) - GetBValue(c);
      const long d = dr * dr + dg * dg + db * db;
      if (d < bestDist) {
        bestDist = d;
        best = int(i);
      }
    }
    index[c] = best;
    return best;
  };
  for (size_t i = 0; i < table.size(); ++i)
    lpbmi->bmiColors[i] = RGBQUAD{GetBValue(table[i]), GetGValue(table[i]), GetRValue(table[i]), 0};
  if (!lpvBits) return 1;
  if (start >= UINT(p.height)) return 0;
  const UINT lines = std::min<UINT>(cLines, UINT(p.height) - start);
  BYTE* out = static_cast<BYTE*>(lpvBits);
  for (UINT k = 0; k < lines; ++k) {
    const int fromBottom = int(start + k);
    const int y = topDown ? fromBottom : p.height - 1 - fromBottom;
    BYTE* row = out + size_t(k) * stride;
    std::memset(row, 0, stride);
    for (int x = 0; x < p.width; ++x) {
      const COLORREF c = p.colour[size_t(y) * p.width + x];
      switch (bpp) {
        case 1: row[x / 8] |= BYTE(indexOf(c) << (7 - x % 8)); break;
        case 4: row[x / 2] |= BYTE(indexOf(c) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = BYTE(indexOf(c)); break;
        case 24:
          row[3 * x] = GetBValue(c);
          row[3 * x + 1] = GetGValue(c);
          row[3 * x + 2] = GetRValue(c);
          break;
        default:
          row[4 * x] = GetBValue(c);
          row[4 * x + 1] = GetGValue(c);
          row[4 * x + 2] = GetRValue(c);
      }
    }
  }
  return static_cast<int>(lines);
}

LONG GetBitmapBits(HBITMAP hbit, LONG cb, LPVOID lpvBits) {
  Pixels p;
  if (!ReadBitmapPixels(hbit, &p) || cb < 0) return 0;
  const size_t stride = DeviceStride(p.width, p.bitsPerPixel);
  const size_t total = stride * p.height;
  if (!lpvBits) return LONG(std::min<size_t>(total, size_t(std::numeric_limits<LONG>::max())));
  COLORREF sys[256];
  {
    std::lock_guard<std::mutex> g(state().lock);
    std::copy(state().system, state().system + 256, sys);
  }
  std::vector<BYTE> all(total, 0);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      PutDevicePixel(sys, all.data() + y * stride, x, p.bitsPerPixel, p.colour[size_t(y) * p.width + x]);
  const size_t n = std::min<size_t>(total, size_t(cb));
  std::memcpy(lpvBits, all.data(), n);
  return LONG(n);
}

LONG SetBitmapBits(HBITMAP hbm, DWORD cb, const void* pvBits) {
  Pixels p;
  if (!ReadBitmapPixels(hbm, &p) || !pvBits) return 0;
  const size_t stride = DeviceStride(p.width, p.bitsPerPixel);
  const size_t rows = std::min<size_t>(size_t(p.height), cb / stride);
  COLORREF sys[256];
  {
    std::lock_guard<std::mutex> g(state().lock);
    std::copy(state().system, state().system + 256, sys);
  }
  const BYTE* bits = static_cast<const BYTE*>(pvBits);
  for (size_t y = 0; y < rows; ++y)
    for (int x = 0; x < p.width; ++x)
      p.colour[y * p.width + x] = DevicePixel(sys, bits + y * stride, x, p.bitsPerPixel);
  if (!WriteBitmapPixels(hbm, p)) return 0;
  return LONG(rows * stride);
}

int GetObjectW(HANDLE h, int c, LPVOID pv) {
  Pixels p;
  if (ReadBitmapPixels(static_cast<HBITMAP>(h), &p)) {
    BITMAP bm{};
    bm.bmType = 0;
    bm.bmWidth = p.width;
    bm.bmHeight = p.height;
    bm.bmWidthBytes = LONG(DeviceStride(p.width, p.bitsPerPixel));
    bm.bmPlanes = 1;
    bm.bmBitsPixel = WORD(p.bitsPerPixel);
    if (!pv) return sizeof(BITMAP);
    if (c < int(sizeof(BITMAP))) return 0;
    std::memcpy(pv, &bm, sizeof bm);
    return sizeof(BITMAP);
  }
  const UINT entries = GetPaletteEntries(static_cast<HPALETTE>(h), 0, 0, nullptr);
  if (entries) {
    if (!pv) return sizeof(WORD);
    if (c < int(sizeof(WORD))) return 0;
    const WORD n = WORD(entries);
    std::memcpy(pv, &n, sizeof n);
    return sizeof(WORD);
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL) {
  // The default palette is none of ours: the DC then uses the system colours.
  static const HPALETTE kDefault = reinterpret_cast<HPALETTE>(NewObjectHandle());
  if (!IsDc(hdc) || !hPal || (hPal != kDefault && GetPaletteEntries(hPal, 0, 0, nullptr) == 0)) return nullptr;
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  HPALETTE& slot = s.palettes[Key(hdc)];
  HPALETTE old = slot ? slot : kDefault;
  slot = hPal == kDefault ? nullptr : hPal;
  return old;
}

UINT RealizePalette(HDC hdc) {
  if (!IsDc(hdc)) return 0xFFFFFFFFu;  // GDI_ERROR
  const std::vector<COLORREF> colours = PaletteColours(DcPalette(hdc));
  State& s = state();
  std::lock_guard<std::mutex> g(s.lock);
  // The realised colours take the free entries between the fixed ones.
  for (size_t i = 0; i < colours.size() && i < 236; ++i) s.system[10 + i] = colours[i];
  return UINT(std::min<size_t>(colours.size(), 236));
}

}  // extern "C"
