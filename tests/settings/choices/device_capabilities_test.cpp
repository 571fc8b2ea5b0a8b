// Device capabilities: the table, the fixed answers and those of the DEVMODE
// and the model header, and the paper, bin and resolution lists filtered by
// the conflict engine.
#include <string>
#include <vector>

#include "platform/spooler/spooler_seams.h"
#include "settings/capabilities/device_capabilities.h"
#include "settings/choices/choices_fixture.h"

namespace pk::test {
namespace {

class CapabilitiesTest : public ChoicesTest {
 protected:
  LONG Ask(WORD index, void* output = nullptr, WORD flags = kCapabilityAll) {
    return CallCapabilityHandler(current_, index, output, flags, devMode(), settings(), model_);
  }
  std::vector<WORD> Papers() {
    LONG count = Ask(DC_PAPERS);
    std::vector<WORD> codes(count > 0 ? static_cast<size_t>(count) : 0);
    if (count > 0) {
      EXPECT_EQ(Ask(DC_PAPERS, codes.data()), count);
    }
    return codes;
  }
  std::vector<std::u16string> Names(WORD index, int chars) {
    LONG count = Ask(index);
    std::vector<WCHAR> fields(count > 0 ? static_cast<size_t>(count) * chars : 0, 0xABCD);
    std::vector<std::u16string> names;
    if (count <= 0) return names;
    EXPECT_EQ(Ask(index, fields.data()), count);
    for (LONG n = 0; n < count; ++n) {
      const WCHAR* field = fields.data() + n * chars;
      std::u16string name;
      for (int k = 0; k < chars && field[k]; ++k) name.push_back(field[k]);
      names.push_back(name);
    }
    return names;
  }
};

TEST_F(CapabilitiesTest, TheTableInItsOrder) {
  const WORD order[kCapabilityRowCount] = {16, 3,  2,  6, 12, 13, 15, 10, 11, 8,  9,  1, 18,
                                           7,  17, 14, 4, 5,  32, 29, 26, 31, 27, 30, 22};
  for (int n = 0; n < kCapabilityRowCount; ++n) EXPECT_EQ(kCapabilityTable[n].index, order[n]) << n;
  for (WORD index : {19, 20, 21, 23, 24, 25, 28, 33, 34, 35, 0, 36}) EXPECT_EQ(Ask(index), -1) << index;
}

TEST_F(CapabilitiesTest, AnswersWithoutModelOrSettings) {
  struct Case {
    WORD index;
    LONG answer;
  };
  const Case cases[] = {
      {DC_COPIES, 999},      {DC_FIELDS, 0x1FF03},     {DC_TRUETYPE, 6},     {DC_ORIENTATION, 90},
      {DC_PRINTRATEUNIT, 1}, {DC_VERSION, 0x500},      {DC_DRIVER, 0x3204},  {DC_SIZE, 220},
      {DC_EXTRA, 2408},      {DC_FILEDEPENDENCIES, 0}, {DC_PAPERS, -1},      {DC_PAPERSIZE, -1},
      {DC_PAPERNAMES, -1},   {DC_MINEXTENT, -1},       {DC_MAXEXTENT, -1},   {DC_BINS, -1},
      {DC_BINNAMES, -1},     {DC_DUPLEX, -1},          {DC_COLORDEVICE, -1}, {DC_PRINTRATE, -1},
      {DC_PRINTRATEPPM, -1}, {DC_STAPLE, -1},          {DC_MEDIAREADY, -1},  {DC_ENUMRESOLUTIONS, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(Ask(c.index, nullptr, 0), c.answer) << c.index;
  WCHAR dependency[4] = {u'x', u'y', 0, 0};
  EXPECT_EQ(Ask(DC_FILEDEPENDENCIES, dependency, 0), 0);
  EXPECT_EQ(dependency[0], 0);
}

TEST_F(CapabilitiesTest, AnswersOfTheDefaultModelAndSettings) {
  EXPECT_EQ(Ask(DC_COPIES), 999);
  EXPECT_EQ(Ask(DC_PRINTRATE), 36);
  EXPECT_EQ(Ask(DC_PRINTRATEPPM), 36);
  EXPECT_EQ(Ask(DC_PRINTRATEUNIT), 1);
  EXPECT_EQ(Ask(DC_COLORDEVICE), 1);
  EXPECT_EQ(Ask(DC_VERSION), static_cast<LONG>(Value(2) & 0xFFFF));
  EXPECT_EQ(Ask(DC_DRIVER), 0x3204);
  EXPECT_EQ(Ask(DC_SIZE), static_cast<LONG>(Value(4)));
  EXPECT_EQ(Ask(DC_EXTRA), static_cast<LONG>(Value(5)));
  EXPECT_EQ(GetDevModeWord(devMode(), 4), Value(4));

  // dmFields with the colour bit following setting 1056.
  Set(1056, 0);
  EXPECT_EQ(Ask(DC_FIELDS) & 0x10, 0);
  Set(1056, 1);
  EXPECT_EQ(Ask(DC_FIELDS) & 0x10, 0x10);
  EXPECT_EQ(static_cast<DWORD>(Ask(DC_FIELDS)) & ~0x10u, Value(6) & ~0x10u);

  Set(775, 1);
  EXPECT_EQ(Ask(DC_DUPLEX), 1);
  Set(775, 0);
  EXPECT_EQ(Ask(DC_DUPLEX), 0);

  pk::seams::SetOsVersion(5, 1);
  EXPECT_EQ(Ask(DC_COLLATE), 1);
  pk::seams::SetOsVersion(5, 0);
  EXPECT_EQ(Ask(DC_COLLATE), -1);
}

TEST_F(CapabilitiesTest, ResolutionsAndMediaOfTheDefaultModel) {
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  ASSERT_EQ(Ask(DC_ENUMRESOLUTIONS), 2);
  LONG pairs[5] = {0, 0, 0, 0, -7};
  EXPECT_EQ(Ask(DC_ENUMRESOLUTIONS, pairs), 2);
  EXPECT_EQ(pairs[0], 600);
  EXPECT_EQ(pairs[1], 600);
  EXPECT_EQ(pairs[2], 400);
  EXPECT_EQ(pairs[3], 400);
  EXPECT_EQ(pairs[4], -7);

  std::vector<std::u16string> media = Names(DC_MEDIAREADY, kPaperNameChars);
  ASSERT_EQ(media.size(), 19u);
  EXPECT_EQ(media[0], u"A4");
  EXPECT_EQ(media[3], u"A3");
  EXPECT_EQ(media[9], u"User defined size");
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(CapabilitiesTest, PaperCountMatchesTheFilledList) {
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  const LONG count = Ask(DC_PAPERS);
  ASSERT_GT(count, 0);
  std::vector<WORD> codes = Papers();
  ASSERT_EQ(codes.size(), static_cast<size_t>(count));
  EXPECT_EQ(codes[0], 9);  // A4
  EXPECT_EQ(codes[1], 1);  // Letter
  std::vector<std::u16string> names = Names(DC_PAPERNAMES, kPaperNameChars);
  ASSERT_EQ(names.size(), codes.size());
  EXPECT_EQ(names[0], u"A4");
  std::vector<LONG> sizes(static_cast<size_t>(count) * 2);
  EXPECT_EQ(Ask(DC_PAPERSIZE, sizes.data()), count);
  EXPECT_EQ(sizes[0], 2100);
  EXPECT_EQ(sizes[1], 2970);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(CapabilitiesTest, ExtentsOverTheAvailablePapers) {
  ddd::ModelWriter w = SmallWriter();
  AddWriterPaper(&w, 9, "A4", 2100, 2970);
  AddWriterPaper(&w, 11, "A5", 1480, 2100);
  uint16_t a4 = w.AddOption(14, ddd::Text::Plain("A4"), 10, 9, ddd::Value::I16(9));
  uint16_t a5 = w.AddOption(14, ddd::Text::Plain("A5"), 10, 11, ddd::Value::I16(11));
  w.AddFeature(4, 8, ddd::Text::Plain("Paper size"), 1, 1, {a4, a5});
  UseModel(u"Two papers", w);
  EXPECT_EQ(Ask(DC_MINEXTENT), 2100 * 65536 + 1480);
  EXPECT_EQ(Ask(DC_MAXEXTENT), 2970 * 65536 + 2100);
  EXPECT_EQ(Papers(), (std::vector<WORD>{9, 11}));
}

TEST_F(CapabilitiesTest, UnlimitedLengthBecomesTheLongestAllowed) {
  ddd::ModelWriter w = SmallWriter();
  AddWriterPaper(&w, 317, "Roll", 2100, 10000);
  AddWriterPaper(&w, 318, "Banner", 2970, 10000);
  uint16_t roll = w.AddOption(14, ddd::Text::Plain("Roll"), 10, 317, ddd::Value::I16(317));
  uint16_t banner = w.AddOption(14, ddd::Text::Plain("Banner"), 10, 318, ddd::Value::I16(318));
  w.AddFeature(4, 8, ddd::Text::Plain("Paper size"), 1, 1, {roll, banner});
  UseModel(u"Rolls", w);
  // The roll's form is form 317: the built-in forms, 198 others, then it.
  for (int n = 0; n < 199; ++n) {
    const std::u16string name =
        n < 198 ? u"Form " + std::u16string(1, u'A' + n / 26) + std::u16string(1, u'a' + n % 26) : u"Roll";
    FORM_INFO_1W form{FORM_USER, const_cast<LPWSTR>(name.c_str()), {100000, 200000}, {0, 0, 100000, 200000}};
    ASSERT_TRUE(AddFormW(current_, 1, reinterpret_cast<const BYTE*>(&form))) << n;
  }
  Set(373, 1234);
  Set(453, 0);
  LONG sizes[4] = {};
  ASSERT_EQ(Ask(DC_PAPERSIZE, sizes), 2);
  EXPECT_EQ(Papers(), (std::vector<WORD>{317, 0}));
  EXPECT_EQ(sizes[1], 10000);  // code 317 keeps it
  EXPECT_EQ(sizes[3], 12340);  // setting 373 x 10
  Set(453, 1);
  ASSERT_EQ(Ask(DC_PAPERSIZE, sizes), 2);
  EXPECT_EQ(sizes[1], 10000);
  EXPECT_EQ(sizes[3], 150000);
}

TEST_F(CapabilitiesTest, UnlistableFormsGiveNoPaperAnswer) {
  const LONG count = Ask(DC_PAPERS);
  ASSERT_GT(count, 0);
  pk::seams::FailEnumForms(true);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  std::vector<BYTE> output(static_cast<size_t>(count) * 64 * 2 + 16, 0xAB);
  for (WORD index : {DC_PAPERS, DC_PAPERSIZE, DC_PAPERNAMES, DC_MINEXTENT, DC_MAXEXTENT}) {
    EXPECT_EQ(Ask(index, output.data()), -1) << index;
    EXPECT_EQ(output, std::vector<BYTE>(output.size(), 0xAB)) << index;
  }
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
  pk::seams::FailEnumForms(false);
  EXPECT_EQ(Ask(DC_PAPERS, output.data()), count);
}

TEST_F(CapabilitiesTest, PapersTheSettingsDoNotAllowAreLeftOut) {
  // A3 is hidden (status 6), Letter disabled (status 1); A5 is only refused
  // when chosen (status 2), so it stays in the lists.
  ddd::ModelWriter w = SmallWriter();
  AddWriterPaper(&w, 9, "A4", 2100, 2970);
  AddWriterPaper(&w, 8, "A3", 2970, 4200);
  AddWriterPaper(&w, 1, "Letter", 2159, 2794);
  AddWriterPaper(&w, 11, "A5", 1480, 2100);
  auto refused = [&w](int16_t code, uint16_t status) {
    return w.AddConstraint(7, {0, 1, 8, ddd::Value::I16(code)}, status, ddd::Text::Plain("Not now"));
  };
  const uint16_t hidden = refused(8, 6), disabled = refused(1, 1), asked = refused(11, 2);
  std::vector<uint16_t> options = {
      w.AddOption(14, ddd::Text::Plain("A4"), 10, 9, ddd::Value::I16(9)),
      w.AddOption(14, ddd::Text::Plain("A3"), 10, 8, ddd::Value::I16(8), 0, {hidden}),
      w.AddOption(14, ddd::Text::Plain("Letter"), 10, 1, ddd::Value::I16(1), 0, {disabled}),
      w.AddOption(14, ddd::Text::Plain("A5"), 10, 11, ddd::Value::I16(11), 0, {asked}),
  };
  w.AddFeature(4, 8, ddd::Text::Plain("Paper size"), 1, 1, options);
  UseModel(u"Filtered papers", w);

  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(Ask(DC_PAPERS), 2);
  EXPECT_EQ(Ask(DC_PAPERNAMES), 2);
  EXPECT_EQ(Papers(), (std::vector<WORD>{9, 11}));
  EXPECT_EQ(Names(DC_PAPERNAMES, kPaperNameChars), (std::vector<std::u16string>{u"A4", u"A5"}));
  LONG sizes[6] = {0, 0, 0, 0, -5, -5};
  EXPECT_EQ(Ask(DC_PAPERSIZE, sizes), 2);
  EXPECT_EQ(std::vector<LONG>(sizes, sizes + 6), (std::vector<LONG>{2100, 2970, 1480, 2100, -5, -5}));
  EXPECT_EQ(Ask(DC_MAXEXTENT), 2970 * 65536 + 2100);
  // DC_MEDIAREADY names every paper option of the model.
  EXPECT_EQ(Names(DC_MEDIAREADY, kPaperNameChars).size(), 4u);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(CapabilitiesTest, BinsTheSettingsDoNotAllowAreLeftOut) {
  // Bins 7 and 1 are paper sources too and are checked as such: source 1 is
  // hidden. Bin 3 is disabled; bin 4 is only refused when chosen.
  ddd::ModelWriter w = SmallWriter();
  const uint16_t sourceHidden = w.AddConstraint(7, {0, 1, 265, ddd::Value::U16(1)}, 6, ddd::Text::Plain("No"));
  const uint16_t binDisabled = w.AddConstraint(7, {0, 1, 13, ddd::Value::I16(3)}, 1, ddd::Text::Plain("No"));
  const uint16_t binAsked = w.AddConstraint(7, {0, 1, 13, ddd::Value::I16(4)}, 2, ddd::Text::Plain("No"));
  const std::string longName = "Automatic selection of the tray";  // 31 characters
  std::vector<uint16_t> bins = {
      w.AddOption(14, ddd::Text::Plain(longName), 0, 0, ddd::Value::I16(7)),
      w.AddOption(14, ddd::Text::Plain("Tray 1"), 0, 0, ddd::Value::I16(1)),
      w.AddOption(14, ddd::Text::Plain("Tray 2"), 0, 0, ddd::Value::I16(3), 0, {binDisabled}),
      w.AddOption(14, ddd::Text::Plain("Bypass"), 0, 0, ddd::Value::I16(4), 0, {binAsked}),
      w.AddOption(14, ddd::Text::Plain("Manual"), 0, 0, ddd::Value::I16(5)),
  };
  w.AddFeature(4, 13, ddd::Text::Plain("Bin"), 1, 1, bins);
  std::vector<uint16_t> sources = {
      w.AddOption(14, ddd::Text::Plain("Automatic"), 0, 0, ddd::Value::U16(7)),
      w.AddOption(14, ddd::Text::Plain("Tray 1"), 0, 0, ddd::Value::U16(1), 0, {sourceHidden}),
  };
  w.AddFeature(4, 265, ddd::Text::Plain("Source"), 1, 1, sources);
  UseModel(u"Filtered bins", w);

  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  ASSERT_EQ(Ask(DC_BINS), 3);
  std::vector<WORD> values(4, 0xABCD);
  EXPECT_EQ(Ask(DC_BINS, values.data()), 3);
  EXPECT_EQ(values, (std::vector<WORD>{7, 4, 5, 0xABCD}));
  std::vector<WCHAR> names(4 * kBinNameChars, 0xABCD);
  EXPECT_EQ(Ask(DC_BINNAMES, names.data()), 3);
  // Names fill their 24 characters, without a terminator when that long.
  EXPECT_EQ(std::u16string(names.data(), kBinNameChars), u"Automatic selection of t");
  EXPECT_EQ(Names(DC_BINNAMES, kBinNameChars),
            (std::vector<std::u16string>{u"Automatic selection of t", u"Bypass", u"Manual"}));
  EXPECT_EQ(names[3 * kBinNameChars], 0xABCD);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);

  WORD count = 0;
  OptionEntry* list = nullptr;
  ASSERT_EQ(BuildSourceOptionList(model_, 13, &count, &list), 1);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(Wide(list[1].name), u"Tray 1");
  EXPECT_EQ(list[3].value, 4);
  FreeOptionEntryList(list, count);
  EXPECT_EQ(BuildSourceOptionList(model_, 8, &count, &list), 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(CapabilitiesTest, UserPapersAreNamedWithTheirFormSize) {
  // A user paper whose spooler form exists, and one without a form.
  ddd::ModelWriter w = SmallWriter();
  AddWriterPaper(&w, 262, "Custom", 900, 1480);
  AddWriterPaper(&w, 263, "Formless", 900, 1480);
  std::vector<uint16_t> options = {
      w.AddOption(14, ddd::Text::Plain("Custom"), 10, 262, ddd::Value::I16(262)),
      w.AddOption(14, ddd::Text::Plain("Formless"), 10, 263, ddd::Value::I16(263)),
  };
  w.AddFeature(4, 8, ddd::Text::Plain("Paper size"), 1, 1, options);
  UseModel(u"User papers", w);
  FORM_INFO_1W form{FORM_USER, const_cast<LPWSTR>(u"Custom"), {210000, 297000}, {0, 0, 210000, 297000}};
  ASSERT_TRUE(AddFormW(current_, 1, reinterpret_cast<const BYTE*>(&form)));
  PutText(1331, u"My paper");
  PutText(1332, std::u16string(14, u'N'));

  EXPECT_EQ(Papers(), (std::vector<WORD>{119, 0}));  // the first user form
  EXPECT_EQ(Names(DC_PAPERNAMES, kPaperNameChars),
            (std::vector<std::u16string>{u"My paper (210x297mm)", std::u16string(14, u'N') + u" (0x0mm)"}));
  LONG sizes[4] = {};
  EXPECT_EQ(Ask(DC_PAPERSIZE, sizes), 2);
  EXPECT_EQ(std::vector<LONG>(sizes, sizes + 4), (std::vector<LONG>{2100, 2970, 0, 0}));
}

}  // namespace
}  // namespace pk::test
