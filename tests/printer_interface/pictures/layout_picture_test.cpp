// The layout picture: the settings it reads through the page's constraint
// records, the keys, the layer tables and the composition order with the page
// shift and picture offset, the page-order tables of our own sprites, and
// the results of a whole build.
#include <cstring>
#include <set>
#include <tuple>

#include "picture_fixture.h"
#include "printer_interface/pages/page_order_sprites.h"

namespace pk::test {
namespace {

struct Placed {
  DWORD sprite;
  int x, y;
  bool operator==(const Placed&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Placed& p) {
  return os << p.sprite << "@(" << p.x << "," << p.y << ")";
}

// The sheet orientation and media rules of ReadLayoutPreviewSettings.
LayoutPreviewSettings Settled(LayoutPreviewSettings r) {
  const bool oneOrFour = r.pagesPerSheet == 1 || r.pagesPerSheet == 4;
  r.sheetOrientation = (r.orientation != 1) == oneOrFour ? 2 : 1;
  return r;
}

// The composition of a record, at its final positions; empty when the keys
// are refused.
std::vector<Placed> Plan(LayoutPreviewSettings r, LayoutPreviewSettings* after = nullptr) {
  r = Settled(r);
  LayoutKeys keys{};
  if (MakeLayoutKeys(&r, &keys) != 0) return {};
  LayoutPlacement out[32];
  const int n = PlanLayoutPicture(&r, &keys, out, 32);
  std::vector<Placed> placed;
  for (int i = 0; i < n; ++i)
    placed.push_back(
        {out[i].sprite, out[i].baseX + r.offsetX + out[i].x - 13, out[i].baseY + r.offsetY + out[i].y - 13});
  if (after) *after = r;
  return placed;
}

bool HasSprite(const std::vector<Placed>& plan, DWORD sprite) {
  for (const Placed& p : plan)
    if (p.sprite == sprite) return true;
  return false;
}

LayoutPreviewSettings Base() {
  LayoutPreviewSettings r;
  r.colourMode = 1;  // no colour layer
  return r;
}

TEST(LayoutPlanTest, PortraitOnePageIsTheSheetAndItsPageOrder) {
  EXPECT_EQ(Plan(Base()), (std::vector<Placed>{{350, 66, 43}, {347, 83, 64}, {350, 35, 24}, {306, 44, 44}}));
}

TEST(LayoutPlanTest, LayersFollowTheirSettings) {
  struct Case {
    const char* what;
    void (*change)(LayoutPreviewSettings*);
    std::vector<Placed> expected;
  };
  const Case cases[] = {
      {"colour mode 0 adds the colour layer on top",
       [](LayoutPreviewSettings* r) { r->colourMode = 0; },
       {{350, 66, 43}, {347, 83, 64}, {350, 35, 24}, {306, 44, 44}, {376, 35, 24}}},
      {"collation first, never its second sprite",
       [](LayoutPreviewSettings* r) { r->collate = 1; },
       {{308, 68, 45}, {350, 66, 43}, {347, 83, 64}, {350, 35, 24}, {306, 44, 44}}},
      {"duplex 2 portrait",
       [](LayoutPreviewSettings* r) { r->duplex = 2; },
       {{350, 66, 43}, {347, 83, 64}, {350, 35, 24}, {306, 44, 44}, {314, 16, 19}}},
      {"duplex 3 with edge A 8: sheet up, pages shifted",
       [](LayoutPreviewSettings* r) {
         r->duplex = 3;
         r->edgeSymbolA = 8;
       },
       {{350, 66, 37}, {347, 80, 57}, {350, 35, 44}, {306, 44, 64}, {542, 30, 97}, {535, 16, 90}}},
      {"four up landscape document: portrait sheet, grid and table 1",
       [](LayoutPreviewSettings* r) {
         r->orientation = 2;
         r->pagesPerSheet = 4;
       },
       {{351, 52, 59},
        {406, 57, 64},
        {page_order::Sprite(page_order::kFourUp, 0, 1, 0, 0), 57, 64},
        {351, 25, 34},
        {406, 31, 39},
        {page_order::SecondSprite(page_order::kFourUp, 1), 31, 39}}},
      {"two up, page order 2: second table, landscape sheet",
       [](LayoutPreviewSettings* r) {
         r->pagesPerSheet = 2;
         r->pageOrder = 2;
         r->pageVariant = 2;
       },
       {{351, 52, 59},
        {404, 64, 64},
        {page_order::Sprite(page_order::kTwoUp, 1, 1, 0, 2), 64, 65},
        {351, 25, 34},
        {404, 38, 39},
        {page_order::SecondSprite(page_order::kTwoUp, 1), 34, 41}}},
      {"text symbol",
       [](LayoutPreviewSettings* r) { r->symbolText[0] = u'X'; },
       {{350, 66, 43}, {347, 83, 64}, {350, 35, 24}, {306, 44, 44}, {424, 55, 26}}},
      {"added sheets, styled",
       [](LayoutPreviewSettings* r) {
         r->addedSheets = 1;
         r->sheetStyle = 1;
       },
       {{1007, 73, 50}, {350, 66, 43}, {347, 83, 64}, {1007, 42, 31}, {350, 35, 24}, {306, 44, 44}}},
      {"edge A 9 with B 5 on A4: the combined layer and offset 15",
       [](LayoutPreviewSettings* r) {
         r->edgeSymbolA = 9;
         r->edgeSymbolB = 5;
       },
       {{350, 81, 43}, {347, 98, 64}, {350, 50, 24}, {306, 59, 44}, {604, 13, 20}}},
      {"edge B 4 portrait: pages up, picture down",
       [](LayoutPreviewSettings* r) { r->edgeSymbolB = 4; },
       {{350, 66, 37}, {347, 80, 57}, {350, 35, 44}, {306, 44, 64}, {603, 44, 105}}},
      {"media 3 with added sheets and collation",
       [](LayoutPreviewSettings* r) {
         r->mediaKind = 3;
         r->addedSheets = 1;
         r->collate = 1;
       },
       {{309, 73, 50}, {350, 73, 50}, {348, 66, 43}, {347, 83, 64}, {350, 42, 31}, {348, 35, 24}, {306, 44, 44}}},
      {"layout mode 1, grid 771, media 3, variant: collation, sheet, mode-1 table 7",
       [](LayoutPreviewSettings* r) {
         r->layoutMode = 1;
         r->mode1Grid = 771;
         r->mediaKind = 3;
         r->mode1Variant = 1;
         r->collate = 1;
         r->duplex = 2;
       },
       {{462, 35, 24}, {348, 35, 24}, {page_order::Sprite(page_order::kMode1, 7, 0, 0, 0), 35, 24}, {314, 16, 19}}},
      {"layout mode 2 with the mode-2 flag and variant",
       [](LayoutPreviewSettings* r) {
         r->layoutMode = 2;
         r->mode2Flag = 1;
         r->mode2Variant = 3;
         r->colourMode = 2;
       },
       {{557, 48, 59},
        {page_order::Sprite(page_order::kMode2, 1, 0, 0, 0), 52, 59},
        {page_order::SecondSprite(page_order::kMode2, 0), 20, 31},
        {375, 20, 4}}},
  };
  for (const Case& c : cases) {
    LayoutPreviewSettings r = Base();
    c.change(&r);
    EXPECT_EQ(Plan(r), c.expected) << c.what;
  }
}

TEST(LayoutPlanTest, TwoAndEightUpTurnTheSheet) {
  for (WORD pages : {1, 2, 4, 8})
    for (SHORT orientation : {1, 2}) {
      LayoutPreviewSettings r = Base();
      r.orientation = orientation;
      r.pagesPerSheet = pages;
      const bool across = pages == 2 || pages == 8;
      EXPECT_EQ(Settled(r).sheetOrientation, (orientation == 1) != across ? 1 : 2) << pages << " " << orientation;
    }
}

TEST(LayoutPlanTest, LayoutModeTwoHasNoDuplexAndIgnoresThePageVariant) {
  LayoutPreviewSettings r = Base();
  r.layoutMode = 2;
  r.duplex = 2;
  r.pageVariant = 7;  // outside 0-2: refused in the other modes
  const std::vector<Placed> plan = Plan(r);
  ASSERT_FALSE(plan.empty());
  for (DWORD duplex : {314, 315, 316, 317, 542, 543, 545, 546}) EXPECT_FALSE(HasSprite(plan, duplex));
  EXPECT_TRUE(HasSprite(plan, page_order::Sprite(page_order::kMode2, 0, 0, 0, 0)));
  r.layoutMode = 0;
  EXPECT_TRUE(Plan(r).empty());
}

TEST(LayoutPlanTest, CollationInLayoutModeTwoMovesTheWholePicture) {
  LayoutPreviewSettings r = Base();
  r.layoutMode = 2;
  const std::vector<Placed> plain = Plan(r);
  r.collate = 1;
  LayoutPreviewSettings after;
  std::vector<Placed> collated = Plan(r, &after);
  EXPECT_EQ(after.offsetX, -13);
  EXPECT_EQ(after.offsetY, -13);
  ASSERT_EQ(collated.size(), plain.size() + 1);
  EXPECT_EQ(collated[0], (Placed{784, 100 + 5 - 13 - 13, 144 + 5 - 13 - 13}));
  for (size_t i = 0; i < plain.size(); ++i)
    EXPECT_EQ(collated[i + 1], (Placed{plain[i].sprite, plain[i].x - 13, plain[i].y - 13}));
}

TEST(LayoutPlanTest, EdgeSymbolFourWithDuplexTwoShiftsThePagesLeft) {
  LayoutPreviewSettings r = Base();
  r.edgeSymbolA = 4;
  r.duplex = 2;
  LayoutPreviewSettings after;
  const std::vector<Placed> plan = Plan(r, &after);
  EXPECT_EQ(std::make_tuple(after.pageShiftX, after.pageShiftY, after.offsetX, after.offsetY),
            std::make_tuple(-57, 0, 20, 0));
  EXPECT_EQ(plan, (std::vector<Placed>{{350, 29, 43},
                                       {347, 5 - 57 + 20 + 91 - 13, 64},
                                       {350, 55, 24},
                                       {306, 64, 44},
                                       {545, 95, 19},
                                       {541, 92, 20}}));
  // Landscape sheet with duplex 2: nothing moves.
  r.orientation = 2;
  Plan(r, &after);
  EXPECT_EQ(std::make_tuple(after.pageShiftX, after.offsetX), std::make_tuple(0, 0));
}

TEST(LayoutPlanTest, ThePageOrderOfOnePagePerSheet) {
  struct Case {
    SHORT orientation;
    BYTE rotation;
    WORD variant;
    DWORD sprite, second;
  };
  const Case cases[] = {{1, 0, 0, 347, 306}, {2, 0, 0, 346, 306}, {1, 1, 0, 346, 306}, {2, 1, 0, 346, 307},
                        {1, 2, 0, 347, 307}, {2, 2, 0, 347, 306}, {1, 3, 0, 346, 307}, {2, 3, 0, 347, 307},
                        {1, 0, 1, 0, 0},     {2, 2, 2, 0, 0}};
  for (const Case& c : cases) {
    LayoutPreviewSettings r = Base();
    r.orientation = c.orientation;
    r.rotationMode = c.rotation;
    r.pageVariant = c.variant;
    const std::vector<Placed> plan = Plan(r);
    ASSERT_FALSE(plan.empty());
    if (c.sprite == 0) {
      // No such key in the one-page table: the slot stays empty.
      EXPECT_EQ(plan.size(), 2u) << c.orientation << " " << int(c.rotation);
      for (DWORD id : {346, 347, 306, 307}) EXPECT_FALSE(HasSprite(plan, id));
      continue;
    }
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[1].sprite, c.sprite) << c.orientation << " " << int(c.rotation);
    EXPECT_EQ(plan[3].sprite, c.second) << c.orientation << " " << int(c.rotation);
  }
}

TEST(LayoutPlanTest, KeysRefuseValuesOutsideTheirRanges) {
  LayoutKeys keys{};
  LayoutPreviewSettings r = Base();
  for (SHORT duplex : {0, 4, -1}) {
    r.duplex = duplex;
    EXPECT_EQ(MakeLayoutKeys(&r, &keys), 1) << duplex;
  }
  r = Base();
  r.sheetOrientation = 3;
  EXPECT_EQ(MakeLayoutKeys(&r, &keys), 1);
  r = Base();
  r.duplex = 3;
  r.sheetOrientation = 2;
  r.rotationMode = 2;
  r.pageVariant = 2;
  ASSERT_EQ(MakeLayoutKeys(&r, &keys), 0);
  EXPECT_EQ(std::tie(keys.sheet, keys.duplex, keys.order), std::make_tuple(BYTE{1}, BYTE{5}, BYTE{0x61}));
}

// Every key of every page-order table has a sprite of Tarquen, at the
// family's positions; a page variant has no key in the 9-entry tables.
TEST(LayoutPlanTest, PageOrderTablesMapEveryKey) {
  struct Family {
    WORD layoutMode, pagesPerSheet;
    uint32_t family, tables;
  };
  const Family families[] = {{0, 2, page_order::kTwoUp, 2},
                             {0, 4, page_order::kFourUp, 4},
                             {0, 8, page_order::kEightUp, 4},
                             {1, 1, page_order::kMode1, 12},
                             {2, 1, page_order::kMode2, 2}};
  std::set<DWORD> sprites;
  for (const Family& f : families)
    for (uint32_t t = 0; t < f.tables; ++t) {
      LayoutPreviewSettings r = Base();
      r.layoutMode = f.layoutMode;
      r.pagesPerSheet = f.pagesPerSheet;
      if (f.family == page_order::kMode1) {
        r.mode1Grid = WORD(514 + 257 * (t / 4));
        r.mediaKind = (t & 2) ? 3 : 0;
        r.mode1Variant = t & 1;
      } else if (f.family == page_order::kMode2) {
        r.mode2Variant = WORD(t);
      } else if (f.family == page_order::kTwoUp) {
        r.pageOrder = t == 1 ? 2 : 0;
      } else {
        r.pageOrder = t == 0 ? 0 : WORD(t + 3);
      }
      LayoutSprite* table = BuildPageOrderLayer(&r);
      ASSERT_NE(table, nullptr);
      int entries = 0;
      for (const LayoutSprite* e = table; e->sprite; ++e) {
        ++entries;
        sprites.insert(e->sprite);
        if (e->second) sprites.insert(e->second);
        EXPECT_EQ(e->second != 0, f.family != page_order::kMode1);
        const bool landscape = e->key & 1;
        if (f.family == page_order::kFourUp)
          EXPECT_EQ(std::tie(e->x, e->y),
                    landscape ? std::make_tuple(BYTE{65}, BYTE{72}) : std::make_tuple(BYTE{79}, BYTE{56}));
        if (f.family == page_order::kMode1)
          EXPECT_EQ(std::tie(e->x, e->y),
                    landscape ? std::make_tuple(BYTE{33}, BYTE{42}) : std::make_tuple(BYTE{43}, BYTE{32}));
      }
      const bool variants = page_order::HasVariants(f.family);
      EXPECT_EQ(entries, variants ? 24 : 8);
      for (BYTE rot : {0, 8, 0x40, 0x80})
        for (BYTE l : {0, 1}) {
          EXPECT_NE(FindLayoutSprite(table, BYTE(rot + l)), nullptr);
          EXPECT_EQ(FindLayoutSprite(table, BYTE(rot + l + 0x10)) != nullptr, variants);
          EXPECT_EQ(FindLayoutSprite(table, BYTE(rot + l + 0x20)) != nullptr, variants);
        }
      GlobalFree(table);
    }
  EXPECT_EQ(sprites.size(), size_t(page_order::kLast - page_order::kBase + 1));
  // Eight-up: the landscape second sprite moves with the second variant.
  LayoutPreviewSettings r = Base();
  r.pagesPerSheet = 8;
  LayoutSprite* table = BuildPageOrderLayer(&r);
  EXPECT_EQ(FindLayoutSprite(table, 0x21)->secondX, 39);
  EXPECT_EQ(FindLayoutSprite(table, 0x11)->secondX, 38);
  GlobalFree(table);
}

// ---- On a page --------------------------------------------------------------------------------------

using LayoutPictureTest = PictureTest;

TEST_F(LayoutPictureTest, EverySpriteOfTheTablesIsInTarquen) {
  HMODULE module = GetPagesResourceModule();
  std::vector<DWORD> ids = {306, 307, 308, 309, 310, 311,  312,  313,  314,  315,  316,  317, 346, 347, 348, 349, 350,
                            351, 375, 376, 403, 404, 405,  406,  424,  479,  480,  534,  535, 536, 537, 538, 539, 540,
                            541, 542, 543, 545, 546, 553,  554,  555,  557,  600,  601,  602, 603, 604, 605, 606, 607,
                            608, 609, 610, 611, 784, 786,  795,  796,  797,  798,  927,  928, 950, 951, 952, 953, 954,
                            955, 956, 957, 958, 959, 1006, 1007, 1012, 1013, 1016, 1017, 373, 374};
  for (DWORD id = 455; id <= 469; ++id) ids.push_back(id);
  for (DWORD id = 476; id <= 478; ++id) ids.push_back(id);
  for (DWORD id = page_order::kBase; id <= page_order::kLast; ++id) ids.push_back(id);
  for (DWORD id : ids) {
    HBITMAP b = LoadBitmapW(module, MAKEINTRESOURCEW(id));
    EXPECT_NE(b, nullptr) << id;
    if (b) DeleteObject(b);
  }
  for (DWORD id : {358, 359, 360, 361, 362, 363, 364, 365, 366, 367, 368, 369, 370, 371, 372, 996, 997, 998, 999, 1000})
    EXPECT_NE(LoadIconW(module, MAKEINTRESOURCEW(id)), nullptr) << id;
}

TEST_F(LayoutPictureTest, TheDefaultPictureIsExactlyItsFourSprites) {
  HWND page = OpenPicturePage();
  ListLayoutSettings();
  for (auto [id, v] : std::initializer_list<std::pair<WORD, uint64_t>>{
           {7, 1}, {295, 1}, {16, 1}, {18, 0}, {270, 1}, {321, 0}, {320, 0}, {341, 0}, {294, 0}, {437, 0}})
    Set(id, v);
  PictureEntry* list = nullptr;
  HMODULE module = GetPagesResourceModule();
  ASSERT_EQ(BuildLayoutPicture(module, page, sheet_->working.devMode, &list), 0);
  const Placed expected[] = {{350, 66, 43}, {347, 83, 64}, {350, 35, 24}, {306, 44, 44}};
  for (size_t i = 0; i < 4; ++i) {
    ASSERT_NE(list[i].bitmap, nullptr);
    EXPECT_EQ(std::tie(list[i].x, list[i].y), std::tie(expected[i].x, expected[i].y)) << i;
    HBITMAP sprite = LoadBitmapW(module, MAKEINTRESOURCEW(expected[i].sprite));
    EXPECT_EQ(PixelsOf(list[i].bitmap).colour, PixelsOf(sprite).colour) << i;
    DeleteObject(sprite);
  }
  EXPECT_EQ(list[4].bitmap, nullptr);
  FreePictureList(list);

  Set(16, 3);
  ASSERT_EQ(BuildLayoutPicture(module, page, sheet_->working.devMode, &list), 0);
  EXPECT_EQ(std::tie(list[4].x, list[4].y), std::make_tuple(30, 1));  // 317 at (43, 14)
  FreePictureList(list);
}

TEST_F(LayoutPictureTest, SettingsComeThroughThePagesConstraintRecords) {
  HWND page = OpenPicturePage();
  Set(7, 2);
  Set(295, 2);
  Set(16, 2);
  LayoutPreviewSettings r;
  // Not listed: every default stays.
  ASSERT_EQ(ReadLayoutPreviewSettings(sheet_->working.devMode, page, &r), 0);
  EXPECT_EQ(std::tie(r.orientation, r.pagesPerSheet, r.duplex, r.sheetOrientation),
            std::make_tuple(SHORT{1}, WORD{1}, SHORT{1}, WORD{1}));
  ListLayoutSettings();
  ASSERT_EQ(ReadLayoutPreviewSettings(sheet_->working.devMode, page, &(r = LayoutPreviewSettings{})), 0);
  EXPECT_EQ(std::tie(r.orientation, r.pagesPerSheet, r.duplex, r.sheetOrientation),
            std::make_tuple(SHORT{2}, WORD{2}, SHORT{2}, WORD{1}));
  // Hidden or disabled settings keep their defaults; 270 is read directly.
  for (WORD state : {1, 6, 7}) {
    SetConstraintStatus(sheet_, 16, state);
    Set(270, state);
    ASSERT_EQ(ReadLayoutPreviewSettings(sheet_->working.devMode, page, &(r = LayoutPreviewSettings{})), 0);
    EXPECT_EQ(r.duplex, 1) << state;
    EXPECT_EQ(r.colourMode, state);
  }
  SetConstraintStatus(sheet_, 16, 2);
  // Media 3 is plain media unless the paper comes from source 4 or 260.
  Set(388, 3);
  for (auto [source, media] : {std::pair<uint64_t, WORD>{7, 0}, {4, 3}, {260, 3}, {1, 0}}) {
    Set(265, source);
    ASSERT_EQ(ReadLayoutPreviewSettings(sheet_->working.devMode, page, &(r = LayoutPreviewSettings{})), 0);
    EXPECT_EQ(r.mediaKind, media) << source;
  }
}

TEST_F(LayoutPictureTest, BuildResults) {
  HWND page = OpenPicturePage();
  ListLayoutSettings();
  HMODULE module = GetPagesResourceModule();
  PictureEntry* list = reinterpret_cast<PictureEntry*>(1);
  EXPECT_EQ(BuildLayoutPicture(nullptr, page, sheet_->working.devMode, &list), kPictureBadArguments);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(BuildLayoutPicture(module, page, nullptr, &list), kPictureBadArguments);
  // Duplex 4 is outside the picture's range.
  Set(16, 3);
  SettingValueType type = 0;
  UINT size = 0, ts = 0, ms = 0;
  const BYTE* address = nullptr;
  ASSERT_EQ(
      LookupSettingField(16, &type, nullptr, &ts, &ms, sheet_->working.devMode, nullptr, &address, nullptr, nullptr),
      0);
  const SHORT four = 4;
  std::memcpy(const_cast<BYTE*>(address), &four, 2);
  ASSERT_EQ(Get(16), 4u);
  EXPECT_EQ(BuildLayoutPicture(module, page, sheet_->working.devMode, &list), kPictureBadArguments);
  Set(16, 1);

  // A module that lacks a sprite: result 5 and nothing kept.
  HMODULE partial = MakeModule("PartialSprites", {{350, Bmp24(Solid(4, 4, RGB(1, 2, 3)))}});
  const SIZE_T bitmaps = pk::seams::LiveBitmaps(), blocks = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(BuildLayoutPicture(partial, page, sheet_->working.devMode, &list), kPictureMissing);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(pk::seams::LiveBitmaps(), bitmaps);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

}  // namespace
}  // namespace pk::test
