// The pictures the device model chooses by conditions on the settings, the
// device picture, and packed bitmaps of the model whose headers claim more
// than their records hold.
#include <algorithm>

#include "models/writer/ddd_writer.h"
#include "picture_fixture.h"
#include "settings/model/model_queries.h"

namespace pk::test {
namespace {

// A whole BMP file whose header claims `claimed` colours and whose bits stop
// `short` bytes early.
ddd::Bytes LyingBitmapFile(uint32_t claimed, size_t tableColours, size_t missing) {
  ddd::Bytes dib;
  auto put = [&](uint32_t v, int n) {
    for (int k = 0; k < n; ++k) dib.push_back(static_cast<uint8_t>(v >> (8 * k)));
  };
  put(40, 4), put(4, 4), put(4, 4), put(1, 2), put(8, 2), put(0, 4), put(0, 4), put(0, 4), put(0, 4), put(claimed, 4),
      put(0, 4);
  for (size_t k = 0; k < tableColours; ++k) put(0x00336699, 4);
  dib.insert(dib.end(), 16 - std::min<size_t>(missing, 16), 1);
  ddd::Bytes file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  file.insert(file.end(), dib.begin(), dib.end());
  return file;
}

ddd::Chained Cond(uint16_t setting, uint8_t comparison, ddd::Value value, uint8_t join) {
  return ddd::Chained{ddd::Condition{0, comparison, setting, std::move(value)}, join};
}

// Orientation (7) and duplex (16) start at 1; A = orientation, B = duplex,
// C = orientation not 2.
ddd::ModelWriter PictureModel() {
  ddd::ModelWriter w;
  w.modelName = "Pictures";
  const uint16_t portrait = w.AddOption(14, ddd::Text::Plain("Portrait"), 0, 0, ddd::Value::I16(1));
  const uint16_t landscape = w.AddOption(14, ddd::Text::Plain("Landscape"), 0, 0, ddd::Value::I16(2));
  w.AddFeature(4, 7, ddd::Text::Plain("Orientation"), 1, 1, {portrait, landscape});
  const uint16_t simplex = w.AddOption(14, ddd::Text::Plain("Simplex"), 0, 0, ddd::Value::I16(1));
  const uint16_t duplex = w.AddOption(14, ddd::Text::Plain("Duplex"), 0, 0, ddd::Value::I16(2));
  w.AddFeature(4, 16, ddd::Text::Plain("Duplex"), 1, 1, {simplex, duplex});
  for (uint16_t key = 1; key <= 3; ++key) w.AddBitmap(key, 1, 4, 4, ddd::MakeBitmapFile(4, 4, 0x102030u * key));
  w.AddBitmap(4, 1, 4, 4, LyingBitmapFile(4096, 16, 10));
  w.AddBitmap(5, 1, 4, 4, LyingBitmapFile(300, 300, 0));  // more than 256 colours, all present
  w.SetField(1, {5});                                     // the device picture
  const auto aMatch = [] { return ddd::Value::I16(1); };
  const auto aFail = [] { return ddd::Value::I16(2); };
  uint16_t key = 1;
  // x tells the records apart.
  w.AddPicture(key++, {}, 1, 0, 1);
  w.AddPicture(key++, {Cond(7, 1, aMatch(), 2), Cond(16, 1, aFail(), 3)}, 2, 0, 2);
  w.AddPicture(key++, {Cond(7, 1, aFail(), 1), Cond(16, 1, aMatch(), 3)}, 3, 0, 2);
  w.AddPicture(key++, {Cond(7, 1, aFail(), 2), Cond(16, 1, aMatch(), 4)}, 4, 0, 2);
  w.AddPicture(key++, {Cond(7, 1, aMatch(), 1), Cond(16, 1, aFail(), 1), Cond(7, 2, aFail(), 3)}, 5, 0, 2);
  w.AddPicture(key++, {Cond(7, 2, aFail(), 3)}, 6, 0, 3);  // not equal: shown
  w.AddPicture(key++, {}, 7, 0, 4);                        // the lying bitmap: left out
  w.AddPicture(key++, {}, 8, 0, 5);                        // over 256 colours: left out (8 bits)
  // Enough unconditional pictures to grow the list twice.
  for (int x = 9; x < 21; ++x) w.AddPicture(key++, {}, uint16_t(x), 0, 1);
  return w;
}

class ModelPictureTest : public PictureTest {
 protected:
  std::vector<int> ShownX(HWND page, int expectResult = 0) {
    PictureEntry* list = nullptr;
    EXPECT_EQ(BuildModelPictureList(GetDlgItem(page, kModelPictureControl), page, kModelPictureControl,
                                    sheet_->working.devMode, sheet_->working.settings, &list),
              expectResult);
    std::vector<int> xs;
    if (!list) return xs;
    for (const PictureEntry* e = list; e->bitmap; ++e) xs.push_back(e->x);
    FreePictureList(list);
    return xs;
  }
};

TEST_F(ModelPictureTest, ConditionsDecideWhichPicturesAreDrawnInRecordOrder) {
  UseModel(PictureModel());
  HWND page = OpenPicturePage();
  const SIZE_T bitmaps = pk::seams::LiveBitmaps(), blocks = pk::seams::GlobalLiveBlocks();
  Set(7, 1);
  Set(16, 1);
  std::vector<int> expected = {1, 2, 4, 6};
  for (int x = 9; x < 21; ++x) expected.push_back(x);
  EXPECT_EQ(ShownX(page), expected);
  EXPECT_EQ(pk::seams::LiveBitmaps(), bitmaps);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);

  // Landscape: A fails and B matches now.
  Set(7, 2);
  expected = {1, 3, 4};
  for (int x = 9; x < 21; ++x) expected.push_back(x);
  EXPECT_EQ(ShownX(page), expected);

  // On the control: the later records lie on top, each at its place.
  Set(7, 1);
  HWND control = GetDlgItem(page, kModelPictureControl);
  const pk::gdi::Pixels shown = Paint(control, true);
  EXPECT_EQ(At(shown, 21, 1), RGB(0x10, 0x20, 0x30));  // record at x 20, bitmap 1
  EXPECT_EQ(At(shown, 7, 1), RGB(0x30, 0x60, 0x90));   // record at x 6, bitmap 3
}

TEST_F(ModelPictureTest, ABitmapLargerThanItsRecordIsLeftOut) {
  UseModel(PictureModel());
  HWND page = OpenPicturePage();
  const std::vector<int> xs = ShownX(page);
  EXPECT_EQ(std::count(xs.begin(), xs.end(), 7), 0);
  EXPECT_EQ(std::count(xs.begin(), xs.end(), 6), 1);
  EXPECT_EQ(std::count(xs.begin(), xs.end(), 9), 1);
  // Built from its header alone, the same picture is refused too.
  WORD w = 0, h = 0;
  DWORD bytes = 0;
  ModelRecord* record = nullptr;
  ASSERT_EQ(LoadModelRecordByIndex(true, model_->primary, model_->secondary, 9, 7, &record), 0);
  BYTE* data = nullptr;
  ASSERT_EQ(LoadRecordPicture(model_->primary, model_->secondary, record, &w, &h, &data, &bytes), 0);
  HPALETTE palette = nullptr;
  EXPECT_EQ(CreateBitmapFromPackedDib(GetDlgItem(page, kModelPictureControl), reinterpret_cast<BITMAPINFOHEADER*>(data),
                                      bytes, &palette),
            nullptr);
  EXPECT_EQ(palette, nullptr);
  GlobalFree(data);
  ReleaseModelRecord(record);
}

TEST_F(ModelPictureTest, PalettesTakeOnlyTheColoursPresentUpTo256) {
  struct Case {
    uint32_t claimed;
    size_t present, bytes;  // table entries written, bytes handed over
    UINT entries;
  };
  const Case cases[] = {{4096, 16, 40 + 64, 16},
                        {0, 256, 40 + 1024, 256},
                        {300, 300, 40 + 1200, 256},
                        {2, 2, 40 + 8, 2},
                        {0, 10, 40 + 40, 10}};
  for (const Case& c : cases) {
    const ddd::Bytes file = LyingBitmapFile(c.claimed, c.present, 0);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(file.data() + 14);
    HPALETTE palette = CreateDibPalette(header, DWORD(c.bytes));
    ASSERT_NE(palette, nullptr) << c.claimed;
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), c.entries) << c.claimed;
    DeleteObject(palette);
  }
}

TEST_F(ModelPictureTest, ASettingThatCannotBeReadEndsTheList) {
  // The default model's pictures follow printer flag 775 of the settings
  // block: a sheet without one cannot read it.
  MakeSheet(kPicturePages, 1, 1, false);
  HWND page = OpenPicturePage();
  const SIZE_T bitmaps = pk::seams::LiveBitmaps();
  EXPECT_TRUE(ShownX(page, kPictureSettingUnreadable).empty());
  EXPECT_EQ(pk::seams::LiveBitmaps(), bitmaps);
}

TEST_F(ModelPictureTest, TheDefaultModelShowsItsDuplexUnitWhenFitted) {
  HWND page = OpenPicturePage();
  for (uint64_t fitted : {1, 0}) {
    Set(775, fitted);
    PictureEntry* list = nullptr;
    ASSERT_EQ(BuildModelPictureList(GetDlgItem(page, kModelPictureControl), page, kModelPictureControl,
                                    sheet_->working.devMode, sheet_->working.settings, &list),
              0);
    ASSERT_NE(list[0].bitmap, nullptr);
    EXPECT_EQ(list[1].bitmap, nullptr);
    EXPECT_EQ(std::tie(list[0].x, list[0].y), std::make_tuple(8, 44));
    EXPECT_EQ(At(PixelsOf(list[0].bitmap), 2, 2), fitted ? RGB(0x40, 0x70, 0xB0) : RGB(0x80, 0x90, 0xA0));
    FreePictureList(list);
  }
}

TEST_F(ModelPictureTest, DevicePictures) {
  HWND page = OpenPicturePage();
  HWND control = GetDlgItem(page, kDevicePictureControl);
  PictureEntry* list = nullptr;
  ASSERT_EQ(LoadDevicePictureList(GetPagesResourceModule(), page, control, sheet_->state, &list), 0);
  BITMAP info{};
  GetObjectW(list[0].bitmap, sizeof info, &info);
  EXPECT_EQ(std::tie(info.bmWidth, info.bmHeight), std::make_tuple(96, 64));
  EXPECT_EQ(At(PixelsOf(list[0].bitmap), 10, 10), RGB(0xD8, 0xDC, 0xE4));
  EXPECT_EQ(list[1].bitmap, nullptr);
  FreePictureList(list);
  // Drawn on the face colour, with the about texts over it.
  static int painted = 0;
  SetAboutTextsPainter([](HDC, HWND, SheetState*) { return ++painted; });
  const pk::gdi::Pixels shown = Paint(control, true);
  SetAboutTextsPainter(nullptr);
  EXPECT_EQ(painted, 1);
  EXPECT_EQ(At(shown, 10, 10), RGB(0xD8, 0xDC, 0xE4));
  EXPECT_EQ(At(shown, 120, 100), GetSysColor(COLOR_BTNFACE));
}

TEST_F(ModelPictureTest, ADevicePictureThatCannotBeMadeGivesNoList) {
  // More than 256 colours at 8 bits.
  UseModel(PictureModel());
  HWND page = OpenPicturePage();
  PictureEntry* list = nullptr;
  EXPECT_EQ(LoadDevicePictureList(GetPagesResourceModule(), page, GetDlgItem(page, kDevicePictureControl),
                                  sheet_->state, &list),
            kPictureGdiFailed);
  EXPECT_EQ(list, nullptr);
}

}  // namespace
}  // namespace pk::test
