// Text on screen DCs. A logical font picks one of the four DejaVu Sans faces
// by weight and italic; its height follows GDI: negative is the em height in
// pixels, positive the cell height (ascent plus descent), zero a 12-pixel em.
// Glyphs are rendered one bit per pixel so that ink is the text colour exactly.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

#include "platform/gdi/engine_host.h"
#include "platform/gdi/screen_draw.h"
#include "platform/win/win_error.h"

namespace pk::gdi {
namespace {

constexpr int kDefaultEm = 12;
constexpr int kMaxEm = 1000;

struct Glyph {
  int advance = 0;
  int left = 0, top = 0;  // bitmap origin from the pen position on the baseline
  int width = 0, rows = 0;
  std::vector<BYTE> ink;  // one byte per pixel
};

struct Face {
  FT_Face face = nullptr;
  int em = 0;
  int ascent = 0, descent = 0, averageWidth = 0, maxWidth = 0;
  std::map<char32_t, Glyph> glyphs;
};

struct Fonts {
  std::mutex lock;
  FT_Library lib = nullptr;
  std::map<std::pair<int, int>, Face> faces;  // (style, em)
};

Fonts& fonts() {
  static Fonts* f = new Fonts();  // lives as long as the process
  return *f;
}

const char* FileOf(int style) {
  switch (style) {
    case 1: return "DejaVuSans-Bold.ttf";
    case 2: return "DejaVuSans-Oblique.ttf";
    case 3: return "DejaVuSans-BoldOblique.ttf";
    default: return "DejaVuSans.ttf";
  }
}

int StyleOf(const LOGFONTW& lf) { return (lf.lfWeight >= 600 ? 1 : 0) | (lf.lfItalic ? 2 : 0); }

// The em height in pixels of a logical font.
int EmOf(const LOGFONTW& lf, FT_Face face) {
  if (lf.lfHeight < 0) return std::clamp<int>(-int64_t(lf.lfHeight), 1, kMaxEm);
  if (lf.lfHeight == 0) return kDefaultEm;
  const auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const int cell = os2 ? os2->usWinAscent + os2->usWinDescent : face->ascender - face->descender;
  const double em = double(std::min<LONG>(lf.lfHeight, kMaxEm)) * face->units_per_EM / std::max(cell, 1);
  return std::clamp(int(std::lround(em)), 1, kMaxEm);
}

// The face for a logical font; fonts().lock is held.
Face* FaceOf(const LOGFONTW& lf) {
  Fonts& f = fonts();
  if (!f.lib && FT_Init_FreeType(&f.lib) != 0) return nullptr;
  const int style = StyleOf(lf);
  // The em of a cell height needs the face's own metrics first.
  FT_Face probe = nullptr;
  const std::string file = pkgdi::FontFolder() + "/" + FileOf(style);
  auto base = f.faces.find({style, 0});
  if (base == f.faces.end()) {
    if (FT_New_Face(f.lib, file.c_str(), 0, &probe) != 0) return nullptr;
    base = f.faces.emplace(std::make_pair(style, 0), Face{probe, 0, 0, 0, 0, 0, {}}).first;
  }
  const int em = EmOf(lf, base->second.face);
  auto it = f.faces.find({style, em});
  if (it != f.faces.end()) return &it->second;
  FT_Face face = nullptr;
  if (FT_New_Face(f.lib, file.c_str(), 0, &face) != 0) return nullptr;
  if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(em)) != 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  Face out{face, em, 0, 0, 0, 0, {}};
  const double scale = double(em) / face->units_per_EM;
  if (const auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    out.ascent = int(std::ceil(os2->usWinAscent * scale));
    out.descent = int(std::ceil(os2->usWinDescent * scale));
    out.averageWidth = std::max(1, int(std::lround(os2->xAvgCharWidth * scale)));
  } else {
    out.ascent = int(std::ceil(face->ascender * scale));
    out.descent = int(std::ceil(-face->descender * scale));
    out.averageWidth = std::max(1, em / 2);
  }
  out.maxWidth = int(std::ceil(face->max_advance_width * scale));
  return &f.faces.emplace(std::make_pair(style, em), std::move(out)).first->second;
}

const Glyph& GlyphOf(Face& face, char32_t c) {
  auto it = face.glyphs.find(c);
  if (it != face.glyphs.end()) return it->second;
  Glyph g;
  if (FT_Load_Char(face.face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) == 0) {
    FT_GlyphSlot slot = face.face->glyph;
    g.advance = int((slot->advance.x + 32) >> 6);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = int(slot->bitmap.width);
    g.rows = int(slot->bitmap.rows);
    g.ink.assign(size_t(g.width) * g.rows, 0);
    for (int y = 0; y < g.rows; ++y) {
      const BYTE* row = slot->bitmap.buffer + ptrdiff_t(y) * slot->bitmap.pitch;
      for (int x = 0; x < g.width; ++x) g.ink[size_t(y) * g.width + x] = (row[x / 8] >> (7 - x % 8)) & 1;
    }
  }
  return face.glyphs.emplace(c, std::move(g)).first->second;
}

// Text is UTF-16; pairs become one code point.
std::u32string CodePoints(const std::u16string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    out += c;
  }
  return out;
}

int Width(Face& face, const std::u32string& text) {
  int64_t w = 0;
  for (char32_t c : text) w += GlyphOf(face, c).advance;
  return int(std::min<int64_t>(w, INT32_MAX / 2));
}

bool Intersect(const RECT& a, const RECT& b, RECT* out) {
  out->left = std::max(a.left, b.left);
  out->top = std::max(a.top, b.top);
  out->right = std::min(a.right, b.right);
  out->bottom = std::min(a.bottom, b.bottom);
  return out->left < out->right && out->top < out->bottom;
}

void Fill(Pixels& p, const RECT& r, COLORREF c) {
  RECT box;
  if (!Intersect(r, RECT{0, 0, p.width, p.height}, &box)) return;
  for (LONG y = box.top; y < box.bottom; ++y)
    for (LONG x = box.left; x < box.right; ++x) p.colour[size_t(y) * p.width + x] = c;
}

COLORREF ForTarget(const Pixels& p, COLORREF c) {
  if (p.bitsPerPixel != 1) return c & 0xFFFFFF;
  const int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
  return sum >= 383 ? RGB(255, 255, 255) : RGB(0, 0, 0);
}

LONG Shift(LONG v, LONG windowOrg, LONG viewportOrg) {
  const int64_t d = int64_t(v) - windowOrg + viewportOrg;
  return static_cast<LONG>(std::clamp<int64_t>(d, INT32_MIN / 2, INT32_MAX / 2));
}

RECT ToDevice(const pkgdi::DcState& s, const RECT& r) {
  return RECT{Shift(r.left, s.windowOrg.x, s.viewportOrg.x), Shift(r.top, s.windowOrg.y, s.viewportOrg.y),
              Shift(r.right, s.windowOrg.x, s.viewportOrg.x), Shift(r.bottom, s.windowOrg.y, s.viewportOrg.y)};
}

// Removes mnemonic prefixes: "&x" shows x, "&&" one ampersand.
std::u16string WithoutPrefixes(const std::u16string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'&' && i + 1 < s.size()) ++i;
    else if (s[i] == u'&') continue;
    out += s[i];
  }
  return out;
}

}  // namespace

bool ScreenTextMetrics(const LOGFONTW& lf, TEXTMETRICW* tm) {
  std::lock_guard<std::mutex> g(fonts().lock);
  Face* f = FaceOf(lf);
  if (!f || !tm) return false;
  *tm = TEXTMETRICW{};
  tm->tmAscent = f->ascent;
  tm->tmDescent = f->descent;
  tm->tmHeight = f->ascent + f->descent;
  tm->tmInternalLeading = std::max(0, tm->tmHeight - f->em);
  tm->tmAveCharWidth = f->averageWidth;
  tm->tmMaxCharWidth = f->maxWidth;
  tm->tmWeight = StyleOf(lf) & 1 ? FW_BOLD : FW_NORMAL;
  tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = ScreenResolution();
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFFFC;
  tm->tmDefaultChar = 0x1F;
  tm->tmBreakChar = 0x20;
  tm->tmItalic = lf.lfItalic ? 1 : 0;
  tm->tmUnderlined = lf.lfUnderline;
  tm->tmStruckOut = lf.lfStrikeOut;
  tm->tmPitchAndFamily = 0x20 | 0x06;  // FF_SWISS, variable pitch, TrueType
  tm->tmCharSet = lf.lfCharSet;
  return true;
}

bool MeasureScreenText(const pkgdi::DcState& state, const std::u16string& text, SIZE* size) {
  std::lock_guard<std::mutex> g(fonts().lock);
  Face* f = FaceOf(state.font);
  if (!f || !size) return false;
  size->cx = Width(*f, CodePoints(text));
  size->cy = f->ascent + f->descent;
  return true;
}

bool DrawScreenText(HDC hdc, const pkgdi::DcState& state, POINT at, const std::u16string& text, UINT options,
                    const RECT* rect, const INT* dx) {
  const HBITMAP target = DrawTarget(hdc);
  Pixels p;
  if (!target || !ReadBitmapPixels(target, &p)) return false;
  {
    std::lock_guard<std::mutex> g(fonts().lock);
    Face* f = FaceOf(state.font);
    if (!f) return false;
    const std::u32string cps = CodePoints(text);
    int width = 0;
    if (dx) {
      for (size_t i = 0; i < text.size(); ++i) width += dx[i];
    } else {
      width = Width(*f, cps);
    }
    const int height = f->ascent + f->descent;
    // The alignment places the text box's top-left.
    int x = at.x, y = at.y;
    const UINT horz = state.textAlign & TA_CENTER;
    if (horz == TA_CENTER) x -= width / 2;
    else if (horz == TA_RIGHT) x -= width;
    if ((state.textAlign & TA_BASELINE) == TA_BASELINE) y -= f->ascent;
    else if (state.textAlign & TA_BOTTOM) y -= height;
    const COLORREF ink = ForTarget(p, state.textColor), back = ForTarget(p, state.bkColor);
    RECT clip{0, 0, p.width, p.height};
    if (rect && (options & ETO_OPAQUE)) Fill(p, *rect, back);
    if (rect && (options & ETO_CLIPPED) && !Intersect(clip, *rect, &clip)) return WriteBitmapPixels(target, p);
    if (state.bkMode == OPAQUE) {
      RECT box{x, y, x + width, y + height}, inside;
      if (Intersect(box, clip, &inside)) Fill(p, inside, back);
    }
    int pen = x;
    const int baseline = y + f->ascent;
    size_t unit = 0;
    for (char32_t c : cps) {
      const Glyph& gl = GlyphOf(*f, c);
      for (int gy = 0; gy < gl.rows; ++gy) {
        const int py = baseline - gl.top + gy;
        if (py < clip.top || py >= clip.bottom) continue;
        for (int gx = 0; gx < gl.width; ++gx) {
          const int px = pen + gl.left + gx;
          if (px < clip.left || px >= clip.right || !gl.ink[size_t(gy) * gl.width + gx]) continue;
          p.colour[size_t(py) * p.width + px] = ink;
        }
      }
      pen += dx ? dx[unit] : gl.advance;
      unit += c >= 0x10000 ? 2 : 1;
    }
  }
  return WriteBitmapPixels(target, p);
}

int ScreenDrawTextW(HDC hdc, const std::u16string& input, RECT* rect, UINT format) {
  pkgdi::DcState st;
  if (!rect || !pkgdi::GetDcState(hdc, &st, nullptr)) return 0;
  const std::u16string text = format & DT_NOPREFIX ? input : WithoutPrefixes(input);
  // Lines: at line breaks (not for a single line), then at spaces where a
  // word would pass the right edge.
  std::vector<std::u16string> lines;
  int lineHeight = 0;
  std::vector<int> widths;
  {
    std::lock_guard<std::mutex> g(fonts().lock);
    Face* f = FaceOf(st.font);
    if (!f) return 0;
    lineHeight = f->ascent + f->descent;
    std::vector<std::u16string> paragraphs;
    if (format & DT_SINGLELINE) {
      std::u16string one;
      for (char16_t c : text)
        if (c != u'\r' && c != u'\n') one += c;
      paragraphs.push_back(one);
    } else {
      std::u16string cur;
      for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
        if (text[i] == u'\n' || text[i] == u'\r') {
          paragraphs.push_back(cur);
          cur.clear();
        } else {
          cur += text[i];
        }
      }
      paragraphs.push_back(cur);
    }
    const int room = rect->right - rect->left;
    for (const std::u16string& para : paragraphs) {
      if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE) || Width(*f, CodePoints(para)) <= room) {
        lines.push_back(para);
        continue;
      }
      std::u16string line;
      size_t i = 0;
      while (i < para.size()) {
        size_t end = para.find(u' ', i);
        if (end == std::u16string::npos) end = para.size();
        const std::u16string word = para.substr(i, end - i);
        const std::u16string tried = line.empty() ? word : line + u" " + word;
        if (!line.empty() && Width(*f, CodePoints(tried)) > room) {
          lines.push_back(line);
          line = word;
        } else {
          line = tried;
        }
        i = end + 1;
      }
      lines.push_back(line);
    }
    for (const std::u16string& l : lines) widths.push_back(Width(*f, CodePoints(l)));
  }
  const int total = lineHeight * int(lines.size());
  if (format & DT_CALCRECT) {
    const int widest = widths.empty() ? 0 : *std::max_element(widths.begin(), widths.end());
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }
  // Place the block, then draw each line clipped to the rectangle.
  const RECT box = ToDevice(st, *rect);
  int top = box.top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) top = box.top + (box.bottom - box.top - lineHeight) / 2;
    else if (format & DT_BOTTOM) top = box.bottom - lineHeight;
  }
  pkgdi::DcState drawn = st;
  drawn.textAlign = TA_LEFT | TA_TOP;
  for (size_t i = 0; i < lines.size(); ++i) {
    int left = box.left;
    if (format & DT_CENTER) left = box.left + (box.right - box.left - widths[i]) / 2;
    else if (format & DT_RIGHT) left = box.right - widths[i];
    const UINT options = format & DT_NOCLIP ? 0 : ETO_CLIPPED;
    if (!DrawScreenText(hdc, drawn, POINT{left, top + lineHeight * int(i)}, lines[i], options, &box, nullptr)) return 0;
  }
  return total;
}

}  // namespace pk::gdi

using namespace pk::gdi;

extern "C" {

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* lptm) {
  pkgdi::DcState st;
  if (!lptm || !pkgdi::GetDcState(hdc, &st, nullptr)) return FALSE;
  return ScreenTextMetrics(st.font, lptm) ? TRUE : FALSE;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, SIZE* psizl) {
  pkgdi::DcState st;
  pkgdi::PrinterDcBackEnd* backEnd = nullptr;
  if (!psizl || c < 0 || (c > 0 && !lpString) || !pkgdi::GetDcState(hdc, &st, &backEnd)) return FALSE;
  return backEnd->MeasureText(st, std::u16string(lpString ? lpString : u"", size_t(c)), psizl) ? TRUE : FALSE;
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCWSTR lpString, UINT c, const INT* lpDx) {
  pkgdi::DcState st;
  if ((c > 0 && !lpString) || c > 1u << 20 || !IsScreenDc(hdc) || !pkgdi::GetDcState(hdc, &st, nullptr)) return FALSE;
  const LONG dx = st.viewportOrg.x - st.windowOrg.x, dy = st.viewportOrg.y - st.windowOrg.y;
  RECT box{};
  if (lprect) box = RECT{lprect->left + dx, lprect->top + dy, lprect->right + dx, lprect->bottom + dy};
  return DrawScreenText(hdc, st, POINT{x + dx, y + dy}, std::u16string(lpString ? lpString : u"", c), options,
                        lprect ? &box : nullptr, lpDx)
             ? TRUE
             : FALSE;
}

}  // extern "C"
