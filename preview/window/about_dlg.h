// The about box (template 100): the program's icon and version.
#pragma once

#include "platform/mfc/cdialog.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(100) {}
};
