// The image information dialog (see info_dialog.h).
#include "preview/window/info_dialog.h"

#include <string>

#include "platform/mfc/ddx.h"
#include "preview/dravix_doc.h"
#include "preview/window/dravix_view.h"
#include "preview/window/lindvar_ids.h"
#include "raster/core/rst_image_info.h"

CInfoDialog::CInfoDialog(CDravixView* parent) : CDialog(IDD_IMAGE_INFO, parent), m_pView(parent) {}

void CInfoDialog::DoDataExchange(CDataExchange* pDX) { DDX_Text(pDX, IDC_INFO_OTHER, m_strOther); }

BOOL CInfoDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!m_pView || !m_pView->GetDocument()) return FALSE;
  CDravixDoc* doc = m_pView->GetDocument();
  CRstInterface* rst = doc->GetInterface();
  auto number = [](long long v) { return std::to_string(v); };
  SetDlgItemText(IDC_INFO_FILE, doc->GetPathName());
  SetDlgItemText(IDC_INFO_PAGE, number(doc->GetCurrentPage()));
  SetDlgItemText(IDC_INFO_PAGES, number(doc->GetPageCount()));
  if (RstImageInfo* info = rst->GetImageInfo()) {
    SetDlgItemText(IDC_INFO_FORMAT, info->format_name());
    SetDlgItemText(IDC_INFO_COLOR_SPACE, info->color_space_name());
    SetDlgItemText(IDC_INFO_CHANNELS, number(info->samples_per_pixel));
    SetDlgItemText(IDC_INFO_BITS, number(info->bits_per_sample));
    SetDlgItemText(IDC_INFO_COMPRESSION, info->compression_name());
    // The resolution as the file gives it: 0 when it has none.
    SetDlgItemText(IDC_INFO_XRES, number(info->x_resolution));
    SetDlgItemText(IDC_INFO_YRES, number(info->y_resolution));
    SetDlgItemText(IDC_INFO_XPIXELS, number(info->width));
    SetDlgItemText(IDC_INFO_YPIXELS, number(info->height));
  }
  return TRUE;
}
