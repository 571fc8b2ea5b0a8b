// The paper lists of page 0 are built anew whenever the page becomes active,
// so they show the papers the current settings allow.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "document_pages_fixture.h"
#include "models/model_fixture.h"

namespace pk::test {
namespace {

using PaperListTest = DocumentPagesTest;

// A3 cannot be the document paper while the output paper is A4.
ddd::ModelWriter OutputLimitsWriter() {
  using ddd::Text;
  using ddd::Value;
  ddd::ModelWriter w = SmallWriter();
  w.modelName = "Paper limits";
  const uint16_t noA3 =
      w.AddConstraint(7, ddd::Condition{0, 1, 8, Value::I16(8)}, 6, Text::Plain("A3 needs another output paper."),
                      {ddd::Chained{ddd::Condition{0, 1, 262, Value::U16(9)}, 3}});
  auto feature = [&](uint16_t id, const char* name, std::vector<std::tuple<const char*, Value, bool>> options) {
    std::vector<uint16_t> keys;
    for (auto& [text, value, limited] : options)
      keys.push_back(w.AddOption(14, Text::Plain(text), 0, 0, value, 0,
                                 limited ? std::vector<uint16_t>{noA3} : std::vector<uint16_t>{}));
    w.AddFeature(4, id, Text::Plain(name), 1, 1, keys);
  };
  feature(8, "Paper size", {{"A4", Value::I16(9), false}, {"A3", Value::I16(8), true}, {"A5", Value::I16(11), false}});
  feature(262, "Output paper size", {{"Same as document", Value::U16(267), false}, {"A4", Value::U16(9), false}});
  return w;
}

std::vector<std::u16string> LineTexts(HWND control) {
  std::vector<std::u16string> texts;
  for (const pk::ui::Line& line : pk::ui::Lines(control)) texts.push_back(line.text);
  return texts;
}

TEST_F(PaperListTest, APaperTheOutputPaperRulesOutLeavesTheListAtTheNextActivation) {
  UseModel(OutputLimitsWriter());
  HWND page = OpenPage0();
  ASSERT_NE(page, nullptr);
  HWND document = GetDlgItem(page, 1006);
  EXPECT_EQ(LineTexts(document), (std::vector<std::u16string>{u"A4", u"A3", u"A5"}));
  ASSERT_TRUE(pk::ui::SelectText(GetDlgItem(page, 1008), u"A4"));
  ASSERT_EQ(Number(262), 9);
  Notify(page, PSN_KILLACTIVE);
  Notify(page, PSN_SETACTIVE);
  EXPECT_EQ(LineTexts(document), (std::vector<std::u16string>{u"A4", u"A5"}));
  // The list and its constraint record stay one each per use.
  EXPECT_EQ(FindChoiceListUses(sheet_, 8), 2);
  ASSERT_NE(FindConstraintRecord(sheet_, 8), nullptr);
  EXPECT_EQ(FindConstraintRecord(sheet_, 8)->count, FindPageChoiceList(sheet_, 8)->count);
  ASSERT_TRUE(pk::ui::SelectText(GetDlgItem(page, 1008), u"Same as document"));
  Notify(page, PSN_SETACTIVE);
  EXPECT_EQ(LineTexts(document), (std::vector<std::u16string>{u"A4", u"A3", u"A5"}));
}

}  // namespace
}  // namespace pk::test
