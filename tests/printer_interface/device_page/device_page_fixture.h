// The device page and its dialogs opened from their templates in Tarquen on
// a sheet of the default printer (or of a writer-made model), with the
// settings read back from the sheet's working pair.
#pragma once

#include <string>

#include "page_harness.h"
#include "platform/spooler/spooler_seams.h"
#include "platform/ui/user.h"
#include "platform/ui/win_dialog.h"
#include "platform/win/win_seams.h"
#include "printer_interface/pages/device_page.h"

namespace pk::test {

// The list's settings in line order.
inline constexpr WORD kDeviceListOrder[] = {1031, 1032, 1042, 1044, 1043, 1035, 1056, 1057, 1026,
                                            1027, 1033, 1036, 1028, 1029, 1030, 1038, 1050, 1055};

class DevicePageTest : public PageHarness {
 protected:
  void SetUp() override {
    PageHarness::SetUp();
    list_ = GetPageList(&listCount_);
  }

  // Writes a setting into the buffers a sheet made next is copied from.
  void SetNumber(WORD id, SettingValueType type, int32_t value, void* devMode = nullptr, void* settings = nullptr) {
    if (!devMode) devMode = buffers_.devMode.data();
    if (!settings) settings = buffers_.settings.data();
    UINT size = type == kSettingTypeUInt16 || type == kSettingTypeInt16 ? 2 : type == kSettingTypeUInt8 ? 1 : 4;
    ASSERT_EQ(SetSettingValue(id, devMode, settings, type, size, &value), kSettingOk) << id;
  }
  void SetText(WORD id, const std::u16string& text, void* devMode = nullptr, void* settings = nullptr) {
    if (!devMode) devMode = buffers_.devMode.data();
    if (!settings) settings = buffers_.settings.data();
    const char16_t* address = text.c_str();
    ASSERT_EQ(
        SetSettingValue(id, devMode, settings, kSettingTypeText, static_cast<UINT>(text.size() * 2 + 2), &address),
        kSettingOk)
        << id;
  }

  // A setting of a sheet's working pair (the test sheet's by default).
  int32_t Number(WORD id, const SheetContext* sheet = nullptr) {
    if (!sheet) sheet = sheet_;
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    EXPECT_EQ(GetSettingValue(id, sheet->working.devMode, sheet->working.settings, &type, &size, &v), kSettingOk);
    return static_cast<int32_t>(v);
  }
  std::u16string Text(WORD id, const SheetContext* sheet = nullptr) {
    if (!sheet) sheet = sheet_;
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    EXPECT_EQ(GetSettingValue(id, sheet->working.devMode, sheet->working.settings, &type, &size, &v), kSettingOk);
    const auto* text = reinterpret_cast<const char16_t*>(static_cast<uintptr_t>(v));
    return text ? std::u16string(text) : std::u16string();
  }

  // The user may change the printer, or not: the spooler refuses a user
  // that is no administrator the probe write the printer properties make.
  INT ProbePermission(bool administrator) {
    pk::seams::SetUserIsAdministrator(administrator);
    const DWORD one = 1;
    return SetPrinterDataW(printer_, u"Permission", REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4) == ERROR_SUCCESS
               ? 1
               : 0;
  }

  SheetContext* MakeDeviceSheet(INT permission = 1) { return MakeSheet(list_, listCount_, permission); }

  // The device page as a top page of the sheet, activated.
  HWND OpenDevicePage(INT permission = 1) {
    MakeDeviceSheet(permission);
    PROPSHEETPAGEW psp{};
    psp.lParam = reinterpret_cast<LPARAM>(sheet_);
    HWND page = CreateDialogParamW(GetPagesResourceModule(), MAKEINTRESOURCEW(kDevicePageTemplate), frame_,
                                   &DevicePageProc, reinterpret_cast<LPARAM>(&psp));
    EXPECT_NE(page, nullptr);
    pages_.push_back(page);
    ShowWindow(page, SW_SHOW);  // as the sheet shows its active page
    Notify(page, PSN_SETACTIVE);
    return page;
  }

  // Closes the page and frees its sheet (before the next sheet is made).
  void CloseDevicePage(HWND page) {
    DestroyWindow(page);
    FreeSheetContext(sheet_);
    sheet_ = nullptr;
  }

  // A modeless copy of a sub-dialog on a sheet (for looking inside at once).
  HWND OpenDialog(UINT templateId, DLGPROC procedure, SheetContext* sheet) {
    HWND dialog = CreateDialogParamW(GetPagesResourceModule(), MAKEINTRESOURCEW(templateId), frame_, procedure,
                                     reinterpret_cast<LPARAM>(sheet));
    EXPECT_NE(dialog, nullptr);
    pages_.push_back(dialog);
    ShowWindow(dialog, SW_SHOW);
    return dialog;
  }

  void SelectSetting(HWND page, WORD id) {
    for (int i = 0; i < 18; ++i)
      if (kDeviceListOrder[i] == id) {
        ASSERT_TRUE(pk::ui::Select(GetDlgItem(page, kDeviceList), i)) << id;
        return;
      }
    FAIL() << "not on the list: " << id;
  }

  // A message box text of the resource module, formatted.
  static std::u16string ResourceText(UINT id) {
    WCHAR text[512] = {};
    LoadStringW(GetPagesResourceModule(), id, text, 512);
    return text;
  }

  const PageEntry* list_ = nullptr;
  INT listCount_ = 0;
};

}  // namespace pk::test
