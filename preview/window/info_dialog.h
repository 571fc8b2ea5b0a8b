// The image information dialog (template 131): file, format, colour space,
// channels, bits, compression, resolution as the file gives it, pixel
// counts, page and page count, and the TIFF Software text.
#pragma once

#include <string>

#include "platform/mfc/cdialog.h"

class CDravixView;

class CInfoDialog : public CDialog {
 public:
  explicit CInfoDialog(CDravixView* parent = nullptr);
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  std::string m_strOther;
  CDravixView* m_pView;
};
