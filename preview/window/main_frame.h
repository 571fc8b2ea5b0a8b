// The preview's main frame: placement from the settings file, the toolbar
// with the zoom combo box in slot 2, the status bar, and the settings
// written when it closes.
#pragma once

#include "platform/mfc/cframewnd.h"

// The toolbar that hosts the combo box: its slot shows no separator line.
class CToolBarCmb : public CToolBar {
 public:
  void OnPaint(CDC* dc) override;
};

class CMainFrame : public CFrameWnd {
 public:
  CMainFrame();
  ~CMainFrame() override;

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  int OnCreate(LPCREATESTRUCT cs) override;
  void OnClose() override;

  BOOL CreateToolBar();
  BOOL CreateComboInToolBar(int slot, UINT id, int width, int listHeight, CComboBox* control, DWORD style);
  void FillZoomCombo();

  CStatusBar m_wndStatusBar;
  CToolBarCmb m_wndToolBar;
  CComboBox m_wndZoomCombo;
};

// The combo box and the status bar, published by the frame for the view.
extern CComboBox* g_pZoomCombo;
extern CStatusBar* g_pStatusBar;
