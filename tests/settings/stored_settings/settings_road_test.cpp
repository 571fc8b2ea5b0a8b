// The settings road of a PDEV on the default printer of a fresh root: the
// driver's default DEVMODE stored by the spooler as the printer's default, the
// printer's default DEVMODE in the driver's form, the stored printer settings,
// the application's DEVMODE merged in, and the font substitution text. Every
// block is freed at the end, and a second run takes the settings block the
// first one saved.
#include <cstring>

#include "settings/devmode/devmode_buffer.h"
#include "settings/devmode/devmode_conversion.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/devmode/devmode_merge.h"
#include "settings/devmode_sync/sync_fixture.h"
#include "settings/devmode/printer_default_devmode.h"
#include "settings/store/printer_settings_data.h"
#include "settings/access/setting_access.h"
#include "settings/store/user_setting_info.h"
#include "stored_fixture.h"

namespace {

using Bytes = std::vector<BYTE>;

// What the road hands to the PDEV.
struct RoadResult {
  Bytes devMode;   // WorkingDevMode
  Bytes settings;  // printer settings block
  std::u16string fontText;
};

class SettingsRoadTest : public pk::test::StoredSettingsTest {
 protected:
  // The spooler stores the driver's default DEVMODE when the printer is added.
  void StoreDriverDefault() {
    Bytes driverDefault(kDriverDevModeSize);
    LONG size = kDriverDevModeSize;
    ASSERT_GT(
        ConvertDevModeWorker(PK_DEFAULT_PRINTER_NAME, nullptr, driverDefault.data(), &size, kDriverDefaultDevModeMode),
        0);
    ASSERT_EQ(size, static_cast<LONG>(kDriverDevModeSize));
    pk::test::SetSpoolerDevMode(PK_DEFAULT_PRINTER_NAME, driverDefault);
  }

  // One run of the road with an application DEVMODE asking for landscape and
  // three copies; `block` changes the settings block before it is saved.
  void Run(RoadResult* result, bool save, void (*block)(void*) = nullptr) {
    DeviceModel* model = OpenDeviceModel(printer_);
    ASSERT_NE(model, nullptr);
    void* devMode = AllocDevModeBuffer(0);
    ASSERT_NE(devMode, nullptr);
    LONG length = kDriverDevModeSize;
    int converted = 0;
    PRINTER_INFO_2W* info = GetPrinterDefaultDevMode(printer_, model, devMode, &length, &converted);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(converted, 1);
    GlobalFree(info);

    void* settings = GlobalAlloc(GPTR, kPrinterSettingsBlockSize);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(LoadPrinterSettings(printer_, settings, model), 1);

    const Bytes privateBefore(static_cast<BYTE*>(devMode) + kPublicDevModeSize,
                              static_cast<BYTE*>(devMode) + kDriverDevModeSize);
    DEVMODEW application{};
    std::memcpy(application.dmDeviceName, u"Application", sizeof u"Application");
    application.dmSpecVersion = 0x401;
    application.dmSize = sizeof application;
    application.dmFields = DM_ORIENTATION | DM_COPIES;
    application.dmOrientation = 2;
    application.dmCopies = 3;
    EXPECT_EQ(MergeDevModeFields(model, devMode, &application, settings, printer_, 2), 1);
    const auto* merged = static_cast<const DEVMODEW*>(devMode);
    EXPECT_EQ(merged->dmOrientation, 2);
    EXPECT_EQ(merged->dmCopies, 3);
    EXPECT_TRUE(
        std::equal(privateBefore.begin(), privateBefore.end(), static_cast<BYTE*>(devMode) + kPublicDevModeSize));

    WCHAR* text = ReadFontSubTable(printer_);
    if (text == nullptr) text = BuildFontSubstitutionText(model);
    ASSERT_NE(text, nullptr);
    result->fontText.clear();
    for (size_t at = 0; text[at] != 0 || text[at + 1] != 0; ++at) result->fontText += text[at];
    GlobalFree(text);

    if (block) block(settings);
    if (save) {
      EXPECT_EQ(SavePrinterSettings(printer_, settings, TRUE), 1);
    }
    result->devMode.assign(static_cast<BYTE*>(devMode), static_cast<BYTE*>(devMode) + kWorkingDevModeSize);
    result->settings.assign(static_cast<BYTE*>(settings), static_cast<BYTE*>(settings) + kPrinterSettingsBlockSize);
    GlobalFree(settings);
    FreeDevModeBuffer(devMode);
    EXPECT_EQ(CloseDeviceModel(model), 1);
  }
};

TEST_F(SettingsRoadTest, DefaultPrinterOfAFreshRoot) {
  StoreDriverDefault();
  const SIZE_T before = pk::seams::GlobalLiveBlocks();
  RoadResult first;
  ASSERT_NO_FATAL_FAILURE(Run(&first, true, [](void* settings) {
    const WORD marker = 0x5A;
    ASSERT_EQ(SetSettingValue(1041, nullptr, settings, kSettingTypeUInt16, 2, &marker), kSettingOk);
  }));
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  std::u16string pairs = u"DejaVu Sans";
  pairs += u'\0';
  pairs += u"Orvalis Sans";
  pairs += u'\0';
  pairs += u"DejaVu Sans Mono";
  pairs += u'\0';
  pairs += u"Orvalis Mono";
  EXPECT_EQ(first.fontText, pairs);

  // The second run takes the stored block, with the user's fields (none
  // stored: their defaults) applied.
  RoadResult second;
  ASSERT_NO_FATAL_FAILURE(Run(&second, false));
  Bytes expected = first.settings;
  UserSettingInfo record{};
  ASSERT_EQ(InitUserSettingInfo(&record), 1);
  ASSERT_EQ(ApplyUserSettingInfo(expected.data(), &record), 1);
  EXPECT_EQ(second.settings, expected);
  EXPECT_EQ(GetSettingInt(nullptr, second.settings.data(), 1041), 0x5A);
  EXPECT_EQ(second.devMode, first.devMode);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

}  // namespace
