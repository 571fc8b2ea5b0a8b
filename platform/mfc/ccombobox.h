// A combo box control: its list, its edit text and its current selection.
// The back end reports picks and focus changes; the box tells its parent
// with WM_COMMAND (CBN_SELENDOK, CBN_KILLFOCUS).
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/cwnd.h"

#define CB_ERR (-1)

class CToolBar;

class CComboBox : public CWnd {
 public:
  // Creates the box over toolbar slot `slot` (already a separator of the
  // box's width); its notifications go to the toolbar's frame.
  BOOL CreateInToolBar(CToolBar* bar, int slot, UINT id, DWORD style, int listHeight);
  int AddString(const char* text);
  int GetCount() const { return static_cast<int>(m_items.size()); }
  int SetCurSel(int index);
  int GetCurSel() const { return m_nCurSel; }
  void GetLBText(int index, std::string& text) const;
  void GetWindowText(std::string& text) const { text = m_text; }
  using CWnd::GetWindowText;
  void SetDroppedWidth(int) {}

  // Back end: the user ended a pick on `index`, or typed into the box.
  void UserPicked(int index);
  void UserTyped(const std::string& text);
  // The box lost the focus (after typing and Enter, or by leaving it).
  void OnKillFocus(CWnd* next) override;

  std::vector<std::string> m_items;
  int m_nCurSel = CB_ERR;
  int m_listHeight = 0;
  DWORD m_dwStyle = 0;
  BOOL m_bEnabled = TRUE;

 private:
  void Notify(int code);
};
