// The picture controls: the row handler that subclasses the statics, the
// subclass procedure that paints a fresh picture list at every WM_PAINT, the
// offscreen composition with magenta cut out of every sprite, and the picture
// sources (row bitmaps, model pictures with their conditions, the device
// picture and the colour sample).
#include "printer_interface/pages/preview_controls.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/printer_dc.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "platform/ui/win_controls.h"
#include "printer_interface/pages/layout_preview.h"
#include "settings/access/setting_access.h"
#include "settings/model/color_adjust.h"
#include "settings/model/model_queries.h"
#include "settings/model/stamp_colors.h"
#include "settings/services/os_version.h"

namespace {

AboutTextsPainter gAboutPainter = nullptr;

constexpr WORD kRecordPicture = 9;
constexpr DWORD kListStart = 10;
constexpr DWORD kListGrowth = 5;
constexpr DWORD kMaxPaletteColours = 256;

bool IsSubclassedControl(INT id) {
  switch (id) {
    case kRowPictureControl:
    case kLayoutControl:
    case kModelPictureControl:
    case kSubDialogLayoutControl:
    case kDevicePictureControl:
    case kColourSampleControl:
    case kPlainStaticControl:
    case kModeLayoutControl:
    case kRowPictureControl1:
    case kRowPictureControl2:
    case kRowPictureControl3: return true;
    default: return false;
  }
}

bool IsRowPicture(INT id) {
  return id == kRowPictureControl || id == kRowPictureControl1 || id == kRowPictureControl2 ||
         id == kRowPictureControl3;
}
bool IsLayoutPicture(INT id) {
  return id == kLayoutControl || id == kSubDialogLayoutControl || id == kModeLayoutControl;
}
// Controls whose background is what lay under them.
bool HasSnapshot(INT id) { return IsRowPicture(id) || id == kModelPictureControl; }
bool IsStateIcon(INT id) { return id == kStateIconControlA || id == kStateIconControlB; }

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || GetObjectW(bitmap, sizeof info, &info) == 0) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

// A new empty list with room for `room` entries (the terminator included).
PictureEntry* NewPictureList(DWORD room) {
  return static_cast<PictureEntry*>(GlobalAlloc(GPTR, sizeof(PictureEntry) * room));
}

// A list of the one bitmap at 0, 0; the bitmap is deleted when the list
// cannot be made.
int SingleBitmapList(HBITMAP bitmap, PictureEntry** list) {
  PictureEntry* out = NewPictureList(2);
  if (!out) {
    DeleteObject(bitmap);
    return kPictureNoMemory;
  }
  out[0] = PictureEntry{bitmap, 0, 0};
  *list = out;
  return kPictureOk;
}

// Appends, growing the list by 5 whenever fewer than two free entries remain
// so the terminator always fits: 1, 0 when memory runs out.
int AppendPictureEntry(PictureEntry** list, DWORD* used, DWORD* room, HBITMAP bitmap, INT x, INT y) {
  if (*room - *used < 2) {
    auto* grown = NewPictureList(*room + kListGrowth);
    if (!grown) return 0;
    std::memcpy(grown, *list, sizeof(PictureEntry) * *used);
    GlobalFree(*list);
    *list = grown;
    *room += kListGrowth;
  }
  (*list)[*used] = PictureEntry{bitmap, x, y};
  ++*used;
  (*list)[*used] = PictureEntry{nullptr, 0, 0};
  return 1;
}

// The header, colour table and bits of a packed DIB lie within its bytes.
bool CheckPackedDib(const BITMAPINFOHEADER* header, DWORD bytes, pk::gdi::DibLayout* layout) {
  if (!header || bytes < sizeof(BITMAPINFOHEADER)) return false;
  if (!pk::gdi::ParseDib(header, bytes, DIB_RGB_COLORS, nullptr, layout)) return false;
  return layout->headerBytes <= bytes && layout->ImageBytes() <= bytes - layout->headerBytes;
}

// The colours of a header's table: biClrUsed, or 2^bits up to 8 bits.
DWORD TableColours(const BITMAPINFOHEADER* header) {
  if (header->biClrUsed) return header->biClrUsed;
  return header->biBitCount <= 8 ? (1u << header->biBitCount) : 0;
}

bool UsesPalette(const BITMAPINFOHEADER* header) { return header->biBitCount == 8 || header->biClrUsed == 256; }

SheetContext* PageSheet(HWND page) { return GetWindowSheet(page); }

// A setting of the working pair as a number (zero-extended): 0, or 3.
int ReadNumber(const void* devMode, const void* settings, WORD id, uint64_t* value) {
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t v = 0;
  if (GetSettingValue(id, devMode, settings, &type, &size, &v) != 0) return kPictureSettingUnreadable;
  *value = v;
  return kPictureOk;
}

}  // namespace

void SetAboutTextsPainter(AboutTextsPainter painter) { gAboutPainter = painter; }

void FreePictureList(PictureEntry* list) {
  if (!list) return;
  for (PictureEntry* e = list; e->bitmap; ++e) DeleteObject(e->bitmap);
  GlobalFree(list);
}

// ---- The row handler --------------------------------------------------------------------------------

LRESULT PreviewControlHandler(HandlerContext* context, UINT message, WPARAM, LPARAM, const ControlRow* row,
                              const void*) {
  if (!context || !row || !context->sheet) return 0;
  HWND page = context->window;
  const INT id = row->controlId;
  HWND control = GetDlgItem(page, id);
  SheetState* state = context->sheet->state;
  HMODULE module = GetPagesResourceModule();
  switch (message) {
    case WM_INITDIALOG:
      if (!IsSubclassedControl(id) || !control || !state) break;
      // The class's own procedure is saved from the first control only, so
      // a control subclassed again never becomes its own saved procedure.
      if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC)) == &PreviewControlWndProc) break;
      if (!state->staticProcedure)
        state->staticProcedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PreviewControlWndProc));
      break;
    case kMsgRefresh:
      if (id == kLayoutControl || id == kModelPictureControl || id == kSubDialogLayoutControl ||
          id == kColourSampleControl || id == kPlainStaticControl || id == kModeLayoutControl) {
        if (control) InvalidateRect(control, nullptr, FALSE);
      } else if (IsStateIcon(id)) {
        SetStateIcon(module, page, context->devMode, id);
      }
      break;
    case PSN_SETACTIVE:
      if (id == kColourSampleControl && state && !state->colourSample) LoadColourSampleData(module, state);
      if (IsStateIcon(id)) SetStateIcon(module, page, context->devMode, id);
      if ((id == kLayoutControl || id == kModelPictureControl) && control) InvalidateRect(control, nullptr, FALSE);
      break;
    case PSN_KILLACTIVE:
    case PSN_APPLY:
    case PSN_RESET:
      if (id == kColourSampleControl && state) FreeColourSampleData(state);
      break;
    default: break;
  }
  return 0;
}

LRESULT PreviewControlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND page = GetParent(window);
  HMODULE module = GetPagesResourceModule();
  const INT id = GetDlgCtrlID(window);
  SheetState* state = page ? GetWindowSheetState(page) : nullptr;
  if (!page || !module || !id || !state) return 0;
  WNDPROC saved = state->staticProcedure;
  if (message == WM_ERASEBKGND) {
    if (HasSnapshot(id)) {
      RemoveControlResource(state, id);
      CaptureControlBackground(window);
    }
    return 1;
  }
  // The plain static paints itself: no paint of ours validates it first.
  if (message != WM_PAINT || id == kPlainStaticControl)
    return saved ? CallWindowProcW(saved, window, message, wParam, lParam) : 0;

  PAINTSTRUCT ps{};
  BeginPaint(window, &ps);
  SheetContext* sheet = PageSheet(page);
  void* devMode = sheet ? sheet->working.devMode : nullptr;
  void* settings = sheet ? sheet->working.settings : nullptr;
  PictureEntry* list = nullptr;
  HPALETTE palette = nullptr;
  int built = -1;
  BOOL transparent = TRUE;
  INT background = kBackgroundFace;
  if (IsRowPicture(id)) {
    built = LoadRowPicture(module, page, id, &list);
    background = kBackgroundSnapshot;
  } else if (IsLayoutPicture(id)) {
    built = BuildLayoutPicture(module, page, devMode, &list);
    background = kBackgroundPattern;
  } else if (id == kModelPictureControl) {
    built = BuildModelPictureList(window, page, id, devMode, settings, &list);
    background = kBackgroundSnapshot;
  } else if (id == kDevicePictureControl) {
    built = LoadDevicePictureList(module, page, window, state, &list);
  } else if (id == kColourSampleControl) {
    built = LoadColourSamplePicture(module, window, page, devMode, &list, &palette);
    transparent = FALSE;
    background = 0;
  }
  if (built == kPictureOk && list) {
    PaintPictureControl(module, window, list, palette, transparent, background);
    if (id == kDevicePictureControl && gAboutPainter) {
      HDC dc = GetDC(window);
      if (dc) {
        gAboutPainter(dc, page, state);
        ReleaseDC(window, dc);
      }
    }
  }
  FreePictureList(list);
  if (palette) DeleteObject(palette);
  EndPaint(window, &ps);
  return saved ? CallWindowProcW(saved, window, WM_PAINT, wParam, lParam) : 0;
}

// ---- Painting ---------------------------------------------------------------------------------------

int PaintPictureControl(HMODULE module, HWND window, const PictureEntry* list, HPALETTE palette, BOOL transparent,
                        INT backgroundMode) {
  if (!window || !list) return kPictureBadArguments;
  HDC dc = GetDC(window);
  if (!dc) return kPictureGdiFailed;
  RECT client{};
  GetClientRect(window, &client);
  const int r = DrawPictureList(module, window, dc, &client, list, palette, transparent, transparent, backgroundMode);
  ReleaseDC(window, dc);
  return r == kPictureOk ? kPictureOk : kPictureGdiFailed;
}

int DrawPictureList(HMODULE module, HWND window, HDC dc, const RECT* rect, const PictureEntry* list, HPALETTE palette,
                    BOOL offscreen, BOOL fill, INT backgroundMode) {
  if (!dc || !rect || !list) return kPictureBadArguments;
  const int width = rect->right - rect->left, height = rect->bottom - rect->top;
  if (width <= 0 || height <= 0) return kPictureOk;
  HPALETTE oldPalette = nullptr;
  if (palette) {
    oldPalette = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
  }
  HDC target = dc;
  HDC memory = nullptr;
  HBITMAP image = nullptr;
  HGDIOBJ oldImage = nullptr;
  int result = kPictureOk;
  RECT area = *rect;
  if (offscreen) {
    memory = CreateCompatibleDC(dc);
    image = memory ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    if (!image) result = kPictureGdiFailed;
    else {
      oldImage = SelectObject(memory, image);
      if (palette) {
        SelectPalette(memory, palette, FALSE);
        RealizePalette(memory);
      }
      target = memory;
      area = RECT{0, 0, width, height};
    }
  }
  if (result == kPictureOk && fill && FillPictureBackground(module, window, target, &area, backgroundMode, palette))
    result = kPictureGdiFailed;
  for (const PictureEntry* e = list; result == kPictureOk && e->bitmap; ++e) {
    PictureEntry at = *e;
    if (!offscreen) {
      at.x += rect->left;
      at.y += rect->top;
    }
    if (DrawPictureEntry(module, target, &at, palette, offscreen)) result = kPictureGdiFailed;
  }
  if (offscreen && result == kPictureOk && !BitBlt(dc, rect->left, rect->top, width, height, memory, 0, 0, SRCCOPY))
    result = kPictureGdiFailed;
  if (memory) {
    if (oldImage) SelectObject(memory, oldImage);
    DeleteDC(memory);
  }
  if (image) DeleteObject(image);
  if (palette) SelectPalette(dc, oldPalette, FALSE);
  return result;
}

int FillPictureBackground(HMODULE module, HWND window, HDC dc, const RECT* rect, INT mode, HPALETTE palette) {
  if (!dc || !rect) return kPictureBadArguments;
  if (mode == kBackgroundPattern) {
    HPALETTE own = palette;
    HBITMAP pattern = LoadPaletteBitmap(module, window, kPatternBitmap, &own);
    if (own != palette) DeleteObject(own);
    if (!pattern) return kPictureMissing;
    HBRUSH brush = CreatePatternBrush(pattern);
    DeleteObject(pattern);
    if (!brush) return kPictureGdiFailed;
    FillRect(dc, rect, brush);
    DeleteObject(brush);
    return kPictureOk;
  }
  if (mode == kBackgroundSnapshot && window) {
    const ControlResource* snapshot = FindControlResource(GetWindowSheetState(GetParent(window)), GetDlgCtrlID(window));
    if (snapshot && snapshot->objects[0]) {
      HDC source = CreateCompatibleDC(dc);
      if (!source) return kPictureGdiFailed;
      HGDIOBJ old = SelectObject(source, snapshot->objects[0]);
      const SIZE size = BitmapSize(static_cast<HBITMAP>(snapshot->objects[0]));
      const BOOL ok = BitBlt(dc, rect->left, rect->top, std::min<LONG>(size.cx, rect->right - rect->left),
                             std::min<LONG>(size.cy, rect->bottom - rect->top), source, 0, 0, SRCCOPY);
      SelectObject(source, old);
      DeleteDC(source);
      return ok ? kPictureOk : kPictureGdiFailed;
    }
  }
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  if (!face) return kPictureGdiFailed;
  FillRect(dc, rect, face);
  DeleteObject(face);
  return kPictureOk;
}

int DrawPictureEntry(HMODULE, HDC dc, const PictureEntry* entry, HPALETTE palette, BOOL transparent) {
  if (!dc || !entry || !entry->bitmap) return kPictureBadArguments;
  const SIZE size = BitmapSize(entry->bitmap);
  if (size.cx <= 0 || size.cy <= 0) return kPictureGdiFailed;
  HDC picture = CreateCompatibleDC(dc);
  if (!picture) return kPictureGdiFailed;
  HGDIOBJ oldPicture = SelectObject(picture, entry->bitmap);
  if (palette) SelectPalette(picture, palette, FALSE);
  int result = kPictureOk;
  if (!transparent) {
    if (!BitBlt(dc, entry->x, entry->y, size.cx, size.cy, picture, 0, 0, SRCCOPY)) result = kPictureGdiFailed;
  } else {
    HDC maskDc = CreateCompatibleDC(dc);
    HBITMAP mask = maskDc ? CreateCompatibleBitmap(dc, size.cx, size.cy) : nullptr;
    if (!mask) {
      result = kPictureGdiFailed;
    } else {
      HGDIOBJ oldMask = SelectObject(maskDc, mask);
      // The picture is read by the mask before it is cut.
      SelectObject(picture, oldPicture);
      result = BuildTransparencyMask(maskDc, entry->bitmap, size);
      SelectObject(picture, entry->bitmap);
      if (result == kPictureOk) {
        const bool ok = BitBlt(dc, entry->x, entry->y, size.cx, size.cy, maskDc, 0, 0, SRCAND) &&
                        PatBlt(maskDc, 0, 0, size.cx, size.cy, DSTINVERT) &&
                        BitBlt(picture, 0, 0, size.cx, size.cy, maskDc, 0, 0, SRCAND) &&
                        BitBlt(dc, entry->x, entry->y, size.cx, size.cy, picture, 0, 0, SRCPAINT);
        if (!ok) result = kPictureGdiFailed;
      }
      SelectObject(maskDc, oldMask);
    }
    if (maskDc) DeleteDC(maskDc);
    if (mask) DeleteObject(mask);
  }
  SelectObject(picture, oldPicture);
  DeleteDC(picture);
  return result;
}

int BuildTransparencyMask(HDC dc, HBITMAP bitmap, SIZE size) {
  if (!dc || !bitmap || size.cx <= 0 || size.cy <= 0) return kPictureBadArguments;
  HDC work = CreateCompatibleDC(dc);
  HDC source = CreateCompatibleDC(dc);
  HBITMAP workBitmap = (work && source) ? CreateCompatibleBitmap(dc, size.cx, size.cy) : nullptr;
  HBRUSH magenta = CreateSolidBrush(kTransparentColour);
  int result = workBitmap && magenta ? kPictureOk : kPictureGdiFailed;
  HGDIOBJ oldWork = nullptr, oldSource = nullptr;
  if (result == kPictureOk) {
    oldWork = SelectObject(work, workBitmap);
    oldSource = SelectObject(source, bitmap);
    // Magenta inverted is green; XORed with the picture, magenta becomes white.
    const RECT all{0, 0, size.cx, size.cy};
    FillRect(work, &all, magenta);
    const bool ok = PatBlt(work, 0, 0, size.cx, size.cy, DSTINVERT) &&
                    BitBlt(work, 0, 0, size.cx, size.cy, source, 0, 0, SRCINVERT);
    SelectObject(source, oldSource);
    if (!ok) result = kPictureGdiFailed;
  }
  BITMAPINFOHEADER format{};
  format.biSize = sizeof format;
  if (result == kPictureOk) {
    SelectObject(work, oldWork);
    if (!GetDIBits(work, workBitmap, 0, static_cast<UINT>(size.cy), nullptr, reinterpret_cast<BITMAPINFO*>(&format),
                   DIB_RGB_COLORS))
      result = kPictureGdiFailed;
  }
  if (result == kPictureOk && (format.biBitCount == 16 || format.biBitCount == 32)) {
    // Read as 8 bits: every index that is not white becomes black.
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = size.cx;
    info.header.biHeight = size.cy;
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(size.cx) + 3) & ~size_t{3};
    auto* bits = static_cast<BYTE*>(GlobalAlloc(GPTR, stride * static_cast<size_t>(size.cy)));
    if (!bits || GetDIBits(work, workBitmap, 0, static_cast<UINT>(size.cy), bits, reinterpret_cast<BITMAPINFO*>(&info),
                           DIB_RGB_COLORS) == 0) {
      result = kPictureGdiFailed;
    } else {
      const DWORD colours = info.header.biClrUsed ? std::min<DWORD>(info.header.biClrUsed, 256) : 256;
      int white = -1, black = -1;
      for (DWORD k = 0; k < colours; ++k) {
        const RGBQUAD& q = info.colours[k];
        if (white < 0 && q.rgbRed == 255 && q.rgbGreen == 255 && q.rgbBlue == 255) white = static_cast<int>(k);
        if (black < 0 && q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0) black = static_cast<int>(k);
      }
      // A picture without pure green has no black in its table, one without
      // magenta no white: the table is made to hold both rather than the
      // picture being dropped.
      if (black < 0) {
        for (DWORD k = 0; k < colours && black < 0; ++k)
          if (static_cast<int>(k) != white) black = static_cast<int>(k);
        if (black >= 0) info.colours[black] = RGBQUAD{0, 0, 0, 0};
      }
      for (int y = 0; y < size.cy; ++y) {
        BYTE* row = bits + stride * static_cast<size_t>(y);
        for (int x = 0; x < size.cx; ++x)
          if (row[x] != white) row[x] = static_cast<BYTE>(black);
      }
      if (SetDIBits(work, workBitmap, 0, static_cast<UINT>(size.cy), bits, reinterpret_cast<BITMAPINFO*>(&info),
                    DIB_RGB_COLORS) == 0)
        result = kPictureGdiFailed;
      SelectObject(work, workBitmap);
      if (result == kPictureOk && !BitBlt(dc, 0, 0, size.cx, size.cy, work, 0, 0, SRCCOPY)) result = kPictureGdiFailed;
    }
    if (bits) GlobalFree(bits);
  } else if (result == kPictureOk) {
    // Through a monochrome bitmap: white stays white, all else becomes black.
    HDC monoDc = CreateCompatibleDC(dc);
    HBITMAP mono = monoDc ? CreateBitmap(size.cx, size.cy, 1, 1, nullptr) : nullptr;
    if (!mono) {
      result = kPictureGdiFailed;
    } else {
      HGDIOBJ oldMono = SelectObject(monoDc, mono);
      SelectObject(work, workBitmap);
      SetBkColor(work, RGB(255, 255, 255));
      const bool ok = BitBlt(monoDc, 0, 0, size.cx, size.cy, work, 0, 0, SRCCOPY) &&
                      BitBlt(dc, 0, 0, size.cx, size.cy, monoDc, 0, 0, SRCCOPY);
      if (!ok) result = kPictureGdiFailed;
      SelectObject(monoDc, oldMono);
    }
    if (monoDc) DeleteDC(monoDc);
    if (mono) DeleteObject(mono);
  }
  if (work) {
    if (oldWork) SelectObject(work, oldWork);
    DeleteDC(work);
  }
  if (source) DeleteDC(source);
  if (workBitmap) DeleteObject(workBitmap);
  if (magenta) DeleteObject(magenta);
  return result;
}

int CaptureControlBackground(HWND window) {
  SheetState* state = GetWindowSheetState(GetParent(window));
  const INT id = GetDlgCtrlID(window);
  if (!state || !id) return kPictureBadArguments;
  if (FindControlResource(state, id)) return kPictureOk;
  // Before version 5.1 the background falls back to the face colour.
  if (!IsWindowsXpOrLater()) return kPictureOk;
  RECT client{};
  GetClientRect(window, &client);
  if (client.right <= 0 || client.bottom <= 0) return kPictureOk;
  HDC dc = GetDC(window);
  if (!dc) return kPictureGdiFailed;
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP snapshot = memory ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
  int result = kPictureGdiFailed;
  if (snapshot) {
    HGDIOBJ old = SelectObject(memory, snapshot);
    const BOOL ok = BitBlt(memory, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    // The snapshot keeps its bitmap alone (not selected anywhere), so
    // removing it deletes it.
    if (ok && AddControlResource(state, id, snapshot, nullptr)) {
      snapshot = nullptr;
      result = kPictureOk;
    }
  }
  if (snapshot) DeleteObject(snapshot);
  if (memory) DeleteDC(memory);
  ReleaseDC(window, dc);
  return result;
}

// ---- Picture sources ----------------------------------------------------------------------------------

int LoadRowPicture(HMODULE module, HWND page, INT controlId, PictureEntry** list) {
  if (!list) return kPictureBadArguments;
  *list = nullptr;
  SheetState* state = GetWindowSheetState(page);
  if (!module || !state) return kPictureBadArguments;
  const ControlRow* rows = nullptr;
  INT count = 0;
  if (!GetPageControlRows(state, GetActivePageId(state), &rows, &count)) return kPictureBadArguments;
  const ControlRow* row = FindRowByControlId(rows, count, controlId);
  const auto* params = row ? static_cast<const RowPictureParams*>(row->params) : nullptr;
  if (!params || params->bitmapId == 0) return kPictureMissing;
  HBITMAP bitmap = LoadBitmapW(module, MAKEINTRESOURCEW(params->bitmapId));
  if (!bitmap) return kPictureMissing;
  return SingleBitmapList(bitmap, list);
}

namespace {

// One condition against the working pair: 1 matches, 0 not, -1 the setting
// cannot be read.
int TestPictureCondition(const ConditionItem& c, const void* devMode, const void* settings) {
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (GetSettingValue(c.settingId, devMode, settings, &type, &size, &value) != 0) return -1;
  // The expected value, read no further than its stored bytes.
  const BYTE* data = c.count ? c.data : nullptr;
  const size_t bytes = data ? c.itemSize : 0;
  bool equal = false;
  auto expected = [&](size_t width) {
    uint64_t v = 0;
    std::memcpy(&v, data, std::min(width, bytes));
    return v;
  };
  switch (type) {
    case 1:
    case 4:
    case 5: equal = data && static_cast<uint32_t>(value) == static_cast<uint32_t>(expected(4)); break;
    case 2:
    case 3: equal = data && static_cast<uint16_t>(value) == static_cast<uint16_t>(expected(2)); break;
    case 8: equal = data && static_cast<uint8_t>(value) == static_cast<uint8_t>(expected(1)); break;
    case 6: {
      const auto* text = reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(value));
      if (!data || !text) break;
      const size_t chars = bytes / sizeof(WCHAR);
      size_t k = 0;
      equal = true;
      for (; k < chars; ++k) {
        WCHAR want = 0;
        std::memcpy(&want, data + k * sizeof(WCHAR), sizeof want);
        if (text[k] != want) {
          equal = false;
          break;
        }
        if (want == 0) break;
      }
      if (equal && k == chars && text[k] != 0) equal = false;
      break;
    }
    default: break;
  }
  if (c.comparison == 2) equal = !equal;
  return equal ? 1 : 0;
}

// 1 shown, 0 not, -1 a setting cannot be read.
int EvaluatePictureConditions(const PictureRecord* picture, const void* devMode, const void* settings) {
  const int count = picture->chained ? picture->chainedCount : 0;
  if (count == 0) return 1;
  auto join = [&](int i) { return picture->chained[i].join; };
  auto ends = [&](int i) { return join(i) == 3 || join(i) == 4; };
  bool last = false;
  int i = 0;
  while (i < count) {
    const int m = TestPictureCondition(picture->chained[i].condition, devMode, settings);
    if (m < 0) return -1;
    last = m == 1;
    if (last) {
      if (ends(i)) return 1;
      if (join(i) == 2) {
        int j = i + 1;
        while (j < count && join(j) == 2) ++j;
        if (j < count && ends(j)) return 1;
        i = j + 1;
        continue;
      }
      ++i;
      continue;
    }
    if (join(i) == 2) {
      ++i;
      continue;
    }
    int k = i;
    while (k < count && !ends(k)) ++k;
    i = k < count ? k + 1 : i + 1;
  }
  return last ? 1 : 0;
}

}  // namespace

int BuildModelPictureList(HWND window, HWND page, INT, const void* devMode, const void* settings, PictureEntry** list) {
  if (!list) return kPictureBadArguments;
  *list = nullptr;
  SheetState* state = GetWindowSheetState(page);
  DeviceModel* model = state ? state->model : nullptr;
  if (!window || !devMode || !model) return kPictureBadArguments;
  DWORD used = 0, room = kListStart;
  PictureEntry* out = NewPictureList(room);
  if (!out) return kPictureNoMemory;
  HDC dc = GetDC(window);
  int result = kPictureOk;
  for (DWORD n = 1;; ++n) {
    ModelRecord* record = nullptr;
    const ModelStatus s = LoadModelRecordByIndex(true, model->primary, model->secondary, kRecordPicture, n, &record);
    if (s == 2) break;
    if (s != 0 || !record) {
      result = kPictureModelReadFailed;
      break;
    }
    const int shown = EvaluatePictureConditions(static_cast<const PictureRecord*>(record), devMode, settings);
    if (shown < 0) {
      ReleaseModelRecord(record);
      result = kPictureSettingUnreadable;
      break;
    }
    if (shown == 1) {
      WORD x = 0, y = 0;
      BYTE* data = nullptr;
      DWORD bytes = 0;
      const ModelStatus p = LoadRecordPicture(model->primary, model->secondary, record, &x, &y, &data, &bytes);
      if (p != 0) {
        ReleaseModelRecord(record);
        result = kPictureModelReadFailed;
        break;
      }
      // A picture that cannot be made (a header, table or bits beyond its
      // record, another depth) is left out.
      const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(data);
      pk::gdi::DibLayout layout;
      HBITMAP bitmap = nullptr;
      if (dc && CheckPackedDib(header, bytes, &layout) &&
          (layout.bitsPerPixel == 1 || layout.bitsPerPixel == 4 || layout.bitsPerPixel == 8 ||
           layout.bitsPerPixel == 24 || header->biClrUsed != 0))
        bitmap = CreateDIBitmap(dc, header, CBM_INIT, data + layout.headerBytes,
                                reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
      GlobalFree(data);
      if (bitmap && !AppendPictureEntry(&out, &used, &room, bitmap, x, y)) {
        DeleteObject(bitmap);
        ReleaseModelRecord(record);
        result = kPictureNoMemory;
        break;
      }
    }
    ReleaseModelRecord(record);
  }
  if (dc) ReleaseDC(window, dc);
  if (result != kPictureOk) {
    FreePictureList(out);
    return result;
  }
  *list = out;
  return kPictureOk;
}

int LoadDevicePictureList(HMODULE, HWND page, HWND window, SheetState* state, PictureEntry** list) {
  if (!list) return kPictureBadArguments;
  *list = nullptr;
  if (!state) state = GetWindowSheetState(page);
  if (!state || !state->model || !window) return kPictureBadArguments;
  WORD width = 0, height = 0;
  DWORD bytes = 0;
  BYTE* data = LoadDevicePicture(state->model->primary, state->model->secondary, &width, &height, &bytes);
  if (!data) return kPictureModelReadFailed;
  HPALETTE palette = nullptr;
  HBITMAP bitmap = CreateBitmapFromPackedDib(window, reinterpret_cast<const BITMAPINFOHEADER*>(data), bytes, &palette);
  GlobalFree(data);
  if (palette) DeleteObject(palette);
  if (!bitmap) return kPictureGdiFailed;
  return SingleBitmapList(bitmap, list);
}

// ---- The colour sample --------------------------------------------------------------------------------

ColourSampleData* GetColourSampleData(const SheetState* state) { return state ? state->colourSample : nullptr; }

int LoadColourSampleData(HMODULE module, SheetState* state) {
  if (!module || !state) return kPictureBadArguments;
  if (state->colourSample) return kPictureOk;
  const BITMAPINFOHEADER* header = nullptr;
  DWORD bytes = 0;
  HGLOBAL resource = LockBitmapResource(module, kColourSampleBitmap, &header, &bytes);
  if (!resource) return kPictureMissing;
  pk::gdi::DibLayout layout;
  if (!CheckPackedDib(header, bytes, &layout) || header->biBitCount > 8) {
    ReleaseBitmapResource(resource);
    return kPictureMissing;
  }
  const DWORD colours = static_cast<DWORD>(layout.colours.size());
  auto* data = static_cast<ColourSampleData*>(GlobalAlloc(GPTR, sizeof(ColourSampleData)));
  auto* copy = static_cast<BITMAPINFOHEADER*>(GlobalAlloc(GPTR, sizeof(BITMAPINFOHEADER) + 4 * colours));
  if (!data || !copy) {
    if (data) GlobalFree(data);
    if (copy) GlobalFree(copy);
    ReleaseBitmapResource(resource);
    return kPictureNoMemory;
  }
  std::memcpy(copy, header, sizeof(BITMAPINFOHEADER));
  copy->biSize = sizeof(BITMAPINFOHEADER);
  copy->biClrUsed = colours;
  std::memcpy(copy + 1, reinterpret_cast<const BYTE*>(header) + header->biSize, 4 * colours);
  *data = ColourSampleData{resource, copy, header, colours, bytes};
  state->colourSample = data;
  return kPictureOk;
}

void FreeColourSampleData(SheetState* state) {
  if (!state || !state->colourSample) return;
  ColourSampleData* data = state->colourSample;
  state->colourSample = nullptr;
  ReleaseBitmapResource(data->resource);
  if (data->copy) GlobalFree(data->copy);
  GlobalFree(data);
}

namespace {

struct ColourRange {
  WORD group;
  WORD first;
  WORD last;
};
constexpr ColourRange kThreeRanges[] = {{2, 2, 97}, {0, 98, 113}, {1, 114, 127}, {0, 0, 0}};
constexpr ColourRange kOneRange[] = {{3, 2, 127}, {0, 0, 0}};
constexpr WORD kGroupSettings[4][3] = {{275, 279, 283}, {276, 280, 284}, {277, 281, 285}, {274, 278, 282}};

}  // namespace

int LoadColourSamplePicture(HMODULE module, HWND window, HWND page, const void* devMode, PictureEntry** list,
                            HPALETTE* palette) {
  if (!list || !palette) return kPictureBadArguments;
  *list = nullptr;
  *palette = nullptr;
  SheetState* state = GetWindowSheetState(page);
  SheetContext* sheet = PageSheet(page);
  if (!module || !window || !devMode || !state) return kPictureBadArguments;
  ColourSampleData* data = state->colourSample;
  if (!data) return kPictureMissing;
  const void* settings = sheet ? sheet->working.settings : nullptr;
  uint64_t split = 0, grey = 0, unused = 0;
  if (ReadNumber(devMode, settings, 482, &split) || ReadNumber(devMode, settings, 270, &grey) ||
      ReadNumber(devMode, settings, 271, &unused))
    return kPictureSettingUnreadable;
  const ColourRange* ranges = split == 1 ? kThreeRanges : kOneRange;
  auto* table = reinterpret_cast<RGBQUAD*>(data->copy + 1);
  const auto* original =
      reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(data->header) + data->header->biSize);
  for (const ColourRange* r = ranges; r->last != 0; ++r) {
    uint64_t adjust[3] = {};
    for (int k = 0; k < 3; ++k)
      if (ReadNumber(devMode, settings, kGroupSettings[r->group][k], &adjust[k])) return kPictureSettingUnreadable;
    // The ranges stay within the sample's own colour table.
    if (r->first >= data->colours) continue;
    const DWORD last = std::min<DWORD>(r->last, data->colours - 1);
    const DWORD n = last - r->first + 1;
    BYTE in[3 * 128], out[3 * 128], greys[128];
    for (DWORD k = 0; k < n; ++k) {
      const RGBQUAD& q = original[r->first + k];
      in[3 * k] = q.rgbBlue;
      in[3 * k + 1] = q.rgbGreen;
      in[3 * k + 2] = q.rgbRed;
    }
    const auto b = static_cast<SHORT>(adjust[0]), s = static_cast<SHORT>(adjust[1]), c = static_cast<SHORT>(adjust[2]);
    if (b || s || c) {
      ColorAdjustMatrix matrix{};
      BuildColorAdjustMatrix(&matrix, b, s, c);
      ApplyColorAdjustMatrix(&matrix, in, out, n);
    } else {
      std::memcpy(out, in, 3 * n);
    }
    if (grey == 1) {
      ConvertRowToGrey(out, greys, static_cast<int>(n), 1);
      for (DWORD k = 0; k < n; ++k) out[3 * k] = out[3 * k + 1] = out[3 * k + 2] = greys[k];
    }
    for (DWORD k = 0; k < n; ++k) table[r->first + k] = RGBQUAD{out[3 * k], out[3 * k + 1], out[3 * k + 2], 0};
  }
  HPALETTE own = CreateDibPalette(data->copy, sizeof(BITMAPINFOHEADER) + 4 * data->colours);
  pk::gdi::DibLayout layout;
  CheckPackedDib(data->header, data->resourceBytes, &layout);
  HBITMAP bitmap =
      CreatePaletteBitmap(window, data->copy, reinterpret_cast<const BYTE*>(data->header) + layout.headerBytes, own);
  if (!bitmap) {
    if (own) DeleteObject(own);
    return kPictureGdiFailed;
  }
  const int made = SingleBitmapList(bitmap, list);
  if (made != kPictureOk) {
    if (own) DeleteObject(own);
    return made;
  }
  *palette = own;
  return kPictureOk;
}

// ---- Bitmap helpers -----------------------------------------------------------------------------------

HGLOBAL LockBitmapResource(HMODULE module, UINT id, const BITMAPINFOHEADER** header, DWORD* bytes) {
  if (header) *header = nullptr;
  if (bytes) *bytes = 0;
  if (!module) return nullptr;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP);
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return nullptr;
  if (header) *header = static_cast<const BITMAPINFOHEADER*>(data);
  if (bytes) *bytes = SizeofResource(module, found);
  return loaded;
}

// Module resources stay mapped with their module; nothing to give back.
void ReleaseBitmapResource(HGLOBAL) {}

HPALETTE CreateDibPalette(const BITMAPINFOHEADER* header, DWORD bytes) {
  if (!header || bytes < sizeof(BITMAPINFOHEADER)) return nullptr;
  if (header->biBitCount == 24 && header->biClrUsed == 0) return nullptr;
  if (std::min(TableColours(header), kMaxPaletteColours) == 0) return nullptr;
  return CreateBitmapPalette(header, bytes);
}

HBITMAP CreatePaletteBitmap(HWND window, const BITMAPINFOHEADER* header, const void* bits, HPALETTE palette) {
  if (!header || !bits) return nullptr;
  HDC dc = GetDC(window);
  if (!dc) return nullptr;
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = nullptr;
  if (memory) {
    HPALETTE old = palette ? SelectPalette(memory, palette, FALSE) : nullptr;
    if (palette) RealizePalette(memory);
    const LONG height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    bitmap = CreateCompatibleBitmap(dc, header->biWidth, height);
    if (bitmap && SetDIBits(memory, bitmap, 0, static_cast<UINT>(height), bits,
                            reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS) == 0) {
      DeleteObject(bitmap);
      bitmap = nullptr;
    }
    if (palette) SelectPalette(memory, old, FALSE);
    DeleteDC(memory);
  }
  ReleaseDC(window, dc);
  return bitmap;
}

HBITMAP LoadPaletteBitmap(HMODULE module, HWND window, UINT id, HPALETTE* palette) {
  const BITMAPINFOHEADER* header = nullptr;
  DWORD bytes = 0;
  HGLOBAL resource = LockBitmapResource(module, id, &header, &bytes);
  if (!resource) return nullptr;
  HBITMAP bitmap = nullptr;
  pk::gdi::DibLayout layout;
  if (UsesPalette(header)) {
    if (CheckPackedDib(header, bytes, &layout)) {
      HPALETTE made = nullptr;
      if (palette && !*palette) *palette = made = CreateDibPalette(header, bytes);
      bitmap = CreatePaletteBitmap(window, header, reinterpret_cast<const BYTE*>(header) + layout.headerBytes,
                                   palette ? *palette : made);
    }
  } else {
    bitmap = LoadBitmapW(module, MAKEINTRESOURCEW(id));
  }
  ReleaseBitmapResource(resource);
  return bitmap;
}

HBITMAP CreateBitmapFromPackedDib(HWND window, const BITMAPINFOHEADER* header, DWORD bytes, HPALETTE* palette) {
  pk::gdi::DibLayout layout;
  if (!CheckPackedDib(header, bytes, &layout)) return nullptr;
  const int bits = layout.bitsPerPixel;
  const BYTE* pixels = reinterpret_cast<const BYTE*>(header) + layout.headerBytes;
  if (UsesPalette(header)) {
    if (palette && !*palette) *palette = CreateDibPalette(header, bytes);
    return CreatePaletteBitmap(window, header, pixels, palette ? *palette : nullptr);
  }
  if (bits != 1 && bits != 4 && bits != 24) return nullptr;
  HDC dc = GetDC(window);
  if (!dc) return nullptr;
  HBITMAP bitmap =
      CreateDIBitmap(dc, header, CBM_INIT, pixels, reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
  ReleaseDC(window, dc);
  return bitmap;
}

// ---- Icons --------------------------------------------------------------------------------------------

int SetStateIcon(HMODULE module, HWND page, const void* devMode, INT controlId) {
  if (!module || !devMode || !IsStateIcon(controlId)) return kPictureBadArguments;
  SheetContext* sheet = PageSheet(page);
  const void* settings = sheet ? sheet->working.settings : nullptr;
  uint64_t value = 0, variant = 0;
  if (ReadNumber(devMode, settings, 267, &value) || ReadNumber(devMode, settings, 437, &variant))
    return kPictureSettingUnreadable;
  if (value > 8) return kPictureBadArguments;
  static constexpr int kLine[9] = {0, 1, 2, 1, 2, 3, 4, 4, 3};
  static constexpr WORD kIcons[5][4] = {
      {358, 1000, 363, 368}, {359, 999, 364, 369}, {360, 997, 365, 370}, {361, 996, 366, 372}, {362, 998, 367, 371}};
  const int line = kLine[value];
  const bool first = controlId == kStateIconControlA;
  const bool alternative = first ? (variant == 2 || variant == 3) : (variant == 1 || variant == 3);
  const WORD icon = kIcons[line][(first ? 0 : 2) + (alternative ? 1 : 0)];
  HICON handle = LoadIconW(module, MAKEINTRESOURCEW(icon));
  if (!handle) return kPictureMissing;
  SendDlgItemMessageW(page, controlId, STM_SETICON, reinterpret_cast<WPARAM>(handle), 0);
  DestroyIcon(handle);
  return kPictureOk;
}

LRESULT SetRowIcon(HandlerContext* context, UINT message, WPARAM, LPARAM, const ControlRow* row,
                   RowIconCallback callback) {
  if (!context || !row || !callback) return 0;
  if (message != PSN_SETACTIVE && message != kMsgRefresh) return 0;
  const INT index = context->rows ? static_cast<INT>(row - context->rows) : -1;
  INT icon = 0;
  if (callback(context, index, row->controlId, &icon) != 0) return 0;
  HICON handle = LoadIconW(GetPagesResourceModule(), MAKEINTRESOURCEW(icon));
  if (!handle) return 0;
  SendDlgItemMessageW(context->window, row->controlId, STM_SETICON, reinterpret_cast<WPARAM>(handle), 0);
  DestroyIcon(handle);
  return 0;
}
