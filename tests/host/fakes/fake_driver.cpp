// A recording graphics driver for the host's tests: the 24-row binding table,
// a device surface drawn through the engine's objects (brush realisation on
// first use, full clip enumeration, path and string enumeration), configured
// page, surface, band origins and hooks, a chosen failing call, and a trace of
// every call with what it was handed.
//
// Configuration lines (FakeDriverConfigure, or FakeDriver.cfg beside the
// module when DrvEnableDriver runs): "surface W H", "page W H", "dpi X Y",
// "bands x,y x,y ..." or "bands none" (unbanded), "hooks MASK", "fail NAME N"
// (the Nth call fails, 0 every one), "endless" (bands never end), "trace FILE"
// (the trace also goes to a host file), "write TEXT" (each page writes TEXT
// to the printer's job), "ownjob TEXT" (the driver opens a job of its own on
// the same printer at DrvStartDoc, writes TEXT and ends it at DrvEndDoc),
// "drop INDEX" (the table lacks that row), "fallback" (DrvBitBlt hands its
// work back to EngBitBlt).
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gdi/eng_services.h"
#include "platform/spooler/winspool.h"

namespace {

struct Config {
  SIZEL surface{800, 500};
  SIZEL page{800, 1000};
  ULONG dpiX = 300, dpiY = 300;
  std::vector<POINTL> bands{{0, 0}, {0, 500}};
  bool banded = true;
  FLONG hooks = 0x42B;
  std::map<std::string, int> fail;  // entry name -> call number (0: every)
  bool endless = false;
  std::string traceFile;
  std::string write;
  std::string ownJob;
  std::vector<ULONG> drop;
  bool fallback = false;
};

struct Pdev {
  int serial = 0;
  HDEV hdev = nullptr;
  HSURF hsurf = nullptr;
  HANDLE hPrinter = nullptr;
  HANDLE ownPrinter = nullptr;
  std::u16string name;
  size_t band = 0;
};

Config g_config;
std::string g_trace;
std::map<std::string, int> g_calls;
int g_pdevs = 0;

void ParseConfig(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::string key;
    ls >> key;
    if (key == "surface") ls >> g_config.surface.cx >> g_config.surface.cy;
    else if (key == "page") ls >> g_config.page.cx >> g_config.page.cy;
    else if (key == "dpi") ls >> g_config.dpiX >> g_config.dpiY;
    else if (key == "hooks") {
      std::string v;
      ls >> v;
      g_config.hooks = std::stoul(v, nullptr, 0);
    } else if (key == "fail") {
      std::string name;
      int n = 0;
      ls >> name >> n;
      g_config.fail[name] = n;
    } else if (key == "endless") g_config.endless = true;
    else if (key == "trace") ls >> g_config.traceFile;
    else if (key == "write") std::getline(ls >> std::ws, g_config.write);
    else if (key == "ownjob") std::getline(ls >> std::ws, g_config.ownJob);
    else if (key == "fallback") g_config.fallback = true;
    else if (key == "drop") {
      ULONG index = 0;
      ls >> index;
      g_config.drop.push_back(index);
    } else if (key == "bands") {
      g_config.bands.clear();
      std::string b;
      g_config.banded = true;
      while (ls >> b) {
        if (b == "none") {
          g_config.banded = false;
          break;
        }
        POINTL p{};
        std::sscanf(b.c_str(), "%d,%d", &p.x, &p.y);
        g_config.bands.push_back(p);
      }
    }
  }
}

void Trace(const std::string& line) {
  g_trace += line;
  g_trace += '\n';
  if (!g_config.traceFile.empty()) {
    if (FILE* f = std::fopen(g_config.traceFile.c_str(), "a")) {
      std::fprintf(f, "%s\n", line.c_str());
      std::fclose(f);
    }
  }
}

// Counts the call and answers whether it is the one told to fail.
bool Fails(const std::string& name) {
  int n = ++g_calls[name];
  auto it = g_config.fail.find(name);
  return it != g_config.fail.end() && (it->second == 0 || it->second == n);
}

std::string Rect(const RECTL* r) {
  if (!r) return "none";
  return "(" + std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) + "," +
         std::to_string(r->bottom) + ")";
}

std::string Hex(ULONG v, int digits = 4) {
  char b[16];
  std::snprintf(b, sizeof b, "%0*X", digits, v);
  return b;
}

// The clip as the driver sees it: its complexity and every rectangle.
std::string Clip(CLIPOBJ* pco) {
  if (!pco) return "clip=none";
  if (pco->iDComplexity == DC_TRIVIAL) return "clip=DC_TRIVIAL";
  std::string s = pco->iDComplexity == DC_RECT ? "clip=DC_RECT" : "clip=DC_COMPLEX";
  if (pco->iDComplexity == DC_RECT) return s + " " + Rect(&pco->rclBounds);
  CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_RIGHTDOWN, 0);
  ENUMRECTS50 er;
  BOOL more;
  do {
    more = CLIPOBJ_bEnum(pco, sizeof er, reinterpret_cast<ULONG*>(&er));
    for (ULONG i = 0; i < er.c && i < 50; ++i) s += " " + Rect(&er.arcl[i]);
  } while (more);
  return s;
}

std::string Brush(BRUSHOBJ* pbo) {
  if (!pbo) return "brush=none";
  if (pbo->iSolidColor != 0xFFFFFFFF) return "brush=" + Hex(pbo->iSolidColor, 6);
  void* rb = BRUSHOBJ_pvGetRbrush(pbo);
  return rb ? "brush=realized" : "brush=unrealized";
}

const char* Format(ULONG f) {
  switch (f) {
    case BMF_1BPP: return "BMF_1BPP";
    case BMF_8BPP: return "BMF_8BPP";
    case BMF_24BPP: return "BMF_24BPP";
    default: return "BMF_OTHER";
  }
}

// A source bitmap: format, size, its rows in hex and its colour table.
std::string Source(SURFOBJ* pso, XLATEOBJ* pxlo) {
  std::string s = std::string("src=") + Format(pso->iBitmapFormat) + " " + std::to_string(pso->sizlBitmap.cx) + "x" +
                  std::to_string(pso->sizlBitmap.cy) + " bits=";
  ULONG bits = pso->iBitmapFormat == BMF_1BPP ? 1 : pso->iBitmapFormat == BMF_8BPP ? 8 : 24;
  size_t rowBytes = (size_t(pso->sizlBitmap.cx) * bits + 7) / 8;
  for (LONG y = 0; y < pso->sizlBitmap.cy && y < 8; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(pso->pvScan0) + ptrdiff_t(y) * pso->lDelta;
    if (y) s += "/";
    for (size_t i = 0; i < rowBytes && i < 32; ++i) {
      char b[4];
      std::snprintf(b, sizeof b, "%02X", row[i]);
      s += b;
    }
  }
  if (pxlo && pxlo->pulXlate && pxlo->cEntries <= 2) {
    s += " table=";
    for (ULONG i = 0; i < pxlo->cEntries; ++i) s += (i ? "," : "") + Hex(pxlo->pulXlate[i], 6);
  }
  return s;
}

Pdev* PdevOf(SURFOBJ* pso) { return pso ? reinterpret_cast<Pdev*>(pso->dhpdev) : nullptr; }

// ---- Entry points -----------------------------------------------------------

DHPDEV FakeEnablePDEV(DEVMODEW* pdm, LPWSTR, ULONG, HSURF*, ULONG cjCaps, ULONG* pdevcaps, ULONG cjDevInfo,
                      DEVINFO* pdi, HDEV hdev, LPWSTR pwszDeviceName, HANDLE hDriver) {
  std::string line = "DrvEnablePDEV pdev=" + std::to_string(g_pdevs + 1);
  if (pdm) {
    line += " extra=" + std::to_string(pdm->dmDriverExtra) + " paper=" + std::to_string(pdm->dmPaperSize);
    if (pdm->dmSize + pdm->dmDriverExtra > 2628) {
      line += " tail=";
      const uint8_t* b = reinterpret_cast<const uint8_t*>(pdm);
      for (int i = 2628; i < pdm->dmSize + pdm->dmDriverExtra && i < 2638; ++i) {
        char h[4];
        std::snprintf(h, sizeof h, "%02X", b[i]);
        line += h;
      }
    }
  }
  Trace(line);
  if (Fails("DrvEnablePDEV")) return nullptr;
  GDIINFO gi{};
  gi.ulVersion = 0x5000;
  gi.ulTechnology = DT_RASPRINTER;
  gi.ulHorzRes = static_cast<ULONG>(g_config.page.cx);
  gi.ulVertRes = static_cast<ULONG>(g_config.page.cy);
  gi.ulLogPixelsX = g_config.dpiX;
  gi.ulLogPixelsY = g_config.dpiY;
  gi.cBitsPixel = 24;
  gi.cPlanes = 1;
  gi.szlPhysSize = g_config.page;
  std::memcpy(pdevcaps, &gi, std::min<size_t>(cjCaps, sizeof gi));
  DEVINFO di{};
  di.flGraphicsCaps = GCAPS_HALFTONE;
  std::memcpy(pdi, &di, std::min<size_t>(cjDevInfo, sizeof di));
  Pdev* p = new Pdev();
  p->serial = ++g_pdevs;
  p->hdev = hdev;
  p->hPrinter = hDriver;
  if (pwszDeviceName) p->name = pwszDeviceName;
  return reinterpret_cast<DHPDEV>(p);
}

void FakeCompletePDEV(DHPDEV dhpdev, HDEV hdev) {
  Trace("DrvCompletePDEV");
  reinterpret_cast<Pdev*>(dhpdev)->hdev = hdev;
}

void FakeDisablePDEV(DHPDEV dhpdev) {
  Trace("DrvDisablePDEV");
  delete reinterpret_cast<Pdev*>(dhpdev);
}

HSURF FakeEnableSurface(DHPDEV dhpdev) {
  Trace("DrvEnableSurface");
  if (Fails("DrvEnableSurface")) return nullptr;
  Pdev* p = reinterpret_cast<Pdev*>(dhpdev);
  p->hsurf = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(p), g_config.surface, BMF_24BPP);
  EngAssociateSurface(p->hsurf, p->hdev, g_config.hooks);
  if (g_config.banded) EngMarkBandingSurface(p->hsurf);
  return p->hsurf;
}

void FakeDisableSurface(DHPDEV dhpdev) {
  Trace("DrvDisableSurface");
  Pdev* p = reinterpret_cast<Pdev*>(dhpdev);
  if (p->hsurf) EngDeleteSurface(p->hsurf);
  p->hsurf = nullptr;
}

BOOL FakeResetPDEV(DHPDEV, DHPDEV) {
  Trace("DrvResetPDEV");
  return !Fails("DrvResetPDEV");
}

BOOL FakeStartDoc(SURFOBJ* pso, LPWSTR, DWORD jobId) {
  Trace("DrvStartDoc job=" + std::to_string(jobId) + " surface=" + std::to_string(pso->sizlBitmap.cx) + "x" +
        std::to_string(pso->sizlBitmap.cy));
  Pdev* p = PdevOf(pso);
  if (!g_config.ownJob.empty() && !p->ownPrinter && OpenPrinterW(p->name.c_str(), &p->ownPrinter, nullptr)) {
    DOC_INFO_1W di{u"own job", nullptr, u"RAW"};
    StartDocPrinterW(p->ownPrinter, 1, reinterpret_cast<const BYTE*>(&di));
  }
  return !Fails("DrvStartDoc");
}

BOOL FakeEndDoc(SURFOBJ* pso, FLONG fl) {
  Trace("DrvEndDoc " + std::to_string(fl));
  Pdev* p = PdevOf(pso);
  if (p->ownPrinter) {
    DWORD written = 0;
    WritePrinter(p->ownPrinter, g_config.ownJob.data(), static_cast<DWORD>(g_config.ownJob.size()), &written);
    EndDocPrinter(p->ownPrinter);
    ClosePrinter(p->ownPrinter);
    p->ownPrinter = nullptr;
  }
  return !Fails("DrvEndDoc");
}

BOOL FakeStartPage(SURFOBJ* pso) {
  Trace("DrvStartPage pdev=" + std::to_string(PdevOf(pso)->serial));
  return !Fails("DrvStartPage");
}

BOOL FakeSendPage(SURFOBJ* pso) {
  Trace("DrvSendPage");
  if (!g_config.write.empty()) {
    DWORD written = 0;
    WritePrinter(PdevOf(pso)->hPrinter, g_config.write.data(), static_cast<DWORD>(g_config.write.size()), &written);
  }
  return !Fails("DrvSendPage");
}

BOOL NextOrigin(SURFOBJ* pso, POINTL* pptl) {
  Pdev* p = PdevOf(pso);
  if (g_config.endless) {
    *pptl = POINTL{0, 0};
  } else if (p->band < g_config.bands.size()) {
    *pptl = g_config.bands[p->band++];
  } else {
    *pptl = POINTL{-1, -1};
  }
  return TRUE;
}

BOOL FakeStartBanding(SURFOBJ* pso, POINTL* pptl) {
  PdevOf(pso)->band = 0;
  NextOrigin(pso, pptl);
  Trace("DrvStartBanding (" + std::to_string(pptl->x) + "," + std::to_string(pptl->y) + ")");
  return !Fails("DrvStartBanding");
}

BOOL FakeNextBand(SURFOBJ* pso, POINTL* pptl) {
  NextOrigin(pso, pptl);
  Trace("DrvNextBand (" + std::to_string(pptl->x) + "," + std::to_string(pptl->y) + ")");
  return !Fails("DrvNextBand");
}

BOOL FakeRealizeBrush(BRUSHOBJ* pbo, SURFOBJ*, SURFOBJ* psoPattern, SURFOBJ*, XLATEOBJ*, ULONG iHatch) {
  Trace("DrvRealizeBrush hatch=" + std::to_string(iHatch) +
        " pattern=" + std::to_string(psoPattern ? psoPattern->sizlBitmap.cx : 0));
  if (Fails("DrvRealizeBrush")) return FALSE;
  pbo->pvRbrush = BRUSHOBJ_pvAllocRbrush(pbo, 16);
  return pbo->pvRbrush != nullptr;
}

BOOL FakeBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ*, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
                POINTL* pptlSrc, POINTL*, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
  std::string line = "DrvBitBlt rop=" + Hex(rop4) + " trg=" + Rect(prclTrg) + " " + Clip(pco) + " " + Brush(pbo);
  if (psoSrc) line += " " + Source(psoSrc, pxlo);
  Trace(line);
  if (g_config.fallback)
    return EngBitBlt(psoTrg, psoSrc, nullptr, pco, pxlo, prclTrg, pptlSrc, nullptr, pbo, pptlBrush, rop4);
  return !Fails("DrvBitBlt");
}

BOOL FakeCopyBits(SURFOBJ*, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest, POINTL*) {
  Trace("DrvCopyBits dest=" + Rect(prclDest) + " " + Clip(pco) + " " + Source(psoSrc, pxlo));
  return !Fails("DrvCopyBits");
}

BOOL FakeStretchBlt(SURFOBJ*, SURFOBJ* psoSrc, SURFOBJ*, CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT*, POINTL*,
                    RECTL* prclDest, RECTL* prclSrc, POINTL*, ULONG iMode) {
  Trace("DrvStretchBlt dest=" + Rect(prclDest) + " srcrect=" + Rect(prclSrc) + " mode=" + std::to_string(iMode) + " " +
        Clip(pco) + " " + Source(psoSrc, pxlo));
  return !Fails("DrvStretchBlt");
}

BOOL FakeStrokePath(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ*, BRUSHOBJ* pbo, POINTL*, LINEATTRS* pla, MIX mix) {
  std::string line = "DrvStrokePath pts=";
  PATHOBJ_vEnumStart(ppo);
  PATHDATA pd;
  BOOL more;
  do {
    more = PATHOBJ_bEnum(ppo, &pd);
    for (ULONG i = 0; i < pd.count; ++i)
      line += "(" + std::to_string(pd.pptfx[i].x) + "," + std::to_string(pd.pptfx[i].y) + ")";
  } while (more);
  RECTFX b{};
  PATHOBJ_vGetBounds(ppo, &b);
  line += " bounds=(" + std::to_string(b.xLeft) + "," + std::to_string(b.yTop) + "," + std::to_string(b.xRight) + "," +
          std::to_string(b.yBottom) + ") " + Clip(pco) + " " + Brush(pbo) + " mix=" + Hex(mix) +
          " style=" + std::to_string(pla ? pla->cstyle : 0);
  Trace(line);
  return !Fails("DrvStrokePath");
}

BOOL FakeTextOut(SURFOBJ*, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                 BRUSHOBJ* pboFore, BRUSHOBJ*, POINTL*, MIX) {
  std::string line = "DrvTextOut glyphs=" + std::to_string(pstro->cGlyphs);
  STROBJ_vEnumStart(pstro);
  ULONG c = 0;
  GLYPHPOS* gp = nullptr;
  BOOL more;
  bool first = true;
  do {
    more = STROBJ_bEnum(pstro, &c, &gp);
    if (c && first) {
      line += " at=(" + std::to_string(gp[0].ptl.x) + "," + std::to_string(gp[0].ptl.y) + ")";
      first = false;
    }
  } while (more);
  int extras = 0;
  for (RECTL* r = prclExtra; r && (r->left || r->right || r->top || r->bottom); ++r) ++extras;
  line += " font=" + std::string(pfo ? "yes" : "no") + " " + Clip(pco) + " opaque=" + Rect(prclOpaque) +
          " extra=" + std::to_string(extras) + " " + Brush(pboFore);
  Trace(line);
  return !Fails("DrvTextOut");
}

ULONG FakeEscape(SURFOBJ*, ULONG iEsc, ULONG cjIn, PVOID, ULONG cjOut, PVOID pvOut) {
  Trace("DrvEscape " + Hex(iEsc) + " in=" + std::to_string(cjIn) + " out=" + std::to_string(cjOut));
  if (pvOut && cjOut) std::memset(pvOut, 0x5A, cjOut);
  return 1;
}

// Font queries and the rest are present for the table, never needed here.
IFIMETRICS* FakeQueryFont(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR*) { return nullptr; }
PVOID FakeQueryFontTree(DHPDEV, ULONG_PTR, ULONG, ULONG, ULONG_PTR*) { return nullptr; }
LONG FakeQueryFontData(DHPDEV, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID, ULONG) { return FD_ERROR; }
ULONG FakeGetGlyphMode(DHPDEV, FONTOBJ*) { return FO_GLYPHBITS; }
BOOL FakeQueryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG) { return FALSE; }

template <typename F>
PFN Fn(F f) {
  return reinterpret_cast<PFN>(f);
}

DRVFN g_table[] = {
    {INDEX_DrvEnablePDEV, Fn(&FakeEnablePDEV)},
    {INDEX_DrvCompletePDEV, Fn(&FakeCompletePDEV)},
    {INDEX_DrvDisablePDEV, Fn(&FakeDisablePDEV)},
    {INDEX_DrvEnableSurface, Fn(&FakeEnableSurface)},
    {INDEX_DrvDisableSurface, Fn(&FakeDisableSurface)},
    {INDEX_DrvResetPDEV, Fn(&FakeResetPDEV)},
    {INDEX_DrvRealizeBrush, Fn(&FakeRealizeBrush)},
    {INDEX_DrvStrokePath, Fn(&FakeStrokePath)},
    {INDEX_DrvBitBlt, Fn(&FakeBitBlt)},
    {INDEX_DrvCopyBits, Fn(&FakeCopyBits)},
    {INDEX_DrvStretchBlt, Fn(&FakeStretchBlt)},
    {INDEX_DrvTextOut, Fn(&FakeTextOut)},
    {INDEX_DrvEscape, Fn(&FakeEscape)},
    {INDEX_DrvQueryFont, Fn(&FakeQueryFont)},
    {INDEX_DrvQueryFontTree, Fn(&FakeQueryFontTree)},
    {INDEX_DrvQueryFontData, Fn(&FakeQueryFontData)},
    {INDEX_DrvSendPage, Fn(&FakeSendPage)},
    {INDEX_DrvStartPage, Fn(&FakeStartPage)},
    {INDEX_DrvEndDoc, Fn(&FakeEndDoc)},
    {INDEX_DrvStartDoc, Fn(&FakeStartDoc)},
    {INDEX_DrvGetGlyphMode, Fn(&FakeGetGlyphMode)},
    {INDEX_DrvQueryAdvanceWidths, Fn(&FakeQueryAdvanceWidths)},
    {INDEX_DrvStartBanding, Fn(&FakeStartBanding)},
    {INDEX_DrvNextBand, Fn(&FakeNextBand)},
};
static_assert(sizeof(g_table) / sizeof(g_table[0]) == 24);

// The configuration file beside the module, when there is one.
void ReadConfigFile() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&ReadConfigFile), &info) || !info.dli_fname) return;
  std::string path = info.dli_fname;
  path = path.substr(0, path.find_last_of('/') + 1) + "FakeDriver.cfg";
  std::ifstream f(path);
  if (!f) return;
  std::stringstream ss;
  ss << f.rdbuf();
  ParseConfig(ss.str());
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) BOOL DrvEnableDriver(ULONG, ULONG cj, DRVENABLEDATA* pded) {
  ReadConfigFile();
  Trace("DrvEnableDriver");
  if (cj < sizeof(DRVENABLEDATA) || !pded) return FALSE;
  static std::vector<DRVFN> rows;
  rows.clear();
  for (const DRVFN& row : g_table)
    if (std::find(g_config.drop.begin(), g_config.drop.end(), row.iFunc) == g_config.drop.end()) rows.push_back(row);
  pded->iDriverVersion = DDI_DRIVER_VERSION_NT4;
  pded->c = static_cast<ULONG>(rows.size());
  pded->pdrvfn = rows.data();
  return TRUE;
}

__attribute__((visibility("default"))) void DrvDisableDriver() { Trace("DrvDisableDriver"); }

__attribute__((visibility("default"))) void FakeDriverConfigure(const char* text) { ParseConfig(text); }

__attribute__((visibility("default"))) void FakeDriverReset() {
  g_config = Config{};
  g_trace.clear();
  g_calls.clear();
  g_pdevs = 0;
}

__attribute__((visibility("default"))) const char* FakeDriverTrace() { return g_trace.c_str(); }

}  // extern "C"
