// Helpers of the choice list, validation and capability tests: a fresh root
// with the default printer open, the library's resource module reachable,
// the printer's model with default settings built, and printers of models
// made by the model writer.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/access/setting_access.h"
#include "settings/access/setting_values.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/settings_buffers.h"
#include "settings/stored_settings/stored_fixture.h"

namespace pk::test {

class ChoicesTest : public StoredSettingsTest {
 protected:
  void SetUp() override {
    StoredSettingsTest::SetUp();
    pk::seams::SetOsVersion(6, 1);
    InstallInDriverFolder(PK_MODEL_TEST_STRINGS, u"ModelTest.vbn");
    module_ = GetResourceModule();
    ASSERT_NE(module_, nullptr);
    UsePrinter(printer_);
  }
  void TearDown() override {
    CloseDeviceModel(model_);
    model_ = nullptr;
    StoredSettingsTest::TearDown();
  }
  // Opens the printer's model and builds default settings from it.
  void UsePrinter(HANDLE printer) {
    CloseDeviceModel(model_);
    current_ = printer;
    model_ = OpenDeviceModel(printer);
    ASSERT_NE(model_, nullptr);
    b_ = SettingsBuffers();
    BuildDefaultSettings(model_, b_.devMode.data(), b_.settings.data(), u"Office");
  }
  // Adds a printer of the writer's model and uses it.
  void UseModel(const char16_t* name, ddd::ModelWriter writer) {
    writer.SetTextField(36, {ddd::Text::Plain("ModelTest.vbn")});
    HANDLE printer = AddModelPrinter(name, writer);
    ASSERT_NE(printer, nullptr);
    UsePrinter(printer);
  }
  void Put(SettingId id, SettingValueType type, uint64_t value, UINT size) {
    ASSERT_EQ(SetSettingValue(id, b_.devMode.data(), b_.settings.data(), type, size, &value), kSettingOk) << id;
  }
  // A number in the setting's own type.
  void Set(SettingId id, uint64_t value) {
    SettingValueType type = 0;
    ASSERT_EQ(
        LookupSettingField(id, &type, nullptr, nullptr, nullptr, devMode(), settings(), nullptr, nullptr, nullptr),
        kSettingOk)
        << id;
    UINT size = 0;
    GetValueTypeSize(id, type, &size);
    ASSERT_EQ(SetSettingValue(id, devMode(), settings(), type, size, &value), kSettingOk) << id;
  }
  // A text, given as the address of a variable holding the text's address.
  void PutText(SettingId id, const std::u16string& text) {
    const uint64_t address = reinterpret_cast<uintptr_t>(text.c_str());
    ASSERT_EQ(SetSettingValue(id, devMode(), settings(), kSettingTypeText, static_cast<UINT>((text.size() + 1) * 2),
                              &address),
              kSettingOk)
        << id;
  }
  uint32_t Value(SettingId id) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    EXPECT_EQ(GetSettingValue(id, b_.devMode.data(), b_.settings.data(), &type, &size, &v), kSettingOk) << id;
    return ReadValueAsUInt32(type, &v);
  }
  void* devMode() { return b_.devMode.data(); }
  void* settings() { return b_.settings.data(); }

  HMODULE module_ = nullptr;
  DeviceModel* model_ = nullptr;
  HANDLE current_ = nullptr;
  SettingsBuffers b_;
};

// A paper of the writer: size pair 1 and margins of 4.2 mm.
inline void AddWriterPaper(ddd::ModelWriter* w, uint16_t key, const std::string& name, int16_t width, int16_t length) {
  w->AddPaper(key, ddd::Text::Plain(name), 0, {{width, length}, {width, length}}, {{42, 42}, {42, 42}},
              {{42, 42}, {static_cast<int16_t>(width - 42), static_cast<int16_t>(length - 42)}}, key, key, 0);
}

}  // namespace pk::test
