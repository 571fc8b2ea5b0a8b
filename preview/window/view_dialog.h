// The zoom dialog (template 130): a radio choice of 25, 50, 75, 100 %, fit
// or a percent of 10 to 200 typed into the field.
#pragma once

#include "platform/mfc/cdialog.h"

class CViewDialog : public CDialog {
 public:
  explicit CViewDialog(CWnd* parent = nullptr);
  void DoDataExchange(CDataExchange* pDX) override;

  int m_nChoice = 4;
  UINT m_nPercent = 100;

 private:
  // Focus into the percent field selects "Zoom especificado".
  void OnSetFocusPercent();
};
