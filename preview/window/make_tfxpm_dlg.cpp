// The profile M export dialog (see make_tfxpm_dlg.h).
#include "preview/window/make_tfxpm_dlg.h"

#include "platform/mfc/ddx.h"
#include "preview/window/lindvar_ids.h"

CMakeTfxpmDlg::CMakeTfxpmDlg(CWnd* parent) : CDialog(IDD_MAKE_TFXPM, parent) {}

void CMakeTfxpmDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_TFXPM_PATH, m_strPath);
  DDV_MaxChars(pDX, m_strPath, 256);
  DDX_Radio(pDX, IDC_TFXPM_FG_REDUCTION, m_nFgReduction);
  DDX_Radio(pDX, IDC_TFXPM_BG_REDUCTION, m_nBgReduction);
  DDX_Radio(pDX, IDC_TFXPM_DOC_TYPE, m_nDocType);
  DDX_Radio(pDX, IDC_TFXPM_MASK, m_nMask);
  DDX_Radio(pDX, IDC_TFXPM_FG_COMPRESSION, m_nFgCompression);
  DDX_Radio(pDX, IDC_TFXPM_BG_COMPRESSION, m_nBgCompression);
  DDX_Radio(pDX, IDC_TFXPM_FG_SUBSAMPLING, m_nFgSubsampling);
  DDX_Radio(pDX, IDC_TFXPM_BG_SUBSAMPLING, m_nBgSubsampling);
  // Both qualities are checked whatever coding the layers get.
  DDX_Text(pDX, IDC_TFXPM_FG_QUALITY, m_nFgQuality);
  DDV_MinMaxUInt(pDX, m_nFgQuality, 1, 100);
  DDX_Text(pDX, IDC_TFXPM_BG_QUALITY, m_nBgQuality);
  DDV_MinMaxUInt(pDX, m_nBgQuality, 1, 100);
}
