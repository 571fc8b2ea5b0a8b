// Font substitution: the two alias tables behind the process-wide choice, the
// prefix comparison and the substitution table's pairs, the match through the
// table, the scoring of every face (alias groups, family, weight and slant),
// the score array beyond the stack, and the device font tables of the
// default model against the engine's DejaVu faces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font_fixture.h"
#include "graphics_driver/core/font_substitution.h"

namespace {

using pk::test::Face;
using pk::test::FontTest;
using pk::test::TrueType;

// The entry as a string; "<end>" at the group's end, "<outside>" past the
// table. The copy is freed here.
std::u16string Entry(int group, int index) {
  WCHAR* entry = nullptr;
  const int r = GetAliasEntry(group, index, &entry);
  if (r == kAliasEntryOutside) return u"<outside>";
  if (r != kAliasEntryOk) return u"<failed>";
  if (!entry) return u"<end>";
  std::u16string s(entry);
  GlobalFree(entry);
  return s;
}
std::vector<std::u16string> Group(int group) {
  std::vector<std::u16string> names;
  for (int i = 0;; ++i) {
    std::u16string e = Entry(group, i);
    if (e == u"<end>" || e == u"<outside>" || e == u"<failed>") return names;
    names.push_back(e);
  }
}

const std::vector<std::u16string> kSwissGroup = {u"Arial", u"CS Triumvirate", u"Helv", u"Helvetica", u"Swiss"};
const std::u16string kN1 = u"Arial", kN4 = u"Helvetica";

// ---- Alias tables ------------------------------------------------------------------

using AliasTableTest = FontTest;

TEST_F(AliasTableTest, SelectorSwitchesBetweenTheTwoTables) {
  EXPECT_EQ(SelectJapaneseFontAliasTable(1), 1);
  EXPECT_EQ(GetAliasGroupCount(), 15);
  EXPECT_EQ(Entry(8, 0), u"Arial");
  EXPECT_EQ(Group(8), kSwissGroup);

  EXPECT_EQ(SelectJapaneseFontAliasTable(0), 1);
  EXPECT_EQ(GetAliasGroupCount(), 7);
  EXPECT_EQ(Group(4), kSwissGroup);

  // Any other kind keeps the table in use.
  for (int kind : {2, -1, 15}) {
    EXPECT_EQ(SelectJapaneseFontAliasTable(kind), 0) << kind;
    EXPECT_EQ(GetAliasGroupCount(), 7) << kind;
    EXPECT_EQ(GetFontAliasTableKind(), 0) << kind;
  }
}

TEST_F(AliasTableTest, ShortTableHoldsSevenGroupsOfTheLongOne) {
  std::vector<std::vector<std::u16string>> all;
  for (int g = 0; g < 15; ++g) all.push_back(Group(g));
  SelectJapaneseFontAliasTable(0);
  const int picked[] = {0, 2, 4, 6, 8, 9, 10};
  for (int g = 0; g < 7; ++g) EXPECT_EQ(Group(g), all[picked[g]]) << g;
  // The groups as written: the Japanese faces with their full-width and
  // katakana characters, the longest Latin group whole.
  EXPECT_EQ(all[0], (std::vector<std::u16string>{u"KZ ヴェルタ 本明朝-L", u"平成明朝", u"ＭＳ 明朝"}));
  EXPECT_EQ(all[7], (std::vector<std::u16string>{u"@KZ ヴェルタ Pゴシック-B", u"@ＭＳ Ｐゴシック"}));
  EXPECT_EQ(all[10].size(), 10u);
  EXPECT_EQ(all[10].back(), u"TimesNewRomanPS");
  EXPECT_EQ(all[14], (std::vector<std::u16string>{u"Book Antiqua", u"Modern", u"Bookman Antiqua", u"Zapf Calligraphic",
                                                  u"ZapfCalligraphic", u"Paratino"}));
}

TEST_F(AliasTableTest, EntriesEndAtTheGroupAndFailPastTheTable) {
  struct Case {
    int kind, group, index;
    std::u16string expected;
  };
  const Case cases[] = {
      {1, 0, 0, u"KZ ヴェルタ 本明朝-L"},
      {1, 0, 3, u"<end>"},
      {1, 0, 4, u"<outside>"},  // never read past a group's end
      {1, 0, -1, u"<outside>"},
      {1, 14, 5, u"Paratino"},
      {1, 14, 6, u"<end>"},
      {1, 15, 0, u"<outside>"},
      {1, -1, 0, u"<outside>"},
      {0, 6, 9, u"TimesNewRomanPS"},
      {0, 7, 0, u"<outside>"},
  };
  for (const Case& c : cases) {
    SelectJapaneseFontAliasTable(c.kind);
    EXPECT_EQ(Entry(c.group, c.index), c.expected) << c.kind << " " << c.group << " " << c.index;
  }
  EXPECT_EQ(GetAliasEntry(0, 0, nullptr), kAliasEntryOutside);
  WCHAR* entry = reinterpret_cast<WCHAR*>(1);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(GetAliasEntry(0, 0, &entry), kAliasEntryNoMemory);
  EXPECT_EQ(entry, nullptr);
}

TEST_F(AliasTableTest, NamePrefixComparison) {
  struct Case {
    const WCHAR* a;
    const WCHAR* b;
    bool equal;
  };
  const Case cases[] = {
      {u"Arial", u"arial black", true},  // over the shorter length, ignoring case
      {u"HELVETICA", u"Helv", true},        {u"Arial", u"Times", false},
      {u"@ＭＳ 明朝", u"ＭＳ 明朝", false}, {u"", u"Arial", true},
  };
  for (const Case& c : cases) EXPECT_EQ(CompareNamePrefix(c.a, c.b) == 0, c.equal);
  EXPECT_EQ(CompareNamePrefix(nullptr, u"Arial"), -1);
  EXPECT_EQ(CompareNamePrefix(u"Arial", nullptr), -1);
}

// ---- The substitution table ------------------------------------------------------------

using SubstituteTest = FontTest;

TEST_F(SubstituteTest, PairsMatchExactlyAndStopAtTheTableEnd) {
  WCHAR* table = GlobalTable(Pairs({{kN1, kN4}, {u"Times New Roman", u"Dutch"}}));
  struct Case {
    const WCHAR* name;
    const WCHAR* expected;
  };
  const Case cases[] = {{u"Arial", u"Helvetica"}, {u"Times New Roman", u"Dutch"}, {u"arial", nullptr},
                        {u"Helvetica", nullptr},  {u"Arial Black", nullptr},      {u"", nullptr}};
  for (const Case& c : cases) {
    const WCHAR* found = FindSubstitute(table, c.name);
    if (!c.expected) {
      EXPECT_EQ(found, nullptr);
    } else {
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(std::u16string(found), c.expected);
    }
  }
  EXPECT_EQ(FindSubstitute(table, nullptr), nullptr);
  EXPECT_EQ(FindSubstitute(nullptr, u"Arial"), nullptr);
  GlobalFree(table);

  // Tables cut short: the walk ends at the block's end (ASan sees a read
  // past it).
  const std::u16string whole = Pairs({{kN1, kN4}});
  for (size_t units = 0; units < whole.size(); ++units) {
    table = GlobalTable(whole.substr(0, units));
    const WCHAR* found = FindSubstitute(table, u"Times");
    EXPECT_EQ(found, nullptr) << units;
    found = FindSubstitute(table, u"Arial");
    EXPECT_EQ(found != nullptr, units >= 16) << units;  // once "Helvetica" is ended
    GlobalFree(table);
  }
  // Text that is no GlobalAlloc block has no known end.
  const WCHAR local[] = u"Arial\0Helvetica\0";
  EXPECT_EQ(FindSubstitute(local, u"Arial"), nullptr);
}

// ---- Matching through the table --------------------------------------------------------

using MatchTest = FontTest;

TEST_F(MatchTest, PairChoosesTheNamedFaceWithoutScoring) {
  UseTable(Pairs({{kN1, kN4}}));
  // Scoring alone would take the first face (the TrueType name itself).
  UseFaces({{u"arial"}, {kN4}});
  FONTOBJ* font = Font({kN1});
  uint32_t index = 99;
  EXPECT_EQ(MatchFontSubstitution(pdev(), font, kN1.c_str(), &index), kFontSubChosen);
  EXPECT_EQ(index, 1u);
  index = 99;
  EXPECT_EQ(ScoreDeviceFonts(pdev(), font, kN1.c_str(), &index), kFontSubChosen);
  EXPECT_EQ(index, 1u);
}

TEST_F(MatchTest, NamedFacesNarrowedByCharsetThenWeight) {
  UseTable(Pairs({{kN1, kN4}}));
  struct Case {
    const char* what;
    std::vector<Face> faces;
    TrueType font;
    int answer;
    uint32_t index;
  };
  const Case cases[] = {
      {"charsets below 3 stand for each other", {{kN4, 128}, {kN4, 2}}, {kN1, 0}, kFontSubChosen, 1},
      {"another set only for itself", {{kN4, 0}, {kN4, 128}}, {kN1, 128}, kFontSubChosen, 1},
      {"no face of the set", {{kN4, 0}, {kN4, 2}}, {kN1, 128}, kFontSubNone, 0},
      {"the nearer weight", {{kN4, 0, 0x22, 700}, {kN4, 0, 0x22, 400}}, {kN1}, kFontSubChosen, 1},
      {"only faces with the name", {{u"Swiss", 0}, {kN4, 128}}, {kN1, 0}, kFontSubNone, 0},
      {"a pair naming no face", {{u"Swiss"}, {u"helvetica"}}, {kN1}, kFontSubNone, 0},
      {"first of equals", {{kN4}, {kN4}}, {kN1}, kFontSubChosen, 0},
  };
  for (const Case& c : cases) {
    UseFaces(c.faces);
    uint32_t index = 77;
    EXPECT_EQ(MatchFontSubstitution(pdev(), Font(c.font), kN1.c_str(), &index), c.answer) << c.what;
    if (c.answer == kFontSubChosen) {
      EXPECT_EQ(index, c.index) << c.what;
    }
  }
}

TEST_F(MatchTest, NothingToMatchAndFailedSteps) {
  UseTable(Pairs({{kN1, kN4}}));
  UseFaces({{kN4}});
  FONTOBJ* font = Font({kN1});
  uint32_t index = 0;
  EXPECT_EQ(MatchFontSubstitution(pdev(), font, u"", &index), kFontSubNone);
  EXPECT_EQ(MatchFontSubstitution(pdev(), font, u"Courier", &index), kFontSubNone);
  // Without metrics the pair is found but cannot be weighed.
  FONTOBJ* bare = pkgdi::CreateDeviceFont(0, XFORML{1, 0, 0, 1, 0, 0}, nullptr, 0);
  ASSERT_NE(bare, nullptr);
  fonts_.push_back(bare);
  EXPECT_EQ(MatchFontSubstitution(pdev(), bare, kN1.c_str(), &index), kFontSubNoMetrics);
  EXPECT_EQ(ScoreDeviceFonts(pdev(), bare, kN1.c_str(), &index), kFontSubNoMetrics);
  FONTOBJ foreign{};
  EXPECT_EQ(MatchFontSubstitution(pdev(), &foreign, kN1.c_str(), &index), kFontSubNoMetrics);
  // Missing arguments.
  EXPECT_EQ(MatchFontSubstitution(nullptr, font, kN1.c_str(), &index), kFontSubFailed);
  EXPECT_EQ(MatchFontSubstitution(pdev(), nullptr, kN1.c_str(), &index), kFontSubFailed);
  EXPECT_EQ(MatchFontSubstitution(pdev(), font, nullptr, &index), kFontSubFailed);
  EXPECT_EQ(MatchFontSubstitution(pdev(), font, kN1.c_str(), nullptr), kFontSubFailed);
  EXPECT_EQ(ScoreDeviceFonts(pdev(), font, kN1.c_str(), nullptr), kFontSubFailed);
  // A face without a name, once a pair is found.
  UseFaces({{kN4}, {u"", 0, 0x22, 400, 0, true}});
  EXPECT_EQ(MatchFontSubstitution(pdev(), font, kN1.c_str(), &index), kFontSubFailed);
  // No faces.
  UseFaces({});
  EXPECT_EQ(MatchFontSubstitution(pdev(), font, kN1.c_str(), &index), kFontSubNone);
  EXPECT_EQ(ScoreDeviceFonts(pdev(), font, kN1.c_str(), &index), kFontSubNone);
}

TEST_F(MatchTest, TableIsReadFromThePrinterWhenThePdevHasNone) {
  // The default model pairs "DejaVu Sans" with its "Orvalis Sans".
  UseFaces({{u"Orvalis Mono", 0, FF_MODERN}, {u"Orvalis Sans"}});
  FONTOBJ* font = DejaVu(pkgdi::FontFamily::Sans);
  uint32_t index = 9;
  EXPECT_EQ(MatchFontSubstitution(pdev(), font, u"DejaVu Sans", &index), kFontSubChosen);
  EXPECT_EQ(index, 1u);
  EXPECT_NE(pdev()->fontSubstitution, nullptr);
  GlobalFree(pdev()->fontSubstitution);
  pdev()->fontSubstitution = nullptr;
  // Without a printer there is no table to read.
  pdev()->printer = nullptr;
  EXPECT_EQ(MatchFontSubstitution(pdev(), font, u"DejaVu Sans", &index), kFontSubFailed);
  EXPECT_EQ(pdev()->fontSubstitution, nullptr);
}

TEST_F(MatchTest, DefaultModelFacesStandForDejaVuFaces) {
  // The PDEV's device font tables built from the default model.
  pdev()->heap = HeapCreate(0, 0, 0);
  ASSERT_NE(pdev()->heap, nullptr);
  ASSERT_EQ(BuildDeviceFontTables(pdev()), 1);
  ASSERT_EQ(pdev()->fontFaceCount, 2u);
  struct Case {
    pkgdi::FontFamily family;
    bool bold;
    const WCHAR* familyName;
    std::u16string face;
  };
  const Case cases[] = {
      {pkgdi::FontFamily::Sans, false, u"DejaVu Sans", u"Orvalis Sans"},
      {pkgdi::FontFamily::SansMono, false, u"DejaVu Sans Mono", u"Orvalis Mono"},
      // No pair: the charset, family and weight passes decide.
      {pkgdi::FontFamily::Serif, false, u"DejaVu Serif", u"Orvalis Sans"},
      {pkgdi::FontFamily::Sans, true, u"", u"Orvalis Sans"},
  };
  for (const Case& c : cases) {
    uint32_t index = 9;
    ASSERT_EQ(ScoreDeviceFonts(pdev(), DejaVu(c.family, c.bold), c.familyName, &index), kFontSubChosen);
    ASSERT_LT(index, 2u);
    EXPECT_EQ(std::u16string(pdev()->fontFaces[index]->faceName), c.face) << &c - cases;
  }
  FreeDeviceFontTables(pdev());
  HeapDestroy(pdev()->heap);
  pdev()->heap = nullptr;
}

// ---- Scoring ------------------------------------------------------------------------------

using ScoreTest = FontTest;

TEST_F(ScoreTest, SameNameBeatsAnAliasGroupMember) {
  UseTable(Pairs({{u"Courier New", u"Courier"}}));
  // "arial" gains 4 for the name, "Helvetica" 2 as a member of its group:
  // the first never decides.
  for (bool swapped : {false, true}) {
    std::vector<Face> faces = {{u"arial"}, {kN4}};
    if (swapped) std::swap(faces[0], faces[1]);
    UseFaces(faces);
    uint32_t index = 9;
    EXPECT_EQ(ScoreDeviceFonts(pdev(), Font({kN1}), kN1.c_str(), &index), kFontSubChosen);
    EXPECT_EQ(index, swapped ? 1u : 0u);
  }
}

TEST_F(ScoreTest, AliasPassKeepsVerticalAndHorizontalApart) {
  UseTable(Pairs({}));
  // The third name of the vertical Mincho group.
  const std::u16string vertical = u"@ＭＳ 明朝";
  struct Case {
    const char* what;
    std::u16string trueType;
    std::vector<Face> faces;
    uint32_t index;
  };
  const Case cases[] = {
      // A horizontal face gains nothing, a vertical one outside the group 1.
      {"horizontal face", vertical, {{u"ＭＳ 明朝"}, {u"@Other"}}, 1},
      // A member of the found group gains 2.
      {"group member", vertical, {{u"@Other"}, {u"@平成明朝"}}, 1},
      {"vertical face for a horizontal font", u"ＭＳ 明朝", {{u"@ＭＳ 明朝"}, {u"Other"}}, 1},
      {"same name ignoring case wins", u"Times New Roman", {{u"Times"}, {u"TIMES NEW ROMAN"}}, 1},
      {"any other horizontal face gains 1", u"Times New Roman", {{u"@Times"}, {u"Garamond"}}, 1},
      // A gain above 1 skips the family pass, which would prefer the second.
      {"family pass skipped", kN1, {{u"arial", 0, FIXED_PITCH | FF_ROMAN}, {u"ARIAL"}}, 0},
      {"family pass after a gain of 1", kN1, {{u"Other", 0, FIXED_PITCH | FF_ROMAN}, {u"Other"}}, 1},
  };
  for (const Case& c : cases) {
    UseFaces(c.faces);
    uint32_t index = 9;
    EXPECT_EQ(ScoreDeviceFonts(pdev(), Font({c.trueType}), u"Family", &index), kFontSubChosen) << c.what;
    EXPECT_EQ(index, c.index) << c.what;
  }
}

TEST_F(ScoreTest, NamelessFaceFailsOnlyTheAliasPass) {
  UseTable(Pairs({}));
  UseFaces({{kN4}, {u"", 0, 0x22, 400, 0, true}});
  uint32_t index = 9;
  EXPECT_EQ(ScoreDeviceFonts(pdev(), Font({kN1}), kN1.c_str(), &index), kFontSubFailed);
  // Without a family name there is no alias pass.
  EXPECT_EQ(ScoreDeviceFonts(pdev(), Font({kN1}), u"", &index), kFontSubChosen);
  EXPECT_EQ(index, 0u);
}

TEST_F(ScoreTest, AliasCopyFailingIsOutOfMemory) {
  UseTable(Pairs({}));
  UseFaces({{u"Swiss"}, {kN4}});
  FONTOBJ* font = Font({kN1});
  for (unsigned n = 1; n <= 3; ++n) {
    pk::seams::FailNthAllocation(n);
    uint32_t index = 9;
    EXPECT_EQ(ScoreDeviceFonts(pdev(), font, kN1.c_str(), &index), kFontSubNoMemory) << n;
    pk::seams::FailNthAllocation(0);
  }
}

TEST(FamilyScoreTest, PitchFamilyAndSwissNames) {
  struct Case {
    const WCHAR* name;
    BYTE device, trueType;
    int score;
  };
  const Case cases[] = {
      {u"X", 0x01, FIXED_PITCH | FF_ROMAN, 16},  // fixed face, fixed font
      {u"X", 0x00, VARIABLE_PITCH | FF_ROMAN, 16},
      {u"X", 0x01, VARIABLE_PITCH | FF_ROMAN, 0},
      {u"X", 0x00, FIXED_PITCH | FF_ROMAN, 0},
      {u"X", 0x00, FF_ROMAN, 0},  // the font's pitch unknown
      {u"X", FF_SWISS, FF_SWISS, 8},
      {u"X", FF_SWISS | 1, FIXED_PITCH | FF_SWISS, 24},
      {u"century", FF_ROMAN, FF_SWISS, 4},
      {u"Garamond", FF_ROMAN, FF_SWISS, 4},
      {u"Arial Narrow", FF_MODERN, FF_SWISS, 4},
      {u"kino mt", FF_MODERN, FF_SWISS, 4},
      {u"Arial Narrow", FF_ROMAN, FF_SWISS, 0},
      {u"Century", FF_MODERN, FF_SWISS, 0},
      {u"Century", FF_ROMAN, FF_ROMAN, 8},  // only for a Swiss font
      {u"Centur", FF_ROMAN, FF_SWISS, 0},   // whole names only
      {nullptr, FF_ROMAN, FF_SWISS, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(FamilyScore(c.name, c.device, c.trueType), c.score) << &c - cases;
}

TEST(WeightSlantTest, Gains) {
  struct Case {
    bool faceItalic;
    int faceWeight;
    bool italicWanted;
    int trueTypeWeight;
    int gain;
  };
  const Case cases[] = {
      {false, 400, true, 700, 45 + 30 - 3 + 10}, {true, 700, true, 700, 57 + 30 - 0 + 10},
      {true, 700, false, 400, 0 - 3 + 10},       {false, 400, false, 400, 57 + 30 + 10},
      {false, 700, false, 400, 57 - 3 + 10},     {true, 1000, false, 0, 0 - 10 + 10},
      {false, 450, false, 400, 57 - 0 + 10},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WeightSlantScore(c.faceItalic, c.faceWeight, c.italicWanted, c.trueTypeWeight), c.gain)
        << c.faceItalic << c.faceWeight << c.italicWanted << c.trueTypeWeight;
}

TEST_F(ScoreTest, CharsetFamilyPitchWeightAndSlantDecide) {
  UseTable(Pairs({}));
  struct Case {
    const char* what;
    std::vector<Face> faces;
    TrueType font;
    uint32_t index;
  };
  const Face upright400{u"A", 0, 0x22, 400, 0}, italic700{u"B", 0, 0x22, 700, 1}, italic400{u"C", 0, 0x22, 400, 1};
  const Case cases[] = {
      {"the TrueType charset", {{u"A", 128}, {u"B", 0}}, {u"X", 0}, 1},
      {"fixed pitch", {{u"A", 0, FF_MODERN}, {u"B", 0, FF_MODERN | 1}}, {u"X", 0, FIXED_PITCH | FF_MODERN}, 1},
      {"the family", {{u"A", 0, FF_ROMAN}, {u"B", 0, FF_SWISS}}, {u"X", 0, FF_SWISS}, 1},
      {"a Roman face for Century", {{u"A", 0, FF_DECORATIVE}, {u"B", 0, FF_ROMAN}}, {u"Century", 0, FF_SWISS}, 1},
      {"italic wanted (82 against 97)", {upright400, italic700}, {u"X", 0, 0x22, 700, FM_SEL_ITALIC}, 1},
      {"simulated italic", {upright400, italic700}, {u"X", 0, 0x22, 700, FM_SEL_REGULAR, FO_SIM_ITALIC}, 1},
      {"upright wanted (97 against 7)", {italic700, upright400}, {u"X", 0, 0x22, 400}, 1},
      {"ties go to the first", {italic400, italic400}, {u"X", 0, 0x22, 400, FM_SEL_ITALIC}, 0},
      // A weight far beyond 1000 would wrap a byte score; it stops at 0.
      {"out-of-range weight", {{u"W", 0, 0x22, 60000, 1}, upright400}, {u"X", 0, 0x22, 400}, 1},
  };
  for (const Case& c : cases) {
    UseFaces(c.faces);
    uint32_t index = 9;
    EXPECT_EQ(ScoreDeviceFonts(pdev(), Font(c.font), u"", &index), kFontSubChosen) << c.what;
    EXPECT_EQ(index, c.index) << c.what;
  }
}

TEST_F(ScoreTest, ScoresBeyondTheStackAreAllocated) {
  // 80 faces take no block; 81 take one of 81 bytes, and an answer of 3
  // when it cannot be had.
  pk::seams::FailAllocationsFrom(kStackScoreFaces + 1);
  for (uint32_t count : {kStackScoreFaces, kStackScoreFaces + 1}) {
    UseTable(Pairs({{kN1, kN4}}));
    std::vector<Face> faces(count, Face{u"F"});
    faces.back() = Face{kN4, 0, 0x22, 400};
    UseFaces(faces);
    const int expected = count > kStackScoreFaces ? kFontSubNoMemory : kFontSubChosen;
    uint32_t index = 0;
    EXPECT_EQ(MatchFontSubstitution(pdev(), Font({kN1}), kN1.c_str(), &index), expected) << count;
    EXPECT_EQ(ScoreDeviceFonts(pdev(), Font({kN1}), kN1.c_str(), &index), expected) << count;
    EXPECT_EQ(ScoreDeviceFonts(pdev(), Font({u"Other"}), u"", &index), expected) << count;
    if (expected == kFontSubChosen) {
      EXPECT_EQ(index, 0u);
    }
    GlobalFree(pdev()->fontSubstitution);
    pdev()->fontSubstitution = nullptr;
  }
  pk::seams::FailAllocationsFrom(0);
  // With the block: the last face, the only one named like the pair.
  UseTable(Pairs({{kN1, kN4}}));
  uint32_t index = 0;
  EXPECT_EQ(ScoreDeviceFonts(pdev(), Font({kN1}), kN1.c_str(), &index), kFontSubChosen);
  EXPECT_EQ(index, kStackScoreFaces);
}

}  // namespace
