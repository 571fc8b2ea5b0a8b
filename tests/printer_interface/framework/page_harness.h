// Opens any page or sub-dialog of the page tables on headless dialogs over a
// SheetContext made from a printer, without compstui: a sheet frame, the
// page dialog with a control for every row, label and further control of its
// set and the common push buttons, its dialog procedure the framework's.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/ui/win_controls.h"
#include "platform/ui/win_dialog.h"
#include "platform/win/win_memory.h"
#include "printer_interface/framework/page_framework.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/model/device_model.h"
#include "settings/settings_buffers.h"
#include "settings/stored_settings/stored_fixture.h"

namespace pk::test {

class PageHarness : public StoredSettingsTest {
 protected:
  void SetUp() override {
    StoredSettingsTest::SetUp();
    InstallInDriverFolder(PK_DEFAULT_MODEL_STRINGS, u"ORVC3600.vbn");
    model_ = OpenDeviceModel(printer_);
    ASSERT_NE(model_, nullptr);
    ASSERT_EQ(BuildDefaultSettings(model_, buffers_.devMode.data(), buffers_.settings.data(), PK_DEFAULT_PRINTER_NAME),
              1);
    frame_ = CreateWindowExW(0, WC_DIALOGW, u"sheet", WS_VISIBLE, 0, 0, 400, 400, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    for (HWND page : pages_)
      if (IsWindow(page)) DestroyWindow(page);
    if (frame_) DestroyWindow(frame_);
    for (SheetContext* copy : copies_) FreeSheetContextCopy(copy);
    FreeSheetContext(sheet_);
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

  // The sheet on the default settings (or none) with the given page list.
  SheetContext* MakeSheet(const PageEntry* entries, INT count, INT permission = 1, bool withSettings = true) {
    sheet_ = CreateSheetContext(printer_, model_, buffers_.devMode.data(),
                                withSettings ? buffers_.settings.data() : nullptr, permission, kSheetModePreferences);
    EXPECT_NE(sheet_, nullptr);
    if (sheet_) {
      EXPECT_EQ(BuildPageControlIndex(sheet_->state, entries, count), 1);
    }
    return sheet_;
  }

  static INT_PTR PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LONG_PTR tag = GetWindowLongPtrW(window, GWLP_USERDATA);
    return RunPageProcedure(window, message, wParam, lParam, static_cast<INT>(tag >> 8) - 16,
                            static_cast<INT>(tag & 0xFF));
  }

  HWND AddControl(HWND page, INT id, const char16_t* cls = u"Button") {
    if (id == kNoControl || GetDlgItem(page, id)) return GetDlgItem(page, id);
    return CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, page,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  }

  // Opens the page of that id as a dialog of that kind on the context (the
  // sheet's own unless given) and sends WM_INITDIALOG.
  HWND OpenPage(INT pageId, INT kind, SheetContext* context = nullptr) {
    if (!context) context = sheet_;
    HWND page = CreateWindowExW(0, WC_DIALOGW, u"page", WS_CHILD | WS_VISIBLE, 0, 0, 300, 300, frame_, nullptr, nullptr,
                                nullptr);
    pages_.push_back(page);
    if (const PageControlSet* set = GetPageControlSet(context->state, pageId)) {
      for (UINT i = 0; i < set->rowCount; ++i) {
        AddControl(page, set->rows[i].controlId);
        AddControl(page, set->rows[i].labelId, u"Static");
      }
      for (const INT* id = set->furtherControls; id && *id != kNoControl; ++id) AddControl(page, *id);
    }
    for (const ControlRow& row : kCommonPushButtons) AddControl(page, row.controlId);
    SetWindowLongPtrW(page, GWLP_USERDATA, ((pageId + 16) << 8) | kind);
    SetWindowLongPtrW(page, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&PageProc));
    PROPSHEETPAGEW psp{};
    psp.lParam = reinterpret_cast<LPARAM>(context);
    SendMessageW(page, WM_INITDIALOG, 0,
                 kind == kDialogTopPage ? reinterpret_cast<LPARAM>(&psp) : reinterpret_cast<LPARAM>(context));
    return page;
  }

  LRESULT Notify(HWND page, UINT code, LPARAM lParam = 0) {
    PSHNOTIFY notify{};
    notify.hdr.hwndFrom = frame_;
    notify.hdr.code = code;
    notify.lParam = lParam;
    return SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
  }

  // A handler context of an open page, as the framework makes for a message.
  HandlerContext ContextOf(HWND page, INT pageId) {
    HandlerContext context{};
    InitHandlerContext(&context, page, frame_, pageId, 0);
    GetPageControlRows(context.sheet->state, pageId, &context.rows, &context.rowCount);
    return context;
  }

  SheetContext* CopyFor(SheetContext* sheet) {
    SheetContext* copy = CopySheetContext(sheet);
    copies_.push_back(copy);
    return copy;
  }

  int16_t Read16(const void* devMode, const void* settings, WORD id) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    GetSettingValue(id, devMode, settings, &type, &size, &v);
    return static_cast<int16_t>(v);
  }

  DeviceModel* model_ = nullptr;
  SettingsBuffers buffers_;
  HWND frame_ = nullptr;
  SheetContext* sheet_ = nullptr;
  std::vector<HWND> pages_;
  std::vector<SheetContext*> copies_;
  int written_ = 0;
};

}  // namespace pk::test
