// Helpers of the default and validation tests: the default printer's model
// (or a variant of it) with a working DEVMODE and a settings block, and
// reads of single settings.
#pragma once

#include <cstring>
#include <string>

#include "settings/model_queries/query_fixture.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/access/setting_values.h"
#include "settings/settings_buffers.h"

namespace pk::test {

class DefaultsTest : public DefaultModelFixture {
 protected:
  void SetUp() override {
    DefaultModelFixture::SetUp();
    pk::seams::SetOsVersion(6, 1);
  }
  // Loads a variant of the default model written by the build.
  void LoadVariant(const char* name) {
    std::u16string path = u"C:\\drivers\\" + std::u16string(name, name + std::strlen(name)) + u".DDD";
    WriteWindowsFile(path, ReadHostFile(std::string(PK_MODEL_VARIANT_FOLDER) + "/" + name + ".DDD"));
    ASSERT_EQ(LoadPath(path), 0);
  }
  int Build(const WCHAR* printerName = u"Office", bool withSettings = true) {
    return BuildDefaultSettings(model_, b_.devMode.data(), withSettings ? b_.settings.data() : nullptr, printerName);
  }
  // A setting as an unsigned number.
  uint32_t Value(SettingId id) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    EXPECT_EQ(GetSettingValue(id, b_.devMode.data(), b_.settings.data(), &type, &size, &v), kSettingOk) << id;
    return ReadValueAsUInt32(type, &v);
  }
  // A text or record setting: its address inside the buffers.
  const BYTE* Address(SettingId id) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    EXPECT_EQ(GetSettingValue(id, b_.devMode.data(), b_.settings.data(), &type, &size, &v), kSettingOk) << id;
    return reinterpret_cast<const BYTE*>(static_cast<uintptr_t>(v));
  }
  std::u16string TextOf(SettingId id) {
    const BYTE* p = Address(id);
    return p ? TextAt(p) : u"<none>";
  }
  void Put(SettingId id, SettingValueType type, uint64_t value, UINT size) {
    ASSERT_EQ(SetSettingValue(id, b_.devMode.data(), b_.settings.data(), type, size, &value), kSettingOk) << id;
  }
  int Validate(SettingId id, int operation) {
    return ValidateSettingValue(model_, id, b_.devMode.data(), b_.settings.data(), operation);
  }

  SettingsBuffers b_;
};

}  // namespace pk::test
