// A PDEV of the default printer whose device font faces, substitution table
// and TrueType fonts are made by the test: faces as the device font tables
// hold them, TrueType fonts as the engine's faceless FONTOBJs over given
// IFIMETRICS (or its DejaVu faces). Global blocks and engine objects are
// counted back at the end of every test.
#pragma once

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "graphics_driver/core/device_fonts.h"
#include "graphics_driver/core/font_alias_table.h"
#include "pdev_fixture.h"
#include "platform/gdi/engine_host.h"
#include "platform/win/win_logfont.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"

namespace pk::test {

// A device font face as the test gives it.
struct Face {
  std::u16string name;
  BYTE charSet = 0;
  BYTE pitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  uint16_t weight = 400;
  BYTE italic = 0;
  bool nameless = false;
};

// A TrueType font's metrics as the test gives them.
struct TrueType {
  std::u16string name;
  BYTE charSet = 0;
  BYTE pitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  USHORT weight = 400;
  USHORT selection = FM_SEL_REGULAR;
  FLONG simulations = 0;  // FO_SIM_BOLD, FO_SIM_ITALIC
  LONG emDots = 100;
  ULONG cxMax = 60;
};

class FontTest : public PdevTest {
 protected:
  void SetUp() override {
    PdevTest::SetUp();
    SelectJapaneseFontAliasTable(1);
    blocks_ = pk::seams::GlobalLiveBlocks();
    objects_ = pkgdi::LiveEngineObjects();
  }
  void TearDown() override {
    SelectJapaneseFontAliasTable(1);
    if (pdev()->fontSubstitution) GlobalFree(pdev()->fontSubstitution);
    pdev()->fontSubstitution = nullptr;
    for (FONTOBJ* f : fonts_) pkgdi::DeleteFont(f);
    fonts_.clear();
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks_);
    EXPECT_EQ(pkgdi::LiveEngineObjects(), objects_);
    PdevTest::TearDown();
  }

  // The PDEV's faces become these (record numbers 1, 2, ...).
  void UseFaces(const std::vector<Face>& faces) {
    names_.clear();
    faces_.clear();
    facePointers_.clear();
    faceIds_.clear();
    for (const Face& f : faces) {
      names_.push_back(f.name);
      faces_.push_back(DeviceFontFace{nullptr, f.pitchAndFamily, f.charSet, f.weight, f.italic});
    }
    for (size_t i = 0; i < faces.size(); ++i) {
      if (!faces[i].nameless) faces_[i].faceName = names_[i].data();
      facePointers_.push_back(&faces_[i]);
      faceIds_.push_back(int32_t(i + 1));
    }
    faceIds_.push_back(0);
    pdev()->fontFaces = facePointers_.empty() ? nullptr : facePointers_.data();
    pdev()->fontFaceIds = faceIds_.data();
    pdev()->fontFaceCount = uint32_t(faces.size());
  }

  // The PDEV's substitution table becomes a GlobalAlloc block of exactly
  // these code units (one zero unit for none).
  void UseTable(const std::u16string& units) { pdev()->fontSubstitution = GlobalTable(units); }
  static WCHAR* GlobalTable(const std::u16string& units) {
    auto* table =
        static_cast<WCHAR*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, std::max<size_t>(units.size(), 1) * sizeof(WCHAR)));
    if (table) std::memcpy(table, units.data(), units.size() * sizeof(WCHAR));
    return table;
  }
  // Pairs of names as the table holds them, with the final empty name.
  static std::u16string Pairs(const std::vector<std::pair<std::u16string, std::u16string>>& pairs) {
    std::u16string units;
    for (const auto& [alias, device] : pairs) units += alias + u'\0' + device + u'\0';
    return units + u'\0';
  }

  // A faceless FONTOBJ over metrics of the given TrueType font: an em of
  // emDots dots upright, 1024 design units to the em.
  FONTOBJ* Font(const TrueType& t) {
    auto block = std::make_unique<std::vector<uint64_t>>((sizeof(IFIMETRICS) + 2 * (t.name.size() + 1) + 7) / 8, 0);
    auto* ifi = reinterpret_cast<IFIMETRICS*>(block->data());
    ifi->cjThis = ULONG(block->size() * 8);
    ifi->dpwszFaceName = LONG(sizeof(IFIMETRICS));
    std::memcpy(reinterpret_cast<BYTE*>(ifi) + sizeof(IFIMETRICS), t.name.c_str(), 2 * (t.name.size() + 1));
    ifi->jWinCharSet = t.charSet;
    ifi->jWinPitchAndFamily = t.pitchAndFamily;
    ifi->usWinWeight = t.weight;
    ifi->fsSelection = t.selection;
    ifi->fwdUnitsPerEm = 1024;
    const FLOATL scale = FLOATL(t.emDots) / 1024;
    FONTOBJ* f = pkgdi::CreateDeviceFont(0, XFORML{scale, 0, 0, scale, 0, 0}, ifi, t.cxMax);
    EXPECT_NE(f, nullptr);
    if (!f) return nullptr;
    f->flFontType = TRUETYPE_FONTTYPE | t.simulations;
    fonts_.push_back(f);
    metrics_.push_back(std::move(block));
    return f;
  }
  // One of the engine's DejaVu faces.
  FONTOBJ* DejaVu(pkgdi::FontFamily family, bool bold = false, LONG em = 100) {
    pkgdi::FontRequest request;
    request.family = family;
    request.bold = bold;
    request.emDots = em;
    FONTOBJ* f = pkgdi::CreateTrueTypeFont(request);
    EXPECT_NE(f, nullptr) << "DejaVu fonts are installed";
    if (f) fonts_.push_back(f);
    return f;
  }

  SIZE_T blocks_ = 0;
  size_t objects_ = 0;
  std::deque<std::u16string> names_;
  std::vector<DeviceFontFace> faces_;
  std::vector<DeviceFontFace*> facePointers_;
  std::vector<int32_t> faceIds_;
  std::vector<FONTOBJ*> fonts_;
  std::vector<std::unique_ptr<std::vector<uint64_t>>> metrics_;
};

}  // namespace pk::test
