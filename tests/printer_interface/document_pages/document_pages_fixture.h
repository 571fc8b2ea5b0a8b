// Document pages 0 and 2 and the margins and offsets dialog opened from their
// templates in the resource module over a sheet of the page list, with the
// framework's page harness underneath.
#pragma once

#include <cstdio>
#include <string>

#include "page_harness.h"
#include "platform/ui/user.h"
#include "platform/ui/win_paint.h"
#include "platform/win/win_resource.h"
#include "platform/win/win_seams.h"
#include "printer_interface/controls/control_kinds.h"
#include "printer_interface/pages/document_pages.h"
#include "settings/conflict_actions/conflict_actions.h"
#include "settings/services/module_state.h"

namespace pk::test {

inline std::string Shell(const std::string& command) {
  std::string out;
  FILE* f = popen(command.c_str(), "r");
  if (!f) return out;
  char buf[512];
  while (size_t n = fread(buf, 1, sizeof buf, f)) out.append(buf, n);
  return pclose(f) == 0 ? out : "failed: " + out;
}

class DocumentPagesTest : public PageHarness {
 protected:
  void SetUp() override {
    PageHarness::SetUp();
    // The sheet's OK button, where a scaled paper that does not fit sends the focus.
    AddControl(frame_, 1);
    // Room for a whole page in the snapshots.
    SetWindowPos(frame_, nullptr, 0, 0, 1000, 800, SWP_NOZORDER | SWP_NOMOVE);
    // The page pass the library registers when it is attached.
    SetPageConstraintPass(&RunSheetRangePass);
  }
  void TearDown() override {
    SetPageConstraintPass(nullptr);
    PageHarness::TearDown();
  }

  // The sheet over the page list, on the settings as they are now.
  SheetContext* Sheet(INT permission = 1) {
    if (sheet_) return sheet_;
    INT count = 0;
    const PageEntry* list = GetPageList(&count);
    return MakeSheet(list, count, permission);
  }

  // A top page made from its template and activated.
  HWND OpenTop(UINT templateId, DLGPROC procedure) {
    Sheet();
    PROPSHEETPAGEW psp{};
    psp.lParam = reinterpret_cast<LPARAM>(sheet_);
    HWND page = CreateDialogParamW(GetResourceModule(), MAKEINTRESOURCEW(templateId), frame_, procedure,
                                   reinterpret_cast<LPARAM>(&psp));
    EXPECT_NE(page, nullptr) << templateId;
    if (!page) return nullptr;
    pages_.push_back(page);
    Notify(page, PSN_SETACTIVE);
    return page;
  }
  HWND OpenPage0() { return OpenTop(kPage0Template, &DocumentPage0Procedure); }
  HWND OpenPage2() { return OpenTop(kPage2Template, &DocumentPage2Procedure); }
  // The margins dialog made modeless on the sheet (it activates itself).
  HWND OpenMargins() {
    Sheet();
    HWND dialog = CreateDialogParamW(GetResourceModule(), MAKEINTRESOURCEW(kMarginsTemplate), frame_,
                                     &MarginsDialogProcedure, reinterpret_cast<LPARAM>(sheet_));
    EXPECT_NE(dialog, nullptr);
    if (dialog) pages_.push_back(dialog);
    return dialog;
  }

  // Writes a number into the working settings of the sheet (or the defaults
  // before the sheet).
  void SetNumber(WORD id, uint32_t value) {
    void* dm = sheet_ ? sheet_->working.devMode : buffers_.devMode.data();
    void* ps = sheet_ ? sheet_->working.settings : buffers_.settings.data();
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t current = 0;
    ASSERT_EQ(GetSettingValue(id, dm, ps, &type, &size, &current), 0) << id;
    ASSERT_EQ(SetSettingValue(id, dm, ps, type, size, &value), 0) << id;
  }
  int64_t Number(WORD id) {
    void* dm = sheet_ ? sheet_->working.devMode : buffers_.devMode.data();
    void* ps = sheet_ ? sheet_->working.settings : buffers_.settings.data();
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    GetSettingValue(id, dm, ps, &type, &size, &v);
    if (type == kSettingTypeInt16) return static_cast<int16_t>(v);
    return static_cast<int64_t>(v & (size >= 4 ? 0xFFFFFFFFu : size == 1 ? 0xFFu : 0xFFFFu));
  }

  static std::u16string Text(HWND dialog, int id) { return pk::ui::Text(GetDlgItem(dialog, id)); }

  // The setting the row of that control edits now.
  WORD CurrentSetting(HWND page, INT pageId, INT controlId) {
    HandlerContext context = ContextOf(page, pageId);
    const ControlRow* row = FindRowByControlId(context.rows, context.rowCount, controlId);
    const RowItem* item = row ? GetCurrentRowItem(&context, row) : nullptr;
    return item ? item->id : 0;
  }

  // Writes the window as a PNG snapshot kept with the build and checks it.
  void Snapshot(HWND window, const std::string& name) {
    const std::string path = std::string(PK_SNAPSHOT_DIR) + name + ".png";
    ASSERT_TRUE(pk::ui::RenderToPng(window, path));
    EXPECT_EQ(Shell("pngcheck -q '" + path + "'"), "");
  }
};

}  // namespace pk::test
