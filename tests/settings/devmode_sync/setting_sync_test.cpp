// The synchronisation rules: twin settings, the option group mask, the user
// paper slots and the paper resolution against the spooler's forms.
#include "settings/devmode/setting_sync.h"

#include "settings/services/user_paper.h"
#include "sync_fixture.h"

namespace {

using pk::test::GetId;
using pk::test::GetText;
using pk::test::SetId;
using pk::test::SetText;

using SyncRules = pk::test::DefaultPrinterTest;

TEST_F(SyncRules, PaperSourceIsCopiedOnlyWhileAllowedAndNotExcluded) {
  struct Row {
    int allowed;     // setting 1055
    int private265;  // private paper source
    int before13;    // dmDefaultSource before
    int after13;     // dmDefaultSource after
  } rows[] = {
      {0, 2, 7, 7},      // synchronisation off: nothing happens
      {1, 0x102, 7, 7},  // the excluded value is never copied
      {1, 2, 7, 2},
  };
  for (const Row& row : rows) {
    SetId(1055, dm(), st(), row.allowed);
    SetId(265, dm(), st(), row.private265);
    SetId(13, dm(), st(), row.before13);
    EXPECT_EQ(SyncPaperSourceToPublic(dm(), st()), 1);
    EXPECT_EQ(GetId(13, dm()), row.after13) << row.allowed << " " << row.private265;
  }

  // The other way round: DMBIN_FORMSOURCE stays out of the private setting.
  SetId(1055, dm(), st(), 1);
  SetId(265, dm(), st(), 258);
  SetId(13, dm(), st(), 15);
  EXPECT_EQ(SyncPaperSourceToPrivate(dm(), st()), 1);
  EXPECT_EQ(GetId(265, dm()), 258);
  SetId(13, dm(), st(), 4);
  EXPECT_EQ(SyncPaperSourceToPrivate(dm(), st()), 1);
  EXPECT_EQ(GetId(265, dm()), 4);
}

TEST_F(SyncRules, TrueTypeOptionFollowsInBothDirections) {
  struct Row {
    SettingId changed;
    int ttOption;
    int setting292;
    int expectTtOption;
    int expect292;
  } rows[] = {
      {17, 2, 1, 2, 2},                      // dmTTOption changed: 292 becomes 2 when it was set
      {17, 2, 0, 2, 0},                      // ... and stays 0 when it was 0
      {17, 1, 0, 1, 1},  {292, 3, 1, 1, 1},  // 292 changed: dmTTOption follows it
      {292, 1, 2, 3, 2}, {292, 1, 0, 3, 0},
  };
  for (const Row& row : rows) {
    SetId(17, dm(), st(), row.ttOption);
    SetId(292, dm(), st(), row.setting292);
    EXPECT_EQ(SyncTrueTypeOption(dm(), st(), row.changed), 1);
    EXPECT_EQ(GetId(17, dm()), row.expectTtOption) << row.changed << " " << row.ttOption << " " << row.setting292;
    EXPECT_EQ(GetId(292, dm()), row.expect292) << row.changed << " " << row.ttOption << " " << row.setting292;
  }
}

TEST_F(SyncRules, IcmMethodAndColourFollowTheirPrivateSettings) {
  struct Row {
    int private293, icmMethod;
  } icm[] = {{3, 2}, {1, 1}, {2, 1}, {4, 1}};
  for (const Row& row : icm) {
    SetId(293, dm(), st(), row.private293);
    EXPECT_EQ(SyncIcmMethod(dm(), st()), 1);
    EXPECT_EQ(GetId(22, dm()), row.icmMethod) << row.private293;
  }
  struct ColourRow {
    int private345, color;
  } colour[] = {{1, 1}, {2, 2}, {0, 2}};
  for (const ColourRow& row : colour) {
    SetId(345, dm(), st(), row.private345);
    EXPECT_EQ(SyncColorMode(dm(), st()), 1);
    EXPECT_EQ(GetId(15, dm()), row.color) << row.private345;
  }
}

TEST_F(SyncRules, OptionGroupMaskSummarisesTheGroups) {
  struct Row {
    int flag482;
    SettingId nonzero;  // the one group value set to 1 (0: none)
    DWORD mask;
  } rows[] = {
      {0, 0, 0},   {0, 274, 7}, {0, 278, 7}, {0, 282, 7}, {0, 275, 0}, {0, 285, 0}, {1, 274, 0},
      {1, 275, 1}, {1, 279, 1}, {1, 284, 2}, {1, 276, 2}, {1, 277, 4}, {1, 285, 4},
  };
  for (const Row& row : rows) {
    for (SettingId id = 274; id <= 285; ++id) SetId(id, dm(), st(), 0);
    SetId(482, dm(), st(), row.flag482);
    if (row.nonzero) SetId(row.nonzero, dm(), st(), 1);
    EXPECT_EQ(UpdateOptionGroupMask(dm(), st()), 1);
    EXPECT_EQ(static_cast<DWORD>(GetId(273, dm())), row.mask) << row.flag482 << " " << row.nonzero;
  }
  // Without flag 482 a value in the first column sets all three bits whatever the others hold.
  SetId(482, dm(), st(), 0);
  SetId(275, dm(), st(), 5);
  SetId(283, dm(), st(), -2);
  SetId(278, dm(), st(), 1);
  EXPECT_EQ(UpdateOptionGroupMask(dm(), st()), 1);
  EXPECT_EQ(GetId(273, dm()), 7);
}

TEST_F(SyncRules, UserPaperSlotIdsAndValues) {
  SettingId width = 0, length = 0, name = 0;
  WCHAR buffer[15] = {};
  SHORT code = 291;
  ASSERT_EQ(GetUserPaperSettingIds(&code, kSettingTypeInt16, &width, &length, &name, buffer), 1);
  EXPECT_EQ(width, 1320);
  EXPECT_EQ(length, 1330);
  EXPECT_EQ(name, 1340);
  std::u16string text(buffer);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), u"10");

  code = 262;
  ASSERT_EQ(GetUserPaperSettingIds(&code, kSettingTypeInt16, &width, &length, &name, nullptr), 1);
  EXPECT_EQ(width, 1311);
  for (SHORT other : {9, 267, 286, 292, 0}) {
    EXPECT_EQ(GetUserPaperSettingIds(&other, kSettingTypeInt16, &width, &length, &name, buffer), 0) << other;
  }
  // A byte holds no user paper code, not even the low byte of one (262 & 0xFF).
  BYTE lowByte = 6;
  EXPECT_EQ(GetUserPaperSettingIds(&lowByte, kSettingTypeUInt8, &width, &length, &name, buffer), 0);

  // The values of slot 5 (paper code 287) come from the settings block.
  SetId(1316, dm(), st(), 1234);
  SetId(1326, dm(), st(), 2345);
  SetText(1336, dm(), st(), u"Mine");
  UserPaperValues values{};
  WORD paper = 287;
  ASSERT_EQ(GetUserPaperValues(dm(), st(), &paper, kSettingTypeUInt16, &values, buffer), 1);
  EXPECT_EQ(values.width, 1234);
  EXPECT_EQ(values.length, 2345);
  EXPECT_EQ(pk::test::TextAt(reinterpret_cast<const BYTE*>(values.name)), u"Mine");
  paper = 9;
  EXPECT_EQ(GetUserPaperValues(dm(), st(), &paper, kSettingTypeUInt16, &values, buffer), 0);
}

TEST_F(SyncRules, CustomPaperSizeKeepsItsSizeAndLosesOnlyTheFormNameBit) {
  SetId(8, dm(), st(), DMPAPER_USER);
  SetId(9, dm(), st(), 1500);
  SetId(10, dm(), st(), 1000);
  SetText(19, dm(), st(), u"Custom");
  DWORD fields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME | DM_COPIES;
  SetId(6, dm(), st(), fields);
  EXPECT_EQ(ResolvePaper(model_, dm(), st(), printer_, DM_PAPERSIZE | DM_FORMNAME), 1);
  EXPECT_EQ(GetId(8, dm()), DMPAPER_USER);
  EXPECT_EQ(GetId(9, dm()), 1500);
  EXPECT_EQ(GetId(10, dm()), 1000);
  EXPECT_EQ(GetText(19, dm()), u"Custom");
  EXPECT_EQ(static_cast<DWORD>(GetId(6, dm())), fields & ~static_cast<DWORD>(DM_FORMNAME));

  // Without a paper bit in `fields` nothing is read or written.
  SetId(6, dm(), st(), fields);
  EXPECT_EQ(ResolvePaper(model_, dm(), st(), printer_, DM_COPIES), 1);
  EXPECT_EQ(static_cast<DWORD>(GetId(6, dm())), fields);
}

TEST_F(SyncRules, BuiltInFormGivesNameAndSize) {
  SetId(8, dm(), st(), 9);
  SetText(19, dm(), st(), u"");
  SetId(9, dm(), st(), 0);
  SetId(10, dm(), st(), 0);
  SetId(6, dm(), st(), DM_PAPERSIZE);
  EXPECT_EQ(UpdateFormNameFromPaper(model_, printer_, dm(), st(), kSettingTypeInt16), 1);
  EXPECT_EQ(GetText(19, dm()), u"A4");
  EXPECT_EQ(GetId(10, dm()), 2100);
  EXPECT_EQ(GetId(9, dm()), 2970);
  EXPECT_EQ(GetId(8, dm()), 9);
  EXPECT_EQ(static_cast<DWORD>(GetId(6, dm())), static_cast<DWORD>(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH));

  // A size alone finds the form of that size.
  SetId(8, dm(), st(), 0);
  SetText(19, dm(), st(), u"");
  SetId(10, dm(), st(), 2159);
  SetId(9, dm(), st(), 2794);
  EXPECT_EQ(ResolvePaper(model_, dm(), st(), printer_, DM_PAPERWIDTH), 1);
  EXPECT_EQ(GetText(19, dm()), u"Letter");
  EXPECT_EQ(GetId(8, dm()), 1);
}

TEST_F(SyncRules, UserPaperWithoutSpoolerFormFallsBackToThePrinterDefault) {
  // The printer's default DEVMODE asks for Legal.
  DEVMODEW spooled{};
  std::memcpy(spooled.dmDeviceName, kPrinter, std::char_traits<char16_t>::length(kPrinter) * 2);
  spooled.dmSpecVersion = DM_SPECVERSION;
  spooled.dmSize = sizeof(DEVMODEW);
  spooled.dmFields = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME;
  spooled.dmPaperSize = DMPAPER_LEGAL;
  spooled.dmPaperLength = 3556;
  spooled.dmPaperWidth = 2159;
  std::memcpy(spooled.dmFormName, u"Legal", 12);
  const BYTE* p = reinterpret_cast<const BYTE*>(&spooled);
  pk::test::SetSpoolerDevMode(kPrinter, std::vector<BYTE>(p, p + sizeof spooled));

  SetId(8, dm(), st(), 262);  // user slot 0: its default name is no spooler form
  SetId(9, dm(), st(), 1000);
  SetId(10, dm(), st(), 1000);
  EXPECT_EQ(UpdateFormNameFromPaper(model_, printer_, dm(), st(), kSettingTypeInt16), 1);
  EXPECT_EQ(GetId(8, dm()), DMPAPER_LEGAL);
  EXPECT_EQ(GetId(9, dm()), 3556);
  EXPECT_EQ(GetId(10, dm()), 2159);
  EXPECT_EQ(GetText(19, dm()), u"Legal");

  // A code that is neither a spooler form, a user slot nor a model paper fails.
  SetId(8, dm(), st(), 200);
  EXPECT_EQ(UpdateFormNameFromPaper(model_, printer_, dm(), st(), kSettingTypeInt16), 0);
  EXPECT_EQ(UpdateFormNameFromPaper(nullptr, printer_, dm(), st(), kSettingTypeInt16), 0);
}

TEST_F(SyncRules, CopyPaperFromPrinterDefaultNeedsADefaultDevMode) {
  pk::test::SetSpoolerDevMode(kPrinter, {});
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(CopyPaperFromPrinterDefault(model_, dm(), st(), printer_), 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

}  // namespace
