// Modal dialogs built from a dialog template table. The layer keeps every
// control's state (text, check, enabled); the back end shows the controls,
// hands user input back and reports notifications. Data exchange (ddx.h)
// moves values between the state and the dialog's members.
#pragma once

#include <map>
#include <string>

#include "platform/mfc/afx_resources.h"
#include "platform/mfc/cwnd.h"

class CDataExchange;

// Characters of a UTF-8 text.
size_t AfxTextLength(const std::string& text);

class CDialog : public CWnd {
 public:
  struct Control {
    const AfxDialogControl* item;
    std::string text;
    int check = 0;
    BOOL enabled = TRUE;
    size_t limit = 0;  // text length limit; 0 none
  };

  explicit CDialog(UINT nIDTemplate, CWnd* parent = nullptr);
  // Runs the dialog; IDOK, IDCANCEL, or -1 when the template is missing.
  virtual INT_PTR DoModal();
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange*) {}
  // FALSE when a check failed (its message was shown, the focus is on the
  // control).
  BOOL UpdateData(BOOL save = TRUE);
  void EndDialog(int result);

  // Control state.
  const AfxDialogTemplate* GetTemplate() const { return m_template; }
  Control* GetControl(int id);
  void SetDlgItemText(int id, const std::string& text);
  std::string GetDlgItemText(int id) const;
  void CheckRadioButton(int first, int last, int checked);
  UINT IsDlgButtonChecked(int id) const;
  void CheckDlgButton(int id, UINT check);
  void GotoDlgCtrl(int id);
  int GetFocusedControl() const { return m_focus; }
  BOOL IsEnded() const { return m_bEnded; }
  int GetResult() const { return m_result; }
  CWnd* m_pParentWnd;

  // Back end: the user changed a control, clicked a button or moved the
  // focus. Clicks of IDOK and IDCANCEL run OnOK and OnCancel.
  void UserText(int id, const std::string& text);
  void UserClick(int id);
  void UserFocus(int id);

 protected:
  UINT m_nIDTemplate;

 private:
  void Notify(int id, int code);

  const AfxDialogTemplate* m_template = nullptr;
  std::map<int, Control> m_controls;
  int m_focus = 0;
  int m_result = IDCANCEL;
  BOOL m_bEnded = FALSE;
};
