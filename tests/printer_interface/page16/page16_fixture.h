// The stamp text page and the about dialog opened from their own templates
// of the resource module on the framework's page harness: the default
// printer (or a writer-made model), the sheet over the page list, the layer's
// clock at 3 November 2025, 14:05, and message boxes answered by scripts.
#pragma once

#include <string>
#include <vector>

#include "page_harness.h"
#include "platform/gdi/printer_dc.h"
#include "platform/ui/user.h"
#include "platform/ui/win_paint.h"
#include "platform/win/win_seams.h"
#include "printer_interface/controls/control_kinds.h"
#include "printer_interface/pages/about_dialog.h"
#include "printer_interface/pages/page16_stamp_text.h"
#include "settings/conflict_actions/conflict_actions.h"
#include "settings/services/module_state.h"
#include "settings/store/stamp_store.h"

namespace pk::test {

class Page16Test : public PageHarness {
 protected:
  void SetUp() override {
    PageHarness::SetUp();
    SetPageConstraintPass(RunSheetRangePass);
    GetPageList(nullptr);  // the pages' rows are installed once
    SYSTEMTIME now{2025, 11, 1, 3, 14, 5, 0, 0};
    pk::seams::SetClock(now, 1000);
  }
  void TearDown() override {
    for (HWND d : dialogs_)
      if (IsWindow(d)) DestroyWindow(d);
    SetPageConstraintPass(nullptr);
    PageHarness::TearDown();
  }

  SheetContext* Sheet(INT permission = 1) {
    if (sheet_) return sheet_;
    INT count = 0;
    const PageEntry* list = GetPageList(&count);
    return MakeSheet(list, count, permission);
  }

  // Page 16 from template 524 with its own procedure, activated.
  HWND OpenStampPage(INT permission = 1) {
    Sheet(permission);
    PROPSHEETPAGEW psp{};
    psp.lParam = reinterpret_cast<LPARAM>(sheet_);
    HWND page = CreateDialogParamW(GetPagesResourceModule(), MAKEINTRESOURCEW(kStampPageTemplate), frame_,
                                   &StampPageProc, reinterpret_cast<LPARAM>(&psp));
    EXPECT_NE(page, nullptr);
    if (page) {
      pages_.push_back(page);
      Notify(page, PSN_SETACTIVE);
    }
    return page;
  }

  // The about dialog, modeless, from template 510 (or another template of a module).
  HWND OpenAbout(HMODULE module = nullptr, UINT templateId = kAboutTemplate) {
    Sheet();
    HWND dialog = CreateDialogParamW(module ? module : GetPagesResourceModule(), MAKEINTRESOURCEW(templateId), frame_,
                                     &AboutDialogProc, reinterpret_cast<LPARAM>(sheet_));
    EXPECT_NE(dialog, nullptr);
    if (dialog) {
      dialogs_.push_back(dialog);
      ShowWindow(dialog, SW_SHOW);
    }
    return dialog;
  }

  // The working settings before the sheet is made (the defaults), or the sheet's.
  void* DevMode() { return sheet_ ? sheet_->working.devMode : buffers_.devMode.data(); }
  void* Settings() { return sheet_ ? sheet_->working.settings : buffers_.settings.data(); }

  void SetText(WORD id, const std::u16string& text) {
    const WCHAR* p = text.c_str();
    const UINT size = id == kStampNameSetting ? 66 : 130;
    ASSERT_EQ(SetSettingValue(id, DevMode(), Settings(), kSettingTypeText, size, &p), kSettingOk) << id;
  }
  void SetNumber(WORD id, uint32_t value) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t current = 0;
    ASSERT_EQ(GetSettingValue(id, DevMode(), Settings(), &type, &size, &current), kSettingOk) << id;
    ASSERT_EQ(SetSettingValue(id, DevMode(), Settings(), type, size, &value), kSettingOk) << id;
  }
  uint64_t Number(WORD id) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    GetSettingValue(id, DevMode(), Settings(), &type, &size, &v);
    return v;
  }
  std::u16string Text(WORD id) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    GetSettingValue(id, DevMode(), Settings(), &type, &size, &v);
    const auto* text = reinterpret_cast<const char16_t*>(static_cast<uintptr_t>(v));
    return text ? std::u16string(text) : u"";
  }

  StampRecord Working() {
    StampRecord record{};
    EXPECT_EQ(BuildStampRecord(model_, DevMode(), Settings(), &record), 1);
    return record;
  }
  StampRecord Stored(const char16_t* name) {
    StampRecord record{};
    EXPECT_EQ(ReadStampRecord(printer_, name, &record, FALSE, model_), kStampOk) << std::u16string(name).size();
    return record;
  }
  // A stamp of the name with distinct values in every field.
  static StampRecord MakeStamp(const std::u16string& name, const std::u16string& text, COLORREF colour) {
    StampRecord r{};
    std::copy(name.begin(), name.end(), r.name);
    std::copy(text.begin(), text.end(), r.text);
    r.color = colour;
    r.style = 3;
    r.frame = 1;
    r.mode = 2;
    r.position = 0x301;
    r.offset = 1;
    r.font.lfHeight = 48;
    r.font.lfWeight = 700;
    r.font.lfEscapement = 450;
    r.font.lfCharSet = 128;
    std::copy_n(u"DejaVu Sans", 11, r.font.lfFaceName);
    return r;
  }
  // Writes the record's nine settings into the working settings.
  void PutWorking(const StampRecord& r) {
    SetText(kStampNameSetting, r.name);
    SetText(kStampTextSetting, r.text);
    SetNumber(301, r.color);
    SetNumber(300, r.style);
    SetNumber(455, static_cast<uint32_t>(r.frame));
    SetNumber(302, r.mode);
    SetNumber(303, r.position);
    SetNumber(456, static_cast<uint32_t>(r.offset));
    const LOGFONTW* font = &r.font;
    ASSERT_EQ(SetSettingValue(304, DevMode(), Settings(), kSettingTypeFontRecord, sizeof(LOGFONTW), &font), kSettingOk);
  }

  static std::u16string ResourceString(UINT id) {
    WCHAR text[512] = {};
    LoadStringW(GetResourceModule(), id, text, 512);
    return text;
  }
  // The texts of the message boxes shown so far.
  static std::vector<std::u16string> Boxes() {
    std::vector<std::u16string> texts;
    for (const auto& call : pk::seams::MessageBoxCalls()) texts.push_back(call.text);
    return texts;
  }

  std::vector<HWND> dialogs_;
};

inline bool SameRecord(const StampRecord& a, const StampRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace pk::test
