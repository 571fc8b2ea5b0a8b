// Dialog data exchange and validation (see ddx.h).
#include "platform/mfc/ddx.h"

#include <cctype>
#include <cstdio>

#include "platform/mfc/cwinapp.h"

namespace {

// Radio buttons of the group that starts at `first`, in template order.
std::vector<int> RadioGroup(CDialog* dialog, int first) {
  std::vector<int> ids;
  const AfxDialogTemplate* t = dialog->GetTemplate();
  if (!t) return ids;
  int i = 0;
  while (i < t->count && t->controls[i].id != first) ++i;
  for (int j = i; j < t->count && t->controls[j].kind == AfxControlKind::kRadio; ++j) {
    if (j > i && (t->controls[j].style & WS_GROUP)) break;
    ids.push_back(t->controls[j].id);
  }
  return ids;
}

// Decimal digits between optional blanks, at most UINT's range.
bool ParseUnsigned(const std::string& text, UINT* value) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  size_t digits = i;
  unsigned long long v = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    v = v * 10 + static_cast<unsigned>(text[i] - '0');
    if (v > 0xFFFFFFFFull) return false;
    ++i;
  }
  if (i == digits) return false;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i != text.size()) return false;
  *value = static_cast<UINT>(v);
  return true;
}

}  // namespace

void DDX_Radio(CDataExchange* pDX, int id, int& value) {
  pDX->PrepareCtrl(id);
  std::vector<int> group = RadioGroup(pDX->m_pDlgWnd, id);
  if (pDX->m_bSaveAndValidate) {
    value = -1;
    for (size_t i = 0; i < group.size(); ++i)
      if (pDX->m_pDlgWnd->IsDlgButtonChecked(group[i])) value = static_cast<int>(i);
  } else {
    for (size_t i = 0; i < group.size(); ++i)
      pDX->m_pDlgWnd->CheckDlgButton(group[i], static_cast<int>(i) == value ? 1 : 0);
  }
}

void DDX_Text(CDataExchange* pDX, int id, UINT& value) {
  pDX->PrepareEditCtrl(id);
  if (pDX->m_bSaveAndValidate) {
    UINT v = 0;
    if (!ParseUnsigned(pDX->m_pDlgWnd->GetDlgItemText(id), &v)) {
      AfxMessageBox("Digite um número inteiro positivo.", MB_OK | MB_ICONEXCLAMATION);
      pDX->Fail();
    }
    value = v;
  } else {
    pDX->m_pDlgWnd->SetDlgItemText(id, std::to_string(value));
  }
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
  pDX->PrepareEditCtrl(id);
  if (pDX->m_bSaveAndValidate) value = pDX->m_pDlgWnd->GetDlgItemText(id);
  else pDX->m_pDlgWnd->SetDlgItemText(id, value);
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
  if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  char text[96];
  std::snprintf(text, sizeof text, "Digite um número inteiro entre %u e %u.", minVal, maxVal);
  AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
  pDX->Fail();
}

void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int count) {
  if (count <= 0) return;
  if (!pDX->m_bSaveAndValidate) {
    // Loading sets the control's limit, so longer text cannot be entered.
    if (CDialog::Control* c = pDX->m_pDlgWnd->GetControl(pDX->m_idLastControl)) {
      c->limit = static_cast<size_t>(count);
      pDX->m_pDlgWnd->SetDlgItemText(pDX->m_idLastControl, c->text);
    }
    return;
  }
  if (AfxTextLength(value) <= static_cast<size_t>(count)) return;
  char text[64];
  std::snprintf(text, sizeof text, "Digite no máximo %d caracteres.", count);
  AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
  pDX->Fail();
}
