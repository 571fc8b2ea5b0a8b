// A combo box control: its list, its edit text and its current selection.
// The back end reports picks and focus changes; the box tells its parent
// with WM_COMMAND (CBN_SELENDOK, CBN_KILLFOCUS).
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/cwnd.h"

#define CB_ERR (-1)

class CComboBox : public CWnd {
 public:
  // Placed in a toolbar slot by the frame (CFrameWnd::CreateComboInToolBar).
  int AddString(const char* text);
  int GetCount() const { return static_cast<int>(m_items.size()); }
  int SetCurSel(int index);
  int GetCurSel() const { return m_nCurSel; }
  void GetLBText(int index, std::string& text) const;
  void GetWindowText(std::string& text) const { text = m_text; }
  using CWnd::GetWindowText;
  void SetDroppedWidth(int) {}

  // Back end: the user ended a pick on `index`, or the box lost the focus
  // (after typing or Enter).
  void UserPicked(int index);
  void UserTyped(const std::string& text);
  void UserLeft();

  std::vector<std::string> m_items;
  int m_nCurSel = CB_ERR;
  int m_listHeight = 0;
  DWORD m_dwStyle = 0;
  BOOL m_bEnabled = TRUE;

 private:
  void Notify(int code);
};
