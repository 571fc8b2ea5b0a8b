// The about dialog: the identification block and version lines of the model,
// the layout that sizes the dialog to the device picture, the white version
// lines over the picture and the fonts that belong to each open dialog.
#include "page16_fixture.h"

namespace pk::test {
namespace {

using ddd::Text;

class AboutTest : public Page16Test {
 protected:
  // A model with a device picture of the size and the header texts given (an
  // empty text leaves the field out).
  void UsePictureModel(uint16_t width, uint16_t height, const char* maker = "Maker", const char* name = "Model",
                       const char* version = "2.5") {
    ddd::ModelWriter w = SmallWriter();
    w.AddBitmap(1, 1, width, height, ddd::MakeBitmapFile(width, height, 0x203040));
    w.SetField(1, {1});
    w.SetTextField(30, {Text::Plain("manual.pdf")});
    if (*maker) w.SetTextField(29, {Text::Plain(maker)});
    if (*name) w.SetTextField(32, {Text::Plain(name)});
    if (*version) w.SetTextField(33, {Text::Plain(version)});
    UseModel(w);
  }

  static RECT Rect(HWND dialog, INT id) {
    RECT r{};
    EXPECT_EQ(GetControlRect(dialog, id, &r), 1) << id;
    return r;
  }
  static SIZE Size(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
  }

  // White pixels of the dialog's screen inside a control's rectangle.
  static int WhiteInk(HWND dialog, INT id) {
    UpdateWindow(dialog);
    pk::gdi::Pixels pixels;
    if (!pk::ui::ScreenPixels(dialog, &pixels)) return -1;
    const RECT r = Rect(dialog, id);
    int white = 0;
    for (LONG y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, pixels.height); ++y)
      for (LONG x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, pixels.width); ++x)
        if ((pixels.colour[size_t(y) * pixels.width + x] & 0xFFFFFF) == 0xFFFFFF) ++white;
    return white;
  }
  static void Repaint(HWND dialog) {
    InvalidateRect(GetDlgItem(dialog, kAboutPictureControl), nullptr, FALSE);
    UpdateWindow(dialog);
  }
  static std::u16string Block(HWND dialog) { return pk::ui::Text(GetDlgItem(dialog, kAboutIdentityControl)); }
};

TEST_F(AboutTest, TheDefaultPrinterShowsItsIdentificationAndOpensItsManual) {
  HWND dialog = OpenAbout();
  ASSERT_NE(dialog, nullptr);
  const std::u16string version = u"Version 3.2.4.91 " + ResourceString(kVersionSuffixString);
  EXPECT_EQ(ResourceString(kVersionFormatString), u"Version %d.%d.%d.%d");
  EXPECT_EQ(Block(dialog), u"Ornavel Caldrix\nOrvalis\nOrvalis C3600 Colour\n" + version + u"\n1.0");
  WCHAR* first = nullptr;
  WCHAR* second = nullptr;
  ASSERT_EQ(BuildVersionLines(dialog, model_, &first, &second), 1);
  EXPECT_EQ(std::u16string(first), u"Orvalis C3600 Colour\n" + version);
  EXPECT_EQ(std::u16string(second), u"1.0");
  GlobalFree(first);
  GlobalFree(second);
  // The first version line is drawn white over the picture.
  EXPECT_GT(WhiteInk(dialog, kAboutFirstLineControl), 0);
  EXPECT_GT(WhiteInk(dialog, kAboutSecondLineControl), 0);

  pk::ui::Click(GetDlgItem(dialog, kAboutDocumentButton));
  const auto calls = pk::ui::ShellCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].call, "ShellExecuteW");
  EXPECT_EQ(calls[0].operation, u"open");
  EXPECT_EQ(calls[0].file, u"C3600");
}

TEST_F(AboutTest, AModelWithoutItsHeaderTextsShowsNoIdentificationAndNoVersionLines) {
  struct Case {
    const char *maker, *name, *version;
    bool lines;
  } cases[] = {
      {"", "", "", false}, {"", "Model", "2.5", true}, {"Maker", "", "2.5", false}, {"Maker", "Model", "", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.maker) + "/" + c.name + "/" + c.version);
    UsePictureModel(200, 150, c.maker, c.name, c.version);
    FreeSheetContext(sheet_);
    sheet_ = nullptr;
    HWND dialog = OpenAbout();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Block(dialog), u"");
    EXPECT_EQ(WhiteInk(dialog, kAboutFirstLineControl) > 0, c.lines);
    DestroyWindow(dialog);
  }
  UsePictureModel(200, 150);
  FreeSheetContext(sheet_);
  sheet_ = nullptr;
  HWND dialog = OpenAbout();
  EXPECT_EQ(Block(dialog),
            u"Ornavel Caldrix\nMaker\nModel\nVersion 3.2.4.91 " + ResourceString(kVersionSuffixString) + u"\n2.5");
}

TEST_F(AboutTest, APictureTwiceAsWideButAsHighKeepsTheTextsWhereTheyAre) {
  UsePictureModel(200, 150);
  HWND same = OpenAbout();
  ASSERT_NE(same, nullptr);
  const RECT first = Rect(same, kAboutFirstLineControl), second = Rect(same, kAboutSecondLineControl);
  const RECT picture = Rect(same, kAboutPictureControl);
  EXPECT_EQ(picture.right - picture.left, 200);
  EXPECT_EQ(picture.bottom - picture.top, 150);
  DestroyWindow(same);

  UsePictureModel(400, 150);
  FreeSheetContext(sheet_);
  sheet_ = nullptr;
  HWND wide = OpenAbout();
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(Rect(wide, kAboutFirstLineControl).left, first.left);
  EXPECT_EQ(Rect(wide, kAboutFirstLineControl).top, first.top);
  EXPECT_EQ(Rect(wide, kAboutSecondLineControl).left, second.left);
  EXPECT_EQ(Rect(wide, kAboutSecondLineControl).top, second.top);
  EXPECT_EQ(Rect(wide, kAboutPictureControl).right, 400);
}

TEST_F(AboutTest, APictureOfTwiceTheControlsSizeMovesTheTextsAndGrowsTheDialog) {
  UsePictureModel(200, 150);
  HWND plain = OpenAbout();
  ASSERT_NE(plain, nullptr);
  std::vector<RECT> before;
  for (INT id : {kAboutFirstLineControl, kAboutSecondLineControl, kAboutFrameControl, kAboutDocumentButton,
                 kAboutOkButton, kAboutIdentityControl})
    before.push_back(Rect(plain, id));
  const SIZE plainSize = Size(plain);
  RECT client{};
  GetClientRect(plain, &client);
  const LONG dx = 400 - client.right, dy = 300 - before[2].bottom;
  DestroyWindow(plain);

  UsePictureModel(400, 300);
  FreeSheetContext(sheet_);
  sheet_ = nullptr;
  HWND big = OpenAbout();
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(dx, 200);
  EXPECT_EQ(dy, 150);
  EXPECT_EQ(Size(big).cx, plainSize.cx + dx);
  EXPECT_EQ(Size(big).cy, plainSize.cy + dy);
  const RECT picture = Rect(big, kAboutPictureControl);
  EXPECT_EQ(picture.left, 0);
  EXPECT_EQ(picture.right, 400);
  EXPECT_EQ(picture.bottom, 300);
  for (int i : {0, 1}) {
    const RECT r = Rect(big, i == 0 ? kAboutFirstLineControl : kAboutSecondLineControl);
    EXPECT_EQ(r.left, before[size_t(i)].left * 2) << i;
    EXPECT_EQ(r.top, before[size_t(i)].top * 2) << i;
    EXPECT_EQ(r.right - r.left, before[size_t(i)].right - before[size_t(i)].left) << i;
  }
  for (int i : {2, 3, 4}) {
    const RECT r = Rect(big, i == 2 ? kAboutFrameControl : i == 3 ? kAboutDocumentButton : kAboutOkButton);
    EXPECT_EQ(r.left, before[size_t(i)].left + dx) << i;
    EXPECT_EQ(r.top, before[size_t(i)].top + dy) << i;
  }
  EXPECT_FALSE(pk::ui::Visible(GetDlgItem(big, kAboutFrameControl)));
  EXPECT_TRUE(pk::ui::Visible(GetDlgItem(big, kAboutOkButton)));
  // The identification block stays.
  EXPECT_EQ(Rect(big, kAboutIdentityControl).top, before[5].top);
  EXPECT_GT(WhiteInk(big, kAboutFirstLineControl), 0);
}

TEST_F(AboutTest, AnEmptyPictureControlLeavesTheLayoutAlone) {
  HMODULE module = nullptr;
  {
    const std::u16string path = DriverFolder() + u"Page16Test.vbn";
    WriteWindowsFile(path, ReadHostFile(PK_PAGE16_TEST_MODULE));
    module = LoadLibraryW(path.c_str());
  }
  ASSERT_NE(module, nullptr);
  UsePictureModel(400, 300);
  HWND dialog = OpenAbout(module, 9510);
  ASSERT_NE(dialog, nullptr);
  const RECT first = Rect(dialog, kAboutFirstLineControl);
  EXPECT_EQ(first.left, 16);
  EXPECT_EQ(first.top, 80);
  EXPECT_EQ(Rect(dialog, kAboutOkButton).left, 156);
  EXPECT_EQ(Size(dialog).cx, 200);
  EXPECT_TRUE(pk::ui::Visible(GetDlgItem(dialog, kAboutFrameControl)));
  EXPECT_EQ(LayoutAboutDialog(dialog, model_), 0);
  // The texts are still written.
  EXPECT_EQ(Block(dialog).substr(0, 21), u"Ornavel Caldrix\nMaker");
  DestroyWindow(dialog);
  FreeLibrary(module);
}

TEST_F(AboutTest, EachDialogMakesItsFontsAtItsFirstPaintAndDeletesThemWhenItCloses) {
  const size_t baseline = pkgdi::LiveGdiObjects();
  HWND dialog = OpenAbout();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(pkgdi::LiveGdiObjects(), baseline);
  Repaint(dialog);
  EXPECT_EQ(pkgdi::LiveGdiObjects(), baseline + 2);
  Repaint(dialog);
  EXPECT_EQ(pkgdi::LiveGdiObjects(), baseline + 2);
  DestroyWindow(dialog);
  EXPECT_EQ(pkgdi::LiveGdiObjects(), baseline);
  // A second opening makes both again.
  HWND again = OpenAbout();
  Repaint(again);
  EXPECT_EQ(pkgdi::LiveGdiObjects(), baseline + 2);
  EXPECT_GT(WhiteInk(again, kAboutFirstLineControl), 0);
  DestroyWindow(again);
  EXPECT_EQ(pkgdi::LiveGdiObjects(), baseline);
}

TEST_F(AboutTest, ClosingOneOfTwoOpenDialogsLeavesTheOthersFonts) {
  const size_t baseline = pkgdi::LiveGdiObjects();
  HWND first = OpenAbout();
  HWND second = OpenAbout();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  Repaint(first);
  Repaint(second);
  EXPECT_EQ(pkgdi::LiveGdiObjects(), baseline + 4);
  DestroyWindow(first);
  // Only the first dialog's fonts went; the second paints with its own.
  EXPECT_EQ(pkgdi::LiveGdiObjects(), baseline + 2);
  Repaint(second);
  EXPECT_EQ(pkgdi::LiveGdiObjects(), baseline + 2);
  EXPECT_GT(WhiteInk(second, kAboutFirstLineControl), 0);
  DestroyWindow(second);
  EXPECT_EQ(pkgdi::LiveGdiObjects(), baseline);
}

TEST_F(AboutTest, FontsTakeTheirFaceAndPointsFromTheResourceStrings) {
  HWND dialog = OpenAbout();
  LOGFONTW font{};
  font.lfHeight = 12;
  std::copy_n(u"Arial", 6, font.lfFaceName);
  LoadFontFromStrings(dialog, &font, kFirstFontFaceString, kFirstFontPointsString, 96);
  EXPECT_EQ(std::u16string(font.lfFaceName), ResourceString(kFirstFontFaceString));
  EXPECT_EQ(font.lfHeight, -MulDiv(9, 96, 72));
  LoadFontFromStrings(dialog, &font, kSecondFontFaceString, kSecondFontPointsString, 120);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, 120, 72));
  // Missing strings leave the font as it was.
  LoadFontFromStrings(dialog, &font, 65000, 65001, 96);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, 120, 72));
  EXPECT_EQ(std::u16string(font.lfFaceName), ResourceString(kSecondFontFaceString));
}

TEST_F(AboutTest, APushButtonOfThePageOpensTheDialogAsASubDialog) {
  Sheet();
  // A page of one button that opens the about dialog, as page 0's button does.
  static const ButtonAction open{kActionSubDialog, &kAboutDialogSpec};
  static const ControlRow rows[] = {
      {1000, 0, nullptr, kKindPushButton, nullptr, &open, kNoControl, kNoControl, nullptr}};
  PageControlSet* set = GetPageControlSet(sheet_->state, 0);
  ASSERT_NE(set, nullptr);
  const ControlRow* saved = set->rows;
  const UINT savedCount = set->rowCount;
  set->rows = rows;
  set->rowCount = 1;
  HWND page = OpenPage(0, kDialogTopPage);
  Notify(page, PSN_SETACTIVE);
  std::u16string shown;
  pk::ui::QueueDialogScript(kAboutTemplate, [&](HWND dialog) {
    shown = Block(dialog);
    pk::ui::Click(GetDlgItem(dialog, kAboutOkButton));
  });
  const size_t objects = pkgdi::LiveGdiObjects();
  pk::ui::Click(GetDlgItem(page, 1000));
  EXPECT_EQ(shown.substr(0, 23), u"Ornavel Caldrix\nOrvalis");
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
  EXPECT_EQ(pkgdi::LiveGdiObjects(), objects);
  set->rows = saved;
  set->rowCount = savedCount;
}

}  // namespace
}  // namespace pk::test
