// The output folder dialog: the size ranges of a variable paper, the folder
// browser and the file name's refused characters.
#include <vector>

#include "device_page_fixture.h"

namespace pk::test {
namespace {

struct Paper {
  uint16_t key;
  int16_t minWidth, minHeight, maxWidth, maxHeight;  // all 0: a fixed paper
};

ddd::ModelWriter PaperModel(const std::vector<Paper>& papers) {
  ddd::ModelWriter w;
  w.modelName = "Papers";
  for (const Paper& p : papers) {
    const ddd::Pair size{{2100, 2970}, {2100, 2970}};
    std::optional<ddd::Pair> range;
    if (p.minWidth || p.maxWidth) range = ddd::Pair{{p.minWidth, p.minHeight}, {p.maxWidth, p.maxHeight}};
    w.AddPaper(p.key, ddd::Text::Plain("Paper " + std::to_string(p.key)), 0, size, {}, {}, p.key, 0, range ? 2 : 0,
               range);
  }
  return w;
}

class OutputFolderTest : public DevicePageTest {
 protected:
  std::vector<std::u16string> Ranges(HWND dialog) {
    return {pk::ui::Text(GetDlgItem(dialog, kWidthRange)), pk::ui::Text(GetDlgItem(dialog, kHeightRange)),
            pk::ui::Text(GetDlgItem(dialog, kWidthUnit)), pk::ui::Text(GetDlgItem(dialog, kHeightUnit))};
  }
  // The ranges the dialog shows on a sheet of the current model.
  std::vector<std::u16string> RangesOfModel() {
    MakeDeviceSheet();
    HWND dialog = OpenDialog(kOutputFolderTemplate, &OutputFolderDialogProc, sheet_);
    auto shown = Ranges(dialog);
    DestroyWindow(dialog);
    FreeSheetContext(sheet_);
    sheet_ = nullptr;
    return shown;
  }
};

TEST_F(OutputFolderTest, RangesOfTheLastVariablePaper) {
  // The default model's user papers.
  EXPECT_EQ(RangesOfModel(),
            (std::vector<std::u16string>{u"(90.0 to 297.0 mm)", u"(148.0 to 420.0 mm)", u"mm", u"mm"}));
  UseModel(PaperModel({{9, 0, 0, 0, 0}, {11, 0, 0, 0, 0}}));
  EXPECT_EQ(RangesOfModel(), (std::vector<std::u16string>{u"(0.0 to 0.0 mm)", u"(0.0 to 0.0 mm)", u"mm", u"mm"}));
  UseModel(PaperModel({{262, 1000, 1500, 2000, 3000}, {9, 0, 0, 0, 0}, {263, 905, 1482, 2100, 3556}}));
  EXPECT_EQ(RangesOfModel(),
            (std::vector<std::u16string>{u"(90.5 to 210.0 mm)", u"(148.2 to 355.6 mm)", u"mm", u"mm"}));
  // Only the width varies: no variable paper.
  UseModel(PaperModel({{262, 1000, 1500, 2000, 1500}}));
  EXPECT_EQ(RangesOfModel()[0], u"(0.0 to 0.0 mm)");
  // A paper record that cannot be read: the ranges of no variable paper, not
  // those found before it.
  ddd::ModelWriter broken = PaperModel({{262, 1000, 1500, 2000, 3000}});
  broken.AddRawRecord(10, 300, {0x05, 0x00});
  UseModel(broken);
  EXPECT_EQ(RangesOfModel(), (std::vector<std::u16string>{u"(0.0 to 0.0 mm)", u"(0.0 to 0.0 mm)", u"mm", u"mm"}));
  VariablePaperLimits found{};
  EXPECT_EQ(FindVariablePaperLimits(model_, &found), 0);

  VariablePaperLimits limits{1, 2, 3, 4};
  EXPECT_EQ(FindVariablePaperLimits(nullptr, &limits), 0);
  EXPECT_EQ(limits.maxHeight, 0);
  WCHAR text[16];
  for (auto [value, shown] :
       {std::pair<WORD, const char16_t*>{2100, u"210.0"}, {0, u"0.0"}, {9, u"0.9"}, {65535, u"6553.5"}}) {
    FormatSizeValue(value, text);
    EXPECT_EQ(std::u16string(text), shown);
  }
}

TEST_F(OutputFolderTest, TheFolderBrowserFillsTheFolderBox) {
  SetText(1051, u"C:\\Before");
  HWND page = OpenDevicePage();
  pk::ui::QueueDialogScript(kOutputFolderTemplate, [](HWND dialog) {
    HWND box = GetDlgItem(dialog, kFolderBox);
    EXPECT_EQ(pk::ui::Text(box), u"C:\\Before");
    EXPECT_EQ(pk::ui::Text(GetDlgItem(dialog, 1768)), u"Save folder(&P):");
    // Cancelled: the box keeps its text.
    pk::ui::QueueFolderChoice(u"");
    pk::ui::ClickItem(dialog, kBrowseButton);
    EXPECT_EQ(pk::ui::Text(box), u"C:\\Before");
    pk::ui::QueueFolderChoice(u"C:\\Scans");
    pk::ui::ClickItem(dialog, kBrowseButton);
    EXPECT_EQ(pk::ui::Text(box), u"C:\\Scans");
    pk::ui::ClickItem(dialog, 1092);
  });
  pk::ui::ClickItem(page, kOutputFolderButton);
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
  EXPECT_EQ(Text(1051), u"C:\\Scans");
  const auto calls = pk::ui::ShellCalls();
  EXPECT_TRUE(pk::seams::MessageBoxCalls().empty());
}

TEST_F(OutputFolderTest, AFileNameWithAReservedCharacterIsRefused) {
  SetText(1300, u"report");
  HWND page = OpenDevicePage();
  pk::ui::QueueDialogScript(kOutputFolderTemplate, [](HWND dialog) {
    HWND name = GetDlgItem(dialog, kFileNameBox);
    pk::ui::Replace(name, u"a:b");
    pk::ui::ClickItem(dialog, 1092);  // OK refused: the dialog stays
    ASSERT_EQ(pk::seams::MessageBoxCalls().size(), 1u);
    EXPECT_EQ(pk::seams::MessageBoxCalls()[0].text, ResourceText(kFileNameCharsString));
    pk::ui::Replace(name, u"scan");
    pk::ui::ClickItem(dialog, 1092);
    EXPECT_EQ(pk::seams::MessageBoxCalls().size(), 1u);
  });
  pk::ui::ClickItem(page, kOutputFolderButton);
  EXPECT_TRUE(pk::ui::ScriptFailures().empty());
  EXPECT_EQ(Text(1300), u"scan");

  // Cancel leaves the page's settings as they were.
  pk::ui::QueueDialogScript(kOutputFolderTemplate, [](HWND dialog) {
    pk::ui::Replace(GetDlgItem(dialog, kFileNameBox), u"other");
    pk::ui::SelectText(GetDlgItem(dialog, 1556), u"Print job");
    pk::ui::ClickItem(dialog, 1091);
  });
  pk::ui::ClickItem(page, kOutputFolderButton);
  EXPECT_EQ(Text(1300), u"scan");
  EXPECT_EQ(Number(1040) & 0xFFFF, 0);
}

}  // namespace
}  // namespace pk::test
