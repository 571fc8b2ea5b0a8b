// The host side of the engine: what the print host and the driver's tests use
// to make the engine objects a driver receives (devices with their bound entry
// points, surfaces and source bitmaps, regions and clip objects, paths, brushes,
// colour translations, transforms, fonts and strings), and what the engine
// recorded of the calls it could not draw. Drivers never call these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/eng_services.h"

namespace pkgdi {

// ---- Devices -------------------------------------------------------------------
// A device binds a driver's DRVFN table (copied) and its PDEV; surfaces associated
// with it call the driver back through it.
PKAPI HDEV CreateDevice(const DRVFN* fns, ULONG count, DHPDEV dhpdev);
PKAPI void SetDevicePdev(HDEV hdev, DHPDEV dhpdev);
PKAPI PFN DeviceFunction(HDEV hdev, ULONG index);
PKAPI BOOL DeleteDevice(HDEV hdev);

// ---- Surfaces ------------------------------------------------------------------
PKAPI SURFOBJ* SurfaceObject(HSURF hsurf);  // null for an unknown handle
PKAPI FLONG SurfaceHooks(HSURF hsurf);
PKAPI bool SurfaceIsBanded(HSURF hsurf);
// The page position of the surface's (0, 0): halftone cells are anchored to the
// page, so bands drawn at their origins join without seams.
PKAPI void SetBandOrigin(SURFOBJ* pso, POINTL origin);
PKAPI POINTL BandOrigin(const SURFOBJ* pso);

// A source bitmap (STYPE_BITMAP) of 1 to 32 bits per pixel with zeroed rows of
// ((cx * bits + 31) / 32) * 4 bytes; bottom-up bitmaps start at the last row
// in memory and step by a negative lDelta. Freed with DeleteBitmap.
PKAPI SURFOBJ* CreateBitmap(SIZEL size, ULONG iFormat, bool topDown);
PKAPI void DeleteBitmap(SURFOBJ* pso);
PKAPI ULONG BitsPerPixelOfFormat(ULONG iFormat);  // 0 for an unknown format

// Palettes made by EngCreatePalette.
PKAPI bool PaletteInfo(HPALETTE hpal, ULONG* mode, std::vector<ULONG>* colors);

// ---- Regions and clip objects --------------------------------------------------
// A set of dots as a y-banded list of rectangles: bands top to bottom, each with
// disjoint spans left to right; equal neighbouring bands are merged.
class PKAPI Region {
 public:
  struct Band {
    LONG top, bottom;
    std::vector<std::pair<LONG, LONG>> spans;  // [left, right)
    bool operator==(const Band&) const = default;
  };

  Region() = default;
  static Region FromRect(const RECTL& rc);
  static Region FromRects(const std::vector<RECTL>& rects);  // their union
  // Rings of vertices in dots or in 28.4 fixed point; a dot belongs when its
  // centre is inside under the fill mode (FP_ALTERNATEMODE or FP_WINDINGMODE).
  static Region FromPolygon(const std::vector<std::vector<POINTL>>& rings, ULONG fillMode);
  static Region FromPolygonFix(const std::vector<std::vector<POINTFIX>>& rings, ULONG fillMode);

  Region Intersect(const Region& other) const;
  Region Union(const Region& other) const;
  Region Translate(LONG dx, LONG dy) const;

  bool empty() const { return bands_.empty(); }
  RECTL bounds() const;
  std::vector<RECTL> rects() const;
  const std::vector<Band>& bands() const { return bands_; }
  bool operator==(const Region&) const = default;

 private:
  friend struct RegionBuilder;
  std::vector<Band> bands_;
};

// DC_RECT for a region of one rectangle, DC_COMPLEX for any other (also empty).
PKAPI CLIPOBJ* CreateClip(const Region& region);
// DC_TRIVIAL: nothing is clipped; bounds are what the clip object reports.
PKAPI CLIPOBJ* CreateTrivialClip(const RECTL& bounds);
PKAPI const Region* ClipRegion(const CLIPOBJ* pco);
PKAPI void DeleteClip(CLIPOBJ* pco);

// ---- Paths ---------------------------------------------------------------------
// Built in 28.4 fixed point; Bézier curves are flattened into lines. Freed with
// EngDeletePath.
PKAPI PATHOBJ* CreatePath();
PKAPI void PathMoveTo(PATHOBJ* ppo, POINTFIX pt);
PKAPI void PathLineTo(PATHOBJ* ppo, POINTFIX pt);
PKAPI void PathBezierTo(PATHOBJ* ppo, POINTFIX c1, POINTFIX c2, POINTFIX end);
PKAPI void PathCloseFigure(PATHOBJ* ppo);
// At most this many points per PATHOBJ_bEnum record (0: a whole subpath).
PKAPI void SetPathRecordLimit(PATHOBJ* ppo, ULONG maxPoints);

// ---- Brushes -------------------------------------------------------------------
// iSolidColor is a device colour (0x00RRGGBB). Hatch and pattern brushes are
// realised by the target's driver (DrvRealizeBrush) on their first
// BRUSHOBJ_pvGetRbrush. A hatch brush (iHatch 0-5) passes an 8 x 8 1-bpp pattern
// (bit 0: hatch line, 1: background) and the table {hatch colour, background};
// a pattern brush passes iHatch 6 with its pattern (not owned) and translation.
PKAPI BRUSHOBJ* CreateSolidBrush(ULONG deviceColor);
PKAPI BRUSHOBJ* CreateHatchBrush(ULONG iHatch, ULONG hatchColor, ULONG background);
PKAPI BRUSHOBJ* CreatePatternBrush(SURFOBJ* pattern, XLATEOBJ* pxlo);
PKAPI void SetBrushTarget(BRUSHOBJ* pbo, SURFOBJ* target);
PKAPI void DeleteBrush(BRUSHOBJ* pbo);  // frees the realised brush too

// ---- Colour translation --------------------------------------------------------
// Every translation delivers device colours 0x00RRGGBB.
PKAPI XLATEOBJ* CreateXlateTrivial();
PKAPI XLATEOBJ* CreateXlateTable(const ULONG* colors, ULONG count);
// Pixels of 16 or 32 bits split by masks (5-5-5: 0x7C00, 0x03E0, 0x001F).
PKAPI XLATEOBJ* CreateXlateBitfields(ULONG redMask, ULONG greenMask, ULONG blueMask);
// 24/32-bit pixels given as 0x00BBGGRR (PAL_RGB) or 0x00RRGGBB (PAL_BGR).
PKAPI XLATEOBJ* CreateXlateRgb(ULONG palType);
PKAPI void DeleteXlate(XLATEOBJ* pxlo);

// ---- Transforms ----------------------------------------------------------------
PKAPI XFORMOBJ* CreateXform(const XFORML& m);
PKAPI void DeleteXform(XFORMOBJ* pxo);

// ---- Fonts ---------------------------------------------------------------------
enum class FontFamily { Sans, SansMono, Serif };

struct FontRequest {
  FontFamily family = FontFamily::Sans;
  bool bold = false;
  LONG emDots = 100;        // em height in dots
  double angleDegrees = 0;  // baseline angle, counter-clockwise on the page
  bool simulatedItalic = false;
};

// The folder of the DejaVu fonts (default /usr/share/fonts/truetype/dejavu,
// restored by the seam reset).
PKAPI void SetFontFolder(const std::string& folder);
PKAPI std::string FontFolder();
// A realisation of a face: null when its file cannot be opened.
PKAPI FONTOBJ* CreateTrueTypeFont(const FontRequest& request);
// A faceless device font: the driver's font queries read its iFace, transform
// and metrics; it has no glyph bitmaps.
PKAPI FONTOBJ* CreateDeviceFont(ULONG iFace, const XFORML& xform, IFIMETRICS* pifi, ULONG cxMax);
PKAPI HGLYPH FontGlyphIndex(FONTOBJ* pfo, char32_t ch);  // 0 when the face lacks it
// The advance of every glyph of a monospaced face in dots (a string's
// ulCharInc); 0 for a proportional face.
PKAPI ULONG FontFixedAdvance(FONTOBJ* pfo);
PKAPI void DeleteFont(FONTOBJ* pfo);

// ---- Strings -------------------------------------------------------------------
struct StringGlyph {
  HGLYPH hg;
  POINTL ptl;  // baseline point of the glyph
};

// A string of glyphs of one font. batchLimit 0: pgp holds every glyph; else pgp
// is null and STROBJ_bEnum gives runs of at most batchLimit glyphs.
PKAPI STROBJ* CreateString(FONTOBJ* pfo, const std::vector<StringGlyph>& glyphs, const std::u16string& text,
                           FLONG flAccel, ULONG ulCharInc, const RECTL& background, ULONG batchLimit);
PKAPI void DeleteString(STROBJ* pstro);

// Engine objects made and not yet freed (paths, clips, brushes, translations,
// transforms, fonts, strings, bitmaps), for leak checks in tests.
PKAPI size_t LiveEngineObjects();

// ---- Calls the engine could not draw -------------------------------------------
struct EngineCall {
  enum Kind { BitBlt, EraseSurface } kind;
  SURFOBJ* pso;
  RECTL rcl;     // target rectangle (zero when none was given)
  ROP4 rop4;     // EngBitBlt
  ULONG iColor;  // EngEraseSurface
  bool hasSource;
  bool hasMask;
  bool hasBrush;
};
PKAPI std::vector<EngineCall> EngineCalls();
PKAPI void ClearEngineCalls();
// The EngStretchBlt calls made, in order, with the mode asked for and the
// rectangles as given (zero when none was); cleared with the engine calls.
struct StretchCall {
  ULONG iMode;
  RECTL dest;
  RECTL src;
  bool hasMask;
  bool hasColorAdjustment;
  COLORADJUSTMENT ca;
};
PKAPI std::vector<StretchCall> StretchCalls();
// What EngBitBlt and EngEraseSurface answer (TRUE by default). The seam reset
// of the test support clears the record and restores the default.
PKAPI void SetEngineFallbackResult(BOOL result);

}  // namespace pkgdi
