// The messages themselves: the range warning's bounds, the groups of
// chained conditions a refusal names, paper check bits, the scaled paper
// texts of the sheets, the confirmation of a list of settings, and names too
// long for their buffers.
#include "conflicts_model.h"
#include "settings/conflict_actions/conflict_messages.h"
#include "settings/conflict_actions/message_texts.h"

namespace pk::test {
namespace {

class ConflictMessageTest : public ConflictActionsTest {
 protected:
  void Keys(std::vector<WORD> keys) {
    ResetConstraintResult(result_);
    for (WORD key : keys) {
      ASSERT_EQ(AddSettingIdToList(key, kConstraintKeyRoom, &result_->typeSevenKeys, &result_->typeSevenCount), 0);
    }
  }
  std::u16string Message(BOOL ask, const SettingValueRef& ref) {
    const SettingsContext context = Context();
    WCHAR* text = nullptr;
    EXPECT_EQ(BuildConflictMessage(ask, GetResourceModule(), &context, &ref, nullptr, nullptr, result_, &text), 1);
    return Take(text);
  }
};

TEST_F(ConflictMessageTest, RangeWarningPrintsBoundsByDivisorAndSign) {
  const SettingsContext context = Context();
  struct Case {
    LONG divisor;
    SettingId id;
    SettingValueType type;
    LONG lowest, highest;
    const char16_t* text;
  } cases[] = {
      // The driver's own whole-number ranges.
      {10, 309, kSettingTypeSInt32, -900, 900, u"Scaling must be between -90 and 90."},
      {1, 359, kSettingTypeSInt32, 5, 24, u"Scaling must be between 5 and 24."},
      // The page's ranges, with the decimals of their divisor.
      {10, 268, kSettingTypeInt16, -35, 2970, u"Scaling must be between -3.5 and 297.0."},
      {100, 351, kSettingTypeUInt32, 7, 304, u"Scaling must be between 0.07 and 3.04."},
      {100, 352, kSettingTypeSInt32, -7, 304, u"Scaling must be between -0.07 and 3.04."},
      {100, 373, kSettingTypeSInt32, 304, 1000, u"Scaling must be between 3.04 and 10.00."},
      {1, 12, kSettingTypeInt16, 1, 999, u"Scaling must be between 1 and 999."},
  };
  for (const Case& c : cases) {
    for (int unitFlag : {0, 1}) {
      EXPECT_EQ(ShowConflictWarning(TestOwner(), &context, c.divisor, unitFlag, c.id, u"Scaling", c.type, c.lowest,
                                    c.highest),
                0);
      ASSERT_FALSE(Boxes().empty());
      EXPECT_EQ(Boxes().back().text, c.text) << c.id;
      EXPECT_EQ(Boxes().back().caption, kCaption);
      EXPECT_EQ(Boxes().back().style, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    }
  }
  // Without a name text the setting's name is used; none at all: no box.
  EXPECT_EQ(ShowConflictWarning(TestOwner(), &context, 1, 0, 12, nullptr, kSettingTypeInt16, 1, 999), 0);
  EXPECT_EQ(Boxes().back().text, u"Copies must be between 1 and 999.");
  const size_t shown = Boxes().size();
  EXPECT_EQ(ShowConflictWarning(TestOwner(), &context, 1, 0, 296, nullptr, kSettingTypeInt16, 1, 9), 1);
  EXPECT_EQ(ShowConflictWarning(TestOwner(), &context, 0, 0, 12, u"Copies", kSettingTypeInt16, 1, 9), 1);
  EXPECT_EQ(Boxes().size(), shown);
}

TEST_F(ConflictMessageTest, LongFeatureNameIsCutAndTheMessageStillShown) {
  ddd::ModelWriter w = ConflictsWriter();
  const uint16_t one = w.AddOption(14, ddd::Text::Plain(std::string(1000, 'V')), 0, 0, ddd::Value::U16(1));
  w.AddFeature(4, 327, ddd::Text::Plain(std::string(1000, 'N')), 1, 1, {one});
  UseModel(w);
  const SettingsContext context = Context();
  EXPECT_EQ(ShowConflictWarning(TestOwner(), &context, 1, 0, 327, nullptr, kSettingTypeUInt16, 1, 5), 0);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, std::u16string(kSettingTextChars - 1, u'N') + u" must be between 1 and 5.");

  // In a refusal, name and value are cut each; the message is still made.
  Keys({});
  result_->paperBits = 0;
  const WORD value = 1;
  const std::u16string text = Message(FALSE, SettingValueRef{327, kSettingTypeUInt16, &value});
  EXPECT_EQ(text, std::u16string(kSettingTextChars - 1, u'N') + u" cannot be " +
                      std::u16string(kSettingTextChars - 1, u'V') + u": it conflicts with:");
}

TEST_F(ConflictMessageTest, RefusalNamesTheSettingsOfTheGroupsThatHold) {
  UseModel(ConflictsWriter());
  const SHORT shortEdge = 3;
  const SettingValueRef ref{16, kSettingTypeInt16, &shortEdge};
  Keys({kGroups});
  Set<SHORT>(16, kSettingTypeInt16, 1);
  struct Case {
    SHORT colour, orientation, source;
    const char16_t* lines;
  } cases[] = {
      // Colour and portrait hold together: both named; neither short edge
      // (the current value counts) nor tray 1 holds.
      {2, 1, 4, u"\n\tColour: Colour\n\tOrientation: Portrait"},
      // Landscape drops the first group; tray 1 alone makes the second.
      {2, 2, 1, u"\n\tPaper source: Tray 1"},
      {1, 1, 4, u""},
  };
  for (const Case& c : cases) {
    Set<SHORT>(15, kSettingTypeInt16, c.colour);
    Set<SHORT>(7, kSettingTypeInt16, c.orientation);
    Set<SHORT>(13, kSettingTypeInt16, c.source);
    EXPECT_EQ(Message(FALSE, ref),
              u"Two-sided printing cannot be Short edge: it conflicts with:" + std::u16string(c.lines))
        << c.colour << " " << c.orientation << " " << c.source;
  }
  // The paper check bits add their settings, not the changed one and none twice.
  Set<SHORT>(15, kSettingTypeInt16, 2);
  Set<SHORT>(7, kSettingTypeInt16, 1);
  Set<SHORT>(13, kSettingTypeInt16, 4);
  result_->paperBits = 0x4 | 0x1;  // 13 and 8
  EXPECT_EQ(Message(FALSE, ref),
            u"Two-sided printing cannot be Short edge: it conflicts with:\n\tColour: Colour\n\tOrientation: "
            u"Portrait\n\tPaper source: Bypass");
  // Asked, with the changes of the resolutions; without a value, 725.
  Keys({kLongEdgeAsks});
  EXPECT_EQ(Message(TRUE, SettingValueRef{16, kSettingTypeInt16, nullptr}),
            u"Two-sided printing conflicts with:\n\tColour: Colour\n\nThese settings will change:\n\tColour: Black and "
            u"white\n\nContinue?");
  // A text the resolution writes, cut at its line feed.
  Keys({kTextResolution});
  EXPECT_EQ(Message(TRUE, SettingValueRef{16, kSettingTypeInt16, nullptr}),
            u"Two-sided printing conflicts with:\n\tColour: Colour\n\nThese settings will change:\n\tFree text: "
            u"Two-sided memo\n\nContinue?");
}

TEST_F(ConflictMessageTest, ScaledPaperTextsOfTheSheets) {
  Set<SHORT>(8, kSettingTypeInt16, 9);
  Set<WORD>(262, kSettingTypeUInt16, 267);
  Set<WORD>(263, kSettingTypeUInt16, 250);
  const SettingsContext context = Context();
  const WORD ids[] = {8, 262, 263, 0};
  WCHAR* text = nullptr;
  ASSERT_EQ(FormatConflictText(&text, kConflictTextScaledTooLarge, GetResourceModule(), &context, nullptr, ids), 1);
  EXPECT_EQ(Take(text),
            u"With Paper size = A4 the scaled page does not fit the paper:\n\tOutput paper size: Same as "
            u"document\n\tScaling: 250");
  ASSERT_EQ(FormatConflictText(&text, kConflictTextScaledTooSmall, GetResourceModule(), &context, nullptr, ids + 1), 1);
  EXPECT_EQ(Take(text),
            u"With Output paper size = Same as document the scaled page leaves paper unused:\n\tScaling: 250");
  EXPECT_EQ(FormatConflictText(&text, 3, GetResourceModule(), &context, nullptr, ids), 0);
  EXPECT_EQ(text, nullptr);
}

TEST_F(ConflictMessageTest, ConfirmationOfAListOfSettings) {
  Set<SHORT>(7, kSettingTypeInt16, 2);
  const WORD ids[] = {7, 8};
  seams::QueueMessageBoxAnswer(IDOK);
  EXPECT_EQ(EvaluateConstraintNode(TestOwner(), model_, buffers_.devMode.data(), buffers_.settings.data(), ids, 2), 0);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text.rfind(u"These settings will change:\n\tOrientation: Landscape\n\tPaper size: ", 0), 0u);
  EXPECT_EQ(Boxes()[0].style, static_cast<UINT>(MB_ICONINFORMATION | MB_OKCANCEL));
  EXPECT_EQ(Boxes()[0].caption, kCaption);
  seams::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(EvaluateConstraintNode(TestOwner(), model_, buffers_.devMode.data(), buffers_.settings.data(), ids, 2), 8);
  EXPECT_EQ(EvaluateConstraintNode(TestOwner(), model_, buffers_.devMode.data(), buffers_.settings.data(), ids, 0), 1);
  EXPECT_EQ(EvaluateConstraintNode(TestOwner(), nullptr, buffers_.devMode.data(), buffers_.settings.data(), ids, 2), 1);
  // Settings without a name give no text: nothing to confirm.
  const WORD nameless[] = {296, 321};
  EXPECT_EQ(EvaluateConstraintNode(TestOwner(), model_, buffers_.devMode.data(), buffers_.settings.data(), nameless, 2),
            1);
  EXPECT_EQ(Boxes().size(), 2u);
}

}  // namespace
}  // namespace pk::test
