// Records, handles and constants of the display and printer driver interface:
// the engine objects handed to a driver's Drv* entry points (SURFOBJ, CLIPOBJ,
// PATHOBJ, BRUSHOBJ, STROBJ, FONTOBJ, XFORMOBJ, XLATEOBJ), the blocks a driver
// fills for the engine (GDIINFO, DEVINFO, IFIMETRICS, glyph sets) and the
// binding table of its entry points. 64-bit layouts; the sizes the driver and the
// engine rely on are checked at compile time.
#pragma once

#include "platform/win/win_logfont.h"
#include "platform/win/win_types.h"

// Handles of the engine and of the driver.
PK_DECLARE_HANDLE(HSURF);
PK_DECLARE_HANDLE(DHSURF);
PK_DECLARE_HANDLE(DHPDEV);
PK_DECLARE_HANDLE(HDEV);
using HGLYPH = ULONG;
using FIX = LONG;  // 28.4 fixed point
using FLOATL = FLOAT;
using FWORD = SHORT;
using FSHORT = USHORT;
using LDECI4 = LONG;
using ROP4 = ULONG;
using MIX = ULONG;
using PFN = void (*)(void);
using PHSURF = HSURF*;

#define HGLYPH_INVALID (static_cast<HGLYPH>(0xFFFFFFFF))
#define FD_ERROR 0xFFFFFFFFu
#define DDI_ERROR 0xFFFFFFFFu

#pragma pack(push, 8)

union FLOAT_LONG {
  FLOATL e;
  LONG l;
};
using PFLOAT_LONG = FLOAT_LONG*;

struct POINTFIX {
  FIX x;
  FIX y;
};
struct RECTFX {
  FIX xLeft;
  FIX yTop;
  FIX xRight;
  FIX yBottom;
};
struct POINTE {
  FLOATL x;
  FLOATL y;
};
// A 64-bit value with its two halves (the layer's other areas use this one).
#ifndef PK_LARGE_INTEGER_DEFINED
#define PK_LARGE_INTEGER_DEFINED
union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  };
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};
#endif
struct POINTQF {
  LARGE_INTEGER x;
  LARGE_INTEGER y;
};
struct XFORML {
  FLOATL eM11;
  FLOATL eM12;
  FLOATL eM21;
  FLOATL eM22;
  FLOATL eDx;
  FLOATL eDy;
};
struct FD_XFORM {
  FLOATL eXX;
  FLOATL eXY;
  FLOATL eYX;
  FLOATL eYY;
};

// ---- Engine objects -------------------------------------------------------

struct SURFOBJ {
  DHSURF dhsurf;
  HSURF hsurf;
  DHPDEV dhpdev;
  HDEV hdev;
  SIZEL sizlBitmap;
  ULONG cjBits;
  PVOID pvBits;
  PVOID pvScan0;
  LONG lDelta;
  ULONG iUniq;
  ULONG iBitmapFormat;
  USHORT iType;
  USHORT fjBitmap;
};

struct CLIPOBJ {
  ULONG iUniq;
  RECTL rclBounds;
  BYTE iDComplexity;
  BYTE iFComplexity;
  BYTE iMode;
  BYTE fjOptions;
};

struct BRUSHOBJ {
  ULONG iSolidColor;
  PVOID pvRbrush;
  FLONG flColorType;
};

struct PATHOBJ {
  FLONG fl;
  ULONG cCurves;
};

struct PATHDATA {
  FLONG flags;
  ULONG count;
  POINTFIX* pptfx;
};

struct XFORMOBJ {
  ULONG ulReserved;
};

struct XLATEOBJ {
  ULONG iUniq;
  FLONG flXlate;
  USHORT iSrcType;
  USHORT iDstType;
  ULONG cEntries;
  ULONG* pulXlate;
};

struct FONTOBJ {
  ULONG iUniq;
  ULONG iFace;
  ULONG cxMax;
  FLONG flFontType;
  ULONG_PTR iTTUniq;
  ULONG_PTR iFile;
  SIZE sizLogResPpi;
  ULONG ulStyleSize;
  PVOID pvConsumer;
  PVOID pvProducer;
};

struct GLYPHBITS {
  POINTL ptlOrigin;  // from the baseline point to the top-left dot
  SIZEL sizlBitmap;
  BYTE aj[1];  // rows of (cx + 7) / 8 bytes, most significant bit leftmost
};

union GLYPHDEF {
  GLYPHBITS* pgb;
  PATHOBJ* ppo;
};

struct GLYPHPOS {
  HGLYPH hg;
  GLYPHDEF* pgdf;
  POINTL ptl;
};

struct GLYPHDATA {
  GLYPHDEF gdf;
  HGLYPH hg;
  FIX fxD;
  FIX fxA;
  FIX fxAB;
  FIX fxInkTop;
  FIX fxInkBottom;
  RECTL rclInk;
  POINTQF ptqD;
};

struct STROBJ {
  ULONG cGlyphs;
  FLONG flAccel;
  ULONG ulCharInc;
  RECTL rclBkGround;
  GLYPHPOS* pgp;
  LPWSTR pwszOrg;
};

struct LINEATTRS {
  FLONG fl;
  ULONG iJoin;
  ULONG iEndCap;
  FLOAT_LONG elWidth;
  FLOATL eMiterLimit;
  ULONG cstyle;
  PFLOAT_LONG pstyle;
  FLOAT_LONG elStyleState;
};

struct COLORADJUSTMENT {
  WORD caSize;
  WORD caFlags;
  WORD caIlluminantIndex;
  WORD caRedGamma;
  WORD caGreenGamma;
  WORD caBlueGamma;
  WORD caReferenceBlack;
  WORD caReferenceWhite;
  SHORT caContrast;
  SHORT caBrightness;
  SHORT caColorfulness;
  SHORT caRedGreenTint;
};

// Rectangle batches of CLIPOBJ_bEnum: a count, then the rectangles.
struct ENUMRECTS {
  ULONG c;
  RECTL arcl[1];
};
template <ULONG N>
struct ENUMRECTS_N {
  ULONG c;
  RECTL arcl[N];
};
using ENUMRECTS300 = ENUMRECTS_N<300>;
using ENUMRECTS50 = ENUMRECTS_N<50>;

// ---- Driver binding ----------------------------------------------------------

struct DRVFN {
  ULONG iFunc;
  PFN pfn;
};

struct DRVENABLEDATA {
  ULONG iDriverVersion;
  ULONG c;
  DRVFN* pdrvfn;
};

// ---- Device capabilities -----------------------------------------------------

struct CIECHROMA {
  LDECI4 x;
  LDECI4 y;
  LDECI4 Y;
};

struct COLORINFO {
  CIECHROMA Red;
  CIECHROMA Green;
  CIECHROMA Blue;
  CIECHROMA Cyan;
  CIECHROMA Magenta;
  CIECHROMA Yellow;
  CIECHROMA AlignmentWhite;
  LDECI4 RedGamma;
  LDECI4 GreenGamma;
  LDECI4 BlueGamma;
  LDECI4 MagentaInCyanDye;
  LDECI4 YellowInCyanDye;
  LDECI4 CyanInMagentaDye;
  LDECI4 YellowInMagentaDye;
  LDECI4 CyanInYellowDye;
  LDECI4 MagentaInYellowDye;
};

struct GDIINFO {
  ULONG ulVersion;
  ULONG ulTechnology;
  ULONG ulHorzSize;
  ULONG ulVertSize;
  ULONG ulHorzRes;
  ULONG ulVertRes;
  ULONG cBitsPixel;
  ULONG cPlanes;
  ULONG ulNumColors;
  ULONG flRaster;
  ULONG ulLogPixelsX;
  ULONG ulLogPixelsY;
  ULONG flTextCaps;
  ULONG ulDACRed;
  ULONG ulDACGreen;
  ULONG ulDACBlue;
  ULONG ulAspectX;
  ULONG ulAspectY;
  ULONG ulAspectXY;
  LONG xStyleStep;
  LONG yStyleStep;
  LONG denStyleStep;
  POINTL ptlPhysOffset;
  SIZEL szlPhysSize;
  ULONG ulNumPalReg;
  COLORINFO ciDevice;
  ULONG ulDevicePelsDPI;
  ULONG ulPrimaryOrder;
  ULONG ulHTPatternSize;
  ULONG ulHTOutputFormat;
  ULONG flHTFlags;
  ULONG ulVRefresh;
  ULONG ulBltAlignment;
  ULONG ulPanningHorzRes;
  ULONG ulPanningVertRes;
  ULONG xPanningAlignment;
  ULONG yPanningAlignment;
  ULONG cxHTPat;
  ULONG cyHTPat;
  LPBYTE pHTPatA;
  LPBYTE pHTPatB;
  LPBYTE pHTPatC;
  ULONG flShadeBlend;
  ULONG ulPhysicalPixelCharacteristics;
  ULONG ulPhysicalPixelGamma;
};

struct DEVINFO {
  FLONG flGraphicsCaps;
  LOGFONTW lfDefaultFont;
  LOGFONTW lfAnsiVarFont;
  LOGFONTW lfAnsiFixFont;
  ULONG cFonts;
  ULONG iDitherFormat;
  USHORT cxDither;
  USHORT cyDither;
  HPALETTE hpalDefault;
  FLONG flGraphicsCaps2;
};

// ---- Fonts -----------------------------------------------------------------

struct PANOSE {
  BYTE bFamilyType;
  BYTE bSerifStyle;
  BYTE bWeight;
  BYTE bProportion;
  BYTE bContrast;
  BYTE bStrokeVariation;
  BYTE bArmStyle;
  BYTE bLetterform;
  BYTE bMidline;
  BYTE bXHeight;
};

// Offsets inside a font description block are 32-bit: an IFIMETRICS is 192
// bytes with its names following at offset 192, and FONTSIM is 12 bytes.
struct IFIMETRICS {
  ULONG cjThis;
  ULONG cjIfiExtra;
  LONG dpwszFamilyName;
  LONG dpwszStyleName;
  LONG dpwszFaceName;
  LONG dpwszUniqueName;
  LONG dpFontSim;
  LONG lEmbedId;
  LONG lItalicAngle;
  LONG lCharBias;
  LONG dpCharSets;
  BYTE jWinCharSet;
  BYTE jWinPitchAndFamily;
  USHORT usWinWeight;
  ULONG flInfo;
  USHORT fsSelection;
  USHORT fsType;
  FWORD fwdUnitsPerEm;
  FWORD fwdLowestPPEm;
  FWORD fwdWinAscender;
  FWORD fwdWinDescender;
  FWORD fwdMacAscender;
  FWORD fwdMacDescender;
  FWORD fwdMacLineGap;
  FWORD fwdTypoAscender;
  FWORD fwdTypoDescender;
  FWORD fwdTypoLineGap;
  FWORD fwdAveCharWidth;
  FWORD fwdMaxCharInc;
  FWORD fwdCapHeight;
  FWORD fwdXHeight;
  FWORD fwdSubscriptXSize;
  FWORD fwdSubscriptYSize;
  FWORD fwdSubscriptXOffset;
  FWORD fwdSubscriptYOffset;
  FWORD fwdSuperscriptXSize;
  FWORD fwdSuperscriptYSize;
  FWORD fwdSuperscriptXOffset;
  FWORD fwdSuperscriptYOffset;
  FWORD fwdUnderscoreSize;
  FWORD fwdUnderscorePosition;
  FWORD fwdStrikeoutSize;
  FWORD fwdStrikeoutPosition;
  BYTE chFirstChar;
  BYTE chLastChar;
  BYTE chDefaultChar;
  BYTE chBreakChar;
  WCHAR wcFirstChar;
  WCHAR wcLastChar;
  WCHAR wcDefaultChar;
  WCHAR wcBreakChar;
  POINTL ptlBaseline;
  POINTL ptlAspect;
  POINTL ptlCaret;
  RECTL rclFontBox;
  BYTE achVendId[4];
  ULONG cKerningPairs;
  ULONG ulPanoseCulture;
  PANOSE panose;
  PVOID pvAlign;
};

struct FONTSIM {
  LONG dpBold;
  LONG dpItalic;
  LONG dpBoldItalic;
};

struct FONTDIFF {
  BYTE jReserved1;
  BYTE jReserved2;
  BYTE jReserved3;
  BYTE bWeight;
  USHORT usWinWeight;
  FSHORT fsSelection;
  FWORD fwdAveCharWidth;
  FWORD fwdMaxCharInc;
  POINTL ptlCaret;
};

struct FD_KERNINGPAIR {
  WCHAR wcFirst;
  WCHAR wcSecond;
  FWORD fwdKern;
};

struct FD_DEVICEMETRICS {
  FLONG flRealizedType;
  POINTE pteBase;
  POINTE pteSide;
  LONG lD;
  FIX fxMaxAscender;
  FIX fxMaxDescender;
  POINTL ptlUnderline1;
  POINTL ptlStrikeOut;
  POINTL ptlULThickness;
  POINTL ptlSOThickness;
  ULONG cxMax;
  ULONG cyMax;
  ULONG cjGlyphMax;
  FD_XFORM fdxQuantized;
  LONG lNonLinearExtLeading;
  LONG lNonLinearIntLeading;
  LONG lNonLinearMaxCharWidth;
  LONG lNonLinearAvgCharWidth;
  LONG lMinA;
  LONG lMinC;
  LONG lMinD;
  LONG alReserved[1];
};

// A run of consecutive Unicode code points and their glyph handles.
struct WCRUN {
  WCHAR wcLow;
  USHORT cGlyphs;
  HGLYPH* phg;
};

struct FD_GLYPHSET {
  ULONG cjThis;
  FLONG flAccel;
  ULONG cGlyphsSupported;
  ULONG cRuns;
  WCRUN awcrun[1];
};

#pragma pack(pop)

static_assert(sizeof(GLYPHPOS) == 24);
static_assert(sizeof(COLORADJUSTMENT) == 24);
static_assert(sizeof(ENUMRECTS300) == 4804 && sizeof(ENUMRECTS50) == 804);
static_assert(sizeof(GDIINFO) == 320);
static_assert(sizeof(DEVINFO) == 312 && offsetof(DEVINFO, hpalDefault) == 296);
static_assert(offsetof(GDIINFO, ciDevice) == 108 && offsetof(GDIINFO, ulHTPatternSize) == 236);
static_assert(sizeof(DRVFN) == 16 && sizeof(DRVENABLEDATA) == 16);
static_assert(sizeof(PATHDATA) == 16 && sizeof(POINTFIX) == 8);
static_assert(sizeof(IFIMETRICS) == 192);
static_assert(sizeof(FONTSIM) == 12 && sizeof(FONTDIFF) == 20);
static_assert(sizeof(FD_KERNINGPAIR) == 6 && sizeof(PANOSE) == 10);
static_assert(sizeof(FD_DEVICEMETRICS) == 124);
static_assert(sizeof(WCRUN) == 16 && offsetof(FD_GLYPHSET, awcrun) == 16);

// ---- Constants ---------------------------------------------------------------

// Driver versions and queries.
#define DDI_DRIVER_VERSION_NT4 0x00020000
#define DRVQUERY_USERMODE 1
#define ED_ABORTDOC 1

// Entry point indexes of the binding table.
#define INDEX_DrvEnablePDEV 0
#define INDEX_DrvCompletePDEV 1
#define INDEX_DrvDisablePDEV 2
#define INDEX_DrvEnableSurface 3
#define INDEX_DrvDisableSurface 4
#define INDEX_DrvResetPDEV 7
#define INDEX_DrvRealizeBrush 12
#define INDEX_DrvStrokePath 14
#define INDEX_DrvFillPath 15
#define INDEX_DrvStrokeAndFillPath 16
#define INDEX_DrvBitBlt 18
#define INDEX_DrvCopyBits 19
#define INDEX_DrvStretchBlt 20
#define INDEX_DrvTextOut 23
#define INDEX_DrvEscape 24
#define INDEX_DrvQueryFont 26
#define INDEX_DrvQueryFontTree 27
#define INDEX_DrvQueryFontData 28
#define INDEX_DrvSendPage 32
#define INDEX_DrvStartPage 33
#define INDEX_DrvEndDoc 34
#define INDEX_DrvStartDoc 35
#define INDEX_DrvGetGlyphMode 37
#define INDEX_DrvQueryAdvanceWidths 53
#define INDEX_DrvStartBanding 57
#define INDEX_DrvNextBand 58
#define INDEX_DrvStretchBltROP 69
#define INDEX_LAST 89

// Surface hooks (EngAssociateSurface).
#define HOOK_BITBLT 0x00000001
#define HOOK_STRETCHBLT 0x00000002
#define HOOK_PLGBLT 0x00000004
#define HOOK_TEXTOUT 0x00000008
#define HOOK_PAINT 0x00000010
#define HOOK_STROKEPATH 0x00000020
#define HOOK_FILLPATH 0x00000040
#define HOOK_STROKEANDFILLPATH 0x00000080
#define HOOK_LINETO 0x00000100
#define HOOK_COPYBITS 0x00000400

// Surface types, bitmap formats and bitmap flags.
#define STYPE_BITMAP 0
#define STYPE_DEVICE 1
#define STYPE_DEVBITMAP 3
#define BMF_1BPP 1
#define BMF_4BPP 2
#define BMF_8BPP 3
#define BMF_16BPP 4
#define BMF_24BPP 5
#define BMF_32BPP 6
#define BMF_4RLE 7
#define BMF_8RLE 8
#define BMF_TOPDOWN 0x0001
#define BMF_NOZEROINIT 0x0002
#define BMF_DONTCACHE 0x0004
#define BMF_USERMEM 0x0008

// Stretching modes.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

// Clip objects.
#define DC_TRIVIAL 0
#define DC_RECT 1
#define DC_COMPLEX 3
#define FC_RECT 1
#define FC_RECT4 2
#define FC_COMPLEX 3
#define TC_RECTANGLES 0
#define TC_PATHOBJ 2
#define OC_BANK_CLIP 1
#define CT_RECTANGLES 0L
#define CD_RIGHTDOWN 0x00000000
#define CD_LEFTDOWN 0x00000001
#define CD_RIGHTUP 0x00000002
#define CD_LEFTUP 0x00000003
#define CD_ANY 0x00000004

// Paths.
#define PO_BEZIERS 0x00000001
#define PO_ELLIPSE 0x00000002
#define PD_BEGINSUBPATH 0x00000001
#define PD_ENDSUBPATH 0x00000002
#define PD_RESETSTYLE 0x00000004
#define PD_CLOSEFIGURE 0x00000008
#define PD_BEZIERS 0x00000010
#define PD_ALL (PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_RESETSTYLE | PD_CLOSEFIGURE | PD_BEZIERS)
#define LA_GEOMETRIC 0x00000001
#define LA_ALTERNATE 0x00000002
#define LA_STARTGAP 0x00000004
#define LA_STYLED 0x00000008
#define FP_ALTERNATEMODE 1
#define FP_WINDINGMODE 2

// Colour translation and palettes.
#define XO_TRIVIAL 0x00000001
#define XO_TABLE 0x00000002
#define XO_TO_MONO 0x00000004
#define PAL_INDEXED 0x00000001
#define PAL_BITFIELDS 0x00000002
#define PAL_RGB 0x00000004
#define PAL_BGR 0x00000008

// Transforms.
#define XF_LTOL 0L
#define XF_INV_LTOL 1L
#define XF_LTOFX 2L
#define XF_INV_FXTOL 3L

// Strings and fonts.
#define SO_FLAG_DEFAULT_PLACEMENT 0x00000001
#define SO_HORIZONTAL 0x00000002
#define SO_VERTICAL 0x00000004
#define SO_REVERSED 0x00000008
#define FO_GLYPHBITS 1
#define FO_PATHOBJ 2
#define RASTER_FONTTYPE 0x0001
#define DEVICE_FONTTYPE 0x0002
#define TRUETYPE_FONTTYPE 0x0004
#define FO_TYPE_RASTER RASTER_FONTTYPE
#define FO_TYPE_DEVICE DEVICE_FONTTYPE
#define FO_TYPE_TRUETYPE TRUETYPE_FONTTYPE
#define FO_SIM_BOLD 0x00002000
#define FO_SIM_ITALIC 0x00004000
#define FO_EM_HEIGHT 0x00008000
#define GS_UNICODE_HANDLES 0x00000001
#define GS_8BIT_HANDLES 0x00000002
#define GS_16BIT_HANDLES 0x00000004
#define QFT_LIGATURES 1
#define QFT_KERNPAIRS 2
#define QFT_GLYPHSET 3
#define QFD_GLYPHANDBITMAP 1
#define QFD_GLYPHANDOUTLINE 2
#define QFD_MAXEXTENTS 3
#define QAW_GETWIDTHS 0
#define QAW_GETEASYWIDTHS 1
#define FM_SEL_ITALIC 0x0001
#define FM_SEL_UNDERSCORE 0x0002
#define FM_SEL_NEGATIVE 0x0004
#define FM_SEL_OUTLINED 0x0008
#define FM_SEL_STRIKEOUT 0x0010
#define FM_SEL_BOLD 0x0020
#define FM_SEL_REGULAR 0x0040
#define FM_NO_EMBEDDING 0x0002
#define FM_INFO_TECH_TRUETYPE 0x00000001
#define FM_INFO_TECH_BITMAP 0x00000002
#define FM_INFO_ARB_XFORMS 0x00000010
#define FM_INFO_1BPP 0x00000020
#define FM_INFO_INTEGER_WIDTH 0x00000800
#define FM_INFO_CONSTANT_WIDTH 0x00001000
#define FM_INFO_NOT_CONTIGUOUS 0x00002000
#define FM_INFO_RETURNS_BITMAPS 0x00020000
#define FM_INFO_UNICODE_COMPLIANT 0x00040000
#define FM_INFO_RIGHT_HANDED 0x00080000
#define FM_INFO_OPTICALLY_FIXED_PITCH 0x00400000
#define FM_INFO_DBCS_FIXED_PITCH 0x10000000
#define PAN_PROP_MONOSPACED 9
#define PAN_SERIF_NORMAL_SANS 11

// Device capabilities.
#define DT_RASPRINTER 2
#define GCAPS_HALFTONE 0x00000010
#define GCAPS_MONO_DITHER 0x00000400
#define GCAPS_DONTJOURNAL 0x00002000
#define GCAPS_FONT_RASTERIZER 0x40000000
#define HT_FORMAT_1BPP 0
#define HT_FLAG_HAS_BLACK_DYE 0x00000002
#define HT_PATSIZE_4x4_M 3
#define HT_PATSIZE_6x6_M 5
#define HT_PATSIZE_8x8_M 7
#define HT_PATSIZE_10x10_M 9
#define HT_PATSIZE_12x12_M 11
#define HT_PATSIZE_14x14_M 13
#define HT_PATSIZE_16x16_M 15

// Escapes every printer driver answers.
#define QUERYESCSUPPORT 8
#define SETCOPYCOUNT 17
#define GETTECHNOLOGY 20
