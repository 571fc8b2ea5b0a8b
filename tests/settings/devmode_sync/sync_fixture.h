// Helpers of the synchronisation, merge and conversion tests: a fresh root
// whose default printer carries the default model, default blocks built
// from that model, setting access by id in the setting's own type, and the
// spooler's default DEVMODE of a printer set straight in the machine store.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/spooler_seams.h"
#include "platform/spooler/winspool.h"
#include "platform/win/machine_db.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "settings/model/device_model.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/settings_buffers.h"

namespace pk::test {

// The setting's value as a number of the type it reads as (texts: 0).
inline int64_t GetId(SettingId id, const void* devMode, const void* settings = nullptr) {
  uint64_t v = 0;
  SettingValueType type = 0;
  UINT size = 0;
  EXPECT_EQ(GetSettingValue(id, devMode, settings, &type, &size, &v), kSettingOk) << "read " << id;
  switch (type) {
    case kSettingTypeInt16: return static_cast<int16_t>(v);
    case kSettingTypeUInt16: return static_cast<uint16_t>(v);
    case kSettingTypeUInt8: return static_cast<uint8_t>(v);
    case kSettingTypeInt32:
    case kSettingTypeSInt32: return static_cast<int32_t>(v);
    case kSettingTypeText: return 0;
    default: return static_cast<uint32_t>(v);
  }
}

// Writes a number in the type and size the setting reads as.
inline void SetId(SettingId id, void* devMode, void* settings, int64_t value) {
  uint64_t old = 0;
  SettingValueType type = 0;
  UINT size = 0;
  ASSERT_EQ(GetSettingValue(id, devMode, settings, &type, &size, &old), kSettingOk) << "read " << id;
  uint64_t v = static_cast<uint64_t>(value);
  ASSERT_EQ(SetSettingValue(id, devMode, settings, type, size, &v), kSettingOk) << "write " << id;
}

inline std::u16string GetText(SettingId id, const void* devMode, const void* settings = nullptr) {
  uint64_t v = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (GetSettingValue(id, devMode, settings, &type, &size, &v) != kSettingOk) return u"<unreadable>";
  return TextAt(reinterpret_cast<const BYTE*>(static_cast<uintptr_t>(v)));
}

inline void SetText(SettingId id, void* devMode, void* settings, const std::u16string& text) {
  const WCHAR* p = text.c_str();
  ASSERT_EQ(SetSettingValue(id, devMode, settings, kSettingTypeText, static_cast<UINT>((text.size() + 1) * 2), &p),
            kSettingOk);
}

// Sets a printer's default DEVMODE as the spooler keeps it; empty: none.
inline void SetSpoolerDevMode(const std::u16string& printer, const std::vector<BYTE>& devMode) {
  PkMachineDbTransaction tx(true);
  ASSERT_TRUE(tx.ok());
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(tx.db(), "UPDATE spl_printers SET devmode = ?1 WHERE name = ?2", -1, &st, nullptr),
            SQLITE_OK);
  sqlite3_bind_blob(st, 1, devMode.data(), static_cast<int>(devMode.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text16(st, 2, printer.c_str(), static_cast<int>(printer.size() * 2), SQLITE_TRANSIENT);
  EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
  EXPECT_EQ(sqlite3_changes(tx.db()), 1);
  sqlite3_finalize(st);
  EXPECT_TRUE(tx.commit());
}

// The default printer of a fresh root, its model, and a WorkingDevMode and
// printer settings block holding the model's defaults.
class DefaultPrinterTest : public ::testing::Test {
 protected:
  static constexpr const char16_t* kPrinter = PK_DEFAULT_PRINTER_NAME;

  void SetUp() override {
    // The printer and forms as the spooler alone leaves them.
    pk::seams::SetPrinterEventCalls(false);
    pk::seams::UseTemporaryMachineRoot();
    ASSERT_TRUE(OpenPrinterW(kPrinter, &printer_, nullptr)) << GetLastError();
    model_ = OpenDeviceModel(printer_);
    ASSERT_NE(model_, nullptr);
    ASSERT_EQ(BuildDefaultSettings(model_, buffers_.devMode.data(), buffers_.settings.data(), kPrinter), 1);
  }
  void TearDown() override {
    if (model_) CloseDeviceModel(model_);
    if (printer_) ClosePrinter(printer_);
  }

  // A DriverDevMode (2628 bytes) of the model's defaults for the printer.
  std::vector<BYTE> DefaultDriverDevMode() const {
    return std::vector<BYTE>(buffers_.devMode.begin(), buffers_.devMode.begin() + kDriverDevModeSize);
  }
  BYTE* dm() { return buffers_.devMode.data(); }
  BYTE* st() { return buffers_.settings.data(); }

  HANDLE printer_ = nullptr;
  DeviceModel* model_ = nullptr;
  SettingsBuffers buffers_;
};

}  // namespace pk::test
