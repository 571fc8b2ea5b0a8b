// Modal dialogs over template tables (see cdialog.h).
#include "platform/mfc/cdialog.h"

#include "platform/mfc/afx_backend.h"
#include "platform/mfc/ddx.h"

namespace {
struct ExchangeFailed {};

// The text cut to `limit` characters (UTF-8 sequences count once); 0: no limit.
std::string Limited(const std::string& text, size_t limit) {
  if (limit == 0) return text;
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (chars++ == limit) return text.substr(0, i);
  }
  return text;
}
}  // namespace

size_t AfxTextLength(const std::string& text) {
  size_t chars = 0;
  for (unsigned char c : text) chars += (c & 0xC0) != 0x80;
  return chars;
}

CDialog::CDialog(UINT nIDTemplate, CWnd* parent) : m_pParentWnd(parent), m_nIDTemplate(nIDTemplate) {
  m_pParent = parent;
}

INT_PTR CDialog::DoModal() {
  m_template = AfxFindDialog(m_nIDTemplate);
  if (!m_template || !AfxGetBackend()) return -1;
  m_controls.clear();
  for (int i = 0; i < m_template->count; ++i) {
    const AfxDialogControl& c = m_template->controls[i];
    m_controls[c.id] = Control{&c, c.text ? c.text : "", 0, TRUE, 0};
  }
  m_focus = 0;
  m_bEnded = FALSE;
  m_result = IDCANCEL;
  m_text = m_template->caption ? m_template->caption : "";
  int result = AfxGetBackend()->RunModal(this);
  m_peer = nullptr;
  return result;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL save) {
  CDataExchange dx(this, save);
  try {
    DoDataExchange(&dx);
  } catch (const ExchangeFailed&) {
    return FALSE;
  }
  return TRUE;
}

void CDialog::EndDialog(int result) {
  m_result = result;
  m_bEnded = TRUE;
}

CDialog::Control* CDialog::GetControl(int id) {
  auto it = m_controls.find(id);
  return it == m_controls.end() ? nullptr : &it->second;
}

void CDialog::SetDlgItemText(int id, const std::string& text) {
  Control* c = GetControl(id);
  if (!c) return;
  c->text = Limited(text, c->limit);
  if (m_peer) AfxGetBackend()->DialogChanged(this, id);
}

std::string CDialog::GetDlgItemText(int id) const {
  auto it = m_controls.find(id);
  return it == m_controls.end() ? std::string() : it->second.text;
}

void CDialog::CheckRadioButton(int first, int last, int checked) {
  for (int id = first; id <= last; ++id)
    if (Control* c = GetControl(id)) {
      c->check = id == checked ? 1 : 0;
      if (m_peer) AfxGetBackend()->DialogChanged(this, id);
    }
}

UINT CDialog::IsDlgButtonChecked(int id) const {
  auto it = m_controls.find(id);
  return it == m_controls.end() ? 0 : static_cast<UINT>(it->second.check);
}

void CDialog::CheckDlgButton(int id, UINT check) {
  if (Control* c = GetControl(id)) {
    c->check = static_cast<int>(check);
    if (m_peer) AfxGetBackend()->DialogChanged(this, id);
  }
}

void CDialog::GotoDlgCtrl(int id) {
  m_focus = id;
  if (m_peer) AfxGetBackend()->DialogFocus(this, id);
}

void CDialog::UserText(int id, const std::string& text) {
  if (Control* c = GetControl(id)) c->text = Limited(text, c->limit);
}

void CDialog::UserClick(int id) {
  Control* c = GetControl(id);
  if (!c || !c->enabled) return;
  if (c->item->kind == AfxControlKind::kRadio) {
    // An automatic radio button: the others of its group go off.
    const AfxDialogControl* items = m_template->controls;
    int at = static_cast<int>(c->item - items);
    int start = at;
    while (start > 0 && !(items[start].style & WS_GROUP) && items[start - 1].kind == AfxControlKind::kRadio) --start;
    for (int i = start; i < m_template->count && items[i].kind == AfxControlKind::kRadio; ++i) {
      if (i > start && (items[i].style & WS_GROUP)) break;
      CheckDlgButton(items[i].id, i == at ? 1 : 0);
    }
  }
  CCmdUI probe(static_cast<UINT>(id));
  if (OnCmdMsg(static_cast<UINT>(id), BN_CLICKED, &probe)) {
    Notify(id, BN_CLICKED);
  } else if (id == IDOK) {
    AfxContain("CDialog::OnOK", [&] { OnOK(); });
  } else if (id == IDCANCEL) {
    AfxContain("CDialog::OnCancel", [&] { OnCancel(); });
  }
}

void CDialog::UserFocus(int id) {
  m_focus = id;
  Control* c = GetControl(id);
  if (c && c->item->kind == AfxControlKind::kEdit) Notify(id, EN_SETFOCUS);
}

void CDialog::Notify(int id, int code) {
  AfxContain("CDialog::OnCommand", [&] { OnCmdMsg(static_cast<UINT>(id), code, nullptr); });
}

// ---- Data exchange -----------------------------------------------------------

void CDataExchange::Fail() {
  m_pDlgWnd->GotoDlgCtrl(m_idLastControl);
  throw ExchangeFailed{};
}
