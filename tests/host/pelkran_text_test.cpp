// Text through gdihost and the real graphics driver of a fresh machine root:
// the page TIFF of the job (split by jobcheck, read through tifftopnm)
// carries exactly the glyph bitmaps the engine hands out, at the positions
// the host lays them out at, for black text, white text on black, turned
// text and a word cut by a clip; grey and red text ink only inside their
// glyphs.
#include <sys/wait.h>

#include <cstdio>
#include <set>
#include <utility>

#include "host/band_replay.h"
#include "host_fixture.h"
#include "pbm_page.h"
#include "platform/gdi/eng_services.h"

namespace hosttest {
namespace {

using Dots = std::set<std::pair<LONG, LONG>>;

using Page = PbmPage;

class PelkranTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    root_ = PkMachineRoot();
  }
  void TearDown() override {
    for (FONTOBJ* f : fonts_) pkgdi::DeleteFont(f);
  }
  int Run(const std::string& command, std::string* err = nullptr) {
    const std::string errFile = root_ + "/run.err";
    const int status = std::system(("cd '" + root_ + "' && " + command + " 2> '" + errFile + "'").c_str());
    if (err) {
      std::ifstream in(errFile);
      std::stringstream ss;
      ss << in.rdbuf();
      *err = ss.str();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // The dots of the glyph bitmaps of text laid out as the host lays it out
  // with its top-left at `at`, optionally only those inside `within`.
  Dots GlyphDots(const pkhost::FontDesc& desc, const std::u16string& text, POINTL at, const RECTL* within = nullptr) {
    pkgdi::FontRequest request;
    request.family = desc.family;
    request.emDots = desc.emDots;
    request.angleDegrees = desc.angle;
    FONTOBJ* font = pkgdi::CreateTrueTypeFont(request);
    EXPECT_NE(font, nullptr);
    if (!font) return {};
    fonts_.push_back(font);
    pkhost::JournalItem item;
    item.kind = pkhost::JournalItem::Text;
    item.font = desc;
    item.text = text;
    EXPECT_TRUE(pkhost::LayoutText(item, at, font));
    Dots dots;
    for (const pkgdi::StringGlyph& g : item.glyphs) {
      HGLYPH hg = g.hg;
      PVOID data = nullptr;
      EXPECT_EQ(FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, &data), 1u);
      const GLYPHBITS* gb = static_cast<GLYPHDATA*>(data)->gdf.pgb;
      const LONG rowBytes = (gb->sizlBitmap.cx + 7) / 8;
      for (LONG r = 0; r < gb->sizlBitmap.cy; ++r)
        for (LONG c = 0; c < gb->sizlBitmap.cx; ++c) {
          if (!((gb->aj[r * rowBytes + c / 8] >> (7 - c % 8)) & 1)) continue;
          const LONG x = g.ptl.x + gb->ptlOrigin.x + c, y = g.ptl.y + gb->ptlOrigin.y + r;
          if (!within || (x >= within->left && x < within->right && y >= within->top && y < within->bottom))
            dots.insert({x, y});
        }
    }
    return dots;
  }
  // Every dot of the area inked exactly when inked(x, y); the count of
  // wrong dots.
  template <typename F>
  size_t Mismatches(const Page& page, RECTL area, F inked) {
    size_t wrong = 0;
    for (LONG y = area.top; y < area.bottom; ++y)
      for (LONG x = area.left; x < area.right; ++x)
        if (page.Ink(x, y) != inked(x, y) && wrong++ < 5)
          ADD_FAILURE() << "dot " << x << "," << y << (page.Ink(x, y) ? " inked" : " not inked");
    return wrong;
  }

  std::string root_;
  std::vector<FONTOBJ*> fonts_;
};

TEST_F(PelkranTextTest, PageCarriesTheEnginesGlyphBitmaps) {
  const std::string document =
      "document \"Text\"\nunit dot\npen null\n"
      "font sans 60\ntextcolor #000000\ntext 100 100 \"Black line of text\"\n"
      "brush solid #000000\nrect 100 300 1200 420\n"
      "textcolor #FFFFFF\ntext 120 320 \"White on black\"\n"
      "font serif 60\ntextcolor #808080\ntext 100 500 \"Grey serif\"\n"
      "font mono 60\ntextcolor #FF0000\ntext 100 650 \"Red mono\"\n"
      "font sans 80\ntextcolor #000000\nclip 100 1000 260 1200\ntext 100 1000 \"Halved\"\nclip none\n"
      "font sans 60 angle 90\ntext 1500 900 \"Turned\"\n";
  std::ofstream(root_ + "/text.txt") << document;
  std::string err;
  ASSERT_EQ(Run("'" + BuildOut() + "/gdihost' --root '" + root_ + "' --no-interface -o t.prn text.txt", &err), 0)
      << err;
  EXPECT_EQ(err.find("failed"), std::string::npos) << err;
  std::filesystem::create_directory(root_ + "/pages");
  ASSERT_EQ(Run("'" + BuildOut() + "/jobcheck' --split pages --ink t.prn > check.txt", &err), 0) << err;
  ASSERT_EQ(Run("tifftopnm pages/unit1.tif > page.pbm", &err), 0) << err;
  Page page;
  ASSERT_TRUE(ReadPbmPage(root_ + "/page.pbm", &page));

  using pkgdi::FontFamily;
  // The black line: exactly the OR of its glyph bitmaps.
  const Dots black = GlyphDots({FontFamily::Sans, 60}, u"Black line of text", POINTL{100, 100});
  ASSERT_GT(black.size(), 2000u);
  EXPECT_EQ(Mismatches(page, RECTL{0, 0, 1400, 250}, [&](LONG x, LONG y) { return black.count({x, y}) != 0; }), 0u);

  // White on black: the box without the glyph dots.
  const Dots white = GlyphDots({FontFamily::Sans, 60}, u"White on black", POINTL{120, 320});
  EXPECT_EQ(Mismatches(page, RECTL{0, 280, 1400, 440},
                       [&](LONG x, LONG y) {
                         return x >= 100 && x < 1200 && y >= 300 && y < 420 && white.count({x, y}) == 0;
                       }),
            0u);

  // Grey and red: halftoned, so some but not all glyph dots, none outside.
  const Dots grey = GlyphDots({FontFamily::Serif, 60}, u"Grey serif", POINTL{100, 500});
  const Dots red = GlyphDots({FontFamily::SansMono, 60}, u"Red mono", POINTL{100, 650});
  for (const Dots* text : {&grey, &red}) {
    size_t inked = 0;
    for (const auto& d : *text) inked += page.Ink(d.first, d.second);
    EXPECT_GT(inked, 0u);
    EXPECT_LT(inked, text->size());
  }
  EXPECT_EQ(Mismatches(page, RECTL{0, 460, 1400, 760},
                       [&](LONG x, LONG y) {
                         return page.Ink(x, y) && (grey.count({x, y}) || red.count({x, y}));
                       }),
            0u);

  // The clipped word: its glyphs up to the clip's right edge only.
  const RECTL clip{100, 1000, 260, 1200};
  const Dots halved = GlyphDots({FontFamily::Sans, 80}, u"Halved", POINTL{100, 1000}, &clip);
  const Dots whole = GlyphDots({FontFamily::Sans, 80}, u"Halved", POINTL{100, 1000});
  ASSERT_LT(halved.size(), whole.size());
  ASSERT_GT(halved.size(), 0u);
  EXPECT_EQ(Mismatches(page, RECTL{0, 960, 1400, 1250}, [&](LONG x, LONG y) { return halved.count({x, y}) != 0; }), 0u);

  // The turned line.
  pkhost::FontDesc turned{FontFamily::Sans, 60};
  turned.angle = 90;
  const Dots up = GlyphDots(turned, u"Turned", POINTL{1500, 900});
  ASSERT_GT(up.size(), 500u);
  EXPECT_EQ(Mismatches(page, RECTL{1420, 0, 1700, 1250}, [&](LONG x, LONG y) { return up.count({x, y}) != 0; }), 0u);
}

}  // namespace
}  // namespace hosttest
