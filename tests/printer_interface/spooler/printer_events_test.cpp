// The printer events and the driver upgrade: the printer's id, its stored
// settings, its font table and the model's forms when it is installed or
// upgraded, the per-user settings removed when it is deleted, and what the
// spooler's own calls leave behind.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <algorithm>
#include <vector>

#include "platform/spooler/driver_events.h"
#include "platform/win/machine_root.h"
#include "printer_interface/interface_fixture.h"
#include "printer_interface/spooler/printer_events.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_buffer.h"
#include "settings/services/user_paper.h"
#include "settings/store/printer_data_chunks.h"
#include "settings/store/printer_settings_data.h"

namespace pk::test {
namespace {

using Bytes = std::vector<uint8_t>;

const std::u16string kModelFile = std::u16string(PK_DRIVER_FOLDER) + u"ORVC3600.DDD";

struct Form {
  bool found = false;
  DWORD flags = 0;
  SIZEL size{};
  RECTL area{};
};

Form FormNamed(HANDLE printer, const std::u16string& name) {
  Form f;
  DWORD needed = 0;
  GetFormW(printer, name.c_str(), 1, nullptr, 0, &needed);
  if (needed == 0) return f;
  Bytes block(needed);
  if (!GetFormW(printer, name.c_str(), 1, block.data(), needed, &needed)) return f;
  const auto* info = reinterpret_cast<const FORM_INFO_1W*>(block.data());
  f.found = true;
  f.flags = info->Flags;
  f.size = info->Size;
  f.area = info->ImageableArea;
  return f;
}

std::u16string UserPaperName(WORD slot) {
  WCHAR name[kUserPaperNameBytes / 2] = {};
  EXPECT_EQ(FormatUserPaperName(slot, name), 1);
  return name;
}

bool AddUserForm(HANDLE printer, const std::u16string& name, LONG cx, LONG cy) {
  FORM_INFO_1W form{};
  form.Flags = FORM_USER;
  form.pName = const_cast<LPWSTR>(name.c_str());
  form.Size = {cx, cy};
  form.ImageableArea = {0, 0, cx, cy};
  return AddFormW(printer, 1, reinterpret_cast<const BYTE*>(&form));
}

Bytes StoredSettings(HANDLE printer) {
  Bytes block(kPrinterSettingsBlockSize, 0);
  DWORD size = 0;
  if (!ReadPrinterDataChunkSize(printer, u"PrinterData", &size) || size != kPrinterSettingsBlockSize ||
      !ReadPrinterDataChunks(printer, u"PrinterData", block.data(), size))
    block.clear();
  return block;
}

class PrinterEventsTest : public InterfaceTest {
 protected:
  BOOL Event(int event, const char16_t* name = PK_DEFAULT_PRINTER_NAME) {
    std::u16string n = name;
    return DrvPrinterEvent(n.data(), event, 0, 0);
  }
  // Adds a printer of the default model, through the spooler with its calls
  // to the driver on or off.
  HANDLE AddDefaultModelPrinter(const char16_t* name, bool events) {
    pk::seams::SetPrinterEventCalls(events);
    EXPECT_EQ(pk::spooler::AddPrinter(name, kModelFile), 0u);
    pk::seams::SetPrinterEventCalls(false);
    return Open(name);
  }
};

// What a fresh installation leaves: the id, the settings block with its
// chunks, the font table and one A4 form per user paper slot whose area lies
// within the form.
TEST_F(PrinterEventsTest, InitializeGivesIdSettingsFontTableAndUserPaperForms) {
  ASSERT_FALSE(HasPrinterValue(printer_, u"PRNID"));
  ASSERT_FALSE(FormNamed(printer_, UserPaperName(0)).found);
  EXPECT_TRUE(Event(PRINTER_EVENT_INITIALIZE));

  EXPECT_EQ(PrinterValue(printer_, u"PRNID").size(), 16u);
  const Bytes size = PrinterValue(printer_, u"PrinterDataSize");
  ASSERT_EQ(size.size(), 4u);
  EXPECT_EQ(size[0] | size[1] << 8, 2840);
  for (const char16_t* chunk : {u"PrinterData1", u"PrinterData2", u"PrinterData3", u"PrinterData4"})
    EXPECT_TRUE(HasPrinterValue(printer_, chunk)) << std::string(chunk, chunk + 12);
  EXPECT_FALSE(HasPrinterValue(printer_, u"PrinterData5"));
  EXPECT_TRUE(HasPrinterValue(printer_, u"FontSubTableSize"));

  for (WORD slot = 0; slot < kUserPaperSlotCount; ++slot) {
    SCOPED_TRACE(slot);
    const Form f = FormNamed(printer_, UserPaperName(slot));
    ASSERT_TRUE(f.found);
    EXPECT_EQ(f.flags, DWORD(FORM_USER));
    EXPECT_EQ(f.size.cx, 210000);
    EXPECT_EQ(f.size.cy, 297000);
    // The model's margins are 4.2 mm on every side.
    EXPECT_EQ(f.area.left, 4200);
    EXPECT_EQ(f.area.top, 4200);
    EXPECT_EQ(f.area.right, 210000 - 4200);
    EXPECT_EQ(f.area.bottom, 297000 - 4200);
  }

  // A second installation keeps the id.
  const Bytes id = PrinterValue(printer_, u"PRNID");
  EXPECT_TRUE(Event(PRINTER_EVENT_INITIALIZE));
  EXPECT_EQ(PrinterValue(printer_, u"PRNID"), id);
}

TEST_F(PrinterEventsTest, UserPaperFormTheUserSizedKeepsItsSize) {
  ASSERT_TRUE(AddUserForm(printer_, UserPaperName(3), 100000, 150000));
  EXPECT_TRUE(Event(PRINTER_EVENT_INITIALIZE));
  const Form sized = FormNamed(printer_, UserPaperName(3));
  EXPECT_EQ(sized.size.cx, 100000);
  EXPECT_EQ(sized.size.cy, 150000);
  EXPECT_EQ(FormNamed(printer_, UserPaperName(4)).size.cx, 210000);
}

// Model papers from code 256 on get forms of their own name and size; one
// whose name is taken already is skipped and the rest still come.
TEST_F(PrinterEventsTest, ModelPapersWhoseFormExistsAreSkipped) {
  ddd::ModelWriter w = SmallWriter();
  const ddd::Pair margins{{10, 20}, {30, 40}};
  w.AddPaper(300, ddd::Text::Plain("Banner"), 0, ddd::Pair{{1000, 3000}, {1000, 3000}}, margins, {}, 300, 0, 0);
  w.AddPaper(301, ddd::Text::Plain("Card"), 0, ddd::Pair{{900, 500}, {900, 500}}, margins, {}, 301, 0, 0);
  w.AddPaper(9, ddd::Text::Plain("A4 copy"), 0, ddd::Pair{{2100, 2970}, {2100, 2970}}, margins, {}, 9, 0, 0);
  HANDLE printer = AddModelPrinter(u"Writer", w);
  ASSERT_NE(printer, nullptr);
  ASSERT_TRUE(AddUserForm(printer, u"Banner", 5000, 5000));

  EXPECT_TRUE(Event(PRINTER_EVENT_INITIALIZE, u"Writer"));
  EXPECT_EQ(FormNamed(printer, u"Banner").size.cx, 5000);
  const Form card = FormNamed(printer, u"Card");
  ASSERT_TRUE(card.found);
  EXPECT_EQ(card.size.cx, 90000);
  EXPECT_EQ(card.size.cy, 50000);
  EXPECT_EQ(card.area.left, 1000);
  EXPECT_EQ(card.area.top, 2000);
  EXPECT_EQ(card.area.right, 90000 - 3000);
  EXPECT_EQ(card.area.bottom, 50000 - 4000);
  // Codes below 256 are the spooler's own papers.
  EXPECT_FALSE(FormNamed(printer, u"A4 copy").found);

  DeviceModel* model = OpenDeviceModel(printer);
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(AddModelForms(printer, model), 1);
  EXPECT_EQ(AddModelForms(nullptr, model), 0);
  EXPECT_EQ(AddModelForms(printer, nullptr), 0);
  CloseDeviceModel(model);
}

// A failure other than an existing name stops the walk with 0.
TEST_F(PrinterEventsTest, FormThatCannotBeAddedFailsTheWalk) {
  DeviceModel* model = OpenDeviceModel(printer_);
  ASSERT_NE(model, nullptr);
  pk::seams::SetUserIsAdministrator(false);
  EXPECT_EQ(AddModelForms(printer_, model), 0);
  pk::seams::SetUserIsAdministrator(true);
  EXPECT_FALSE(FormNamed(printer_, UserPaperName(0)).found);
  EXPECT_EQ(AddModelForms(printer_, model), 1);
  EXPECT_TRUE(FormNamed(printer_, UserPaperName(0)).found);
  EXPECT_EQ(MigratePrinterSettings(nullptr, model, 1), 0);
  EXPECT_EQ(MigratePrinterSettings(printer_, nullptr, 0), 0);
  CloseDeviceModel(model);
}

TEST_F(PrinterEventsTest, UnopenablePrinterIsLeftAlone) {
  pk::seams::FailOpenPrinter(PK_DEFAULT_PRINTER_NAME, 5);
  EXPECT_TRUE(Event(PRINTER_EVENT_INITIALIZE));
  EXPECT_TRUE(Event(PRINTER_EVENT_DELETE));
  pk::seams::FailOpenPrinter(nullptr);
  EXPECT_FALSE(HasPrinterValue(printer_, u"PRNID"));
  EXPECT_FALSE(HasPrinterValue(printer_, u"PrinterDataSize"));
  EXPECT_FALSE(FormNamed(printer_, UserPaperName(0)).found);
  // Other events do nothing, whatever the name.
  EXPECT_TRUE(Event(PRINTER_EVENT_ADD_CONNECTION));
  EXPECT_TRUE(Event(PRINTER_EVENT_INITIALIZE, u"No such printer"));
  EXPECT_TRUE(DrvPrinterEvent(nullptr, PRINTER_EVENT_INITIALIZE, 0, 0));
  EXPECT_FALSE(HasPrinterValue(printer_, u"PRNID"));
}

TEST_F(PrinterEventsTest, UpgradeRefusesOtherLevelsAndUnknownPrinters) {
  std::u16string name = PK_DEFAULT_PRINTER_NAME;
  DRIVER_UPGRADE_INFO_1 info{name.data(), nullptr};
  struct Case {
    DWORD level;
    BYTE* info;
  } cases[] = {{2, reinterpret_cast<BYTE*>(&info)}, {0, reinterpret_cast<BYTE*>(&info)}, {1, nullptr}};
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_FALSE(DrvUpgradePrinter(c.level, c.info)) << c.level;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << c.level;
  }
  std::u16string unknown = u"No such printer";
  DRIVER_UPGRADE_INFO_1 missing{unknown.data(), nullptr};
  SetLastError(0);
  EXPECT_FALSE(DrvUpgradePrinter(1, reinterpret_cast<BYTE*>(&missing)));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(HasPrinterValue(printer_, u"PRNID"));
}

// A block stored by an older version is stored again as the current version
// reads it.
TEST_F(PrinterEventsTest, UpgradeStoresAnOlderBlockInTheCurrentVersion) {
  DeviceModel* model = OpenDeviceModel(printer_);
  ASSERT_NE(model, nullptr);
  Bytes block(kPrinterSettingsBlockSize);
  void* devMode = AllocDevModeBuffer(0);
  ASSERT_EQ(BuildDefaultSettings(model, devMode, block.data(), PK_DEFAULT_PRINTER_NAME), 1);
  FreeDevModeBuffer(devMode);
  // Stored by an earlier driver version.
  const WORD older[][2] = {{1298, 0x3100}, {1307, 0x4003}};
  for (const auto& v : older) {
    uint64_t value = v[1];
    ASSERT_EQ(SetSettingValue(v[0], nullptr, block.data(), kSettingTypeUInt16, 2, &value), kSettingOk);
  }
  ASSERT_EQ(SavePrinterSettings(printer_, block.data(), TRUE), 1);
  Bytes converted(kPrinterSettingsBlockSize);
  ASSERT_EQ(LoadPrinterSettings(printer_, converted.data(), model), 1);
  CloseDeviceModel(model);
  ASSERT_NE(converted, block);

  std::u16string name = PK_DEFAULT_PRINTER_NAME;
  DRIVER_UPGRADE_INFO_1 info{name.data(), nullptr};
  EXPECT_TRUE(DrvUpgradePrinter(1, reinterpret_cast<BYTE*>(&info)));
  const Bytes stored = StoredSettings(printer_);
  ASSERT_EQ(stored.size(), kPrinterSettingsBlockSize);
  for (SettingId id : {SettingId(1297), SettingId(1298), SettingId(1307)}) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t got = 0, want = 0;
    ASSERT_EQ(GetSettingValue(id, nullptr, stored.data(), &type, &size, &got), kSettingOk) << id;
    ASSERT_EQ(GetSettingValue(id, nullptr, converted.data(), &type, &size, &want), kSettingOk) << id;
    EXPECT_EQ(got, want) << id;
  }
  EXPECT_EQ(stored, converted);
  EXPECT_EQ(PrinterValue(printer_, u"PRNID").size(), 16u);
  EXPECT_TRUE(HasPrinterValue(printer_, u"FontSubTableSize"));
  EXPECT_TRUE(FormNamed(printer_, UserPaperName(9)).found);
}

std::string Spoolctl(const std::string& arguments) {
  const std::string command =
      std::string("'") + PK_SPOOLCTL_PATH + "' --root '" + PkMachineRoot() + "' " + arguments + " 2>&1";
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, p)) out += buffer;
  out += "exit=" + std::to_string(WEXITSTATUS(pclose(p)));
  return out;
}

// Deleting a printer removes the current user's settings of that printer
// and of no other.
TEST_F(PrinterEventsTest, DeletingAPrinterRemovesItsUserSettingsOnly) {
  HANDLE office = AddDefaultModelPrinter(u"Office2", true);
  ASSERT_NE(office, nullptr);
  PrinterId officeId{};
  ASSERT_TRUE(ReadPrinterId(office, &officeId));
  ClosePrinter(office);
  opened_.erase(std::find(opened_.begin(), opened_.end(), office));
  const std::u16string officeKey = kUserBase + Hex(officeId);
  const std::u16string defaultKey = kUserBase + Hex(IdOf(printer_));
  MakeUserKey(officeKey, PRINTER_ATTRIBUTE_LOCAL);
  MakeUserKey(defaultKey, PRINTER_ATTRIBUTE_LOCAL);

  EXPECT_EQ(Spoolctl("delete-printer Office2"), "exit=0");
  EXPECT_FALSE(UserKeyExists(officeKey));
  EXPECT_TRUE(UserKeyExists(defaultKey));
  HANDLE gone = nullptr;
  EXPECT_FALSE(OpenPrinterW(u"Office2", &gone, nullptr));
  EXPECT_EQ(Spoolctl("delete-printer Office2"), "spoolctl: cannot delete printer \"Office2\" (error 1801)\nexit=1");
}

// The spooler's admin call gives an added printer its id and forms; with
// its calls off it has neither.
TEST_F(PrinterEventsTest, AddedPrinterIsSetUpByTheSpoolersCall) {
  HANDLE bare = AddDefaultModelPrinter(u"Bare", false);
  ASSERT_NE(bare, nullptr);
  EXPECT_FALSE(HasPrinterValue(bare, u"PRNID"));
  EXPECT_FALSE(FormNamed(bare, UserPaperName(0)).found);

  HANDLE office = AddDefaultModelPrinter(u"Office2", true);
  ASSERT_NE(office, nullptr);
  EXPECT_EQ(PrinterValue(office, u"PRNID").size(), 16u);
  EXPECT_TRUE(HasPrinterValue(office, u"FontSubTableSize"));
  EXPECT_TRUE(FormNamed(office, UserPaperName(0)).found);

  // Upgrading the driver runs every printer's upgrade.
  std::vector<std::u16string> upgraded;
  pk::seams::SetPrinterEventCalls(true);
  EXPECT_EQ(pk::spooler::UpgradeDriver(PK_DEFAULT_DRIVER_NAME, &upgraded), 0u);
  EXPECT_EQ(upgraded, (std::vector<std::u16string>{PK_DEFAULT_PRINTER_NAME, u"Bare", u"Office2"}));
  EXPECT_EQ(PrinterValue(bare, u"PRNID").size(), 16u);
  EXPECT_EQ(pk::spooler::UpgradeDriver(u"Other driver", &upgraded), DWORD(ERROR_UNKNOWN_PRINTER_DRIVER));
}

}  // namespace
}  // namespace pk::test
