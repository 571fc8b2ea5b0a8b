// Fonts: a FONTOBJ is one realisation of a DejaVu face (em height in dots,
// baseline angle, simulated italic) rendered through FreeType into 1-bit glyph
// bitmaps, with the face's metrics as an IFIMETRICS and the transform from font
// units (y up) to dots (y down). A faceless device font carries only what the
// driver's font queries read.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/gdi/engine_objects.h"
#include "platform/win/win_seams.h"

namespace pkgdi {
namespace detail {
namespace {

constexpr double kItalicSlant = 0.2;  // shear of simulated italic (x += 0.2 * y)

struct Font {
  FONTOBJ fo{};
  uint32_t magic = kFontMagic;
  std::mutex lock;
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  std::vector<uint64_t> ifiBlock;  // IFIMETRICS and its names, 8-byte aligned
  IFIMETRICS* ifi = nullptr;
  XFORMOBJ* xform = nullptr;
  std::map<HGLYPH, std::vector<uint64_t>> glyphs;  // GLYPHDATA then GLYPHBITS
};

Font* AsFont(FONTOBJ* pfo) {
  auto* f = reinterpret_cast<Font*>(pfo);
  return IsLiveObject(f) && f->magic == kFontMagic ? f : nullptr;
}

constexpr char kDefaultFolder[] = "/usr/share/fonts/truetype/dejavu";
std::mutex g_folderLock;
std::string g_folder = kDefaultFolder;
ULONG g_fontUniq = 1;

// Tests start with the default font folder.
void ResetFolder() {
  std::lock_guard<std::mutex> g(g_folderLock);
  g_folder = kDefaultFolder;
}
const pk::seams::ResetHook g_resetHook(&ResetFolder);

const char* FileOf(FontFamily family, bool bold) {
  switch (family) {
    case FontFamily::Sans: return bold ? "DejaVuSans-Bold.ttf" : "DejaVuSans.ttf";
    case FontFamily::SansMono: return bold ? "DejaVuSansMono-Bold.ttf" : "DejaVuSansMono.ttf";
    case FontFamily::Serif: return bold ? "DejaVuSerif-Bold.ttf" : "DejaVuSerif.ttf";
  }
  return "DejaVuSans.ttf";
}

FWORD Fw(long v) { return static_cast<FWORD>(std::clamp<long>(v, -32768, 32767)); }

// The face's metrics, followed by its family, face, style and unique names.
void BuildIfiMetrics(Font* f, FontFamily family) {
  FT_Face face = f->face;
  std::u16string familyName, styleName;
  for (const char* c = face->family_name ? face->family_name : ""; *c; ++c) familyName += char16_t(uint8_t(*c));
  for (const char* c = face->style_name ? face->style_name : ""; *c; ++c) styleName += char16_t(uint8_t(*c));
  std::u16string faceName = familyName;
  if (!styleName.empty() && styleName != u"Book" && styleName != u"Regular") faceName += u" " + styleName;
  std::u16string names[4] = {familyName, faceName, styleName, faceName};
  size_t bytes = sizeof(IFIMETRICS);
  for (auto& n : names) bytes += 2 * (n.size() + 1);
  f->ifiBlock.assign((bytes + 7) / 8, 0);
  auto* base = reinterpret_cast<BYTE*>(f->ifiBlock.data());
  IFIMETRICS* m = reinterpret_cast<IFIMETRICS*>(base);
  LONG offsets[4];
  size_t at = sizeof(IFIMETRICS);
  for (int i = 0; i < 4; ++i) {
    offsets[i] = static_cast<LONG>(at);
    std::memcpy(base + at, names[i].c_str(), 2 * (names[i].size() + 1));
    at += 2 * (names[i].size() + 1);
  }
  m->cjThis = static_cast<ULONG>(bytes);
  m->dpwszFamilyName = offsets[0];
  m->dpwszFaceName = offsets[1];
  m->dpwszStyleName = offsets[2];
  m->dpwszUniqueName = offsets[3];

  bool fixed = FT_IS_FIXED_WIDTH(face);
  m->jWinCharSet = 0;
  m->jWinPitchAndFamily = static_cast<BYTE>(
      fixed ? (FIXED_PITCH | FF_MODERN) : (VARIABLE_PITCH | (family == FontFamily::Serif ? FF_ROMAN : FF_SWISS)));
  m->flInfo = FM_INFO_TECH_TRUETYPE | FM_INFO_ARB_XFORMS | FM_INFO_1BPP | FM_INFO_RETURNS_BITMAPS |
              FM_INFO_RIGHT_HANDED | FM_INFO_NOT_CONTIGUOUS | (fixed ? FM_INFO_CONSTANT_WIDTH : 0);
  m->fwdUnitsPerEm = Fw(face->units_per_EM);
  m->fwdMacAscender = Fw(face->ascender);
  m->fwdMacDescender = Fw(face->descender);
  m->fwdMacLineGap = Fw(face->height - face->ascender + face->descender);
  m->fwdMaxCharInc = Fw(face->max_advance_width);
  m->fwdUnderscoreSize = Fw(face->underline_thickness);
  m->fwdUnderscorePosition = Fw(face->underline_position);
  m->rclFontBox = RECTL{static_cast<LONG>(face->bbox.xMin), static_cast<LONG>(face->bbox.yMax),
                        static_cast<LONG>(face->bbox.xMax), static_cast<LONG>(face->bbox.yMin)};
  m->usWinWeight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
  m->fsSelection = static_cast<USHORT>(((face->style_flags & FT_STYLE_FLAG_BOLD) ? FM_SEL_BOLD : 0) |
                                       ((face->style_flags & FT_STYLE_FLAG_ITALIC) ? FM_SEL_ITALIC : 0));
  if (!m->fsSelection) m->fsSelection = FM_SEL_REGULAR;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    m->usWinWeight = os2->usWeightClass;
    m->fsType = os2->fsType;
    m->fwdWinAscender = Fw(os2->usWinAscent);
    m->fwdWinDescender = Fw(os2->usWinDescent);
    m->fwdTypoAscender = Fw(os2->sTypoAscender);
    m->fwdTypoDescender = Fw(os2->sTypoDescender);
    m->fwdTypoLineGap = Fw(os2->sTypoLineGap);
    m->fwdAveCharWidth = Fw(os2->xAvgCharWidth);
    if (os2->version >= 2) {
      m->fwdCapHeight = Fw(os2->sCapHeight);
      m->fwdXHeight = Fw(os2->sxHeight);
    }
    m->fwdSubscriptXSize = Fw(os2->ySubscriptXSize);
    m->fwdSubscriptYSize = Fw(os2->ySubscriptYSize);
    m->fwdSubscriptXOffset = Fw(os2->ySubscriptXOffset);
    m->fwdSubscriptYOffset = Fw(os2->ySubscriptYOffset);
    m->fwdSuperscriptXSize = Fw(os2->ySuperscriptXSize);
    m->fwdSuperscriptYSize = Fw(os2->ySuperscriptYSize);
    m->fwdSuperscriptXOffset = Fw(os2->ySuperscriptXOffset);
    m->fwdSuperscriptYOffset = Fw(os2->ySuperscriptYOffset);
    m->fwdStrikeoutSize = Fw(os2->yStrikeoutSize);
    m->fwdStrikeoutPosition = Fw(os2->yStrikeoutPosition);
    std::memcpy(m->achVendId, os2->achVendID, 4);
    std::memcpy(&m->panose, os2->panose, sizeof(PANOSE));
  }
  if (auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST)))
    m->lItalicAngle = static_cast<LONG>(std::lround(post->italicAngle / 65536.0 * 10));
  m->chFirstChar = 0x20;
  m->chLastChar = 0xFF;
  m->chBreakChar = 0x20;
  m->chDefaultChar = 0x1F;
  FT_UInt index = 0;
  FT_ULong first = FT_Get_First_Char(face, &index), last = first;
  for (FT_ULong c = first; index != 0 && c <= 0xFFFF; c = FT_Get_Next_Char(face, c, &index)) last = c;
  m->wcFirstChar = static_cast<WCHAR>(first);
  m->wcLastChar = static_cast<WCHAR>(last);
  m->wcBreakChar = u' ';
  m->wcDefaultChar = FT_Get_Char_Index(face, 0xFFFD) ? WCHAR(0xFFFD) : WCHAR(u' ');
  m->ptlBaseline = POINTL{1, 0};
  m->ptlAspect = POINTL{1, 1};
  m->ptlCaret = m->lItalicAngle ? POINTL{1, 3} : POINTL{0, 1};
  f->ifi = m;
}

// Renders glyph hg into a GLYPHDATA followed by its GLYPHBITS; false when the
// face has no such glyph or FreeType fails.
bool RenderGlyph(Font* f, HGLYPH hg, std::vector<uint64_t>& block) {
  FT_Face face = f->face;
  if (hg >= static_cast<HGLYPH>(face->num_glyphs)) return false;
  if (FT_Load_Glyph(face, hg, FT_LOAD_TARGET_MONO) != 0) return false;
  if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0) return false;
  FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bm = slot->bitmap;
  bool blank = bm.width == 0 || bm.rows == 0 || !bm.buffer;
  LONG cx = blank ? 1 : static_cast<LONG>(bm.width), cy = blank ? 1 : static_cast<LONG>(bm.rows);
  size_t rowBytes = (static_cast<size_t>(cx) + 7) / 8;
  size_t bitsAt = (sizeof(GLYPHDATA) + 7) & ~size_t(7);
  size_t bytes = bitsAt + offsetof(GLYPHBITS, aj) + rowBytes * cy;
  block.assign((bytes + 7) / 8, 0);
  auto* base = reinterpret_cast<BYTE*>(block.data());
  auto* gd = reinterpret_cast<GLYPHDATA*>(base);
  auto* gb = reinterpret_cast<GLYPHBITS*>(base + bitsAt);
  gb->sizlBitmap = SIZEL{cx, cy};
  gb->ptlOrigin = blank ? POINTL{0, 0} : POINTL{slot->bitmap_left, -slot->bitmap_top};
  if (!blank) {
    for (LONG r = 0; r < cy; ++r) {
      const unsigned char* src = bm.buffer + static_cast<ptrdiff_t>(r) * bm.pitch;
      if (bm.pitch < 0) src = bm.buffer + static_cast<ptrdiff_t>(cy - 1 - r) * -bm.pitch;
      std::memcpy(gb->aj + rowBytes * r, src, rowBytes);
    }
  }
  gd->gdf.pgb = gb;
  gd->hg = hg;
  double ax = slot->advance.x / 64.0, ay = -slot->advance.y / 64.0;  // dots, y down
  gd->fxD = static_cast<FIX>(std::lround(std::hypot(ax, ay) * 16));
  gd->fxA = 0;
  gd->fxAB = gd->fxD;
  gd->fxInkTop = blank ? 0 : slot->bitmap_top * 16;
  gd->fxInkBottom = blank ? 0 : (slot->bitmap_top - cy) * 16;
  gd->rclInk =
      blank ? RECTL{0, 0, 0, 0} : RECTL{gb->ptlOrigin.x, gb->ptlOrigin.y, gb->ptlOrigin.x + cx, gb->ptlOrigin.y + cy};
  gd->ptqD.x.QuadPart = static_cast<LONGLONG>(std::llround(ax * 4294967296.0));
  gd->ptqD.y.QuadPart = static_cast<LONGLONG>(std::llround(ay * 4294967296.0));
  return true;
}

void FreeFont(Font* f) {
  if (f->face) FT_Done_Face(f->face);
  if (f->lib) FT_Done_FreeType(f->lib);
  DeleteXform(f->xform);
  delete f;
}

}  // namespace
}  // namespace detail

using namespace detail;

void SetFontFolder(const std::string& folder) {
  std::lock_guard<std::mutex> g(g_folderLock);
  g_folder = folder.empty() ? kDefaultFolder : folder;
}

std::string FontFolder() {
  std::lock_guard<std::mutex> g(g_folderLock);
  return g_folder;
}

FONTOBJ* CreateTrueTypeFont(const FontRequest& request) {
  if (request.emDots <= 0 || request.emDots > 32767) return nullptr;
  Font* f = nullptr;
  try {
    f = new Font();
    std::string path = FontFolder() + "/" + FileOf(request.family, request.bold);
    if (FT_Init_FreeType(&f->lib) != 0 || FT_New_Face(f->lib, path.c_str(), 0, &f->face) != 0 ||
        FT_Set_Char_Size(f->face, 0, static_cast<FT_F26Dot6>(request.emDots) * 64, 72, 72) != 0) {
      FreeFont(f);
      return nullptr;
    }
    double a = request.angleDegrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
    // FreeType works y up: rotation after the italic shear.
    double sh = request.simulatedItalic ? kItalicSlant : 0.0;
    FT_Matrix mx;
    mx.xx = static_cast<FT_Fixed>(std::lround(c * 65536));
    mx.xy = static_cast<FT_Fixed>(std::lround((c * sh - s) * 65536));
    mx.yx = static_cast<FT_Fixed>(std::lround(s * 65536));
    mx.yy = static_cast<FT_Fixed>(std::lround((s * sh + c) * 65536));
    FT_Set_Transform(f->face, &mx, nullptr);
    BuildIfiMetrics(f, request.family);
    double scale = double(request.emDots) / f->face->units_per_EM;
    XFORML m{};
    m.eM11 = static_cast<FLOATL>(scale * c);
    m.eM12 = static_cast<FLOATL>(-scale * s);
    m.eM21 = static_cast<FLOATL>(-scale * s);
    m.eM22 = static_cast<FLOATL>(-scale * c);
    f->xform = CreateXform(m);
    if (!f->xform) {
      FreeFont(f);
      return nullptr;
    }
    std::lock_guard<std::mutex> g(g_folderLock);
    f->fo.iUniq = g_fontUniq++;
    f->fo.iTTUniq = f->fo.iUniq;
    f->fo.iFace = 0;
    f->fo.flFontType = TRUETYPE_FONTTYPE | (request.simulatedItalic ? FO_SIM_ITALIC : 0);
    f->fo.cxMax = static_cast<ULONG>(std::ceil((f->face->bbox.xMax - f->face->bbox.xMin) * scale));
    TrackObject(f);
    return &f->fo;
  } catch (...) {
    if (f) FreeFont(f);
    return nullptr;
  }
}

FONTOBJ* CreateDeviceFont(ULONG iFace, const XFORML& xform, IFIMETRICS* pifi, ULONG cxMax) {
  Font* f = nullptr;
  try {
    f = new Font();
    f->xform = CreateXform(xform);
    if (!f->xform) {
      FreeFont(f);
      return nullptr;
    }
    f->ifi = pifi;
    std::lock_guard<std::mutex> g(g_folderLock);
    f->fo.iUniq = g_fontUniq++;
    f->fo.iFace = iFace;
    f->fo.flFontType = DEVICE_FONTTYPE;
    f->fo.cxMax = cxMax;
    TrackObject(f);
    return &f->fo;
  } catch (...) {
    if (f) FreeFont(f);
    return nullptr;
  }
}

HGLYPH FontGlyphIndex(FONTOBJ* pfo, char32_t ch) {
  Font* f = AsFont(pfo);
  if (!f || !f->face) return 0;
  std::lock_guard<std::mutex> g(f->lock);
  return FT_Get_Char_Index(f->face, ch);
}

ULONG FontFixedAdvance(FONTOBJ* pfo) {
  Font* f = AsFont(pfo);
  if (!f || !f->face || !FT_IS_FIXED_WIDTH(f->face)) return 0;
  std::lock_guard<std::mutex> g(f->lock);
  return static_cast<ULONG>(
      std::lround(double(f->face->max_advance_width) * f->face->size->metrics.x_ppem / f->face->units_per_EM));
}

void DeleteFont(FONTOBJ* pfo) {
  Font* f = AsFont(pfo);
  if (f && UntrackObject(f)) FreeFont(f);
}

}  // namespace pkgdi

using namespace pkgdi;
using namespace pkgdi::detail;

extern "C" {

ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, PVOID* ppvGlyph) {
  Font* f = AsFont(pfo);
  if (!f || !f->face || iMode != FO_GLYPHBITS || cGlyph < 1 || !phg || !ppvGlyph) return 0;
  try {
    std::lock_guard<std::mutex> g(f->lock);
    HGLYPH hg = phg[0];
    auto it = f->glyphs.find(hg);
    if (it == f->glyphs.end()) {
      std::vector<uint64_t> block;
      if (!RenderGlyph(f, hg, block)) return 0;
      it = f->glyphs.emplace(hg, std::move(block)).first;
    }
    *ppvGlyph = it->second.data();
    return 1;
  } catch (...) {
    return 0;
  }
}

IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo) {
  Font* f = AsFont(pfo);
  return f ? f->ifi : nullptr;
}

XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo) {
  Font* f = AsFont(pfo);
  return f ? f->xform : nullptr;
}

}  // extern "C"
