// The go-to-page dialog (see make_bmp_dlg.h).
#include "preview/window/make_bmp_dlg.h"

#include "platform/mfc/ddx.h"
#include "preview/window/lindvar_ids.h"

void CMakeBmpDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_GOTO_RANGE, m_strRange);
  DDV_MaxChars(pDX, m_strRange, 32);
  DDX_Text(pDX, IDC_GOTO_PAGE, m_nPage);
  DDV_MinMaxUInt(pDX, m_nPage, 1, m_nPageCount);
}
