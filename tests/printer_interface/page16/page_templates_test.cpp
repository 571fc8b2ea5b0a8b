// The templates of the resource module hold a control for every row of their
// page, of a class that suits the row's kind, with the labels and further
// controls the page names.
#include "page16_fixture.h"

namespace pk::test {
namespace {

// The class (and for buttons the button type) a row of the kind needs.
bool Suits(HWND control, UINT kind) {
  const std::u16string cls = pk::ui::ClassName(control);
  const DWORD type = pk::ui::Style(control) & 0xF;
  switch (kind) {
    case kKindComboBox: return cls == u"ComboBox";
    case kKindListBox: return cls == u"ListBox";
    case kKindEdit: return cls == u"Edit";
    case kKindRadio: return cls == u"Button" && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
    case kKindPushButton: return cls == u"Button" && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
    case kKindCheckBox: return cls == u"Button" && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX);
    case kKindScrollBar: return cls == u"ScrollBar";
    case kKindSpin: return cls == u"msctls_updown32";
    case kKindTrackBar: return cls == u"msctls_trackbar32";
    case kKindCustom:
    case kKindCustomOther:
    case kKindValueText:
    case kKindChoiceText:
    case kKindIcon: return cls == u"Static";
    default: return true;
  }
}

TEST_F(Page16Test, EveryRowOfPages16And7HasASuitableControlInItsTemplate) {
  Sheet();
  struct Page {
    INT pageId;
    UINT templateId;
    size_t rows;
  } pages[] = {{kStampPageId, kStampPageTemplate, 6}, {kAboutPageId, kAboutTemplate, 4}};
  for (const Page& p : pages) {
    SCOPED_TRACE(p.pageId);
    const PageControlSet* set = GetPageControlSet(sheet_->state, p.pageId);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->rowCount, p.rows);
    HWND dialog = CreateDialogParamW(GetPagesResourceModule(), MAKEINTRESOURCEW(p.templateId), frame_, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    dialogs_.push_back(dialog);
    for (UINT i = 0; i < set->rowCount; ++i) {
      const ControlRow& row = set->rows[i];
      HWND control = GetDlgItem(dialog, row.controlId);
      ASSERT_NE(control, nullptr) << row.controlId;
      EXPECT_TRUE(Suits(control, row.kind)) << row.controlId << " kind " << row.kind;
      if (row.labelId != kNoControl) {
        EXPECT_NE(GetDlgItem(dialog, row.labelId), nullptr) << row.labelId;
      }
    }
    for (const INT* id = set->furtherControls; *id != kNoControl; ++id) EXPECT_NE(GetDlgItem(dialog, *id), nullptr);
  }
  // The about dialog's layout and texts need these besides its rows.
  HWND about = dialogs_.back();
  for (INT id : {kAboutIdentityControl, kAboutFrameControl, kAboutOkButton}) EXPECT_NE(GetDlgItem(about, id), nullptr);
  // The page's title string; the untitled form keeps the template's.
  EXPECT_EQ(ResourceString(kStampPageTitle), u"Stamp Text");
  EXPECT_EQ(pk::ui::Text(dialogs_.front()), u"Stamp");
}

}  // namespace
}  // namespace pk::test
