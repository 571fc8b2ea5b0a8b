// Helpers of the stored settings tests: a fresh machine root with its default
// printer open, the library's resource module reachable (string 5052 and the
// rest of Tarquen), registry keys under the current user, and printers of
// models written by the model writer.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "models/model_fixture.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/spooler_seams.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "settings/services/module_state.h"
#include "settings/store/printer_id.h"

namespace pk::test {

// Header field 34 of the default printer's model.
inline const std::u16string kUserBase = u"Software\\Caldrix\\KZ TRD Printer Driver\\Printers\\";

inline std::u16string Hex(const PrinterId& id) {
  WCHAR hex[kPrinterIdHexChars];
  EXPECT_EQ(FormatPrinterIdHex(&id, hex, kPrinterIdHexChars), 1);
  return hex;
}

inline bool UserKeyExists(const std::u16string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Creates the key with a value; `attributes` (when not negative) as its
// 4-byte default value.
inline void MakeUserKey(const std::u16string& path, long long attributes = -1) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
  const DWORD one = 1;
  ASSERT_EQ(RegSetValueExW(key, u"Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
  if (attributes >= 0) {
    const DWORD a = static_cast<DWORD>(attributes);
    ASSERT_EQ(RegSetValueExW(key, u"", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&a), 4), ERROR_SUCCESS);
  }
  RegCloseKey(key);
}

// The bytes and type of a value under HKEY_CURRENT_USER; false when absent.
inline bool ReadUserKeyValue(const std::u16string& path, const char16_t* name, std::vector<BYTE>* data,
                             DWORD* type = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD t = 0, size = 0;
  bool ok = RegQueryValueExW(key, name, nullptr, &t, nullptr, &size) == ERROR_SUCCESS;
  if (ok) {
    data->assign(size, 0);
    ok = RegQueryValueExW(key, name, nullptr, &t, data->data(), &size) == ERROR_SUCCESS;
  }
  if (type) *type = t;
  RegCloseKey(key);
  return ok;
}

inline std::vector<BYTE> PrinterValue(HANDLE printer, const char16_t* name, DWORD* rc = nullptr) {
  DWORD type = 0, needed = 0;
  std::vector<BYTE> data(80000);
  DWORD r = GetPrinterDataW(printer, name, &type, data.data(), static_cast<DWORD>(data.size()), &needed);
  if (rc) *rc = r;
  data.resize(r == ERROR_SUCCESS ? needed : 0);
  return data;
}

inline bool HasPrinterValue(HANDLE printer, const char16_t* name) {
  DWORD rc = 0;
  PrinterValue(printer, name, &rc);
  return rc == ERROR_SUCCESS;
}

// A fresh root with the default printer open and the library's module state
// set up as at process attach, its own module in the driver folder.
class StoredSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The default printer as the spooler alone leaves it, without the
    // driver's set-up; tests of the printer events turn the calls back on.
    pk::seams::SetPrinterEventCalls(false);
    pk::seams::UseTemporaryMachineRoot();
    const std::u16string ownPath = std::u16string(PK_DRIVER_FOLDER) + u"StoredSettingsOwn.vbn";
    WriteWindowsFile(ownPath, ReadHostFile(PK_OWN_STRINGS));
    own_ = LoadLibraryW(ownPath.c_str());
    ASSERT_NE(own_, nullptr);
    InitModule(own_, ownPath.c_str());
    printer_ = Open(PK_DEFAULT_PRINTER_NAME);
    ASSERT_NE(printer_, nullptr);
  }
  void TearDown() override {
    for (HANDLE h : opened_) ClosePrinter(h);
    ReleaseModule();
    if (own_) FreeLibrary(own_);
  }
  HANDLE Open(const char16_t* name) {
    HANDLE h = nullptr;
    EXPECT_TRUE(OpenPrinterW(name, &h, nullptr)) << GetLastError();
    if (h) opened_.push_back(h);
    return h;
  }
  // Adds a printer whose data file is the writer's model.
  HANDLE AddModelPrinter(const char16_t* name, const ddd::ModelWriter& writer) {
    std::vector<uint8_t> primary, secondary;
    writer.Build(&primary, &secondary);
    const std::u16string path = std::u16string(u"C:\\models\\") + name + u".ddd";
    WriteWindowsFile(path, primary);
    EXPECT_EQ(pk::spooler::AddPrinter(name, path), 0u);
    return Open(name);
  }
  // The printer's id, made and stored when it has none.
  PrinterId IdOf(HANDLE printer) {
    PrinterId id{};
    if (!ReadPrinterId(printer, &id)) {
      EXPECT_EQ(MakePrinterId(printer, &id), 1);
      EXPECT_EQ(WritePrinterIdIfMissing(printer, &id), 1);
    }
    return id;
  }

  HMODULE own_ = nullptr;
  HANDLE printer_ = nullptr;
  std::vector<HANDLE> opened_;
};

}  // namespace pk::test
