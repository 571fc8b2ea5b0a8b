// The zoom dialog (see view_dialog.h).
#include "preview/window/view_dialog.h"

#include "platform/mfc/ddx.h"
#include "preview/window/lindvar_ids.h"

CViewDialog::CViewDialog(CWnd* parent) : CDialog(IDD_VIEW_ZOOM, parent) {
  MapNotify(IDC_ZOOM_PERCENT, EN_SETFOCUS, [this] { OnSetFocusPercent(); });
}

void CViewDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_Radio(pDX, IDC_ZOOM_25, m_nChoice);
  DDX_Text(pDX, IDC_ZOOM_PERCENT, m_nPercent);
  // The field counts only for the typed choice.
  if (m_nChoice == 5) DDV_MinMaxUInt(pDX, m_nPercent, 10, 200);
}

void CViewDialog::OnSetFocusPercent() { CheckRadioButton(IDC_ZOOM_25, IDC_ZOOM_CUSTOM, IDC_ZOOM_CUSTOM); }
