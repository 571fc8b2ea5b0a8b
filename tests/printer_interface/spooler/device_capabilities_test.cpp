// DrvDeviceCapabilities: the indexes it answers, the preparation of the
// model, the working DEVMODE and the settings block, and a printer whose
// model cannot be read.
#include <string>
#include <vector>

#include "printer_interface/interface_fixture.h"
#include "printer_interface/spooler/device_capabilities.h"
#include "settings/access/setting_access.h"

namespace pk::test {
namespace {

using DeviceCapabilitiesTest = InterfaceTest;

LONG Ask(HANDLE printer, WORD index, void* output = nullptr, DEVMODEW* devMode = nullptr) {
  return static_cast<LONG>(DrvDeviceCapabilities(printer, nullptr, index, output, devMode));
}

// What a recording handler saw of the prepared request.
struct Seen {
  int calls = 0;
  WORD flags = 0;
  WORD index = 0;
  bool devMode = false;
  bool settings = false;
  bool model = false;
  uint32_t copies = 0;
};
Seen g_seen;

LONG Record(HANDLE, WORD index, void*, WORD flags, void* devMode, void* settings, DeviceModel* model) {
  ++g_seen.calls;
  g_seen.flags = flags;
  g_seen.index = index;
  g_seen.devMode = devMode != nullptr;
  g_seen.settings = settings != nullptr;
  g_seen.model = model != nullptr;
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (devMode && GetSettingValue(12, devMode, settings, &type, &size, &value) == kSettingOk)
    g_seen.copies = static_cast<uint32_t>(value & 0xFFFF);
  return 77;
}

TEST_F(DeviceCapabilitiesTest, TheDefaultPrinterReachesTheHandlersWithEverythingReady) {
  g_seen = Seen();
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(AnswerDeviceCapability(printer_, 2, nullptr, nullptr, &Record), 77);
  EXPECT_EQ(g_seen.calls, 1);
  EXPECT_EQ(g_seen.flags, 7);
  EXPECT_EQ(g_seen.index, 2);
  EXPECT_TRUE(g_seen.devMode && g_seen.settings && g_seen.model);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);

  // The application's DEVMODE is merged into the working one.
  Set(devMode_, 12, 7);
  g_seen = Seen();
  EXPECT_EQ(AnswerDeviceCapability(printer_, 18, nullptr, dm(), &Record), 77);
  EXPECT_EQ(g_seen.flags, 7);
  EXPECT_EQ(g_seen.copies, 7u);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(DeviceCapabilitiesTest, AllocationFailuresLeaveOnlyTheModelFlag) {
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  bool sawModelOnly = false;
  for (unsigned n = 1; n <= 40; ++n) {
    g_seen = Seen();
    pk::seams::FailNthAllocation(n);
    AnswerDeviceCapability(printer_, 2, nullptr, nullptr, &Record);
    pk::seams::FailNthAllocation(0);
    EXPECT_EQ(g_seen.calls, 1) << n;
    EXPECT_TRUE(g_seen.flags == 7 || g_seen.flags == 1 || g_seen.flags == 0) << n << " " << g_seen.flags;
    sawModelOnly = sawModelOnly || g_seen.flags == 1;
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks) << n;
  }
  EXPECT_TRUE(sawModelOnly);
}

TEST_F(DeviceCapabilitiesTest, AnswersOfTheDefaultPrinter) {
  EXPECT_EQ(Ask(printer_, 33), -1);  // DC_NUP has no row
  EXPECT_EQ(Ask(printer_, DC_TRUETYPE), 6);
  EXPECT_EQ(Ask(printer_, DC_COPIES), 999);
  EXPECT_EQ(Ask(printer_, DC_COLORDEVICE), 1);
  EXPECT_EQ(Ask(printer_, DC_PRINTRATE), 36);
  EXPECT_EQ(Ask(printer_, DC_SIZE), 220);
  EXPECT_EQ(Ask(printer_, DC_EXTRA), 2408);
  const LONG papers = Ask(printer_, DC_PAPERS);
  ASSERT_GT(papers, 0);
  std::vector<WORD> codes(static_cast<size_t>(papers) + 1, 0xABCD);
  EXPECT_EQ(Ask(printer_, DC_PAPERS, codes.data()), papers);
  EXPECT_EQ(codes[0], 9);  // A4, the first built-in form of its name
  EXPECT_EQ(codes[static_cast<size_t>(papers)], 0xABCD);
  // The application's DEVMODE counts.
  Set(devMode_, 12, 5);
  EXPECT_EQ(Ask(printer_, DC_COPIES, nullptr, dm()), 999);
}

TEST_F(DeviceCapabilitiesTest, APrinterWithoutReadableModelAnswersWhatNeedsNothing) {
  WriteWindowsFile(u"C:\\models\\broken.ddd", std::vector<uint8_t>(64, 0x5A));
  ASSERT_EQ(pk::spooler::AddPrinter(u"Broken", u"C:\\models\\broken.ddd"), 0u);
  HANDLE broken = Open(u"Broken");
  ASSERT_NE(broken, nullptr);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(Ask(broken, DC_TRUETYPE), 6);
  EXPECT_EQ(Ask(broken, DC_COPIES), 999);
  EXPECT_EQ(Ask(broken, DC_PAPERS), -1);
  EXPECT_EQ(Ask(broken, DC_FIELDS), 0x1FF03);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
  g_seen = Seen();
  AnswerDeviceCapability(broken, 2, nullptr, nullptr, &Record);
  EXPECT_EQ(g_seen.flags, 0);
}

}  // namespace
}  // namespace pk::test
