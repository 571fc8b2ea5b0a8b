// The display DC and the installed TrueType faces. The screen's DC is one
// printer-style DC over a back end that draws nothing and answers the
// display's capabilities; the faces are what FreeType reads from the font
// folder and the Japanese gothic font's folder, scanned once per folder.
#include "platform/gdi/display_dc.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/ddi_types.h"
#include "platform/gdi/engine_host.h"
#include "platform/gdi/printer_dc.h"
#include "platform/gdi/screen_bitmaps.h"

namespace {

constexpr char kGothicFolder[] = "/usr/share/fonts/opentype/ipafont-gothic";

class DisplayBackEnd : public pkgdi::PrinterDcBackEnd {
 public:
  int Escape(int, int, const void*, int, void*) override { return 0; }
  int StartPage() override { return 0; }
  int EndPage() override { return 0; }
  bool TextOut(const pkgdi::DcState&, POINT, const std::u16string&) override { return false; }
  bool MeasureText(const pkgdi::DcState&, const std::u16string&, SIZE*) override { return false; }
  bool Polygon(const pkgdi::DcState&, const std::vector<POINT>&) override { return false; }
  bool Ellipse(const pkgdi::DcState&, const RECT&) override { return false; }
  bool Rectangle(const pkgdi::DcState&, const RECT&) override { return false; }
  int DeviceCaps(int index) override {
    switch (index) {
      case BITSPIXEL: return pk::gdi::DisplayDepth();
      case PLANES: return 1;
      case HORZRES: return 1920;
      case VERTRES: return 1080;
      case LOGPIXELSX:
      case LOGPIXELSY: return pk::gdi::ScreenResolution();
      default: return 0;
    }
  }
};

struct Display {
  std::mutex lock;
  DisplayBackEnd backEnd;
  HDC dc = nullptr;
};
Display& TheDisplay() {
  static Display* d = new Display();  // lives as long as the process
  return *d;
}

// A desktop window handle no other window takes.
const HWND kDesktopWindow = reinterpret_cast<HWND>(uintptr_t(0xDE5C0010));

struct Face {
  std::u16string family, style, fullName;
};

std::u16string Latin1(const char* s) {
  std::u16string out;
  for (; s && *s; ++s) out += char16_t(uint8_t(*s));
  return out;
}

// The TrueType faces of one folder, in file name order.
std::vector<Face> ScanFolder(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    std::string ext = e.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext == ".ttf" || ext == ".ttc" || ext == ".otf") files.push_back(e.path().string());
  }
  std::sort(files.begin(), files.end());
  std::vector<Face> faces;
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) return faces;
  for (const std::string& file : files) {
    FT_Long count = 1;
    for (FT_Long i = 0; i < count; ++i) {
      FT_Face face = nullptr;
      if (FT_New_Face(lib, file.c_str(), i, &face) != 0) break;
      count = face->num_faces;
      // TrueType outlines only.
      if (FT_IS_SFNT(face) && FT_IS_SCALABLE(face) && face->family_name) {
        Face f{Latin1(face->family_name), Latin1(face->style_name), {}};
        f.fullName = f.family;
        if (!f.style.empty() && f.style != u"Book" && f.style != u"Regular") f.fullName += u" " + f.style;
        faces.push_back(std::move(f));
      }
      FT_Done_Face(face);
    }
  }
  FT_Done_FreeType(lib);
  return faces;
}

std::vector<Face> InstalledFaces() {
  static std::mutex lock;
  static std::map<std::string, std::vector<Face>> scanned;
  std::vector<Face> all;
  for (const std::string& folder : {pkgdi::FontFolder(), std::string(kGothicFolder)}) {
    std::lock_guard<std::mutex> g(lock);
    auto it = scanned.find(folder);
    if (it == scanned.end()) it = scanned.emplace(folder, ScanFolder(folder)).first;
    all.insert(all.end(), it->second.begin(), it->second.end());
  }
  return all;
}

void Copy(WCHAR* to, size_t chars, const std::u16string& s) {
  const size_t n = std::min(s.size(), chars - 1);
  std::copy(s.begin(), s.begin() + n, to);
  to[n] = 0;
}

}  // namespace

extern "C" {

HWND GetDesktopWindow(void) { return kDesktopWindow; }

HDC GetDC(HWND hWnd) {
  // A window's DC draws on its backing bitmap.
  if (hWnd && hWnd != kDesktopWindow)
    if (HDC dc = pk::gdi::OpenWindowDc(hWnd)) return dc;
  Display& d = TheDisplay();
  std::lock_guard<std::mutex> g(d.lock);
  if (!d.dc) d.dc = pkgdi::CreatePrinterDc(&d.backEnd);
  return d.dc;
}

int ReleaseDC(HWND, HDC hDC) {
  if (pk::gdi::CloseWindowDc(hDC)) return 1;
  Display& d = TheDisplay();
  std::lock_guard<std::mutex> g(d.lock);
  return hDC && hDC == d.dc ? 1 : 0;
}

int EnumFontFamiliesW(HDC hdc, LPCWSTR lpLogfont, FONTENUMPROCW lpProc, LPARAM lParam) {
  if (!hdc || !lpProc) return 0;
  std::vector<Face> faces;
  try {
    faces = InstalledFaces();
  } catch (...) {
    return 0;
  }
  std::vector<std::u16string> seen;
  int answer = 1;
  for (const Face& f : faces) {
    if (lpLogfont) {
      if (f.family != std::u16string(lpLogfont)) continue;
    } else {
      if (std::find(seen.begin(), seen.end(), f.family) != seen.end()) continue;
      seen.push_back(f.family);
    }
    ENUMLOGFONTW elf{};
    elf.elfLogFont.lfHeight = 0;
    elf.elfLogFont.lfWeight = f.style.find(u"Bold") != std::u16string::npos ? FW_BOLD : FW_NORMAL;
    elf.elfLogFont.lfItalic =
        f.style.find(u"Oblique") != std::u16string::npos || f.style.find(u"Italic") != std::u16string::npos ? 1 : 0;
    Copy(elf.elfLogFont.lfFaceName, LF_FACESIZE, f.family);
    Copy(elf.elfFullName, LF_FULLFACESIZE, f.fullName);
    Copy(elf.elfStyle, LF_FACESIZE, f.style);
    TEXTMETRICW tm{};
    answer = lpProc(&elf.elfLogFont, &tm, TRUETYPE_FONTTYPE, lParam);
    if (!answer) break;
  }
  return answer;
}

}  // extern "C"
