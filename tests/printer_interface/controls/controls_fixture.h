// Test pages of the generic control kinds: a writer-made model whose features
// give the choices, ranges and statuses the kinds are tried on, and a page of
// given rows opened on headless dialogs with a control of the row's kind for
// each row (the framework's page harness underneath).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "models/model_fixture.h"
#include "page_harness.h"
#include "settings/choices/icon_dib.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/ui/user.h"
#include "platform/ui/win_common_controls.h"
#include "platform/win/win_seams.h"
#include "printer_interface/controls/control_kinds.h"
#include "settings/conflict_actions/conflict_actions.h"
#include "settings/services/module_state.h"

namespace pk::test {

// Settings of the test model.
constexpr WORD kCheck = 330;     // On 1 (choice 0), Off 0 (choice 1, the default)
constexpr WORD kStatuses = 331;  // Plain 0, Disabled 1 (status 1), Hidden 2 (status 6), Other 3
constexpr WORD kStates = 332;    // None 0 and choices of statuses 2, 3, 5, 10, 11, 7
constexpr WORD kToggle = 335;    // Off 0, On 1
constexpr WORD kHiddenA = 342;   // the current choice is hidden
constexpr WORD kHiddenB = 343;
constexpr WORD kSmallRange = 336;  // 0 to 50
constexpr WORD kRadio = 345;       // Zero 0, One 1, Two 2
constexpr WORD kSigned = 274;      // -100 to 100
constexpr WORD kWideRange = 351;   // 0 to 4294967295
constexpr WORD kLength = 352;      // 0 to 20000; a change sets kPartner to B
constexpr WORD kLong = 373;        // 0 to 15000
constexpr WORD kText = 1033;       // a free text of 0 to 8 bytes
constexpr WORD kUnit = 1044;       // 0 millimetres, 1 inches
constexpr WORD kPartner = 339;     // A 0 (the default), B 1: B refuses kCheck's Off
constexpr WORD kFolder = 1051;     // a folder text whose default is "%ICM%\\profiles"

inline ddd::ModelWriter ControlsWriter() {
  using ddd::Text;
  using ddd::Value;
  ddd::ModelWriter w = SmallWriter();
  w.modelName = "Controls";
  w.SetTextField(30, {Text::Plain("C:\\Docs\\manual.pdf")});
  // Portrait is the default: the constraints hold while it is chosen.
  auto always = [&](uint16_t rule) {
    // The head names no value, so it stands for whichever option lists it.
    return w.AddConstraint(7, ddd::Condition{0, 1, 7, Value{}}, rule, Text::Plain("Rule"),
                           {ddd::Chained{ddd::Condition{0, 1, 7, Value::I16(1)}, 3}});
  };
  const uint16_t disabled = always(1), hidden = always(6);
  const uint16_t status2 = always(2), status3 = always(3), status5 = always(5), status10 = always(10),
                 status11 = always(11), status7 = always(7);
  // A change of kLength is written with the partner set to B.
  const uint16_t lengthSetsPartner = w.AddConstraint(7, ddd::Condition{0, 1, kLength, Value{}}, 4,
                                                     Text::Plain("Length"), {}, {{0, 1, kPartner, Value::U16(1)}});
  // Off of kCheck is refused while the partner is B.
  const uint16_t partnerRefusesOff =
      w.AddConstraint(7, ddd::Condition{0, 1, kCheck, Value{}}, 2, Text::Plain("Partner"),
                      {ddd::Chained{ddd::Condition{0, 1, kPartner, Value::U16(1)}, 3}});
  struct Option {
    const char* text;
    Value value;
    std::vector<uint16_t> constraints;
    uint16_t picture = 0;  // blob key
  };
  auto feature = [&](uint16_t id, const char* name, uint8_t display, uint16_t defaultOption,
                     std::vector<Option> options, std::vector<uint16_t> constraints = {}) {
    std::vector<uint16_t> keys;
    for (auto& o : options)
      keys.push_back(w.AddOption(14, Text::Plain(o.text), 0, 0, o.value, 0, o.constraints, {}, o.picture));
    w.AddFeature(4, id, Text::Plain(name), display, defaultOption, keys, 0, constraints);
  };
  // Portrait carries a picture (its icon); landscape none.
  w.AddBlob(1, PatternIconDib(32, 32, 4));
  feature(
      7, "Orientation", 1, 1,
      {{"Portrait\nPages stand upright", Value::I16(1), {}, 1}, {"Landscape\nPages lie sideways", Value::I16(2), {}}});
  feature(kCheck, "Checked", 1, 2, {{"On", Value::U16(1), {}}, {"Off", Value::U16(0), {partnerRefusesOff}}});
  feature(kStatuses, "Statuses", 1, 1,
          {{"Plain", Value::U16(0), {}},
           {"Disabled", Value::U16(1), {disabled}},
           {"Hidden", Value::U16(2), {hidden}},
           {"Other", Value::U16(3), {}}});
  feature(kStates, "States", 1, 1,
          {{"None", Value::U16(0), {}},
           {"Refused", Value::U16(2), {status2}},
           {"Asked", Value::U16(3), {status3}},
           {"Layout", Value::U16(5), {status5}},
           {"Group value", Value::U16(10), {status10}},
           {"Group", Value::U16(11), {status11}},
           {"Forbidden", Value::U16(7), {status7}}});
  feature(kToggle, "Toggle", 1, 1, {{"Off", Value::U16(0), {}}, {"On", Value::U16(1), {}}});
  feature(kHiddenA, "Hidden A", 1, 1, {{"Gone", Value::U16(0), {hidden}}, {"Here", Value::U16(1), {}}});
  feature(kHiddenB, "Hidden B", 1, 1, {{"Gone", Value::U16(0), {hidden}}, {"Here", Value::U16(1), {}}});
  feature(kSmallRange, "Small range", 4, 1, {{"0", Value::U16(0), {}}, {"50", Value::U16(50), {}}});
  feature(kRadio, "Radio", 1, 1, {{"Zero", Value::U16(0), {}}, {"One", Value::U16(1), {}}, {"Two", Value::U16(2), {}}});
  feature(kSigned, "Signed", 4, 1, {{"-100", Value::I16(-100), {}}, {"100", Value::I16(100), {}}});
  feature(kWideRange, "Wide range", 4, 1, {{"0", Value::U32(0), {}}, {"max", Value::U32(0xFFFFFFFFu), {}}});
  feature(kLength, "Length", 4, 1, {{"0", Value::U32(0), {}}, {"20000", Value::U32(20000), {}}}, {lengthSetsPartner});
  feature(kLong, "Long", 4, 1, {{"0", Value::U32(0), {}}, {"15000", Value::U32(15000), {}}});
  feature(kText, "Memo", 6, 3,
          {{"0", Value::U16(0), {}}, {"8", Value::U16(8), {}}, {"memo", Value::Str(Text::Plain("memo")), {}}});
  feature(kUnit, "Unit", 1, 1, {{"Millimetres", Value::U16(0), {}}, {"Inches", Value::U16(1), {}}});
  feature(kFolder, "Folder", 6, 3,
          {{"0", Value::U16(0), {}},
           {"128", Value::U16(128), {}},
           {"icm", Value::Str(Text::Plain("%ICM%\\profiles")), {}}});
  feature(kPartner, "Partner", 1, 1, {{"A", Value::U16(0), {}}, {"B", Value::U16(1), {}}});
  return w;
}

class ControlsTest : public PageHarness {
 protected:
  void SetUp() override {
    PageHarness::SetUp();
    // The resource module with the test sub-dialog's template.
    WriteWindowsFile(std::u16string(PK_DRIVER_FOLDER) + u"Tarquen.vbn", ReadHostFile(PK_CONTROLS_TARQUEN));
    ReleaseModule();
    InitModule(own_, (std::u16string(PK_DRIVER_FOLDER) + u"StoredSettingsOwn.vbn").c_str());
    InstallGenericHandlers();
    // As at library attach: the page range check of the settings model.
    SetPageConstraintPass(RunSheetRangePass);
    UseModel(ControlsWriter());
  }
  void TearDown() override {
    SetPageConstraintPass(nullptr);
    PageHarness::TearDown();
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
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    GetSettingValue(id, sheet_->working.devMode, sheet_->working.settings, &type, &size, &v);
    if (type == kSettingTypeInt16) return static_cast<int16_t>(v);
    return static_cast<int64_t>(v & (size >= 4 ? 0xFFFFFFFFu : 0xFFFFu));
  }
  std::u16string Stored(WORD id) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    GetSettingValue(id, sheet_->working.devMode, sheet_->working.settings, &type, &size, &v);
    const auto* text = reinterpret_cast<const char16_t*>(static_cast<uintptr_t>(v));
    return text ? std::u16string(text) : u"";
  }

  // A page (id 0) of the rows, its controls made for their kinds, activated.
  // Styles given by control id replace the kind's own.
  HWND OpenRows(const ControlRow* rows, UINT count, std::map<INT, DWORD> styles = {}, INT permission = 1) {
    set_ = PageControlSet{rows, count, 4321, kNoHelp, kNoFurther, 0};
    if (!sheet_) MakeSheet(entries_, 2, permission);
    HWND page = CreateWindowExW(0, WC_DIALOGW, u"page", WS_CHILD | WS_VISIBLE, 0, 0, 300, 300, frame_, nullptr, nullptr,
                                nullptr);
    pages_.push_back(page);
    for (UINT i = 0; i < count; ++i) {
      const ControlRow& row = rows[i];
      if (row.controlId == kNoControl || GetDlgItem(page, row.controlId)) continue;
      auto [cls, style] = KindControl(row.kind);
      if (auto s = styles.find(row.controlId); s != styles.end()) style = s->second;
      CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | style, 0, 0, 120, 100, page,
                      reinterpret_cast<HMENU>(static_cast<intptr_t>(row.controlId)), nullptr, nullptr);
    }
    for (const ControlRow& row : kCommonPushButtons) AddControl(page, row.controlId);
    SetWindowLongPtrW(page, GWLP_USERDATA, ((0 + 16) << 8) | kDialogTopPage);
    SetWindowLongPtrW(page, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&PageProc));
    PROPSHEETPAGEW psp{};
    psp.lParam = reinterpret_cast<LPARAM>(sheet_);
    SendMessageW(page, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&psp));
    Notify(page, PSN_SETACTIVE);
    return page;
  }

  static std::pair<const char16_t*, DWORD> KindControl(UINT kind) {
    switch (kind) {
      case kKindComboBox: return {WC_COMBOBOXW, CBS_DROPDOWNLIST | CBS_HASSTRINGS};
      case kKindListBox: return {WC_LISTBOXW, LBS_NOTIFY | LBS_HASSTRINGS | LBS_USETABSTOPS | LBS_WANTKEYBOARDINPUT};
      case kKindEdit: return {WC_EDITW, ES_AUTOHSCROLL};
      case kKindRadio: return {WC_BUTTONW, BS_AUTORADIOBUTTON};
      case kKindCheckBox: return {WC_BUTTONW, BS_AUTOCHECKBOX};
      case kKindScrollBar: return {WC_SCROLLBARW, 0};
      case kKindSpin: return {UPDOWN_CLASSW, 0};
      case kKindValueText:
      case kKindChoiceText: return {WC_STATICW, 0};
      case kKindTrackBar: return {TRACKBAR_CLASSW, 0};
      case kKindIcon: return {WC_STATICW, SS_ICON};
      default: return {WC_BUTTONW, BS_PUSHBUTTON};
    }
  }

  HandlerContext Context(HWND page) { return ContextOf(page, 0); }

  static constexpr INT kNoHelp[] = {0, 0};
  static constexpr INT kNoFurther[] = {kNoControl};
  PageControlSet set_{};
  PageControlSet subSet_{};
  const PageInfo info_{520, nullptr, 0, kNoControl, nullptr, 0, 0};
  const PageEntry entries_[2] = {{0, &set_, &info_}, {14, &subSet_, nullptr}};
};

// A row of one setting.
inline ControlRow Row(INT controlId, const RowItem* items, UINT kind, const void* params, INT count = 1) {
  return ControlRow{controlId, count, items, kind, nullptr, params, kNoControl, kNoControl, nullptr};
}

}  // namespace pk::test
