// Combo box state and notifications (see ccombobox.h).
#include "platform/mfc/ccombobox.h"

#include "platform/mfc/afx_backend.h"
#include "platform/mfc/ccontrolbars.h"
#include "platform/mfc/cframewnd.h"

BOOL CComboBox::CreateInToolBar(CToolBar* bar, int slot, UINT id, DWORD style, int listHeight) {
  if (!bar || slot < 0 || slot >= bar->GetCount()) return FALSE;
  m_nID = id;
  m_dwStyle = style;
  m_listHeight = listHeight;
  m_pParent = bar->GetParent();
  m_bVisible = (style & WS_VISIBLE) != 0;
  if (!AfxGetBackend()->CreateCombo(this, bar, slot)) return FALSE;
  bar->m_slots[static_cast<size_t>(slot)].control = this;
  if (auto* frame = dynamic_cast<CFrameWnd*>(m_pParent)) frame->m_pCombo = this;
  return TRUE;
}

int CComboBox::AddString(const char* text) {
  m_items.emplace_back(text ? text : "");
  if (m_peer) AfxGetBackend()->Changed(this);
  return GetCount() - 1;
}

int CComboBox::SetCurSel(int index) {
  if (index < 0 || index >= GetCount()) {
    m_nCurSel = CB_ERR;
    if (m_peer) AfxGetBackend()->Changed(this);
    return CB_ERR;
  }
  m_nCurSel = index;
  m_text = m_items[static_cast<size_t>(index)];
  if (m_peer) AfxGetBackend()->Changed(this);
  return index;
}

void CComboBox::GetLBText(int index, std::string& text) const {
  text = index >= 0 && index < GetCount() ? m_items[static_cast<size_t>(index)] : std::string();
}

void CComboBox::Notify(int code) {
  if (!m_pParent) return;
  m_pParent->SendMessage(WM_COMMAND, MAKEWPARAM(m_nID, code), 0);
}

void CComboBox::UserPicked(int index) {
  if (index < 0 || index >= GetCount()) return;
  m_nCurSel = index;
  m_text = m_items[static_cast<size_t>(index)];
  Notify(CBN_SELENDOK);
}

void CComboBox::UserTyped(const std::string& text) {
  m_text = text;
  m_nCurSel = CB_ERR;
}

void CComboBox::OnKillFocus(CWnd*) { Notify(CBN_KILLFOCUS); }
