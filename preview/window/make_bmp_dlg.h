// The go-to-page dialog (template 133): a page number from 1 to the page
// count, with the range shown beside the field.
#pragma once

#include <string>

#include "platform/mfc/cdialog.h"

class CMakeBmpDlg : public CDialog {
 public:
  explicit CMakeBmpDlg(CWnd* parent = nullptr) : CDialog(133, parent) {}
  void DoDataExchange(CDataExchange* pDX) override;

  UINT m_nPage = 1;
  UINT m_nPageCount = 1;
  std::string m_strRange;
};
