// Helpers of the conflict action tests: a fresh root with the default
// printer, the library's module state pointing at Tarquen, the default
// printer's settings built from its model (or a writer-made model's), and
// the message boxes the code under test showed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/win_memory.h"
#include "platform/win/win_msgbox.h"
#include "settings/access/setting_access.h"
#include "settings/conflicts/constraint_result.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/model/device_model.h"
#include "settings/stored_settings/stored_fixture.h"
#include "settings/settings_buffers.h"

namespace pk::test {

// A window handle for the boxes' owner; the headless boxes only record it.
inline HWND TestOwner() { return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x4711)); }

// Takes a GlobalAlloc text and frees it.
inline std::u16string Take(WCHAR* text) {
  std::u16string s = text ? std::u16string(text) : std::u16string(u"<none>");
  if (text) GlobalFree(text);
  return s;
}

class ConflictActionsTest : public StoredSettingsTest {
 protected:
  void SetUp() override {
    StoredSettingsTest::SetUp();
    InstallInDriverFolder(PK_DEFAULT_MODEL_STRINGS, u"ORVC3600.vbn");
    model_ = OpenDeviceModel(printer_);
    ASSERT_NE(model_, nullptr);
    ASSERT_EQ(BuildDefaultSettings(model_, buffers_.devMode.data(), buffers_.settings.data(), PK_DEFAULT_PRINTER_NAME),
              1);
    result_ = AllocConstraintResult();
    ASSERT_NE(result_, nullptr);
  }
  void TearDown() override {
    FreeConstraintResult(result_);
    if (model_) CloseDeviceModel(model_);
    StoredSettingsTest::TearDown();
  }
  // Switches to a printer of a writer-made model, with its defaults.
  void UseModel(const ddd::ModelWriter& writer) {
    CloseDeviceModel(model_);
    const std::u16string name = u"Written " + std::u16string(1, static_cast<char16_t>(u'A' + written_++));
    HANDLE printer = AddModelPrinter(name.c_str(), writer);
    ASSERT_NE(printer, nullptr);
    model_ = OpenDeviceModel(printer);
    ASSERT_NE(model_, nullptr);
    printer_ = printer;
    buffers_ = SettingsBuffers{};
    BuildDefaultSettings(model_, buffers_.devMode.data(), buffers_.settings.data(), name.c_str());
  }
  SettingsContext Context() { return SettingsContext{model_, buffers_.devMode.data(), buffers_.settings.data()}; }

  template <typename T>
  void Set(SettingId id, SettingValueType type, T value) {
    ASSERT_EQ(SetSettingValue(id, buffers_.devMode.data(), buffers_.settings.data(), type, sizeof(T), &value), 0) << id;
  }
  void SetText(SettingId id, const std::u16string& text) {
    const WCHAR* p = text.c_str();
    ASSERT_EQ(SetSettingValue(id, buffers_.devMode.data(), buffers_.settings.data(), 6,
                              static_cast<UINT>(text.size() * 2 + 2), &p),
              0)
        << id;
  }
  int64_t Get(SettingId id) {
    SettingValueType type;
    UINT size;
    uint64_t v = 0;
    EXPECT_EQ(GetSettingValue(id, buffers_.devMode.data(), buffers_.settings.data(), &type, &size, &v), 0) << id;
    if (type == kSettingTypeInt16) return static_cast<int16_t>(v);
    if (type == kSettingTypeSInt32 || type == kSettingTypeFontField) return static_cast<int32_t>(v);
    return static_cast<int64_t>(v);
  }
  std::u16string GetText(SettingId id) {
    SettingValueType type;
    UINT size;
    const WCHAR* p = nullptr;
    EXPECT_EQ(GetSettingValue(id, buffers_.devMode.data(), buffers_.settings.data(), &type, &size, &p), 0) << id;
    return p ? std::u16string(p) : std::u16string();
  }
  // The ids of a zero-terminated list, which is freed.
  static std::vector<WORD> TakeIds(WORD* list) {
    std::vector<WORD> ids;
    if (list == nullptr) return ids;
    for (WORD* p = list; *p != 0; ++p) ids.push_back(*p);
    GlobalFree(list);
    return ids;
  }
  static std::vector<seams::MessageBoxCall> Boxes() { return seams::MessageBoxCalls(); }

  DeviceModel* model_ = nullptr;
  SettingsBuffers buffers_;
  ConstraintResult* result_ = nullptr;
  int written_ = 0;
};

// The strings of Tarquen the tests compare with.
inline const std::u16string kCaption = u"Printer Settings";

}  // namespace pk::test
