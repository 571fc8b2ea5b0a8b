// The colour profile the printer names (DrvQueryColorProfile), the profile
// file a fresh machine root carries under that name, and the two values the
// directory service publishes.
#include <lcms2.h>

#include <cstring>
#include <string>
#include <vector>

#include "printer_interface/interface_fixture.h"
#include "printer_interface/spooler/printer_events.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_buffer.h"
#include "settings/model/color_adjust.h"

namespace pk::test {
namespace {

const std::u16string kProfileName = u"sRGB Color Space Profile.icm";
const std::u16string kColorFolder = u"C:\\Windows\\System32\\spool\\drivers\\color\\";

using ColorProfileTest = InterfaceTest;

TEST_F(ColorProfileTest, NameOfTheDefaultModelsProfile) {
  ASSERT_EQ(kProfileName.size(), 28u);
  std::vector<BYTE> buffer(80, 0xAB);
  ULONG size = 58;
  FLONG flags = 0;

  // Only the device profile is answered; the buffer stays untouched.
  EXPECT_FALSE(DrvQueryColorProfile(printer_, dm(), QCP_SOURCEPROFILE, buffer.data(), &size, &flags));
  EXPECT_EQ(buffer, std::vector<BYTE>(80, 0xAB));
  EXPECT_EQ(size, 58u);

  size = 57;
  SetLastError(0);
  EXPECT_FALSE(DrvQueryColorProfile(printer_, dm(), QCP_DEVICEPROFILE, buffer.data(), &size, &flags));
  EXPECT_EQ(size, 58u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(buffer, std::vector<BYTE>(80, 0xAB));

  EXPECT_TRUE(DrvQueryColorProfile(printer_, dm(), QCP_DEVICEPROFILE, buffer.data(), &size, &flags));
  EXPECT_EQ(flags, FLONG(QCP_PROFILEDISK));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buffer.data())), kProfileName);
  EXPECT_EQ(buffer[56], 0);
  EXPECT_EQ(buffer[57], 0);
  EXPECT_EQ(buffer[58], 0xAB);
}

TEST_F(ColorProfileTest, MissingArgumentsOrProfileAnswerFalse) {
  std::vector<BYTE> buffer(80, 0);
  ULONG size = 80;
  FLONG flags = 0;
  EXPECT_FALSE(DrvQueryColorProfile(nullptr, dm(), 0, buffer.data(), &size, &flags));
  EXPECT_FALSE(DrvQueryColorProfile(printer_, nullptr, 0, buffer.data(), &size, &flags));
  EXPECT_FALSE(DrvQueryColorProfile(printer_, dm(), 0, nullptr, &size, &flags));
  EXPECT_FALSE(DrvQueryColorProfile(printer_, dm(), 0, buffer.data(), nullptr, &flags));
  EXPECT_FALSE(DrvQueryColorProfile(printer_, dm(), 0, buffer.data(), &size, nullptr));

  // A model without a profile name.
  HANDLE writer = AddModelPrinter(u"Writer", SmallWriter());
  ASSERT_NE(writer, nullptr);
  EXPECT_FALSE(DrvQueryColorProfile(writer, dm(), QCP_DEVICEPROFILE, buffer.data(), &size, &flags));
  EXPECT_EQ(size, 80u);
  EXPECT_EQ(flags, 0u);
}

// The name answered names a usable display profile in the colour folder.
TEST_F(ColorProfileTest, FreshRootHoldsTheNamedProfile) {
  const std::u16string path = kColorFolder + kProfileName;
  const std::string windowsPath(path.begin(), path.end());
  EXPECT_EQ(CheckIccProfileFile(windowsPath.c_str()), 0);

  cmsHPROFILE profile = cmsOpenProfileFromFile(HostPath(path).c_str(), "r");
  ASSERT_NE(profile, nullptr);
  EXPECT_EQ(cmsGetDeviceClass(profile), cmsSigDisplayClass);
  EXPECT_EQ(cmsGetColorSpace(profile), cmsSigRgbData);
  cmsCloseProfile(profile);
}

class DsCapabilitiesTest : public InterfaceTest {
 protected:
  void SetUp() override {
    InterfaceTest::SetUp();
    DeviceModel* model = OpenDeviceModel(printer_);
    ASSERT_NE(model, nullptr);
    settings_.assign(kPrinterSettingsBlockSize, 0);
    void* devMode = AllocDevModeBuffer(0);
    ASSERT_EQ(BuildDefaultSettings(model, devMode, settings_.data(), PK_DEFAULT_PRINTER_NAME), 1);
    FreeDevModeBuffer(devMode);
    CloseDeviceModel(model);
  }
  void SetFlag(SettingId id, bool on) {
    uint64_t value = on;
    SettingValueType type = 0;
    ASSERT_EQ(
        LookupSettingField(id, &type, nullptr, nullptr, nullptr, nullptr, settings_.data(), nullptr, nullptr, nullptr),
        kSettingOk)
        << id;
    UINT size = 0;
    GetValueTypeSize(id, type, &size);
    ASSERT_EQ(WriteSettingField(id, nullptr, settings_.data(), type, size, &value), kSettingOk) << id;
  }
  int Published(const char16_t* name) {
    DWORD type = 0, needed = 0;
    BYTE data[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    if (GetPrinterDataExW(printer_, u"DsDriver", name, &type, data, sizeof data, &needed) != ERROR_SUCCESS) return -1;
    EXPECT_EQ(type, DWORD(REG_BINARY));
    EXPECT_EQ(needed, 1u);
    return data[0];
  }
  std::vector<uint8_t> settings_;
};

TEST_F(DsCapabilitiesTest, DuplexAndStaplingFromTheSettings) {
  struct Case {
    const char* what;
    bool duplex, finisher773, finisher788;
    int stapling1038;
    int duplexByte, staplingByte;
  } cases[] = {
      {"duplex unit, no stapler", true, false, false, 0, 1, 0},
      {"finisher 773 stapling", false, true, false, 1, 0, 1},
      {"finisher 788 stapling", false, false, true, 1, 0, 1},
      {"finisher 773, stapling off", false, true, false, 0, 0, 0},
      {"stapling without finisher", false, false, false, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetFlag(775, c.duplex);
    SetFlag(773, c.finisher773);
    SetFlag(788, c.finisher788);
    SetFlag(1038, c.stapling1038);
    EXPECT_EQ(PublishDsCapabilities(printer_, settings_.data()), 1);
    EXPECT_EQ(Published(u"printDuplexSupported"), c.duplexByte);
    EXPECT_EQ(Published(u"printStaplingSupported"), c.staplingByte);
  }
}

TEST_F(DsCapabilitiesTest, FailedWriteAnswersZero) {
  for (unsigned nth : {1u, 2u}) {
    pk::seams::FailSetPrinterData(nth);
    EXPECT_EQ(PublishDsCapabilities(printer_, settings_.data()), 0) << nth;
  }
  EXPECT_EQ(PublishDsCapabilities(nullptr, settings_.data()), 0);
  EXPECT_EQ(PublishDsCapabilities(printer_, nullptr), 0);
}

}  // namespace
}  // namespace pk::test
