// Band replay: the clip of each item is cut to the band and the item's own
// extent; an item wholly inside gets a trivial clip, others one or more
// rectangles. Target rectangles keep their full extent, moved by the origin.
#include "host/band_replay.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pkhost {

namespace {

RECTL Offset(RECTL r, POINTL o) { return RECTL{r.left - o.x, r.top - o.y, r.right - o.x, r.bottom - o.y}; }
RECTL Meet(const RECTL& a, const RECTL& b) {
  return RECTL{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
}
bool IsEmpty(const RECTL& r) { return r.left >= r.right || r.top >= r.bottom; }
RECTL Join(const RECTL& a, const RECTL& b) {
  if (IsEmpty(a)) return b;
  if (IsEmpty(b)) return a;
  return RECTL{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom)};
}

std::string Where(const JournalItem& item) {
  const RECTL& b = item.bounds;
  return " at (" + std::to_string(b.left) + ", " + std::to_string(b.top) + ", " + std::to_string(b.right) + ", " +
         std::to_string(b.bottom) + ")";
}

// The entry point an item goes to, and the hook it needs.
struct Route {
  ULONG index;
  FLONG hook;
};

bool SameSize(const JournalItem& item) {
  return item.dest.right - item.dest.left == item.image->width &&
         item.dest.bottom - item.dest.top == item.image->height;
}

Route RouteOf(const JournalItem& item) {
  switch (item.kind) {
    case JournalItem::FillRect:
    case JournalItem::FillRegion: return {INDEX_DrvBitBlt, HOOK_BITBLT};
    case JournalItem::Stroke: return {INDEX_DrvStrokePath, HOOK_STROKEPATH};
    case JournalItem::Text: return {INDEX_DrvTextOut, HOOK_TEXTOUT};
    case JournalItem::Escape: return {INDEX_DrvEscape, 0};
    case JournalItem::Image:
      if (!SameSize(item)) return {INDEX_DrvStretchBlt, HOOK_STRETCHBLT};
      if (item.rop4 == 0xCCCC) return {INDEX_DrvCopyBits, HOOK_COPYBITS};
      return {INDEX_DrvBitBlt, HOOK_BITBLT};
  }
  return {INDEX_DrvBitBlt, HOOK_BITBLT};
}

// A source bitmap of the engine holding the image, with the translation of its
// pixels to device colours.
struct Source {
  SURFOBJ* so = nullptr;
  XLATEOBJ* xlo = nullptr;
  ~Source() {
    if (so) pkgdi::DeleteBitmap(so);
    if (xlo) pkgdi::DeleteXlate(xlo);
  }
};

bool MakeSource(const Bitmap& image, Source& src) {
  ULONG format = image.bpp == 1 ? BMF_1BPP : image.bpp == 8 ? BMF_8BPP : BMF_24BPP;
  src.so = pkgdi::CreateBitmap(SIZEL{image.width, image.height}, format, true);
  if (!src.so) return false;
  size_t stride = image.stride();
  for (LONG y = 0; y < image.height; ++y)
    std::memcpy(static_cast<uint8_t*>(src.so->pvScan0) + ptrdiff_t(y) * src.so->lDelta,
                image.bits.data() + size_t(y) * stride, stride);
  if (image.bpp == 1) {
    const ULONG table[2] = {0xFFFFFF, 0x000000};
    src.xlo = pkgdi::CreateXlateTable(table, 2);
  } else if (image.bpp == 8) {
    ULONG table[256];
    for (ULONG i = 0; i < 256; ++i) table[i] = i * 0x010101;
    src.xlo = pkgdi::CreateXlateTable(table, 256);
  } else {
    src.xlo = pkgdi::CreateXlateTrivial();
  }
  return src.xlo != nullptr;
}

// Dash, dot and dash-dot in style units, as cosmetic pens step them.
void StyleOf(PenDesc::Style style, std::vector<FLOAT_LONG>& out) {
  auto set = [&](std::initializer_list<LONG> v) {
    for (LONG x : v) {
      FLOAT_LONG f;
      f.l = x;
      out.push_back(f);
    }
  };
  switch (style) {
    case PenDesc::Dash: set({6, 2}); break;
    case PenDesc::Dot: set({1, 1}); break;
    case PenDesc::DashDot: set({3, 1, 1, 1}); break;
    default: break;
  }
}

BOOL SendItem(const JournalItem& item, const BandTarget& band, const DriverTable& driver, PdevObjects& objects,
              CLIPOBJ* pco, ULONG index) {
  SURFOBJ* pso = band.pso;
  POINTL o = band.origin;
  switch (item.kind) {
    case JournalItem::FillRect:
    case JournalItem::FillRegion: {
      RECTL trg = Offset(item.bounds, o);
      POINTL org{item.brushOrigin.x - o.x, item.brushOrigin.y - o.y};
      BRUSHOBJ* pbo = objects.Brush(item.brush);
      return driver.get<PFN_DrvBitBlt>(index)(pso, nullptr, nullptr, pco, nullptr, &trg, nullptr, nullptr, pbo, &org,
                                              item.rop4);
    }
    case JournalItem::Stroke: {
      PATHOBJ* ppo = pkgdi::CreatePath();
      if (!ppo) return FALSE;
      for (const Subpath& sp : item.path) {
        for (size_t i = 0; i < sp.pts.size(); ++i) {
          POINTFIX p{sp.pts[i].x - o.x * 16, sp.pts[i].y - o.y * 16};
          if (i == 0) pkgdi::PathMoveTo(ppo, p);
          else pkgdi::PathLineTo(ppo, p);
        }
        if (sp.closed) pkgdi::PathCloseFigure(ppo);
      }
      std::vector<FLOAT_LONG> style;
      StyleOf(item.pen.style, style);
      LINEATTRS la{};
      la.fl = style.empty() ? 0 : LA_STYLED;
      la.elWidth.l = 1;
      la.cstyle = static_cast<ULONG>(style.size());
      la.pstyle = style.empty() ? nullptr : style.data();
      BrushDesc penBrush;
      penBrush.color = item.pen.color;
      BRUSHOBJ* pbo = objects.Brush(penBrush);
      POINTL org{-o.x, -o.y};
      XFORMOBJ* pxo = pkgdi::CreateXform(XFORML{1, 0, 0, 1, 0, 0});
      BOOL ok = driver.get<PFN_DrvStrokePath>(index)(pso, ppo, pco, pxo, pbo, &org, &la, 0x0D0D);
      if (pxo) pkgdi::DeleteXform(pxo);
      EngDeletePath(ppo);
      return ok;
    }
    case JournalItem::Text: {
      FONTOBJ* pfo = objects.Font(item.font);
      if (!pfo) return FALSE;
      std::vector<pkgdi::StringGlyph> glyphs = item.glyphs;
      for (auto& g : glyphs) g.ptl = POINTL{g.ptl.x - o.x, g.ptl.y - o.y};
      FLONG accel = SO_FLAG_DEFAULT_PLACEMENT | (item.font.angle == 0 ? SO_HORIZONTAL : 0);
      ULONG charInc = item.font.angle == 0 ? pkgdi::FontFixedAdvance(pfo) : 0;
      STROBJ* pstro = pkgdi::CreateString(pfo, glyphs, item.text, accel, charInc, Offset(item.bounds, o), 0);
      if (!pstro) return FALSE;
      std::vector<RECTL> extras;
      for (const RECTL& r : item.extras) extras.push_back(Offset(r, o));
      if (!extras.empty()) extras.push_back(RECTL{0, 0, 0, 0});
      RECTL opaque = Offset(item.opaqueRect, o);
      BrushDesc fore, back;
      fore.color = item.textColor;
      back.color = item.backColor;
      BRUSHOBJ* pboFore = objects.Brush(fore);
      BRUSHOBJ* pboOpaque = item.opaque ? objects.Brush(back) : nullptr;
      POINTL org{-o.x, -o.y};
      BOOL ok = driver.get<PFN_DrvTextOut>(index)(pso, pstro, pfo, pco, extras.empty() ? nullptr : extras.data(),
                                                  item.opaque ? &opaque : nullptr, pboFore, pboOpaque, &org, 0x0D0D);
      pkgdi::DeleteString(pstro);
      return ok;
    }
    case JournalItem::Escape: break;  // sent by ReplayBand
    case JournalItem::Image: {
      Source src;
      if (!MakeSource(*item.image, src)) return FALSE;
      RECTL dest = Offset(item.dest, o);
      POINTL at{0, 0};
      if (index == INDEX_DrvCopyBits) return driver.get<PFN_DrvCopyBits>(index)(pso, src.so, pco, src.xlo, &dest, &at);
      if (index == INDEX_DrvBitBlt)
        return driver.get<PFN_DrvBitBlt>(index)(pso, src.so, nullptr, pco, src.xlo, &dest, &at, nullptr, nullptr,
                                                nullptr, item.rop4);
      RECTL srcRect{0, 0, item.image->width, item.image->height};
      POINTL htOrg{-o.x, -o.y};
      return driver.get<PFN_DrvStretchBlt>(index)(pso, src.so, nullptr, pco, src.xlo, nullptr, &htOrg, &dest, &srcRect,
                                                  nullptr, HALFTONE);
    }
  }
  return FALSE;
}

}  // namespace

PdevObjects::~PdevObjects() {
  for (auto& [desc, pbo] : brushes_) pkgdi::DeleteBrush(pbo);
  for (auto& [desc, pso] : patterns_) pkgdi::DeleteBitmap(pso);
  for (auto& [desc, pxlo] : patternXlates_) pkgdi::DeleteXlate(pxlo);
  for (auto& [desc, pfo] : fonts_) pkgdi::DeleteFont(pfo);
}

BRUSHOBJ* PdevObjects::Brush(const BrushDesc& desc) {
  if (desc.kind == BrushDesc::Null) return nullptr;
  auto it = brushes_.find(desc);
  if (it != brushes_.end()) return it->second;
  BRUSHOBJ* pbo = nullptr;
  switch (desc.kind) {
    case BrushDesc::Solid: pbo = pkgdi::CreateSolidBrush(desc.color); break;
    case BrushDesc::Hatch: pbo = pkgdi::CreateHatchBrush(desc.hatch, desc.color, desc.background); break;
    case BrushDesc::Pattern: {
      // An 8 x 8 1-bpp pattern: bit set is ink (table entry 1).
      SURFOBJ* pattern = pkgdi::CreateBitmap(SIZEL{8, 8}, BMF_1BPP, true);
      if (!pattern) return nullptr;
      for (int y = 0; y < 8; ++y)
        static_cast<uint8_t*>(pattern->pvScan0)[ptrdiff_t(y) * pattern->lDelta] = desc.pattern[y];
      const ULONG table[2] = {desc.background, desc.color};
      XLATEOBJ* xlo = pkgdi::CreateXlateTable(table, 2);
      patterns_[desc] = pattern;
      if (xlo) patternXlates_[desc] = xlo;
      pbo = pkgdi::CreatePatternBrush(pattern, xlo);
      break;
    }
    default: break;
  }
  if (!pbo) return nullptr;
  pkgdi::SetBrushTarget(pbo, target_);
  brushes_[desc] = pbo;
  return pbo;
}

FONTOBJ* PdevObjects::Font(const FontDesc& desc) {
  auto it = fonts_.find(desc);
  if (it != fonts_.end()) return it->second;
  pkgdi::FontRequest req;
  req.family = desc.family;
  req.bold = desc.bold;
  req.emDots = desc.emDots;
  req.angleDegrees = desc.angle;
  req.simulatedItalic = desc.italic;
  FONTOBJ* pfo = pkgdi::CreateTrueTypeFont(req);
  if (pfo) fonts_[desc] = pfo;
  return pfo;
}

bool LayoutText(JournalItem& item, POINTL at, FONTOBJ* font) {
  if (!font) return false;
  IFIMETRICS* ifi = FONTOBJ_pifi(font);
  double scale = ifi && ifi->fwdUnitsPerEm > 0 ? double(item.font.emDots) / ifi->fwdUnitsPerEm : 1.0;
  double ascent = ifi ? (ifi->fwdWinAscender ? ifi->fwdWinAscender : ifi->fwdMacAscender) * scale : item.font.emDots;
  double descent = ifi ? (ifi->fwdWinDescender ? ifi->fwdWinDescender : -ifi->fwdMacDescender) * scale : 0;
  double a = item.font.angle * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  // Baseline point of the first glyph: the top-left moved down by the ascent,
  // along the text's own vertical.
  double bx = at.x + s * ascent, by = at.y + c * ascent;
  double px = bx, py = by;
  RECTL ink{0, 0, 0, 0};
  item.glyphs.clear();
  for (size_t i = 0; i < item.text.size(); ++i) {
    char32_t ch = item.text[i];
    if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < item.text.size()) {
      ch = 0x10000 + ((ch - 0xD800) << 10) + (item.text[i + 1] - 0xDC00);
      ++i;
    }
    HGLYPH hg = pkgdi::FontGlyphIndex(font, ch);
    POINTL pt{static_cast<LONG>(std::lround(px)), static_cast<LONG>(std::lround(py))};
    item.glyphs.push_back(pkgdi::StringGlyph{hg, pt});
    PVOID pv = nullptr;
    if (FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, &pv) == 1 && pv) {
      auto* gd = static_cast<GLYPHDATA*>(pv);
      if (GLYPHBITS* gb = gd->gdf.pgb) {
        RECTL r{pt.x + gb->ptlOrigin.x, pt.y + gb->ptlOrigin.y, pt.x + gb->ptlOrigin.x + gb->sizlBitmap.cx,
                pt.y + gb->ptlOrigin.y + gb->sizlBitmap.cy};
        ink = Join(ink, r);
      }
      px += gd->ptqD.x.QuadPart / 4294967296.0;
      py += gd->ptqD.y.QuadPart / 4294967296.0;
    }
  }
  // The text cell: from the start to the pen position, ascent above and
  // descent below the baseline (its four corners for turned text).
  double corners[4][2] = {{double(at.x), double(at.y)},
                          {double(at.x) + (px - bx), double(at.y) + (py - by)},
                          {bx + s * descent, by + c * descent},
                          {px + s * descent, py + c * descent}};
  RECTL cell{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (auto& p : corners) {
    cell.left = std::min<LONG>(cell.left, static_cast<LONG>(std::floor(p[0])));
    cell.top = std::min<LONG>(cell.top, static_cast<LONG>(std::floor(p[1])));
    cell.right = std::max<LONG>(cell.right, static_cast<LONG>(std::ceil(p[0])));
    cell.bottom = std::max<LONG>(cell.bottom, static_cast<LONG>(std::ceil(p[1])));
  }
  item.opaqueRect = cell;
  item.extras.clear();
  if (item.font.angle == 0 && ifi) {
    LONG thick = std::max<LONG>(1, std::lround((ifi->fwdUnderscoreSize ? ifi->fwdUnderscoreSize : 50) * scale));
    LONG x0 = at.x, x1 = static_cast<LONG>(std::lround(px));
    LONG base = static_cast<LONG>(std::lround(by));
    if (item.font.underline) {
      LONG top = base - static_cast<LONG>(std::lround(ifi->fwdUnderscorePosition * scale));
      item.extras.push_back(RECTL{x0, top, x1, top + thick});
    }
    if (item.font.strikeout) {
      double pos = ifi->fwdStrikeoutPosition ? ifi->fwdStrikeoutPosition * scale : ascent * 0.3;
      LONG top = base - static_cast<LONG>(std::lround(pos));
      item.extras.push_back(RECTL{x0, top, x1, top + thick});
    }
  }
  item.bounds = Join(ink, cell);
  for (const RECTL& r : item.extras) item.bounds = Join(item.bounds, r);
  return true;
}

void ReplayBand(const Journal& journal, const BandTarget& band, const DriverTable& driver, PdevObjects& objects,
                RunLog& log, std::map<int, bool>& warned) {
  const POINTL o = band.origin;
  const RECTL bandRect{o.x, o.y, o.x + band.size.cx, o.y + band.size.cy};
  const pkgdi::Region bandRegion = pkgdi::Region::FromRect(bandRect);
  // After an escape the driver may draw the items elsewhere than they say
  // (a stamp copy moved by its mark offset): GDI cannot know where, so they
  // go to every band with their own clip, and the driver cuts them to it.
  bool moved = false;
  for (const JournalItem& item : journal) {
    if (item.kind == JournalItem::Escape) {
      moved = true;
      auto esc = driver.get<PFN_DrvEscape>(INDEX_DrvEscape);
      if (!esc) continue;
      const ULONG answer = esc(band.pso, item.escapeCode, static_cast<ULONG>(item.escapeIn.size()),
                               const_cast<uint8_t*>(item.escapeIn.data()), 0, nullptr);
      log.Trace("DrvEscape " + std::to_string(item.escapeCode),
                " answered " + std::to_string(static_cast<int>(answer)) + " in the band");
      continue;
    }
    if (!moved && IsEmpty(Meet(item.bounds, bandRect))) continue;
    pkgdi::Region extent = pkgdi::Region::FromRect(item.bounds);
    pkgdi::Region within = moved ? item.clip.Intersect(extent) : item.clip.Intersect(bandRegion).Intersect(extent);
    if (within.empty()) continue;
    Route route = RouteOf(item);
    if (!(band.hooks & route.hook) || !driver.at(route.index)) {
      if (!warned[int(route.index)]) log.Warning(EntryName(route.index) + " is not hooked: its drawing is skipped");
      warned[int(route.index)] = true;
      continue;
    }
    CLIPOBJ* pco = within == extent
                       ? pkgdi::CreateTrivialClip(Offset(moved ? item.bounds : Meet(item.bounds, bandRect), o))
                       : pkgdi::CreateClip(within.Translate(-o.x, -o.y));
    if (!pco) {
      log.Failure("out of memory for a clip object" + Where(item));
      continue;
    }
    size_t before = pkgdi::EngineCalls().size();
    std::string name = EntryName(route.index);
    log.Trace(name);
    BOOL ok = SendItem(item, band, driver, objects, pco, route.index);
    pkgdi::DeleteClip(pco);
    if (!ok) log.Failure(name + " failed" + Where(item));
    if (pkgdi::EngineCalls().size() > before) log.Failure(name + " fell back to the engine" + Where(item));
  }
}

}  // namespace pkhost
