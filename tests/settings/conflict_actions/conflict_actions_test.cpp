// What a change of a setting does by the status of its ConstraintResult:
// written, written with the resolutions, refused, or first asked; the
// ranges the driver keeps itself; the settings that follow orientation; the
// scaled paper check after a paper change; and the property-page pass.
#include <cstring>

#include "conflicts_model.h"
#include "settings/access/dependent_values.h"
#include "settings/conflict_actions/conflict_messages.h"
#include "settings/store/stamp_store.h"

namespace pk::test {
namespace {

class ConflictActionTest : public ConflictActionsTest {
 protected:
  void SetUp() override {
    ConflictActionsTest::SetUp();
    g_passCalls.clear();
    g_passAnswers.clear();
  }
  void TearDown() override {
    SetPageConstraintPass(nullptr);
    ConflictActionsTest::TearDown();
  }
  // ApplySettingChange with a 16-bit value (none for nullopt); the id list.
  template <typename T>
  WORD Apply(SettingId id, SettingValueType type, const T* value, std::vector<WORD>* ids = nullptr) {
    WORD* list = reinterpret_cast<WORD*>(1);
    const WORD answer = ApplySettingChange(TestOwner(), printer_, model_, buffers_.devMode.data(),
                                           buffers_.settings.data(), id, type, value, &list, result_);
    if (answer != 4) {
      EXPECT_EQ(list, nullptr) << "an id list without answer 4";
    }
    std::vector<WORD> got = TakeIds(answer == 4 ? list : nullptr);
    if (ids) *ids = got;
    return answer;
  }
  void Status(WORD status, std::vector<WORD> typeSevenKeys = {}) {
    ResetConstraintResult(result_);
    result_->status = status;
    for (WORD key : typeSevenKeys)
      ASSERT_EQ(AddSettingIdToList(key, kConstraintKeyRoom, &result_->typeSevenKeys, &result_->typeSevenCount),
                kIdListOk);
  }
  std::vector<BYTE> Snapshot() { return buffers_.devMode; }
};

TEST_F(ConflictActionTest, StatusesDecideWhatIsWritten) {
  UseModel(ConflictsWriter());
  Set<SHORT>(16, kSettingTypeInt16, 1);
  Set<SHORT>(15, kSettingTypeInt16, 2);
  const SHORT longEdge = 2;
  const std::vector<BYTE> before = Snapshot();

  // Status 3, cancelled: nothing written.
  Status(3, {kLongEdgeAsks});
  seams::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(Apply(16, kSettingTypeInt16, &longEdge), 3);
  EXPECT_EQ(buffers_.devMode, before);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].style, static_cast<UINT>(MB_ICONINFORMATION | MB_OKCANCEL));
  EXPECT_EQ(Boxes()[0].caption, kCaption);
  EXPECT_EQ(Boxes()[0].owner, TestOwner());

  // Status 8, cancelled: refused with a message.
  Status(8, {kLongEdgeAsks});
  seams::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(Apply(16, kSettingTypeInt16, &longEdge), 10);
  EXPECT_EQ(buffers_.devMode, before);

  // Statuses without an action: 1, nothing written, no box.
  for (WORD status : {WORD{1}, WORD{6}, WORD{12}}) {
    Status(status, {kLongEdgeAsks});
    EXPECT_EQ(Apply(16, kSettingTypeInt16, &longEdge), 1) << status;
  }
  EXPECT_EQ(buffers_.devMode, before);
  EXPECT_EQ(Boxes().size(), 2u);

  // Status 3 and OK: the value and the constraint's resolution.
  Status(3, {kLongEdgeAsks});
  seams::QueueMessageBoxAnswer(IDOK);
  std::vector<WORD> ids;
  EXPECT_EQ(Apply(16, kSettingTypeInt16, &longEdge, &ids), 4);
  EXPECT_EQ(Get(16), 2);
  EXPECT_EQ(Get(15), 1);
  EXPECT_EQ(ids, (std::vector<WORD>{16, 15}));

  // Status 4: written with the resolution without asking.
  Set<SHORT>(16, kSettingTypeInt16, 1);
  Set<SHORT>(15, kSettingTypeInt16, 2);
  Status(4, {kLongEdgeAsks});
  EXPECT_EQ(Apply(16, kSettingTypeInt16, &longEdge, &ids), 4);
  EXPECT_EQ(Get(16), 2);
  EXPECT_EQ(Get(15), 1);
  EXPECT_EQ(ids, (std::vector<WORD>{16, 15}));
  EXPECT_EQ(Boxes().size(), 3u);
}

TEST_F(ConflictActionTest, FreeValueIsWrittenAndListed) {
  Status(0);
  Set<SHORT>(15, kSettingTypeInt16, 2);
  const SHORT blackAndWhite = 1;
  std::vector<WORD> ids;
  EXPECT_EQ(Apply(15, kSettingTypeInt16, &blackAndWhite, &ids), 4);
  EXPECT_EQ(Get(15), 1);
  EXPECT_EQ(ids, std::vector<WORD>{15});
  EXPECT_TRUE(Boxes().empty());

  // The value the setting already has: nothing to do.
  EXPECT_EQ(Apply(15, kSettingTypeInt16, &blackAndWhite), 3);
  // Missing buffers, result, owner or list.
  WORD* list = nullptr;
  EXPECT_EQ(ApplySettingChange(nullptr, printer_, model_, buffers_.devMode.data(), buffers_.settings.data(), 15, 2,
                               &blackAndWhite, &list, result_),
            1);
  EXPECT_EQ(ApplySettingChange(TestOwner(), printer_, model_, buffers_.devMode.data(), nullptr, 15, 2, &blackAndWhite,
                               &list, result_),
            1);
  EXPECT_EQ(ApplySettingChange(TestOwner(), printer_, model_, buffers_.devMode.data(), buffers_.settings.data(), 15, 2,
                               &blackAndWhite, nullptr, result_),
            1);
  EXPECT_EQ(list, nullptr);
}

TEST_F(ConflictActionTest, ResolutionThenInformationForStatus9) {
  UseModel(ConflictsWriter());
  Set<SHORT>(7, kSettingTypeInt16, 1);
  Set<SHORT>(12, kSettingTypeInt16, 5);
  Status(9, {kLandscapeInforms});
  const SHORT landscape = 2;
  std::vector<WORD> ids;
  EXPECT_EQ(Apply(7, kSettingTypeInt16, &landscape, &ids), 4);
  EXPECT_EQ(Get(7), 2);
  EXPECT_EQ(Get(12), 1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, u"Copies is now 1.");
  EXPECT_EQ(Boxes()[0].style, static_cast<UINT>(MB_ICONINFORMATION));
  // The resolution's setting and then the settings that follow orientation.
  ASSERT_GE(ids.size(), 2u);
  EXPECT_EQ(ids[0], 7);
  EXPECT_EQ(ids[1], 12);
}

TEST_F(ConflictActionTest, RefusalShowsOneWarningWithTheConflictingSettings) {
  UseModel(ConflictsWriter());
  Set<SHORT>(15, kSettingTypeInt16, 2);
  Set<SHORT>(16, kSettingTypeInt16, 1);
  const std::vector<BYTE> before = Snapshot();
  Status(2, {kLongEdgeAsks});
  const SHORT longEdge = 2;
  EXPECT_EQ(Apply(16, kSettingTypeInt16, &longEdge), 3);
  EXPECT_EQ(buffers_.devMode, before);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, u"Two-sided printing cannot be Long edge: it conflicts with:\n\tColour: Colour");
  EXPECT_EQ(Boxes()[0].style, static_cast<UINT>(MB_ICONWARNING | MB_OK));
}

TEST_F(ConflictActionTest, LayoutAskAndForbiddenChange) {
  UseModel(ConflictsWriter());
  Set<WORD>(295, kSettingTypeUInt16, 1);
  Set<WORD>(267, kSettingTypeUInt16, 1);
  const WORD two = 2;
  Status(5, {kLayoutAsks});
  seams::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(Apply(295, kSettingTypeUInt16, &two), 3);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text,
            u"Pages per sheet = 2 conflicts through Left binding with:\n\tBooklet: Left binding\n\nContinue?");
  EXPECT_EQ(Get(295), 1);

  // Without a layout setting among the conditions there is nothing to ask.
  Status(5, {kLongEdgeAsks});
  EXPECT_EQ(Apply(295, kSettingTypeUInt16, &two), 3);
  EXPECT_EQ(Boxes().size(), 1u);

  Status(7, {kLayoutAsks});
  EXPECT_EQ(Apply(295, kSettingTypeUInt16, &two), 10);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1].text, u"Pages per sheet cannot change because of:\n\tBooklet: Left binding");
  EXPECT_EQ(Boxes()[1].style, static_cast<UINT>(MB_ICONWARNING | MB_OK));
  EXPECT_EQ(Get(295), 1);
}

TEST_F(ConflictActionTest, GroupWarningsFollowTheModelFlags) {
  struct Case {
    uint32_t flags;
    WORD status;
    const char16_t* text;
  } cases[] = {
      {0x40, 11, u"This combination is not supported.\nInstall the option that supports it."},
      {0x20, 11, u"This combination is not supported.\nChoose another setting."},
      {0x20, 10, u"Long edge is not available with these settings.\nInstall the option that provides it."},
      {0x40, 10, u"Long edge is not available with these settings.\nChoose another setting."},
  };
  for (const Case& c : cases) {
    UseModel(ConflictsWriter(c.flags));
    Set<SHORT>(16, kSettingTypeInt16, 1);
    Status(c.status);
    const SHORT longEdge = 2;
    const size_t shown = Boxes().size();
    EXPECT_EQ(Apply(16, kSettingTypeInt16, &longEdge), 3);
    ASSERT_EQ(Boxes().size(), shown + 1);
    EXPECT_EQ(Boxes().back().text, c.text) << c.flags << " " << c.status;
    EXPECT_EQ(Boxes().back().style, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    EXPECT_EQ(Get(16), 1);
  }
}

TEST_F(ConflictActionTest, DriverRangesRefuseWithTheirBounds) {
  struct Case {
    SettingId id;
    SettingValueType type;
    LONG value;
    WORD answer;
    const char16_t* text;  // the warning, or none when accepted
  } cases[] = {
      {359, kSettingTypeFontField, 25, 3, u"Font size must be between 5 and 24."},
      {359, kSettingTypeFontField, 23, 4, nullptr},
      {385, kSettingTypeUInt16, 45, 3, u"Font size must be between 5 and 24."},
      {385, kSettingTypeUInt16, 50, 4, nullptr},
      {306, kSettingTypeFontField, 601, 3, u"Font size must be between 7 and 600."},
      {309, kSettingTypeFontField, -901, 3, u"Text angle must be between -90 and 90."},
      {309, kSettingTypeFontField, -900, 4, nullptr},
      {310, kSettingTypeFontField, 901, 3, u"Text angle must be between -90 and 90."},
  };
  for (const Case& c : cases) {
    const std::vector<BYTE> before = Snapshot();
    const size_t shown = Boxes().size();
    std::vector<WORD> ids;
    const WORD value16 = static_cast<WORD>(c.value);
    const void* value = c.type == kSettingTypeUInt16 ? static_cast<const void*>(&value16) : &c.value;
    EXPECT_EQ(Apply(c.id, c.type, value, &ids), c.answer) << c.id << " " << c.value;
    if (c.text) {
      ASSERT_EQ(Boxes().size(), shown + 1);
      EXPECT_EQ(Boxes().back().text, c.text);
      EXPECT_EQ(Boxes().back().style, static_cast<UINT>(MB_ICONWARNING | MB_OK));
      EXPECT_EQ(buffers_.devMode, before);
    } else {
      EXPECT_EQ(Boxes().size(), shown);
      EXPECT_EQ(Get(c.id), c.value);
      EXPECT_EQ(ids, std::vector<WORD>{c.id});
    }
  }
}

TEST_F(ConflictActionTest, StampStoreOfThirtyTwoRefusesANewStamp) {
  // The store starts with the six built-in stamps.
  StampRecord stamp{};
  std::memcpy(stamp.text, u"Text", 8);
  auto add = [&](int n) {
    const std::u16string name = u"Stamp " + std::u16string(1, static_cast<char16_t>(u'A' + n));
    std::memcpy(stamp.name, name.c_str(), (name.size() + 1) * 2);
    ASSERT_EQ(SaveStampRecord(printer_, &stamp, model_), kStampOk) << n;
  };
  for (int n = 0; n < 25; ++n) add(n);
  EXPECT_EQ(Apply<void>(kStampAddId, 0, nullptr), 3);
  EXPECT_TRUE(Boxes().empty());
  add(25);
  EXPECT_EQ(Apply<void>(kStampAddId, 0, nullptr), 10);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, u"The stamp list is full (32).");
  EXPECT_EQ(Boxes()[0].style, static_cast<UINT>(MB_ICONWARNING | MB_OK));
  // Without a printer the store cannot be counted.
  const SettingsContext context = Context();
  const SettingValueRef add36865{kStampAddId, 0, nullptr};
  EXPECT_EQ(CheckValueRangeAndPrompt(TRUE, TestOwner(), nullptr, &context, &add36865, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr),
            1);
}

TEST_F(ConflictActionTest, FreeTextEmptiedTurnsItsUseOff) {
  SetText(1033, u"Confidential");
  SetText(1034, u"Part");
  Set<WORD>(334, kSettingTypeUInt16, 2);
  std::vector<WORD> ids;
  EXPECT_EQ(Apply(1033, kSettingTypeText, u"", &ids), 4);
  EXPECT_EQ(GetText(1033), u"");
  EXPECT_EQ(GetText(1034), u"");
  EXPECT_EQ(Get(334), 0);
  EXPECT_EQ(ids, (std::vector<WORD>{1034, 334, 1033}));
  // Settings without a driver range answer 6.
  const SettingsContext context = Context();
  const SHORT v = 1;
  const SettingValueRef other{15, kSettingTypeInt16, &v};
  EXPECT_EQ(CheckValueRangeAndPrompt(TRUE, TestOwner(), printer_, &context, &other, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr),
            6);
}

TEST_F(ConflictActionTest, ClearingTheStampIsAskedAndWrittenWithTheChange) {
  UseModel(ConflictsWriter());
  SetText(297, u"Draft");
  SetText(299, u"Draft text");
  Set<WORD>(321, kSettingTypeUInt16, 0);
  // Setting 321 becoming 1 while a stamp is named: the ask message holds the
  // two prompt lines, and OK writes it with the stamp cleared.
  Status(3);
  seams::QueueMessageBoxAnswer(IDOK);
  const WORD on = 1;
  std::vector<WORD> ids;
  EXPECT_EQ(Apply(321, kSettingTypeUInt16, &on, &ids), 4);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text,
            u"Fit to sheets = On conflicts with:\n\tStamp : Draft\n\nThese settings will change:\n\tStamp : (None)"
            u"\n\nContinue?");
  EXPECT_EQ(Get(321), 1);
  EXPECT_EQ(GetText(297), u"");
  EXPECT_EQ(GetText(299), u"");
  EXPECT_EQ(ids, (std::vector<WORD>{321, 297, 299}));

  // Setting 296 without a value takes the same prompt; cancel keeps the stamp.
  SetText(297, u"Draft");
  SetText(299, u"Draft text");
  Status(3);
  seams::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(Apply<void>(296, 0, nullptr), 3);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1].text,
            u"Poster sheets conflicts with:\n\tStamp : Draft\n\nThese settings will change:\n\tStamp : (None)"
            u"\n\nContinue?");
  EXPECT_EQ(GetText(297), u"Draft");
  Status(3);
  seams::QueueMessageBoxAnswer(IDOK);
  EXPECT_EQ(Apply<void>(296, 0, nullptr, &ids), 4);
  EXPECT_EQ(GetText(297), u"");
  EXPECT_EQ(GetText(299), u"");
  EXPECT_EQ(ids, (std::vector<WORD>{297, 299}));
}

TEST_F(ConflictActionTest, OrientationRecomputesTheLayoutSettings) {
  Set<SHORT>(7, kSettingTypeInt16, 1);
  Set<WORD>(295, kSettingTypeUInt16, 1);
  Set<WORD>(267, kSettingTypeUInt16, 1);
  Set<WORD>(320, kSettingTypeUInt16, 3);
  Set<WORD>(341, kSettingTypeUInt16, 1);
  DependentValueRecord record{2, 1, 0, static_cast<WORD>(Get(325))};
  WORD expected267 = 0, expected320 = 0, expected341 = 0;
  ASSERT_EQ(LookupDependentValue(&record, &expected267), 0);
  record.dependentValue = static_cast<WORD>(Get(326));
  ASSERT_EQ(LookupDependentValueById(320, &record, &expected320), 0);
  record.dependentValue = static_cast<WORD>(Get(344));
  ASSERT_EQ(LookupDependentValueById(341, &record, &expected341), 0);

  Status(0);
  const SHORT landscape = 2;
  std::vector<WORD> ids;
  EXPECT_EQ(Apply(7, kSettingTypeInt16, &landscape, &ids), 4);
  EXPECT_EQ(Get(7), 2);
  EXPECT_EQ(Get(267), expected267);
  EXPECT_EQ(Get(320), expected320);
  EXPECT_EQ(Get(341), expected341);
  EXPECT_EQ(ids, (std::vector<WORD>{7, 267, 320, 341}));
  // Without a value there is nothing to recompute from.
  EXPECT_EQ(Apply<void>(7, 0, nullptr), 3);
}

TEST_F(ConflictActionTest, PaperChangeReportsTheScaledPaperFit) {
  Set<SHORT>(8, kSettingTypeInt16, 1);
  Set<WORD>(262, kSettingTypeUInt16, 267);
  Set<WORD>(321, kSettingTypeUInt16, 1);
  Set<DWORD>(449, kSettingTypeInt32, 1);
  Set<WORD>(296, kSettingTypeUInt16, 0x0202);
  Set<WORD>(263, kSettingTypeUInt16, 250);
  Status(0);
  const SHORT a4 = 9;
  std::vector<WORD> ids;
  EXPECT_EQ(Apply(8, kSettingTypeInt16, &a4, &ids), 4);
  EXPECT_EQ(Get(8), 9);
  EXPECT_EQ(ids, std::vector<WORD>{8});
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].style, static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
  EXPECT_EQ(Boxes()[0].text.rfind(u"With Paper size = A4 the scaled page does not fit the paper:", 0), 0u)
      << std::string(Boxes()[0].text.begin(), Boxes()[0].text.end());
  EXPECT_NE(Boxes()[0].text.find(u"\n\tScaling: 250"), std::u16string::npos);

  // Scaled to 100 % the document would fit on fewer sheets: asked when not
  // only informing.
  Set<WORD>(263, kSettingTypeUInt16, 100);
  const SettingsContext context = Context();
  const SettingValueRef paper{8, kSettingTypeInt16, &a4};
  seams::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(ReportScaledPaperFit(0, TestOwner(), &context, &paper), 3);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1].style, static_cast<UINT>(MB_ICONINFORMATION | MB_OKCANCEL));
  EXPECT_EQ(Boxes()[1].text.rfind(u"With Paper size = A4 the scaled page leaves paper unused:", 0), 0u);
  seams::QueueMessageBoxAnswer(IDOK);
  EXPECT_EQ(ReportScaledPaperFit(0, TestOwner(), &context, &paper), 4);
  // Fitting needs no box.
  Set<WORD>(321, kSettingTypeUInt16, 0);
  EXPECT_EQ(ReportScaledPaperFit(0, TestOwner(), &context, &paper), 4);
  EXPECT_EQ(Boxes().size(), 3u);
}

TEST_F(ConflictActionTest, PageSettingsGoThroughTheRegisteredPass) {
  UseModel(ConflictsWriter());
  Set<SHORT>(12, kSettingTypeInt16, 1);
  Set<SHORT>(16, kSettingTypeInt16, 2);
  const SHORT five = 5;

  // Without a pass nothing is written unchecked.
  const std::vector<BYTE> before = Snapshot();
  EXPECT_EQ(Apply(12, kSettingTypeInt16, &five), 1);
  const WORD scaling = 120;
  EXPECT_EQ(Apply(263, kSettingTypeUInt16, &scaling), 1);
  EXPECT_EQ(buffers_.devMode, before);

  // The pass writes 5 copies; the model refuses several copies with long
  // edge, so the warning is shown and the kept value written back.
  SetPageConstraintPass(&ScriptedPass);
  g_passAnswers = {4};
  EXPECT_EQ(Apply(12, kSettingTypeInt16, &five), 3);
  EXPECT_EQ(buffers_.devMode, before);
  ASSERT_EQ(g_passCalls.size(), 1u);
  EXPECT_EQ(g_passCalls[0].flags, 0u);
  EXPECT_EQ(g_passCalls[0].owner, TestOwner());
  EXPECT_EQ(g_passCalls[0].id, 12);
  EXPECT_EQ(g_passCalls[0].value, 5);
  EXPECT_TRUE(g_passCalls[0].withLists);
  EXPECT_TRUE(g_passCalls[0].withResult);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, u"Copies cannot change: it conflicts with:\n\tTwo-sided printing: Long edge");

  // Without long edge the check passes: 4 with the pass's list.
  Set<SHORT>(16, kSettingTypeInt16, 1);
  g_passAnswers = {4};
  std::vector<WORD> ids;
  EXPECT_EQ(Apply(12, kSettingTypeInt16, &five, &ids), 4);
  EXPECT_EQ(Get(12), 5);
  EXPECT_EQ(ids, std::vector<WORD>{12});

  // The pass refuses: its answer, nothing more.
  g_passAnswers = {3};
  const SHORT seven = 7;
  EXPECT_EQ(Apply(12, kSettingTypeInt16, &seven), 3);
  EXPECT_EQ(Get(12), 5);

  // Scaling: the pass, then the scaled paper check (321 is off: it fits).
  // The current value is passed on too.
  g_passAnswers = {4, 4};
  EXPECT_EQ(Apply(263, kSettingTypeUInt16, &scaling, &ids), 4);
  EXPECT_EQ(Get(263), 120);
  EXPECT_EQ(Apply(263, kSettingTypeUInt16, &scaling, &ids), 4);
  EXPECT_EQ(g_passCalls.back().id, 263);
  // The pass-only settings.
  g_passAnswers = {3};
  const SHORT margin = 10;
  EXPECT_EQ(Apply(274, kSettingTypeInt16, &margin), 3);
  EXPECT_EQ(g_passCalls.back().id, 274);
}

TEST_F(ConflictActionTest, ValueRefusedWithAMessageAfterThePassIsNotKept) {
  // The model forbids several copies with long edge (status 7): the pass
  // wrote the value, the refusal writes the kept one back.
  UseModel(ConflictsWriter(0, 7));
  SetPageConstraintPass(&ScriptedPass);
  Set<SHORT>(12, kSettingTypeInt16, 1);
  Set<SHORT>(16, kSettingTypeInt16, 2);
  const std::vector<BYTE> before = Snapshot();
  g_passAnswers = {4};
  const SHORT five = 5;
  EXPECT_EQ(Apply(12, kSettingTypeInt16, &five), 10);
  EXPECT_EQ(buffers_.devMode, before);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, u"Copies cannot change because of:\n\tTwo-sided printing: Long edge");
}

}  // namespace
}  // namespace pk::test
