// The profile M export dialog (template 132): output path, document type,
// mask coding, and per layer reduction, coding, JPEG subsampling and quality.
#pragma once

#include <string>

#include "platform/mfc/cdialog.h"

class CMakeTfxpmDlg : public CDialog {
 public:
  explicit CMakeTfxpmDlg(CWnd* parent = nullptr);
  void DoDataExchange(CDataExchange* pDX) override;

  std::string m_strPath;
  int m_nFgReduction = -1;
  int m_nBgReduction = -1;
  int m_nDocType = -1;
  int m_nMask = -1;
  int m_nFgCompression = -1;
  int m_nBgCompression = -1;
  int m_nFgSubsampling = -1;
  int m_nBgSubsampling = -1;
  UINT m_nFgQuality = 0;
  UINT m_nBgQuality = 0;
};
