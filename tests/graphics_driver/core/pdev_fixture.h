// A PDEV of the default printer of a fresh machine root: its working DEVMODE
// and printer settings block hold the model's defaults; settings are set by id
// in the type they read as.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics_driver/core/pdev_state.h"
#include "models/writer/ddd_writer.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_seams.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/model/device_model.h"
#include "settings/services/spooler_records.h"

namespace pk::test {

// Writes a writer-made model's primary file into the machine root and loads
// it: the new handle (closed by the caller), or null.
inline DeviceModel* LoadWriterModel(const ddd::ModelWriter& writer, const std::u16string& path) {
  std::vector<uint8_t> primary, secondary;
  writer.Build(&primary, &secondary);
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return nullptr;
  DWORD n = 0;
  bool written = WriteFile(f, primary.data(), DWORD(primary.size()), &n, nullptr) && n == primary.size();
  CloseHandle(f);
  DeviceModel* model = written ? AllocDeviceModelHandle() : nullptr;
  if (model && LoadModelFiles(path.c_str(), model->primary, model->secondary) != 0) {
    CloseDeviceModel(model);
    model = nullptr;
  }
  return model;
}

class PdevTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    ASSERT_TRUE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &printer_, nullptr)) << GetLastError();
    model_ = OpenDeviceModel(printer_);
    ASSERT_NE(model_, nullptr);
    pdev_ = std::make_unique<PdevState>();
    settings_.assign(kPrinterSettingsBlockSize, 0);
    pdev_->signature = pdev_->trailerSignature = kPdevSignature;
    pdev_->printerSettings = settings_.data();
    pdev_->printer = printer_;
    pdev_->primaryModelFile = model_->primary;
    pdev_->secondaryModelFile = model_->secondary;
    ASSERT_EQ(BuildDefaultSettings(model_, &pdev_->devmode, settings_.data(), PK_DEFAULT_PRINTER_NAME), 1);
  }
  void TearDown() override {
    if (model_) CloseDeviceModel(model_);
    if (printer_) ClosePrinter(printer_);
  }

  // Writes a number in the type and size the setting reads as.
  void Set(SettingId id, int64_t value) {
    uint64_t old = 0;
    SettingValueType type = 0;
    UINT size = 0;
    ASSERT_EQ(GetSettingValue(id, &pdev_->devmode, settings_.data(), &type, &size, &old), kSettingOk) << id;
    uint64_t v = static_cast<uint64_t>(value);
    ASSERT_EQ(SetSettingValue(id, &pdev_->devmode, settings_.data(), type, size, &v), kSettingOk) << id;
  }
  void SetText(SettingId id, const std::u16string& text) {
    const WCHAR* p = text.c_str();
    ASSERT_EQ(SetSettingValue(id, &pdev_->devmode, settings_.data(), kSettingTypeText,
                              static_cast<UINT>((text.size() + 1) * 2), &p),
              kSettingOk)
        << id;
  }
  PdevState* pdev() { return pdev_.get(); }

  HANDLE printer_ = nullptr;
  DeviceModel* model_ = nullptr;
  std::unique_ptr<PdevState> pdev_;
  std::vector<BYTE> settings_;
};

}  // namespace pk::test
