// Paper margins over a writer-made model with two variable-size papers and
// the default printer's per-user margin store: the fit of a margin pair, the
// papers whose stored margins no longer fit, their reset, and the message
// lines that name them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "models/model_fixture.h"
#include "platform/win/win_seams.h"
#include "printer_interface/interface_fixture.h"
#include "printer_interface/text/measurement_text.h"
#include "printer_interface/text/paper_margins.h"
#include "printer_interface/text/resource_text.h"
#include "settings/access/setting_access.h"
#include "settings/model/device_model.h"
#include "settings/services/module_state.h"
#include "settings/services/user_paper.h"
#include "settings/settings_buffers.h"
#include "settings/store/paper_margin_store.h"

namespace pk::test {
namespace {

const char16_t* const kMachineBase = u"Software\\Caldrix\\KZ TRD Printer Driver\\MarginTest\\";

// A4 (9) of fixed size; user papers 262 (slot 0) and 263 (slot 1) whose size
// the user sets.
ddd::ModelWriter MarginModel() {
  ddd::ModelWriter w = SmallWriter();
  w.SetTextField(31, {ddd::Text::Plain("Software\\Caldrix\\KZ TRD Printer Driver\\MarginTest\\")});
  w.AddPaper(9, ddd::Text::Plain("A4"), 0, {{2100, 2970}, {2100, 2970}}, {{0, 0}, {0, 0}}, {{2100, 2970}, {2100, 2970}},
             9, 0, 0);
  w.AddPaper(262, ddd::Text::Plain("User"), 0, {{900, 1480}, {32000, 32000}}, {{42, 42}, {42, 42}},
             {{900, 1400}, {32000, 32000}}, 262, 0, 2, ddd::Pair{{900, 1480}, {32000, 32000}});
  w.AddPaper(263, ddd::Text::Plain("User 2"), 0, {{100, 1480}, {2970, 4200}}, {{100, 1480}, {2970, 4200}},
             {{100, 1480}, {2970, 4200}}, 263, 0, 2, ddd::Pair{{100, 1480}, {2970, 4200}});
  return w;
}

class PaperMarginsTest : public InterfaceTest {
 protected:
  void SetUp() override {
    InterfaceTest::SetUp();
    InstallInDriverFolder(PK_MODEL_TEST_STRINGS, u"ModelTest.vbn");
    std::vector<uint8_t> primary, secondary;
    MarginModel().Build(&primary, &secondary);
    WriteWindowsFile(u"C:\\models\\margins.ddd", primary);
    model_ = AllocDeviceModelHandle();
    ASSERT_EQ(LoadModelFiles(u"C:\\models\\margins.ddd", model_->primary, model_->secondary), 0);
    SetNumber(7, kSettingTypeInt16, kOrientationPortrait);
    UserPaper(0, u"Wide", 2100, 2970);
    UserPaper(1, u"Narrow", 100, 1480);
  }
  void TearDown() override {
    CloseDeviceModel(model_);
    InterfaceTest::TearDown();
  }
  SettingsContext Context() { return SettingsContext{model_, buffers_.devMode.data(), buffers_.settings.data()}; }
  void SetNumber(SettingId id, SettingValueType type, int value) {
    uint64_t v = static_cast<uint64_t>(value);
    ASSERT_EQ(SetSettingValue(id, buffers_.devMode.data(), buffers_.settings.data(), type,
                              type == kSettingTypeInt16 || type == kSettingTypeUInt16 ? 2 : 4, &v),
              0)
        << id;
  }
  void UserPaper(int slot, const std::u16string& name, int width, int length) {
    SetNumber(static_cast<SettingId>(1311 + slot), kSettingTypeUInt16, width);
    SetNumber(static_cast<SettingId>(1321 + slot), kSettingTypeUInt16, length);
    const WCHAR* address = name.c_str();
    ASSERT_EQ(SetSettingValue(static_cast<SettingId>(1331 + slot), buffers_.devMode.data(), buffers_.settings.data(),
                              kSettingTypeText, static_cast<UINT>(name.size() * 2 + 2), &address),
              0);
  }
  void Store(WORD code, int32_t side) {
    const int32_t caller[4] = {side, side, side, side};
    ASSERT_EQ(SetStoredPaperMargins(printer_, code, caller, kMachineBase, kOrientationPortrait), kMarginOk);
  }
  std::u16string String(UINT id) {
    WCHAR text[256] = {};
    EXPECT_GT(LoadStringW(GetResourceModule(), id, text, 256), 0) << id;
    return text;
  }

  DeviceModel* model_ = nullptr;
  SettingsBuffers buffers_;
};

TEST(Margins, SetAndGetOneOrAll) {
  PaperMargins m{};
  ASSERT_EQ(SetMargins(&m, 4, 1, 2, 3, 4), 1);
  ASSERT_EQ(SetMargins(&m, 2, 9, 9, 30, 9), 1);
  EXPECT_EQ(m.m[0], 1);
  EXPECT_EQ(m.m[2], 30);
  int32_t a = 0, b = 0, c = 0, d = 0;
  ASSERT_EQ(GetMargins(&m, 3, &a, &b, &c, &d), 1);
  EXPECT_EQ(d, 4);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(SetMargins(&m, 5, 0, 0, 0, 0), 0);
}

TEST_F(PaperMarginsTest, APairEqualToTheDimensionDoesNotFit) {
  const SettingsContext context = Context();
  // User paper 262 is 2100 x 2970: m0 + m2 lie across the width in portrait.
  const struct {
    int orientation, index;
    PaperMargins margins;
    int fit;
  } cases[] = {
      {1, 0, {{1050, 0, 1050, 0}}, -1}, {1, 2, {{1050, 0, 1049, 0}}, 1}, {1, 1, {{0, 1485, 0, 1485}}, -1},
      {1, 3, {{0, 1485, 0, 1484}}, 1},  {2, 0, {{1050, 0, 1050, 0}}, 1}, {2, 0, {{1485, 0, 1485, 0}}, -1},
      {2, 1, {{0, 1050, 0, 1050}}, -1}, {2, 3, {{0, 1050, 0, 1049}}, 1},
  };
  for (const auto& c : cases) {
    SetNumber(7, kSettingTypeInt16, c.orientation);
    EXPECT_EQ(CheckMarginsFit(printer_, &context, 262, c.index, &c.margins, nullptr, FALSE), c.fit)
        << c.orientation << " " << c.index;
  }
  // Stored margins (46 on every side) against given dimensions.
  SetNumber(7, kSettingTypeInt16, 1);
  const PaperDimensions tight{92, 93};
  EXPECT_EQ(CheckMarginsFit(printer_, &context, 262, 0, nullptr, &tight, TRUE), -1);
  EXPECT_EQ(CheckMarginsFit(printer_, &context, 262, 1, nullptr, &tight, TRUE), 1);
  EXPECT_EQ(CheckMarginsFit(nullptr, &context, 262, 1, nullptr, &tight, TRUE), 0);
  EXPECT_EQ(CheckMarginsFit(printer_, &context, 262, 4, &cases[0].margins, nullptr, FALSE), 0);
  EXPECT_EQ(CheckMarginsFit(printer_, &context, 5, 0, &cases[0].margins, nullptr, FALSE), 0);  // no such paper
}

TEST_F(PaperMarginsTest, StoredMarginsTooWideFlagOnlyThatPaperAndResetFixesThem) {
  Store(263, 60);  // 120 across a 100-wide paper
  Store(262, 60);
  WORD codes[kMarginSlots];
  EXPECT_EQ(FindPapersWithBadMargins(printer_, buffers_.devMode.data(), buffers_.settings.data(), model_, codes), -1);
  EXPECT_EQ(std::vector<WORD>(codes, codes + kMarginSlots), (std::vector<WORD>{263, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  const SettingsContext context = Context();
  WCHAR* message = nullptr;
  ASSERT_EQ(MarginResetMessage(GetResourceModule(), &context, kGivenText, codes, &message, FALSE), 1);
  ASSERT_NE(message, nullptr);
  WCHAR line[512];
  wsprintfW(line, String(706).c_str(),
            (u"Narrow (10" + String(734) + u"148" + String(460) + u") " + String(729)).c_str(),
            (u"4.6 " + String(460)).c_str());
  EXPECT_EQ(std::u16string(message), line);

  ASSERT_TRUE(ResetPaperMargins(printer_, &context, codes));
  int32_t back[4] = {};
  ASSERT_EQ(GetStoredPaperMargins(printer_, 263, back, kMachineBase, kOrientationPortrait), kMarginOk);
  EXPECT_EQ(std::vector<int32_t>(back, back + 4), (std::vector<int32_t>{46, 46, 46, 46}));
  EXPECT_EQ(FindPapersWithBadMargins(printer_, buffers_.devMode.data(), buffers_.settings.data(), model_, codes), 1);
  EXPECT_EQ(codes[0], 0);

  // Appending grows the message; a resource message takes the lines as its argument.
  const WORD both[kMarginSlots] = {262, 0, 0, 263};
  ASSERT_EQ(MarginResetMessage(GetResourceModule(), &context, kGivenText, both, &message, TRUE), 1);
  EXPECT_EQ(std::u16string(message).find(u"Wide (210"), std::u16string(line).size() + 2);
  GlobalFree(message);
  message = nullptr;
  ASSERT_EQ(MarginResetMessage(GetResourceModule(), &context, 711, both, &message, FALSE), 1);
  EXPECT_EQ(std::u16string(message).rfind(String(711).substr(0, 20), 0), 0u);
  EXPECT_NE(std::u16string(message).find(u"Narrow (10"), std::u16string::npos);
  GlobalFree(message);
  // Nothing flagged: nothing to do.
  const WORD none[kMarginSlots] = {};
  message = nullptr;
  EXPECT_EQ(MarginResetMessage(GetResourceModule(), &context, kGivenText, none, &message, FALSE), 1);
  EXPECT_EQ(message, nullptr);
  // A model paper has no user paper text: the message fails.
  const WORD modelPaper[kMarginSlots] = {9};
  EXPECT_EQ(MarginResetMessage(GetResourceModule(), &context, kGivenText, modelPaper, &message, FALSE), 0);
}

TEST_F(PaperMarginsTest, TenResetPapersMakeTenLines) {
  WORD codes[kMarginSlots];
  for (int slot = 0; slot < kMarginSlots; ++slot) {
    UserPaper(slot, std::u16string(14, char16_t(u'A' + slot)), 32000, 32000);
    codes[slot] = GetUserPaperCode(slot);
  }
  const SettingsContext context = Context();
  WCHAR* message = nullptr;
  ASSERT_EQ(MarginResetMessage(GetResourceModule(), &context, kGivenText, codes, &message, FALSE), 1);
  const std::u16string text = message;
  size_t lines = 0;
  for (size_t at = text.find(u'\n'); at != std::u16string::npos; at = text.find(u'\n', at + 1)) ++lines;
  EXPECT_EQ(lines, 10u);
  EXPECT_NE(text.find(std::u16string(14, u'J') + u" (3200"), std::u16string::npos);
  GlobalFree(message);
}

TEST_F(PaperMarginsTest, DefaultMarginAndUserPaperTexts) {
  WCHAR text[kPaperTextChars];
  ASSERT_EQ(DefaultMarginText(GetResourceModule(), text), 1);
  EXPECT_EQ(std::u16string(text), u"4.6 " + String(460));
  const SettingsContext context = Context();
  ASSERT_EQ(UserPaperText(GetResourceModule(), &context, 262, text), 1);
  EXPECT_EQ(std::u16string(text), u"Wide (210" + String(734) + u"297" + String(460) + u") " + String(729));
  EXPECT_EQ(UserPaperText(GetResourceModule(), &context, 9, text), 0);
  EXPECT_EQ(text[0], 0);
}

}  // namespace
}  // namespace pk::test
